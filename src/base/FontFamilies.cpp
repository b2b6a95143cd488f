#include "base/FontFamilies.h"

#include <algorithm>
#include <array>

namespace velkaro {
namespace {

struct FontStandIn {
    std::string_view name; // in lower case
    std::string_view standIn;
};

constexpr std::array<FontStandIn, 3> kFontStandIns = {{
    {"times new roman", "Liberation Serif"},
    {"arial", "Liberation Sans"},
    {"courier new", "Liberation Mono"},
}};

} // namespace

std::string FontFamilyList(std::string_view name) {
    std::string lower(name);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    std::string family(name);
    for (const FontStandIn& entry : kFontStandIns) {
        if (lower == entry.name) {
            family += ',';
            family += entry.standIn;
        }
    }
    return family;
}

} // namespace velkaro
