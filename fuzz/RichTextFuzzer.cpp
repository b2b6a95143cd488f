// Feeds arbitrary bytes to the rich-text reader. It must never crash or hang, and whatever it
// reads must keep the document's promises: valid UTF-8, no empty runs, neighbouring runs in
// different styles, sizes within bounds.
#include "codecs/RichText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80       ? 1
                                   : lead >> 5 == 6  ? 2
                                   : lead >> 4 == 14 ? 3
                                   : lead >> 3 == 30 ? 4
                                                     : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (static_cast<unsigned char>(text[i + k]) >> 6 != 2) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velkaro;
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    const RichDocument document = ReadRichText(rtf);
    for (const TextParagraph& paragraph : document.paragraphs) {
        for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
            const TextRun& run = paragraph.runs[i];
            if (run.text.empty() || !IsUtf8(run.text) || !IsUtf8(run.style.font) ||
                run.style.halfPoints < 1 || run.style.halfPoints > 3276 ||
                (i > 0 && paragraph.runs[i - 1].style == run.style)) {
                std::abort();
            }
        }
    }
    // Plain text of any bytes reads as well.
    for (const TextParagraph& paragraph : PlainTextDocument(rtf, {}).paragraphs) {
        if (paragraph.runs.size() > 1 ||
            (paragraph.runs.size() == 1 && !IsUtf8(paragraph.runs[0].text))) {
            std::abort();
        }
    }
    return 0;
}
