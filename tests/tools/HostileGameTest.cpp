// Game files made to exhaust the machine: each is refused at load with the usual message, and
// neither `qvf run` nor `qvf dump` takes more than a few hundred megabytes for it. Each file is
// played by the built program in a child process whose peak memory is measured.

#include "QvfTestSupport.h"

#include "support/GameFileBuilder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velkaro::test {
namespace {

using namespace tools;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

// What every refused file, and the large legal games, must stay under.
constexpr long kPeakLimitKb = 512 * 1024;

struct Child {
    int status = -1;
    std::string out;
    std::string err;
    long peakKb = 0; // the child's largest resident size
};

// Runs qvf with `args`, its output in files of `dir`. An address-space limit keeps a qvf that
// does allocate what a file asks for from taking the machine with it (not under the address
// sanitizer, which reserves terabytes of address space for itself).
Child RunQvf(const TempDir& dir, const std::vector<std::string>& args) {
    const fs::path out = dir.Path() / "child-out.txt";
    const fs::path err = dir.Path() / "child-err.txt";
    std::vector<std::string> words = {QVF_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        const rlimit space{rlim_t{3} << 30, rlim_t{3} << 30};
        setrlimit(RLIMIT_AS, &space);
#endif
        const int in = open("/dev/null", O_RDONLY);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(o, 1);
        dup2(e, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Child child;
    int raw = 0;
    rusage usage{};
    EXPECT_EQ(wait4(pid, &raw, 0, &usage), pid);
    child.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    child.peakKb = usage.ru_maxrss;
    child.out = ReadText(out);
    child.err = ReadText(err);
    return child;
}

// A 1-bit BMP of width x height, all of colour 0, laid out as a game file embeds it.
std::vector<std::uint8_t> OneBitBmp(std::uint32_t width, std::uint32_t height) {
    const std::uint32_t stride = (width + 31) / 32 * 4;
    Bytes b;
    b.Raw({'B', 'M'}).Int(0).Int(0).Int(62);
    b.Int(40).Int(static_cast<std::int32_t>(width)).Int(static_cast<std::int32_t>(height));
    b.Raw({1, 0, 1, 0}).Int(0).Int(static_cast<std::int32_t>(stride * height));
    b.Int(2835).Int(2835).Int(0).Int(0);
    b.Int(0).Int(0xFFFFFF); // the colour table
    b.data.resize(b.data.size() + std::size_t{stride} * height, 0);
    return b.data;
}

// One room (with what `roomFields` adds) holding one instance of the one object.
std::string RoomGame(const std::string& roomFields) {
    return R"({"objects": [{"name": "a", "events": {"creation": [{"actions":
               [{"id": 411, "arguments": ["started"]}]}]}}],
               "rooms": [{"name": "big", "instances": [{"column": 1, "row": 1, "object": 1}])" +
           roomFields + "}]}";
}

fs::path Pack(const TempDir& dir, const std::string& name, const std::string& description) {
    const fs::path json = dir.WriteText(name + ".json", description);
    const fs::path game = dir.Path() / (name + ".qvf");
    const Child pack = RunQvf(dir, {"pack", json.string(), "-o", game.string()});
    EXPECT_EQ(pack.status, 0) << pack.err;
    return game;
}

// The file is refused by `qvf run` (status 1, the message in the transcript) and `dump` says
// why (`dumpStatus` 0 when it can still describe the file), each within the peak limit.
// Answers the run.
Child ExpectRefused(const TempDir& dir, const fs::path& game, const std::string& message,
                    const std::string& dumpNote, int dumpStatus) {
    SCOPED_TRACE(game.filename().string());
    const Child run = RunQvf(dir, {"run", game.string(), "--steps", "2"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_THAT(run.out, HasSubstr(R"("kind":"message","text":")" + message));
    EXPECT_THAT(run.out, Not(HasSubstr("started")));
    EXPECT_LT(run.peakKb, kPeakLimitKb);

    const Child dump = RunQvf(dir, {"dump", game.string(), "-o", (dir.Path() / "dump").string()});
    EXPECT_EQ(dump.status, dumpStatus) << dump.err;
    EXPECT_THAT(dump.err, HasSubstr(dumpNote));
    EXPECT_LT(dump.peakKb, kPeakLimitKb);
    return run;
}

TEST(HostileGame, RoomsAndViewsBeyondTheDrawingLimitsAreRefusedBeforeTheirPictureIsMade) {
    TempDir dir;
    ExpectRefused(dir, Pack(dir, "cells500", RoomGame(R"(, "width": 500, "height": 500)")),
                  R"(Data file is corrupt: room \"big\" is 16000 x 16000 pixels, too large to )"
                  "be drawn without a view",
                  R"(room 1 "big" is 16000 x 16000 pixels)", 0);
    ExpectRefused(dir, Pack(dir, "cells1400", RoomGame(R"(, "width": 1400, "height": 1400)")),
                  R"(Data file is corrupt: room \"big\" is 44800 x 44800 pixels; a room may be )"
                  "at most 16384 pixels a side.",
                  "44800 x 44800 pixels", 0);
    // Cells times cell size is 2^36: worked out in 64 bits, never wrapped.
    ExpectRefused(dir, Pack(dir, "widest", RoomGame(R"(, "width": 2147483647)")),
                  R"(Data file is corrupt: room \"big\" is 68719476704 x 384 pixels)",
                  "68719476704 x 384 pixels", 0);
    ExpectRefused(
        dir, Pack(dir, "view", RoomGame(R"(, "view": {"enabled": true, "width": 600,
                                                            "height": 20})")),
        R"(Data file is corrupt: room \"big\" has a view of 19200 x 640 pixels; a view may be at most )",
        "has a view of 19200 x 640 pixels", 0);
    ExpectRefused(dir, Pack(dir, "negative", RoomGame(R"(, "cell_size": -32)")),
                  R"(Data file is corrupt: room \"big\" has a negative size)",
                  "has a negative size", 0);
}

TEST(HostileGame, LargeLegalRoomsLoadAndPlay) {
    TempDir dir;
    // 4096 x 4096 pixels drawn whole, and 16384 x 16384 pixels seen through a 640 x 480 view:
    // both at the limits.
    int game = 0;
    for (const std::string& fields :
         {std::string(R"(, "width": 128, "height": 128, "cell_size": 32)"),
          std::string(R"(, "width": 512, "height": 512, "cell_size": 32,
                         "view": {"enabled": true, "width": 20, "height": 15, "object": 1})")}) {
        SCOPED_TRACE(fields);
        const std::string name = "legal" + std::to_string(++game);
        const Child run =
            RunQvf(dir, {"run", Pack(dir, name, RoomGame(fields)).string(), "--steps", "3",
                         "--frames", (dir.Path() / name).string(), "--every", "3"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr(R"("text":"started")"));
        EXPECT_TRUE(fs::exists(dir.Path() / name / "frame-000003.png"));
        EXPECT_LT(run.peakKb, kPeakLimitKb);
    }
}

// A game of the objects (name, sprite description); room 1 has an instance of the first.
std::string SpriteGame(const std::vector<std::pair<std::string, std::string>>& objects) {
    std::string text = R"({"objects": [)";
    for (std::size_t i = 0; i < objects.size(); ++i) {
        text += (i > 0 ? ", " : "") + std::string(R"({"name": ")") + objects[i].first +
                R"(", "sprite": )" + objects[i].second + "}";
    }
    return text + R"(], "rooms": [{"instances": [{"column": 1, "row": 1, "object": 1}]}]})";
}

// A game file of `count` object records, written here: what these hold no description states.
std::vector<std::uint8_t> ObjectsFile(std::int32_t count,
                                      const std::vector<std::uint8_t>& records) {
    Bytes b;
    b.Int(300).Int(0).Int(0).Int(300).Int(0).Int(300).Int(count).Raw(records);
    return b.Int(300).Int(0).Int(300).Int(0).data;
}

// An object record: `rows` for its 13 event rows, a sprite of `frames` (1 x 1 pixels).
std::vector<std::uint8_t> ObjectRecord(const std::vector<std::uint8_t>& rows,
                                       const std::vector<std::uint8_t>& frame = {}) {
    Bytes b;
    b.Int(300).Str("e").Int(0).Int(1).Raw(rows).Int(0);
    b.Int(300).Int(1).Int(1).Int(0).Int(0).Int(0).Int(0).Int(frame.empty() ? 0 : 1).Raw(frame);
    return b.Int(0).Int(0).Int(0).Int(0).data;
}

std::vector<std::uint8_t> WrongVersionObjects(std::int32_t count) {
    return ObjectsFile(count, std::vector<std::uint8_t>(4 * static_cast<std::size_t>(count), 0));
}

TEST(HostileGame, SpriteFramesAreHeldToTheirSpriteAndTheGamesPictureBudget) {
    TempDir dir;
    dir.Write("huge.bmp", OneBitBmp(8192, 8192));
    ExpectRefused(
        dir,
        Pack(dir, "frame",
             SpriteGame({{"dot", R"({"width": 1, "height": 1, "frames": ["huge.bmp"]})"}})),
        R"(Data file is corrupt: sub-image 0 of the sprite of object \"dot\" is 8192 x 8192 )"
        "pixels, larger than its sprite (1 x 1).",
        "sub-image 0 is 8192 x 8192 pixels, the sprite 1 x 1", 0);

    // A frame beyond any picture's size (1 GB decoded, from 33 MB) is no BMP the player
    // decodes; pack refuses it, so the file is written here.
    const std::vector<std::uint8_t> noEvents(13 * 4, 0xFF); // each row a lone -1
    ExpectRefused(
        dir, dir.Write("wider.qvf", ObjectsFile(1, ObjectRecord(noEvents, OneBitBmp(32768, 8192)))),
        "Bitmap image is not valid", "sub-image 0: not a BMP picture the player can read", 1);

    // Six frames of 4096 x 4096 are 384 MB decoded: the third passes the 128 MB budget.
    dir.Write("large.bmp", OneBitBmp(4096, 4096));
    const std::string sprite = R"({"frames": ["large.bmp", "large.bmp"]})";
    ExpectRefused(dir,
                  Pack(dir, "budget", SpriteGame({{"a", sprite}, {"b", sprite}, {"c", sprite}})),
                  R"(Data file is corrupt: sub-image 0 of the sprite of object \"b\" takes the )"
                  "game's sprites past 128 MB of pixels.",
                  "the sprites take 384 MB decoded, more than 128 MB", 0);
    // At the budget (two of those frames) the game plays within what a hostile file may take.
    const Child atBudget = RunQvf(
        dir, {"run", Pack(dir, "full", SpriteGame({{"a", sprite}})).string(), "--steps", "3"});
    EXPECT_EQ(atBudget.status, 0) << atBudget.err;
    EXPECT_LT(atBudget.peakKb, kPeakLimitKb);
}

TEST(HostileGame, WrongVersionRecordsAreReportedUpToALimitThenTheFileIsRefused) {
    TempDir dir;
    // A damaged file with a few: each says so, and the game loads with their defaults.
    const Child few = RunQvf(
        dir, {"run", dir.Write("few.qvf", WrongVersionObjects(16)).string(), "--steps", "1"});
    EXPECT_EQ(few.status, 0) << few.err;
    EXPECT_EQ(std::count(few.out.begin(), few.out.end(), '\n'), 16);
    EXPECT_THAT(few.out, HasSubstr(R"("text":"Internal error in object version.")"));

    // 2.6 million of them in 10 MB: refused at the seventeenth.
    const Child many = ExpectRefused(
        dir, dir.Write("many.qvf", WrongVersionObjects(10 << 18)),
        "Data file is corrupt: more than 16 records have a version other than 300.",
        "object 17: more than 16 records have a version other than 300: the player refuses", 1);
    EXPECT_EQ(std::count(many.out.begin(), many.out.end(), '\n'), 17);
}

TEST(HostileGame, EventTablesThatFewBytesWouldMakeHugeAreRefused) {
    // Each object has sub-event 10000 in every row: 277 bytes of the file, 130,013 table
    // entries. 2,000 of them would take 2 GB.
    Bytes rows;
    for (int row = 0; row < 13; ++row) {
        rows.Int(10000).Int(300).Int(0).Int(-1);
    }
    std::vector<std::uint8_t> records;
    for (int object = 0; object < 2000; ++object) {
        const auto record = ObjectRecord(rows.data);
        records.insert(records.end(), record.begin(), record.end());
    }
    TempDir dir;
    const Child run =
        RunQvf(dir, {"run", dir.Write("events.qvf", ObjectsFile(2000, records)).string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_THAT(run.out, HasSubstr(R"(Data file is corrupt: the events of object \"e\" take the )"
                                   "game's event tables past 16777216 entries."));
    EXPECT_LT(run.peakKb, kPeakLimitKb);
}

TEST(HostileGame, AGameFileLargerThanAnyGameIsNotReadIntoMemory) {
    TempDir dir;
    const fs::path game = dir.Write("vast.qvf", WrongVersionObjects(0));
    fs::resize_file(game, std::uintmax_t{300} << 20); // sparse: takes no disk
    // Far below the file's size, with room for what a sanitizer build adds to any program.
    constexpr long kUnreadKb = 128 * 1024;
    const Child run = RunQvf(dir, {"run", game.string()});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_THAT(run.out,
                HasSubstr("The game file is 300 MB, larger than any game (at most 256 MB)."));
    EXPECT_LT(run.peakKb, kUnreadKb);
    const Child dump = RunQvf(dir, {"dump", game.string(), "-o", (dir.Path() / "d").string()});
    EXPECT_EQ(dump.status, 1);
    EXPECT_THAT(dump.err, HasSubstr("larger than any game"));
    EXPECT_LT(dump.peakKb, kUnreadKb);
}

TEST(HostileGame, StringsThatCodeBuildsAreHeldToOneLengthAndTheGameGoesOn) {
    TempDir dir;
    // Each action is stopped by its error; the next runs, and the saved value is written.
    const std::string description = R"json({"objects": [{"name": "a", "events": {
        "creation": [{"actions": [
            {"id": 811, "arguments": ["{ s = 'x'; while 1 do s = s + s }"]},
            {"id": 811, "arguments": ["{ t = 'x'; repeat 40 t += t }"]},
            {"id": 811, "arguments": ["u = string_repeat('ab', 5000000)"]},
            {"id": 811, "arguments": ["u = string_insert(string_repeat('ab', 5000000), u, 1)"]},
            {"id": 811, "arguments": ["w = string_width(string_repeat('x', 70000))"]},
            {"id": 811, "arguments": ["write(1, 7)"]}]}],
        "drawing": [{"actions": [
            {"id": 811, "arguments": ["draw_text(0, 0, string_repeat('x', 70000))"]}]}]}}],
        "rooms": [{"name": "r", "instances": [{"column": 1, "row": 1, "object": 1}]}]})json";
    const fs::path game = Pack(dir, "strings", description);
    fs::create_directory(dir.Path() / "strings_data");
    const Child run = RunQvf(dir, {"run", game.string(), "--steps", "2"});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string message :
         {"Result of + is too long.", "Result of += is too long.",
          "Result of string_insert is too long.",
          "Text of string_width is too long to draw: 70000 characters (at most 65536).",
          "Text of draw_text is too long to draw: 70000 characters (at most 65536)."}) {
        EXPECT_THAT(run.out, HasSubstr(message));
    }
    EXPECT_LT(run.peakKb, kPeakLimitKb);
    EXPECT_THAT(ReadText(dir.Path() / "strings_data" / "iodata"), HasSubstr("7"));
}

TEST(HostileGame, AGameThatRunsOutOfMemoryEndsWithItsReportAndItsValuesSaved) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reports an exhausted memory itself";
#else
    TempDir dir;
    // Every element is a copy of a 16 MB string: 200 of them pass the child's 3 GB.
    const std::string description = R"json({"objects": [{"name": "a", "events": {
        "creation": [{"actions": [
            {"id": 811, "arguments": ["write(1, 7)"]},
            {"id": 811, "arguments": ["{ s = string_repeat('x', 16000000); i = 0; repeat 200 { list[i] = s; i += 1 } }"]}]}]}}],
        "rooms": [{"name": "r", "instances": [{"column": 1, "row": 1, "object": 1}]}]})json";
    const fs::path game = Pack(dir, "hungry", description);
    fs::create_directory(dir.Path() / "hungry_data");
    const Child run = RunQvf(dir, {"run", game.string(), "--steps", "2"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_THAT(run.out, HasSubstr("The game ran out of memory and ends."));
    EXPECT_THAT(run.err, HasSubstr("qvf run: the game ran out of memory"));
    EXPECT_THAT(ReadText(dir.Path() / "hungry_data" / "iodata"), HasSubstr("7"));
#endif
}

} // namespace
} // namespace velkaro::test
