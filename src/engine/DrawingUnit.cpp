#include "engine/DrawingUnit.h"

#include "codecs/PictureError.h"
#include "data/GameLoader.h"
#include "engine/ScreenMode.h"
#include "world/CollisionUnit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace velkaro {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kGrey = 0x808080;
constexpr int kRoundRectCorner = 10;

// Backgrounds are kept at 16 bits a pixel (5 bits red, 6 green, 5 blue), as the display of
// the time held them; each channel is widened again by repeating its top bits.
void ReduceTo16BitColour(Bitmap& picture) {
    for (int y = 0; y < picture.Height(); ++y) {
        Pixel* row = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const Pixel p = row[x];
            const std::uint32_t r = p >> 16 & 0xF8u;
            const std::uint32_t g = p >> 8 & 0xFCu;
            const std::uint32_t b = p & 0xF8u;
            row[x] = 0xFF000000u | (r | r >> 5) << 16 | (g | g >> 6) << 8 | (b | b >> 5);
        }
    }
}

// A sub-image ready to draw: its own transparent colour replaced by the sprite's, so that
// drawing leaves out that one colour. Parts a smaller sub-image does not cover are left out.
Bitmap PrepareFrame(const CImage& image, const Bitmap& frame) {
    const Colour transparent = image.TransparentColour();
    Bitmap prepared(image.width, image.height, PixelFromColour(transparent));
    const Colour own = BottomLeftColour(frame);
    const int width = std::min(image.width, frame.Width());
    const int height = std::min(image.height, frame.Height());
    for (int y = 0; y < height; ++y) {
        const Pixel* source = frame.Row(y);
        Pixel* target = prepared.Row(y);
        for (int x = 0; x < width; ++x) {
            if (ColourFromPixel(source[x]) != own) {
                target[x] = source[x];
            }
        }
    }
    return prepared;
}

// Sizes are multiplied in 64 bits. The loader holds rooms and views to the surface limits
// (base/Limits.h), so what is drawn into always fits an int.
std::int64_t RoomWidth(const GameState& game) {
    return std::int64_t{game.cellsize} * game.room_columns;
}

std::int64_t RoomHeight(const GameState& game) {
    return std::int64_t{game.cellsize} * game.room_rows;
}

std::int32_t Cells(std::int32_t cells, std::int32_t cellSize) {
    return static_cast<std::int32_t>(std::int64_t{cells} * cellSize);
}

// The first tile position: at or left of 0, less than one tile away. The remainder keeps the
// sign of the scroll position.
std::int64_t FirstTile(double scroll, int tileSize) {
    std::int64_t first = RoundToInteger(scroll) % tileSize;
    return first > 0 ? first - tileSize : first;
}

} // namespace

CDrawingUnit::CDrawingUnit(GameState& game, EventRunner& events, Screen& screen, Pictures& pictures,
                           Dialogs& dialogs)
    : game_(game), events_(events), screen_(screen), pictures_(pictures), dialogs_(dialogs) {}

CDrawingUnit::~CDrawingUnit() = default;

void CDrawingUnit::StartDrawing() {
    state_ = DrawingState();
    const GameOptions& options = game_.data.options;
    game_.fullscreenmode = options.fullscreen;
    screen_.ShowCursor(options.showcursor);
    game_.directdraw = screen_.FullScreenAvailable();
    BuildDrawCache();
}

void CDrawingUnit::StopDrawing() {
    screen_.Close();
    drawCache_.clear();
    drawCacheBuilt_ = false;
}

void CDrawingUnit::BuildDrawCache() {
    drawCache_.clear();
    const CObjectList& objects = game_.data.objects;
    drawCache_.resize(static_cast<std::size_t>(objects.Count()) + 1);
    for (int i = 1; i <= objects.Count(); ++i) {
        const CImage& image = objects.Get(i).image;
        auto& frames = drawCache_[static_cast<std::size_t>(i)];
        for (int f = 0; f < image.Count(); ++f) {
            frames.push_back(PrepareFrame(image, *image.Frame(f)));
        }
    }
    drawCacheBuilt_ = true;
}

// Rooms.

void CDrawingUnit::SetUpRoomDrawing() {
    ReleaseRoomDrawing();
    game_.view_x = 0;
    game_.view_y = 0;
    game_.view_w = Cells(game_.room_columns, game_.cellsize);
    game_.view_h = Cells(game_.room_rows, game_.cellsize);

    const CRoom* room = nullptr;
    if (game_.data.rooms.Valid(game_.room)) {
        room = &game_.data.rooms.Get(game_.room);
    }
    game_.view_restrict = room != nullptr && room->viewEnabled >= 1;
    if (game_.view_restrict) {
        game_.view_w = Cells(room->viewWidthInCells, game_.cellsize);
        game_.view_h = Cells(room->viewHeightInCells, game_.cellsize);
        game_.view_border = static_cast<double>(room->viewBorderInCells) * game_.cellsize;
        game_.view_object = room->viewObject;
    }
    if (room != nullptr && game_.background_image == 1) {
        PrepareBackground(*room);
    }
    surface_ = MakeCanvas(game_.view_w, game_.view_h);
    SetScreenMode(game_, screen_, game_.fullscreenmode);
}

void CDrawingUnit::PrepareBackground(const CRoom& room) {
    Bitmap picture;
    try {
        picture = pictures_.Load(game_.data.files.Resolve(room.backgroundFileName));
    } catch (const PictureError& error) {
        // The room shows its colour, as it does when the file is missing; the player's log
        // says why, for the game author.
        dialogs_.Log(error.what());
        return;
    }
    if (room.backgroundMode == 1) {
        const std::int32_t width = Cells(game_.room_columns, game_.cellsize);
        const std::int32_t height = Cells(game_.room_rows, game_.cellsize);
        auto stretched = MakeCanvas(width, height);
        stretched->StretchBitmap(picture, 0, 0, width, height);
        picture = stretched->Pixels();
    }
    // Modes other than stretched tile the picture at its own size.
    ReduceTo16BitColour(picture);
    background_ = std::move(picture);
}

void CDrawingUnit::ReleaseRoomDrawing() {
    background_ = Bitmap();
    surface_.reset();
}

// The frame.

void CDrawingUnit::DrawFrame() {
    if (!surface_ || drawingFrame_) {
        return;
    }
    // Errors in a Drawing event's code are reported, not thrown; the flag still comes down
    // however the frame is left (an allocation that fails, say).
    struct FrameScope {
        explicit FrameScope(bool& flag) : flag_(flag) { flag_ = true; }
        ~FrameScope() { flag_ = false; }
        FrameScope(const FrameScope&) = delete;
        FrameScope& operator=(const FrameScope&) = delete;
        bool& flag_;
    } scope(drawingFrame_);
    UpdateView();
    DrawBackground();
    DrawInstances();
    Present();
}

void CDrawingUnit::UpdateView() {
    if (!game_.view_restrict) {
        return;
    }
    const std::int32_t followed = game_.view_object;
    if (game_.data.objects.Valid(followed)) {
        const CImage& image = game_.data.objects.Get(followed).image;
        const double border = game_.view_border;
        game_.instances.ForEachLive([&](const CInstance& instance) {
            if (instance.object != followed) {
                return;
            }
            const auto left = static_cast<double>(RoundToInteger(instance.x));
            const auto top = static_cast<double>(RoundToInteger(instance.y));
            const double right = left + image.width;
            const double bottom = top + image.height;
            if (left - border < game_.view_x) {
                game_.view_x = left - border;
            }
            if (top - border < game_.view_y) {
                game_.view_y = top - border;
            }
            if (right + border > game_.view_x + game_.view_w) {
                game_.view_x = right + border - game_.view_w;
            }
            if (bottom + border > game_.view_y + game_.view_h) {
                game_.view_y = bottom + border - game_.view_h;
            }
        });
    }
    // A view larger than the room ends up at a negative position: the room's far edge wins.
    game_.view_x = std::max(game_.view_x, 0.0);
    game_.view_y = std::max(game_.view_y, 0.0);
    const auto roomWidth = static_cast<double>(RoomWidth(game_));
    const auto roomHeight = static_cast<double>(RoomHeight(game_));
    if (game_.view_x + game_.view_w > roomWidth) {
        game_.view_x = roomWidth - game_.view_w;
    }
    if (game_.view_y + game_.view_h > roomHeight) {
        game_.view_y = roomHeight - game_.view_h;
    }
}

void CDrawingUnit::DrawBackground() {
    const int tileWidth = background_.Width();
    const int tileHeight = background_.Height();
    if (game_.background_image != 1 || tileWidth <= 0 || tileHeight <= 0) {
        surface_->Fill(static_cast<Colour>(game_.back_color));
        return;
    }
    const double viewLeft = game_.view_x;
    const double viewTop = game_.view_y;
    const double viewRight = viewLeft + game_.view_w;
    const double viewBottom = viewTop + game_.view_h;
    const std::int64_t roomWidth = RoomWidth(game_);
    const std::int64_t roomHeight = RoomHeight(game_);
    for (std::int64_t x = FirstTile(game_.back_x, tileWidth); x < roomWidth; x += tileWidth) {
        const auto left = static_cast<double>(x);
        if (left + tileWidth <= viewLeft || left >= viewRight) {
            continue;
        }
        for (std::int64_t y = FirstTile(game_.back_y, tileHeight); y < roomHeight;
             y += tileHeight) {
            const auto top = static_cast<double>(y);
            if (top + tileHeight <= viewTop || top >= viewBottom) {
                continue;
            }
            surface_->DrawBitmap(background_, PixelX(left), PixelY(top));
        }
    }
}

void CDrawingUnit::DrawInstances() {
    std::vector<CInstance*> shown;
    bool layered = false;
    game_.instances.ForEachLive([&](CInstance& instance) {
        if (instance.visible) {
            shown.push_back(&instance);
            layered = layered || instance.image_depth != 0;
        }
    });
    if (layered) {
        // Deeper instances first, so that they lie behind; equal depths keep creation order.
        std::stable_sort(shown.begin(), shown.end(), [](const CInstance* a, const CInstance* b) {
            return a->image_depth > b->image_depth;
        });
    }
    game_.event_name = kDrawingEventName;
    for (CInstance* instance : shown) {
        if (instance->HasActions(kDrawingKind)) {
            const CActionList* list = instance->object_def->Events().Find(kDrawingEvent, 0);
            if (list != nullptr && list->Count() > 0) {
                events_.RunEvent(*instance, *instance, *list);
            }
            continue;
        }
        const int count = instance->object_def->image.Count();
        if (count > 0) {
            DrawObjectImage(instance->object, ShownSubimage(*instance, count),
                            instance->image_scale, instance->x, instance->y);
        }
    }
}

void CDrawingUnit::Present() {
    const Bitmap& frame = surface_->Pixels();
    if (game_.fullscreenmode) {
        if (game_.showscore) {
            surface_->SetFont(Font());
            surface_->TextOnBackground(0, 0, " score: " + std::to_string(game_.score) + " ",
                                       kWhite);
        }
        const double x1 = game_.screen_offset_x;
        const double y1 = game_.screen_offset_y;
        screen_.Present(frame, game_.screen_offset_x, game_.screen_offset_y,
                        RoundToInt32(game_.view_w * game_.screen_scale_x + x1),
                        RoundToInt32(game_.view_h * game_.screen_scale_y + y1));
        return;
    }
    std::string caption = " " + game_.roomname;
    if (game_.showscore) {
        caption += "   score: " + std::to_string(game_.score);
    }
    screen_.SetCaption(caption);
    screen_.Present(frame, game_.screen_offset_x, game_.screen_offset_y,
                    game_.screen_offset_x + frame.Width(), game_.screen_offset_y + frame.Height());
}

void CDrawingUnit::DrawObjectImage(int object, int subimage, double scale, double x, double y) {
    if (!surface_ || !game_.data.objects.Valid(object)) {
        return;
    }
    if (!drawCacheBuilt_) {
        BuildDrawCache();
    }
    const CImage& image = game_.data.objects.Get(object).image;
    const int count = image.Count();
    if (count == 0 || static_cast<std::size_t>(object) >= drawCache_.size()) {
        return;
    }
    const int index = subimage % count;
    const auto& frames = drawCache_[static_cast<std::size_t>(object)];
    if (index < 0 || static_cast<std::size_t>(index) >= frames.size()) {
        return;
    }
    const Bitmap& frame = frames[static_cast<std::size_t>(index)];
    const TransparentColours transparent(image.TransparentColour());
    const double left = x - game_.view_x;
    const double top = y - game_.view_y;
    if (scale == 1) {
        surface_->DrawBitmap(frame, RoundToInt32(left), RoundToInt32(top), transparent);
    } else {
        surface_->StretchBitmap(frame, RoundToInt32(left), RoundToInt32(top),
                                RoundToInt32(left + image.width * scale),
                                RoundToInt32(top + image.height * scale), transparent);
    }
}

// Game code's drawing.

int CDrawingUnit::PixelX(double x) const {
    return RoundToInt32(x - game_.view_x);
}

int CDrawingUnit::PixelY(double y) const {
    return RoundToInt32(y - game_.view_y);
}

void CDrawingUnit::ApplyShapeState() {
    surface_->SetBrush(state_.brush);
    surface_->SetPen(state_.pen);
}

void CDrawingUnit::ApplyFontState() {
    surface_->SetFont(state_.font);
}

void CDrawingUnit::DrawLine(double x1, double y1, double x2, double y2) {
    if (!surface_) {
        return;
    }
    ApplyShapeState();
    surface_->Line(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2));
}

void CDrawingUnit::DrawEllipse(double x1, double y1, double x2, double y2) {
    if (!surface_) {
        return;
    }
    ApplyShapeState();
    surface_->Ellipse(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2));
}

void CDrawingUnit::DrawRectangle(double x1, double y1, double x2, double y2) {
    if (!surface_) {
        return;
    }
    ApplyShapeState();
    surface_->Rectangle(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2));
}

void CDrawingUnit::DrawRoundRect(double x1, double y1, double x2, double y2) {
    if (!surface_) {
        return;
    }
    ApplyShapeState();
    surface_->RoundRect(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2), kRoundRectCorner,
                        kRoundRectCorner);
}

void CDrawingUnit::DrawTriangle(double x1, double y1, double x2, double y2, double x3, double y3) {
    if (!surface_) {
        return;
    }
    ApplyShapeState();
    const std::array<CanvasPoint, 3> points{{
        {PixelX(x1), PixelY(y1)},
        {PixelX(x2), PixelY(y2)},
        {PixelX(x3), PixelY(y3)},
    }};
    surface_->Polygon(points);
}

void CDrawingUnit::DrawButton(double x1, double y1, double x2, double y2, bool down) {
    if (!surface_) {
        return;
    }
    const int left = PixelX(x1);
    const int top = PixelY(y1);
    const int right = PixelX(x2);
    const int bottom = PixelY(y2);
    surface_->SetBrush(state_.brush);
    surface_->FillRect(left, top, right, bottom);

    const Colour first = down ? kGrey : kWhite;
    const Colour second = down ? kWhite : kGrey;
    const auto bevel = [this](Colour colour, std::array<CanvasPoint, 3> outer,
                              std::array<CanvasPoint, 3> inner) {
        surface_->SetPen(Pen{colour, 1});
        surface_->Polyline(outer);
        surface_->Polyline(inner);
    };
    bevel(first, {{{left, bottom}, {left, top}, {right, top}}},
          {{{left + 1, bottom - 1}, {left + 1, top + 1}, {right - 1, top + 1}}});
    bevel(second, {{{left, bottom}, {right, bottom}, {right, top}}},
          {{{left + 1, bottom - 1}, {right - 1, bottom - 1}, {right - 1, top + 1}}});
}

bool CDrawingUnit::DrawText(double x, double y, const std::string& text) {
    if (!LaysOut(text)) {
        return false;
    }
    if (!surface_) {
        return true;
    }
    ApplyFontState();
    const Brush remembered = surface_->GetBrush();
    surface_->SetBrush(Brush{remembered.colour, BrushStyle::Clear});

    int offset = 0;
    if (state_.alignment == kAlignCentre) {
        offset = -(surface_->TextWidth(text) / 2);
    } else if (state_.alignment == kAlignRight) {
        offset = -surface_->TextWidth(text);
    }
    const double angle = state_.angle;
    const double originX = x + std::cos(angle) * offset;
    const double originY = y - std::sin(angle) * offset;
    if (angle == 0) {
        surface_->Text(PixelX(originX), PixelY(originY), text);
    } else {
        const int tenths = RoundToInt32(angle * 3600 / (2 * std::numbers::pi));
        surface_->Text(PixelX(originX), PixelY(originY), text, tenths);
    }
    surface_->SetBrush(remembered);
    return true;
}

Canvas& CDrawingUnit::Measurer() {
    if (surface_) {
        return *surface_;
    }
    // Text can be measured before the first room has a picture.
    if (!measurer_) {
        measurer_ = MakeCanvas(1, 1);
    }
    return *measurer_;
}

std::optional<int> CDrawingUnit::StringWidth(const std::string& text) {
    if (!LaysOut(text)) {
        return std::nullopt;
    }
    Canvas& canvas = Measurer();
    canvas.SetFont(state_.font);
    return canvas.TextWidth(text);
}

std::optional<int> CDrawingUnit::StringHeight(const std::string& text) {
    if (!LaysOut(text)) {
        return std::nullopt;
    }
    Canvas& canvas = Measurer();
    canvas.SetFont(state_.font);
    return canvas.TextHeight(text);
}

void CDrawingUnit::SetFontFrom(const FontDescription& font) {
    Font& current = state_.font;
    current.name = font.name;
    current.size = font.size;
    current.colour = font.colour;
    current.bold = font.bold;
    current.italic = font.italic;
    current.underline = font.underline;
    current.strikeOut = font.strikeOut;
}

std::string TooLongToLayOut(const std::string& what, const std::string& text) {
    return what + " is too long to draw: " + std::to_string(text.size()) + " characters (at most " +
           std::to_string(limits::kLaidOutTextLength) + ").";
}

} // namespace velkaro
