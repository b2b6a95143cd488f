#pragma once

#include "base/Bitmap.h"
#include "platform/Dialogs.h"
#include "platform/Input.h"
#include "platform/Processes.h"

#include <cstdint>
#include <string>

namespace velkaro {

// What the room and instance operations and the built-in functions ask of the parts around
// the game: drawing, the shell's boxes and windows, sound, the high-score table, the devices,
// other programs and the game thread. The desktop and the headless runner each provide them.

// Drawing of the room.
class DrawingService {
public:
    virtual ~DrawingService() = default;

    // Draws the room and shows it at once.
    virtual void DrawFrame() = 0;
    // Draws sub-image `subimage` (0..count-1) of the sprite of `object` (an existing object
    // whose sprite has sub-images) at (x, y), scaled by `scale`.
    virtual void DrawObjectImage(int object, int subimage, double scale, double x, double y) = 0;
};

// The sound player. Sounds are numbered from 1.
class SoundService {
public:
    virtual ~SoundService() = default;

    // Plays sound `number` (0 stops every sound); `mode` 0 plays once, 1 loops, 2 loops music
    // only. False when there is no such sound.
    virtual bool PlayGameSound(std::int32_t number, std::int32_t mode) = 0;
    // Stops sound `number`, every sound for 0; nothing for a sound that does not exist.
    virtual void StopGameSound(std::int32_t number) = 0;
    // Volume, balance and playback speed of a wave sound, each given from 0 to 1.
    virtual void SetSoundVolume(std::int32_t number, double value) = 0;
    virtual void SetSoundPan(std::int32_t number, double value) = 0;
    virtual void SetSoundFrequency(std::int32_t number, double value) = 0;
};

// The high-score table: ten places from 1 (best) to 10.
class ScoreService {
public:
    virtual ~ScoreService() = default;

    // Enters `score` when it ranks, shows the high-score window (where the player types the
    // name of a new entry) and saves the table.
    virtual void ShowScores(std::int32_t score) = 0;
    // Enters `score` under `name` when it ranks, without showing anything, and saves.
    virtual void AddScore(const std::string& name, std::int32_t score) = 0;
    // Empties every place and saves.
    virtual void ClearScores() = 0;
    // Score and name of a place; 0 and "" outside 1..10.
    virtual std::int32_t ScoreAt(std::int32_t place) const = 0;
    virtual std::string NameAt(std::int32_t place) const = 0;
    // The look of later showings of the window.
    virtual void SetScoreColours(Colour first, Colour others) = 0;
    virtual void SetScoreFont(const std::string& name) = 0;
};

// The start and end screens, which games also show from their code. Each returns when the
// screen has been closed or its time is up, at once when the file does not exist. `full`
// covers the whole screen; file names are full names.
class ScreenService {
public:
    virtual ~ScreenService() = default;

    virtual void ShowSplashImage(const std::string& file, bool full, std::int32_t delayMs) = 0;
    virtual void ShowSplashVideo(const std::string& file, bool full, bool loop) = 0;
    virtual void ShowSplashText(const std::string& file, bool full, Colour background,
                                std::int32_t delayMs) = 0;
};

// The game thread's pace: modal boxes suspend it, and a game may hold everything up.
class PacingService {
public:
    virtual ~PacingService() = default;

    // Suspends the steps while a modal box is open.
    virtual void PauseGame() = 0;
    virtual void ResumeGame() = 0;
    // Blocks the game for `ms` milliseconds; the window does not respond meanwhile.
    virtual void Sleep(std::uint32_t ms) = 0;
};

// Keeps the game's steps suspended while it lives (when `active`): around a modal box, or a
// program the game waits for, however the call that opened it is left.
class PausedGame {
public:
    explicit PausedGame(PacingService& pacing, bool active = true)
        : pacing_(pacing), active_(active) {
        if (active_) {
            pacing_.PauseGame();
        }
    }
    ~PausedGame() {
        if (active_) {
            pacing_.ResumeGame();
        }
    }
    PausedGame(const PausedGame&) = delete;
    PausedGame& operator=(const PausedGame&) = delete;

private:
    PacingService& pacing_;
    bool active_;
};

// The services one running game uses.
struct GameServices {
    DrawingService& drawing;
    Dialogs& dialogs;
    SoundService& sound;
    PacingService& pacing;
    ScoreService& scores;
    ScreenService& screens;
    DeviceInput& input;
    ProgramService& programs;
};

} // namespace velkaro
