#pragma once

// A small game played in memory, for the tests of the built-in functions that act on a
// running game: its objects and rooms are built by the test, it runs with the real executor,
// interpreter and room operations, and whatever reaches the shell is recorded.

#include "functions/FunctionCalls.h"
#include "support/GamePlayTest.h"
#include "support/RecordingGameServices.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace velkaro::test {

class SilentGameShell : public GameShell {
public:
    void LoadScores() override {}
    bool StartSounds() override { return false; }
    void EndSounds() override {}
    void StartMusic(std::int32_t, const std::vector<std::string>&) override {}
    void StopMusic() override {}
};

class FunctionGameTest : public GamePlayTest {
protected:
    // An empty room of columns x rows cells of `cell` pixels.
    void AddRoom(int columns, int rows, int cell) {
        CRoom& room = data.rooms.Add();
        room.widthInCells = columns;
        room.heightInCells = rows;
        room.cellSize = cell;
    }

    GameState& Start() {
        StartOn(platform);
        game->State().globals.SetValue("log", RValue::String(""), 0);
        return game->State();
    }
    GameState& State() { return game->State(); }

    // A new instance, without its Creation event.
    CInstance& Place(std::int32_t object, double x, double y) {
        return State().instances.Add(data.objects, object, x, y);
    }

    // Calls a function of the program's registry for `self` and `other`.
    RValue Call(const std::string& name, std::initializer_list<double> numbers, CInstance& self,
                CInstance& other) {
        FunctionContext context(State(), game->Parts());
        RValue result = CallByName(FunctionRegistry(), context, self, other, name, Reals(numbers));
        EXPECT_FALSE(context.Failed()) << context.error;
        return result;
    }
    double Real(const std::string& name, std::initializer_list<double> numbers, CInstance& self,
                CInstance& other) {
        return Call(name, numbers, self, other).real;
    }

    // The last line of each error report: the message.
    std::vector<std::string> ErrorMessages() const {
        std::vector<std::string> messages;
        for (const auto& report : shell.errorReports) {
            messages.push_back(report.text.substr(report.text.rfind('\r') + 1));
        }
        return messages;
    }

    QuietScreen screen;
    NoPictures pictures;
    // The boxes, error reports and services.
    RecordingShell shell;
    SilentGameShell gameShell;
    GamePlatform platform{screen,    pictures, shell, shell, shell,
                          gameShell, shell,    shell, shell, shell};
};

} // namespace velkaro::test
