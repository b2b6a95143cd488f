// Game code in the interpreter against the same program in Lua 5.4, in one process: Lua with
// global variables, looked up by name as the game's are, and with local ones, held in
// registers. Each benchmark reports its time; the ratios are printed at the end.
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
#include <string>
#include <vector>

namespace velkaro {
namespace {

struct Program {
    const char* name;
    const char* gameCode;
    // The same program in Lua with global variables, and with local ones.
    const char* luaGlobals;
    const char* luaLocals;
};

// Game arrays hold at most 32,000 elements, so 100,000 elements are four arrays of 25,000; the
// Lua programs use the same four tables.
const Program kPrograms[] = {
    {"counting loop",
     "{ i = 0; global.s = 0; while i < 1000000 do { global.s = global.s + i * 2 - 1; i += 1 } }",
     "i = 0; s = 0; while i < 1000000 do s = s + i * 2 - 1; i = i + 1 end",
     "local i = 0; local s = 0; while i < 1000000 do s = s + i * 2 - 1; i = i + 1 end"},
    {"string appends", "{ i = 0; t = ''; while i < 10000 do { t = t + 'ab'; i += 1 } }",
     "i = 0; t = ''; while i < 10000 do t = t .. 'ab'; i = i + 1 end",
     "local i = 0; local t = ''; while i < 10000 do t = t .. 'ab'; i = i + 1 end"},
    {"math calls",
     "{ i = 0; s = 0; while i < 200000 do { s = s + sqrt(i) + sin(i) + floor(i / 3); i += 1 } }",
     "i = 0; s = 0; while i < 200000 do s = s + math.sqrt(i) + math.sin(i) + math.floor(i / 3); "
     "i = i + 1 end",
     "local i = 0; local s = 0; while i < 200000 do s = s + math.sqrt(i) + math.sin(i) + "
     "math.floor(i / 3); i = i + 1 end"},
    {"arrays",
     "{ i = 0; while i < 25000 do { a[i] = i; b[i] = i; c[i] = i; d[i] = i; i += 1 }; "
     "i = 0; s = 0; while i < 25000 do { s = s + a[i] + b[i] + c[i] + d[i]; i += 1 } }",
     "a = {}; b = {}; c = {}; d = {}; i = 0; while i < 25000 do a[i] = i; b[i] = i; c[i] = i; "
     "d[i] = i; i = i + 1 end; i = 0; s = 0; while i < 25000 do s = s + a[i] + b[i] + c[i] + "
     "d[i]; i = i + 1 end",
     "local a, b, c, d = {}, {}, {}, {}; local i = 0; while i < 25000 do a[i] = i; b[i] = i; "
     "c[i] = i; d[i] = i; i = i + 1 end; i = 0; local s = 0; while i < 25000 do s = s + a[i] + "
     "b[i] + c[i] + d[i]; i = i + 1 end"},
    {"nested calls",
     "{ i = 0; s = 0; while i < 200000 do { s = s + abs(floor(sqrt(abs(sin(i))))); i += 1 } }",
     "i = 0; s = 0; while i < 200000 do s = s + math.abs(math.floor(math.sqrt(math.abs("
     "math.sin(i))))); i = i + 1 end",
     "local abs, floor, sqrt, sin = math.abs, math.floor, math.sqrt, math.sin; local i = 0; "
     "local s = 0; while i < 200000 do s = s + abs(floor(sqrt(abs(sin(i))))); i = i + 1 end"},
};

// The counting loop again, its two variables created after 40 others of the instance and 60
// other globals, as in a game whose objects and globals hold many variables.
struct ManyVariables {
    std::string gameCode;
    std::string luaGlobals;
    std::string luaLocals;
    ManyVariables() {
        std::string game = "{ ";
        std::string globals;
        std::string locals;
        for (int i = 0; i < 40; ++i) {
            const std::string name = "v" + std::to_string(i);
            game += name + " = 0; ";
            globals += name + " = 0; ";
            locals += "local " + name + " = 0; ";
        }
        for (int i = 0; i < 60; ++i) {
            const std::string name = "g" + std::to_string(i);
            game += "global." + name + " = 0; ";
            globals += name + " = 0; ";
        }
        gameCode = game + kPrograms[0].gameCode + " }";
        luaGlobals = globals + kPrograms[0].luaGlobals;
        luaLocals = locals + kPrograms[0].luaLocals;
    }
};

const ManyVariables kManyVariables;
const Program kManyVariablesProgram{"counting loop, 100 variables", kManyVariables.gameCode.c_str(),
                                    kManyVariables.luaGlobals.c_str(),
                                    kManyVariables.luaLocals.c_str()};

// Every program, in the order they run and are reported.
std::vector<const Program*> AllPrograms() {
    std::vector<const Program*> all;
    for (const Program& program : kPrograms) {
        all.push_back(&program);
    }
    all.push_back(&kManyVariablesProgram);
    return all;
}

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

void BM_Lua(benchmark::State& state, const char* code) {
    std::unique_ptr<lua_State, decltype(&lua_close)> lua(luaL_newstate(), &lua_close);
    luaL_openlibs(lua.get());
    if (luaL_loadstring(lua.get(), code) != LUA_OK) {
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
        std::cout << "interpreter / Lua 5.4 (globals, locals):\n";
        for (const Program* program : AllPrograms()) {
            const auto game = times_.find(std::string("Game/") + program->name);
            const auto globals = times_.find(std::string("Lua/") + program->name);
            const auto locals = times_.find(std::string("Lua locals/") + program->name);
            if (game == times_.end() || globals == times_.end() || locals == times_.end()) {
                continue;
            }
            std::cout << "  " << program->name << ": " << game->second / globals->second << ", "
                      << game->second / locals->second << "\n";
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace
} // namespace velkaro

int main(int argc, char** argv) {
    using namespace velkaro;
    for (const Program* program : AllPrograms()) {
        benchmark::RegisterBenchmark((std::string("Game/") + program->name).c_str(), BM_Game,
                                     program)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Lua/") + program->name).c_str(), BM_Lua,
                                     program->luaGlobals)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Lua locals/") + program->name).c_str(), BM_Lua,
                                     program->luaLocals)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
