// Feeds arbitrary text to the compiler of game code and runs what it makes with the interpreter,
// against a small game with every built-in function. The first byte chooses the form: code, an
// expression evaluated as a number, or one evaluated as a string; the rest is the text. Code
// that loops for ever is stopped by a deadline, as the player stops it when its window is
// closed. Nothing may crash, hang, trip a sanitizer or take memory without bound.
//
// The game's files live in a scratch folder emptied before each input, and the process cannot
// write anywhere else (WriteFence.h).
#include "WriteFence.h"
#include "base/Files.h"
#include "data/GameLoader.h"
#include "functions/FunctionTables.h"
#include "script/CodeCompiler.h"
#include "script/InterpretUnit.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"
#include "world/RuntimeControl.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>

namespace {

using namespace velkaro;

// Long enough for any code that ends; loops are asked every 4096 passes.
constexpr std::chrono::milliseconds kTimeLimit{250};

// Records nothing; asks the code to stop once its time is up.
class DeadlineRuntime : public RuntimeControl {
public:
    DeadlineRuntime() : deadline_(std::chrono::steady_clock::now() + kTimeLimit) {}
    void GotoRoom(std::int32_t) override {}
    void SetScreenMode(bool) override {}
    bool StopAsked() override { return std::chrono::steady_clock::now() >= deadline_; }

private:
    std::chrono::steady_clock::time_point deadline_;
};

// The process's fixture: the scratch folder, made and fenced in before the first input, and
// the game's data: objects 1 "ball", 2 "wall" and 3 "block", two rooms and two sounds.
struct Fixture {
    Fixture() {
        data.objects.Add().name = "ball";
        data.objects.Add().name = "wall";
        data.objects.Add().name = "block";
        data.rooms.Add().name = "first";
        data.rooms.Add().name = "second";
        data.sounds.Add().name = "shot";
        data.sounds.Add().name = "boom";
        data.gameName = "fuzz";
        data.files = Files(scratch.Path());
        data.dataFolder = scratch.Path().string() + "/";
    }

    fuzz::ScratchFolder scratch{fuzz::ScratchPathFor("game-code")};
    GameData data;
};

std::optional<Fixture>& TheFixture() {
    static std::optional<Fixture> fixture;
    return fixture;
}

// A running game over the fixture: instances 1 and 3 balls, 2 and 4 walls, with variables of
// their own and global ones, in a room of 20 by 15 cells.
class Scenario {
public:
    explicit Scenario(const GameData& data)
        : data_(data), parts_(data, {.functions = &FunctionRegistry(), .runtime = &runtime_}) {
        GameState& game = parts_.state;
        game.random.Seed(20240607);
        game.decimal_separator = ".";
        game.room = 1;
        game.roomname = "first";
        game.gamename = "fuzz";
        game.score = 10;
        game.cellsize = 32;
        game.room_columns = 20;
        game.room_rows = 15;
        game.gamespeed = 30;
        self_ = &game.instances.Add(data.objects, 1, 10, 20);
        other_ = &game.instances.Add(data.objects, 2, 100, 200);
        CInstance& ball = game.instances.Add(data.objects, 1, 30, 40);
        game.instances.Add(data.objects, 2, 130, 240);
        self_->SetHspeed(2);
        self_->locals.SetValue("n", RValue::Real(5), 0);
        self_->locals.SetValue("s", RValue::String("text"), 0);
        self_->locals.SetValue("a", RValue::Real(1), 0);
        self_->locals.SetValue("a", RValue::String("three"), 2);
        other_->locals.SetValue("n", RValue::Real(7), 0);
        ball.locals.SetValue("n", RValue::Real(3), 0);
        game.globals.SetValue("g", RValue::Real(3), 0);
        game.globals.SetValue("list", RValue::String("eleven"), 1);
    }

    void Run(const std::string& text, CodeForm form, bool asString) {
        const CodeTree code =
            PrepareText(text, form, TokenNames{data_.objects, data_.sounds, FunctionRegistry()});
        // As `qvf check` checks it.
        FirstError(code);
        CInterpreter& interpreter = parts_.interpreter;
        if (form == CodeForm::Code) {
            interpreter.ExecuteCode(*self_, *other_, code);
        } else if (asString) {
            interpreter.EvaluateString(*self_, *other_, code);
        } else {
            interpreter.EvaluateReal(*self_, *other_, code);
        }
    }

private:
    const GameData& data_;
    DeadlineRuntime runtime_;
    test::PartsInMemory parts_;
    CInstance* self_ = nullptr;
    CInstance* other_ = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    auto& fixture = TheFixture().emplace();
    std::vector<std::filesystem::path> writable = fuzz::FuzzerOutputFolders(*argc, *argv);
    writable.push_back(fixture.scratch.Path());
    fuzz::FenceWritesOrDie(writable);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Fixture& fixture = *TheFixture();
    fixture.scratch.Empty();
    const std::uint8_t form = data[0] % 3;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        Scenario scenario(fixture.data);
        scenario.Run(text, form == 0 ? CodeForm::Code : CodeForm::Expression, form == 2);
    } catch (const std::bad_alloc&) {
        // Memory ran out within the limits; the player ends the game with a report.
    }
    return 0;
}
