// Game code in the interpreter against the same program in Lua 5.4, in one process. Both look
// their variables up by name: the game's as user variables of self, Lua's as globals. Each
// benchmark pair reports its time; the ratio is printed at the end.
#include "data/GameLoader.h"
#include "functions/FunctionTables.h"
#include "script/ErrorReport.h"
#include "script/InterpretUnit.h"
#include "support/PartsInMemory.h"

#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>

namespace velkaro {
namespace {

struct Program {
    const char* name;
    const char* gameCode;
    const char* luaCode;
};

const Program kPrograms[] = {
    {"counting loop", "{ i = 0; s = 0; while i < 100000 do { s = s + i * 2 - 1; i += 1 } }",
     "i = 0; s = 0; while i < 100000 do s = s + i * 2 - 1; i = i + 1 end"},
    {"string building", "{ i = 0; t = ''; while i < 5000 do { t = t + 'ab'; i += 1 } }",
     "i = 0; t = ''; while i < 5000 do t = t .. 'ab'; i = i + 1 end"},
    {"math calls",
     "{ i = 0; s = 0; while i < 20000 do { s = s + sqrt(i) + abs(sin(i)) + floor(i / 3); i += 1 } "
     "}",
     "i = 0; s = 0; while i < 20000 do s = s + math.sqrt(i) + math.abs(math.sin(i)) + "
     "math.floor(i / 3); i = i + 1 end"},
};

class FailOnReport : public GameErrorSink {
public:
    void ReportGameError(const std::string& message, bool) override {
        throw std::runtime_error("game code failed: " + message);
    }
};

// A game with one instance whose code runs, with the tests' fakes around it.
struct GameFixture {
    GameData data;
    FailOnReport reports;
    test::PartsInMemory parts{data, {.functions = &FunctionRegistry(), .errors = &reports}};
    CInterpreter& interpreter = parts.interpreter;
    CInstance self;
    GameFixture() {
        data.objects.Add().name = "runner";
        self.Setup(data.objects, 1, 0, 0);
    }
};

void BM_Game(benchmark::State& state, const Program* program) {
    GameFixture game;
    const CodeTree code =
        PrepareText(program->gameCode, CodeForm::Code,
                    TokenNames{game.data.objects, game.data.sounds, FunctionRegistry()});
    for (auto _ : state) {
        game.interpreter.ExecuteCode(game.self, game.self, code);
    }
}

void BM_Lua(benchmark::State& state, const Program* program) {
    std::unique_ptr<lua_State, decltype(&lua_close)> lua(luaL_newstate(), &lua_close);
    luaL_openlibs(lua.get());
    if (luaL_loadstring(lua.get(), program->luaCode) != LUA_OK) {
        state.SkipWithError(lua_tostring(lua.get(), -1));
        return;
    }
    const int chunk = luaL_ref(lua.get(), LUA_REGISTRYINDEX);
    for (auto _ : state) {
        lua_rawgeti(lua.get(), LUA_REGISTRYINDEX, chunk);
        if (lua_pcall(lua.get(), 0, 0, 0) != LUA_OK) {
            state.SkipWithError(lua_tostring(lua.get(), -1));
            break;
        }
    }
}

// Prints each pair's ratio after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const Program& program : kPrograms) {
            const auto game = times_.find(std::string("Game/") + program.name);
            const auto lua = times_.find(std::string("Lua/") + program.name);
            if (game != times_.end() && lua != times_.end() && lua->second > 0) {
                std::cout << "interpreter / Lua 5.4, " << program.name << ": "
                          << game->second / lua->second << "\n";
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace
} // namespace velkaro

int main(int argc, char** argv) {
    using namespace velkaro;
    for (const Program& program : kPrograms) {
        benchmark::RegisterBenchmark((std::string("Game/") + program.name).c_str(), BM_Game,
                                     &program)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Lua/") + program.name).c_str(), BM_Lua, &program)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
