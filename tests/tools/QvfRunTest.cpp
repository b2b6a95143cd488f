// qvf run, played end to end as a user runs it.

#include "QvfTestSupport.h"

#include "codecs/PngFile.h"
#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace velkaro::test {
namespace {

using namespace tools;
namespace fs = std::filesystem;
using Json = nlohmann::json;

ProgramRun QvfRun(const TempDir& folder, std::vector<std::string> args) {
    args.insert(args.begin(), "run");
    return Qvf(folder, args);
}

std::vector<Json> Lines(const std::string& text) {
    std::vector<Json> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(Json::parse(line));
    }
    return lines;
}

// Asks a question as it is created, says which answer it got, and ends the game in its third
// step.
fs::path CountingGame(const TempDir& folder) {
    TestGame game;
    TestObject counter = ObjectNamed("counter");
    counter.events = {
        {0,
         0,
         {MakeAction(411, {"Hello#there"}), MakeAction(721, {"Go on?"}),
          MakeAction(411, {"You said yes"}), MakeAction(811, {"steps = 0"})}},
        {3,
         0,
         {MakeAction(811, {"steps = steps + 1"}), MakeAction(801, {"steps >= 3"}),
          MakeAction(511, {})}},
    };
    game.objects = {counter};
    game.rooms = {RoomWith({{0, 0, 1}})};
    return folder.Write("count.qvf", WriteTestGame(game));
}

TEST(QvfRun, PlaysTheGameToItsEndAndWritesWhatThePlayerSees) {
    TempDir folder;
    const fs::path game = CountingGame(folder);
    const fs::path answers = folder.WriteText("answers.txt", "ok\nyes\n");
    const fs::path frames = folder.Path() / "frames";
    const ProgramRun run = QvfRun(folder, {game.string(), "--answers", answers.string(), "--frames",
                                           frames.string(), "--every", "2"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], Json::parse(R"({"step":0,"kind":"message","text":"Hello\rthere"})"));
    EXPECT_EQ(lines[1],
              Json::parse(R"({"step":0,"kind":"question","text":"Go on?","answer":"yes"})"));
    EXPECT_EQ(lines[2], Json::parse(R"({"step":0,"kind":"message","text":"You said yes"})"));

    // The game ended in step 3: frames of the steps 0 and 2 only.
    ASSERT_TRUE(fs::exists(frames / "frame-000000.png"));
    // The whole window: the room of 20 by 15 cells of 32 pixels.
    const Bitmap first = ReadPng(frames / "frame-000000.png");
    EXPECT_EQ(first.Width(), 640);
    EXPECT_EQ(first.Height(), 480);
    EXPECT_FALSE(fs::exists(frames / "frame-000001.png"));
    EXPECT_TRUE(fs::exists(frames / "frame-000002.png"));
    EXPECT_FALSE(fs::exists(frames / "frame-000004.png"));
}

TEST(QvfRun, WithoutAnswersAQuestionIsAnsweredNo) {
    TempDir folder;
    const fs::path game = CountingGame(folder);
    const fs::path transcript = folder.Path() / "t.jsonl";
    const ProgramRun run = QvfRun(folder, {game.string(), "--transcript", transcript.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::vector<Json> lines = Lines(ReadText(transcript));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["answer"], "no");
}

TEST(QvfRun, StopsAfterTheLastStepAskedFor) {
    TempDir folder;
    TestGame game;
    TestObject ticker = ObjectNamed("ticker");
    ticker.events = {{3, 0, {MakeAction(411, {"tick"})}}};
    game.objects = {ticker};
    game.rooms = {RoomWith({{0, 0, 1}})};
    const fs::path file = folder.Write("tick.qvf", WriteTestGame(game));
    const ProgramRun run = QvfRun(folder, {file.string(), "--steps", "2"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0], Json::parse(R"({"step":1,"kind":"message","text":"tick"})"));
    EXPECT_EQ(lines[1]["step"], 2);
}

TEST(QvfRun, AGameThatCannotBeLoadedExitsWithOneAndSaysWhy) {
    TempDir folder;
    const ProgramRun run = QvfRun(folder, {(folder.Path() / "missing.qvf").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out),
              std::vector<Json>{Json::parse(
                  R"({"step":0,"kind":"message","text":"Game file does not exist."})")});
}

// Says which key its keyboard events met, with the step.
fs::path KeyGame(const TempDir& folder, bool continuous) {
    TestGame game;
    TestObject keys = ObjectNamed("keys");
    keys.events = {{10, 37, {MakeAction(411, {"'left ' + string(steps)"})}},
                   {10, 32, {MakeAction(411, {"'space ' + string(steps)"})}},
                   {10, 65, {MakeAction(411, {"'a ' + string(steps)"})}},
                   {0, 0, {MakeAction(811, {"steps = 0"})}},
                   {3, 0, {MakeAction(811, {"steps = steps + 1"})}}};
    game.objects = {keys};
    game.rooms = {RoomWith({{0, 0, 1}})};
    if (continuous) {
        game.options = {"continuous=1"};
    }
    return folder.Write(continuous ? "held.qvf" : "keys.qvf", WriteTestGame(game));
}

std::vector<std::string> Texts(const std::string& transcript) {
    std::vector<std::string> texts;
    for (const Json& line : Lines(transcript)) {
        texts.push_back(std::to_string(line["step"].get<long>()) + ": " +
                        line["text"].get<std::string>());
    }
    return texts;
}

TEST(QvfRun, AnInputFileWithKeyNamesPlaysLikeOneWithCodes) {
    TempDir folder;
    const fs::path game = KeyGame(folder, false);
    const fs::path codes = folder.WriteText(
        "codes.txt", "1 key_down 37\n2 key_up 37\n# a comment\n3 key_down 32\n4 key_up 32\n"
                     "5 key_down 65\n5 key_up 65\n");
    const fs::path names = folder.WriteText(
        "names.txt", "1 key_down left\n2 key_up LEFT\n# a comment\n3 key_down space\r\n"
                     "4 key_up 32\n5 key_down A\n5 key_up a\n");
    const ProgramRun byCode =
        QvfRun(folder, {game.string(), "--steps", "6", "--input", codes.string()});
    const ProgramRun byName =
        QvfRun(folder, {game.string(), "--steps", "6", "--input", names.string()});
    ASSERT_EQ(byCode.status, 0) << byCode.err;
    ASSERT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(Texts(byCode.out), (std::vector<std::string>{"1: left 0", "3: space 2", "5: a 4"}));
    EXPECT_EQ(byName.out, byCode.out);

    // A name no key has is the input file's fault, with its line.
    const fs::path wrong = folder.WriteText("wrong.txt", "1 key_down left\n2 key_down lefft\n");
    const ProgramRun run = QvfRun(folder, {game.string(), "--input", wrong.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("qvf run: " + wrong.string() + ": line 2: unknown key \"lefft\"", 0),
              0u)
        << run.err;
}

// A held key raises its event once, unless the game has "continuous" on; several key_down
// lines are several presses.
TEST(QvfRun, AHeldKeyRaisesOneEventUnlessTheGameIsContinuous) {
    TempDir folder;
    const fs::path held = folder.WriteText("held.txt", "1 key_down left\n4 key_up left\n");
    const fs::path repeated =
        folder.WriteText("repeated.txt", "1 key_down left\n2 key_down left\n3 key_down left\n"
                                         "4 key_up left\n");
    auto run = [&](bool continuous, const fs::path& input) {
        const ProgramRun result = QvfRun(folder, {KeyGame(folder, continuous).string(), "--steps",
                                                  "6", "--input", input.string()});
        EXPECT_EQ(result.status, 0) << result.err;
        return Texts(result.out);
    };
    EXPECT_EQ(run(false, held), (std::vector<std::string>{"1: left 0"}));
    EXPECT_EQ(run(false, repeated),
              (std::vector<std::string>{"1: left 0", "2: left 1", "3: left 2"}));
    EXPECT_EQ(run(true, held), (std::vector<std::string>{"1: left 0", "2: left 1", "3: left 2"}));
}

TEST(QvfRun, UsageErrorsExitWithTwoAndOneLine) {
    TempDir folder;
    const fs::path game = CountingGame(folder);
    const std::string usage =
        " (usage: qvf run GAME.qvf [--steps N] [--seed S] [--input FILE] [--answers FILE] "
        "[--frames DIR] [--every K] [--realtime] [--transcript FILE] [--allow-execute] "
        "[--timeout SECONDS] [--replay FOLDER])";
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{}, "expected a game file" + usage},
        {{"--steps", "3"}, "expected a game file" + usage},
        {{game.string(), "--steps"}, "--steps needs a value"},
        {{game.string(), "--steps", "-1"}, "--steps expects a whole number from 0, not \"-1\""},
        {{game.string(), "--seed", "x"}, "--seed expects a whole number from 0, not \"x\""},
        {{game.string(), "--every", "0"}, "--every expects a whole number from 1, not \"0\""},
        {{game.string(), "--input"}, "--input needs a value"},
        {{game.string(), "--answers"}, "--answers needs a value"},
        {{game.string(), "--frames"}, "--frames needs a value"},
        {{game.string(), "--transcript"}, "--transcript needs a value"},
        {{game.string(), "--timeout", "0"},
         "--timeout expects a number of seconds greater than 0, not \"0\""},
        {{game.string(), "--timeout", "1s"},
         "--timeout expects a number of seconds greater than 0, not \"1s\""},
        {{game.string(), "--fast"}, "unknown option \"--fast\"" + usage},
        {{game.string(), game.string()}, "expected one game file" + usage},
        {{game.string(), "--replay", "play", "--seed", "1"},
         "--replay takes the steps, seed, input and answers from the recording: --steps, "
         "--seed, --input and --answers go without it"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = QvfRun(folder, c.args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.err, "qvf run: " + c.line + "\n") << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.out, "");
    }
}

// The files a run is given are input: their faults exit with 1, like a game file's.
TEST(QvfRun, FaultsOfTheGivenFilesExitWithOneAndOneLine) {
    TempDir folder;
    const fs::path game = CountingGame(folder);
    const fs::path badInput = folder.WriteText("input.txt", "0 key_down 13\n1 kick 3\n");
    const fs::path badAnswers = folder.WriteText("answers.txt", "ok\nmaybe\n");
    const fs::path blocker = folder.WriteText("blocker", "a file where a folder should be");
    struct Case {
        std::vector<std::string> args;
        std::string start;
    };
    const std::vector<Case> cases = {
        {{game.string(), "--answers", (folder.Path() / "none.txt").string()}, "cannot read "},
        {{game.string(), "--input", folder.Path().string()}, folder.Path().string() + " is a "},
        {{game.string(), "--input", badInput.string()}, badInput.string() + ": line 2"},
        {{game.string(), "--answers", badAnswers.string()}, badAnswers.string() + ": line 2"},
        {{game.string(), "--frames", (blocker / "frames").string()}, "cannot make the folder "},
        {{game.string(), "--transcript", (blocker / "t.jsonl").string()}, "cannot write "},
    };
    for (const Case& c : cases) {
        const ProgramRun run = QvfRun(folder, c.args);
        EXPECT_EQ(run.status, 1) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.err.rfind("qvf run: " + c.start, 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// A play written by hand, as a game author turns a play into a test: the replay takes the seed,
// the answers and the saved values the play started from, keeps the game's data folder out of
// it, and fails naming every way the game ends otherwise than the play says.
TEST(QvfRun, AReplayEndsAsItsPlaySaysOrNamesEachDifference) {
    TempDir folder;
    TestGame described;
    TestObject keeper = ObjectNamed("keeper");
    keeper.events = {
        {0,
         0,
         {MakeAction(811, {"{ show_message('had ' + read(2)); write(1, 'one'); "
                           "score = 30; steps = 0 }"})}},
        {3, 0, {MakeAction(811, {"{ steps += 1; if steps >= 2 end_game() }"})}},
    };
    described.objects = {keeper};
    described.rooms = {RoomWith({{0, 0, 1}})};
    const fs::path game = folder.Write("keeper.qvf", WriteTestGame(described));
    const auto play = [&folder](const std::string& name, const std::string& playText,
                                const std::string& endValues) {
        fs::create_directories(folder.Path() / name / "start");
        fs::create_directories(folder.Path() / name / "end");
        folder.WriteText(name + "/play.txt", playText);
        folder.WriteText(name + "/answers.txt", "ok\n");
        folder.WriteText(name + "/start/iodata", "version 1.4\r\n1\r\n2 1 seven\r\n");
        folder.WriteText(name + "/end/iodata", endValues);
        return (folder.Path() / name).string();
    };

    const std::string good = play("good", "seed 1\nsteps 2\nroom 1\nscore 30\n",
                                  "version 1.4\r\n2\r\n2 1 seven\r\n1 1 one\r\n");
    const ProgramRun replayed = QvfRun(folder, {game.string(), "--replay", good});
    EXPECT_EQ(replayed.status, 0) << replayed.err;
    EXPECT_EQ(Lines(replayed.out).at(0)["text"], "had seven");
    EXPECT_NE(replayed.err.find("the replay ended as"), std::string::npos) << replayed.err;
    EXPECT_FALSE(fs::exists(folder.Path() / "keeper_data")) << "the player's own saved values";

    const std::string bad =
        play("bad", "seed 1\nsteps 5\nroom 2\nscore 31\n", "version 1.4\r\n0\r\n");
    WritePng(Bitmap(1, 1, 0xFF000000u), folder.Path() / "bad" / "frame-000001.png");
    const ProgramRun differing = QvfRun(folder, {game.string(), "--replay", bad});
    EXPECT_EQ(differing.status, 1);
    for (const char* difference :
         {"the game ended after step 2, the recording after step 5", "the game ended in room 1 (",
          "the game ended with the score 30, the recording with 31",
          "the picture of step 1 differs from frame-000001.png",
          "the file \"iodata\" differs from the recording's"}) {
        EXPECT_NE(differing.err.find(difference), std::string::npos) << differing.err;
    }
}

} // namespace
} // namespace velkaro::test
