#pragma once

#include "base/Bitmap.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velkaro {

// The high-score table has ten places, numbered from 1 (best) to 10.
constexpr int kScorePlaces = 10;

struct ScorePlace {
    std::int32_t score = 0;
    std::string name; // a game text (Windows-1252)
};

// Everything one showing of the high-score window needs. Texts are game texts (Windows-1252).
struct ScoreTableView {
    std::string caption;
    // Place 1 first. A new entry's name is empty: the player types it.
    std::array<ScorePlace, kScorePlaces> places;
    // Place 1's labels are drawn in the first colour, the other places' in the second.
    Colour firstColour = 0;
    Colour otherColour = 0;
    std::string fontName;
    // A dialog border; none when false.
    bool border = true;
    // A picture stretched over the whole window; none when the game has none or the file is
    // missing.
    std::optional<std::filesystem::path> background;
    // The score the game offered the table, whether it entered or not.
    std::int32_t offeredScore = 0;
    // The place (1..10) the offered score took, where the name box sits and has the focus; none
    // when the score did not enter and there is no box.
    std::optional<int> newPlace;
};

// The high-score window of the shell.
class ScoreWindow {
public:
    virtual ~ScoreWindow() = default;

    // Shows the table modally until the player closes it (OK, or Enter). Answers the text of
    // the name box, as typed, possibly empty; empty when there was no box.
    virtual std::string ShowScoreTable(const ScoreTableView& table) = 0;
};

} // namespace velkaro
