#include "data/ImageClass.h"

#include "codecs/BmpCodec.h"
#include "codecs/PictureError.h"

namespace velkaro {
namespace {

// Decodes the BMP at the stream's position and consumes exactly its bytes.
Bitmap ReadEmbeddedBmp(CStream& stream) {
    try {
        auto size = MeasureEmbeddedBmp(stream.Rest());
        if (!size || *size > stream.Remaining()) {
            throw GameFileError(kStreamReadError);
        }
        return DecodeBmp(stream.Take(static_cast<std::size_t>(*size)), BmpRows::AfterColourTable);
    } catch (const PictureError& e) {
        throw GameFileError(e.what());
    }
}

} // namespace

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

void CImage::Load(LoadContext& context) {
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
    if (count > 0 && (width < 1 || height < 1 || width > kMaxSpriteSide ||
                      height > kMaxSpriteSide || std::int64_t{width} * height > kMaxSpritePixels)) {
        ThrowCorrupt("a sprite of " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels is not valid.");
    }
    frames_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        AddFrame(ReadEmbeddedBmp(in));
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
