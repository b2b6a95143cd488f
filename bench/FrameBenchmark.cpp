// One room frame: a 640 x 480 view over a tiled background with 200 sprites, composed through
// the room drawing as the game loop does every step.

#include "data/GameLoader.h"
#include "engine/DrawingUnit.h"
#include "support/RecordingDialogs.h"

#include <benchmark/benchmark.h>

namespace velkaro {
namespace {

class OffScreen : public Screen {
public:
    bool FullScreenAvailable() const override { return false; }
    ScreenSize FullScreenSize() const override { return {640, 480}; }
    void ShowWindow(int, int) override {}
    void ShowFullScreen() override {}
    void Close() override {}
    void SetCaption(const std::string&) override {}
    void ShowCursor(bool) override {}
    bool StopPending(std::int32_t) override { return false; }
    void Present(const Bitmap& frame, int, int, int, int) override {
        benchmark::DoNotOptimize(frame.Row(0));
    }
};

// A 64 x 64 checked tile.
class TilePictures : public Pictures {
public:
    Bitmap Load(const std::filesystem::path&) override {
        Bitmap tile(64, 64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                tile.At(x, y) = ((x / 8 + y / 8) % 2) != 0 ? PixelFromRgb(40, 90, 40)
                                                           : PixelFromRgb(60, 120, 60);
            }
        }
        return tile;
    }
};

class NoEvents : public EventRunner {
public:
    void RunEvent(CInstance&, CInstance&, const CActionList&) override {}
    bool GivingUp() const override { return false; }
};

void BM_DrawFrame(benchmark::State& state) {
    GameData data;
    // A 32 x 32 ball with a transparent surround, in four animation frames.
    CObject& ball = data.objects.Add();
    ball.image.width = 32;
    ball.image.height = 32;
    for (int f = 0; f < 4; ++f) {
        Bitmap frame(32, 32, PixelFromRgb(255, 255, 255));
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if ((x - 16) * (x - 16) + (y - 16) * (y - 16) < 14 * 14) {
                    frame.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(200 - f * 30), 40, 40);
                }
            }
        }
        ball.image.AddFrame(frame);
    }
    CRoom& room = data.rooms.Add();
    room.backgroundFileName = "tile.bmp";

    GameState game(data);
    game.room = 1;
    game.cellsize = 32;
    game.room_columns = 20;
    game.room_rows = 15;
    game.background_image = 1;
    game.back_x = 13;
    game.back_y = -7;
    for (int i = 0; i < 200; ++i) {
        CInstance& instance = game.instances.Add(data.objects, 1, (i * 37) % 620, (i * 53) % 460);
        instance.visible = true;
        instance.image_index = -1;
        instance.image_counter = i % 4;
        instance.image_depth = i % 3;
    }

    OffScreen screen;
    TilePictures pictures;
    NoEvents events;
    test::RecordingDialogs dialogs;
    CDrawingUnit drawing(game, events, screen, pictures, dialogs);
    drawing.StartDrawing();
    drawing.SetUpRoomDrawing();
    for (auto _ : state) {
        drawing.DrawFrame();
    }
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velkaro

BENCHMARK_MAIN();
