#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

// What starting and ending a game asks of the shell around it: the high-score table, the sound
// player, the background music and the start and end screens. The desktop and the headless
// runner each implement it; the game loop only decides when each is called.
class GameShell {
public:
    virtual ~GameShell() = default;

    // Reads the high-score table of the data folder.
    virtual void LoadScores() = 0;
    // Opens the sound output and prepares every sound of the game.
    virtual void StartSounds() = 0;
    // Stops every sound and releases the sound output.
    virtual void EndSounds() = 0;

    // Plays the play list as background music; `order` 1 shuffles it, any other value keeps the
    // listed order.
    virtual void StartMusic(std::int32_t order, const std::vector<std::string>& playList) = 0;
    virtual void StopMusic() = 0;

    // The start and end screens. Each returns when the screen has been closed or its time is
    // up. `full` covers the whole screen; file names are full names.
    virtual void ShowSplashImage(const std::string& file, bool full, std::int32_t delayMs) = 0;
    virtual void ShowSplashVideo(const std::string& file, bool full, bool loop) = 0;
    virtual void ShowSplashText(const std::string& file, bool full, Colour background,
                                std::int32_t delayMs) = 0;
};

// The joystick as it is at this moment.
struct JoystickState {
    // Axis positions, 0 at the left or top, 65535 at the right or bottom.
    std::int32_t x = 32768;
    std::int32_t y = 32768;
    // Bit n - 1 set while button n is held.
    std::uint32_t buttons = 0;
};

// Where the steps read the first joystick from.
class JoystickInput {
public:
    virtual ~JoystickInput() = default;

    // Nothing when there is no joystick or it cannot be read.
    virtual std::optional<JoystickState> ReadJoystick() = 0;
};

} // namespace velkaro
