#include "backends/headless/HeadlessScoreWindow.h"

#include "backends/headless/HeadlessDialogs.h"
#include "data/GameLoader.h"
#include "shell/ScoreUnit.h"
#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velkaro {
namespace {

AnswerScript Answers(const std::string& text) {
    std::istringstream in(text);
    return AnswerScript::Read(in);
}

ScoreTableView Offered(std::int32_t score, std::optional<int> place) {
    ScoreTableView table;
    table.offeredScore = score;
    table.newPlace = place;
    return table;
}

TEST(HeadlessScoreWindow, ANewEntryTakesItsNameFromTheAnswersAndTheLineShowsIt) {
    std::ostringstream out;
    Transcript transcript(out);
    AnswerScript answers = Answers("text Ren\xc3\xa9 \ntext Ann\n");
    HeadlessScoreWindow window(transcript, answers);
    transcript.SetStep(4);
    EXPECT_EQ(window.ShowScoreTable(Offered(1200, 3)), "Ren\xe9 "); // Windows-1252 for the game
    EXPECT_EQ(window.ShowScoreTable(Offered(-5, 10)), "Ann");
    // None left: the name stays empty.
    EXPECT_EQ(window.ShowScoreTable(Offered(7, 1)), "");
    EXPECT_EQ(
        out.str(),
        "{\"step\":4,\"kind\":\"highscore\",\"score\":1200,\"place\":3,\"name\":\"Ren\xc3\xa9 "
        "\"}\n"
        "{\"step\":4,\"kind\":\"highscore\",\"score\":-5,\"place\":10,\"name\":\"Ann\"}\n"
        "{\"step\":4,\"kind\":\"highscore\",\"score\":7,\"place\":1,\"name\":\"\"}\n");
}

TEST(HeadlessScoreWindow, WithoutANewEntryTheLineHasNoPlaceNorNameAndTheAnswerIsUsedUp) {
    std::ostringstream out;
    Transcript transcript(out);
    AnswerScript answers = Answers("ok\ntext Bea\n");
    HeadlessScoreWindow window(transcript, answers);
    EXPECT_EQ(window.ShowScoreTable(Offered(0, std::nullopt)), "");
    EXPECT_EQ(window.ShowScoreTable(Offered(0, std::nullopt)), "");
    EXPECT_EQ(answers.Left(), 0u);
    const std::string line =
        "{\"step\":0,\"kind\":\"highscore\",\"score\":0,\"place\":null,\"name\":null}\n";
    EXPECT_EQ(out.str(), line + line);
}

TEST(HeadlessScoreWindow, AHeadlessTableWritesItsLineAndTheFileWithTheTypedName) {
    test::TempDir folder;
    std::filesystem::create_directory(folder.Path() / "maze_data");
    GameData data;
    data.gameName = "maze";
    data.dataFolder = (folder.Path() / "maze_data").string() + "/";
    data.files = Files(folder.Path() / "maze_data");

    std::ostringstream out;
    Transcript transcript(out);
    AnswerScript answers = Answers("text Zo\xc3\xab\n");
    HeadlessDialogs dialogs(transcript, answers);
    HeadlessScoreWindow window(transcript, answers);
    CHighScores scores(data, dialogs, window);
    scores.LoadScores();
    scores.ShowScores(250);

    EXPECT_EQ(out.str(), "{\"step\":0,\"kind\":\"highscore\",\"score\":250,\"place\":1,"
                         "\"name\":\"Zo\xc3\xab\"}\n");
    const auto bytes = test::ReadAllBytes(folder.Path() / "maze_data" / "scores");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 13), "250 Zo\xeb\r\n0 <n");
}

} // namespace
} // namespace velkaro
