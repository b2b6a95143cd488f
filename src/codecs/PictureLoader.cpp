#include "codecs/PictureLoader.h"

#include "base/Limits.h"
#include "base/WholeFile.h"
#include "codecs/BmpCodec.h"
#include "codecs/MetafileCodec.h"
#include "codecs/PictureError.h"
#include "codecs/PngFile.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>
// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace velkaro {
namespace {

// Larger pictures are refused before anything is allocated for them: a few damaged header
// bytes must not ask for gigabytes.
constexpr auto kMaxPicturePixels = static_cast<std::uint64_t>(limits::kPicturePixels);
constexpr auto kMaxPictureSide = static_cast<std::uint64_t>(limits::kPictureSide);

constexpr Pixel kWhite = 0xFFFFFFFFu;

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& prefix) {
    return bytes.size() >= N && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

constexpr std::array<std::uint8_t, 2> kBmpSignature = {'B', 'M'};
constexpr std::array<std::uint8_t, 3> kJpegSignature = {0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 6> kGif87Signature = {'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<std::uint8_t, 6> kGif89Signature = {'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t LittleU16(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8;
}

std::uint32_t LittleU32(std::span<const std::uint8_t> d, std::size_t at) {
    return LittleU16(d, at) | LittleU16(d, at + 2) << 16;
}

void CheckSize(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) {
        throw PictureError("the picture is empty");
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        throw PictureError("the picture is too large (" + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels)");
    }
}

// --- JPEG ------------------------------------------------------------------------------------

// libjpeg reports errors through a callback that must not return. Unwinding a C++ exception
// through its C frames is not safe, so the callback jumps back to DecodeJpegInto instead.
struct JpegErrorManager {
    jpeg_error_mgr manager; // first, so that libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    std::array<char, JMSG_LENGTH_MAX> message;
};

void JpegFail(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message.data());
    std::longjmp(errors->jump, 1);
}

// Warnings are silent, except that a file which ends before its picture does is refused rather
// than shown with a grey remainder.
void JpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        JpegFail(info);
    }
}

void JpegOutputMessage(j_common_ptr) {}

void StoreJpegRow(const jpeg_decompress_struct& info, const JSAMPLE* samples, Pixel* out) {
    const auto width = static_cast<std::size_t>(info.output_width);
    if (info.out_color_space == JCS_CMYK) {
        // Adobe's writers store CMYK inverted; the marker tells them apart from the rest.
        const bool inverted = info.saw_Adobe_marker;
        for (std::size_t x = 0; x < width; ++x) {
            auto ink = [&](std::size_t i) -> std::uint32_t {
                const std::uint32_t v = samples[4 * x + i];
                return inverted ? v : 255 - v;
            };
            const std::uint32_t k = ink(3);
            auto channel = [&](std::size_t i) {
                return static_cast<std::uint8_t>((ink(i) * k + 127) / 255);
            };
            out[x] = PixelFromRgb(channel(0), channel(1), channel(2));
        }
        return;
    }
    for (std::size_t x = 0; x < width; ++x) {
        out[x] = PixelFromRgb(samples[3 * x], samples[3 * x + 1], samples[3 * x + 2]);
    }
}

// Everything between setjmp and the last libjpeg call lives here, with no object that has a
// destructor of its own: a jump back into this frame would skip it. Returns false when
// libjpeg gave up; its message is then in `errors`, or `tooLarge` is set.
bool DecodeJpegInto(jpeg_decompress_struct& info, JpegErrorManager& errors,
                    std::span<const std::uint8_t> data, std::vector<JSAMPLE>& row, Bitmap& out,
                    bool& tooLarge) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_calc_output_dimensions(&info);
    const std::uint64_t width = info.output_width;
    const std::uint64_t height = info.output_height;
    if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height > kMaxPicturePixels) {
        tooLarge = true;
        return false;
    }
    jpeg_start_decompress(&info);
    row.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(info.output_components));
    out = Bitmap(static_cast<int>(width), static_cast<int>(height));
    while (info.output_scanline < info.output_height) {
        const auto y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) != 1) {
            // Only a suspending data source returns no row, and the memory source never
            // suspends; give up rather than loop.
            ERREXIT(&info, JERR_INPUT_EOF);
        }
        StoreJpegRow(info, row.data(), out.Row(y));
    }
    jpeg_finish_decompress(&info);
    return true;
}

Bitmap DecodeJpeg(std::span<const std::uint8_t> data) {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFail;
    errors.manager.emit_message = JpegMessage;
    errors.manager.output_message = JpegOutputMessage;
    std::vector<JSAMPLE> row;
    Bitmap out;
    bool tooLarge = false;
    const bool decoded = DecodeJpegInto(info, errors, data, row, out, tooLarge);
    const std::uint64_t width = info.output_width;
    const std::uint64_t height = info.output_height;
    jpeg_destroy_decompress(&info);
    if (tooLarge) {
        CheckSize(width, height);
    }
    if (!decoded) {
        throw PictureError(std::string("JPEG error: ") + errors.message.data());
    }
    return out;
}

// --- GIF -------------------------------------------------------------------------------------

struct GifSource {
    std::span<const std::uint8_t> data;
    std::size_t at = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* buffer, int length) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const std::size_t wanted = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t count = std::min(wanted, source->data.size() - source->at);
    std::memcpy(buffer, source->data.data() + source->at, count);
    source->at += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void GifFail(int error) {
    const char* text = GifErrorString(error);
    throw PictureError(std::string("GIF error: ") + (text != nullptr ? text : "unknown error"));
}

void CheckGif(const GifFileType& gif, int result) {
    if (result == GIF_ERROR) {
        GifFail(gif.Error);
    }
}

// Reads the first frame's pixels, in picture order also for interlaced frames.
std::vector<GifPixelType> ReadGifFrame(GifFileType& gif) {
    const auto width = static_cast<std::size_t>(gif.Image.Width);
    const auto height = static_cast<std::size_t>(gif.Image.Height);
    std::vector<GifPixelType> pixels(width * height);
    auto readRow = [&](std::size_t y) {
        CheckGif(gif, DGifGetLine(&gif, pixels.data() + y * width, static_cast<int>(width)));
    };
    if (gif.Image.Interlace) {
        constexpr std::array<std::size_t, 4> kStart{0, 4, 2, 1};
        constexpr std::array<std::size_t, 4> kStep{8, 8, 4, 2};
        for (std::size_t pass = 0; pass < 4; ++pass) {
            for (std::size_t y = kStart[pass]; y < height; y += kStep[pass]) {
                readRow(y);
            }
        }
    } else {
        for (std::size_t y = 0; y < height; ++y) {
            readRow(y);
        }
    }
    return pixels;
}

Bitmap DecodeGif(std::span<const std::uint8_t> data) {
    GifSource source{data};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
    if (!gif) {
        GifFail(error);
    }
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        CheckGif(*gif, DGifGetRecordType(gif.get(), &type));
        if (type == TERMINATE_RECORD_TYPE) {
            throw PictureError("the GIF file holds no picture");
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            CheckGif(*gif, DGifGetExtension(gif.get(), &code, &block));
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                    transparent = control.TransparentColor;
                }
            }
            while (block != nullptr) {
                CheckGif(*gif, DGifGetExtensionNext(gif.get(), &block));
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            continue;
        }
        CheckGif(*gif, DGifGetImageDesc(gif.get()));
        const GifImageDesc& frame = gif->Image;
        // Show the whole first frame even where it reaches past the screen it names.
        const std::uint64_t width = std::max<std::uint64_t>(
            static_cast<std::uint64_t>(gif->SWidth),
            static_cast<std::uint64_t>(frame.Left) + static_cast<std::uint64_t>(frame.Width));
        const std::uint64_t height = std::max<std::uint64_t>(
            static_cast<std::uint64_t>(gif->SHeight),
            static_cast<std::uint64_t>(frame.Top) + static_cast<std::uint64_t>(frame.Height));
        CheckSize(width, height);
        CheckSize(static_cast<std::uint64_t>(frame.Width),
                  static_cast<std::uint64_t>(frame.Height));
        const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
        if (colours == nullptr) {
            throw PictureError("the GIF file has no colour table");
        }
        const std::vector<GifPixelType> pixels = ReadGifFrame(*gif);
        Bitmap out(static_cast<int>(width), static_cast<int>(height), kWhite);
        for (int y = 0; y < frame.Height; ++y) {
            for (int x = 0; x < frame.Width; ++x) {
                const int index = pixels[static_cast<std::size_t>(y) * frame.Width + x];
                if (index == transparent) {
                    continue;
                }
                Pixel pixel = 0xFF000000u;
                if (index < colours->ColorCount) {
                    const GifColorType& c = colours->Colors[index];
                    pixel = PixelFromRgb(c.Red, c.Green, c.Blue);
                }
                out.At(frame.Left + x, frame.Top + y) = pixel;
            }
        }
        return out;
    }
}

// --- Icons -----------------------------------------------------------------------------------

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr const char* kInvalidIconMessage = "Icon image is not valid";

bool LooksLikeIcon(std::span<const std::uint8_t> data) {
    return data.size() >= kIconDirSize && LittleU16(data, 0) == 0 && LittleU16(data, 2) == 1 &&
           LittleU16(data, 4) > 0;
}

Bitmap DecodeIcon(std::span<const std::uint8_t> data) {
    const std::size_t count = LittleU16(data, 4);
    if (data.size() < kIconDirSize + count * kIconEntrySize) {
        throw PictureError(kInvalidIconMessage);
    }
    // The largest picture wins; of equal sizes the one with more colours.
    std::size_t best = 0;
    std::uint64_t bestKey = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kIconDirSize + i * kIconEntrySize;
        const std::uint64_t width = data[entry] == 0 ? 256 : data[entry];
        const std::uint64_t height = data[entry + 1] == 0 ? 256 : data[entry + 1];
        const std::uint64_t key = (width * height) << 16 | LittleU16(data, entry + 6);
        if (i == 0 || key > bestKey) {
            best = entry;
            bestKey = key;
        }
    }
    const std::uint64_t size = LittleU32(data, best + 8);
    const std::uint64_t offset = LittleU32(data, best + 12);
    if (offset > data.size() || data.size() - offset < size) {
        throw PictureError(kInvalidIconMessage);
    }
    const auto image =
        data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    if (StartsWith(image, kPngSignature)) {
        return DecodePng(image);
    }
    try {
        return DecodeIconImage(image);
    } catch (const PictureError&) {
        throw PictureError(kInvalidIconMessage);
    }
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw PictureError(std::filesystem::exists(file, error) ? "it is not a file"
                                                                : "the file does not exist");
    }
    auto bytes = ReadFileWhole(file);
    if (!bytes) {
        throw PictureError("the file cannot be read");
    }
    return std::move(*bytes);
}

} // namespace

Bitmap PictureLoader::Decode(std::span<const std::uint8_t> bytes) {
    if (StartsWith(bytes, kBmpSignature)) {
        return DecodeBmp(bytes, BmpRows::AtHeaderOffset);
    }
    if (StartsWith(bytes, kJpegSignature)) {
        return DecodeJpeg(bytes);
    }
    if (StartsWith(bytes, kGif87Signature) || StartsWith(bytes, kGif89Signature)) {
        return DecodeGif(bytes);
    }
    if (StartsWith(bytes, kPngSignature)) {
        return DecodePng(bytes);
    }
    if (MetafileKindOf(bytes) != MetafileKind::None) {
        return DecodeMetafile(bytes);
    }
    if (LooksLikeIcon(bytes)) {
        return DecodeIcon(bytes);
    }
    if (bytes.empty()) {
        throw PictureError("the file is empty");
    }
    throw PictureError("the file is not a BMP, PNG, JPEG, GIF, icon or metafile picture");
}

Bitmap PictureLoader::Load(const std::filesystem::path& file) {
    try {
        return Decode(ReadWholeFile(file));
    } catch (const PictureError& e) {
        throw PictureError("Cannot load the picture \"" + file.string() + "\": " + e.what());
    }
}

} // namespace velkaro
