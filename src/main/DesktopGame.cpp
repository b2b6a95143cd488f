#include "main/DesktopGame.h"

#include "data/GameLoader.h"
#include "functions/FunctionTables.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace velkaro {

DesktopGame::DesktopGame(GameData& data, DesktopScreen& screen, DesktopEvents& events,
                         Dialogs& dialogs, PlayRecorder* recorder,
                         const ProgramPermission& permission)
    : programs_(
          data.files,
          // While the game waits for a program the window is still painted and closed;
          // once it is closed (or the quit key pressed) the game waits no longer.
          [&events] { events.ServeModal(); }, [this] { return game_.StopRequested(); }),
      consent_(programs_, permission.dialogs ? *permission.dialogs : dialogs, *this,
               permission.settings ? *permission.settings
                                   : ownSettings_.emplace(UserSettings::DefaultFile()),
               permission.game, permission.decided),
      // A piece of music that has ended is reported on the audio thread: its handler runs on
      // the window's thread, between the game's operations.
      audio_([&events](std::function<void()> call) { events.Calls().Post(std::move(call)); }),
      scoreWindow_(screen.Window(), events.ModalEvents(), pictures_),
      splashWindow_(screen.Window(), screen.FullScreenSize(), events.ModalEvents()),
      shell_(data, ShellPlatform{audio_,
                                 recorder ? recorder->RecordScoreWindow(scoreWindow_)
                                          : static_cast<ScoreWindow&>(scoreWindow_),
                                 splashWindow_, dialogs, pictures_}),
      actions_(BuildActionRegistry(dialogs)),
      game_(data,
            GamePlatform{
                recorder ? recorder->RecordScreen(screen) : static_cast<Screen&>(screen), pictures_,
                dialogs, shell_.Sound(), *this, shell_, shell_.Scores(), shell_.Screens(),
                recorder ? recorder->RecordDevices(input_) : static_cast<DeviceInput&>(input_),
                consent_},
            GameLibraries{FunctionRegistry(), actions_},
            recorder ? std::optional<std::uint32_t>(recorder->Seed()) : std::nullopt) {
    shell_.Attach(game_.State());
}

void DesktopGame::Sleep(std::uint32_t ms) {
    // The window does not answer while the game sleeps, but a player who closes it or presses
    // the quit key is not kept waiting for a long sleep to end.
    constexpr std::uint32_t kSlice = 20;
    while (ms > 0 && !game_.StopAsked()) {
        const std::uint32_t slice = std::min(ms, kSlice);
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));
        ms -= slice;
    }
}

} // namespace velkaro
