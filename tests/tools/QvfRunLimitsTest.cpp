// qvf run on games and files that would hang a test or lose what it checks: endless games,
// broken answers and input files, a transcript that cannot be written.

#include "QvfTestSupport.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

namespace velkaro::test {
namespace {

using namespace tools;
namespace fs = std::filesystem;
using Json = nlohmann::json;

// Long enough for every run here, short enough that a run that hangs fails its test.
const QvfSetting kHangLimit{30, ""};

std::vector<Json> Lines(const std::string& text) {
    std::vector<Json> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(Json::parse(line));
    }
    return lines;
}

// A game named `name` with its data folder, whose one object runs `creation` as it is created
// and `step` in every step (none when empty).
fs::path GameWithCode(const TempDir& folder, const std::string& name, const std::string& creation,
                      const std::string& step = {}) {
    TestGame game;
    TestObject object = ObjectNamed("looper");
    object.events = {{0, 0, {MakeAction(811, {creation})}}};
    if (!step.empty()) {
        object.events.push_back({3, 0, {MakeAction(811, {step})}});
    }
    game.objects = {object};
    game.rooms = {RoomWith({{0, 0, 1}})};
    fs::create_directory(folder.Path() / (name + "_data"));
    return folder.Write(name + ".qvf", WriteTestGame(game));
}

// Every game here ends only because its time runs out; it must then end as a closed window
// ends it: the loop stopped with the report a player gets, the game's end run (its saved
// value written), a transcript line saying why, and exit status 3, soon after the limit.
TEST(QvfRunTimeout, EndsGamesThatNeverEndByThemselves) {
    struct Case {
        std::string name;
        std::string creation;
        std::string step;
        bool loopStopped;
        bool realtime = false;
    };
    const std::vector<Case> cases = {
        {"while", "{ write(1, 'while'); while 1 do {} }", "", true},
        {"repeat", "{ write(1, 'repeat'); repeat 1000000000000 { x = 1 } }", "", true},
        {"sleeps", "write(1, 'sleeps')", "sleep(1000)", false},
        // At the game's own pace a sleep takes its time, but not beyond the limit.
        {"sleeps_long", "write(1, 'sleeps_long')", "sleep(600000)", false, true},
        {"steps", "write(1, 'steps')", "x = 1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const fs::path game = GameWithCode(folder, c.name, c.creation, c.step);
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::string> args = {"run", game.string(), "--timeout", "1.5"};
        if (c.realtime) {
            args.push_back("--realtime");
        }
        const ProgramRun run = Qvf(folder, args, kHangLimit);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_EQ(run.status, 3) << run.err;
        EXPECT_LT(seconds, 1.5 + 5.0);
        EXPECT_GE(seconds, 1.5);
        const std::vector<Json> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0]["kind"], "timeout");
        EXPECT_EQ(lines[0]["seconds"], 1.5);
        if (c.loopStopped) {
            ASSERT_EQ(lines.size(), 2u) << run.out;
            EXPECT_EQ(lines[1]["kind"], "error");
            EXPECT_EQ(lines[1]["fatal"], true);
            EXPECT_NE(lines[1]["text"].get<std::string>().find(
                          "The game was closed while this code was still running a loop."),
                      std::string::npos)
                << run.out;
        } else {
            EXPECT_EQ(lines.size(), 1u) << run.out;
        }
        EXPECT_EQ(ReadText(folder.Path() / (c.name + "_data") / "iodata"),
                  "version 1.4\r\n1\r\n1 1 " + c.name + "\r\n");
    }
}

// A transcript with lines missing is worse than none: a test would pass on what it never saw.
// A device that takes nothing fails the run at once, with the reason on standard error.
TEST(QvfRunTranscript, AnOutputThatRefusesLinesFailsTheRun) {
    TempDir folder;
    const fs::path game = GameWithCode(folder, "talker", "show_message('hello')");
    const ProgramRun toFile = Qvf(
        folder, {"run", game.string(), "--steps", "1", "--transcript", "/dev/full"}, kHangLimit);
    EXPECT_EQ(toFile.status, 1);
    EXPECT_EQ(toFile.err,
              "qvf run: cannot write the transcript to /dev/full: No space left on device\n");
    const ProgramRun toOutput =
        Qvf(folder, {"run", game.string(), "--steps", "1"}, QvfSetting{30, "/dev/full"});
    EXPECT_EQ(toOutput.status, 1);
    EXPECT_EQ(toOutput.err,
              "qvf run: cannot write the transcript to standard output: No space left on device\n");
}

// Answers and input files as editors and scripts leave them are read; anything else is refused
// before the game starts, naming the file and the line, on one line of standard error.
TEST(QvfRunFiles, AnswersAndInputFilesAreReadAsWrittenOrRefusedWithTheirLine) {
    TempDir folder;
    const fs::path game = GameWithCode(
        folder, "asker",
        "{ show_message('got ' + get_string('Name?', 'none')); show_message(chr(0) + chr(255)) }");
    // A byte-order mark and indented comments, as some editors write them.
    const fs::path answers =
        folder.WriteText("answers.txt", "\xEF\xBB\xBF  # the player's name\ntext Zo\xC3\xAB\n");
    const fs::path input =
        folder.WriteText("input.txt", "\xEF\xBB\xBF\t# keys\n0 key_down left\n  # done\n");
    const ProgramRun run = Qvf(folder,
                               {"run", game.string(), "--steps", "0", "--answers", answers.string(),
                                "--input", input.string()},
                               kHangLimit);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0]["answer"], "Zo\xC3\xAB");
    EXPECT_EQ(lines[1]["text"], "got Zo\xC3\xAB");
    // Whatever bytes a game's text holds, its line is JSON.
    EXPECT_EQ(lines[2]["text"], std::string("\0\xC3\xBF", 3));

    const std::string big(16 * 1024 * 1024 + 1, '#');
    struct Case {
        std::string option;
        fs::path file;
        std::string message; // after "qvf run: FILE"
    };
    const std::vector<Case> cases = {
        {"--answers", folder.WriteText("latin1.txt", "ok\n\n# Zo\xEB\n"),
         ": line 3: holds bytes that are not UTF-8"},
        {"--input", folder.WriteText("keys.txt", "0 key_down left\n1 char \xE9\n"),
         ": line 2: holds bytes that are not UTF-8"},
        {"--answers", folder.WriteText("japanese.txt", "ok\ntext \xE6\x97\xA5\n"),
         ": line 2: the text \"\xE6\x97\xA5\" holds a character that games cannot hold (their "
         "texts are Windows-1252)"},
        {"--answers", folder.WriteText("nul.txt", std::string("ok\nye\0s\x1B[2J\n", 12)),
         ": line 2: unknown answer \"ye\\x00s\\x1B[2J\""},
        {"--input", "/dev/zero", " is not a regular file"},
        {"--answers", folder.Path(), " is a directory"},
        {"--input", folder.WriteText("big.txt", big),
         " is larger than 16 MB, the most an input or answers file may hold"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const ProgramRun refused =
            Qvf(folder, {"run", game.string(), c.option, c.file.string()}, kHangLimit);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "qvf run: " + c.file.string() + c.message + "\n");
        EXPECT_EQ(refused.out, "");
    }
}

// A save killed while it wrote (kill -9, a power cut) leaves its new file beside the old one
// under a temporary name. The next save of the same file removes those, and nothing else: not
// a file another save is writing right now, nor any other name.
TEST(QvfRunSaves, ASaveRemovesWhatInterruptedSavesOfItsFileLeftBehind) {
    TempDir folder;
    const fs::path game =
        GameWithCode(folder, "saver", "{ write(1, 'kept'); highscore_add('Ann', 50) }");
    const fs::path data = folder.Path() / "saver_data";
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    auto leftOver = [&](const std::string& name) {
        const fs::path file = folder.WriteText("saver_data/" + name, "half a file");
        fs::last_write_time(file, hourAgo);
        return file;
    };
    const std::vector<fs::path> stale = {leftOver(".iodata.Ab12Z9"), leftOver(".iodata.000000"),
                                         leftOver(".scores.Qq7Rt0")};
    const std::vector<fs::path> others = {
        leftOver(".iodata.keep"), leftOver(".iodata.abc1234"), leftOver("iodata.abc123"),
        leftOver(".values.abc123"), leftOver(".iodata.Ab12Z9.png"),
        // Another save's, being written: young, or held.
        folder.WriteText("saver_data/.iodata.Fresh1", "being written"), leftOver(".iodata.Held22")};
    fs::create_directory(data / ".scores.Dir123");
    fs::last_write_time(data / ".scores.Dir123", hourAgo);

    const int held = open((data / ".iodata.Held22").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const ProgramRun run = Qvf(folder, {"run", game.string(), "--steps", "1"}, kHangLimit);
    close(held);

    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadText(data / "iodata"), "version 1.4\r\n1\r\n1 1 kept\r\n");
    EXPECT_EQ(ReadText(data / "scores").substr(0, 8), "50 Ann\r\n");
    for (const fs::path& file : stale) {
        EXPECT_FALSE(fs::exists(file)) << file;
    }
    for (const fs::path& file : others) {
        EXPECT_TRUE(fs::exists(file)) << file;
    }
    EXPECT_TRUE(fs::is_directory(data / ".scores.Dir123"));
}

// A saved string with a line break in it must come back as one value, not as the values its
// lines look like, and must not cost the values after it.
TEST(QvfRunSaves, AStringWithLineBreaksComesBackOnItsLineWithNothingInjected) {
    TempDir folder;
    const fs::path game = GameWithCode(
        folder, "keeper",
        "{ show_message(read(1)); show_message(read(2)); show_message(string(read(5)));"
        "  write(1, 'a' + chr(13) + chr(10) + '5 1 injected' + chr(10) + 'b'); write(2, 'after') "
        "}");
    auto play = [&] {
        const ProgramRun run = Qvf(folder, {"run", game.string(), "--steps", "0"}, kHangLimit);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> texts;
        for (const Json& line : Lines(run.out)) {
            texts.push_back(line["kind"].get<std::string>() + ": " +
                            line["text"].get<std::string>());
        }
        return texts;
    };
    EXPECT_EQ(play(), (std::vector<std::string>{"message: ", "message: ", "message: 0"}));
    EXPECT_EQ(ReadText(folder.Path() / "keeper_data" / "iodata"),
              "version 1.4\r\n2\r\n1 1 a  5 1 injected b\r\n2 1 after\r\n");
    // The next run reads both back, finds no key 5 and no damage to report.
    EXPECT_EQ(play(), (std::vector<std::string>{"message: a  5 1 injected b", "message: after",
                                                "message: 0"}));
}

} // namespace
} // namespace velkaro::test
