#include "backends/headless/HeadlessScoreWindow.h"

#include "base/AnsiText.h"

namespace velkaro {

std::string HeadlessScoreWindow::ShowScoreTable(const ScoreTableView& table) {
    if (!table.newPlace) {
        // Closed with OK; a name typed for it has nowhere to go.
        answers_.ForScoreName();
        transcript_.Write("highscore",
                          {{"score", table.offeredScore}, {"place", nullptr}, {"name", nullptr}});
        return {};
    }
    // A name the game's character set cannot hold reaches the table as nothing typed, and the
    // transcript shows what the table got.
    const std::string typed = Utf8ToAnsi(answers_.ForScoreName()).value_or(std::string());
    transcript_.Write(
        "highscore",
        {{"score", table.offeredScore}, {"place", *table.newPlace}, {"name", AnsiToUtf8(typed)}});
    return typed;
}

} // namespace velkaro
