#include "data/FontDescription.h"

namespace velkaro {
namespace {

// The text of `text` from `pos` up to the next "#", and `pos` moved past that "#".
std::string NextField(const std::string& text, std::size_t& pos) {
    if (pos >= text.size()) {
        return {};
    }
    const std::size_t end = text.find('#', pos);
    std::string field = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    return field;
}

// Unchecked digits, wrapping as 32-bit arithmetic does.
std::uint32_t Digits(const std::string& text) {
    std::uint32_t value = 0;
    for (char c : text) {
        value = value * 10u + static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
    }
    return value;
}

} // namespace

FontDescription ParseFontDescription(const std::string& text) {
    FontDescription font;
    if (text.empty()) {
        return font;
    }
    std::size_t pos = 0;
    font.name = NextField(text, pos);
    font.size = static_cast<std::int32_t>(Digits(NextField(text, pos)));
    font.colour = Digits(NextField(text, pos));
    const std::string style = text.substr(pos);
    auto on = [&style](std::size_t i) { return i < style.size() && style[i] == '1'; };
    font.bold = on(0);
    font.italic = on(1);
    font.underline = on(2);
    font.strikeOut = on(3);
    return font;
}

} // namespace velkaro
