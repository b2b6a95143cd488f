#pragma once

#include <string>
#include <string_view>

namespace velkaro {

// The family list to ask fontconfig for a font a game or a document names (UTF-8): the name,
// followed by a metric-compatible stand-in when it is one of the fonts every Windows machine had
// ("Times New Roman", "Arial", "Courier New", in any letter case). fontconfig usually maps those
// names itself; naming the stand-in as well makes it certain.
std::string FontFamilyList(std::string_view name);

} // namespace velkaro
