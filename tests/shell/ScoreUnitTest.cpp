#include "shell/ScoreUnit.h"

#include "data/GameLoader.h"
#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

using test::RecordingDialogs;
using test::TempDir;

// Keeps every showing of the table and types the next name.
class RecordingScoreWindow : public ScoreWindow {
public:
    std::string ShowScoreTable(const ScoreTableView& table) override {
        shown.push_back(table);
        return typed;
    }

    std::vector<ScoreTableView> shown;
    std::string typed;
};

// Ten lines of an untouched table.
std::string EmptyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "0 <nobody>\r\n";
    }
    return text;
}

class ScoreUnitTest : public ::testing::Test {
protected:
    ScoreUnitTest() {
        std::filesystem::create_directory(DataFolder());
        data.gameName = "maze";
        data.dataFolder = DataFolder().string() + "/";
        data.files = Files(DataFolder());
    }

    std::filesystem::path DataFolder() const { return folder.Path() / "maze_data"; }
    std::filesystem::path ScoresFile() const { return DataFolder() / "scores"; }
    void WriteScores(const std::string& text) const { folder.WriteText("maze_data/scores", text); }
    std::string SavedText() const {
        const auto bytes = test::ReadAllBytes(ScoresFile());
        return std::string(bytes.begin(), bytes.end());
    }

    // A table as the next game start would read it.
    CHighScores Reloaded() {
        CHighScores table(data, dialogs, window);
        table.LoadScores();
        return table;
    }

    // Fills the top places with these scores, in order.
    void Fill(const std::vector<std::pair<std::string, std::int32_t>>& entries) {
        for (const auto& [name, score] : entries) {
            scores.AddScore(name, score);
        }
    }

    TempDir folder;
    GameData data;
    RecordingDialogs dialogs;
    RecordingScoreWindow window;
    CHighScores scores{data, dialogs, window};
};

TEST_F(ScoreUnitTest, AGameWithoutAScoresFileStartsWithTenEmptyPlacesAndTheStartLook) {
    scores.SetScoreColours(1, 2);
    scores.SetScoreFont("Arial");
    scores.LoadScores();
    for (int place = 1; place <= 10; ++place) {
        EXPECT_EQ(scores.ScoreAt(place), 0);
        EXPECT_EQ(scores.NameAt(place), "<nobody>");
    }
    EXPECT_EQ(scores.FirstColour(), 0x0000FFu);
    EXPECT_EQ(scores.OtherColour(), 0xFF0000u);
    EXPECT_EQ(scores.FontName(), "Times New Roman");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ScoreUnitTest, AnEqualScoreGoesBelowTheEntriesItEquals) {
    Fill({{"a", 500}, {"b", 400}, {"c", 400}});
    EXPECT_EQ(scores.EnterScore(400, "d"), 4);
    const std::vector<std::pair<std::int32_t, std::string>> expected = {
        {500, "a"}, {400, "b"}, {400, "c"}, {400, "d"}, {0, "<nobody>"}};
    for (int place = 1; place <= 5; ++place) {
        EXPECT_EQ(scores.ScoreAt(place), expected[place - 1].first) << place;
        EXPECT_EQ(scores.NameAt(place), expected[place - 1].second) << place;
    }
}

TEST_F(ScoreUnitTest, EnteringShiftsTheLowerPlacesDownAndTheTenthFallsOff) {
    for (int i = 10; i >= 1; --i) {
        scores.AddScore("p" + std::to_string(i), i * 10); // 100 at place 1 ... 10 at place 10
    }
    EXPECT_EQ(scores.EnterScore(55, "new"), 6);
    EXPECT_EQ(scores.ScoreAt(5), 60);
    EXPECT_EQ(scores.NameAt(6), "new");
    EXPECT_EQ(scores.ScoreAt(7), 50);
    EXPECT_EQ(scores.ScoreAt(10), 20);
    EXPECT_EQ(scores.NameAt(10), "p2");
    // Equal to the tenth entry: not strictly greater, so nothing changes.
    EXPECT_EQ(scores.EnterScore(20, "late"), std::nullopt);
    EXPECT_EQ(scores.NameAt(10), "p2");
}

TEST_F(ScoreUnitTest, ZeroDoesNotEnterAnEmptyTableButOneTakesTheFirstPlace) {
    scores.LoadScores();
    scores.AddScore("zero", 0);
    EXPECT_EQ(scores.NameAt(1), "<nobody>");
    EXPECT_EQ(SavedText(), EmptyLines(10));
    scores.AddScore("one", 1);
    EXPECT_EQ(scores.ScoreAt(1), 1);
    EXPECT_EQ(scores.NameAt(1), "one");
    EXPECT_EQ(scores.NameAt(2), "<nobody>");
}

TEST_F(ScoreUnitTest, AScoreBelowEveryEntryChangesNothingButTheTableIsStillSaved) {
    WriteScores("9 x\r\n");
    scores.LoadScores();
    scores.AddScore("low", -1);
    EXPECT_EQ(SavedText(), "9 x\r\n" + EmptyLines(9));
}

TEST_F(ScoreUnitTest, PlacesOutsideOneToTenReadAsZeroAndNoName) {
    Fill({{"a", 5}});
    for (std::int32_t place : {0, 11, -1, 2147483647}) {
        EXPECT_EQ(scores.ScoreAt(place), 0) << place;
        EXPECT_EQ(scores.NameAt(place), "") << place;
    }
    EXPECT_EQ(scores.ScoreAt(1), 5);
}

TEST_F(ScoreUnitTest, TheFileHoldsTenLinesOfScoreBlankAndNameEndingInCrLf) {
    WriteScores("1200 Alice\r\n-3 Bob\r\n");
    scores.LoadScores();
    scores.AddScore("Jos\xe9", 700);
    EXPECT_EQ(SavedText(), "1200 Alice\r\n700 Jos\xe9\r\n-3 Bob\r\n" + EmptyLines(7));
}

TEST_F(ScoreUnitTest, NamesComeBackFromTheFileAsTheyWereWithTheirLeadingBlanks) {
    Fill({{"  Ann", 30}, {"", 20}, {"Caf\xe9 Bar ", 10}});
    const CHighScores next = Reloaded();
    EXPECT_EQ(next.NameAt(1), "  Ann");
    EXPECT_EQ(next.NameAt(2), "");
    EXPECT_EQ(next.NameAt(3), "Caf\xe9 Bar ");
    EXPECT_EQ(next.ScoreAt(3), 10);
    EXPECT_EQ(next.NameAt(4), "<nobody>");
}

TEST_F(ScoreUnitTest, ALineBreakInANameIsWrittenAsABlankSoTheLinesStayInStep) {
    Fill({{"two\r\nlines", 30}, {"next", 20}});
    EXPECT_EQ(scores.NameAt(1), "two\r\nlines"); // the table itself keeps it
    const CHighScores next = Reloaded();
    EXPECT_EQ(next.NameAt(1), "two  lines");
    EXPECT_EQ(next.ScoreAt(2), 20);
    EXPECT_EQ(next.NameAt(2), "next");
}

TEST_F(ScoreUnitTest, WithoutADataFolderThePlayerIsToldAndNothingIsWritten) {
    std::filesystem::remove(DataFolder());
    scores.AddScore("a", 10);
    scores.ClearScores();
    window.typed = "Ann";
    scores.ShowScores(50);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>(3, "Cannot save scores for unsaved game."));
    EXPECT_FALSE(std::filesystem::exists(DataFolder()));
    // The table in memory still changes.
    EXPECT_EQ(scores.ScoreAt(1), 50);
    EXPECT_EQ(scores.NameAt(1), "Ann");
}

TEST_F(ScoreUnitTest, AFileThatCannotBeReplacedLeavesTheTableInMemoryAndSaysSo) {
    std::filesystem::create_directory(ScoresFile());
    scores.LoadScores(); // a folder is no scores file
    EXPECT_TRUE(dialogs.messages.empty());
    scores.AddScore("a", 10);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{
                                    "Cannot save scores: the file \"scores\" cannot be written."});
    EXPECT_EQ(scores.NameAt(1), "a");
}

TEST_F(ScoreUnitTest, AShortFileFillsTheFirstPlacesOnly) {
    WriteScores("\r\n300 c\n  200 b\r\n\r\n100");
    scores.LoadScores();
    EXPECT_EQ(scores.ScoreAt(1), 300);
    EXPECT_EQ(scores.NameAt(1), "c");
    EXPECT_EQ(scores.ScoreAt(2), 200);
    EXPECT_EQ(scores.NameAt(2), "b");
    // A score at the very end, without a name or a line end.
    EXPECT_EQ(scores.ScoreAt(3), 100);
    EXPECT_EQ(scores.NameAt(3), "");
    EXPECT_EQ(scores.ScoreAt(4), 0);
    EXPECT_EQ(scores.NameAt(4), "<nobody>");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ScoreUnitTest, LinesAfterTheTenthAreNotRead) {
    std::string text;
    for (int i = 11; i >= 1; --i) {
        text += std::to_string(i) + " n" + std::to_string(i) + "\r\n";
    }
    WriteScores(text);
    scores.LoadScores();
    EXPECT_EQ(scores.NameAt(10), "n2");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ScoreUnitTest, ADamagedFileKeepsThePlacesBeforeTheDamageAndSaysHowManyWereRead) {
    struct Case {
        std::string text;
        int placesRead;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"500 a\r\n4x0 b\r\n300 c\r\n", 1,
         "The file \"scores\" is damaged: only the first 1 of its scores were read."},
        {"500 a\r\n400 b\r\n99999999999 c\r\n", 2,
         "The file \"scores\" is damaged: only the first 2 of its scores were read."},
        {"Alice 500\r\n", 0, "The file \"scores\" is damaged: none of its scores were read."},
        {"-\r\n", 0, "The file \"scores\" is damaged: none of its scores were read."},
        {std::string("\0\x01\xff", 3), 0,
         "The file \"scores\" is damaged: none of its scores were read."},
    };
    for (const Case& c : cases) {
        dialogs.messages.clear();
        WriteScores(c.text);
        scores.LoadScores();
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message}) << c.text;
        if (c.placesRead > 0) {
            EXPECT_EQ(scores.NameAt(1), "a");
        }
        for (int place = c.placesRead + 1; place <= 10; ++place) {
            EXPECT_EQ(scores.ScoreAt(place), 0) << c.text << place;
            EXPECT_EQ(scores.NameAt(place), "<nobody>") << c.text << place;
        }
    }
}

TEST_F(ScoreUnitTest, ShowingEntersTheScoreShowsTheTableAndStoresTheTypedName) {
    Fill({{"a", 500}, {"b", 100}});
    scores.SetScoreColours(0x00FF00, 0x123456);
    scores.SetScoreFont("Arial");
    data.options.highscoreborder = false;
    window.typed = "Ann";
    scores.ShowScores(300);

    ASSERT_EQ(window.shown.size(), 1u);
    const ScoreTableView& view = window.shown[0];
    EXPECT_EQ(view.caption, "maze: Top Ten Players");
    EXPECT_EQ(view.offeredScore, 300);
    EXPECT_EQ(view.newPlace, 2);
    EXPECT_EQ(view.places[1].score, 300);
    EXPECT_EQ(view.places[1].name, ""); // the player types it
    EXPECT_EQ(view.places[2].name, "b");
    EXPECT_EQ(view.firstColour, 0x00FF00u);
    EXPECT_EQ(view.otherColour, 0x123456u);
    EXPECT_EQ(view.fontName, "Arial");
    EXPECT_FALSE(view.border);
    EXPECT_EQ(view.background, std::nullopt);

    EXPECT_EQ(scores.NameAt(2), "Ann");
    EXPECT_EQ(SavedText(), "500 a\r\n300 Ann\r\n100 b\r\n" + EmptyLines(7));
}

TEST_F(ScoreUnitTest, AnEmptyTypedNameIsStoredAndAScoreThatDoesNotEnterChangesNoName) {
    Fill({{"a", 500}});
    window.typed = "";
    scores.ShowScores(600);
    EXPECT_EQ(scores.NameAt(1), "");
    EXPECT_EQ(scores.NameAt(2), "a");

    window.typed = "ignored";
    scores.ShowScores(0);
    ASSERT_EQ(window.shown.size(), 2u);
    EXPECT_EQ(window.shown[1].newPlace, std::nullopt);
    EXPECT_EQ(window.shown[1].offeredScore, 0);
    EXPECT_EQ(SavedText(), "600 \r\n500 a\r\n" + EmptyLines(8));
}

TEST_F(ScoreUnitTest, TheBackgroundIsShownWhenTheGameNamesAnExistingPicture) {
    folder.WriteText("maze_data/Pictures/Back.bmp", "BM");
    data.options.highscorefilename = data.dataFolder + "pictures\\back.BMP";
    scores.ShowScores(1);
    data.options.highscorefilename = data.dataFolder + "gone.bmp";
    scores.ShowScores(1);
    ASSERT_EQ(window.shown.size(), 2u);
    EXPECT_EQ(window.shown[0].background, DataFolder() / "Pictures" / "Back.bmp");
    EXPECT_EQ(window.shown[1].background, std::nullopt);
}

TEST_F(ScoreUnitTest, ClearingEmptiesEveryPlaceAndSaves) {
    Fill({{"a", 500}, {"b", 100}});
    scores.ClearScores();
    EXPECT_EQ(scores.NameAt(1), "<nobody>");
    EXPECT_EQ(SavedText(), EmptyLines(10));
}

} // namespace
} // namespace velkaro
