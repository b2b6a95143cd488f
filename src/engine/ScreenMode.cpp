#include "engine/ScreenMode.h"

#include "base/VariableClass.h"
#include "data/GameLoader.h"
#include "platform/Screen.h"
#include "world/GameState.h"

#include <algorithm>

namespace velkaro {

void SetScreenMode(GameState& game, Screen& screen, bool full) {
    const bool exclusive = game.data.options.exclusive;
    if (game.directdraw && (full || exclusive)) {
        game.fullscreenmode = true;
        screen.ShowFullScreen();
        const ScreenSize size = screen.FullScreenSize();
        double scale = 1.0;
        if (game.view_w > 0 && game.view_h > 0) {
            scale = std::min(static_cast<double>(size.width) / game.view_w,
                             static_cast<double>(size.height) / game.view_h);
        }
        game.screen_scale_x = scale;
        game.screen_scale_y = scale;
        game.screen_offset_x = (size.width - RoundToInt32(game.view_w * scale)) / 2;
        game.screen_offset_y = (size.height - RoundToInt32(game.view_h * scale)) / 2;
    } else {
        game.fullscreenmode = false;
        screen.ShowWindow(game.view_w, game.view_h);
        game.screen_offset_x = 0;
        game.screen_offset_y = 0;
        game.screen_scale_x = 1.0;
        game.screen_scale_y = 1.0;
    }
}

} // namespace velkaro
