#pragma once

#include "backends/desktop/DesktopScreen.h"
#include "base/UserSettings.h"
#include "main/Player.h"

#include <optional>
#include <ostream>
#include <string>

namespace velkaro {

// What the player chose for one game: the command line first, then the settings file (the
// game's own section, then the settings for all games), then the game's own wishes.
//
// Settings file keys: fullscreen = yes | no, scale = 1..8 | fit, mute = yes | no,
// volume = 0..100, programs = allow | deny.
struct PlayerChoices {
    WindowChoice window;
    // The loudness of everything the game plays, 0 (muted) to 1.
    float volume = 1.0F;
    std::optional<bool> allowPrograms;
};

// A whole number from `low` to `high`, written in full: a value of the command line or of the
// settings file.
std::optional<int> WholeNumber(const std::string& text, int low, int high);

// A setting that cannot be understood is said on `log` and left out.
PlayerChoices ChoicesFor(const PlayOptions& options, const UserSettings& settings,
                         const std::string& game, std::ostream& log);

// Keeps for the game what the player did to its window: full screen or not when switched with
// the screen key, the window's scale when resized.
void RememberWindow(UserSettings& settings, const std::string& game, bool switched, bool covers,
                    std::optional<int> resizedScale);

} // namespace velkaro
