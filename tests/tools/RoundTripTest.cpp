// dump then pack gives back a game file byte for byte, for files written by the test writer
// (which shares no code with qvf), and says clearly when it cannot.

#include "QvfTestSupport.h"

#include "support/GameFileBuilder.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fstream>

namespace velkaro::test {
namespace {

using namespace tools;

namespace fs = std::filesystem;

TestAction Action(std::int32_t id, std::vector<std::string> arguments, std::int32_t appliesTo = -1,
                  std::int32_t relative = 0, std::int32_t object = 1) {
    return MakeAction(id, std::move(arguments), appliesTo, relative, object);
}

// Sub-images of 5 x 3 pixels in every layout the player reads.
std::vector<std::vector<std::uint8_t>> FramesOfEveryKind() {
    auto pattern = [](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % 3); };
    BmpLayout indexed8{.bits = 8, .width = 5, .height = 3};
    indexed8.palette = {0xFFFFFF, 0xFF0000, 0x0000FF};
    indexed8.declarePaletteSize = true;
    BmpLayout indexed4{.bits = 4, .width = 5, .height = 3, .coreHeader = true};
    indexed4.palette = {0x00FF00, 0x123456};
    BmpLayout mono{.bits = 1, .width = 5, .height = 3, .writeImageSize = false};
    mono.palette = {0x000000, 0xFFFFFF};
    BmpLayout fields32{.bits = 32, .width = 5, .height = 3, .bitFields = true};
    BmpLayout plain16{.bits = 16, .width = 5, .height = 3};
    BmpLayout fields16{.bits = 16, .width = 5, .height = 3, .bitFields = true};
    // Top-down rows, padding bytes counted by the image size, a file header offset that no
    // one reads: all kept as they are.
    BmpLayout odd24{.bits = 24, .width = 5, .height = -3, .extraRowBytes = 6, .offsetField = 7};
    return {
        MakeBmp24(5, 3, [](int x, int y) { return x == 0 && y == 2 ? 0xFFFFFFu : 0x804020u; }),
        MakeBmp(indexed8, pattern),
        MakeBmp(indexed4, [](int x, int) { return static_cast<std::uint32_t>(x % 2); }),
        MakeBmp(mono, [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 2); }),
        MakeBmp(fields32, [](int x, int y) { return 0xAA000000u | (x * 40u) << 16 | y * 60u; }),
        MakeBmp(plain16, [](int x, int y) { return static_cast<std::uint32_t>(x * 1000 + y); }),
        MakeBmp(fields16, [](int x, int) { return 0xF800u >> x; }),
        MakeBmp(odd24, [](int x, int y) { return 0x010203u * static_cast<std::uint32_t>(x + y); }),
    };
}

// A game that uses every kind of record and field, with Windows-1252 bytes in its texts.
TestGame VariedGame() {
    TestGame game;
    game.checkFactor = 0x7FFFFFFF; // the product wraps
    game.options = {"fullscreen=0",
                    "FullScreen=1",
                    "showcursor=0",
                    "music=1",
                    "playlist=\"a b.mid\",c.mid",
                    "startdelay=3",
                    "startcolor=255",
                    "caption=Caf\xE9 \x80",
                    "no equals sign",
                    "",
                    "collisions=32",
                    "precise=1"};

    TestObject hero;
    hero.name = "Caf\xE9\x80";
    hero.solid = true;
    hero.active = false;
    hero.reserved = 12345;
    hero.width = 5;
    hero.height = 3;
    hero.imageReserved = {1, -2, 3, -4};
    hero.frames = FramesOfEveryKind();
    hero.bbLeft = -1;
    hero.bbRight = 4;
    hero.bbBottom = 2;
    hero.bbTop = -7;
    hero.events = {
        {0, 0, {Action(811, {}), Action(104, {"x + 1", "y", "", "fourth"}, -2, 1, 3)}},
        {2, 3, {Action(201, {"30", "3"}, -1, 2)}},
        {2, 0, {Action(421, {"-10"}, 0, -1, 0)}},
        {2, 1, {}},
        {5, 5, {}},
        {7, 0, {Action(1, {"kept"})}},
        {10, 37, {Action(111, {"-4"}, 2, 1)}},
        {10, 0, {Action(112, {"0"})}},
        {10, 10000, {Action(411, {"Hello#\"world\" 'quoted' \\back\xFF\x81\x01\x7F\n"})}},
        {11, 2, {Action(106, {}, -2)}},
        {11, 1, {Action(1003, {"Arial#12#255#1000"}, -7, 0, 99)}},
        {12, 4, {Action(-5, {"a", "b", "c"}, 1, 1, -1)}},
    };

    TestObject wall;
    wall.name = "wall";
    wall.width = 5;
    wall.height = 3;
    wall.frames = {FramesOfEveryKind()[4]};
    wall.events = {{4, 0, {Action(106, {})}}, {9, 0, {Action(1002, {"0", "0", "'text'"})}}};

    TestObject spriteless; // an image record with a size but no sub-images
    spriteless.name = "<new>";
    spriteless.width = 32;
    spriteless.height = 16;

    TestObject plain;
    plain.name = "";

    TestRoom first;
    first.name = "first room";
    first.colour = 0xFF00FF;
    first.viewEnabled = 2;
    first.viewObject = 1;
    first.instances = {{0, 0, 1}, {3, 5, 2}, {-1, 100, 4}};
    TestRoom second;
    second.name = "S\xE9"
                  "cond";
    second.colour = -1;
    second.backgroundFile = "back\\sky.bmp";
    second.backgroundShown = 1;
    second.mode = 2;
    second.hspeed = -3;
    second.vspeed = 4;
    second.cellSize = 10;

    game.objects = {hero, wall, spriteless, plain};
    game.rooms = {first, second};
    game.sounds = {{"bo\xEEte", true, "boom.wav", true, 0},
                   {"music", false, "tunes\\theme.mid", false, -3},
                   {"", true, "", false, 5}};
    return game;
}

// Dumps the file into `folder`/description and packs it again; the packed bytes.
std::vector<std::uint8_t> DumpThenPack(const std::vector<std::uint8_t>& file, const TempDir& folder,
                                       CommandResult* dumpResult = nullptr) {
    const fs::path game = folder.Write("in.qvf", file);
    const CommandResult dumped = RunDump(game, folder.Path() / "description");
    if (dumpResult != nullptr) {
        *dumpResult = dumped;
    } else {
        EXPECT_EQ(dumped.status, 0) << dumped.errors;
    }
    const CommandResult packed =
        RunPack(folder.Path() / "description" / "game.json", folder.Path() / "out.qvf");
    EXPECT_EQ(packed.status, 0) << packed.errors;
    return ReadAllBytes(folder.Path() / "out.qvf");
}

nlohmann::json ReadJson(const fs::path& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

TEST(DumpThenPack, GivesBackAVariedGameByteForByteWithEachSubImageAsEmbedded) {
    TempDir folder;
    const TestGame game = VariedGame();
    const auto file = WriteTestGame(game);
    EXPECT_EQ(DumpThenPack(file, folder), file);

    const fs::path sprites = folder.Path() / "description" / "sprites";
    for (std::size_t k = 0; k < game.objects[0].frames.size(); ++k) {
        EXPECT_EQ(ReadAllBytes(sprites / ("1-Caf__-" + std::to_string(k) + ".bmp")),
                  game.objects[0].frames[k])
            << "frame " << k;
    }
    EXPECT_EQ(ReadAllBytes(sprites / "2-wall-0.bmp"), game.objects[1].frames[0]);
    EXPECT_EQ(std::distance(fs::directory_iterator(sprites), fs::directory_iterator()), 9);
}

TEST(DumpThenPack, GivesBackTheSmallestGames) {
    TestGame oneObject;
    oneObject.checkFactor = -1;
    oneObject.objects = {TestObject{}};
    for (const TestGame& game : {TestGame{}, oneObject}) {
        TempDir folder;
        const auto file = WriteTestGame(game);
        EXPECT_EQ(DumpThenPack(file, folder), file);
    }
}

TEST(DumpThenPack, DescribesFieldsInReadableTerms) {
    TempDir folder;
    DumpThenPack(WriteTestGame(VariedGame()), folder);
    const auto json = ReadJson(folder.Path() / "description" / "game.json");

    EXPECT_EQ(json["options"][7], "caption=Caf\u00E9 \u20AC");
    const auto& hero = json["objects"][0];
    EXPECT_EQ(hero["name"], "Caf\u00E9\u20AC");
    EXPECT_EQ(hero["solid"], true);
    EXPECT_EQ(hero["active"], false);
    EXPECT_EQ(hero["sprite"]["reserved"], nlohmann::json({1, -2, 3, -4}));
    const auto& creation = hero["events"]["creation"][0]["actions"];
    EXPECT_EQ(creation[1]["applies_to"], "other");
    EXPECT_EQ(creation[1]["relative"], true);
    EXPECT_EQ(creation[1]["arguments"], nlohmann::json({"x + 1", "y", "", "fourth"}));
    EXPECT_EQ(creation[1]["object"], 3);
    // Sub-events keep their order in the row; unusual values stay numbers.
    const auto& alarms = hero["events"]["alarm"];
    EXPECT_EQ(alarms[0]["sub"], 3);
    EXPECT_EQ(alarms[0]["actions"][0]["relative"], 2);
    EXPECT_EQ(alarms[1]["actions"][0]["applies_to"], 0);
    EXPECT_EQ(alarms[2]["actions"], nlohmann::json::array());
    EXPECT_TRUE(hero["events"].contains("reserved7"));
    EXPECT_EQ(hero["events"]["collision_with"][0]["sub"], 2);

    EXPECT_EQ(json["objects"][2]["sprite"]["width"], 32);
    EXPECT_FALSE(json["objects"][3].contains("sprite"));
    EXPECT_EQ(json["rooms"][0]["background_colour"], "0xFF00FF");
    EXPECT_EQ(json["rooms"][1]["background_colour"], "0xFFFFFFFF");
    EXPECT_EQ(json["rooms"][0]["view"]["enabled"], 2);
    EXPECT_EQ(json["rooms"][0]["instances"][1],
              nlohmann::json({{"column", 3}, {"row", 5}, {"object", 2}}));
    EXPECT_EQ(json["sounds"][0]["name"], "bo\u00EEte");
    EXPECT_EQ(json["sounds"][1]["buffers"], -3);
}

TEST(DumpThenPack, KeepsWhatThePlayerWouldRefuseAndSaysSo) {
    TestGame game;
    game.checkProduct = 99;
    TestObject twice;
    twice.name = "twice";
    twice.events = {{3, 0, {Action(102, {})}}, {3, 0, {Action(103, {})}}};
    twice.width = 8; // its sub-image is 5 x 3
    twice.height = 8;
    twice.frames = {FramesOfEveryKind()[0]};
    game.objects = {twice};
    TestRoom room;
    room.instances = {{1, 1, 5}};
    game.rooms = {room};
    const auto file = WriteTestGame(game);

    TempDir folder;
    CommandResult dumped;
    EXPECT_EQ(DumpThenPack(file, folder, &dumped), file);
    EXPECT_EQ(dumped.status, 0);
    for (const char* note :
         {"check product 99", "sub-event 0 of the step event appears more than once",
          "sub-image 0 is 5 x 3 pixels", "instance 1 is of object 5, which does not exist"}) {
        EXPECT_NE(dumped.errors.find(note), std::string::npos) << note << "\n" << dumped.errors;
    }
    const CommandResult packed =
        RunPack(folder.Path() / "description" / "game.json", folder.Path() / "again.qvf");
    EXPECT_EQ(packed.status, 0);
    EXPECT_NE(packed.errors.find("warning: room 1"), std::string::npos) << packed.errors;
}

// An option the player cannot convert is the one thing pack refuses outright: the game could
// never start. Dump still writes it, so that the author can mend it.
TEST(DumpThenPack, DumpsAnOptionThePlayerRefusesThatPackThenRefuses) {
    TestGame game;
    game.options = {"startdelay=soon"};
    TempDir folder;
    const CommandResult dumped =
        RunDump(folder.Write("in.qvf", WriteTestGame(game)), folder.Path() / "description");
    EXPECT_EQ(dumped.status, 0);
    EXPECT_NE(dumped.errors.find("'soon' is not a valid integer value"), std::string::npos)
        << dumped.errors;
    const CommandResult packed =
        RunPack(folder.Path() / "description" / "game.json", folder.Path() / "again.qvf");
    EXPECT_EQ(packed.status, 1);
    EXPECT_NE(packed.errors.find(".options[0]: 'soon' is not a valid integer value"),
              std::string::npos)
        << packed.errors;
}

void PutInt(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * k));
    }
}

// A file the description cannot state exactly: dump writes what the player reads, names the
// place on standard error and exits with 1; packing it gives the file the player reads.
struct InexactCase {
    const char* what;
    std::vector<std::uint8_t> file;
    std::vector<std::uint8_t> packed;
};

std::vector<InexactCase> InexactCases() {
    // Header 12 bytes, empty options section 8, objects section header 8: the object record
    // starts at byte 28: version, name "ab" (4 + 2 bytes), solid at 38, active, 13 rows.
    TestGame game;
    game.objects = {ObjectNamed("ab")};
    game.sounds = {Sound("", true, "")};
    const auto base = WriteTestGame(game);
    std::vector<InexactCase> cases;

    auto solidTwo = base;
    PutInt(solidTwo, 38, 2);
    TestGame solid = game;
    solid.objects[0].solid = true;
    cases.push_back({"byte 38, objects section, object 1 \"ab\": solid is stored as 2", solidTwo,
                     WriteTestGame(solid)});

    auto rowEnd = base;
    PutInt(rowEnd, 46, -5);
    cases.push_back({"byte 46, objects section, object 1 \"ab\", creation event: the row ends "
                     "with -5",
                     rowEnd, base});

    auto trailing = base;
    trailing.insert(trailing.end(), {1, 2, 3});
    cases.push_back({"3 bytes after the sounds section", trailing, base});

    // The sound record is the last 24 bytes: version, name length, stored, file length,
    // effects, buffers.
    auto negativeName = base;
    PutInt(negativeName, negativeName.size() - 20, -5);
    cases.push_back({"sound 1: a text of length -5", negativeName, base});

    // A room record of version 299 is that number alone; the player keeps a default room.
    TestGame oneRoom = game;
    auto badRoom = WriteTestGame(game);
    const std::size_t roomCount = badRoom.size() - 24 - 8 - 4;
    PutInt(badRoom, roomCount, 1);
    const std::vector<std::uint8_t> v299 = {0x2B, 0x01, 0, 0};
    badRoom.insert(badRoom.begin() + static_cast<std::ptrdiff_t>(roomCount + 4), v299.begin(),
                   v299.end());
    oneRoom.rooms = {DefaultRoom()};
    cases.push_back({"room 1: the room version is 299", badRoom, WriteTestGame(oneRoom)});
    return cases;
}

TEST(DumpThenPack, SaysWhereAFileCannotBeGivenBackExactly) {
    for (const InexactCase& c : InexactCases()) {
        TempDir folder;
        CommandResult dumped;
        const auto packed = DumpThenPack(c.file, folder, &dumped);
        EXPECT_EQ(dumped.status, 1) << c.what;
        EXPECT_NE(dumped.errors.find(c.what), std::string::npos) << dumped.errors;
        EXPECT_NE(dumped.errors.find("byte for byte"), std::string::npos) << dumped.errors;
        EXPECT_EQ(packed, c.packed) << c.what;
    }
}

} // namespace
} // namespace velkaro::test
