// The built-in functions and the shell around a game, played end to end through qvf run and
// checked on the transcript, on the files a game leaves in its data folder and on frame pixels.
// Every expected value is worked out by hand from the rules of the functions, the sound and
// music players, the high-score table and the screens; each game's "_note" gives its layout.
//
// Which game calls which table of built-in functions:
//   fn_math                     math and string functions (all of them)
//   fn_draw                     drawing functions (all of them)
//   fn_instances, fn_motion     instance and game functions (all but the sound ones)
//   fn_sound, fn_music          the sound functions of the instance table
//   fn_interact                 interaction functions (all but the high-score ones)
//   fn_scores, fn_score_table   the high-score functions of the interaction table
//   fn_files                    file functions (all but execute and shellexecute)
//   fn_execute                  execute and shellexecute
//   fn_events                   event functions (all of them)
//   fn_screens_before, fn_screens_after   no functions: start and end screens with music
// EveryBuiltInFunctionIsCalledBySomeGame checks that together they call every registered one.

#include "codecs/PngFile.h"
#include "functions/FunctionTables.h"
#include "games/GameRun.h"
#include "tools/QvfTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace velkaro::test {
namespace {

using namespace games;

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// The game's random generator: state x 134775813 + 1 modulo 2^32, each draw state / 2^32.
class Generator {
public:
    explicit Generator(std::uint32_t seed) : state_(seed) {}
    double Next() {
        state_ = state_ * 134775813u + 1u;
        return state_ / 4294967296.0;
    }
    // A whole number 0..n-1, as a random grid cell is drawn.
    int Below(int n) { return static_cast<int>(std::floor(Next() * n)); }

private:
    std::uint32_t state_;
};

// Every function name is called from some game.

// The code and expressions of every action of the fn_ games.
std::string GameCode() {
    // Not beside __FILE__: ccache with a base folder compiles it as a path relative to the build.
    const std::filesystem::path games = VELKARO_TEST_GAME_DESCRIPTIONS_DIR;
    std::string code;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(games)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("fn_", 0) != 0 || entry.path().extension() != ".json") {
            continue;
        }
        ++count;
        const Json game = Json::parse(tools::ReadText(entry.path()), nullptr, true, true);
        const Json objects = game.value("objects", Json::array());
        for (const Json& object : objects) {
            const Json events = object.value("events", Json::object());
            for (const auto& [event, subs] : events.items()) {
                for (const Json& sub : subs) {
                    const Json actions = sub.value("actions", Json::array());
                    for (const Json& action : actions) {
                        const Json arguments = action.value("arguments", Json::array());
                        for (const Json& argument : arguments) {
                            code += argument.get<std::string>() + "\n";
                        }
                    }
                }
            }
        }
    }
    EXPECT_GE(count, 12) << "the fn_ games are not in " << games;
    return code;
}

// Whether `code` calls `name`: the name, not as the end of a longer name or after a dot,
// followed by an opening parenthesis.
bool Calls(const std::string& code, const std::string& name) {
    const auto partOfName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.';
    };
    for (std::size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
        if (at > 0 && partOfName(code[at - 1])) {
            continue;
        }
        std::size_t next = at + name.size();
        while (next < code.size() && code[next] == ' ') {
            ++next;
        }
        if (next < code.size() && code[next] == '(') {
            return true;
        }
    }
    return false;
}

TEST(FunctionGames, EveryBuiltInFunctionIsCalledBySomeGame) {
    const std::string code = GameCode();
    const CFunctionRegistry& registry = FunctionRegistry();
    ASSERT_EQ(registry.Count(), 137);
    for (int i = 1; i <= registry.Count(); ++i) {
        const std::string& name = registry.Get(i).name;
        EXPECT_TRUE(Calls(code, name)) << name << " is called by no fn_ game";
    }
}

// Math and string functions.

TEST(FunctionGames, MathAndStringFunctionsGiveTheirResultsInTheFormatOfString) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("fn_math").string(), "--steps", "1", "--seed", "7"});
    ASSERT_EQ(run.status, 0) << run.err;

    // random(0) draws too (its result times 0), so floor(random(1000)) is the second draw.
    Generator generator(7);
    generator.Next();
    const int second = static_cast<int>(std::floor(generator.Next() * 1000));
    const int third = static_cast<int>(std::floor(generator.Next() * -1000));

    const std::vector<Json> expected = {
        // Rounding halves to even; sign(0) is -1; frac keeps the sign.
        Message(0, "abs=3 round=2,4,-2 floor=-2,2 ceil=-1,3 sign=-1,1,-1 frac=-0.75,0 sqrt=4 "
                   "sqr=9"),
        // Results that are not whole numbers show two decimals: e = 2.718..., ln 10 = 2.302...,
        // log2 10 = 3.321..., log10 2 = 0.301..., sin 0.5 = 0.479..., cos 0.5 = 0.877...,
        // tan 0.5 = 0.546..., arcsin 0.5 = pi/6 = 0.523..., arccos 0.5 = pi/3 = 1.047...,
        // arctan 1 = pi/4 = 0.785..., 1 radian = 57.295... degrees, sqrt 2 = 1.414...,
        // log 50 to base 10 = 1.698...
        Message(0, "exp=2.72 ln=2.30 log2=3.32 log10=0.30\rsin=0.48 cos=0.88 tan=0.55 "
                   "arcsin=0.52 arccos=1.05 arctan=0.79\rdegtorad=3.14 radtodeg=57.30 "
                   "power=1024,-8,0.50,1,1.41 logn=1.70"),
        // 0.125 rounds half away from zero; 123456789.125 keeps 10 significant digits, fewer
        // than two decimals would keep.
        Message(0, "min=2 max=3 min3=1 max3=3 mean=1.50 string=0.13,-0.50,123456789.10,-12"),
        Message(0, "chr=AA ord=0,97 length=5 pos=3,0 copy=ab,ef, delete=adef,abc "
                   "insert=xabc,abcx lower=abc upper=ABC repeat=ababab,."),
        Message(0, "random=0," + std::to_string(second) + "," + std::to_string(third)),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// Drawing functions.

TEST(FunctionGames, DrawingFunctionsDrawShapesButtonsSpritesAndAlignedText) {
    TempDir folder;
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run = tools::Qvf(folder, {"run", PackedGame("fn_draw").string(),
                                                      "--steps", "1", "--frames", frames.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;

    // Measures depend on the font; turning the text does not change its width, a larger size
    // makes it taller, and an empty text has no width.
    int width = 0;
    int height = 0;
    const std::string measures = lines[0]["text"];
    ASSERT_EQ(std::sscanf(measures.c_str(), "width %d height %d", &width, &height), 2) << measures;
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(lines[0],
              Message(0, "width " + std::to_string(width) + " height " + std::to_string(height) +
                             " turned 1 bigger 1 empty 0 red 255 blue 16711680 "
                             "unclamped 300"));
    // redraw runs the Drawing events once more; a headless screen has no full screen, so the
    // display stays a window.
    EXPECT_EQ(lines[1], Message(1, "redraw drew 1 fullscreenmode 0"));

    constexpr std::uint32_t kBlack = 0x000000;
    constexpr std::uint32_t kRed = 0xFF0000;
    constexpr std::uint32_t kLime = 0x00FF00;
    constexpr std::uint32_t kBlue = 0x0000FF;
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    constexpr std::uint32_t kGrey = 0x808080;
    const Bitmap frame = Frame(frames, 1);
    ASSERT_EQ(frame.Width(), 160);
    ASSERT_EQ(frame.Height(), 64);
    struct Expected {
        int x, y;
        std::uint32_t colour;
        const char* what;
    };
    const Expected pixels[] = {
        // Rectangle (0,0)-(10,10): pixels 0..9, outlined with the pen, filled with the brush.
        {5, 5, kRed, "rectangle inside"},
        {0, 5, kLime, "rectangle left edge"},
        {9, 5, kLime, "rectangle right edge"},
        {5, 9, kLime, "rectangle bottom edge"},
        {10, 5, kBlack, "right of the rectangle"},
        {5, 10, kBlack, "below the rectangle"},
        // Hollow brush: outline only; style 9 leaves the brush hollow.
        {17, 5, kBlack, "hollow rectangle inside"},
        {12, 5, kLime, "hollow rectangle edge"},
        {29, 5, kBlack, "rectangle after style 9 inside"},
        {24, 5, kLime, "rectangle after style 9 edge"},
        // A line leaves out its end point.
        {40, 0, kLime, "line start"},
        {49, 0, kLime, "line end - 1"},
        {50, 0, kBlack, "line end point"},
        // A pen 3 pixels wide around y 6.
        {45, 6, kLime, "wide line centre"},
        {45, 3, kBlack, "above the wide line"},
        {45, 9, kBlack, "below the wide line"},
        // Circle at (70, 10) radius 8: box (62,2)-(78,18).
        {70, 10, kRed, "circle centre"},
        {70, 2, kLime, "circle top"},
        {62, 2, kBlack, "circle box corner"},
        {90, 10, kRed, "ellipse centre"},
        {80, 0, kBlack, "ellipse box corner"},
        // Round rectangle: the corners are cut by 10 x 10 ellipses.
        {110, 10, kRed, "round rectangle centre"},
        {110, 0, kLime, "round rectangle top edge"},
        {100, 0, kBlack, "round rectangle corner"},
        {3, 23, kRed, "triangle inside"},
        {18, 38, kBlack, "beyond the triangle's slope"},
        // Raised button (30,20)-(50,40): white top-left bevel, grey bottom-right bevel, two
        // pixels each, over a fill of the (now blue) brush.
        {40, 30, kBlue, "raised button face"},
        {30, 30, kWhite, "raised button outer left"},
        {31, 30, kWhite, "raised button inner left"},
        {40, 20, kWhite, "raised button outer top"},
        {40, 21, kWhite, "raised button inner top"},
        {40, 40, kGrey, "raised button outer bottom"},
        {40, 39, kGrey, "raised button inner bottom"},
        {50, 30, kGrey, "raised button outer right"},
        {49, 30, kGrey, "raised button inner right"},
        // Each polyline leaves out its last point: the inner top-right corner keeps the face.
        {49, 21, kBlue, "raised button inner top-right corner"},
        // Pressed button (60,20)-(80,40): the bevel colours swapped.
        {70, 30, kBlue, "pressed button face"},
        {60, 30, kGrey, "pressed button left"},
        {70, 20, kGrey, "pressed button top"},
        {70, 40, kWhite, "pressed button bottom"},
        {80, 30, kWhite, "pressed button right"},
        // The sprites: bottom-left pixels see-through.
        {95, 30, kBlue, "draw_subimage"},
        {88, 39, kBlack, "draw_subimage see-through corner"},
        {115, 47, kRed, "draw_image"},
        {108, 55, kBlack, "draw_image see-through corner"},
    };
    for (const Expected& p : pixels) {
        EXPECT_EQ(Rgb(frame, p.x, p.y), p.colour) << p.what << " at (" << p.x << ", " << p.y << ")";
    }

    // "Hi" aligned right at x 150, top at y 24: its ink lies within the measured box that ends
    // at x 150, and there is some.
    int ink = 0;
    for (int y = 16; y < 64; ++y) {
        for (int x = 126; x < 160; ++x) {
            const bool inBox = x >= 150 - width && x < 150 && y >= 24 && y < 24 + height;
            if (Rgb(frame, x, y) != kBlack) {
                EXPECT_TRUE(inBox) << "text ink outside its box at (" << x << ", " << y << ")";
                ++ink;
            }
        }
    }
    EXPECT_GT(ink, 0);
}

// Instance and game functions.

TEST(FunctionGames, InstanceFunctionsAskAboutPlacesAndCreateChangeAndDestroyInstances) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("fn_instances").string(), "--steps", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        Message(0, "marker made at 32"),
        // is_free(64, 0) meets the solid block, (48, 0) ends a pixel before it; is_empty also
        // counts the marker; the probe at (40, 40) overlaps the marker at (32, 32); the point
        // (5, 37) lies only in the probe itself, which nothing_at leaves out; number(-1)
        // counts the probe's own object; the tests leave the probe where it was.
        Message(1, "free=01 empty=01 meeting=10 at=10 nothing=10 number=101 still=0,32"),
        // (0, 47) is the probe's see-through corner: inside its box, outside its shape.
        Message(1, "box=1 precise=01"),
        Message(1, "marker made at 96"),
        // change: the old object's Destroy event, then the new object's Creation event, for
        // each marker in room order.
        Message(1, "marker gone at 32"),
        Message(1, "ghost at 32"),
        Message(1, "marker gone at 96"),
        Message(1, "ghost at 96"),
        // change_at(100, 40) hits only the ghost at 96, destroy_at(40, 40) only the one at 32.
        Message(1, "ghost gone at 96"),
        Message(1, "marker made at 96"),
        Message(1, "ghost gone at 32"),
        Message(1, "marker gone at 96"),
        Message(1, "made 2 changed 02 at 11 left 001"),
        // end_game marks everything at once, the rest of the code runs, later actions do not,
        // and the game ends after the step.
        Message(1, "after end_game 00"),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

TEST(FunctionGames, GridMotionScoreSpeedAndRoomFunctionsChangeTheRunningGame) {
    TempDir folder;
    const tools::ProgramRun run = tools::Qvf(
        folder, {"run", PackedGame("fn_motion").string(), "--steps", "20", "--seed", "11"});
    ASSERT_EQ(run.status, 0) << run.err;

    // move_random draws a column of 8 and then a row of 4 until the pilot (a point, having no
    // sprite) meets no instance: the ball covers cell (2, 0), the block cell (4, 0).
    Generator generator(11);
    int column = 0;
    int row = 0;
    do {
        column = generator.Below(8);
        row = generator.Below(4);
    } while (row == 0 && (column == 2 || column == 4));
    const std::string cell = std::to_string(column * 16) + "," + std::to_string(row * 16);

    const std::vector<Json> expected = {
        // align: 24 / 16 = 1.5 rounds to 2; 8 / 16 = 0.5 to 0 and 40 / 16 = 2.5 to 2.
        // set_motion(90, 2) moves up; adding (0, 2) and (90, 2) gives 45 degrees at 2 x sqrt 2.
        Message(0, "random " + cell + " align 32 aligned 0 0,32 1 motion 0,-2 90 2 added 45 2.83"),
        // set_score rounds 1234.5 to even; sleep draws a frame first.
        Message(2, "score 1234 sleep drew 1 speed 40"),
        // The ball's box reaches the block's at x 52 in step 5; the collision puts it back to
        // 48, where only moving right is blocked, so bounce reverses the horizontal motion.
        Message(5, "bounce at 48 moving -4 direction 180"),
        // Moved by -4 after the event and in steps 6 and 7; alarms run before the motion.
        Message(8, "ball at 36"),
        // The new room's speed replaces the one set; a room that does not exist ends the game.
        Message(10, "room 2 finish score 1234 speed 30"),
        ErrorReport(10,
                    "FATAL ERROR:\rin Creation event of object closer\rUnexisting room number: 99",
                    true, "abort"),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// Sounds and music. At 20 steps a second step k runs at k x 50 ms of the run's clock, and a
// medium is found to have ended at the first step at or after its end.

void WriteSoundFiles(const TempDir& folder, bool brokenBlip) {
    folder.Write("fn_sound_data/blip.wav", brokenBlip ? Text("not a wave") : Wave(30));
    folder.Write("fn_sound_data/plain.wav", Wave(30));
    folder.Write("fn_sound_data/tune.mid", Wave(100));
}

TEST(FunctionGames, SoundFunctionsPlayLoopStopAndSetWaveSoundsInDeviceUnits) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_sound");
    WriteSoundFiles(folder, false);
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        // sound_play once, sound_loop in a loop, sound (mode 2) once for a wave sound.
        Play(0, 1, false),
        Play(0, 1, true),
        Play(0, 1, false),
        // 0.5 x 10000 - 10000; 0.25 x 20000 - 10000; 0.5 x 99900 + 100; then the clamped ends.
        Setting(0, "volume", 1, -5000),
        Setting(0, "pan", 1, -5000),
        Setting(0, "frequency", 1, 50050),
        Setting(0, "volume", 1, 0),
        Setting(0, "pan", 1, -10000),
        Setting(0, "frequency", 1, 100),
        // Sound 2 takes no effects; stopping a wave sound stops all its copies.
        Play(0, 2, false),
        Stop(0, 1),
        Stop(0, 2),
        // The MIDI sound through the media player; sound() loops it. Settings, unknown and
        // missing sounds are passed over without a word.
        Play(0, 3, true),
        Message(0, "directsound 1"),
        ErrorReport(0,
                    "ERROR:\rin Creation event of object mixer\rTrying to play non-existing "
                    "sound: 4",
                    false, "ignore"),
        ErrorReport(0,
                    "ERROR:\rin Creation event of object mixer\rTrying to play non-existing "
                    "sound: 9",
                    false, "ignore"),
        // The 100 ms tune ends at 100 and 200 ms and is played again each time, still looping.
        Play(2, 3, true),
        Play(4, 3, true),
        // Played once at 250 ms from its start: it ends at 350 ms and stays silent.
        Play(5, 3, false),
        // sound_stop(0): the media player, then every wave sound; sound(0) stops every wave
        // sound again, the media player being closed already.
        Stop(8, 3),
        Stop(8, 1),
        Stop(8, 2),
        Stop(8, 1),
        Stop(8, 2),
        // The game's end stops every sound again.
        Stop(10, 1),
        Stop(10, 2),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// A wave file the output cannot read is a sound without copies, as a missing file is: every
// call on it does nothing, and the other sounds keep the wave output and its effects.
TEST(FunctionGames, AWaveFileThatCannotBeLoadedStaysSilentAndTheOthersKeepTheWaveOutput) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_sound");
    WriteSoundFiles(folder, true);
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        // Sound 1's plays, settings and stops leave no trace.
        Play(0, 2, false),
        Stop(0, 2),
        Play(0, 3, true),
        Message(0, "directsound 1"),
        ErrorReport(0,
                    "ERROR:\rin Creation event of object mixer\rTrying to play non-existing "
                    "sound: 4",
                    false, "ignore"),
        ErrorReport(0,
                    "ERROR:\rin Creation event of object mixer\rTrying to play non-existing "
                    "sound: 9",
                    false, "ignore"),
        Play(2, 3, true),
        Play(4, 3, true),
        Play(5, 3, false),
        Stop(8, 3),
        Stop(8, 2),
        Stop(8, 2),
        Stop(10, 2),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

TEST(FunctionGames, BackgroundMusicPlaysItsListInOrderRepeatingAndSilencesMidiSounds) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_music");
    folder.Write("fn_music_data/one.wav", Wave(100));
    folder.Write("fn_music_data/two.wav", Wave(150));
    folder.Write("fn_music_data/three.wav", Wave(50));
    folder.Write("fn_music_data/beep.wav", Wave(50));
    folder.Write("fn_music_data/theme.mid", Text("MThd"));
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "12"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string one = DataFile(folder, "fn_music", "one.wav");
    const std::string two = DataFile(folder, "fn_music", "two.wav");
    const std::string three = DataFile(folder, "fn_music", "three.wav");
    const std::vector<Json> expected = {
        MusicPlay(0, one),
        // The MIDI sound, whatever the function, makes no sound beside the music.
        Play(0, 2, false),
        MusicPlay(2, two),    // one ends at 100 ms
        MusicPlay(5, three),  // two at 100 + 150 = 250 ms
        MusicPlay(6, one),    // three at 300 ms, and the list starts again
        MusicPlay(8, two),    // 400 ms
        MusicPlay(11, three), // 550 ms
        MusicPlay(12, one),   // 600 ms
        MusicStop(12),
        Stop(12, 2),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

TEST(FunctionGames, AMissingMusicFileEndsTheMusicThere) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_music");
    folder.Write("fn_music_data/one.wav", Wave(100));
    folder.Write("fn_music_data/three.wav", Wave(50));
    folder.Write("fn_music_data/beep.wav", Wave(50));
    folder.Write("fn_music_data/theme.mid", Text("MThd"));
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "12"});
    ASSERT_EQ(run.status, 0) << run.err;
    // two.wav is missing when one ends: no skipping to three, nothing more plays.
    const std::vector<Json> expected = {
        MusicPlay(0, DataFile(folder, "fn_music", "one.wav")),
        Play(0, 2, false),
        MusicStop(12),
        Stop(12, 2),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// Start and end screens.

TEST(FunctionGames, MusicStartsBeforeTheStartScreenAndStopsAfterTheEndScreenByDefault) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_screens_before");
    folder.Write("fn_screens_before_data/song.wav", Wave(100));
    folder.Write("fn_screens_before_data/start.bmp",
                 MakeBmp24(8, 8, [](int, int) { return 0x00FF00u; }));
    folder.Write("fn_screens_before_data/end.txt", Text("Thanks for playing"));
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string song = DataFile(folder, "fn_screens_before", "song.wav");
    const std::vector<Json> expected = {
        MusicPlay(0, song),
        Splash(0, "image", DataFile(folder, "fn_screens_before", "start.bmp")),
        Message(0, "playing"),
        // A list of one file plays it again whenever it ends.
        MusicPlay(2, song),
        MusicPlay(4, song),
        Splash(5, "text", DataFile(folder, "fn_screens_before", "end.txt")),
        MusicStop(5),
    };
    EXPECT_EQ(Lines(run.out), expected);

    // Without its file the start screen is left out and the game starts all the same.
    std::filesystem::remove(folder.Path() / "fn_screens_before_data" / "start.bmp");
    const tools::ProgramRun missing = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(missing.status, 0) << missing.err;
    const std::vector<Json> withoutStart = {
        MusicPlay(0, song),
        Message(0, "playing"),
        Splash(1, "text", DataFile(folder, "fn_screens_before", "end.txt")),
        MusicStop(1),
    };
    EXPECT_EQ(Lines(missing.out), withoutStart);
}

TEST(FunctionGames, StartMusicAndEndMusicMoveTheMusicAfterTheStartAndBeforeTheEndScreen) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_screens_after");
    folder.Write("fn_screens_after_data/song.mid", Text("MThd"));
    folder.Write("fn_screens_after_data/intro.avi", Text("RIFF"));
    folder.Write("fn_screens_after_data/bye.bmp",
                 MakeBmp24(8, 8, [](int, int) { return 0x0000FFu; }));
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        Splash(0, "video", DataFile(folder, "fn_screens_after", "intro.avi")),
        MusicPlay(0, DataFile(folder, "fn_screens_after", "song.mid")),
        Message(0, "playing"),
        MusicStop(3),
        Splash(3, "image", DataFile(folder, "fn_screens_after", "bye.bmp")),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// Interaction functions.

TEST(FunctionGames, InteractionFunctionsShowBoxesAndScreensAndReadTheDevices) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_interact");
    folder.Write("fn_interact_data/title.bmp", MakeBmp24(4, 4, [](int, int) { return 0u; }));
    folder.Write("fn_interact_data/notes.txt", Text("Some notes"));
    folder.Write("fn_interact_data/clip.avi", Text("RIFF"));
    // Every box takes the next answer, a message or an error report too.
    const auto answers = folder.WriteText("answers.txt", "ok\n"
                                                         "yes\n"
                                                         "no\n"
                                                         "ok\n"
                                                         "text 42\n"
                                                         "cancel\n"
                                                         "text $1F\n"
                                                         "ok\n"
                                                         "text abc\n"
                                                         "ignore\n"
                                                         "text Zo\xC3\xAB\n"
                                                         "cancel\n");
    const auto input = folder.WriteText("input.txt", "1 key_down 32\n"
                                                     "1 mouse_down left 10 10\n"
                                                     "2 key_up 32\n"
                                                     "2 joystick 0 0 1\n"
                                                     "3 mouse_up left 10 10\n"
                                                     "3 mouse_down right 5 5\n"
                                                     "3 joystick 65535 65535 4\n"
                                                     "4 joystick 32768 10000 0\n"
                                                     "5 joystick none\n");
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "5", "--answers", answers.string(),
                            "--input", input.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 23u) << run.out;

    // get_integer('Not a number', 1) with the answer abc fails inside the code, which stops
    // there (position 62 is the ";" after the call); how the failure is worded is the
    // function's own.
    const std::string failure = lines[9]["text"];
    const std::string reported = "ERROR:\rin Creation event of object asker\rin code at line 1 "
                                 "pos 62: ";
    EXPECT_EQ(failure.substr(0, reported.size()), reported);
    EXPECT_GT(failure.size(), reported.size());
    lines[9]["text"] = reported;

    const std::vector<Json> expected = {
        // "#" is a line break; debug_message shows nothing.
        Message(0, "Line one\rLine two"),
        Question(0, "Continue?\rSay yes", "yes"),
        Question(0, "Again?", "no"),
        Message(0, "answers 10"),
        // The default 2.5 is offered as 2; Cancel gives it back; $1F is hexadecimal.
        Input(0, "How many?\rA whole number", "2", "42"),
        Input(0, "Cancel me", "2", nullptr),
        Input(0, "Hex", "0", "$1F"),
        Message(0, "numbers 42 2 31"),
        Input(0, "Not a number", "1", "abc"),
        ErrorReport(0, reported, false, "ignore"),
        Input(0, "Your name?", "anon", "Zo\xC3\xAB"),
        Input(0, "Cancel me", "anon", nullptr),
        Message(0, "texts Zo\xC3\xAB anon bad 7"),
        // Files are found without regard to letter case; missing ones show nothing.
        {{"step", 0}, {"kind", "info"}},
        Splash(0, "image", DataFile(folder, "fn_interact", "title.bmp")),
        Splash(0, "text", DataFile(folder, "fn_interact", "notes.txt")),
        Splash(0, "video", DataFile(folder, "fn_interact", "clip.avi")),
        Message(0, "screens done"),
        // Keys and buttons as the input file leaves them; button 0 is never down; no joystick
        // reads as the centre (101); up-left 103 with button 1, down-right 99 with button 3
        // (bit 4), up 104; there is no button 5.
        Message(1, "1: space 1 A 0 left 1 right 0 0 0 joystick 101 buttons 000"),
        Message(2, "2: space 0 A 0 left 1 right 0 0 0 joystick 103 buttons 100"),
        Message(3, "3: space 0 A 0 left 0 right 1 0 0 joystick 99 buttons 010"),
        Message(4, "4: space 0 A 0 left 0 right 1 0 0 joystick 104 buttons 000"),
        Message(5, "5: space 0 A 0 left 0 right 1 0 0 joystick 101 buttons 000"),
    };
    EXPECT_EQ(lines, expected);
}

// High scores.

std::string ScoresFile(const std::vector<std::string>& places) {
    std::string text;
    for (const std::string& place : places) {
        text += place + "\r\n";
    }
    for (std::size_t i = places.size(); i < 10; ++i) {
        text += "0 <nobody>\r\n";
    }
    return text;
}

TEST(FunctionGames, AScoreOfferedTakesTheTypedNameIntoTheScoresFileAndTheNextRunReadsItBack) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_scores");
    const auto scores = folder.Path() / "fn_scores_data" / "scores";

    const auto first = folder.WriteText("first.txt", "ok\ntext Alice\n");
    const tools::ProgramRun run1 =
        tools::Qvf(folder, {"run", game.string(), "--steps", "1", "--answers", first.string()});
    ASSERT_EQ(run1.status, 0) << run1.err;
    EXPECT_EQ(Lines(run1.out), (std::vector<Json>{Message(0, "<nobody> 0\r<nobody> 0"),
                                                  Highscore(0, 150, 1, "Alice")}));
    EXPECT_EQ(tools::ReadText(scores), ScoresFile({"150 Alice"}));

    // An equal score goes below the one there; the name keeps its leading blanks.
    const auto second = folder.WriteText("second.txt", "ok\ntext   Bob\n");
    const tools::ProgramRun run2 =
        tools::Qvf(folder, {"run", game.string(), "--steps", "1", "--answers", second.string()});
    ASSERT_EQ(run2.status, 0) << run2.err;
    EXPECT_EQ(Lines(run2.out), (std::vector<Json>{Message(0, "Alice 150\r<nobody> 0"),
                                                  Highscore(0, 150, 2, "  Bob")}));
    EXPECT_EQ(tools::ReadText(scores), ScoresFile({"150 Alice", "150   Bob"}));

    // Read back with exactly one separating blank skipped; no name typed is an empty name.
    const tools::ProgramRun run3 = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(run3.status, 0) << run3.err;
    EXPECT_EQ(Lines(run3.out),
              (std::vector<Json>{Message(0, "Alice 150\r  Bob 150"), Highscore(0, 150, 3, "")}));
    EXPECT_EQ(tools::ReadText(scores), ScoresFile({"150 Alice", "150   Bob", "150 "}));
}

TEST(FunctionGames, HighScoreFunctionsClearAddShowAndReadTheTable) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_score_table");
    const auto scores = folder.Write("fn_score_table_data/scores", Text("900 Zed\r\n"));
    const auto answers = folder.WriteText("answers.txt", "ok\ntext Finn\n");
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "1", "--answers", answers.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        // A file of one line fills place 1.
        Message(0, "loaded Zed 900"),
        // After clearing, Carl 200 and Eve 50 enter; 0 does not beat the empty places. 50 goes
        // below Eve's 50; -5 beats none of the ten and is only shown.
        Highscore(0, 50, 3, "Finn"),
        Highscore(0, -5, nullptr, nullptr),
        // Places outside 1..10 read as 0 and the empty name.
        Message(0, "0=:0 1=Carl:200 2=Eve:50 3=Finn:50 4=<nobody>:0 11=:0"),
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(tools::ReadText(scores), ScoresFile({"200 Carl", "50 Eve", "50 Finn"}));
}

TEST(FunctionGames, AGameWithoutADataFolderKeepsItsScoresInMemoryOnly) {
    TempDir folder;
    const auto game = folder.Path() / "fn_score_table.qvf";
    std::filesystem::copy_file(PackedGame("fn_score_table"), game);
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Every change tries to save: clear, three adds and two showings.
    const Json unsaved = Message(0, "Cannot save scores for unsaved game.");
    const std::vector<Json> expected = {
        Message(0, "loaded <nobody> 0"),
        unsaved,
        unsaved,
        unsaved,
        unsaved,
        Highscore(0, 50, 3, ""),
        unsaved,
        Highscore(0, -5, nullptr, nullptr),
        unsaved,
        Message(0, "0=:0 1=Carl:200 2=Eve:50 3=:50 4=<nobody>:0 11=:0"),
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "fn_score_table_data"));
}

// File functions.

TEST(FunctionGames, FileFunctionsWriteValueLinesReadThemBackAndKeepToTheDataFolder) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_files");
    folder.Write("fn_files_data/old.txt", Text("old"));
    // Value lines as a person might write them: a line ending in LF alone, a number in
    // another notation.
    folder.Write("fn_files_data/given.txt", Text("0 3.25\r\n1 two words\n0 -1E2\r\n"));
    std::filesystem::create_directories(folder.Path() / "fn_files_data" / "sub");
    folder.Write("fn_files_data/sub/data.txt", Text("1 inside\r\n"));

    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Json> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 10u) << run.out;
    // file_read with no file open fails in the code ("{ global.x = 5; global.x = file_read();"
    // has its ";" after the call at position 39); the wording is the function's own.
    const std::string failure = lines[8]["text"];
    const std::string reported = "ERROR:\rin Alarm event of object clerk\rin code at line 1 "
                                 "pos 39: ";
    EXPECT_EQ(failure.substr(0, reported.size()), reported);
    lines[8]["text"] = reported;

    const std::string writeElsewhere =
        "You cannot write files in other folders than the game folder.";
    const std::vector<Json> expected = {
        // sub\data.txt is looked for in the folder sub.
        Message(0, "exists 101"),
        // Reals and strings come back as they were written, leading blanks included.
        Message(0, "1.50|hello|-2|  spaced|0"),
        Message(0, writeElsewhere),
        Message(0, writeElsewhere),
        Message(0, "You cannot delete files in other folders than the game folder."),
        Message(0, "old 0"),
        // Opening a file that does not exist leaves the file open before as it was.
        Message(0, "given 3.25|two words|-100|inside"),
        // Keys never written read as the real 0, whose string part is empty.
        Message(0, "saved 0 []"),
        ErrorReport(1, reported, false, "ignore"),
        Message(1, "after the failure 5"),
    };
    EXPECT_EQ(lines, expected);

    EXPECT_EQ(tools::ReadText(folder.Path() / "fn_files_data" / "data.txt"),
              "0  1.50000000000000E+0000\r\n"
              "1 hello\r\n"
              "0 -2.00000000000000E+0000\r\n"
              "1   spaced\r\n"
              "0  0.00000000000000E+0000\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "fn_files_data" / "old.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "x.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "fn_files_data" / "sub" / "x.txt"));
    EXPECT_EQ(tools::ReadText(folder.Path() / "fn_files_data" / "iodata"),
              "version 1.4\r\n"
              "2\r\n"
              "7 0  1.50000000000000E+0001\r\n"
              "8 1 abc\r\n");

    // The next run reads the saved values back.
    const tools::ProgramRun again = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(again.status, 0) << again.err;
    const std::vector<Json> next = Lines(again.out);
    ASSERT_EQ(next.size(), 10u) << again.out;
    EXPECT_EQ(next[7], Message(0, "saved 15 [abc]"));
}

// Programs.

TEST(FunctionGames, ExecuteAndShellExecuteAreWrittenDownAndKeepToTheDataFolder) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_execute");
    folder.Write("fn_execute_data/open.txt", Text("open me"));
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string elsewhere =
        "You cannot execute programs in other folders than the game folder.";
    const std::vector<Json> expected = {
        {{"step", 0}, {"kind", "execute"}, {"command", "tool.sh one two"}, {"wait", true}},
        // Nothing was started, so nothing was written.
        Message(0, "out 0"),
        // A separator in the arguments or in the name refuses the call.
        Message(0, elsewhere),
        Message(0, elsewhere),
        // Without --allow-execute every program counts as started, a missing one too.
        {{"step", 0}, {"kind", "execute"}, {"command", "missing.sh "}, {"wait", false}},
        {{"step", 0}, {"kind", "execute"}, {"command", "open.txt -x"}, {"wait", false}},
        Message(0, elsewhere),
        Message(0, elsewhere),
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "fn_execute_data" / "out.txt"));
}

TEST(FunctionGames, AnAllowedProgramRunsInTheDataFolderAndTheGameWaitsForIt) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "fn_execute");
    const auto tool = folder.WriteText("fn_execute_data/tool.sh", "#!/bin/sh\n"
                                                                  "echo \"$@\" > out.txt\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "1", "--allow-execute"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string elsewhere =
        "You cannot execute programs in other folders than the game folder.";
    const std::vector<Json> expected = {
        {{"step", 0}, {"kind", "execute"}, {"command", "tool.sh one two"}, {"wait", true}},
        // The program has ended before the game goes on, and wrote in the data folder.
        Message(0, "out 1"),
        Message(0, elsewhere),
        Message(0, elsewhere),
        {{"step", 0}, {"kind", "execute"}, {"command", "missing.sh "}, {"wait", false}},
        Message(0, "Cannot execute missing.sh."),
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(tools::ReadText(folder.Path() / "fn_execute_data" / "out.txt"), "one two\n");
}

// Event functions.

TEST(FunctionGames, EventFunctionsRunTheChosenEventsAtOnceAndRefuseUnknownSubEvents) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("fn_events").string(), "--steps", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> expected = {
        // Alarms 0..3, mouse 0..3, keys 0..128, meetings 1..3 (the game has three objects),
        // other 0..1.
        Message(1, "Performing unknown alarm event."),
        Message(1, "Performing unknown alarm event."),
        Message(1, "Performing unknown mouse event."),
        Message(1, "Performing unknown keyboard event."),
        Message(1, "Performing unknown keyboard event."),
        Message(1, "Performing unknown meeting event."),
        Message(1, "Performing unknown meeting event."),
        Message(1, "Performing unknown other event."),
        // The actor at 5 is made by the first Creation event and is not visited by that call;
        // the Destroy events leave all three in the room; the alarm keeps its count; mouse 3
        // and the partner's step have no actions; object 99 has no instances.
        Message(1, "C1 C5 C3 D1 D3 D5 n3 A1:100 A3:100 A5:100 S1 S3 S5 X1 X3 X5 W1 W3 W5 "
                   "M1 M3 M5 K1 K3 K5 P1 P3 P5 O1 O3 O5 B1 B3 B5 "),
        // The event name stays the last one performed (a step, even though it ran nothing) and
        // the object named is the one whose actions ran last.
        ErrorReport(1,
                    "ERROR:\rin Step event of object actor\rin code at line 1 pos 13: "
                    "Division by 0.",
                    false, "ignore"),
    };
    EXPECT_EQ(Lines(run.out), expected);
}

} // namespace
} // namespace velkaro::test
