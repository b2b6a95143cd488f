#include "engine/DrawingUnit.h"
#include "engine/ScreenMode.h"

#include "data/GameLoader.h"
#include "support/PartsInMemory.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace velkaro {
namespace {

class FakeScreen : public Screen {
public:
    bool FullScreenAvailable() const override { return fullScreenAvailable; }
    ScreenSize FullScreenSize() const override { return size; }
    void ShowWindow(int width, int height) override {
        shown = "window " + std::to_string(width) + "x" + std::to_string(height);
    }
    void ShowFullScreen() override { shown = "full screen"; }
    void Close() override { closed = true; }
    void SetCaption(const std::string& text) override { caption = text; }
    void ShowCursor(bool on) override { cursor = on; }
    bool StopPending(std::int32_t) override { return false; }
    void Present(const Bitmap& frame, int x1, int y1, int x2, int y2) override {
        presented = frame;
        box = {x1, y1, x2, y2};
        ++presents;
    }

    bool fullScreenAvailable = false;
    ScreenSize size{1024, 768};
    std::string shown;
    bool closed = false;
    std::string caption;
    bool cursor = true;
    Bitmap presented;
    std::vector<int> box;
    int presents = 0;
};

class FakePictures : public Pictures {
public:
    Bitmap Load(const std::filesystem::path&) override { return picture; }
    Bitmap picture;
};

class RecordingRunner : public EventRunner {
public:
    void RunEvent(CInstance& self, CInstance& other, const CActionList&) override {
        EXPECT_EQ(&self, &other);
        names.push_back(game->event_name);
        if (during) {
            during(self);
        }
    }
    bool GivingUp() const override { return false; }
    GameState* game = nullptr;
    std::vector<std::string> names;
    std::function<void(CInstance&)> during;
};

constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBack = 0x404040;

// A sprite picture of one colour whose bottom-left pixel is white, so white is its
// transparent colour and every other pixel is drawn.
Bitmap SpriteFrame(int width, int height, Colour colour) {
    Bitmap frame(width, height, PixelFromColour(colour));
    frame.At(0, height - 1) = PixelFromColour(kWhite);
    return frame;
}

class DrawingUnitTest : public ::testing::Test {
protected:
    DrawingUnitTest() {
        runner.game = &game;
        room = &data.rooms.Add();
        room->name = "Level";
        game.room = 1;
        game.roomname = "Level";
        game.cellsize = 16;
        game.room_columns = 40; // 640 x 480
        game.room_rows = 30;
        game.back_color = static_cast<std::int32_t>(kBack);
    }

    int AddObject(Colour colour, int width = 16, int height = 16, bool drawingEvent = false) {
        CObject& object = data.objects.Add();
        object.image.width = width;
        object.image.height = height;
        object.image.AddFrame(SpriteFrame(width, height, colour));
        if (drawingEvent) {
            object.EventList(kDrawingEvent, 0)->Add();
        }
        return data.objects.Count();
    }

    CInstance& Place(int object, double x, double y, double depth = 0) {
        CInstance& instance = game.instances.Add(data.objects, object, x, y);
        instance.image_depth = depth;
        return instance;
    }

    void Start() {
        unit.StartDrawing();
        unit.SetUpRoomDrawing();
    }

    Colour At(int x, int y) { return ColourFromPixel(unit.Surface()->Pixels().At(x, y)); }

    GameData data;
    CRoom* room = nullptr;
    FakeScreen screen;
    FakePictures pictures;
    RecordingRunner runner;
    test::PartsInMemory parts{data, {.events = &runner, .screen = &screen, .pictures = &pictures}};
    GameState& game = parts.state;
    CDrawingUnit& unit = parts.drawing;
};

TEST_F(DrawingUnitTest, DeeperInstancesLieBehindAndEqualDepthsKeepCreationOrder) {
    const int red = AddObject(kRed);
    const int blue = AddObject(kBlue);
    const int green = AddObject(kGreen);
    Place(red, 100, 100, 0);
    Place(blue, 99, 100, 5); // created later but deeper: behind
    Place(green, 200, 100, 2);
    Place(red, 200, 100, 2);
    Place(blue, 200, 100, 2); // last of equal depths: on top
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(105, 105), kRed);
    EXPECT_EQ(At(205, 105), kBlue);
    EXPECT_EQ(At(50, 50), kBack);
    // The sprite's transparent corner shows what lies behind it.
    EXPECT_EQ(At(100, 115), kBlue);
}

TEST_F(DrawingUnitTest, InvisibleAndDestroyedInstancesAreNotDrawn) {
    const int red = AddObject(kRed);
    Place(red, 10, 10).visible = false;
    Place(red, 50, 10).MarkDeleted();
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(15, 15), kBack);
    EXPECT_EQ(At(55, 15), kBack);
}

TEST_F(DrawingUnitTest, ADrawingEventReplacesTheSprite) {
    const int silent = AddObject(kRed, 16, 16, true);
    const int painter = AddObject(kRed, 16, 16, true);
    const int blue = AddObject(kBlue);
    Place(silent, 10, 10);
    Place(blue, 40, 10, 1);
    Place(painter, 40, 10, 0);
    runner.during = [&](CInstance& self) {
        if (self.object == painter) {
            unit.State().brush.colour = kGreen;
            unit.DrawRectangle(self.x, self.y, self.x + 4, self.y + 4);
        }
    };
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(15, 15), kBack) << "a Drawing event that draws nothing leaves it invisible";
    EXPECT_EQ(At(42, 12), kGreen) << "drawn by its event, over the deeper sprite";
    EXPECT_EQ(At(50, 20), kBlue);
    EXPECT_EQ(runner.names, (std::vector<std::string>{"Drawing event", "Drawing event"}));
}

TEST_F(DrawingUnitTest, TheViewFollowsItsObjectAndStaysInTheRoom) {
    const int player = AddObject(kRed, 16, 16);
    room->viewEnabled = 1;
    room->viewWidthInCells = 20; // 320 x 240
    room->viewHeightInCells = 15;
    room->viewBorderInCells = 2; // 32 pixels
    room->viewObject = player;
    CInstance& instance = Place(player, 10, 100);
    Start();
    EXPECT_EQ(game.view_w, 320);
    EXPECT_EQ(game.view_h, 240);
    EXPECT_EQ(game.view_border, 32);
    EXPECT_EQ(unit.Surface()->Width(), 320);

    unit.DrawFrame(); // 10 - 32 = -22, clamped
    EXPECT_EQ(game.view_x, 0);
    EXPECT_EQ(game.view_y, 0);

    instance.SetX(400); // right edge 416 + 32 - 320
    instance.SetY(300);
    unit.DrawFrame();
    EXPECT_EQ(game.view_x, 128);
    EXPECT_EQ(game.view_y, 108);
    EXPECT_EQ(At(400 - 128 + 5, 300 - 108 + 5), kRed);

    instance.SetX(630); // 678 - 320 = 358, but the room ends at 640
    instance.SetY(470);
    unit.DrawFrame();
    EXPECT_EQ(game.view_x, 320);
    EXPECT_EQ(game.view_y, 240);
}

TEST_F(DrawingUnitTest, AViewLargerThanTheRoomEndsAtANegativePosition) {
    room->viewEnabled = 1;
    room->viewWidthInCells = 50; // 800 pixels in a 640 room
    room->viewHeightInCells = 30;
    Start();
    unit.DrawFrame();
    EXPECT_EQ(game.view_x, -160);
    EXPECT_EQ(game.view_y, 0);
}

TEST_F(DrawingUnitTest, WithoutAViewTheScriptPlacesTheViewFreely) {
    const int red = AddObject(kRed);
    Place(red, 100, 100);
    Start();
    game.view_x = -5;
    game.view_y = 50;
    unit.DrawFrame();
    EXPECT_EQ(game.view_x, -5);
    EXPECT_EQ(game.view_y, 50);
    EXPECT_EQ(At(105, 50), kRed);
    EXPECT_EQ(At(104, 50), kBack);
}

class BackgroundTest : public DrawingUnitTest {
protected:
    BackgroundTest() {
        // 64 x 64 tiles, green in their first column and blue elsewhere.
        pictures.picture = Bitmap(64, 64, PixelFromColour(kBlue));
        for (int y = 0; y < 64; ++y) {
            pictures.picture.At(0, y) = PixelFromColour(kGreen);
        }
        room->backgroundFileName = "back.bmp";
        game.background_image = 1;
    }

    // The x positions of the first row where a tile starts.
    std::vector<int> TileStarts() {
        std::vector<int> starts;
        for (int x = 0; x < unit.Surface()->Width(); ++x) {
            if (At(x, 0) == kGreen) {
                starts.push_back(x);
            }
        }
        return starts;
    }
};

TEST_F(BackgroundTest, TilesAreShiftedByTheScrollPosition) {
    struct Case {
        double backX;
        int firstStart;
    };
    for (const Case& c : {Case{10, 10}, Case{-10, 54}, Case{64, 0}, Case{0, 0}}) {
        game.back_x = c.backX;
        Start();
        unit.DrawFrame();
        const std::vector<int> starts = TileStarts();
        ASSERT_EQ(starts.size(), 10u) << c.backX;
        EXPECT_EQ(starts.front(), c.firstStart) << c.backX;
        EXPECT_EQ(starts[1] - starts[0], 64);
    }
}

TEST_F(BackgroundTest, TilesFollowTheView) {
    game.back_y = 3;
    Start();
    game.view_x = 100;
    unit.DrawFrame();
    // Tiles start at 0, 64, 128...: in the picture at 28, 92...
    EXPECT_EQ(TileStarts().front(), 28);
    EXPECT_NE(At(28, 0), kBack) << "no colour under the tiles";
}

TEST_F(BackgroundTest, AStretchedPictureCoversTheRoomOnce) {
    pictures.picture = Bitmap(2, 2);
    pictures.picture.At(0, 0) = PixelFromColour(kRed);
    pictures.picture.At(1, 0) = PixelFromColour(kGreen);
    pictures.picture.At(0, 1) = PixelFromColour(kBlue);
    pictures.picture.At(1, 1) = PixelFromColour(kWhite);
    game.background_mode = 1;
    room->backgroundMode = 1;
    game.back_x = 7; // shifts the one tile out of place, as in every mode
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(0, 0), kGreen) << "the room-sized tile starts at 7 - 640";
    EXPECT_EQ(At(7, 0), kRed);
    EXPECT_EQ(At(326, 0), kRed);
    EXPECT_EQ(At(328, 0), kGreen);
    EXPECT_EQ(At(7, 479), kBlue);
}

TEST_F(BackgroundTest, UnknownModesTileAtThePicturesOwnSize) {
    room->backgroundMode = 7;
    game.background_mode = 7;
    Start();
    unit.DrawFrame();
    EXPECT_EQ(TileStarts().size(), 10u);
}

TEST_F(BackgroundTest, PicturesAreHeldInSixteenBitColour) {
    pictures.picture = Bitmap(8, 8, PixelFromRgb(0x13, 0x37, 0x59));
    Start();
    unit.DrawFrame();
    EXPECT_EQ(unit.Surface()->Pixels().At(3, 3), PixelFromRgb(0x10, 0x34, 0x5A));
}

TEST_F(BackgroundTest, WithoutThePictureTheRoomShowsItsColour) {
    game.background_image = 0;
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(0, 0), kBack);
    EXPECT_EQ(At(639, 479), kBack);
}

TEST_F(DrawingUnitTest, SpritesLeaveOutBothTransparentColours) {
    CObject& object = data.objects.Add();
    object.image.width = 4;
    object.image.height = 4;
    object.image.AddFrame(SpriteFrame(4, 4, kGreen)); // white transparent for the image
    Bitmap second(4, 4, PixelFromColour(kBlue));
    second.At(0, 3) = PixelFromColour(kRed); // its own transparent colour
    second.At(1, 1) = PixelFromColour(kRed);
    second.At(2, 2) = PixelFromColour(kWhite);
    object.image.AddFrame(second);
    CInstance& instance = Place(1, 20, 20);
    instance.image_index = 7; // 7 mod 2
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(20, 20), kBlue);
    EXPECT_EQ(At(21, 21), kBack);
    EXPECT_EQ(At(22, 22), kBack);
}

TEST_F(DrawingUnitTest, ScaledSpritesAreStretched) {
    const int red = AddObject(kRed, 16, 8);
    Place(red, 10, 10).SetImageScale(2);
    Start();
    unit.DrawFrame();
    EXPECT_EQ(At(41, 25), kRed);
    EXPECT_EQ(At(42, 25), kBack);
    EXPECT_EQ(At(41, 26), kBack);
    EXPECT_EQ(At(9, 10), kBack);
}

TEST_F(DrawingUnitTest, TheWindowCaptionNamesTheRoomAndTheScore) {
    Start();
    game.showscore = true;
    game.score = 40;
    unit.DrawFrame();
    EXPECT_EQ(screen.caption, " Level   score: 40");
    EXPECT_EQ(screen.box, (std::vector<int>{0, 0, 640, 480}));
    EXPECT_EQ(screen.presented, unit.Surface()->Pixels());
    game.showscore = false;
    unit.DrawFrame();
    EXPECT_EQ(screen.caption, " Level");
    EXPECT_EQ(screen.shown, "window 640x480");
}

TEST_F(DrawingUnitTest, FullScreenShowsTheScoreOnThePictureScaledToTheScreen) {
    screen.fullScreenAvailable = true;
    data.options.fullscreen = true;
    game.showscore = true;
    game.score = 7;
    Start();
    EXPECT_EQ(screen.shown, "full screen");
    unit.DrawFrame();
    EXPECT_EQ(screen.caption, "");
    EXPECT_EQ(screen.box, (std::vector<int>{0, 0, 1024, 768}));
    EXPECT_EQ(At(1, 1), kWhite) << "the score's opaque background";
    EXPECT_EQ(At(200, 5), kBack);
}

TEST_F(DrawingUnitTest, ScreenModesScaleAndCentreThePicture) {
    screen.fullScreenAvailable = true;
    game.room_columns = 25; // 400 x 240
    game.room_rows = 15;
    Start();
    EXPECT_FALSE(game.fullscreenmode);
    SetScreenMode(game, screen, true);
    EXPECT_TRUE(game.fullscreenmode);
    EXPECT_DOUBLE_EQ(game.screen_scale_x, 2.56);
    EXPECT_DOUBLE_EQ(game.screen_scale_y, 2.56);
    EXPECT_EQ(game.screen_offset_x, 0);
    EXPECT_EQ(game.screen_offset_y, 77);
    unit.DrawFrame();
    EXPECT_EQ(screen.box, (std::vector<int>{0, 77, 1024, 691}));

    SetScreenMode(game, screen, false);
    EXPECT_FALSE(game.fullscreenmode);
    EXPECT_EQ(screen.shown, "window 400x240");
    EXPECT_EQ(game.screen_offset_y, 0);
    EXPECT_DOUBLE_EQ(game.screen_scale_x, 1.0);
}

TEST_F(DrawingUnitTest, FullScreenNeedsTheDisplayAndExclusiveModeInsistsOnIt) {
    Start();
    SetScreenMode(game, screen, true);
    EXPECT_FALSE(game.fullscreenmode);

    screen.fullScreenAvailable = true;
    data.options.exclusive = true;
    Start();
    SetScreenMode(game, screen, false);
    EXPECT_TRUE(game.fullscreenmode);
}

TEST_F(DrawingUnitTest, GameStartAndEndControlCursorAndWindow) {
    data.options.showcursor = false;
    unit.StartDrawing();
    EXPECT_FALSE(screen.cursor);
    unit.StopDrawing();
    EXPECT_TRUE(screen.closed);
}

TEST_F(DrawingUnitTest, NothingIsDrawnBeforeARoomExists) {
    const int red = AddObject(kRed);
    Place(red, 0, 0);
    unit.StartDrawing();
    unit.DrawFrame();
    unit.DrawObjectImage(red, 0, 1, 0, 0);
    unit.DrawRectangle(0, 0, 10, 10);
    unit.DrawText(0, 0, "text");
    EXPECT_EQ(unit.Surface(), nullptr);
    EXPECT_EQ(screen.presents, 0);
    EXPECT_GT(unit.StringWidth("text"), 0);
}

TEST_F(DrawingUnitTest, TheActionsSetTheFontAndDrawText) {
    Start();
    FontDescription font;
    font.name = "Arial";
    font.size = 12;
    font.colour = kRed;
    font.underline = true;
    unit.State().alignment = kAlignRight;
    unit.SetFontFrom(font);
    EXPECT_EQ(unit.State().font.name, "Arial");
    EXPECT_EQ(unit.State().font.size, 12);
    EXPECT_TRUE(unit.State().font.underline);
    EXPECT_EQ(unit.State().alignment, kAlignRight);

    unit.Surface()->Fill(kBack);
    unit.DrawText(300, 10, "Wide text");
    int reddest = -1;
    for (int x = 0; x < 640; ++x) {
        for (int y = 0; y < 40; ++y) {
            if (At(x, y) == kRed) {
                reddest = x;
            }
        }
    }
    EXPECT_GE(reddest, 280) << "right-aligned text ends at its position";
    EXPECT_LT(reddest, 300);
}

} // namespace
} // namespace velkaro
