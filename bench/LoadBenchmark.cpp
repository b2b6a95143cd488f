// Loading a large game: 1,000 objects with four 64 x 64 sub-images each, and 100 rooms of 500
// instances each.
#include "data/GameLoader.h"

#include "support/GameFileBuilder.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace velkaro {
namespace {

// The loader only shows messages; the other boxes answer as a closed box would.
class SilentDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override { last = text; }
    bool ShowQuestion(const std::string&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowGameInfo() override {}
    std::string last;
};

std::vector<std::uint8_t> LargeGame() {
    test::TestGame game;
    game.options = {"fullscreen=0", "collisions=2", "precise=1"};
    std::vector<std::vector<std::uint8_t>> frames;
    for (int f = 0; f < 4; ++f) {
        frames.push_back(test::MakeBmp24(64, 64, [f](int x, int y) {
            return static_cast<std::uint32_t>((x * 4 + f) << 16 | y * 4 << 8 | (x ^ y));
        }));
    }
    for (int i = 0; i < 1000; ++i) {
        test::TestObject object;
        object.name = "object" + std::to_string(i);
        object.width = 64;
        object.height = 64;
        object.frames = frames;
        object.bbRight = 63;
        object.bbBottom = 63;
        object.events.push_back({0, 0, {{101, -1, 0, {"x + 4", "y", "0"}, 1}}});
        object.events.push_back({3, 0, {{211, -1, 0, {"speed = speed * 0.9;"}, 1}}});
        object.events.push_back({10, 37, {{102, -1, 1, {"-4", "0"}, 1}}});
        game.objects.push_back(std::move(object));
    }
    for (int r = 0; r < 100; ++r) {
        test::TestRoom room;
        room.name = "room" + std::to_string(r);
        for (int i = 0; i < 500; ++i) {
            room.instances.push_back({i % 40, i / 40, 1 + (i * 7 + r) % 1000});
        }
        game.rooms.push_back(std::move(room));
    }
    return test::WriteTestGame(game);
}

void BM_LoadLargeGame(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = LargeGame();
    SilentDialogs dialogs;
    for (auto _ : state) {
        GameData game;
        const bool loaded = LoadGameFromBytes(bytes, "/tmp/large.qvf", game, dialogs);
        if (!loaded || game.objects.Count() != 1000 || game.rooms.Count() != 100) {
            state.SkipWithError(("the game did not load: " + dialogs.last).c_str());
            break;
        }
        benchmark::DoNotOptimize(game);
    }
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_LoadLargeGame)->Unit(benchmark::kMillisecond);

// The same through the file system, as the player loads it.
void BM_LoadLargeGameFile(benchmark::State& state) {
    test::TempDir dir;
    const auto path = dir.Write("large.qvf", LargeGame());
    SilentDialogs dialogs;
    for (auto _ : state) {
        GameData game;
        if (!LoadGame(path, game, dialogs)) {
            state.SkipWithError(("the game did not load: " + dialogs.last).c_str());
            break;
        }
        benchmark::DoNotOptimize(game);
    }
}
BENCHMARK(BM_LoadLargeGameFile)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velkaro
