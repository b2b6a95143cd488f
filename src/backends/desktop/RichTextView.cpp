#include "backends/desktop/RichTextView.h"

#include "base/FontFamilies.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace velkaro {
namespace {

constexpr double kDotsPerInch = 96;
constexpr int kTwipsPerPixel = 15;
constexpr std::string_view kDefaultFont = "Arial";
constexpr int kDefaultHalfPoints = 24;
// A line break inside a paragraph: a new line, but not a new paragraph for the first line's
// indent.
constexpr std::string_view kLineSeparator = "\u2028";
// Default tab stops are set as far as the widest line reaches, and no further than this many.
constexpr int kMaxDefaultTabs = 256;
// A document as tall as this stops growing: its pixel rows still count in an int.
constexpr std::int64_t kMaxHeight = INT_MAX / 4;
// The frame of a picture that could not be decoded.
constexpr Colour kBlankPictureFrame = 0xC0C0C0;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using FontMapHandle = std::unique_ptr<PangoFontMap, GObjectUnref>;
using ContextHandle = std::unique_ptr<PangoContext, GObjectUnref>;
using LayoutHandle = std::unique_ptr<PangoLayout, GObjectUnref>;
using FontDescriptionHandle = std::unique_ptr<PangoFontDescription, FontDescriptionFree>;
using SurfaceHandle = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;

int Pixels(int twips) {
    return twips / kTwipsPerPixel;
}

// Border lines are at least a pixel wide, however thin the document makes them.
int BorderPixels(const BorderLine& line) {
    if (line.width <= 0) {
        return 0;
    }
    const int width = std::max(1, (line.width + kTwipsPerPixel / 2) / kTwipsPerPixel);
    return line.doubled ? 3 * width : width;
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

PangoTabAlign PangoTabAlignOf(TabKind kind) {
    switch (kind) {
    case TabKind::Centre:
        return PANGO_TAB_CENTER;
    case TabKind::Right:
        return PANGO_TAB_RIGHT;
    case TabKind::Decimal:
        return PANGO_TAB_DECIMAL;
    default:
        return PANGO_TAB_LEFT;
    }
}

void SetColour(cairo_t* cairo, Colour colour) {
    cairo_set_source_rgb(cairo, (colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                         (colour >> 16 & 0xFF) / 255.0);
}

void FillBox(cairo_t* cairo, int x, int y, int width, int height, Colour colour) {
    SetColour(cairo, colour);
    cairo_rectangle(cairo, x, y, width, height);
    cairo_fill(cairo);
}

// A picture as the shape renderer draws it: its pixels, or none for a blank box.
struct ShownPicture {
    SurfaceHandle surface;
    int width = 0;
    int height = 0;
};

// Pango calls this where a picture's stand-in character is to be drawn, with the current point
// on the baseline at the picture's left edge.
void DrawPicture(cairo_t* cairo, PangoAttrShape* shape, gboolean doPath, gpointer) {
    const auto* picture = static_cast<const ShownPicture*>(shape->data);
    if (doPath || picture == nullptr) {
        return;
    }
    double x = 0;
    double y = 0;
    cairo_get_current_point(cairo, &x, &y);
    const double width = shape->logical_rect.width / double{PANGO_SCALE};
    const double height = shape->logical_rect.height / double{PANGO_SCALE};
    const double top = y + shape->logical_rect.y / double{PANGO_SCALE};
    cairo_save(cairo);
    if (picture->surface) {
        cairo_translate(cairo, x, top);
        cairo_scale(cairo, width / picture->width, height / picture->height);
        cairo_set_source_surface(cairo, picture->surface.get(), 0, 0);
        // Edge pixels stay whole: beyond the picture the filter sees its own edge again.
        cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cairo), CAIRO_EXTEND_PAD);
        cairo_rectangle(cairo, 0, 0, picture->width, picture->height);
        cairo_fill(cairo);
    } else {
        SetColour(cairo, kBlankPictureFrame);
        cairo_set_line_width(cairo, 1);
        cairo_rectangle(cairo, x + 0.5, top + 0.5, std::max(width - 1, 0.0),
                        std::max(height - 1, 0.0));
        cairo_stroke(cairo);
    }
    cairo_restore(cairo);
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
    struct Cell {
        const TableCell* format;
        // Its paragraphs among `paragraphs`.
        std::size_t first = 0;
        std::size_t count = 0;
        int left = 0;
        int right = 0;
    };
    struct Row {
        std::vector<Cell> cells;
        int top = 0;
        int height = 0;
    };

    FontMapHandle fontMap{pango_cairo_font_map_new()};
    ContextHandle context{pango_font_map_create_context(fontMap.get())};
    RichDocument document;
    std::vector<ShownPicture> pictures;
    // The paragraphs of the document and of its cells, in reading order.
    std::vector<Paragraph> paragraphs;
    std::vector<Row> rows;

    LayoutHandle MakeLayout(const TextParagraph& paragraph) const;
    void SetTabs(PangoLayout* layout, const TextParagraph& format, int indent, int width) const;
    // Lays the paragraph out in a box of `boxWidth` from `boxLeft` at `y`; answers the y
    // below it.
    std::int64_t LayOut(Paragraph& paragraph, int boxLeft, int boxWidth, std::int64_t y) const;
    // Lays out the cells' text of a row at `y`, its cells' edges set; answers the y below the
    // tallest cell.
    std::int64_t LayOut(Row& row, std::int64_t y);
    void DrawRow(cairo_t* cairo, const Row& row, int x, int y) const;
};

LayoutHandle RichTextView::Pango::MakeLayout(const TextParagraph& paragraph) const {
    LayoutHandle layout(pango_layout_new(context.get()));
    pango_layout_set_auto_dir(layout.get(), FALSE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), PangoAlignmentOf(paragraph.alignment));
    pango_layout_set_justify(layout.get(), paragraph.alignment == Alignment::Justified);
    // The paragraph's own style where it has no text: an empty line keeps its height.
    pango_layout_set_font_description(layout.get(), Describe(paragraph.endStyle).get());

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
        if (run.picture >= 0 && static_cast<std::size_t>(run.picture) < pictures.size()) {
            // The picture stands on the baseline, as tall as it is shown.
            const ShownPicture& picture = pictures[static_cast<std::size_t>(run.picture)];
            const RichPicture& shown = document.pictures[static_cast<std::size_t>(run.picture)];
            PangoRectangle box{0, -shown.height * PANGO_SCALE, shown.width * PANGO_SCALE,
                               shown.height * PANGO_SCALE};
            AddAttribute(attributes,
                         pango_attr_shape_new_with_data(
                             &box, &box, const_cast<ShownPicture*>(&picture), nullptr, nullptr),
                         start, text.size());
        }
    }
    pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
    if (paragraph.lineSpacing > 0 && paragraph.lineMultiple) {
        // 240 to a single line: Pango spaces baselines by a factor of the line's height.
        pango_layout_set_line_spacing(layout.get(),
                                      static_cast<float>(paragraph.lineSpacing) / 240.0f);
    } else if (paragraph.lineSpacing != 0 && !paragraph.lineMultiple) {
        // Exactly so high, or at least so high: only a paragraph whose lines are lower
        // than that needs the height given. Measured with a copy of the attributes: Pango
        // takes a list equal to the one it has for no change.
        PangoAttrList* measured = pango_attr_list_copy(attributes);
        pango_layout_set_attributes(layout.get(), measured);
        pango_attr_list_unref(measured);
        PangoRectangle natural{};
        pango_layout_line_get_pixel_extents(pango_layout_get_line_readonly(layout.get(), 0),
                                            nullptr, &natural);
        const int height = Pixels(std::abs(paragraph.lineSpacing));
        if (paragraph.lineSpacing < 0 || height > natural.height) {
            AddAttribute(attributes, pango_attr_line_height_new_absolute(height * PANGO_SCALE), 0,
                         PANGO_ATTR_INDEX_TO_TEXT_END);
        }
    }
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
    return layout;
}

// The paragraph's own stops, then the document's default ones every `defaultTab` as far as the
// line can reach. Stops are measured from the margin, the layout from `indent` right of it.
void RichTextView::Pango::SetTabs(PangoLayout* layout, const TextParagraph& format, int indent,
                                  int width) const {
    std::vector<std::pair<int, TabKind>> stops;
    int last = 0;
    for (const TabStop& stop : format.tabs) {
        const int position = Pixels(stop.position) - indent;
        if (position > 0 && (stops.empty() || position > stops.back().first)) {
            stops.emplace_back(position, stop.kind);
            last = stop.position;
        }
    }
    const int step = std::max(document.defaultTab, 1);
    for (int position = (last / step + 1) * step, count = 0;
         count < kMaxDefaultTabs &&
         (count < 2 || Pixels(position) - indent <= std::max(width, 1) + Pixels(step));
         position += step, ++count) {
        const int pixels = Pixels(position) - indent;
        if (pixels > 0 && (stops.empty() || pixels > stops.back().first)) {
            stops.emplace_back(pixels, TabKind::Left);
        }
    }
    PangoTabArray* tabs = pango_tab_array_new(static_cast<gint>(stops.size()), TRUE);
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const auto index = static_cast<gint>(i);
        pango_tab_array_set_tab(tabs, index, PangoTabAlignOf(stops[i].second), stops[i].first);
        if (stops[i].second == TabKind::Decimal) {
            pango_tab_array_set_decimal_point(tabs, index, '.');
        }
    }
    pango_layout_set_tabs(layout, tabs);
    pango_tab_array_free(tabs);
}

std::int64_t RichTextView::Pango::LayOut(Paragraph& paragraph, int boxLeft, int boxWidth,
                                         std::int64_t y) const {
    const TextParagraph& format = *paragraph.format;
    const int inside = std::max(boxWidth, 1);
    const int first = Pixels(format.firstIndent);
    // A hanging first line starts left of the others: the layout starts there.
    const int left = std::clamp(Pixels(format.leftIndent) + std::min(first, 0), 0, inside - 1);
    const int right = std::clamp(Pixels(format.rightIndent), 0, inside - left - 1);
    const int width = inside - left - right;
    PangoLayout* layout = paragraph.layout.get();
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_indent(layout, std::clamp(first, -width, width) * PANGO_SCALE);
    SetTabs(layout, format, left, width);

    y = std::min(y + Pixels(format.spaceBefore), kMaxHeight);
    int ignored = 0;
    pango_layout_get_pixel_size(layout, &ignored, &paragraph.height);
    paragraph.x = boxLeft + left;
    paragraph.top = static_cast<int>(y);
    return std::min(y + paragraph.height + Pixels(format.spaceAfter), kMaxHeight);
}

// Each cell's text stands inside its borders and padding.
std::int64_t RichTextView::Pango::LayOut(Row& row, std::int64_t y) {
    row.top = static_cast<int>(y);
    std::int64_t bottom = y;
    for (Cell& cell : row.cells) {
        const TableCell& format = *cell.format;
        const int textLeft = cell.left + BorderPixels(format.left) + Pixels(format.paddingLeft);
        const int textRight = cell.right - Pixels(format.paddingRight);
        std::int64_t textY = y + BorderPixels(format.top) + Pixels(format.paddingTop);
        for (std::size_t i = cell.first; i < cell.first + cell.count; ++i) {
            textY = LayOut(paragraphs[i], textLeft, textRight - textLeft, textY);
        }
        bottom = std::max(bottom, textY + Pixels(format.paddingBottom));
    }
    return std::min(bottom, kMaxHeight);
}

void RichTextView::Pango::DrawRow(cairo_t* cairo, const Row& row, int x, int y) const {
    const int top = y + row.top;
    const int bottom = top + row.height;
    for (const Cell& cell : row.cells) {
        if (cell.format->shading) {
            FillBox(cairo, x + cell.left, top, cell.right - cell.left, row.height,
                    *cell.format->shading);
        }
    }
    // Lines of width w stand from an edge on towards the right and down, so that neighbouring
    // cells' lines fall on each other; a double line is two with a gap as wide between.
    const auto line = [&](const BorderLine& border, int left, int lineTop, bool across,
                          int length) {
        const int width = BorderPixels(border);
        if (width == 0) {
            return;
        }
        const int strand = border.doubled ? width / 3 : width;
        for (int offset = 0; offset < width; offset += 2 * strand) {
            if (across) {
                FillBox(cairo, left, lineTop + offset, length, strand, border.colour);
            } else {
                FillBox(cairo, left + offset, lineTop, strand, length, border.colour);
            }
        }
    };
    for (const Cell& cell : row.cells) {
        const TableCell& format = *cell.format;
        const int left = x + cell.left;
        const int right = x + cell.right;
        const int across = right - left + BorderPixels(format.rightBorder);
        const int down = row.height + BorderPixels(format.bottom);
        line(format.top, left, top, true, across);
        line(format.bottom, left, bottom, true, across);
        line(format.left, left, top, false, down);
        line(format.rightBorder, right, top, false, down);
    }
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
    pango_cairo_context_set_shape_renderer(context, DrawPicture, nullptr, nullptr);

    // The layouts and the pictures' surfaces point into the view's own copy of the document.
    pango_->document = document;
    for (RichPicture& picture : pango_->document.pictures) {
        ShownPicture& shown = pango_->pictures.emplace_back();
        if (!picture.bitmap.Empty()) {
            shown.width = picture.bitmap.Width();
            shown.height = picture.bitmap.Height();
            shown.surface.reset(cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(picture.bitmap.Row(0)), CAIRO_FORMAT_ARGB32,
                shown.width, shown.height, shown.width * static_cast<int>(sizeof(Pixel))));
        }
    }
    for (const RichBlock& block : pango_->document.blocks) {
        if (const auto* paragraph = std::get_if<TextParagraph>(&block)) {
            pango_->paragraphs.push_back({pango_->MakeLayout(*paragraph), paragraph});
            continue;
        }
        Pango::Row& row = pango_->rows.emplace_back();
        for (const TableCell& cell : std::get<TableRow>(block).cells) {
            row.cells.push_back({&cell, pango_->paragraphs.size(), cell.paragraphs.size()});
            for (const TextParagraph& paragraph : cell.paragraphs) {
                pango_->paragraphs.push_back({pango_->MakeLayout(paragraph), &paragraph});
            }
        }
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
    std::int64_t y = margin_;
    // The bottom line of a table's last row lies below the row.
    int tableBorder = 0;
    std::size_t paragraph = 0;
    std::size_t row = 0;
    for (const RichBlock& block : pango_->document.blocks) {
        if (std::holds_alternative<TextParagraph>(block)) {
            y += std::exchange(tableBorder, 0);
            y = pango_->LayOut(pango_->paragraphs[paragraph++], margin_, inside, y);
            continue;
        }
        Pango::Row& laidOut = pango_->rows[row++];
        const TableRow& format = std::get<TableRow>(block);
        int left = format.left;
        tableBorder = 0;
        for (Pango::Cell& cell : laidOut.cells) {
            cell.left = margin_ + Pixels(left);
            cell.right = std::max(margin_ + Pixels(cell.format->right), cell.left);
            left = cell.format->right;
            tableBorder = std::max(tableBorder, BorderPixels(cell.format->bottom));
            paragraph += cell.count;
        }
        // As high as its tallest cell, or as the row's own height when that is more; the next
        // row's top line falls on this one's bottom line.
        y = std::min(std::max(pango_->LayOut(laidOut, y), y + Pixels(format.height)), kMaxHeight);
        laidOut.height = static_cast<int>(y - laidOut.top);
    }
    y += tableBorder;
    height_ = static_cast<int>(std::min(y + margin_, kMaxHeight));
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
    // Borders and shading are whole pixels, never blurred.
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);
    const auto rowInSight = [&](const Pango::Row& row) {
        const int y = area.y + row.top - scrollTop;
        return y + row.height + 16 > top && y - 16 < bottom;
    };
    for (const Pango::Row& row : pango_->rows) {
        if (rowInSight(row)) {
            pango_->DrawRow(cairo, row, area.x, area.y - scrollTop);
        }
    }
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_DEFAULT);
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
