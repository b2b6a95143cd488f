#pragma once

#include "base/Bitmap.h"
#include "platform/Screen.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

namespace velkaro {

// A picture shown over the game's, never drawn into it: a game author's debug view, a message
// about the game. It stands in the window's own pixels at the top or the bottom left corner,
// scaled down to fit when the window is smaller.
struct OverlayPanel {
    Bitmap picture;
    bool atBottom = false;
};

// How the player wants the game's window, over what the game asks for. Nothing of it reaches
// the game: its room, its view and the mouse positions it reads stay as the game made them.
struct WindowChoice {
    // Full screen (true) or a window (false) at the game's first showing, whatever it asks.
    std::optional<bool> fullScreen;
    // The framed window at this many times the game's size; kFitScale: as large as fits.
    int scale = 1;
    static constexpr int kFitScale = 0;
};

// The game's window on SDL2. One SDL window is the framed window or, switched, a borderless
// window covering the whole desktop: the display's own mode never changes. Frames reach it
// through one streaming texture, scaled with nearest-neighbour sampling onto black. The player
// may resize or maximise the framed window: its client area as the game made it is then scaled
// uniformly into the window, centred on black, and positions of the mouse are reported in it,
// so the game sees nothing change. Lives on the thread that owns the windows and handles their
// events.
class DesktopScreen final : public Screen {
public:
    // Starts SDL's video; throws std::runtime_error, with SDL's reason, without a display.
    DesktopScreen();
    ~DesktopScreen() override;
    DesktopScreen(const DesktopScreen&) = delete;
    DesktopScreen& operator=(const DesktopScreen&) = delete;

    bool FullScreenAvailable() const override { return true; }
    ScreenSize FullScreenSize() const override;
    void ShowWindow(int width, int height) override;
    void ShowFullScreen() override;
    void Close() override;
    void SetCaption(const std::string& caption) override;
    void ShowCursor(bool shown) override;
    bool StopPending(std::int32_t quitKey) override;
    void Present(const Bitmap& frame, int x1, int y1, int x2, int y2) override;

    // Shows the last frame again where it was (the window was uncovered, say): no game code runs.
    void Repaint();
    // The window's client area with the last frame, as the renderer draws it.
    Bitmap Shown();
    // The SDL id of the window, which its events carry.
    std::uint32_t WindowId() const;
    // The window, for boxes that belong to it.
    SDL_Window* Window() const;
    // The busy cursor over the window (while the game loads), or the game's own again.
    void ShowBusy(bool busy);
    // Shows these panels over the game's picture from now on, in place of those before (none
    // takes them away), and repaints.
    void SetOverlay(const std::vector<OverlayPanel>& panels);
    // The window's client area in its own pixels.
    ScreenSize OutputSize() const;
    // What the window is shown through, in words: SDL's video driver, the renderer, the screen.
    std::string Describe() const;
    // From the next showing on (the game's first), the window is shown as the player chose.
    void ChooseWindow(const WindowChoice& choice);
    // What the player made of the window: whether it covers the screen, and when framed, how
    // many times the game's size it has now (rounded), if the player resized it.
    bool CoversScreen() const { return covers_; }
    std::optional<int> ResizedScale() const;

private:
    struct SdlParts;

    // The borderless window over the whole screen, its picture `width` x `height` scaled into it.
    void Cover(int width, int height);
    // A framed window of `width` x `height` pixels showing a picture of logical size, centred.
    void Frame(int width, int height, int logicalWidth, int logicalHeight);

    // Black, the last frame in its box and the overlay, ready to be shown or read.
    void Draw();
    void DrawOverlay();

    std::unique_ptr<SdlParts> sdl_;
    WindowChoice choice_;
    bool shown_ = false;
    bool covers_ = false;
    // The framed window's size as last set here, and the picture's.
    int framedWidth_ = 0;
    int framedHeight_ = 0;
    int logicalWidth_ = 0;
    bool cursorShown_ = true;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    // Where the last frame went: (x1, y1) to (x2, y2), right and bottom exclusive.
    int boxX1_ = 0;
    int boxY1_ = 0;
    int boxX2_ = 0;
    int boxY2_ = 0;
};

} // namespace velkaro
