#include "codecs/EmfCairoPlayer.h"

#include "base/AnsiText.h"
#include "codecs/BmpCodec.h"
#include "codecs/GdiCairo.h"
#include "codecs/PictureError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <variant>
#include <vector>

namespace velkaro {
namespace {

// Record types, as the format numbers them.
enum Emr : std::uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExt = 9,
    kSetWindowOrg = 10,
    kSetViewportExt = 11,
    kSetViewportOrg = 12,
    kEof = 14,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kMoveTo = 27,
    kIntersectClipRect = 30,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrush = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kLineTo = 54,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kStretchDiBits = 81,
    kCreateFont = 82,
    kTextOutA = 83,
    kTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kExtCreatePen = 95,
};

constexpr std::uint32_t kStockObject = 0x80000000u;
constexpr int kOpaque = 2;
constexpr int kWinding = 2;
constexpr int kBrushNull = 1;
constexpr int kBrushHatched = 2;
constexpr int kTextCentre = 6;
constexpr int kTextRight = 2;
constexpr int kTextBaseline = 24;
constexpr int kTextBottom = 8;
// Saved states a file may stack; real files nest a few.
constexpr std::size_t kMaxSavedStates = 1024;

// One record's bytes; reading past its end gives 0, so that a record too short for what it
// says draws nothing sensible rather than reading another's bytes.
class Record {
public:
    explicit Record(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }
    bool Has(std::size_t at, std::size_t length) const {
        return at <= bytes_.size() && length <= bytes_.size() - at;
    }
    std::uint32_t U32(std::size_t at) const {
        if (!Has(at, 4)) {
            return 0;
        }
        return std::uint32_t{bytes_[at]} | std::uint32_t{bytes_[at + 1]} << 8 |
               std::uint32_t{bytes_[at + 2]} << 16 | std::uint32_t{bytes_[at + 3]} << 24;
    }
    double S32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    double S16(std::size_t at) const {
        return Has(at, 2) ? static_cast<std::int16_t>(bytes_[at] | bytes_[at + 1] << 8) : 0;
    }
    double F32(std::size_t at) const {
        const std::uint32_t bits = U32(at);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return std::isfinite(value) ? value : 0;
    }
    std::span<const std::uint8_t> Bytes(std::size_t at, std::size_t length) const {
        return Has(at, length) ? bytes_.subspan(at, length) : std::span<const std::uint8_t>{};
    }

private:
    std::span<const std::uint8_t> bytes_;
};

struct Pen {
    int style = 0;
    double width = 0;
    GdiColour colour;
};

struct Brush {
    int style = 0;
    int hatch = 0;
    GdiColour colour;
};

struct Font {
    double height = 12;
    int weight = 400;
    bool italic = false;
    double escapement = 0;
    std::string face = "sans-serif";
};

using Object = std::variant<Pen, Brush, Font>;

struct Mapping {
    int mode = 1;
    double windowX = 0;
    double windowY = 0;
    double windowWidth = 1;
    double windowHeight = 1;
    double viewportX = 0;
    double viewportY = 0;
    double viewportWidth = 1;
    double viewportHeight = 1;
};

struct State {
    Pen pen;
    Brush brush{0, 0, {1, 1, 1}};
    Font font;
    GdiColour text;
    GdiColour background{1, 1, 1};
    bool opaque = true;
    bool winding = false;
    int textAlign = 0;
    Mapping mapping;
    cairo_matrix_t world{1, 0, 0, 1, 0, 0};
    double x = 0;
    double y = 0;
};

class Player {
public:
    Player(cairo_t* cairo, const EmfView& view) : cairo_(cairo), view_(view) {}

    void Play(const Record& record, std::uint32_t type);

private:
    // Sets Cairo's matrix to the file's logical units; false when they map to nothing.
    bool UseLogicalUnits();
    bool UseBrush();
    bool UsePen();
    void FillAndStroke();
    void Stroke();
    void Points(const Record& record, std::size_t at, std::size_t count, bool small, bool bezier,
                bool fromCurrent);
    void Shape(const Record& record, std::uint32_t type);
    void Text(const Record& record, bool wide);
    void Bitmap(const Record& record, std::uint32_t type);
    void Select(std::uint32_t handle);
    void StockObject(std::uint32_t index);

    cairo_t* cairo_;
    EmfView view_;
    State state_;
    std::vector<State> saved_;
    std::map<std::uint32_t, Object> objects_;
    bool inPath_ = false;
};

bool Player::UseLogicalUnits() {
    const Mapping& m = state_.mapping;
    // Device pixels a logical unit.
    double kx = 1;
    double ky = 1;
    const auto metric = [&](double millimetres) {
        kx = millimetres / view_.millimetresX;
        ky = -millimetres / view_.millimetresY;
    };
    switch (m.mode) {
    case 2: // 0.1 mm
        metric(0.1);
        break;
    case 3: // 0.01 mm
        metric(0.01);
        break;
    case 4: // 0.01 inch
        metric(0.254);
        break;
    case 5: // 0.001 inch
        metric(0.0254);
        break;
    case 6: // twips
        metric(25.4 / 1440);
        break;
    case 7:   // isotropic
    case 8: { // anisotropic
        if (m.windowWidth == 0 || m.windowHeight == 0) {
            return false;
        }
        kx = m.viewportWidth / m.windowWidth;
        ky = m.viewportHeight / m.windowHeight;
        if (m.mode == 7) {
            const double k = std::min(std::abs(kx), std::abs(ky));
            kx = std::copysign(k, kx);
            ky = std::copysign(k, ky);
        }
        break;
    }
    default: // a pixel a unit
        break;
    }
    // Logical units to page, page to device, device to picture.
    cairo_matrix_t device{kx, 0, 0, ky, m.viewportX - m.windowX * kx, m.viewportY - m.windowY * ky};
    cairo_matrix_t picture{
        view_.scaleX, 0, 0, view_.scaleY, -view_.left * view_.scaleX, -view_.top * view_.scaleY};
    cairo_matrix_t matrix;
    cairo_matrix_multiply(&matrix, &state_.world, &device);
    cairo_matrix_multiply(&matrix, &matrix, &picture);
    cairo_matrix_t inverse = matrix;
    if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS ||
        !std::isfinite(matrix.xx + matrix.xy + matrix.yx + matrix.yy + matrix.x0 + matrix.y0)) {
        return false;
    }
    cairo_set_matrix(cairo_, &matrix);
    return true;
}

bool Player::UseBrush() {
    const Brush& brush = state_.brush;
    if (brush.style == kBrushNull) {
        return false;
    }
    cairo_set_fill_rule(cairo_,
                        state_.winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    if (brush.style == kBrushHatched) {
        const CairoPattern pattern =
            HatchPattern(brush.hatch, brush.colour,
                         state_.opaque ? std::optional(state_.background) : std::nullopt);
        // The hatch is in picture pixels, whatever the logical units.
        cairo_matrix_t scale;
        cairo_get_matrix(cairo_, &scale);
        cairo_pattern_set_matrix(pattern.get(), &scale);
        cairo_set_source(cairo_, pattern.get());
        return true;
    }
    SetSource(cairo_, brush.colour);
    return true;
}

bool Player::UsePen() {
    const Pen& pen = state_.pen;
    if ((pen.style & 0x0F) == kNullPenStyle) {
        return false;
    }
    SetSource(cairo_, pen.colour);
    // A pen of no width is a pixel of the picture wide.
    double x = 1;
    double y = 1;
    cairo_device_to_user_distance(cairo_, &x, &y);
    const double pixel = std::max(std::abs(x), std::abs(y));
    SetPenLine(cairo_, pen.style, std::max(pen.width, pixel));
    return true;
}

void Player::FillAndStroke() {
    if (inPath_) {
        return;
    }
    if (UseBrush()) {
        cairo_fill_preserve(cairo_);
    }
    if (UsePen()) {
        cairo_stroke_preserve(cairo_);
    }
    cairo_new_path(cairo_);
}

void Player::Stroke() {
    if (inPath_) {
        return;
    }
    if (UsePen()) {
        cairo_stroke_preserve(cairo_);
    }
    cairo_new_path(cairo_);
}

// `count` points at `at`: 32-bit, or 16-bit when `small`. Lines between them, or Bézier curves;
// from the current position when `fromCurrent`, which moves to the last point.
void Player::Points(const Record& record, std::size_t at, std::size_t count, bool small,
                    bool bezier, bool fromCurrent) {
    const std::size_t step = small ? 4 : 8;
    if (count == 0 || !record.Has(at, count * step)) {
        return;
    }
    const auto point = [&](std::size_t i) {
        const std::size_t p = at + i * step;
        return small ? std::pair(record.S16(p), record.S16(p + 2))
                     : std::pair(record.S32(p), record.S32(p + 4));
    };
    std::size_t i = 0;
    if (fromCurrent) {
        if (!inPath_ || !cairo_has_current_point(cairo_)) {
            cairo_move_to(cairo_, state_.x, state_.y);
        }
    } else {
        const auto [x, y] = point(0);
        cairo_move_to(cairo_, x, y);
        i = 1;
    }
    if (bezier) {
        for (; i + 3 <= count; i += 3) {
            const auto [x1, y1] = point(i);
            const auto [x2, y2] = point(i + 1);
            const auto [x3, y3] = point(i + 2);
            cairo_curve_to(cairo_, x1, y1, x2, y2, x3, y3);
        }
    } else {
        for (; i < count; ++i) {
            const auto [x, y] = point(i);
            cairo_line_to(cairo_, x, y);
        }
    }
    const auto [lastX, lastY] = point(count - 1);
    if (fromCurrent) {
        state_.x = lastX;
        state_.y = lastY;
    }
}

void Player::Shape(const Record& record, std::uint32_t type) {
    const double left = record.S32(8);
    const double top = record.S32(12);
    const double right = record.S32(16);
    const double bottom = record.S32(20);
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    const double rx = std::abs(right - left) / 2;
    const double ry = std::abs(bottom - top) / 2;
    if (type == kRectangle) {
        cairo_rectangle(cairo_, left, top, right - left, bottom - top);
        FillAndStroke();
        return;
    }
    if (rx <= 0 || ry <= 0) {
        return;
    }
    cairo_save(cairo_);
    cairo_translate(cairo_, cx, cy);
    if (type == kRoundRect) {
        // Quarters of an ellipse of the given axes at the corners.
        const double ex = std::min(std::abs(record.S32(24)) / 2, rx);
        const double ey = std::min(std::abs(record.S32(28)) / 2, ry);
        cairo_new_sub_path(cairo_);
        const auto corner = [&](double x, double y, double from) {
            cairo_save(cairo_);
            cairo_translate(cairo_, x, y);
            cairo_scale(cairo_, std::max(ex, 1e-9), std::max(ey, 1e-9));
            cairo_arc(cairo_, 0, 0, 1, from, from + std::numbers::pi / 2);
            cairo_restore(cairo_);
        };
        corner(rx - ex, -ry + ey, -std::numbers::pi / 2);
        corner(rx - ex, ry - ey, 0);
        corner(-rx + ex, ry - ey, std::numbers::pi / 2);
        corner(-rx + ex, -ry + ey, std::numbers::pi);
        cairo_close_path(cairo_);
        cairo_restore(cairo_);
        FillAndStroke();
        return;
    }
    cairo_scale(cairo_, rx, ry);
    if (type == kEllipse) {
        cairo_new_sub_path(cairo_);
        cairo_arc(cairo_, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_close_path(cairo_);
        cairo_restore(cairo_);
        FillAndStroke();
        return;
    }
    // Arcs run counter-clockwise in logical units, from the ray through the start point to
    // the ray through the end point.
    const double from = std::atan2((record.S32(28) - cy) / ry, (record.S32(24) - cx) / rx);
    const double to = std::atan2((record.S32(36) - cy) / ry, (record.S32(32) - cx) / rx);
    if (type == kPie) {
        cairo_move_to(cairo_, 0, 0);
    } else {
        cairo_new_sub_path(cairo_);
    }
    cairo_arc_negative(cairo_, 0, 0, 1, from, to);
    if (type != kArc) {
        cairo_close_path(cairo_);
    }
    cairo_restore(cairo_);
    if (type == kArc) {
        Stroke();
    } else {
        FillAndStroke();
    }
}

void Player::Text(const Record& record, bool wide) {
    const std::size_t count = record.U32(44);
    const std::size_t offset = record.U32(48);
    const auto bytes = record.Bytes(offset, count * (wide ? 2 : 1));
    if (bytes.empty() || count > 4096) {
        return;
    }
    std::string text;
    if (wide) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const std::uint32_t c = bytes[i] | bytes[i + 1] << 8;
            // Characters of the basic plane; halves of pairs are left out.
            if (c >= 0xD800 && c < 0xE000) {
                continue;
            }
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else if (c < 0x800) {
                text += static_cast<char>(0xC0 | c >> 6);
                text += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | c >> 12);
                text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
                text += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    } else {
        text = AnsiToUtf8(std::string(bytes.begin(), bytes.end()));
    }
    // The reference point and the font's height in picture pixels; the text is drawn upright
    // there whatever way the logical units run.
    double x = record.S32(36);
    double y = record.S32(40);
    double heightX = 0;
    double height = state_.font.height;
    cairo_user_to_device(cairo_, &x, &y);
    cairo_user_to_device_distance(cairo_, &heightX, &height);
    height = std::abs(height);
    if (!(height > 0.5) || height > 4096 || !std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    cairo_save(cairo_);
    cairo_identity_matrix(cairo_);
    cairo_select_font_face(cairo_, state_.font.face.c_str(),
                           state_.font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           state_.font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD
                                                     : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo_, height);
    cairo_translate(cairo_, x, y);
    // The escapement turns the line counter-clockwise, in tenths of a degree.
    cairo_rotate(cairo_, -state_.font.escapement / 10 * std::numbers::pi / 180);
    cairo_text_extents_t extents;
    cairo_text_extents(cairo_, text.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(cairo_, &font);
    const int horizontal = state_.textAlign & 6;
    const int vertical = state_.textAlign & kTextBaseline;
    const double dx = horizontal == kTextCentre  ? -extents.x_advance / 2
                      : horizontal == kTextRight ? -extents.x_advance
                                                 : 0;
    const double dy = vertical == kTextBaseline ? 0
                      : vertical == kTextBottom ? -font.descent
                                                : font.ascent;
    SetSource(cairo_, state_.text);
    cairo_move_to(cairo_, dx, dy);
    cairo_show_text(cairo_, text.c_str());
    cairo_restore(cairo_);
}

void Player::Bitmap(const Record& record, std::uint32_t type) {
    // Where the fields stand: destination, source, then the bitmap.
    double destX = record.S32(24);
    double destY = record.S32(28);
    double destW = record.S32(32);
    double destH = record.S32(36);
    double srcX = 0;
    double srcY = 0;
    double srcW = destW;
    double srcH = destH;
    std::size_t fields = 84;
    if (type == kStretchDiBits) {
        srcX = record.S32(32);
        srcY = record.S32(36);
        srcW = record.S32(40);
        srcH = record.S32(44);
        destW = record.S32(72);
        destH = record.S32(76);
        fields = 48;
    } else {
        srcX = record.S32(44);
        srcY = record.S32(48);
        if (type == kStretchBlt) {
            srcW = record.S32(100);
            srcH = record.S32(104);
        }
    }
    const std::size_t info = record.U32(fields);
    const std::size_t infoSize = record.U32(fields + 4);
    const std::size_t bits = record.U32(fields + 8);
    const std::size_t bitsSize = record.U32(fields + 12);
    if (infoSize == 0) {
        // A blit without a bitmap paints the brush (or black or white) over the destination.
        if (type == kBitBlt && UseBrush()) {
            cairo_rectangle(cairo_, destX, destY, destW, destH);
            cairo_fill(cairo_);
        }
        return;
    }
    const auto header = record.Bytes(info, infoSize);
    const auto pixels = record.Bytes(bits, bitsSize);
    if (header.empty() || srcW == 0 || srcH == 0) {
        return;
    }
    // A BMP file of the record's bitmap: the file header, then the record's header and
    // colours, then its rows.
    std::vector<std::uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    velkaro::Bitmap picture;
    try {
        picture = DecodeBmp(file, BmpRows::AfterColourTable);
    } catch (const PictureError&) {
        return;
    }
    const int stride = picture.Width() * static_cast<int>(sizeof(Pixel));
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(picture.Row(0)), CAIRO_FORMAT_RGB24, picture.Width(),
        picture.Height(), stride);
    cairo_save(cairo_);
    cairo_translate(cairo_, destX, destY);
    cairo_scale(cairo_, destW / srcW, destH / srcH);
    cairo_set_source_surface(cairo_, surface, -srcX, -srcY);
    cairo_rectangle(cairo_, 0, 0, srcW, srcH);
    cairo_fill(cairo_);
    cairo_restore(cairo_);
    cairo_surface_destroy(surface);
}

void Player::StockObject(std::uint32_t index) {
    switch (index) {
    case 0: // white, light grey, grey, dark grey, black brushes
    case 1:
    case 2:
    case 3:
    case 4: {
        const double grey = std::array<double, 5>{1, 0.75, 0.5, 0.25, 0}[index];
        state_.brush = Brush{0, 0, {grey, grey, grey}};
        break;
    }
    case 5:
        state_.brush = Brush{kBrushNull, 0, {}};
        break;
    case 6:
        state_.pen = Pen{0, 0, {1, 1, 1}};
        break;
    case 7:
        state_.pen = Pen{0, 0, {0, 0, 0}};
        break;
    case 8:
        state_.pen = Pen{kNullPenStyle, 0, {}};
        break;
    default:
        if (index >= 10 && index <= 17) {
            state_.font = Font{};
        }
        break;
    }
}

void Player::Select(std::uint32_t handle) {
    if (handle & kStockObject) {
        StockObject(handle & ~kStockObject);
        return;
    }
    const auto found = objects_.find(handle);
    if (found == objects_.end()) {
        return;
    }
    if (const auto* pen = std::get_if<Pen>(&found->second)) {
        state_.pen = *pen;
    } else if (const auto* brush = std::get_if<Brush>(&found->second)) {
        state_.brush = *brush;
    } else if (const auto* font = std::get_if<Font>(&found->second)) {
        state_.font = *font;
    }
}

void Player::Play(const Record& record, std::uint32_t type) {
    const bool drawn = UseLogicalUnits();
    Mapping& mapping = state_.mapping;
    switch (type) {
    case kSetWindowExt:
        mapping.windowWidth = record.S32(8);
        mapping.windowHeight = record.S32(12);
        return;
    case kSetWindowOrg:
        mapping.windowX = record.S32(8);
        mapping.windowY = record.S32(12);
        return;
    case kSetViewportExt:
        mapping.viewportWidth = record.S32(8);
        mapping.viewportHeight = record.S32(12);
        return;
    case kSetViewportOrg:
        mapping.viewportX = record.S32(8);
        mapping.viewportY = record.S32(12);
        return;
    case kSetMapMode:
        mapping.mode = static_cast<int>(record.U32(8));
        return;
    case kSetBkMode:
        state_.opaque = record.U32(8) == kOpaque;
        return;
    case kSetPolyFillMode:
        state_.winding = record.U32(8) == kWinding;
        return;
    case kSetTextAlign:
        state_.textAlign = static_cast<int>(record.U32(8));
        return;
    case kSetTextColor:
        state_.text = ColourOfRef(record.U32(8));
        return;
    case kSetBkColor:
        state_.background = ColourOfRef(record.U32(8));
        return;
    case kSaveDc:
        if (saved_.size() < kMaxSavedStates) {
            saved_.push_back(state_);
            cairo_save(cairo_);
        }
        return;
    case kRestoreDc: {
        // -n: the state saved n saves ago.
        const auto back = static_cast<std::int32_t>(record.U32(8));
        if (back >= 0 ||
            static_cast<std::size_t>(-static_cast<std::int64_t>(back)) > saved_.size()) {
            return;
        }
        for (std::int32_t i = 0; i < -back; ++i) {
            state_ = saved_.back();
            saved_.pop_back();
            cairo_restore(cairo_);
        }
        return;
    }
    case kSetWorldTransform:
    case kModifyWorldTransform: {
        cairo_matrix_t given{record.F32(8),  record.F32(12), record.F32(16),
                             record.F32(20), record.F32(24), record.F32(28)};
        const std::uint32_t how = type == kSetWorldTransform ? 4 : record.U32(32);
        if (how == 1) {
            cairo_matrix_init_identity(&state_.world);
        } else if (how == 2) {
            cairo_matrix_multiply(&state_.world, &given, &state_.world);
        } else if (how == 3) {
            cairo_matrix_multiply(&state_.world, &state_.world, &given);
        } else if (how == 4) {
            state_.world = given;
        }
        return;
    }
    case kSelectObject:
        Select(record.U32(8));
        return;
    case kCreatePen:
        objects_[record.U32(8)] =
            Pen{static_cast<int>(record.U32(12)), record.S32(16), ColourOfRef(record.U32(24))};
        return;
    case kExtCreatePen:
        objects_[record.U32(8)] =
            Pen{static_cast<int>(record.U32(28)), record.S32(32), ColourOfRef(record.U32(40))};
        return;
    case kCreateBrush:
        objects_[record.U32(8)] =
            Brush{static_cast<int>(record.U32(12)), static_cast<int>(record.U32(20)),
                  ColourOfRef(record.U32(16))};
        return;
    case kCreateFont: {
        Font font;
        font.height = std::abs(record.S32(12));
        font.escapement = record.S32(20);
        font.weight = static_cast<int>(record.S32(28));
        font.italic = record.Has(32, 1) && record.Bytes(32, 1)[0] != 0;
        std::string face;
        for (std::size_t at = 40; at + 1 < 104 && record.Has(at, 2); at += 2) {
            const std::uint32_t c = record.U32(at) & 0xFFFF;
            if (c == 0) {
                break;
            }
            face += c < 0x80 ? static_cast<char>(c) : '?';
        }
        if (!face.empty()) {
            font.face = face;
        }
        if (font.height == 0) {
            font.height = 12;
        }
        objects_[record.U32(8)] = font;
        return;
    }
    case kDeleteObject:
        objects_.erase(record.U32(8));
        return;
    case kMoveTo:
        state_.x = record.S32(8);
        state_.y = record.S32(12);
        if (inPath_) {
            cairo_move_to(cairo_, state_.x, state_.y);
        }
        return;
    case kBeginPath:
        inPath_ = true;
        cairo_new_path(cairo_);
        return;
    case kEndPath:
        inPath_ = false;
        return;
    case kAbortPath:
        inPath_ = false;
        cairo_new_path(cairo_);
        return;
    case kCloseFigure:
        cairo_close_path(cairo_);
        return;
    default:
        break;
    }
    if (!drawn) {
        // Logical units that map to nothing: the records that draw with them are left out.
        return;
    }
    switch (type) {
    case kLineTo:
        if (!inPath_) {
            cairo_move_to(cairo_, state_.x, state_.y);
        }
        state_.x = record.S32(8);
        state_.y = record.S32(12);
        cairo_line_to(cairo_, state_.x, state_.y);
        Stroke();
        return;
    case kPolygon:
    case kPolyline:
    case kPolyBezier:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezier16: {
        const bool small = type >= kPolyBezier16;
        const bool closed = type == kPolygon || type == kPolygon16;
        Points(record, 28, record.U32(24), small, type == kPolyBezier || type == kPolyBezier16,
               false);
        if (closed) {
            cairo_close_path(cairo_);
            FillAndStroke();
        } else {
            Stroke();
        }
        return;
    }
    case kPolylineTo:
    case kPolyBezierTo:
    case kPolylineTo16:
    case kPolyBezierTo16:
        Points(record, 28, record.U32(24), type >= kPolyBezier16,
               type == kPolyBezierTo || type == kPolyBezierTo16, true);
        Stroke();
        return;
    case kPolyPolygon:
    case kPolyPolyline:
    case kPolyPolygon16:
    case kPolyPolyline16: {
        const bool small = type >= kPolyBezier16;
        const std::size_t polygons = record.U32(24);
        if (!record.Has(32, polygons * 4)) {
            return;
        }
        std::size_t at = 32 + polygons * 4;
        for (std::size_t i = 0; i < polygons; ++i) {
            const std::size_t count = record.U32(32 + i * 4);
            if (!record.Has(at, count * (small ? 4 : 8))) {
                break;
            }
            Points(record, at, count, small, false, false);
            if (type == kPolyPolygon || type == kPolyPolygon16) {
                cairo_close_path(cairo_);
            }
            at += count * (small ? 4 : 8);
        }
        if (type == kPolyPolygon || type == kPolyPolygon16) {
            FillAndStroke();
        } else {
            Stroke();
        }
        return;
    }
    case kRectangle:
    case kEllipse:
    case kRoundRect:
    case kArc:
    case kChord:
    case kPie:
        Shape(record, type);
        return;
    case kFillPath:
    case kStrokePath:
    case kStrokeAndFillPath:
        if (type != kStrokePath && UseBrush()) {
            cairo_fill_preserve(cairo_);
        }
        if (type != kFillPath && UsePen()) {
            cairo_stroke_preserve(cairo_);
        }
        cairo_new_path(cairo_);
        return;
    case kSelectClipPath:
        cairo_clip(cairo_);
        return;
    case kIntersectClipRect:
        cairo_rectangle(cairo_, record.S32(8), record.S32(12), record.S32(16) - record.S32(8),
                        record.S32(20) - record.S32(12));
        cairo_clip(cairo_);
        return;
    case kExtSelectClipRgn: {
        // Only a region set anew is followed: none lifts the clip, rectangles in device
        // pixels set it.
        constexpr std::uint32_t kCopy = 5;
        if (record.U32(12) != kCopy) {
            return;
        }
        cairo_reset_clip(cairo_);
        const std::size_t count = record.U32(16 + 8);
        if (record.U32(8) == 0 || count == 0 || !record.Has(48, count * 16)) {
            return;
        }
        cairo_save(cairo_);
        cairo_identity_matrix(cairo_);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = 48 + i * 16;
            cairo_rectangle(cairo_, (record.S32(at) - view_.left) * view_.scaleX,
                            (record.S32(at + 4) - view_.top) * view_.scaleY,
                            (record.S32(at + 8) - record.S32(at)) * view_.scaleX,
                            (record.S32(at + 12) - record.S32(at + 4)) * view_.scaleY);
        }
        cairo_restore(cairo_);
        cairo_clip(cairo_);
        return;
    }
    case kTextOutW:
    case kTextOutA:
        Text(record, type == kTextOutW);
        return;
    case kBitBlt:
    case kStretchBlt:
    case kStretchDiBits:
        Bitmap(record, type);
        return;
    default:
        return;
    }
}

} // namespace

void PlayEmf(std::span<const std::uint8_t> records, cairo_t* cairo, const EmfView& view) {
    Player player(cairo, view);
    std::size_t at = 0;
    while (records.size() - at >= 8) {
        const Record head(records.subspan(at, 8));
        const std::uint32_t type = head.U32(0);
        const std::size_t size = head.U32(4);
        if (size < 8 || size > records.size() - at) {
            break;
        }
        player.Play(Record(records.subspan(at, size)), type);
        if (type == kEof || cairo_status(cairo) != CAIRO_STATUS_SUCCESS) {
            break;
        }
        at += size;
    }
}

} // namespace velkaro
