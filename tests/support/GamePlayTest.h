#pragma once

// A base for tests that play a game built in memory with the real CGame, over platform fakes
// the test chooses: the game's data folder, objects with code, starting the game, the global
// "log" its code writes, and a check that no error report went unseen.

#include "data/GameLoader.h"
#include "engine/RunUnit.h"
#include "functions/ActionHandlers.h"
#include "functions/FunctionTables.h"
#include "support/GameFileBuilder.h"
#include "support/GameInMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velkaro::test {

class GamePlayTest : public ::testing::Test {
protected:
    GamePlayTest() { data.files = Files(folder.Path()); }

    CObject& AddObject(const std::string& name, bool solid, int boxLast) {
        return test::AddObject(data, name, solid, boxLast);
    }
    static void On(CObject& object, int row, int sub, const std::string& code) {
        test::AddCode(object, row, sub, code);
    }

    // Builds the game over `platform` (which must outlive it) with the program's functions and
    // actions.
    CGame& Build(const GamePlatform& platform, std::uint32_t seed = 12345u) {
        actions.emplace(BuildActionRegistry(platform.dialogs));
        game = std::make_unique<CGame>(data, platform, GameLibraries{FunctionRegistry(), *actions},
                                       seed);
        return *game;
    }
    // Builds the game and starts it as the game thread would.
    CGame& StartOn(const GamePlatform& platform) {
        Build(platform);
        game->StartGameThread([] {});
        game->StartGame();
        return *game;
    }

    // What the game's code appended to the global "log" since the last look.
    std::string TakeLog() {
        RValue value;
        EXPECT_TRUE(game->State().globals.GetValue("log", 0, value));
        game->State().globals.SetValue("log", RValue::String(""), 0);
        return value.string;
    }

    // A report that reached no box because the game had stopped is lost to the test's eye
    // unless the test expects it.
    void TearDown() override {
        if (game) {
            EXPECT_EQ(game->Errors().UnshownCount(), unshownReports)
                << "first: " << game->Errors().FirstUnshown();
        }
    }

    TempDir folder;
    GameData data;
    std::optional<CActionRegistry> actions;
    std::unique_ptr<CGame> game;
    // The error reports the test expects to go unshown.
    int unshownReports = 0;
};

} // namespace velkaro::test
