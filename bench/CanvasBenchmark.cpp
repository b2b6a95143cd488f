// Composing one 640 x 480 frame as the room drawing does: the background colour, then 200
// sprites of 32 x 32 with their two transparent colours. A frame must take well under 2 ms.
#include "platform/Canvas.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kSprites = 200;
constexpr int kSpriteSize = 32;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kMagenta = 0xFF00FF;

// A ball on a white ground with a magenta ring: two thirds of the pixels are drawn.
Bitmap MakeSprite(int variant) {
    Bitmap sprite(kSpriteSize, kSpriteSize, PixelFromColour(kWhite));
    const int centre = kSpriteSize / 2;
    for (int y = 0; y < kSpriteSize; ++y) {
        for (int x = 0; x < kSpriteSize; ++x) {
            const int d = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            if (d < 15 * 15) {
                sprite.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(x * 8 + variant),
                                               static_cast<std::uint8_t>(y * 8), 90);
            } else if (d < 16 * 16) {
                sprite.At(x, y) = PixelFromColour(kMagenta);
            }
        }
    }
    return sprite;
}

struct Placement {
    int x;
    int y;
    int sprite;
};

// Spread over the frame and partly over its edges, as a busy room would have them.
std::vector<Placement> Placements() {
    std::vector<Placement> placements;
    unsigned state = 12345;
    const auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<unsigned>(range));
    };
    for (int i = 0; i < kSprites; ++i) {
        placements.push_back({next(kWidth + kSpriteSize) - kSpriteSize / 2,
                              next(kHeight + kSpriteSize) - kSpriteSize / 2, i % 8});
    }
    return placements;
}

void ComposeFrame(benchmark::State& state) {
    std::vector<Bitmap> sprites;
    for (int i = 0; i < 8; ++i) {
        sprites.push_back(MakeSprite(i));
    }
    const std::vector<Placement> placements = Placements();
    auto canvas = MakeCanvas(kWidth, kHeight);
    const TransparentColours transparent(kWhite, kMagenta);
    for (auto _ : state) {
        canvas->Fill(0x402010);
        for (const Placement& p : placements) {
            canvas->DrawBitmap(sprites[static_cast<std::size_t>(p.sprite)], p.x, p.y, transparent);
        }
        benchmark::DoNotOptimize(canvas->Pixels().Row(0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ComposeFrame)->Unit(benchmark::kMicrosecond);

// The same frame with the sprites scaled by 1.5, which is drawn without the prepared frames.
void ComposeScaledFrame(benchmark::State& state) {
    const Bitmap sprite = MakeSprite(0);
    const std::vector<Placement> placements = Placements();
    auto canvas = MakeCanvas(kWidth, kHeight);
    const TransparentColours transparent(kWhite, kMagenta);
    for (auto _ : state) {
        canvas->Fill(0x402010);
        for (const Placement& p : placements) {
            canvas->StretchBitmap(sprite, p.x, p.y, p.x + 48, p.y + 48, transparent);
        }
        benchmark::DoNotOptimize(canvas->Pixels().Row(0));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ComposeScaledFrame)->Unit(benchmark::kMicrosecond);

// A score line in a Drawing event, measured for centring and drawn; the score changes every
// frame, so the text is shaped afresh each time.
void CentredText(benchmark::State& state) {
    auto canvas = MakeCanvas(kWidth, kHeight);
    Font font;
    font.name = "Arial";
    font.size = 12;
    canvas->SetFont(font);
    int score = 0;
    for (auto _ : state) {
        const std::string text = "Lives: 3   Score: " + std::to_string(score);
        score = (score + 10) % 100000;
        const int width = canvas->TextWidth(text);
        canvas->Text(320 - width / 2, 10, text);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CentredText)->Unit(benchmark::kMicrosecond);

// A room's new picture, up to its first measured text: each canvas keeps its own fonts.
void NewCanvasWithText(benchmark::State& state) {
    for (auto _ : state) {
        auto canvas = MakeCanvas(kWidth, kHeight);
        benchmark::DoNotOptimize(canvas->TextWidth("Score: 0"));
    }
}
BENCHMARK(NewCanvasWithText)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velkaro

BENCHMARK_MAIN();
