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

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(QvfProgram, HelpAndVersionGoToStandardOutputWithStatusZero) {
    TempDir folder;
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {{"--help"}, "usage: qvf COMMAND [ARGUMENTS]"},
        {{"-h"}, "usage: qvf COMMAND [ARGUMENTS]"},
        {{"help"}, "usage: qvf COMMAND [ARGUMENTS]"},
        {{"--version"}, std::string("qvf ") + QVF_VERSION},
        {{"pack", "--help"}, "usage: qvf pack DESC.json -o GAME.qvf [--data]"},
        {{"pack", "game.json", "-h"}, "usage: qvf pack DESC.json -o GAME.qvf [--data]"},
        {{"help", "dump"}, "usage: qvf dump GAME.qvf -o DIR"},
        {{"dump", "--help"}, "usage: qvf dump GAME.qvf -o DIR"},
        {{"check", "--help"}, "usage: qvf check GAME.qvf|GAME.json [--strict]"},
        {{"run", "--help"},
         "usage: qvf run GAME.qvf [--steps N] [--seed S] [--input FILE] "
         "[--answers FILE] [--frames DIR] [--every K] [--realtime] "
         "[--transcript FILE] [--allow-execute] [--timeout SECONDS] [--replay FOLDER]"},
        {{"run", "game.qvf", "--steps", "3", "--help"},
         "usage: qvf run GAME.qvf [--steps N] "
         "[--seed S] [--input FILE] [--answers "
         "FILE] [--frames DIR] [--every K] "
         "[--realtime] [--transcript FILE] "
         "[--allow-execute] [--timeout SECONDS] [--replay FOLDER]"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = Qvf(folder, c.args);
        EXPECT_EQ(run.status, 0) << ::testing::PrintToString(c.args);
        EXPECT_EQ(FirstLine(run.out), c.firstLine) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.err, "") << ::testing::PrintToString(c.args);
    }
    // The whole help lists every command and the one rule of exit statuses.
    const ProgramRun help = Qvf(folder, {"--help"});
    for (const char* piece :
         {"qvf pack DESC.json -o GAME.qvf", "qvf dump GAME.qvf -o DIR", "qvf check GAME.qvf",
          "qvf run GAME.qvf", "qvf --version", "Exit status", "  2  wrong usage"}) {
        EXPECT_NE(help.out.find(piece), std::string::npos) << piece;
    }
    // Each command's help names its own options.
    EXPECT_NE(Qvf(folder, {"run", "--help"}).out.find("--transcript FILE"), std::string::npos);
    EXPECT_NE(Qvf(folder, {"pack", "--help"}).out.find("-o, --output GAME.qvf"), std::string::npos);
    EXPECT_EQ(Qvf(folder, {"check", "--help"}).out.find("--output"), std::string::npos);
}

TEST(QvfProgram, EveryWrongUsageExitsWithTwoAndOneLineNamingTheFault) {
    TempDir folder;
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{}, "qvf: missing command (try qvf --help)"},
        {{"frobnicate"}, "qvf: unknown command frobnicate (try qvf --help)"},
        {{"--version", "x"}, "qvf --version: unexpected argument x (try qvf --help)"},
        {{"help", "frobnicate"}, "qvf help: unknown command frobnicate (try qvf --help)"},
        {{"pack"}, "qvf pack: missing DESC.json (usage: qvf pack DESC.json -o GAME.qvf [--data])"},
        {{"pack", "game.json"},
         "qvf pack: missing -o GAME.qvf (usage: qvf pack DESC.json -o GAME.qvf [--data])"},
        {{"pack", "-o", "game.qvf"},
         "qvf pack: missing DESC.json (usage: qvf pack DESC.json -o GAME.qvf [--data])"},
        {{"pack", "--verbose", "game.json", "-o", "g.qvf"},
         "qvf pack: unknown option --verbose (usage: qvf pack DESC.json -o GAME.qvf [--data])"},
        {{"pack", "a.json", "-o", "a.qvf", "-o", "b.qvf"},
         "qvf pack: -o is given twice (usage: qvf pack DESC.json -o GAME.qvf [--data])"},
        {{"dump", "game.qvf", "-o"}, "qvf dump: -o needs DIR (usage: qvf dump GAME.qvf -o DIR)"},
        {{"dump", "a.qvf", "b.qvf", "-o", "dir"},
         "qvf dump: unexpected argument b.qvf (usage: qvf dump GAME.qvf -o DIR)"},
        {{"dump", "", "-o", "dir"},
         "qvf dump: an empty file name (usage: qvf dump GAME.qvf -o DIR)"},
        {{"check"},
         "qvf check: expected one game file (usage: qvf check GAME.qvf|GAME.json [--strict])"},
        {{"check", "a.qvf", "b.qvf"},
         "qvf check: expected one game file (usage: qvf check GAME.qvf|GAME.json [--strict])"},
        {{"check", "--all", "a.qvf"},
         "qvf check: unknown option --all (usage: qvf check GAME.qvf|GAME.json [--strict])"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = Qvf(folder, c.args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.err, c.line + "\n") << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.out, "");
    }
}

// Whatever a command is given where a game file belongs, the message says what it is.
TEST(QvfProgram, AFileThatIsNoGameFileIsNamedForWhatItIs) {
    TempDir folder;
    const fs::path description = folder.WriteText("game.json", "{\"rooms\": []}");
    const fs::path braces = folder.WriteText("game.txt", "  {\"rooms\": []}");
    const fs::path text = folder.WriteText("notes.qvf", "not a game, only words");
    const fs::path empty = folder.WriteText("empty.qvf", "");
    const fs::path directory = folder.Path() / "a folder";
    fs::create_directories(directory);
    struct Case {
        fs::path file;
        std::string end;
    };
    const std::vector<Case> cases = {
        {description, " is a game description: pack it first with qvf pack"},
        {braces, " is a game description: pack it first with qvf pack"},
        {text, " is not a game file"},
        {empty, " is empty"},
        {directory, " is a directory"},
    };
    for (const Case& c : cases) {
        const std::vector<std::vector<std::string>> commands = {
            {"check", c.file.string()},
            {"run", c.file.string()},
            {"dump", c.file.string(), "-o", (folder.Path() / "out").string()},
        };
        for (const auto& args : commands) {
            // A description is what check reads as the player plays it.
            if (args[0] == "check" && c.file == description) {
                continue;
            }
            const ProgramRun run = Qvf(folder, args);
            EXPECT_EQ(run.status, 1) << ::testing::PrintToString(args);
            EXPECT_EQ(run.err, "qvf " + args[0] + ": " + c.file.string() + c.end + "\n");
            EXPECT_EQ(run.out, "");
        }
    }
    EXPECT_FALSE(fs::exists(folder.Path() / "out"));

    // And pack, given what is not a description.
    const fs::path game = folder.Write("game.qvf", WriteTestGame(TestGame{}));
    ProgramRun pack =
        Qvf(folder, {"pack", game.string(), "-o", (folder.Path() / "g.qvf").string()});
    EXPECT_EQ(pack.status, 1);
    EXPECT_EQ(pack.err,
              "qvf pack: " + game.string() +
                  " is a game file, not a description: qvf dump writes its description\n");
    pack = Qvf(folder, {"pack", directory.string(), "-o", (folder.Path() / "g.qvf").string()});
    EXPECT_EQ(pack.status, 1);
    EXPECT_EQ(pack.err, "qvf pack: " + directory.string() + " is a directory\n");
    EXPECT_FALSE(fs::exists(folder.Path() / "g.qvf"));
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
                       "ball, Keyboard event left, action 1, argument 2: line 1 pos 7: "
                       "Object ghost does not exist.\n");
    EXPECT_EQ(run.err, "");

    game.objects.erase(game.objects.begin());
    game.objects[0].events[0].actions[0].arguments[0] = "{ x = clean.x + sqrt(4) }";
    const auto cleanGame = folder.Write("clean.qvf", WriteTestGame(game));
    run = Qvf(folder, {"check", cleanGame.string()});
    EXPECT_EQ(run.status, 0);
    // The one piece of code, `{ x = clean.x + sqrt(4) }`.
    EXPECT_EQ(run.out, cleanGame.string() + ": no errors in 1 piece of code\n");
    EXPECT_EQ(run.err, "");

    // Expressions and quoted texts count; plain texts and events that never run do not.
    game.objects[0].events.push_back(
        {3,
         0,
         {MakeAction(411, {"plain words"}), MakeAction(411, {"'quoted' + \"text\""}),
          MakeAction(104, {"1", "2"})}});
    const auto more = folder.Write("more.qvf", WriteTestGame(game));
    run = Qvf(folder, {"check", more.string()});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, more.string() + ": no errors in 4 pieces of code\n");

    run = Qvf(folder, {"check", (folder.Path() / "missing.qvf").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "qvf check: Game file does not exist.\n");
    EXPECT_EQ(Qvf(folder, {"check"}).status, 2);
}

} // namespace
} // namespace velkaro::test
