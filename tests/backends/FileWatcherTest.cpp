#include "backends/posix/FileWatcher.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using Paths = std::vector<std::filesystem::path>;

// The reports a watcher made, as its thread hands them over.
class Reports {
public:
    FileWatcher::Changed Callback() {
        return [this](Paths paths) {
            const std::lock_guard lock(mutex_);
            reports_.push_back(std::move(paths));
            arrived_.notify_all();
        };
    }
    // Whether a report with `path` arrives within a second.
    bool Arrives(const std::filesystem::path& path) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, 1s, [&] { return CountWith(path) > 0; });
    }
    int ReportsWith(const std::filesystem::path& path) {
        const std::lock_guard lock(mutex_);
        return CountWith(path);
    }
    std::vector<Paths> All() {
        const std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    int CountWith(const std::filesystem::path& path) const {
        return static_cast<int>(std::ranges::count_if(
            reports_, [&](const Paths& paths) { return std::ranges::count(paths, path) > 0; }));
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Paths> reports_;
};

TEST(FileWatcher, ReportsEveryWayOfSavingOnceSettled) {
    test::TempDir dir;
    const auto data = dir.Path() / "data";
    const auto flat = dir.Path() / "flat";
    const auto sprite = dir.WriteText("data/sub/sprite.png", "old");
    dir.WriteText("data/.git/HEAD", "ref");
    dir.WriteText("flat/inner/level.txt", "1");
    Reports reports;
    FileWatcher watcher({{data, true}, {flat, false}, {dir.Path() / "missing", true}},
                        reports.Callback(), 200);
    EXPECT_EQ(watcher.WatchCount(), 3u); // data, data/sub and flat; not .git, inner or missing

    dir.WriteText("data/sub/sprite.png", "new");
    EXPECT_TRUE(reports.Arrives(sprite));

    dir.WriteText("data/room.json.tmp", "{}");
    std::filesystem::rename(data / "room.json.tmp", data / "room.json");
    EXPECT_TRUE(reports.Arrives(data / "room.json"));

    // Written at once, before the watcher can have noticed the new folder.
    const auto added = dir.WriteText("data/new/deeper/added.png", "x");
    EXPECT_TRUE(reports.Arrives(added));
    EXPECT_TRUE(reports.Arrives(data / "new"));
    // A folder moved in whole: its files were there before any watch could see them.
    dir.WriteText("outside/pack/tiles.png", "x");
    std::filesystem::rename(dir.Path() / "outside/pack", data / "pack");
    EXPECT_TRUE(reports.Arrives(data / "pack/tiles.png"));
    EXPECT_EQ(watcher.WatchCount(), 6u);

    std::filesystem::remove(sprite);
    EXPECT_TRUE(reports.Arrives(sprite));

    for (int i = 0; i < 100; ++i) {
        dir.WriteText("data/sub/burst.txt", std::to_string(i));
    }
    dir.WriteText("flat/inner/level.txt", "2");
    dir.WriteText("flat/top.txt", "in the folder itself");
    EXPECT_TRUE(reports.Arrives(flat / "top.txt"));
    EXPECT_TRUE(reports.Arrives(data / "sub/burst.txt"));
    std::this_thread::sleep_for(500ms);
    for (const Paths& paths : reports.All()) {
        EXPECT_LE(std::ranges::count(paths, data / "sub/burst.txt"), 1);
        EXPECT_EQ(std::ranges::count(paths, flat / "inner/level.txt"), 0);
    }
    EXPECT_EQ(reports.ReportsWith(data / "sub/burst.txt"), 1);
}

TEST(FileWatcher, StopsPromptlyWithChangesPendingAndReportsNoMore) {
    test::TempDir dir;
    Reports reports;
    auto watcher = std::make_unique<FileWatcher>(std::vector<WatchedFolder>{{dir.Path(), false}},
                                                 reports.Callback(), 10'000);
    dir.WriteText("save.txt", "pending");
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    watcher.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_TRUE(reports.All().empty());
}

} // namespace
} // namespace velkaro
