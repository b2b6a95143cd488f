#pragma once

#include "base/Bitmap.h"

#include <filesystem>

namespace velkaro {

// Loads the picture files a game names (room backgrounds, start and end screens, the high-score
// background, show_image) into bitmaps.
class Pictures {
public:
    virtual ~Pictures() = default;

    // The picture in `file`, opaque. Throws PictureError, with a message that names the file,
    // when the file cannot be read or holds no picture this loader understands.
    virtual Bitmap Load(const std::filesystem::path& file) = 0;
};

} // namespace velkaro
