// Feeds arbitrary bytes to the rich-text reader. It must never crash or hang, and whatever it
// reads must keep the document's promises: valid UTF-8, no empty runs, neighbouring text runs in
// different styles, sizes within bounds, pictures that exist and keep to the picture limits
// (each, and all together), table cells with a paragraph at least.
#include "base/Limits.h"
#include "codecs/RichText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

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

void Check(bool promise) {
    if (!promise) {
        std::abort();
    }
}

void CheckParagraph(const velkaro::TextParagraph& paragraph, std::size_t pictures) {
    for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
        const velkaro::TextRun& run = paragraph.runs[i];
        Check(!run.text.empty() && IsUtf8(run.text) && IsUtf8(run.style.font) &&
              run.style.halfPoints >= 1 && run.style.halfPoints <= 3276);
        Check(run.picture < static_cast<int>(pictures));
        const bool text = run.picture < 0 && (i == 0 || paragraph.runs[i - 1].picture < 0);
        Check(!text || i == 0 || paragraph.runs[i - 1].style != run.style);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velkaro;
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    const RichDocument document = ReadRichText(rtf);
    const std::size_t pictures = document.pictures.size();
    for (const RichBlock& block : document.blocks) {
        if (const auto* paragraph = std::get_if<TextParagraph>(&block)) {
            CheckParagraph(*paragraph, pictures);
            continue;
        }
        for (const TableCell& cell : std::get<TableRow>(block).cells) {
            Check(!cell.paragraphs.empty());
            for (const TextParagraph& paragraph : cell.paragraphs) {
                CheckParagraph(paragraph, pictures);
            }
        }
    }
    std::int64_t pixels = 0;
    for (const RichPicture& picture : document.pictures) {
        Check(picture.width >= 1 && picture.width <= limits::kPictureSide);
        Check(picture.height >= 1 && picture.height <= limits::kPictureSide);
        pixels += std::int64_t{picture.bitmap.Width()} * picture.bitmap.Height();
    }
    Check(pixels <= limits::kPicturePixels);
    // Plain text of any bytes reads as well.
    for (const RichBlock& block : PlainTextDocument(rtf, {}).blocks) {
        const TextParagraph& paragraph = std::get<TextParagraph>(block);
        Check(paragraph.runs.size() <= 1 &&
              (paragraph.runs.size() == 0 || IsUtf8(paragraph.runs[0].text)));
    }
    return 0;
}
