#pragma once

#include <cstdint>
#include <string>

namespace velkaro {

// What the room and instance operations ask of the parts around the game: drawing, the
// shell's boxes and windows, sound, and the game thread. Each is implemented once for the
// desktop and once for the headless runner.

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

// The modal boxes and windows of the shell. Texts are game texts, with line breaks as
// carriage returns.
class DialogService {
public:
    virtual ~DialogService() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A box with Yes and No; true for Yes.
    virtual bool ShowQuestion(const std::string& text) = 0;
    // The high-score window, offering `score` for entry when it ranks.
    virtual void ShowScores(std::int32_t score) = 0;
};

// The sound player.
class SoundService {
public:
    virtual ~SoundService() = default;

    // Plays sound `number` (0 stops every sound); `mode` says whether it loops. False when
    // there is no such sound.
    virtual bool PlayGameSound(std::int32_t number, std::int32_t mode) = 0;
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
};

} // namespace velkaro
