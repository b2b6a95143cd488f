#pragma once

#include "backends/desktop/DesktopScreen.h"
#include "engine/GameServices.h"
#include "engine/RunUnit.h"
#include "engine/WindowInput.h"
#include "platform/Dialogs.h"
#include "platform/Screen.h"

#include <functional>

namespace velkaro {

// The game's window as the player uses it: keys and the mouse become the input fields the
// steps read, the special keys do what they are set to, and closing the window, like the quit
// key, asks the game to stop. Runs on the thread that runs the game, between its operations.
class GameWindow final : public ScreenEvents, public WindowKeys {
public:
    // `requestStop` asks the game thread to end the game and wakes it; it never waits.
    GameWindow(CGame& game, Dialogs& dialogs, PacingService& pacing, const DesktopScreen& screen,
               std::function<void()> requestStop)
        : game_(game), dialogs_(dialogs), pacing_(pacing), screen_(screen),
          requestStop_(std::move(requestStop)) {}

    void KeyDown(std::int32_t key) override { velkaro::KeyDown(game_.State(), *this, key); }
    void KeyUp(std::int32_t key) override { velkaro::KeyUp(game_.State(), key); }
    void CharTyped(char character) override {
        velkaro::CharTyped(game_.State(), std::string(1, character));
    }
    void MouseMove(int x, int y) override { velkaro::MouseMove(game_.State(), x, y); }
    void MouseDown(int button, int x, int y) override {
        velkaro::MouseDown(game_.State(), button, x, y);
    }
    void MouseUp(int, int x, int y) override { velkaro::MouseUp(game_.State(), x, y); }
    void CloseAsked() override { requestStop_(); }
    // The key's release goes to the window that has the focus now: the game would hold the key
    // for ever.
    void FocusLost() override { game_.State().keypressed = 0; }

    void ShowHelp() override {
        const PausedGame paused(pacing_);
        dialogs_.ShowGameInfo();
    }
    void Quit() override { requestStop_(); }
    // The screen key switches what the player sees: a window the player chose to start full
    // screen (the game thinking it windowed) goes back to a window, and so on.
    void SetScreenMode(bool) override {
        game_.SetScreenMode(!screen_.CoversScreen());
        screenModeChosen_ = true;
    }
    // Whether the player switched between window and full screen with the screen key.
    bool ScreenModeChosen() const { return screenModeChosen_; }

private:
    CGame& game_;
    Dialogs& dialogs_;
    PacingService& pacing_;
    const DesktopScreen& screen_;
    std::function<void()> requestStop_;
    bool screenModeChosen_ = false;
};

} // namespace velkaro
