#include "script/NestingGuard.h"

#include "data/GameLoader.h"
#include "support/RecordingGameServices.h"
#include "world/GameState.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velkaro {
namespace {

using Level = CNestingGuard::Level;

// Events and actions share one guard: reaching the action limit deep inside events refuses
// every further level of either kind, with one report, until the outermost level is left.
TEST(NestingGuard, EitherLimitRefusesEveryLevelUntilTheOutermostIsLeft) {
    const GameData data;
    GameState game(data);
    test::RecordingErrors errors;
    CNestingGuard guard(game, errors);

    std::vector<std::unique_ptr<CNestingGuard::Scope>> held;
    const auto take = [&](Level level) {
        held.push_back(std::make_unique<CNestingGuard::Scope>(guard, level));
        return held.back()->Entered();
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(take(Level::Event));
    }
    for (int i = 0; i < CNestingGuard::kMaxActionDepth; ++i) {
        ASSERT_TRUE(take(Level::Action));
    }
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_FALSE(take(Level::Action));
    EXPECT_TRUE(guard.GivingUp());
    EXPECT_EQ(game.next_room, -1);
    EXPECT_FALSE(take(Level::Event));
    EXPECT_EQ(errors.reports, (test::Reports{{kEventsNestedTooDeeply, true}}));

    // Leaving all but the outermost level keeps the guard refusing.
    while (held.size() > 1) {
        held.pop_back();
    }
    EXPECT_FALSE(take(Level::Event));
    held.pop_back();
    held.clear();
    EXPECT_FALSE(guard.GivingUp());
    EXPECT_TRUE(take(Level::Event));
    EXPECT_EQ(errors.reports.size(), 1u);
}

} // namespace
} // namespace velkaro
