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
    {"compound assignments",
     "{ i = 0; a = 0; b = 0; c = 1; global.ga = 0; global.gb = 0; global.gc = 1; "
     "while i < 200000 do { a += 3; b -= 2; c *= 1.000001; global.ga += 3; global.gb -= 2; "
     "global.gc *= 1.000001; i += 1 } }",
     "i = 0; a = 0; b = 0; c = 1; ga = 0; gb = 0; gc = 1; while i < 200000 do a = a + 3; "
     "b = b - 2; c = c * 1.000001; ga = ga + 3; gb = gb - 2; gc = gc * 1.000001; i = i + 1 end",
     "local i = 0; local a, b, c, ga, gb, gc = 0, 0, 1, 0, 0, 1; while i < 200000 do a = a + 3; "
     "b = b - 2; c = c * 1.000001; ga = ga + 3; gb = gb - 2; gc = gc * 1.000001; i = i + 1 end"},
    {"array fill and sum",
     "{ i = 0; while i < 30000 do { a[i] = i * 2; i += 1 }; "
     "i = 0; s = 0; while i < 30000 do { s += a[i]; i += 1 } }",
     "a = {}; i = 0; while i < 30000 do a[i] = i * 2; i = i + 1 end; "
     "i = 0; s = 0; while i < 30000 do s = s + a[i]; i = i + 1 end",
     "local a = {}; local i = 0; while i < 30000 do a[i] = i * 2; i = i + 1 end; "
     "i = 0; local s = 0; while i < 30000 do s = s + a[i]; i = i + 1 end"},
    // x, y and hspeed are the instance's own: setting them moves its box and sets its motion.
    {"if chains on x, y, hspeed",
     "{ i = 0; n = 0; x = 0; y = 0; hspeed = 3; while i < 100000 do { x += 7; y += 3; "
     "if x > 640 then x -= 640; if y > 480 then y -= 480; hspeed = -hspeed; "
     "if x < 160 then n += 1 else if x < 320 then n += 2 else if x < 480 then n += 3 "
     "else n += 4; if y < 240 and hspeed > 0 then n += 1 else n -= 1; i += 1 } }",
     "i = 0; n = 0; x = 0; y = 0; hspeed = 3; while i < 100000 do x = x + 7; y = y + 3; "
     "if x > 640 then x = x - 640 end; if y > 480 then y = y - 480 end; hspeed = -hspeed; "
     "if x < 160 then n = n + 1 elseif x < 320 then n = n + 2 elseif x < 480 then n = n + 3 "
     "else n = n + 4 end; if y < 240 and hspeed > 0 then n = n + 1 else n = n - 1 end; "
     "i = i + 1 end",
     "local i, n, x, y, hspeed = 0, 0, 0, 0, 3; while i < 100000 do x = x + 7; y = y + 3; "
     "if x > 640 then x = x - 640 end; if y > 480 then y = y - 480 end; hspeed = -hspeed; "
     "if x < 160 then n = n + 1 elseif x < 320 then n = n + 2 elseif x < 480 then n = n + 3 "
     "else n = n + 4 end; if y < 240 and hspeed > 0 then n = n + 1 else n = n - 1 end; "
     "i = i + 1 end"},
    // random(x) is a real below x: math.random() * x.
    {"calls with expressions",
     "{ i = 0; s = 0; while i < 200000 do { s = s + abs(i - 100000) + max(i * 2, 300000 - i) + "
     "sqr(i / 1000) + random(i + 1); i += 1 } }",
     "local function sqr(x) return x * x end; i = 0; s = 0; while i < 200000 do "
     "s = s + math.abs(i - 100000) + math.max(i * 2, 300000 - i) + sqr(i / 1000) + "
     "math.random() * (i + 1); i = i + 1 end",
     "local abs, max, random = math.abs, math.max, math.random; "
     "local function sqr(x) return x * x end; local i = 0; local s = 0; while i < 200000 do "
     "s = s + abs(i - 100000) + max(i * 2, 300000 - i) + sqr(i / 1000) + random() * (i + 1); "
     "i = i + 1 end"},
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

// A step event of ten statements, run for 1,000 instances of one object, kRounds times: game
// code with each instance as self in turn, as the game loop runs it; in Lua, the same
// statements on the fields of 1,000 tables, in a global function that finds the instance in a
// global variable, and in a local function that takes it as its parameter. The instances are
// made once, before the runs, and go on moving from one run to the next. The Lua programs
// write the same counts.
constexpr int kInstances = 1000;
constexpr int kRounds = 20;

struct StepProgram {
    Program program;
    // Run once with each instance as self, after it is placed at (x, y).
    const char* gameCreation;
    // Run once before the Lua programs: the global table `instances`.
    const char* luaSetup;
};

// Where instance k (from 1) starts, in the game and in Lua.
double StartX(int k) {
    return (k * 37) % 640;
}
double StartY(int k) {
    return (k * 53) % 480;
}

const StepProgram kStepProgram{
    {"step event, 1000 instances",
     "{ x += hspeed; y += vspeed; "
     "if x < 0 or x > 640 then hspeed = -hspeed; "
     "if y < 0 or y > 480 then vspeed = -vspeed; "
     "steps += 1; countdown -= 1; "
     "if countdown <= 0 then { countdown = 30; global.shots += 1 }; "
     "if hspeed > 0 then facing = 1 else facing = -1; "
     "global.moved += abs(hspeed); "
     "energy = min(energy + 0.5, 100) }",
     "function step() "
     "self.x = self.x + self.hspeed; self.y = self.y + self.vspeed; "
     "if self.x < 0 or self.x > 640 then self.hspeed = -self.hspeed end; "
     "if self.y < 0 or self.y > 480 then self.vspeed = -self.vspeed end; "
     "self.steps = self.steps + 1; self.countdown = self.countdown - 1; "
     "if self.countdown <= 0 then self.countdown = 30; shots = shots + 1 end; "
     "if self.hspeed > 0 then self.facing = 1 else self.facing = -1 end; "
     "moved = moved + math.abs(self.hspeed); "
     "self.energy = math.min(self.energy + 0.5, 100) end; "
     "for round = 1, 20 do for k = 1, 1000 do self = instances[k]; step() end end",
     "local abs, min = math.abs, math.min; local shots, moved = 0, 0; "
     "local function step(self) "
     "self.x = self.x + self.hspeed; self.y = self.y + self.vspeed; "
     "if self.x < 0 or self.x > 640 then self.hspeed = -self.hspeed end; "
     "if self.y < 0 or self.y > 480 then self.vspeed = -self.vspeed end; "
     "self.steps = self.steps + 1; self.countdown = self.countdown - 1; "
     "if self.countdown <= 0 then self.countdown = 30; shots = shots + 1 end; "
     "if self.hspeed > 0 then self.facing = 1 else self.facing = -1 end; "
     "moved = moved + abs(self.hspeed); "
     "self.energy = min(self.energy + 0.5, 100) end; "
     "local list = instances; "
     "for round = 1, 20 do for k = 1, 1000 do step(list[k]) end end"},
    "{ hspeed = 2 + x / 160; vspeed = 1 + y / 160; steps = 0; countdown = floor(x / 20); "
    "facing = 1; energy = 0; global.shots = 0; global.moved = 0 }",
    "instances = {}; shots = 0; moved = 0; for k = 1, 1000 do "
    "local x, y = (k * 37) % 640, (k * 53) % 480; "
    "instances[k] = { x = x, y = y, hspeed = 2 + x / 160, vspeed = 1 + y / 160, steps = 0, "
    "countdown = math.floor(x / 20), facing = 1, energy = 0 } end"};

// Every program, in the order they run and are reported.
std::vector<const Program*> AllPrograms() {
    std::vector<const Program*> all;
    for (const Program& program : kPrograms) {
        all.push_back(&program);
    }
    all.push_back(&kManyVariablesProgram);
    all.push_back(&kStepProgram.program);
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

// The step event with each of the instances as self, round after round.
void BM_GameSteps(benchmark::State& state, const StepProgram* event) {
    GameFixture game;
    const TokenNames names{game.data.objects, game.data.sounds, FunctionRegistry()};
    const CodeTree creation = PrepareText(event->gameCreation, CodeForm::Code, names);
    const CodeTree step = PrepareText(event->program.gameCode, CodeForm::Code, names);
    CInstanceList& instances = game.parts.state.instances;
    for (int k = 1; k <= kInstances; ++k) {
        CInstance& instance = instances.Add(game.data.objects, 1, StartX(k), StartY(k));
        game.interpreter.ExecuteCode(instance, instance, creation);
    }
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            for (int k = 1; k <= kInstances; ++k) {
                CInstance& instance = instances.Get(k);
                game.interpreter.ExecuteCode(instance, instance, step);
            }
        }
    }
}

// Runs `setup` (when given) once, then `code` in each iteration.
void BM_Lua(benchmark::State& state, const char* code, const char* setup) {
    std::unique_ptr<lua_State, decltype(&lua_close)> lua(luaL_newstate(), &lua_close);
    luaL_openlibs(lua.get());
    if (setup != nullptr && luaL_dostring(lua.get(), setup) != LUA_OK) {
        state.SkipWithError(lua_tostring(lua.get(), -1));
        return;
    }
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
        const bool steps = program == &kStepProgram.program;
        const std::string game = std::string("Game/") + program->name;
        auto* registered =
            steps ? benchmark::RegisterBenchmark(game.c_str(), BM_GameSteps, &kStepProgram)
                  : benchmark::RegisterBenchmark(game.c_str(), BM_Game, program);
        registered->Unit(benchmark::kMillisecond);
        const char* setup = steps ? kStepProgram.luaSetup : nullptr;
        benchmark::RegisterBenchmark((std::string("Lua/") + program->name).c_str(), BM_Lua,
                                     program->luaGlobals, setup)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Lua locals/") + program->name).c_str(), BM_Lua,
                                     program->luaLocals, setup)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
