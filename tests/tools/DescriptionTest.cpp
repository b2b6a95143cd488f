// Descriptions written by hand: the documented example, defaults, object names, PNG sprites,
// and the messages for descriptions that cannot be packed.

#include "QvfTestSupport.h"

#include "codecs/BmpCodec.h"
#include "codecs/PngFile.h"
#include "data/GameLoader.h"
#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace velkaro::test {
namespace {

using namespace tools;

namespace fs = std::filesystem;

// The JSON of the complete example in the format's documentation.
std::string DocumentedExample() {
    std::ifstream in(fs::path(VELKARO_DOCS) / "game-description.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string doc = text.str();
    const std::size_t section = doc.find("## A complete example");
    const std::size_t start = doc.find("```json\n", section);
    const std::size_t end = doc.find("\n```", start + 8);
    if (section == std::string::npos || start == std::string::npos || end == std::string::npos) {
        ADD_FAILURE() << "the documentation has no complete example";
        return "{}";
    }
    return doc.substr(start + 8, end - start - 8);
}

// A red ball on a transparent background, with a half-transparent blue pixel at (0, 0).
Bitmap BallPicture() {
    Bitmap ball(16, 16, 0x00000000u);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if ((x - 8) * (x - 8) + (y - 8) * (y - 8) < 36) {
                ball.At(x, y) = 0xFFFF0000u;
            }
        }
    }
    ball.At(0, 0) = 0x800000FFu;
    return ball;
}

struct Loaded {
    bool ok = false;
    GameData game;
    RecordingDialogs dialogs;
};

void Load(const fs::path& path, Loaded& loaded) {
    loaded.ok = LoadGame(path, loaded.game, loaded.dialogs);
}

TEST(PackDescription, TheDocumentedExampleMakesTheGameItDescribes) {
    TempDir folder;
    folder.WriteText("game.json", DocumentedExample());
    fs::create_directories(folder.Path() / "sprites");
    WritePng(BallPicture(), folder.Path() / "sprites" / "ball.png");
    const auto wall = MakeBmp24(16, 16, [](int x, int y) { return (x + y) % 2 ? 0x804000u : 0u; });
    folder.Write("sprites/wall.bmp", wall);

    const CommandResult packed = RunPack(folder.Path() / "game.json", folder.Path() / "arena.qvf");
    ASSERT_EQ(packed.status, 0) << packed.errors;
    EXPECT_EQ(packed.errors, "");
    Loaded loaded;
    Load(folder.Path() / "arena.qvf", loaded);
    ASSERT_TRUE(loaded.ok) << ::testing::PrintToString(loaded.dialogs.messages);
    const GameData& game = loaded.game;

    EXPECT_FALSE(game.options.fullscreen);
    EXPECT_EQ(game.options.startdelay, 3);
    EXPECT_EQ(game.options.collisions, 2);

    ASSERT_EQ(game.objects.Count(), 3);
    const CObject& ball = game.objects.Get(1);
    EXPECT_EQ(ball.name, "ball");
    EXPECT_FALSE(ball.solid);
    EXPECT_TRUE(ball.active);
    EXPECT_EQ(ball.bbRight, 15);
    ASSERT_EQ(ball.image.Count(), 1);
    EXPECT_EQ(ball.image.width, 16);
    const Bitmap* frame = ball.image.Frame(0);
    EXPECT_EQ(frame->At(8, 8), 0xFFFF0000u);
    EXPECT_EQ(frame->At(0, 15), 0xFFFFFFFFu); // transparent: composited onto white
    EXPECT_NEAR(static_cast<int>(frame->At(0, 0) & 0xFF), 255, 1);
    EXPECT_NEAR(static_cast<int>(frame->At(0, 0) >> 8 & 0xFF), 127, 2);
    EXPECT_EQ(ball.image.TransparentColour(), 0xFFFFFFu);

    const CActionList* creation = ball.FindEventList(0, 0);
    ASSERT_NE(creation, nullptr);
    EXPECT_EQ(creation->Get(1).id, 131);
    EXPECT_EQ(creation->Get(1).arguments[1], "4");
    const CActionList* hitWall = ball.FindEventList(11, 2); // "wall" is object 2
    ASSERT_NE(hitWall, nullptr);
    ASSERT_EQ(hitWall->Count(), 2);
    EXPECT_EQ(hitWall->Get(1).id, 106);
    EXPECT_EQ(hitWall->Get(1).appliesTo, -1);
    EXPECT_EQ(hitWall->Get(2).arguments[0], "1");
    EXPECT_EQ(ball.FindEventList(10, 32)->Get(1).arguments[0], "Boing!#Press space again.");
    EXPECT_EQ(ball.FindEventList(10, 37)->Get(1).relative, 1);
    EXPECT_EQ(ball.FindEventList(6, 0)->Get(1).id, 104);

    const CObject& wallObject = game.objects.Get(2);
    EXPECT_TRUE(wallObject.solid);
    EXPECT_EQ(wallObject.image.Frame(0)->At(1, 0), PixelFromRgb(0x80, 0x40, 0));
    const CObject& controller = game.objects.Get(3);
    EXPECT_EQ(controller.image.Count(), 0);
    EXPECT_EQ(controller.FindEventList(2, 0)->Count(), 2);

    ASSERT_EQ(game.rooms.Count(), 1);
    const CRoom& arena = game.rooms.Get(1);
    EXPECT_EQ(arena.name, "arena");
    EXPECT_EQ(arena.backgroundColour, 0x408000u);
    EXPECT_EQ(arena.gameSpeed, 30);
    EXPECT_EQ(arena.cellSize, 16);
    EXPECT_EQ(arena.viewBorderInCells, 1);
    ASSERT_EQ(arena.InstanceCount(), 6);
    EXPECT_EQ(arena.InstanceObject(5), 1);
    EXPECT_EQ(arena.InstanceColumn(5), 10);
    EXPECT_EQ(arena.InstanceObject(6), 3);

    ASSERT_EQ(game.sounds.Count(), 1);
    EXPECT_EQ(game.sounds.Get(1).name, "bounce");
    EXPECT_EQ(game.sounds.Get(1).fileName, "bounce.wav");

    // The packed game dumps and packs again to the same bytes.
    ASSERT_EQ(RunDump(folder.Path() / "arena.qvf", folder.Path() / "dumped").status, 0);
    ASSERT_EQ(RunPack(folder.Path() / "dumped" / "game.json", folder.Path() / "again.qvf").status,
              0);
    EXPECT_EQ(ReadAllBytes(folder.Path() / "again.qvf"), ReadAllBytes(folder.Path() / "arena.qvf"));
}

TEST(PackDescription, FieldsLeftOutTakeTheRecordDefaults) {
    TempDir folder;
    folder.WriteText("game.json", R"({"objects": [{}], "rooms": [{}], "sounds": [{}]})");
    ASSERT_EQ(RunPack(folder.Path() / "game.json", folder.Path() / "g.qvf").status, 0);

    // The same game, every default written out by the independent writer.
    TestGame expected;
    expected.checkFactor = 0;
    expected.objects = {ObjectNamed("<new>")};
    expected.rooms = {DefaultRoom()};
    expected.sounds = {Sound("", false, "")};
    EXPECT_EQ(ReadAllBytes(folder.Path() / "g.qvf"), WriteTestGame(expected));
}

TEST(PackDescription, NamesObjectsAndAcceptsNotesAndComments) {
    TempDir folder;
    folder.WriteText("game.json", R"({
      // comments and "_" fields are the writer's own
      "_note": "ignored",
      "objects": [
        {"name": "Café", "events": {"collision_with": [{"sub": "wall", "actions": [
          {"id": 313, "applies_to": "wall", "object": "Café", "relative": 3}]}]}},
        {"name": "wall", "_colour": "grey"}
      ],
      "rooms": [{"view": {"enabled": true, "object": "Café"},
                 "instances": [{"column": 2, "row": 3, "object": "wall"}]}]
    })");
    const CommandResult packed = RunPack(folder.Path() / "game.json", folder.Path() / "g.qvf");
    ASSERT_EQ(packed.status, 0) << packed.errors;
    Loaded loaded;
    Load(folder.Path() / "g.qvf", loaded);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.game.objects.Get(1).name, "Caf\xE9");
    const CAction& action = loaded.game.objects.Get(1).FindEventList(11, 2)->Get(1);
    EXPECT_EQ(action.appliesTo, 2);
    EXPECT_EQ(action.actionObject, 1);
    EXPECT_EQ(action.relative, 3);
    EXPECT_EQ(loaded.game.rooms.Get(1).viewEnabled, 1);
    EXPECT_EQ(loaded.game.rooms.Get(1).viewObject, 1);
    EXPECT_EQ(loaded.game.rooms.Get(1).InstanceObject(1), 2);
}

TEST(PackDescription, PngSpritesBecome24BitBmpsOfTheirSize) {
    TempDir folder;
    Bitmap picture(3, 2);
    picture.At(0, 0) = PixelFromRgb(1, 2, 3);
    picture.At(2, 1) = PixelFromRgb(250, 128, 7);
    WritePng(picture, folder.Path() / "p.png");
    folder.WriteText("game.json", R"({"objects": [
        {"sprite": {"frames": ["p.png", "p.png"]}},
        {"sprite": {"width": 5, "frames": ["p.png"]}}]})");
    const CommandResult packed = RunPack(folder.Path() / "game.json", folder.Path() / "g.qvf");
    ASSERT_EQ(packed.status, 0) << packed.errors;
    EXPECT_NE(packed.errors.find("warning: object 2 \"<new>\": sub-image 0 is 3 x 2 pixels, the "
                                 "sprite 5 x 2"),
              std::string::npos)
        << packed.errors;
    Loaded loaded;
    Load(folder.Path() / "g.qvf", loaded);
    ASSERT_TRUE(loaded.ok);
    const CImage& image = loaded.game.objects.Get(1).image;
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    ASSERT_EQ(image.Count(), 2);
    EXPECT_EQ(*image.Frame(1), picture);
    EXPECT_EQ(loaded.game.objects.Get(2).image.width, 5);

    // The sub-image is the standard 24-bit BMP of the picture.
    ASSERT_EQ(RunDump(folder.Path() / "g.qvf", folder.Path() / "d").status, 0);
    EXPECT_EQ(ReadAllBytes(folder.Path() / "d" / "sprites" / "1-_new_-0.bmp"),
              EncodeBmp24(picture));
}

struct BadDescription {
    const char* json;
    const char* message;
};

TEST(PackDescription, RefusesWhatItCannotPackAndSaysWhere) {
    const BadDescription cases[] = {
        {R"({"objects": [)", "not valid JSON: parse error at line 1, column 14"},
        {R"({"check_factor": 4e4444})", "not valid JSON: number overflow parsing '4e4444'"},
        {"[]", "the description: expected an object"},
        {R"({"objects": [], "objects": []})", "the field \"objects\" is written twice"},
        {R"({"objects": [{"name": 5}]})", ".objects[0].name: expected a text"},
        {R"({"objects": [{"nmae": "x"}]})", ".objects[0]: unknown field \"nmae\""},
        {R"({"objects": [{"name": "日本"}]})", ".objects[0].name: the text holds '日' (U+65E5)"},
        {R"({"options": ["a=1", 3]})", ".options[1]: expected a text"},
        {R"({"objects": [{"events": {"stepp": []}}]})", ".objects[0].events.stepp: unknown event"},
        {R"({"objects": [{"events": {"keyboard": [{"sub": "lft"}]}}]})",
         ".objects[0].events.keyboard[0].sub: unknown key \"lft\""},
        {R"({"objects": [{"events": {"step": [{"sub": "left"}]}}]})",
         ".objects[0].events.step[0].sub: expected a whole number"},
        {R"({"objects": [{"events": {"step": [{"sub": 10001}]}}]})",
         ".objects[0].events.step[0].sub: the sub-event 10001 is not in 0..10000"},
        {R"({"objects": [{"events": {"step": [{"actions": [{"arguments": []}]}]}}]})",
         ".objects[0].events.step[0].actions[0]: the field \"id\" is missing"},
        {R"({"objects": [{"events": {"step": [{"actions": [{"id": 1,
              "arguments": ["1", "2", "3", "4", "5"]}]}]}}]})",
         ".objects[0].events.step[0].actions[0].arguments: an action has at most 4 arguments, "
         "not 5"},
        {R"({"objects": [{"events": {"step": [{"actions": [{"id": 1, "applies_to": "me"}]}]}}]})",
         ".objects[0].events.step[0].actions[0].applies_to: no object is named \"me\""},
        {R"({"objects": [{"name": "a"}, {"name": "a"}],
             "rooms": [{"instances": [{"column": 0, "row": 0, "object": "a"}]}]})",
         ".rooms[0].instances[0].object: more than one object is named \"a\""},
        {R"({"rooms": [{"instances": [{"column": 0, "object": 1}]}]})",
         ".rooms[0].instances[0]: the field \"row\" is missing"},
        {R"({"rooms": [{"speed": 3000000000}]})",
         ".rooms[0].speed: the number 3000000000 is outside -2147483648..2147483647"},
        {R"({"rooms": [{"speed": 2.5}]})", ".rooms[0].speed: expected a whole number"},
        {R"({"rooms": [{"background_colour": "0xZZ"}]})", ".rooms[0].background_colour: expected "
                                                          "a colour"},
        {R"({"sounds": [{"stored": 1}]})", ".sounds[0].stored: expected true or false"},
        {R"({"objects": [{"sprite": {"frames": ["missing.png"]}}]})",
         "missing.png: cannot be opened"},
        {R"({"objects": [{"sprite": {"frames": ["notes.txt"]}}]})",
         "notes.txt: not a BMP or PNG file"},
        {R"({"objects": [{"sprite": {"frames": ["padded.bmp"]}}]})",
         "padded.bmp: the BMP file has 2 bytes more than its headers and pixel rows"},
        {R"({"objects": [{"sprite": {"frames": ["broken.png"]}}]})", "broken.png: not a PNG"},
    };
    for (const BadDescription& c : cases) {
        TempDir folder;
        folder.WriteText("notes.txt", "not a picture");
        auto padded = MakeBmp24(2, 2, [](int, int) { return 0u; });
        padded.insert(padded.end(), {0, 0});
        folder.Write("padded.bmp", padded);
        // A PNG header that promises a 2 x 2 picture, and no picture.
        const char broken[] = "\x89PNG\r\n\x1A\n....IHDR\0\0\0\x02\0\0\0\x02garbage";
        folder.WriteText("broken.png", std::string(broken, sizeof broken - 1));
        folder.WriteText("game.json", c.json);
        const CommandResult result = RunPack(folder.Path() / "game.json", folder.Path() / "g.qvf");
        EXPECT_EQ(result.status, 1) << c.json;
        EXPECT_NE(result.errors.find(c.message), std::string::npos)
            << "expected: " << c.message << "\ngot: " << result.errors;
        EXPECT_EQ(result.errors.find('\n'), result.errors.size() - 1) << result.errors;
        EXPECT_FALSE(fs::exists(folder.Path() / "g.qvf")) << c.json;
    }
}

// Keys by name and keys by code make the same game file, whatever the case of the name.
TEST(PackDescription, KeyboardEventsTakeKeyNamesBesideCodes) {
    TempDir folder;
    const std::string events =
        R"({"objects": [{"name": "ship", "events": {
              "keyboard": [{"sub": %1, "actions": [{"id": 111, "arguments": ["-4"]}]},
                           {"sub": %2, "actions": []}, {"sub": %3, "actions": []},
                           {"sub": %4, "actions": []}, {"sub": 0, "actions": []}],
              "collision_with": [{"sub": "ship"}]}}],
            "rooms": [{"instances": [{"column": 1, "row": 1, "object": "ship"}]}]})";
    auto fill = [&](const std::vector<std::string>& keys) {
        std::string text = events;
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const std::string mark = "%" + std::to_string(k + 1);
            text.replace(text.find(mark), mark.size(), keys[k]);
        }
        return text;
    };
    folder.WriteText("codes.json", fill({"37", "32", "49", "186"}));
    folder.WriteText("names.json", fill({"\"left\"", "\"Space\"", "\"digit1\"", "\"oem_1\""}));
    ASSERT_EQ(RunPack(folder.Path() / "codes.json", folder.Path() / "codes.qvf").status, 0);
    const CommandResult named = RunPack(folder.Path() / "names.json", folder.Path() / "names.qvf");
    ASSERT_EQ(named.status, 0) << named.errors;
    const auto bytes = ReadAllBytes(folder.Path() / "names.qvf");
    EXPECT_EQ(bytes, ReadAllBytes(folder.Path() / "codes.qvf"));

    // And the dump writes the codes back, so the round trip stays byte for byte.
    ASSERT_EQ(RunDump(folder.Path() / "names.qvf", folder.Path() / "d").status, 0);
    const std::string dumped = ReadText(folder.Path() / "d" / "game.json");
    EXPECT_NE(dumped.find("\"sub\": 37"), std::string::npos) << dumped;
    ASSERT_EQ(RunPack(folder.Path() / "d" / "game.json", folder.Path() / "again.qvf").status, 0);
    EXPECT_EQ(ReadAllBytes(folder.Path() / "again.qvf"), bytes);
}

TEST(PackDescription, AFailedPackLeavesTheOldGameFileAlone) {
    TempDir folder;
    const auto old = WriteTestGame(TestGame{});
    folder.Write("g.qvf", old);
    folder.WriteText("game.json", R"({"objects": [{"solid": "yes"}]})");
    EXPECT_EQ(RunPack(folder.Path() / "game.json", folder.Path() / "g.qvf").status, 1);
    EXPECT_EQ(ReadAllBytes(folder.Path() / "g.qvf"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2);
}

} // namespace
} // namespace velkaro::test
