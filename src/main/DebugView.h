#pragma once

#include "backends/desktop/DesktopScreen.h"
#include "engine/GameLoop.h"
#include "platform/Screen.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace velkaro {

class CGame;

// The panels the player lays over the game's picture: the debug view above, a message about
// the game (a description that could not be read again) below. Kept apart from the game, and
// shown in the window's own pixels.
class OverlayPanels {
public:
    explicit OverlayPanels(DesktopScreen& screen) : screen_(screen) {}

    void SetDebugPanel(Bitmap panel);
    // Lines of text shown at the bottom of the window; none takes the message away.
    void SetMessage(const std::vector<std::string>& lines);
    // The height the panels have: the window's, in its own pixels.
    int Height() const { return screen_.OutputSize().height; }

private:
    void Show();

    DesktopScreen& screen_;
    Bitmap debug_;
    Bitmap message_;
};

// The debug view of `velkaro --debug`: over the game's picture, how fast the steps run against
// the room's speed, how long one takes, the room, the instances, the last error reports and
// every variable of the instance under the mouse, refreshed after each step. It takes four keys
// from the game, and only in this mode: F12 shows and hides it, F11 pauses and resumes the
// game, F10 runs one step of a paused game (and pauses a running one), F9 prints the view on
// standard error. Everything else the player does goes on to `inner`.
class DebugView final : public ScreenEvents {
public:
    DebugView(OverlayPanels& overlay, ScreenEvents& inner) : overlay_(overlay), inner_(inner) {}

    // The game the view looks at from now on; null when none plays (between two loads).
    void Attach(CGame* game);
    // Runs one of the game's operations on the window's thread: times the steps, refreshes
    // the view after each, and pauses the game again after a single step.
    void Run(GameCall which, const std::function<void()>& call);

    // The view's text, as shown.
    std::vector<std::string> Lines() const;

    void KeyDown(std::int32_t key) override;
    void KeyUp(std::int32_t key) override;
    void CharTyped(char character) override { inner_.CharTyped(character); }
    void MouseMove(int x, int y) override;
    void MouseDown(int button, int x, int y) override;
    void MouseUp(int button, int x, int y) override { inner_.MouseUp(button, x, y); }
    void CloseAsked() override { inner_.CloseAsked(); }
    void FocusLost() override { inner_.FocusLost(); }

private:
    using Clock = std::chrono::steady_clock;

    void Refresh();
    void TogglePause();
    void StepOnce();

    OverlayPanels& overlay_;
    ScreenEvents& inner_;
    CGame* game_ = nullptr;
    bool shown_ = false;
    bool paused_ = false;
    bool stepping_ = false;
    // Where the mouse is over the game's client area.
    int mouseX_ = 0;
    int mouseY_ = 0;
    // When each step of the last second began, and how long the last ones took.
    std::deque<Clock::time_point> stepStarts_;
    std::deque<double> stepMilliseconds_;
};

} // namespace velkaro
