#pragma once

#include "backends/headless/AnswerScript.h"
#include "backends/headless/HeadlessAudio.h"
#include "backends/headless/HeadlessDevices.h"
#include "backends/headless/HeadlessDialogs.h"
#include "backends/headless/HeadlessPrograms.h"
#include "backends/headless/HeadlessScoreWindow.h"
#include "backends/headless/HeadlessScreen.h"
#include "backends/headless/HeadlessSplashWindow.h"
#include "backends/headless/RunTimeout.h"
#include "backends/headless/Transcript.h"
#include "codecs/PictureLoader.h"
#include "engine/GameServices.h"
#include "engine/RunUnit.h"
#include "functions/ActionHandlers.h"
#include "platform/Clock.h"
#include "shell/ShellUnit.h"

#include <cstdint>
#include <optional>

namespace velkaro::qvf {

// A loaded game set up to play without windows: the headless platform, the shell over it and
// the running game, wired together the way the player wires its desktop parts. It paces the
// game itself: modal boxes suspend the game's steps as in a window, and a game that holds
// everything up waits on the run's clock, which a virtual clock only moves on.
class HeadlessGame final : public PacingService {
public:
    // Everything given must outlive the game. `starter` starts the programs the game asks for;
    // without one they are only written to the transcript. `seed` replaces the clock as the
    // random generator's start. `timeout`, when given, is the run's limit: once it has passed,
    // game code that loops is stopped as if the player had closed the window (the game's
    // sleeps must end with it too: give a TimeoutClock as `clock`).
    HeadlessGame(GameData& data, Transcript& transcript, HeadlessDialogs& dialogs,
                 AnswerScript& answers, Clock& clock, ProgramService* starter,
                 std::optional<std::uint32_t> seed, RunTimeout* timeout = nullptr);
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    CGame& Game() { return game_; }
    HeadlessScreen& Screen() { return screen_; }
    HeadlessDevices& Devices() { return devices_; }
    HeadlessAudio& Audio() { return audio_; }

    void PauseGame() override { game_.PauseGame(); }
    void ResumeGame() override { game_.ResumeGame(); }
    void Sleep(std::uint32_t ms) override { clock_.Sleep(ms); }

private:
    Clock& clock_;
    HeadlessScreen screen_;
    PictureLoader pictures_;
    HeadlessDevices devices_;
    HeadlessPrograms programs_;
    HeadlessAudio audio_;
    HeadlessScoreWindow scoreWindow_;
    HeadlessSplashWindow splashWindow_;
    CShell shell_;
    CActionRegistry actions_;
    CGame game_;
};

} // namespace velkaro::qvf
