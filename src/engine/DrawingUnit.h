#pragma once

#include "base/Limits.h"
#include "data/FontDescription.h"
#include "data/RoomClass.h"
#include "engine/GameServices.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/Pictures.h"
#include "platform/Screen.h"
#include "script/EventRunner.h"
#include "world/GameState.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

// Text alignment along the text line.
enum TextAlignment : std::int32_t {
    kAlignLeft = 0,
    kAlignCentre = 1,
    kAlignRight = 2,
};

// The brush, pen and font that game code draws with, one per game. Each drawing copies it onto
// the surface, so whatever else drew there in between does not matter.
struct DrawingState {
    Brush brush;
    Pen pen;
    // Name, size, colour and style; the set-font action also sets underline and strike-out.
    Font font;
    // Any value but centre and right draws left-aligned.
    std::int32_t alignment = kAlignLeft;
    // Radians, counter-clockwise.
    double angle = 0;
};

// The room's picture: the view, the background, the instances in depth order, and the frame
// shown in the window or full screen. It also holds the drawing state and the shape, text and
// sprite operations of game code, which all draw onto the room's picture in room coordinates.
//
// Owned by the running game.
class CDrawingUnit : public DrawingService {
public:
    CDrawingUnit(GameState& game, EventRunner& events, Screen& screen, Pictures& pictures,
                 Dialogs& dialogs);
    ~CDrawingUnit() override;
    CDrawingUnit(const CDrawingUnit&) = delete;
    CDrawingUnit& operator=(const CDrawingUnit&) = delete;

    // When the game starts: fresh drawing state, the screen mode, cursor and full-screen
    // options, and every object's sprite prepared for drawing.
    void StartDrawing();
    // When the game ends: the window closes and the prepared sprites are released.
    void StopDrawing();

    // When a room starts, after its fields are copied into the game: the view, the background
    // picture, the room's picture and the window sized to the view.
    void SetUpRoomDrawing();
    // When the room ends.
    void ReleaseRoomDrawing();

    void DrawFrame() override;
    void DrawObjectImage(int object, int subimage, double scale, double x, double y) override;

    DrawingState& State() { return state_; }
    Screen& GetScreen() { return screen_; }
    // The room's picture (`drawing_bitmap`); null while no room is set up.
    Canvas* Surface() { return surface_.get(); }

    // Game code's drawing, in room coordinates. Without a room's picture they draw nothing.
    void DrawLine(double x1, double y1, double x2, double y2);
    void DrawEllipse(double x1, double y1, double x2, double y2);
    void DrawRectangle(double x1, double y1, double x2, double y2);
    void DrawRoundRect(double x1, double y1, double x2, double y2);
    void DrawTriangle(double x1, double y1, double x2, double y2, double x3, double y3);
    void DrawButton(double x1, double y1, double x2, double y2, bool down);
    // Text longer than limits::kLaidOutTextLength is neither drawn nor measured: false, or none.
    static bool LaysOut(const std::string& text) {
        return text.size() <= limits::kLaidOutTextLength;
    }

    bool DrawText(double x, double y, const std::string& text);
    // The set-font action: name, size, colour and style from the description; alignment and
    // angle stay.
    void SetFontFrom(const FontDescription& font);
    std::optional<int> StringWidth(const std::string& text);
    std::optional<int> StringHeight(const std::string& text);

private:
    // Room coordinates to pixels of the room's picture.
    int PixelX(double x) const;
    int PixelY(double y) const;
    // The state's brush and pen onto the surface, before a shape.
    void ApplyShapeState();
    void ApplyFontState();
    Canvas& Measurer();

    void BuildDrawCache();
    void PrepareBackground(const CRoom& room);
    void UpdateView();
    void DrawBackground();
    void DrawInstances();
    void Present();

    GameState& game_;
    EventRunner& events_;
    Screen& screen_;
    Pictures& pictures_;
    Dialogs& dialogs_;

    DrawingState state_;
    // Per object number, one prepared picture per sub-image: what is not drawn holds the
    // sprite's transparent colour.
    std::vector<std::vector<Bitmap>> drawCache_;
    bool drawCacheBuilt_ = false;
    std::unique_ptr<Canvas> surface_;
    // Empty when the room shows its colour.
    Bitmap background_;
    std::unique_ptr<Canvas> measurer_;
    // A Drawing event that asks for a redraw would otherwise draw itself without end.
    bool drawingFrame_ = false;
};

// What is reported of text too long to lay out, `what` naming it ("Text of draw_text").
std::string TooLongToLayOut(const std::string& what, const std::string& text);

} // namespace velkaro
