#pragma once

#include "engine/GameServices.h"
#include "script/ErrorReport.h"
#include "world/GameState.h"

#include <cstdint>
#include <string>

namespace velkaro {

class CInstance;

// What actions and built-in functions ask of the shell and the screen around the game: sounds,
// the message, question and high-score boxes, holding the game up, and a sprite drawn at once.
// Boxes suspend the game's steps while they are open. Always called inside a step.
class ShellOperations {
public:
    ShellOperations(const GameState& game, GameErrorSink& errors, GameServices services);

    // Shows the room at once, then holds the game up for `ms` milliseconds (none when
    // negative).
    void SleepFor(std::int32_t ms);
    // A sound that does not exist is a non-fatal error report.
    void PlaySound(std::int32_t number, std::int32_t mode);
    // Each "#" of the text shows as a line break.
    void ShowGameMessage(const std::string& text);
    bool ShowQuestion(const std::string& text);
    void ShowHighscores(std::int32_t value);
    // Draws the sprite of `object` (a designator) at (x, y) with self's sub-image and scale. An
    // object that does not exist is a non-fatal error report.
    void DrawObjectAt(const CInstance& self, const CInstance& other, std::int32_t object, double x,
                      double y);

private:
    const GameState& game_;
    GameErrorSink& errors_;
    GameServices services_;
};

} // namespace velkaro
