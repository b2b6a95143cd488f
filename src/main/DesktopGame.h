#pragma once

#include "backends/desktop/DesktopAudio.h"
#include "backends/desktop/DesktopDialogs.h"
#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopInput.h"
#include "backends/desktop/DesktopScoreWindow.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/desktop/DesktopSplashWindow.h"
#include "backends/posix/PosixProcesses.h"
#include "codecs/PictureLoader.h"
#include "engine/RunUnit.h"
#include "functions/ActionHandlers.h"
#include "replay/PlayRecorder.h"
#include "shell/ProgramConsent.h"
#include "shell/ShellUnit.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace velkaro {

// Who decides whether the game may start programs and open files and addresses
// (ProgramConsent): `decided` when given, else the player's answer to a question, remembered
// in the settings for the game file `game`.
struct ProgramPermission {
    // None remembers no answer.
    std::filesystem::path game;
    std::optional<bool> decided;
    // The boxes that ask, when not the game's: a replay is never asked, so the question of a
    // recorded play goes around the recorder, or its answer would be taken by another box.
    Dialogs* dialogs = nullptr;
    // None reads the settings from their usual file.
    UserSettings* settings = nullptr;
};

// A loaded game wired to the desktop: its window, boxes and devices, the shell over them and
// the running game. It paces the game: boxes suspend its steps, and a game that sleeps holds
// the window up for that long, unless the player asks to stop meanwhile.
class DesktopGame final : public PacingService {
public:
    // Everything given must outlive the game. `dialogs` are the game's boxes. With a
    // `recorder`, the game sees the window, the boxes, the devices and the seed through it.
    DesktopGame(GameData& data, DesktopScreen& screen, DesktopEvents& events, Dialogs& dialogs,
                PlayRecorder* recorder = nullptr, const ProgramPermission& permission = {});
    DesktopGame(const DesktopGame&) = delete;
    DesktopGame& operator=(const DesktopGame&) = delete;

    CGame& Game() { return game_; }
    DesktopAudio& Audio() { return audio_; }

    void PauseGame() override { game_.PauseGame(); }
    void ResumeGame() override { game_.ResumeGame(); }
    void Sleep(std::uint32_t ms) override;

private:
    PictureLoader pictures_;
    DesktopInput input_;
    PosixProcesses programs_;
    std::optional<UserSettings> ownSettings_;
    ProgramConsent consent_;
    DesktopAudio audio_;
    DesktopScoreWindow scoreWindow_;
    DesktopSplashWindow splashWindow_;
    CShell shell_;
    CActionRegistry actions_;
    CGame game_;
};

} // namespace velkaro
