#include "base/Counted.h"

namespace velkaro {

std::string Counted(std::size_t count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace velkaro
