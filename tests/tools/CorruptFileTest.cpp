// Files dump cannot read are refused with a message that says where and why; none crashes it
// or makes it allocate beyond the file's size.

#include "QvfTestSupport.h"

#include "description/GameFileSyntax.h"
#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

namespace velkaro::test {
namespace {

using namespace tools;

namespace fs = std::filesystem;

void PutInt(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * k));
    }
}

// One object "ab" whose record starts at byte 28 (name length at 32, name at 36), with one
// step action and one sub-image, whose BMP starts at byte 179.
TestGame GameWithSprite(std::vector<std::uint8_t> frame) {
    TestGame game;
    TestObject object = ObjectNamed("ab");
    object.width = 2;
    object.height = 2;
    object.frames = {std::move(frame)};
    object.events = {{3, 0, {MakeAction(811, {"x = 1"})}}};
    game.objects = {object};
    game.rooms = {RoomWith({{1, 1, 1}})};
    game.sounds = {Sound("s", false, "s.wav")};
    return game;
}

std::vector<std::uint8_t> Bmp() {
    return MakeBmp24(2, 2, [](int x, int) { return x == 0 ? 0xFFFFFFu : 0x102030u; });
}

struct CorruptCase {
    const char* message;
    std::vector<std::uint8_t> file;
};

std::vector<CorruptCase> CorruptCases() {
    std::vector<CorruptCase> cases;
    cases.push_back({"bad.qvf is empty", {}});
    cases.push_back({"format version is 301, not 300", WriteTestGame(GameOfVersion(301))});
    cases.push_back({"format version is 299", WriteTestGame(GameOfVersion(299))});

    auto negative = WriteTestGame(TestGame{});
    PutInt(negative, 16, -1);
    cases.push_back({"byte 16, options section: the option count -1 is negative", negative});

    auto absurd = WriteTestGame(TestGame{});
    PutInt(absurd, 24, 0x7FFFFFFF);
    cases.push_back(
        {"the object count 2147483647 is more than the rest of the file can hold", absurd});

    auto longName = WriteTestGame(GameWithSprite(Bmp()));
    PutInt(longName, 32, 1000000000);
    cases.push_back({"byte 36, objects section, object 1: a text of 1000000000 bytes runs past "
                     "the end of the file",
                     longName});

    TestGame fiveArguments = GameWithSprite(Bmp());
    fiveArguments.objects[0].events[0].actions[0].arguments = {"1", "2", "3", "4", "5"};
    cases.push_back({"step event, sub-event 0, action 1: the argument count 5 is not in 0..4",
                     WriteTestGame(fiveArguments)});

    TestGame farSub = GameWithSprite(Bmp());
    farSub.objects[0].events[0].sub = 10001;
    cases.push_back({"step event: sub-event 10001 is above 10000", WriteTestGame(farSub)});

    std::vector<std::uint8_t> notBmp(40, 'X');
    cases.push_back({"byte 179, objects section, object 1 \"ab\", sprite, sub-image 0: not a BMP "
                     "picture the player can read",
                     WriteTestGame(GameWithSprite(notBmp))});

    auto runLength = Bmp();
    PutInt(runLength, 30, 1);
    cases.push_back({"sub-image 0: not a BMP picture the player can read",
                     WriteTestGame(GameWithSprite(runLength))});

    auto shortRows = Bmp();
    PutInt(shortRows, 34, 4); // the image size leaves out most of the rows
    cases.push_back({"sub-image 0: the BMP picture's pixel rows are not valid",
                     WriteTestGame(GameWithSprite(shortRows))});

    auto longRows = Bmp();
    PutInt(longRows, 34, 100000);
    cases.push_back({"sub-image 0: the BMP picture of 100054 bytes runs past the end of the file",
                     WriteTestGame(GameWithSprite(longRows))});
    return cases;
}

TEST(DumpRefuses, FilesItCannotReadWithTheirPlaceAndNothingWritten) {
    for (const CorruptCase& c : CorruptCases()) {
        TempDir folder;
        const fs::path game = folder.Write("bad.qvf", c.file);
        const CommandResult result = RunDump(game, folder.Path() / "out");
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_NE(result.errors.find(c.message), std::string::npos)
            << "expected: " << c.message << "\ngot: " << result.errors;
        EXPECT_FALSE(fs::exists(folder.Path() / "out" / "game.json")) << c.message;
    }
}

TEST(DumpRefuses, AFileCutShortAnywhere) {
    const auto whole = WriteTestGame(GameWithSprite(Bmp()));
    ASSERT_NO_THROW(ReadGameFileSyntax(whole));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::vector<std::uint8_t> part(whole.begin(),
                                       whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THROW(ReadGameFileSyntax(std::move(part)), GameFileSyntaxError) << "cut at " << size;
    }
}

TEST(DumpRefuses, AMissingFile) {
    TempDir folder;
    const CommandResult result = RunDump(folder.Path() / "none.qvf", folder.Path() / "out");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("none.qvf: no such file"), std::string::npos) << result.errors;
}

} // namespace
} // namespace velkaro::test
