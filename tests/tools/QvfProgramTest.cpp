// The qvf program itself, run as a user runs it.

#include "QvfTestSupport.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace velkaro::test {
namespace {

using namespace tools;

namespace fs = std::filesystem;

TEST(QvfProgram, DumpsAndPacksAGameFile) {
    TempDir folder;
    TestGame game;
    TestObject ball = ObjectNamed("ball");
    ball.width = 4;
    ball.height = 4;
    ball.frames = {MakeBmp24(4, 4, [](int x, int y) { return x == y ? 0xFF0000u : 0xFFFFFFu; })};
    ball.events = {{10, 39, {MakeAction(111, {"2"}, -1, 1)}}};
    game.objects = {ball};
    game.rooms = {RoomWith({{2, 2, 1}})};
    game.options = {"fullscreen=1"};
    const auto file = WriteTestGame(game);
    const fs::path original = folder.Write("my game.qvf", file);

    const ProgramRun dump =
        Qvf(folder, {"dump", original.string(), "-o", (folder.Path() / "d").string()});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(dump.err, "");
    EXPECT_TRUE(fs::exists(folder.Path() / "d" / "sprites" / "1-ball-0.bmp"));

    const ProgramRun pack = Qvf(folder, {"pack", (folder.Path() / "d" / "game.json").string(), "-o",
                                         (folder.Path() / "again.qvf").string()});
    EXPECT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(ReadAllBytes(folder.Path() / "again.qvf"), file);
}

TEST(QvfProgram, FailuresExitWithOne) {
    TempDir folder;
    const fs::path bad = folder.WriteText("bad.qvf", "not a game");
    const ProgramRun dump =
        Qvf(folder, {"dump", bad.string(), "-o", (folder.Path() / "d").string()});
    EXPECT_EQ(dump.status, 1);
    EXPECT_NE(dump.err.find("qvf dump: "), std::string::npos) << dump.err;

    const fs::path json = folder.WriteText("game.json", "{\"rooms\": 3}");
    const ProgramRun pack =
        Qvf(folder, {"pack", json.string(), "-o", (folder.Path() / "g.qvf").string()});
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE(pack.err.find(".rooms: expected a list"), std::string::npos) << pack.err;
}

TEST(QvfProgram, UsageErrorsExitWithTwoAndOneLine) {
    TempDir folder;
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"pack", "game.json"},
        {"pack", "-o", "game.qvf"},
        {"dump", "game.qvf", "-o"},
        {"dump", "a.qvf", "b.qvf", "-o", "dir"},
        {"pack", "--verbose", "game.json", "-o", "g.qvf"},
    };
    for (const auto& args : wrong) {
        const ProgramRun run = Qvf(folder, args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.err.rfind("qvf", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(QvfProgram, HelpListsTheCommands) {
    TempDir folder;
    const ProgramRun run = Qvf(folder, {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("qvf pack DESC.json -o GAME.qvf"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("qvf dump GAME.qvf -o DIR"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

} // namespace
} // namespace velkaro::test

namespace velkaro::test {
namespace {

TEST(QvfProgram, CheckListsTheErrorsOfAGamesCodeWithTheirPlaces) {
    TempDir folder;
    TestGame game;
    TestObject ball;
    ball.name = "ball";
    ball.events.push_back({3, 0, {{811, -1, 0, {"{ x = 1#y = (2 }"}, 1}}});
    ball.events.push_back({10, 37, {{104, -1, 0, {"1", "ghost.x"}, 1}}});
    game.objects.push_back(ball);
    TestObject clean;
    clean.name = "clean";
    clean.events.push_back({0, 0, {{811, -1, 0, {"{ x = ball.x + sqrt(4) }"}, 1}}});
    game.objects.push_back(clean);
    const auto withErrors = folder.Write("errors.qvf", WriteTestGame(game));
    ProgramRun run = Qvf(folder, {"check", withErrors.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "ball, Step event 0, action 1, argument 1: line 2 pos 8: ) expected.\n"
                       "ball, Keyboard event 37, action 1, argument 2: line 1 pos 7: "
                       "Object ghost does not exist.\n");
    EXPECT_EQ(run.err, "");

    game.objects.erase(game.objects.begin());
    game.objects[0].events[0].actions[0].arguments[0] = "{ x = clean.x + sqrt(4) }";
    const auto cleanGame = folder.Write("clean.qvf", WriteTestGame(game));
    run = Qvf(folder, {"check", cleanGame.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    run = Qvf(folder, {"check", (folder.Path() / "missing.qvf").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qvf check: Game file does not exist.\n");
    EXPECT_EQ(Qvf(folder, {"check"}).status, 2);
}

} // namespace
} // namespace velkaro::test
