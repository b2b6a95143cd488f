// Feeds arbitrary bytes to the picture reader: BMP, PNG, JPEG, GIF, icons and metafiles, told
// apart by their first bytes as for a file. It must never crash, hang or take more memory than
// a picture may, and a picture it reads must be as large as it says and within the limits.
#include "base/Limits.h"
#include "codecs/PictureError.h"
#include "codecs/PictureLoader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velkaro;
    try {
        const Bitmap picture = PictureLoader::Decode(std::span<const std::uint8_t>(data, size));
        const std::int64_t width = picture.Width();
        const std::int64_t height = picture.Height();
        if (width <= 0 || height <= 0 || width > limits::kPictureSide ||
            height > limits::kPictureSide || width * height > limits::kPicturePixels ||
            picture.Pixels().size() != static_cast<std::size_t>(width * height)) {
            std::fprintf(stderr, "a picture of %lld x %lld with %zu pixels\n",
                         static_cast<long long>(width), static_cast<long long>(height),
                         picture.Pixels().size());
            std::abort();
        }
    } catch (const PictureError&) {
        // Refused with a reason: what damaged pictures are for.
    }
    return 0;
}
