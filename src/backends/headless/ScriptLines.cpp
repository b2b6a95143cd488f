#include "backends/headless/ScriptLines.h"

#include "backends/headless/InputFileError.h"
#include "base/AnsiText.h"

#include <string_view>

namespace velkaro {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool SaysNothing(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos || text[first] == '#';
}

} // namespace

std::vector<ScriptLine> ReadScriptLines(std::istream& in) {
    std::vector<ScriptLine> lines;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (number == 1 && text.starts_with(kByteOrderMark)) {
            text.erase(0, kByteOrderMark.size());
        }
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        // Checked before anything else looks at it, so that what a message quotes from the
        // line is text.
        if (!IsUtf8(text)) {
            throw InputFileError(number, "holds bytes that are not UTF-8");
        }
        if (!SaysNothing(text)) {
            lines.push_back(ScriptLine{number, std::move(text)});
        }
    }
    return lines;
}

} // namespace velkaro
