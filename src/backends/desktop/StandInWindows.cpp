#include "backends/desktop/StandInWindows.h"

#include "base/AnsiText.h"

#include <string>

namespace velkaro {
namespace {

// A file name as a game text.
std::string NameOf(const std::filesystem::path& file) {
    return Utf8ToAnsi(file.filename().string()).value_or("?");
}

} // namespace

std::string StandInScoreWindow::ShowScoreTable(const ScoreTableView& table) {
    std::string text = table.caption + "\r";
    for (int place = 1; place <= kScorePlaces; ++place) {
        const ScorePlace& entry = table.places[static_cast<std::size_t>(place - 1)];
        text += "\r" + std::to_string(place) + ".  ";
        text += table.newPlace == place ? std::string("(you)") : entry.name;
        text += "  " + std::to_string(entry.score);
    }
    if (!table.newPlace) {
        dialogs_.ShowMessage(text);
        return {};
    }
    text += "\r\rYour name:";
    return dialogs_.AskText(text, "").value_or("");
}

void StandInSplashWindow::ShowImage(const std::filesystem::path& file, const Bitmap&, SplashBox,
                                    SplashBox, std::int32_t) {
    dialogs_.ShowMessage("Here the game shows the picture " + NameOf(file) + ".");
}

void StandInSplashWindow::ShowVideo(const std::filesystem::path& file, bool, bool) {
    dialogs_.ShowMessage("Here the game shows the video " + NameOf(file) + ".");
}

void StandInSplashWindow::ShowText(const std::filesystem::path& file, SplashBox, Colour,
                                   std::int32_t) {
    dialogs_.ShowMessage("Here the game shows the text " + NameOf(file) + ".");
}

} // namespace velkaro
