// qvf check's warnings, on a game made to hold one likely mistake of each kind beside code that
// looks alike but works; and what pack does with an option the player refuses and with a data
// folder.

#include "QvfTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velkaro::test {
namespace {

using namespace tools;

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(QvfCheck, WarnsOfEachLikelyMistakeWhereItStandsAndOfNothingElse) {
    TempDir folder;
    const fs::path game = folder.Path() / "mistakes.qvf";
    const ProgramRun pack =
        Qvf(folder,
            {"pack", (fs::path(QVF_TEST_GAMES) / "mistakes.json").string(), "-o", game.string()});
    ASSERT_EQ(pack.status, 0) << pack.err;

    // In the order of their places; each up to the words that say why.
    const std::vector<std::string> warnings = {
        "warning: hero, Creation event 0, action 1, argument 1: line 1 pos 31: image_width is "
        "read only",
        "warning: hero, Step event 0, action 1, argument 1: line 1 pos 12: lifes is neither a "
        "variable that anything in the game assigns nor the name of an object",
        "warning: hero, Step event 0, action 1, argument 1: line 1 pos 30: there is no room 9",
        "warning: hero, Keyboard event 7: this event never runs: no key has code 7",
        "warning: hero, Keyboard event left, action 1, argument 1: sets hspeed of hero, but "
        "nothing in the game sets its hdir",
        "warning: hero, Keyboard event semicolon: this event never runs: keyboard events run only "
        "for key codes 1 to 127, and the key semicolon has code 186",
        "warning: hero, Collision event 2, action 1, argument 1: line 1 pos 25: the game has no "
        "sound called boing",
        "warning: hero, Collision event 2, action 1, argument 1: line 1 pos 44: rok is neither a "
        "variable that anything in the game assigns nor the name of an object",
    };
    const ProgramRun check = Qvf(folder, {"check", game.string()});
    EXPECT_EQ(check.status, 0) << "warnings alone do not fail";
    EXPECT_EQ(check.err, "");
    const std::vector<std::string> lines = Lines(check.out);
    ASSERT_EQ(lines.size(), warnings.size() + 1) << check.out;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(warnings[i], 0), 0u) << lines[i];
        // pack says the same, without failing
        EXPECT_NE(pack.err.find(": " + lines[i] + "\n"), std::string::npos) << lines[i];
    }
    EXPECT_EQ(lines.back(), game.string() + ": no errors in 13 pieces of code, 8 warnings");

    const ProgramRun strict = Qvf(folder, {"check", "--strict", game.string()});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.out, check.out);
}

TEST(QvfPack, RefusesAnOptionThePlayerRefusesAndCopiesTheDataFolderUnderTheGamesName) {
    TempDir folder;
    const fs::path description = folder.WriteText(
        "src/game.json", R"({"options": ["fullscreen=0", "startdelay=soon", "enddelay=2"]})");
    const fs::path refused = folder.Path() / "refused.qvf";
    ProgramRun run = Qvf(folder, {"pack", description.string(), "-o", refused.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qvf pack: " + description.string() +
                           ": .options[1]: 'soon' is not a valid integer value: startdelay takes "
                           "a whole number, and the player refuses a game without one\n");
    EXPECT_FALSE(fs::exists(refused));

    // The player reads the first entry of a key only; a later one is never converted.
    folder.WriteText("src/game.json", R"({"options": ["startdelay=2", "StartDelay=soon"]})");
    folder.WriteText("src/game_data/tune.mid", "tune");
    folder.WriteText("src/game_data/levels/1.txt", "level 1");
    fs::create_directories(folder.Path() / "out");
    const fs::path game = folder.Path() / "out" / "coinhop.qvf";
    run = Qvf(folder, {"pack", description.string(), "-o", game.string(), "--data"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadText(folder.Path() / "out" / "coinhop_data" / "tune.mid"), "tune");
    EXPECT_EQ(ReadText(folder.Path() / "out" / "coinhop_data" / "levels" / "1.txt"), "level 1");

    // Packed beside its description, the game's data folder is the description's own.
    run = Qvf(folder, {"pack", "--data", description.string(), "-o",
                       (folder.Path() / "src" / "game.qvf").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadText(folder.Path() / "src" / "game_data" / "tune.mid"), "tune");

    fs::remove_all(folder.Path() / "src" / "game_data");
    const fs::path unwritten = folder.Path() / "out" / "unwritten.qvf";
    run = Qvf(folder, {"pack", description.string(), "-o", unwritten.string(), "--data"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--data: there is no data folder"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(unwritten));
}

} // namespace
} // namespace velkaro::test
