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
    const std::string typed = answers_.ForScoreName();
    transcript_.Write(
        "highscore",
        {{"score", table.offeredScore}, {"place", *table.newPlace}, {"name", AnsiToUtf8(typed)}});
    return typed;
}

} // namespace velkaro
