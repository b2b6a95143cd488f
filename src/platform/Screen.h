#pragma once

#include "base/Bitmap.h"
#include "base/ScreenGeometry.h"

#include <cstdint>
#include <string>

namespace velkaro {

// What the player does to the game's windows, as their event loop hands it on. Positions are
// client pixels of the window as ShowWindow or ShowFullScreen made it, whatever size the player
// has given it since. Called on the thread that runs the game, between its operations.
class ScreenEvents {
public:
    virtual ~ScreenEvents() = default;

    // A Windows virtual-key code; a key held down repeats its KeyDown as the keyboard repeats.
    virtual void KeyDown(std::int32_t key) = 0;
    virtual void KeyUp(std::int32_t key) = 0;
    // One character typed, in Windows-1252.
    virtual void CharTyped(char character) = 0;
    virtual void MouseMove(int x, int y) = 0;
    // `button` 1 left, 2 right, 3 middle.
    virtual void MouseDown(int button, int x, int y) = 0;
    // `button` as for MouseDown; 0 for one the game does not see (a fourth button).
    virtual void MouseUp(int button, int x, int y) = 0;
    // The player closed the window, or asked the program to end.
    virtual void CloseAsked() = 0;
    // Another window took the keyboard: keys released meanwhile are never reported.
    virtual void FocusLost() = 0;
};

// The two game windows as the room drawing sees them: the framed window and the borderless
// full-screen one, of which one at a time is shown.
class Screen {
public:
    virtual ~Screen() = default;

    // Whether the full-screen window can be shown at all. Without it the game stays in its
    // window whatever it asks for.
    virtual bool FullScreenAvailable() const = 0;
    // The size of the whole screen, which the full-screen window covers.
    virtual ScreenSize FullScreenSize() const = 0;

    // Shows the framed window with a client area of width x height, centred on the screen
    // ((screen width - width) / 2 across, (screen height - (height + 32)) / 2 down), and hides
    // the full-screen one.
    virtual void ShowWindow(int width, int height) = 0;
    // Shows the full-screen window over the whole screen and hides the framed one.
    virtual void ShowFullScreen() = 0;
    // Closes the shown window, which ends the program.
    virtual void Close() = 0;

    // The caption of the framed window.
    virtual void SetCaption(const std::string& caption) = 0;
    // The mouse cursor over both windows: the standard arrow or none.
    virtual void ShowCursor(bool shown) = 0;

    // Whether a request to close the window, or a press of `quitKey` (a key code; 0 for none),
    // waits among the messages not yet handled. Looks without handling any message: for game
    // code that runs so long that the window's loop cannot get to them.
    virtual bool StopPending(std::int32_t quitKey) = 0;

    // Shows `frame` in the shown window, stretched into the box (x1, y1) to (x2, y2) of its
    // client area (right and bottom exclusive); a box of the frame's own size copies it.
    virtual void Present(const Bitmap& frame, int x1, int y1, int x2, int y2) = 0;
};

} // namespace velkaro
