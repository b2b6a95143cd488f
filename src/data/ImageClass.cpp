#include "data/ImageClass.h"

#include "codecs/BmpCodec.h"
#include "codecs/PictureError.h"

namespace velkaro {
namespace {

// Decodes sub-image `index` of a sprite of width x height pixels at the stream's position and
// consumes exactly its bytes. A sub-image larger than its sprite, or one that takes the game's
// decoded sprites past their budget, is refused from its headers, before it is decoded.
Bitmap ReadEmbeddedBmp(LoadContext& context, const std::string& owner, int index,
                       std::int32_t width, std::int32_t height) {
    CStream& stream = context.stream;
    try {
        const auto size = MeasureEmbeddedBmp(stream.Rest());
        const auto dimensions = MeasureBmpDimensions(stream.Rest());
        if (!size || !dimensions || *size > stream.Remaining()) {
            throw GameFileError(kStreamReadError);
        }
        const std::string frame = "sub-image " + std::to_string(index) + " of " + owner;
        if (dimensions->width > width || dimensions->height > height) {
            ThrowCorrupt(frame + " is " + std::to_string(dimensions->width) + " x " +
                         std::to_string(dimensions->height) + " pixels, larger than its sprite (" +
                         std::to_string(width) + " x " + std::to_string(height) + ").");
        }
        context.spritePixelBytes += std::int64_t{dimensions->width} * dimensions->height * 4;
        if (context.spritePixelBytes > limits::kSpritePixelBytes) {
            ThrowCorrupt(frame + " takes the game's sprites past " +
                         std::to_string(limits::kSpritePixelBytes >> 20) + " MB of pixels.");
        }
        return DecodeBmp(stream.Take(static_cast<std::size_t>(*size)), BmpRows::AfterColourTable);
    } catch (const PictureError& e) {
        throw GameFileError(e.what());
    }
}

} // namespace

bool ValidSpriteSize(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= limits::kPictureSide &&
           height <= limits::kPictureSide && width * height <= limits::kPicturePixels;
}

Colour BottomLeftColour(const Bitmap& frame) {
    if (frame.Empty()) {
        return 0xFFFFFF;
    }
    return ColourFromPixel(frame.At(0, frame.Height() - 1));
}

void CImage::Clear() {
    width = 1;
    height = 1;
    reserved = {};
    frames_.clear();
    transparent_ = 0xFFFFFF;
}

void CImage::Load(LoadContext& context, const std::string& owner) {
    Clear();
    if (!ReadVersion(context, "Internal error in image version.")) {
        return;
    }
    CStream& in = context.stream;
    width = ReadInt(in);
    height = ReadInt(in);
    for (auto& value : reserved) {
        value = ReadInt(in);
    }
    // The smallest BMP is a 14-byte file header and a 12-byte core header.
    const std::int32_t count = ReadCount(context, "sub-image", 26);
    if (count > 0 && !ValidSpriteSize(width, height)) {
        ThrowCorrupt(owner + " of " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels is not valid.");
    }
    frames_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        AddFrame(ReadEmbeddedBmp(context, owner, i, width, height));
    }
}

void CImage::AddFrame(Bitmap frame) {
    frames_.push_back(std::move(frame));
    if (frames_.size() == 1) {
        transparent_ = BottomLeftColour(frames_.front());
    }
}

std::optional<Bitmap> CImage::GetFrame(int index) const {
    if (const Bitmap* frame = Frame(index)) {
        return *frame;
    }
    return std::nullopt;
}

const Bitmap* CImage::Frame(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return &frames_[static_cast<std::size_t>(index)];
}

CImageMask BuildImageMask(const CImage& image) {
    CImageMask masks;
    masks.reserve(static_cast<std::size_t>(image.Count()));
    for (int i = 0; i < image.Count(); ++i) {
        const Bitmap& frame = *image.Frame(i);
        const int w = std::min(image.width, frame.Width());
        const int h = std::min(image.height, frame.Height());
        CMask mask(w, h);
        const Pixel background = PixelFromColour(BottomLeftColour(frame));
        for (int y = 0; y < h; ++y) {
            const Pixel* row = frame.Row(y);
            for (int x = 0; x < w; ++x) {
                mask.Set(x, y, row[x] != background);
            }
        }
        masks.push_back(std::move(mask));
    }
    return masks;
}

} // namespace velkaro
