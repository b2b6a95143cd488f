#pragma once

#include <stdexcept>
#include <string>

namespace velkaro {

// A picture that cannot be read. The text is what the player is shown.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline const char* const kInvalidBitmapMessage = "Bitmap image is not valid";

} // namespace velkaro
