#pragma once

#include <cstddef>
#include <string>

namespace velkaro {

// "1 room", "2 rooms": a count with the word that fits it, for the programs' own messages.
std::string Counted(std::size_t count, const std::string& singular, const std::string& plural);

} // namespace velkaro
