#include "data/GameLoader.h"

#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velkaro {
namespace {

using test::Bytes;
using test::RecordingDialogs;
using test::TempDir;
using test::TestGame;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A game written to a temporary folder and loaded from there.
struct Loaded {
    TempDir dir;
    RecordingDialogs dialogs;
    GameData game;
    bool ok = false;

    explicit Loaded(const std::vector<std::uint8_t>& bytes, const std::string& name = "game.qvf") {
        ok = LoadGame(dir.Write(name, bytes), game, dialogs);
    }
};

std::vector<std::uint8_t> Header(std::int32_t version, std::int32_t factor, std::int32_t product) {
    return Bytes().Int(version).Int(factor).Int(product).data;
}

TEST(LoadGame, RefusesFilesOfAnotherVersionOrWithoutIntegrity) {
    RecordingDialogs missingDialogs;
    GameData missing;
    EXPECT_FALSE(LoadGame("/nonexistent/folder/x.qvf", missing, missingDialogs));
    EXPECT_THAT(missingDialogs.messages, ElementsAre("Game file does not exist."));

    TestGame newer;
    newer.version = 301;
    Loaded n(test::WriteTestGame(newer));
    EXPECT_FALSE(n.ok);
    EXPECT_THAT(n.dialogs.messages,
                ElementsAre("This game was created with a more recent version of Quorvane. "
                            "Please download the new version from the web site."));

    TestGame older;
    older.version = 299;
    older.objects.resize(2);
    Loaded o(test::WriteTestGame(older));
    EXPECT_FALSE(o.ok);
    EXPECT_THAT(o.dialogs.messages, ElementsAre("Data file is corrupted."));
    EXPECT_EQ(o.game.objects.Count(), 0);

    TestGame wrongProduct;
    wrongProduct.objects.resize(3);
    wrongProduct.checkFactor = 5;
    wrongProduct.checkProduct = 14;
    Loaded w(test::WriteTestGame(wrongProduct));
    EXPECT_FALSE(w.ok);
    EXPECT_THAT(w.dialogs.messages, ElementsAre("Data file is corrupt."));
    EXPECT_EQ(w.game.objects.Count(), 0) << "a failed load leaves nothing behind";
}

TEST(LoadGame, CheckProductIsThirtyTwoBitAndZeroForNoObjects) {
    TestGame none;
    none.checkFactor = 12345;
    none.checkProduct = 0;
    EXPECT_TRUE(Loaded(test::WriteTestGame(none)).ok);
    none.checkProduct = 12345;
    EXPECT_FALSE(Loaded(test::WriteTestGame(none)).ok);

    TestGame wrapping;
    wrapping.objects.resize(4);
    wrapping.checkFactor = 0x40000001;
    wrapping.checkProduct = 4; // 0x100000004 wraps to 4
    Loaded w(test::WriteTestGame(wrapping));
    EXPECT_TRUE(w.ok) << (w.dialogs.messages.empty() ? "" : w.dialogs.messages[0]);
    EXPECT_EQ(w.game.objects.Count(), 4);
}

TEST(LoadGame, NamesTheGameAndItsDataFolderAfterTheFile) {
    TempDir dir;
    RecordingDialogs dialogs;
    GameData game;
    std::filesystem::create_directories(dir.Path() / "sub");
    ASSERT_TRUE(LoadGame(dir.Write("sub/my.game.qvf", test::WriteTestGame({})), game, dialogs));
    EXPECT_EQ(game.gameName, "my.game");
    EXPECT_EQ(game.dataFolder, (dir.Path() / "sub" / "my.game_data").string() + "/");
    EXPECT_EQ(game.files.DataFolder(), dir.Path() / "sub" / "my.game_data");
    EXPECT_EQ(game.info.caption, "Help for my.game");
    EXPECT_EQ(game.info.text, "");
}

TEST(LoadGame, IgnoresBytesAfterTheSoundsSection) {
    auto bytes = test::WriteTestGame({});
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7});
    EXPECT_TRUE(Loaded(bytes).ok);
}

TEST(LoadGame, ReadsEveryFieldOfObjectsAndActions) {
    TestGame g;
    test::TestObject wall;
    wall.name = "wall";
    wall.solid = true;
    wall.active = false;
    wall.bbLeft = 1;
    wall.bbRight = 30;
    wall.bbBottom = 29;
    wall.bbTop = 2;
    wall.events.push_back({3, 0, {{101, -2, 1, {"x + 1", "y"}, 2}}});
    wall.events.push_back({10, 37, {{102, 3, 0, {"a", "b", "c", "d"}, 1}, {103, -1, 0, {}, 7}}});
    wall.events.push_back({10, 2, {{104, -1, 0, {"late"}, 1}}});
    g.objects.push_back(wall);
    g.objects.push_back({});
    Loaded l(test::WriteTestGame(g));
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.dialogs.messages.empty());
    const CObject& o = l.game.objects.Get(1);
    EXPECT_EQ(o.name, "wall");
    EXPECT_TRUE(o.solid);
    EXPECT_FALSE(o.active);
    EXPECT_EQ(o.bbLeft, 1);
    EXPECT_EQ(o.bbRight, 30);
    EXPECT_EQ(o.bbBottom, 29);
    EXPECT_EQ(o.bbTop, 2);
    EXPECT_TRUE(o.HasEvent(kStepEvent));
    EXPECT_TRUE(o.HasEvent(kKeyboardEvent));
    EXPECT_FALSE(o.HasEvent(kCreationEvent));
    EXPECT_EQ(o.RowLength(kKeyboardEvent), 38);

    const CActionList* step = o.FindEventList(kStepEvent, 0);
    ASSERT_NE(step, nullptr);
    ASSERT_EQ(step->Count(), 1);
    const CAction& a = step->Get(1);
    EXPECT_EQ(a.id, 101);
    EXPECT_EQ(a.appliesTo, -2);
    EXPECT_EQ(a.relative, 1);
    EXPECT_EQ(a.arguments[0], "x + 1");
    EXPECT_EQ(a.arguments[1], "y");
    EXPECT_EQ(a.arguments[2], "") << "arguments beyond the stored count stay empty";
    EXPECT_EQ(a.arguments[3], "");
    EXPECT_EQ(a.actionObject, 2);

    const CActionList* key = o.FindEventList(kKeyboardEvent, 37);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Count(), 2);
    EXPECT_EQ(key->Get(1).arguments[3], "d");
    EXPECT_EQ(key->Get(2).actionObject, 7);

    const CObject& plain = l.game.objects.Get(2);
    EXPECT_EQ(plain.name, "object");
    for (int row = 0; row < kEventRowCount; ++row) {
        EXPECT_FALSE(plain.HasEvent(row));
    }
}

TEST(LoadGame, ASubEventStoredTwiceKeepsTheLaterList) {
    TestGame g;
    test::TestObject o;
    o.events.push_back({3, 0, {{1, -1, 0, {}, 1}, {2, -1, 0, {}, 1}}});
    o.events.push_back({3, 0, {{9, -1, 0, {}, 1}}});
    g.objects.push_back(o);
    Loaded l(test::WriteTestGame(g));
    ASSERT_TRUE(l.ok);
    const CActionList* step = l.game.objects.Get(1).FindEventList(kStepEvent, 0);
    ASSERT_EQ(step->Count(), 1);
    EXPECT_EQ(step->Get(1).id, 9);
}

TEST(LoadGame, ReadsRoomsWithTheirViewsAndInstances) {
    TestGame g;
    g.objects.resize(2);
    test::TestRoom r;
    r.name = "level one";
    r.colour = 0x123456;
    r.backgroundFile = "back.bmp";
    r.backgroundShown = 1;
    r.mode = 2;
    r.hspeed = 3;
    r.vspeed = -4;
    r.speed = 45;
    r.width = 25;
    r.height = 18;
    r.cellSize = 16;
    r.viewEnabled = 2;
    r.viewWidth = 11;
    r.viewHeight = 9;
    r.viewBorder = 3;
    r.viewObject = 2;
    r.instances = {{3, 5, 1}, {0, 0, 2}, {7, 7, 1}};
    g.rooms.push_back(r);
    test::TestRoom noFile;
    noFile.backgroundShown = 1; // the data folder itself is not a file
    g.rooms.push_back(noFile);

    TempDir dir;
    dir.Write("game_data/Back.BMP", test::MakeBmp24(2, 2, [](int, int) { return 0u; }));
    RecordingDialogs dialogs;
    GameData game;
    ASSERT_TRUE(LoadGame(dir.Write("game.qvf", test::WriteTestGame(g)), game, dialogs));
    ASSERT_EQ(game.rooms.Count(), 2);
    const CRoom& room = game.rooms.Get(1);
    EXPECT_EQ(room.name, "level one");
    EXPECT_EQ(room.backgroundColour, 0x123456u);
    EXPECT_EQ(room.backgroundFileName, "back.bmp");
    EXPECT_EQ(room.backgroundFile, game.dataFolder + "back.bmp");
    EXPECT_EQ(room.backgroundShown, 1) << "the file exists, in another letter case";
    EXPECT_EQ(room.backgroundMode, 2);
    EXPECT_EQ(room.backgroundHSpeed, 3);
    EXPECT_EQ(room.backgroundVSpeed, -4);
    EXPECT_EQ(room.gameSpeed, 45);
    EXPECT_EQ(room.widthInCells, 25);
    EXPECT_EQ(room.heightInCells, 18);
    EXPECT_EQ(room.cellSize, 16);
    EXPECT_EQ(room.viewEnabled, 2);
    EXPECT_EQ(room.viewWidthInCells, 11);
    EXPECT_EQ(room.viewHeightInCells, 9);
    EXPECT_EQ(room.viewBorderInCells, 3);
    EXPECT_EQ(room.viewObject, 2);
    ASSERT_EQ(room.InstanceCount(), 3);
    EXPECT_EQ(room.InstanceColumn(1), 3);
    EXPECT_EQ(room.InstanceRow(1), 5);
    EXPECT_EQ(room.InstanceObject(1), 1);
    EXPECT_EQ(room.InstanceObject(2), 2);
    EXPECT_EQ(room.InstanceColumn(3), 7);
    EXPECT_EQ(game.rooms.Get(2).backgroundShown, 0);
}

TEST(LoadGame, ReadsSoundsAndFindsTheirFiles) {
    TestGame g;
    g.sounds = {{"boom", false, "Sounds\\Boom.WAV", true, 3},
                {"tune", true, "tune.midi", false, 0},
                {"gone", true, "missing.mp3", false, -3}};
    TempDir dir;
    dir.Write("game_data/sounds/boom.wav", {1, 2, 3});
    dir.Write("game_data/tune.midi", {1});
    RecordingDialogs dialogs;
    GameData game;
    ASSERT_TRUE(LoadGame(dir.Write("game.qvf", test::WriteTestGame(g)), game, dialogs));
    ASSERT_EQ(game.sounds.Count(), 3);
    const CSound& boom = game.sounds.Get(1);
    EXPECT_EQ(boom.name, "boom");
    EXPECT_TRUE(boom.fileExists) << "found through \\ and without regard to letter case";
    EXPECT_EQ(boom.file, game.dataFolder + "Sounds\\Boom.WAV");
    EXPECT_TRUE(boom.effectsAllowed);
    EXPECT_EQ(boom.Copies(), 3);
    EXPECT_EQ(boom.Kind(), SoundKind::Wave);
    EXPECT_EQ(game.sounds.Get(2).Kind(), SoundKind::Other);
    EXPECT_EQ(game.sounds.Get(2).Copies(), 1);
    EXPECT_FALSE(game.sounds.Get(3).fileExists) << "the stored flag does not count";
    EXPECT_EQ(game.sounds.Get(3).Kind(), SoundKind::Mp3);
    EXPECT_EQ(game.sounds.Get(3).Copies(), 1);
}

TEST(LoadGame, ReadsTheGameInformationText) {
    TempDir dir;
    dir.WriteText("space_data/HELP.rtf", "{\\rtf1 Use the arrows.}");
    RecordingDialogs dialogs;
    GameData game;
    ASSERT_TRUE(LoadGame(dir.Write("space.qvf", test::WriteTestGame({})), game, dialogs));
    EXPECT_EQ(game.info.text, "{\\rtf1 Use the arrows.}");
    EXPECT_EQ(game.info.caption, "Help for space");
}

// Builds the sections by hand, for records whose version is wrong.
class VersionMismatch : public ::testing::Test {
protected:
    static std::vector<std::uint8_t> EmptySection() { return Bytes().Int(300).Int(0).data; }
    static std::vector<std::uint8_t> EmptyObject(const std::string& name) {
        Bytes b;
        b.Int(300).Str(name).Bool(true).Bool(true);
        for (int row = 0; row < 13; ++row) {
            b.Int(-1);
        }
        b.Int(0).Int(300).Int(4).Int(4).Int(0).Int(0).Int(0).Int(0).Int(0);
        b.Int(0).Int(0).Int(0).Int(0);
        return b.data;
    }
};

TEST_F(VersionMismatch, ShowsTheRecordsMessageKeepsDefaultsAndReadsOn) {
    // Options of version 299: the next byte is already the objects section.
    Bytes file;
    file.Raw(Header(300, 1, 2)).Int(299);
    // Two objects: the first is only a wrong version, the second is whole.
    file.Int(300).Int(2).Int(12).Raw(EmptyObject("second"));
    file.Raw(EmptySection()).Raw(EmptySection());
    Loaded l(file.data);
    ASSERT_TRUE(l.ok);
    EXPECT_THAT(l.dialogs.messages, ElementsAre("Internal error in options version.",
                                                "Internal error in object version."));
    EXPECT_EQ(l.game.objects.Get(1).name, "<new>");
    EXPECT_TRUE(l.game.objects.Get(1).active);
    EXPECT_EQ(l.game.objects.Get(2).name, "second");
    EXPECT_TRUE(l.game.options.showcursor);
}

TEST_F(VersionMismatch, EverySectionAndRecordKindHasItsMessage) {
    Bytes file;
    file.Raw(Header(300, 0, 0)).Raw(EmptySection());
    file.Int(1); // objects section
    file.Int(1); // rooms section
    file.Int(1); // sounds section
    Loaded sections(file.data);
    EXPECT_TRUE(sections.ok);
    EXPECT_THAT(sections.dialogs.messages, ElementsAre("Internal error in objects version.",
                                                       "Internal error in roomlist version.",
                                                       "Internal error in sound version."));

    // One room and one sound whose versions are wrong.
    Bytes records;
    records.Raw(Header(300, 0, 0)).Raw(EmptySection()).Raw(EmptySection());
    records.Int(300).Int(1).Int(7);
    records.Int(300).Int(1).Int(8);
    Loaded r(records.data);
    EXPECT_TRUE(r.ok);
    EXPECT_THAT(r.dialogs.messages,
                ElementsAre("Internal error in room version.", "Internal error in sound version."));
    EXPECT_EQ(r.game.rooms.Get(1).name, "<new>");
    EXPECT_EQ(r.game.rooms.Get(1).gameSpeed, 20);
    EXPECT_EQ(r.game.rooms.Get(1).backgroundColour, 0xC0C0C0u);
    EXPECT_EQ(r.game.sounds.Get(1).Copies(), 1);

    // An object whose step list, action and image carry wrong versions.
    Bytes object;
    object.Int(300).Str("o").Bool(false).Bool(true);
    object.Int(-1).Int(-1).Int(-1);       // rows 0..2
    object.Int(0).Int(5);                 // step, sub 0: action list of version 5
    object.Int(-1);                       // end of the step row
    object.Int(0).Int(300).Int(1).Int(6); // collision row: a list with an action of version 6
    object.Int(-1);
    for (int row = 5; row < 13; ++row) {
        object.Int(-1);
    }
    object.Int(0).Int(7);               // reserved, then an image of version 7
    object.Int(0).Int(0).Int(0).Int(0); // bounding box
    Bytes withObject;
    withObject.Raw(Header(300, 1, 1)).Raw(EmptySection()).Int(300).Int(1).Raw(object.data);
    withObject.Raw(EmptySection()).Raw(EmptySection());
    Loaded o(withObject.data);
    EXPECT_TRUE(o.ok);
    EXPECT_THAT(o.dialogs.messages, ElementsAre("Internal error in action list version.",
                                                "Internal error in action version.",
                                                "Internal error in image version."));
    const CObject& loaded = o.game.objects.Get(1);
    EXPECT_EQ(loaded.FindEventList(kStepEvent, 0)->Count(), 0);
    ASSERT_EQ(loaded.FindEventList(kCollisionEvent, 0)->Count(), 1);
    EXPECT_EQ(loaded.FindEventList(kCollisionEvent, 0)->Get(1).actionObject, 1);
    EXPECT_EQ(loaded.image.Count(), 0);
}

// Malformed files end the load with a clear message, never a crash or an unbounded allocation.
TEST(LoadGameBadInput, CountsLengthsAndArgumentsOutOfRange) {
    auto messageOf = [](const std::vector<std::uint8_t>& bytes) {
        Loaded l(bytes);
        EXPECT_FALSE(l.ok);
        return l.dialogs.messages.empty() ? std::string() : l.dialogs.messages.back();
    };
    Bytes negative;
    negative.Raw(Header(300, 0, 0)).Int(300).Int(-5);
    EXPECT_THAT(messageOf(negative.data), HasSubstr("option count -5 is negative"));

    Bytes huge;
    huge.Raw(Header(300, 0, 0)).Int(300).Int(0).Int(300).Int(0x7FFFFFF0);
    EXPECT_THAT(messageOf(huge.data), HasSubstr("larger than the rest of the file"));

    Bytes longString;
    longString.Raw(Header(300, 0, 0)).Int(300).Int(1).Int(1000).Int(0);
    EXPECT_EQ(messageOf(longString.data), "Stream read error");

    TestGame fiveArguments;
    fiveArguments.objects.push_back({});
    fiveArguments.objects[0].events.push_back({3, 0, {{1, -1, 0, {"1", "2", "3", "4", "5"}, 1}}});
    EXPECT_THAT(messageOf(test::WriteTestGame(fiveArguments)), HasSubstr("5 arguments"));

    TestGame bigSub;
    bigSub.objects.push_back({});
    bigSub.objects[0].events.push_back({10, 10001, {}});
    EXPECT_THAT(messageOf(test::WriteTestGame(bigSub)), HasSubstr("sub-event 10001"));

    TestGame noBm;
    noBm.objects.push_back({});
    noBm.objects[0].width = 2;
    noBm.objects[0].height = 2;
    auto bmp = test::MakeBmp24(2, 2, [](int, int) { return 0u; });
    bmp[0] = 'X';
    noBm.objects[0].frames.push_back(bmp);
    EXPECT_EQ(messageOf(test::WriteTestGame(noBm)), "Bitmap image is not valid");

    TestGame strayInstance;
    strayInstance.objects.resize(1);
    strayInstance.rooms.push_back({});
    strayInstance.rooms[0].name = "hall";
    strayInstance.rooms[0].instances = {{1, 1, 1}, {2, 2, 3}};
    EXPECT_EQ(messageOf(test::WriteTestGame(strayInstance)),
              "Data file is corrupt: room \"hall\" places an instance of object 3, which does not "
              "exist.");
}

TEST(LoadGameBadInput, EveryTruncationEndsTheLoadWithAMessage) {
    TestGame g;
    test::TestObject o;
    o.width = 3;
    o.height = 2;
    o.frames.push_back(test::MakeBmp24(3, 2, [](int x, int y) { return x * 0x10 + y; }));
    o.events.push_back({3, 0, {{1, -1, 0, {"a"}, 1}}});
    g.objects.push_back(o);
    g.options = {"fullscreen=1"};
    g.rooms.push_back({});
    g.rooms[0].instances = {{1, 1, 1}};
    g.sounds.push_back({});
    const auto whole = test::WriteTestGame(g);
    ASSERT_TRUE(Loaded(whole).ok);
    TempDir dir;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        RecordingDialogs dialogs;
        GameData game;
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        ASSERT_FALSE(LoadGameFromBytes(cut, dir.Path() / "game.qvf", game, dialogs)) << size;
        ASSERT_FALSE(dialogs.messages.empty()) << size;
        // Cut inside a record: the stream's error; cut inside a list: its count is too large.
        EXPECT_THAT(dialogs.messages.back(),
                    ::testing::AnyOf("Stream read error",
                                     ::testing::HasSubstr("larger than the rest of the file")))
            << size;
        EXPECT_EQ(game.objects.Count(), 0);
    }
}

} // namespace
} // namespace velkaro
