#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <optional>
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

// The modal boxes of the shell. Texts are game texts (Windows-1252), with line breaks as
// carriage returns. The callers suspend the game's steps around them.
class DialogService {
public:
    virtual ~DialogService() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A box with Yes and No; true for Yes.
    virtual bool ShowQuestion(const std::string& text) = 0;
    // An input box with an empty caption, the prompt and an edit field holding `value`: the
    // text in the field when OK is chosen, none for Cancel or a closed box.
    virtual std::optional<std::string> AskText(const std::string& prompt,
                                               const std::string& value) = 0;
    // The game information window; returns when the player has closed it.
    virtual void ShowGameInfo() = 0;
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

// The joystick as it is at this moment.
struct JoystickState {
    // Axis positions, 0 at the left or top, 65535 at the right or bottom.
    std::int32_t x = 32768;
    std::int32_t y = 32768;
    // Bit n - 1 set while button n is held.
    std::uint32_t buttons = 0;
};

// The keyboard, mouse and joystick as they are at this moment, whatever window is in front.
class DeviceInput {
public:
    virtual ~DeviceInput() = default;

    // Whether the key with this Windows virtual-key code is held.
    virtual bool KeyDown(std::int32_t key) = 0;
    // Whether mouse button 1 (left), 2 (right) or 3 (middle) is held.
    virtual bool MouseButtonDown(std::int32_t button) = 0;
    // Nothing when there is no joystick or it cannot be read.
    virtual std::optional<JoystickState> ReadJoystick() = 0;
};

// Other programs, started for the game from its data folder.
class ProgramService {
public:
    virtual ~ProgramService() = default;

    // Starts `program` (a name in the data folder) with the argument text; when `wait`, returns
    // once it has ended. False when it could not be started.
    virtual bool Execute(const std::string& program, const std::string& arguments, bool wait) = 0;
    // Opens `file` with the desktop's program for it. False when that failed.
    virtual bool ShellExecute(const std::string& file, const std::string& parameters) = 0;
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

// The services one running game uses.
struct GameServices {
    DrawingService& drawing;
    DialogService& dialogs;
    SoundService& sound;
    PacingService& pacing;
    ScoreService& scores;
    ScreenService& screens;
    DeviceInput& input;
    ProgramService& programs;
};

} // namespace velkaro
