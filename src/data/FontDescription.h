#pragma once

#include "base/Bitmap.h"

#include <cstdint>
#include <string>

namespace velkaro {

// A font as the set-font action stores it: "name#size#colour#BIUS", for example
// "Arial#12#255#1000" (12-point red bold Arial).
struct FontDescription {
    std::string name = "Times New Roman";
    std::int32_t size = 10;
    Colour colour = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontDescription&) const = default;
};

// Reads a description. The digits are not checked: each character adds its code minus that of
// "0" to ten times the value so far. An empty description gives the default font.
FontDescription ParseFontDescription(const std::string& text);

} // namespace velkaro
