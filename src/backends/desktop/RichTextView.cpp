#include "backends/desktop/RichTextView.h"

#include "base/FontFamilies.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace velkaro {
namespace {

constexpr double kDotsPerInch = 96;
constexpr int kTwipsPerPixel = 15;
// Word's tab stops: every half inch.
constexpr int kTabPixels = 48;
constexpr std::string_view kDefaultFont = "Arial";
constexpr int kDefaultHalfPoints = 24;
// A line break inside a paragraph: a new line, but not a new paragraph for the first line's
// indent.
constexpr std::string_view kLineSeparator = "\u2028";

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};
using FontMapHandle = std::unique_ptr<PangoFontMap, GObjectUnref>;
using ContextHandle = std::unique_ptr<PangoContext, GObjectUnref>;
using LayoutHandle = std::unique_ptr<PangoLayout, GObjectUnref>;
using FontDescriptionHandle = std::unique_ptr<PangoFontDescription, FontDescriptionFree>;

int Pixels(int twips) {
    return twips / kTwipsPerPixel;
}

FontDescriptionHandle Describe(const TextStyle& style) {
    FontDescriptionHandle description(pango_font_description_new());
    pango_font_description_set_family(
        description.get(), FontFamilyList(style.font.empty() ? kDefaultFont : style.font).c_str());
    pango_font_description_set_size(description.get(), style.halfPoints * PANGO_SCALE / 2);
    pango_font_description_set_weight(description.get(),
                                      style.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description.get(),
                                     style.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

void AddAttribute(PangoAttrList* list, PangoAttribute* attribute, std::size_t start,
                  std::size_t end) {
    attribute->start_index = static_cast<guint>(start);
    attribute->end_index = static_cast<guint>(end);
    pango_attr_list_insert(list, attribute);
}

void AddRunAttributes(PangoAttrList* list, const TextStyle& style, std::size_t start,
                      std::size_t end) {
    AddAttribute(list, pango_attr_font_desc_new(Describe(style).get()), start, end);
    if (style.underline) {
        AddAttribute(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), start, end);
    }
    if (style.strikeOut) {
        AddAttribute(list, pango_attr_strikethrough_new(TRUE), start, end);
    }
    const auto channel = [&](int shift) {
        return static_cast<guint16>((style.colour >> shift & 0xFFu) * 0x101u);
    };
    AddAttribute(list, pango_attr_foreground_new(channel(0), channel(8), channel(16)), start, end);
}

PangoAlignment PangoAlignmentOf(Alignment alignment) {
    switch (alignment) {
    case Alignment::Centre:
        return PANGO_ALIGN_CENTER;
    case Alignment::Right:
        return PANGO_ALIGN_RIGHT;
    default:
        return PANGO_ALIGN_LEFT;
    }
}

} // namespace

struct RichTextView::Pango {
    struct Paragraph {
        LayoutHandle layout;
        const TextParagraph* format;
        // Where the layout's box stands once laid out.
        int x = 0;
        int top = 0;
        int height = 0;
    };

    FontMapHandle fontMap{pango_cairo_font_map_new()};
    ContextHandle context{pango_font_map_create_context(fontMap.get())};
    RichDocument document;
    std::vector<Paragraph> paragraphs;

    LayoutHandle MakeLayout(const TextParagraph& paragraph) const;
};

LayoutHandle RichTextView::Pango::MakeLayout(const TextParagraph& paragraph) const {
    LayoutHandle layout(pango_layout_new(context.get()));
    pango_layout_set_auto_dir(layout.get(), FALSE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), PangoAlignmentOf(paragraph.alignment));
    pango_layout_set_justify(layout.get(), paragraph.alignment == Alignment::Justified);
    // The paragraph's own style where it has no text: an empty line keeps its height.
    pango_layout_set_font_description(layout.get(), Describe(paragraph.endStyle).get());

    PangoTabArray* tabs = pango_tab_array_new_with_positions(2, TRUE, PANGO_TAB_LEFT, kTabPixels,
                                                             PANGO_TAB_LEFT, 2 * kTabPixels);
    pango_layout_set_tabs(layout.get(), tabs);
    pango_tab_array_free(tabs);

    std::string text;
    PangoAttrList* attributes = pango_attr_list_new();
    for (const TextRun& run : paragraph.runs) {
        const std::size_t start = text.size();
        for (const char c : run.text) {
            if (c == '\n') {
                text += kLineSeparator;
            } else {
                text += c;
            }
        }
        AddRunAttributes(attributes, run.style, start, text.size());
    }
    pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
    return layout;
}

RichTextView::RichTextView(const RichDocument& document, int margin)
    : pango_(std::make_unique<Pango>()), margin_(std::max(margin, 0)) {
    PangoContext* context = pango_->context.get();
    pango_cairo_context_set_resolution(context, kDotsPerInch);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_language(context, pango_language_from_string("en"));
    pango_context_set_base_dir(context, PANGO_DIRECTION_LTR);

    // The layouts point into the view's own copy of the paragraphs.
    pango_->document = document;
    for (const TextParagraph& paragraph : pango_->document.paragraphs) {
        pango_->paragraphs.push_back({pango_->MakeLayout(paragraph), &paragraph});
    }

    TextParagraph sample;
    sample.endStyle.halfPoints = kDefaultHalfPoints;
    const LayoutHandle line = pango_->MakeLayout(sample);
    int ignored = 0;
    pango_layout_get_pixel_size(line.get(), &ignored, &lineStep_);
    lineStep_ = std::max(lineStep_, 1);
}

RichTextView::~RichTextView() = default;

int RichTextView::Layout(int width) {
    width_ = std::max(width, 0);
    const int inside = std::max(width_ - 2 * margin_, 1);
    int y = margin_;
    for (Pango::Paragraph& paragraph : pango_->paragraphs) {
        const TextParagraph& format = *paragraph.format;
        const int first = Pixels(format.firstIndent);
        // A hanging first line starts left of the others: the box starts there.
        const int left = std::clamp(Pixels(format.leftIndent) + std::min(first, 0), 0, inside - 1);
        const int right = std::clamp(Pixels(format.rightIndent), 0, inside - left - 1);
        const int boxWidth = inside - left - right;
        PangoLayout* layout = paragraph.layout.get();
        pango_layout_set_width(layout, boxWidth * PANGO_SCALE);
        pango_layout_set_indent(layout, std::clamp(first, -boxWidth, boxWidth) * PANGO_SCALE);

        y += Pixels(format.spaceBefore);
        int ignored = 0;
        pango_layout_get_pixel_size(layout, &ignored, &paragraph.height);
        paragraph.x = margin_ + left;
        paragraph.top = y;
        y += paragraph.height + Pixels(format.spaceAfter);
    }
    height_ = y + margin_;
    return height_;
}

void RichTextView::Draw(Bitmap& target, const BoxArea& area, int scrollTop,
                        Colour background) const {
    const int left = std::max(area.x, 0);
    const int top = std::max(area.y, 0);
    const int right = std::min(area.x + area.width, target.Width());
    const int bottom = std::min(area.y + area.height, target.Height());
    if (left >= right || top >= bottom) {
        return;
    }
    const Pixel fill = PixelFromColour(background);
    for (int y = top; y < bottom; ++y) {
        std::fill(target.Row(y) + left, target.Row(y) + right, fill);
    }

    // Cairo draws straight into the bitmap: its rows are exactly width * 4 bytes.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(target.Row(0)), CAIRO_FORMAT_ARGB32, target.Width(),
        target.Height(), target.Width() * static_cast<int>(sizeof(Pixel)));
    cairo_t* cairo = cairo_create(surface);
    cairo_rectangle(cairo, left, top, right - left, bottom - top);
    cairo_clip(cairo);
    for (const Pango::Paragraph& paragraph : pango_->paragraphs) {
        const int y = area.y + paragraph.top - scrollTop;
        if (y + paragraph.height <= top || y >= bottom) {
            continue;
        }
        cairo_move_to(cairo, area.x + paragraph.x, y);
        pango_cairo_show_layout(cairo, paragraph.layout.get());
    }
    cairo_destroy(cairo);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

} // namespace velkaro
