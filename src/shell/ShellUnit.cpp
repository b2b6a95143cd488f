#include "shell/ShellUnit.h"

#include "data/GameLoader.h"
#include "world/GameState.h"

namespace velkaro {

CShell::CShell(const GameData& game, const ShellPlatform& platform)
    : scores_(game, platform.dialogs, platform.scoreWindow),
      sound_(platform.audio, game.sounds, game.files, game.options.music),
      music_(platform.audio, game.files),
      screens_(platform.splashWindow, platform.pictures, platform.dialogs) {}

void CShell::Attach(GameState& state) {
    music_.UseRandom(state.random);
}

} // namespace velkaro
