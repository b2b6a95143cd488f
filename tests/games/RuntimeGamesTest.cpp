// The runtime played end to end: views, backgrounds, collision passes, every action and the
// error reports, through qvf run, checked on the transcript and on frame pixels. The expected
// values are worked out by hand from the rules of the game loop, the drawing and the actions;
// each game's "_note" gives the layout the numbers come from.
//
// Which game runs which action id:
//   rt_motion     101 102 103 104 105 106 111 112 121 122 131 201 411 501 511
//   rt_instances  201 311 312 313 321 411 511 701 702 703 704 751 811
//   rt_shell      201 401 411 421 431 501 511 521 711 712 713 811
//   rt_logic      201 411 601 721 751 801 811 821 901 902
//   rt_draw       811 1001 1002 1003
//   rt_errors     201 311 401 411 501 801 811 901 902
//   rt_collide    201 411 511 811
//   rt_passes, rt_stop_only  111 201 411 511 811
//   rt_backgrounds  201 501 511 751 801
//   rt_metafiles  201 501 511 751 801 811
//   rt_missing_sound  401 411

#include "codecs/PictureLoader.h"
#include "codecs/PngFile.h"
#include "games/GameRun.h"
#include "tools/QvfTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace velkaro::test {
namespace {

using namespace games;

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Every pixel of the frame against `expected` (0xRRGGBB); reports the first that differs.
void ExpectPixels(const Bitmap& frame, const std::function<std::uint32_t(int, int)>& expected,
                  const std::string& what) {
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            if (Rgb(frame, x, y) != expected(x, y)) {
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                              << Rgb(frame, x, y) << ", expected " << expected(x, y);
                return;
            }
        }
    }
}

// Views.

TEST(RuntimeGames, AViewFollowsItsObjectWithItsBorderAndStopsAtTheRoomsEdges) {
    TempDir folder;
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("rt_view").string(), "--steps", "36", "--frames",
                            frames.string(), "--every", "4"});
    ASSERT_EQ(run.status, 0) << run.err;

    // The hero (16 x 16) is at x = 16 + 8k after step k, y = 16; the view is 160 x 80 with a
    // border of 32 in a room of 320 x 160.
    const Bitmap start = Frame(frames, 0);
    ASSERT_EQ(start.Width(), 160);
    ASSERT_EQ(start.Height(), 80);
    // A red square with its bottom-left pixel see-through, at `left` in the frame.
    const auto heroAt = [](int left, int x, int y) {
        return x >= left && x < left + 16 && y >= 16 && y < 32 && !(x == left && y == 31);
    };
    // The border asks for the view at (-16, -16); clamped to (0, 0), the hero shows at (16, 16).
    ExpectPixels(
        start, [&](int x, int y) { return heroAt(16, x, y) ? kRed : kBlack; }, "step 0");

    // Step 20: the hero at 176 puts its right edge plus the border at 176 + 16 + 32 = 224, past
    // the view's right edge, so the view's left becomes 224 - 160 = 64 and the hero shows at
    // 176 - 64 = 112. The marker at 240 is still to the right of the view.
    ExpectPixels(
        Frame(frames, 20), [&](int x, int y) { return heroAt(112, x, y) ? kRed : kBlack; },
        "step 20");

    // Step 36: the hero at 304 would pull the view to 192, past the room's right edge; the view
    // stops at 320 - 160 = 160, so the hero shows at 144 and the marker (240, 48) at (80, 48).
    ExpectPixels(
        Frame(frames, 36),
        [&](int x, int y) {
            if (heroAt(144, x, y)) {
                return kRed;
            }
            if (x >= 80 && x < 96 && y >= 48 && y < 64 && !(x == 80 && y == 63)) {
                return kBlue;
            }
            return kBlack;
        },
        "step 36");
}

// Backgrounds.

// The picture the backgrounds game tiles: 24 x 16, in quarters of red, green (top), blue and
// white (bottom). Pure colours come through the 16-bit background unchanged.
std::uint32_t TileColour(int x, int y) {
    const bool right = x >= 12;
    const bool bottom = y >= 8;
    if (!bottom) {
        return right ? kGreen : kRed;
    }
    return right ? kWhite : kBlue;
}

int Wrapped(int value, int size) {
    return ((value % size) + size) % size;
}

TEST(RuntimeGames, BackgroundsAreAColourOrAPictureTiledStretchedOrScrolled) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "rt_backgrounds");
    folder.Write("rt_backgrounds_data/tile.bmp", MakeBmp24(24, 16, TileColour));
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "20", "--frames", frames.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    // Each room of 80 x 48 lasts three steps: room k starts in step 3(k - 1), whose frame is
    // its first, and the next two frames are its steps. The scroll position moves after a
    // step's frame is drawn, so the second step of a room is the first to show it moved.
    const auto tiled = [](int x, int y) { return TileColour(x % 24, y % 16); };

    // Room 1: the picture's shown flag is 2, and only 1 shows it: the colour 0x0080FF
    // (blue 0, green 0x80, red 0xFF) fills the frame.
    ExpectPixels(
        Frame(frames, 1), [](int, int) { return 0xFF8000u; }, "colour");

    // Room 2: tiled from (0, 0); its speeds do not scroll it in mode 0.
    ExpectPixels(Frame(frames, 3), tiled, "tiled, first frame");
    ExpectPixels(Frame(frames, 5), tiled, "tiled, after a step");

    // Room 3: one tile stretched to 80 x 48, its quarters meeting at (40, 24); a pixel next to
    // that line may come from either side, whichever way the stretch rounds.
    const Bitmap stretched = Frame(frames, 7);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 80; ++x) {
            if (std::abs(2 * x - 79) <= 3 || std::abs(2 * y - 47) <= 3) {
                continue;
            }
            ASSERT_EQ(Rgb(stretched, x, y), TileColour(x < 40 ? 0 : 12, y < 24 ? 0 : 8))
                << "stretched: pixel (" << x << ", " << y << ")";
        }
    }

    // Room 4, mode 2 with speeds (3, -2): no move yet in its first step, then the picture is
    // 3 pixels further right and 2 further up. The first tile then starts at 3 - 24 = -21
    // (a remainder above 0 goes back one tile) and at -2 (the remainder of -2 keeps its sign).
    const Bitmap beforeScroll = Frame(frames, 10);
    const Bitmap afterScroll = Frame(frames, 11);
    ExpectPixels(beforeScroll, tiled, "scrolling, before it moves");
    ExpectPixels(
        afterScroll,
        [](int x, int y) { return TileColour(Wrapped(x - 3, 24), Wrapped(y + 2, 16)); },
        "scrolling, moved by (3, -2)");
    EXPECT_EQ(Rgb(afterScroll, 14, 5), Rgb(beforeScroll, 11, 7));

    // Room 5: mode 7 means nothing; it is tiled as mode 0, and its speeds are ignored.
    ExpectPixels(Frame(frames, 12), tiled, "unknown mode, first frame");
    ExpectPixels(Frame(frames, 14), tiled, "unknown mode, after a step");
}

// Drawings (metafiles) wherever a picture may be: the start screen, show_image, and room
// backgrounds tiled at the drawing's own size and stretched over the room. The drawings were
// exported by LibreOffice (tests/data/metafiles); that they look right on their own is the
// picture loader's test, this one that the game places them.
TEST(RuntimeGames, DrawingsAreStartScreensShownImagesAndTiledOrStretchedBackgrounds) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "rt_metafiles");
    const auto drawings = std::filesystem::path(VELKARO_TEST_DATA).parent_path() / "metafiles";
    for (const char* name : {"drawing.emf", "drawing.wmf"}) {
        std::filesystem::copy_file(drawings / name, folder.Path() / "rt_metafiles_data" / name);
    }
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "5", "--frames", frames.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    // A drawing that could not be read would be skipped with a failure line between these.
    EXPECT_EQ(
        Lines(run.out),
        (std::vector<Json>{Splash(0, "image", DataFile(folder, "rt_metafiles", "drawing.emf")),
                           Splash(0, "image", DataFile(folder, "rt_metafiles", "drawing.wmf"))}));

    // Backgrounds are kept in 16 bits a pixel: five bits of red and blue, six of green.
    const auto near = [](std::uint32_t a, std::uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            if (std::abs(static_cast<int>(a >> shift & 0xFF) -
                         static_cast<int>(b >> shift & 0xFF)) > 8) {
                return false;
            }
        }
        return true;
    };
    const Bitmap emf = PictureLoader().Load(drawings / "drawing.emf");
    const Bitmap tiled = Frame(frames, 1);
    ASSERT_EQ(tiled.Width(), 320);
    ASSERT_EQ(tiled.Height(), 240);
    ASSERT_LT(emf.Width(), 320) << "the tiles must repeat inside the room";
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            ASSERT_TRUE(near(Rgb(tiled, x, y), Rgb(emf, x % emf.Width(), y % emf.Height())))
                << "tiled: pixel (" << x << ", " << y << ")";
        }
    }

    // Stretched: the drawing's pixel under each room pixel, give or take the rounding of one
    // pixel of the drawing (298 x 218 onto 320 x 240) where colours meet.
    const Bitmap wmf = PictureLoader().Load(drawings / "drawing.wmf");
    const Bitmap stretched = Frame(frames, 4);
    int far = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const int sx = x * wmf.Width() / 320;
            const int sy = y * wmf.Height() / 240;
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy) {
                for (int dx = -1; dx <= 1 && !matched; ++dx) {
                    const int px = std::clamp(sx + dx, 0, wmf.Width() - 1);
                    const int py = std::clamp(sy + dy, 0, wmf.Height() - 1);
                    matched = near(Rgb(stretched, x, y), Rgb(wmf, px, py));
                }
            }
            far += matched ? 0 : 1;
        }
    }
    EXPECT_EQ(far, 0) << "pixels of the stretched drawing that are not the drawing's";
}

// Collisions.

TEST(RuntimeGames, SolidInstancesMovingIntoEachOtherRunTheirEventsAndArePutBack) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("rt_collide").string(), "--steps", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Step 7 moves the cars to 44 and 52: their boxes (x .. x + 15) overlap. In the collision
    // pass the left car is put back to 40 before its event, while the right one is still at
    // 52; the left car is then moved on to 44 before the right one, back at 56, runs its event.
    // The stop-moving pass puts both back: 40 and 56. The left car's meeting event with the
    // flag (32 .. 47) ran in every step from 1 to 7.
    EXPECT_EQ(Lines(run.out), Messages({{7, "left hits right: 40 52"},
                                        {7, "right hits left: 56 44"},
                                        {8, "after: 40 56, meetings 7"}}));
}

TEST(RuntimeGames, EveryCollisionPassRunsTheEventsAndStopMovingCanBeSwitchedOff) {
    TempDir folder;
    // Three passes, each putting the cars back to 40 and 56 and moving them on at one pixel
    // less: 43/53, 42/54, 41/55. Every pass found a collision, but stop-moving is off.
    const tools::ProgramRun passes =
        tools::Qvf(folder, {"run", PackedGame("rt_passes").string(), "--steps", "20"});
    ASSERT_EQ(passes.status, 0) << passes.err;
    EXPECT_EQ(Lines(passes.out), Messages({{8, "after: 41 55, speeds 1 1, events 3 3"}}));

    // No pass at all: no event runs, and stop-moving alone puts the overlapping cars back.
    const tools::ProgramRun stopOnly =
        tools::Qvf(folder, {"run", PackedGame("rt_stop_only").string(), "--steps", "20"});
    ASSERT_EQ(stopOnly.status, 0) << stopOnly.err;
    EXPECT_EQ(Lines(stopOnly.out), Messages({{8, "after: 40 56, speeds 4 4, events 0 0"}}));
}

// Actions.

TEST(RuntimeGames, MovementActionsSetPositionSpeedDirectionGravityFrictionAndBounce) {
    TempDir folder;
    const tools::ProgramRun run = tools::Qvf(
        folder, {"run", PackedGame("rt_motion").string(), "--steps", "20", "--seed", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out),
              Messages({
                  // (40, 24), then 8 right and 4 up.
                  {0, "jump 48,20"},
                  // Key 9 of the grid is up-right: hdir 1, vdir -1; with speeds 3 and 2 the
                  // motion (3, 2 up) points at atan(2/3) = 33.7 degrees.
                  {0, "grid 1 -1 dir 34"},
                  {0, "reversed -1 1 speeds 5 1"},
                  // 2 to the right plus 2 up: 45 degrees at the square root of 8.
                  {0, "push 45 2.83"},
                  // One motion step of (-5, 1) from (64, 64); nine zeros change nothing; key 5
                  // stops.
                  {2, "moved 59,65"},
                  {2, "after zeros -1 1"},
                  {2, "stopped 0 0"},
                  // Gravity 0.25 + 0.25 towards 270: speed 0.5, then 1; y 0.5, then 1.5.
                  {3, "fall 1 270 1.50"},
                  // Friction 0.25 + 0.25 on 1.2: 0.7, 0.2, then 0 rather than -0.3.
                  {4, "slide 192.90 0"},
                  // The ball (key 3: down-right at 4) reaches the block's top in step 5 and is
                  // put back to (48, 32): moving only sideways is free, moving only down is
                  // not, so only vdir turns, although the ball also moves towards the block's
                  // x (64).
                  {5, "bounce at 48,32: 1 -1"},
                  // The one cell of three that no rock covers.
                  {6, "placed at 16,0"},
              }));
}

TEST(RuntimeGames, InstanceActionsCreateDestroyAndChangeAndQuestionsAskAboutPlaces) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("rt_instances").string(), "--steps", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Creation: seeds at (16, 16) and at the maker's (96, 0) + (32, 0); at (128, 0) the maker
    // would overlap the solid rock; at (96, 32) it would not; at (120, 0) it meets the second
    // seed, at (96, 40) neither. Step 1: the point (20, 20) lies in the first seed only, then
    // the second is destroyed through applies-to; the egg becomes a chick where it stands,
    // running the egg's Destroy and the chick's Creation event. Step 2 counts.
    EXPECT_EQ(Lines(run.out), Messages({{2, "log: c16 c128 two blocked notfree free meets alone "
                                            "d16 one d128 none egg gone chick at 0,48 "
                                            "one chick no egg "}}));
}

TEST(RuntimeGames, ShellActionsShowScoresSoundsMessagesAndMouseButtonsAndChangeRooms) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "rt_shell");
    folder.Write("rt_shell_data/beep.wav", Wave(2));
    const auto input = folder.WriteText("input.txt", "2 mouse_down left 5 5\n"
                                                     "4 mouse_up left 5 5\n"
                                                     "5 mouse_down right 5 5\n");
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", game.string(), "--steps", "20", "--input", input.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    std::vector<Json> shown;
    std::vector<Json> sounds;
    for (Json& line : Lines(run.out)) {
        if (line["kind"] == "sound") {
            sounds.push_back(line);
        } else {
            shown.push_back(line);
        }
    }
    EXPECT_EQ(shown,
              (std::vector<Json>{
                  // A text that does not begin with a quote is shown as written.
                  Message(0, "Score: 'not an expression'\ron two lines"),
                  Message(0, "score 15"),
                  // The table starts empty, so 15 enters at place 1; with no answer left the
                  // name stays empty.
                  {{"step", 0}, {"kind", "highscore"}, {"score", 15}, {"place", 1}, {"name", ""}},
                  // Step 2's left button; the message box's OK takes the click, so in step 3
                  // no button counts although it is still held.
                  Message(2, "left at idle 1"),
                  Message(5, "right at idle 3"),
                  // Sleeping draws a frame first, which runs the Drawing event once more.
                  Message(6, "sleep drew 1"),
                  // The game has one sound. The frame that the sleep drew also left its event
                  // name behind for the next report.
                  ErrorReport(6,
                              "ERROR:\rin Drawing event of object host\r"
                              "Trying to play non-existing sound: 2",
                              false, "ignore"),
                  // The room changes after step 6, and the score goes along.
                  Message(6, "room 2 porch, score 15"),
              }));
    // The wave plays once; sound 0 stops every sound, and so does the end of the game, which
    // the guest asks for while the room changes after step 6, so it ends after step 7. Sound 2
    // does not exist and plays nothing.
    EXPECT_EQ(
        sounds,
        (std::vector<Json>{
            {{"step", 0}, {"kind", "sound"}, {"action", "play"}, {"sound", 1}, {"loop", false}},
            {{"step", 0}, {"kind", "sound"}, {"action", "stop"}, {"sound", 1}},
            {{"step", 7}, {"kind", "sound"}, {"action", "stop"}, {"sound", 1}},
        }));
}

TEST(RuntimeGames, ASoundWhoseFileIsMissingIsReportedAndNotPlayed) {
    TempDir folder;
    const auto game = GameWithDataFolder(folder, "rt_missing_sound");
    const tools::ProgramRun run = tools::Qvf(folder, {"run", game.string(), "--steps", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out), (std::vector<Json>{
                                  ErrorReport(0,
                                              "ERROR:\rin Creation event of object player\r"
                                              "Trying to play non-existing sound: 1",
                                              false, "ignore"),
                                  Message(0, "played"),
                              }));
}

TEST(RuntimeGames, QuestionsElseBlocksExitAndCodeRunWhatTheirAnswersSay) {
    TempDir folder;
    const auto answers = folder.WriteText("answers.txt", "yes\nno\n");
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("rt_logic").string(), "--steps", "5", "--answers",
                            answers.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    // Capitals are the actions that run: an else after a false and after a true question; a
    // skipped block; an else bound to the inner of two questions; 0.5 rounding to 0 (false)
    // and 1.5 to 2 (true); a question on an object without instances (true) and on two
    // counters of which one answers no; the third argument as code; an else after a plain
    // action (it runs what follows); a block end outside a block. Step 1: exit inside a block
    // ends the list. Step 2: exit in a skipped branch does nothing; the player's answers.
    // The code applied to the counters ran once for each: 16 + 48.
    EXPECT_EQ(Lines(run.out), (std::vector<Json>{
                                  Question(2, "Continue?\rSay yes", "yes"),
                                  Question(2, "Again? BCGIJKLMNOP-QTU", "no"),
                                  Message(2, "trace BCGIJKLMNOP-QTUX, visits 64"),
                              }));
}

bool HasColourIn(const Bitmap& frame, std::uint32_t colour, int left, int top, int right,
                 int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (Rgb(frame, x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST(RuntimeGames, DrawingActionsDrawImagesAndTextInsteadOfTheInstancesSprite) {
    TempDir folder;
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run = tools::Qvf(folder, {"run", PackedGame("rt_draw").string(),
                                                      "--steps", "1", "--frames", frames.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const Bitmap frame = Frame(frames, 1);
    ASSERT_EQ(frame.Width(), 128);
    ASSERT_EQ(frame.Height(), 64);

    // The painter's own red square at (16, 16) is not drawn: its Drawing event draws instead.
    EXPECT_EQ(Rgb(frame, 24, 24), kBlack);
    // The blue square at (64, 0), at the painter's scale of 2: 32 x 32, its see-through
    // bottom-left pixel now 2 x 2.
    EXPECT_EQ(Rgb(frame, 64, 0), kBlue);
    EXPECT_EQ(Rgb(frame, 95, 29), kBlue);
    EXPECT_EQ(Rgb(frame, 65, 30), kBlack);
    EXPECT_EQ(Rgb(frame, 66, 29), kBlue);
    EXPECT_EQ(Rgb(frame, 96, 10), kBlack);
    // The same square at the painter's position moved by (0, 32): from (16, 48).
    EXPECT_EQ(Rgb(frame, 20, 50), kBlue);
    EXPECT_EQ(Rgb(frame, 47, 63), kBlue);
    EXPECT_EQ(Rgb(frame, 15, 50), kBlack);

    // Red text from (80, 40), and green text from the painter's position moved by (-16, -16):
    // each colour only to the right of and below its text's corner.
    EXPECT_TRUE(HasColourIn(frame, kRed, 80, 40, 128, 64));
    EXPECT_FALSE(HasColourIn(frame, kRed, 0, 0, 128, 40));
    EXPECT_FALSE(HasColourIn(frame, kRed, 0, 0, 80, 64));
    EXPECT_TRUE(HasColourIn(frame, kGreen, 0, 0, 32, 32));
    EXPECT_FALSE(HasColourIn(frame, kGreen, 32, 0, 128, 64));
    EXPECT_FALSE(HasColourIn(frame, kGreen, 0, 32, 128, 64));
}

// Error reports.

TEST(RuntimeGames, ErrorReportsNameTheEventAndObjectAndAFatalOneEndsTheGame) {
    TempDir folder;
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", PackedGame("rt_errors").string(), "--steps", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        Lines(run.out),
        (std::vector<Json>{
            // "{ a = 2#b = a / 0 }": the division is found with the closing brace current,
            // the 11th character after the line break.
            ErrorReport(
                1,
                "ERROR:\rin Step event of object buggy\rin code at line 2 pos 11: Division by 0.",
                false, "ignore"),
            // The child's Creation event ran inside buggy's Step event just before: the report
            // names the event and the object of the last list that started.
            ErrorReport(2,
                        "ERROR:\rin Creation event of object child\r"
                        "Trying to play non-existing sound: 9",
                        false, "ignore"),
            // Ignore lets the game go on.
            Message(3, "still running"),
            // Only Abort is offered; the actions behind it and every later step are gone.
            ErrorReport(4, "FATAL ERROR:\rin Step event of object buggy\rUnexisting room number: 7",
                        true, "abort"),
        }));
}

} // namespace
} // namespace velkaro::test
