// The instructions made from game code against the plainest reading of its tree (TreeWalker):
// random code and expressions, valid and broken, run both ways on equal games, must give the
// same values, the same first report and the same variables afterwards.
#include "script/TreeWalker.h"

#include "data/GameLoader.h"
#include "functions/MathFunctions.h"
#include "script/CodeCompiler.h"
#include "script/InterpretUnit.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace velkaro::test {
namespace {

void Note(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments& arguments,
          RValue& result) {
    context.game.globals.SetValue("noted", arguments[0], 0);
    result = RValue::String("n");
}

void Fail(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments&,
          RValue&) {
    context.Fail("It broke.");
}

// Runs its argument as code from inside the call, as functions that perform events do.
void RunText(FunctionContext& context, CInstance& self, CInstance& other, int,
             const FunctionArguments& arguments, RValue&);

const CFunctionRegistry& Functions() {
    static const CFunctionRegistry registry = [] {
        CFunctionRegistry functions;
        RegisterMathFunctions(functions);
        functions.RegisterFunction("note", Note, 1);
        functions.RegisterFunction("fail", Fail, 0);
        functions.RegisterFunction("run", RunText, 1);
        return functions;
    }();
    return registry;
}

CodeTree Compile(const GameData& data, const std::string& text, CodeForm form) {
    return PrepareText(text, form, TokenNames{data.objects, data.sounds, Functions()});
}

void RunText(FunctionContext& context, CInstance& self, CInstance& other, int,
             const FunctionArguments& arguments, RValue&) {
    const CodeTree code = Compile(context.game.data, arguments[0].string, CodeForm::Code);
    context.parts.interpreter.ExecuteCode(self, other, code);
}

// A game with two balls and a wall, self, other and the globals holding numbers, strings and
// arrays.
class Scene {
public:
    explicit Scene(const GameData& data) : data_(data) {
        GameState& game = parts_.state;
        self = &game.instances.Add(data.objects, 1, 10, 20);
        other = &game.instances.Add(data.objects, 2, 100, 200);
        game.instances.Add(data.objects, 1, 30, 40).locals.SetValue("a", RValue::Real(4), 0);
        self->locals.SetValue("a", RValue::Real(3), 0);
        self->locals.SetValue("s", RValue::String("str"), 0);
        for (int i = 0; i < 4; ++i) {
            self->locals.SetValue("arr", RValue::Real(i + 1), i);
        }
        self->locals.SetValue("arr", RValue::String("x"), 4);
        other->locals.SetValue("a", RValue::Real(7), 0);
        game.globals.SetValue("g", RValue::Real(2), 0);
        // Loops that run long stop at their first question, in both ways of running alike.
        parts_.runtime.stopAsked = true;
    }

    // Every variable of every instance and the globals, and the first report.
    std::string State() const {
        std::string state;
        const auto list = [&state](const CVariableList& variables) {
            for (int i = 1; i <= variables.Count(); ++i) {
                const CVariable& variable = variables.Get(i);
                state += variable.Name() + ":";
                for (std::int64_t e = 0; e < variable.Length(); ++e) {
                    const RValue value = variable.Get(e);
                    state += std::to_string(value.kind) + "/" + std::to_string(value.real) + "/" +
                             value.string + ",";
                }
                state += " ";
            }
        };
        parts_.state.instances.ForEachLive([&](const CInstance& instance) {
            state += "[" + std::to_string(instance.object) + " " + std::to_string(instance.x) +
                     " " + std::to_string(instance.hspeed) + " ";
            list(instance.locals);
            state += "]";
            return true;
        });
        list(parts_.state.globals);
        if (!parts_.errors.reports.empty()) {
            state += " report " + parts_.errors.reports.front().first;
        }
        return state;
    }

    TreeWalker Walker() {
        return TreeWalker(parts_.state, Functions(), parts_.errors, parts_.runtime, parts_.parts);
    }
    CInterpreter& Interpreter() { return parts_.interpreter; }

    CInstance* self = nullptr;
    CInstance* other = nullptr;

private:
    const GameData& data_;
    PartsInMemory parts_{data_, {.functions = &Functions()}};
};

class Source {
public:
    explicit Source(std::uint32_t seed) : random_(seed) {}

    std::string Expression(int depth) {
        if (depth <= 0 || Chance(3)) {
            if (Chance(5)) {
                return "arr[" + Expression(depth - 1) + "]";
            }
            return Pick({"0",      "1",      "2.5",    "-3",     "1e308",   "0.5",      "'a'",
                         "''",     "x",      "a",      "s",      "missing", "global.g", "other.a",
                         "arr[2]", "arr[4]", "ball.a", "hspeed", "room",    "shot"});
        }
        switch (random_() % 6) {
        case 0:
            return "(" + Expression(depth - 1) + ")";
        case 1:
            return Pick({"-", "not ", "+"}) + Expression(depth - 1);
        case 2:
            return Pick({"abs(", "sqr(", "note(", "sqrt(", "floor("}) + Expression(depth - 1) + ")";
        case 3:
            return Pick({"max(", "min("}) + Expression(depth - 1) + ", " + Expression(depth - 1) +
                   ")";
        default:
            return Expression(depth - 1) +
                   Pick({" + ", " - ", " * ", " / ", " and ", " or ", " < ", " <= ", " = ", " <> ",
                         " >= ", " > "}) +
                   Expression(depth - 1);
        }
    }

    // Counters of while loops are not assigned in their bodies; loops that run long are stopped
    // (see Scene).
    std::string Statement(int depth) {
        const std::string target =
            Pick({"a", "b", "s", "arr[" + Expression(1) + "]", "global.g", "global.h", "other.a",
                  "x", "hspeed", "image_width", "ball.a", "room"});
        if (depth <= 0 || Chance(3)) {
            switch (random_() % 8) {
            case 0:
                return Pick({"note(" + Expression(2) + ")", "fail()", "exit", ";", "{}"});
            case 1:
                return Pick({")", "nosuch(1)", "x = nothing.y", "abs(1, 2)", "x = (1", "arr[1 = 2",
                             "x == 1", "x += "});
            default:
                return target + Pick({" = ", " += ", " -= ", " *= ", " /= "}) + Expression(3);
            }
        }
        const std::string counter = "w" + std::to_string(depth);
        switch (random_() % 6) {
        case 0:
            return "if " + Expression(2) + " " + Statement(depth - 1) +
                   (Chance(2) ? " else " + Statement(depth - 1) : "");
        case 1:
            return "{ " + counter + " = 0; while " + counter + " < " + Expression(1) + " do { " +
                   counter + " += 1; " + Statement(depth - 1) + " } }";
        case 2:
            return "repeat " + Expression(1) + " " + Statement(depth - 1);
        case 3:
            return Pick({"forall ball ", "forallinstances ", "forall " + Expression(1) + " "}) +
                   Statement(depth - 1);
        default: {
            std::string block = "{ ";
            for (int i = 0; i < 3; ++i) {
                block += Statement(depth - 1) + "; ";
            }
            return block + "}";
        }
        }
    }

private:
    bool Chance(std::uint32_t in) { return random_() % in == 0; }
    std::string Pick(const std::vector<std::string>& choices) {
        return choices[random_() % choices.size()];
    }

    std::mt19937 random_;
};

class GeneratedCode : public ::testing::Test {
protected:
    GeneratedCode() {
        data.objects.Add().name = "ball";
        data.objects.Add().name = "wall";
        data.rooms.Add();
        data.sounds.Add().name = "shot";
    }

    GameData data;
};

TEST_F(GeneratedCode, ExpressionsGiveWhatWalkingTheTreeGives) {
    Source source(20261208);
    for (int i = 0; i < 4000; ++i) {
        const std::string text = source.Expression(5);
        const CodeTree code = Compile(data, text, CodeForm::Expression);
        Scene generated(data);
        Scene walked(data);
        const double real =
            generated.Interpreter().EvaluateReal(*generated.self, *generated.other, code);
        const RValue value = walked.Walker().Evaluate(*walked.self, *walked.other, code);
        ASSERT_EQ(generated.State(), walked.State()) << text;
        if (!(std::isnan(real) && std::isnan(value.real))) {
            ASSERT_EQ(real, value.real) << text;
        }
        Scene again(data);
        ASSERT_EQ(again.Interpreter().EvaluateString(*again.self, *again.other, code), value.string)
            << text;
    }
}

TEST_F(GeneratedCode, StatementsDoWhatWalkingTheTreeDoes) {
    Source source(20261209);
    for (int i = 0; i < 3000; ++i) {
        const std::string text = "{ " + source.Statement(3) + "; " + source.Statement(2) + " }";
        const CodeTree code = Compile(data, text, CodeForm::Code);
        Scene generated(data);
        Scene walked(data);
        generated.Interpreter().ExecuteCode(*generated.self, *generated.other, code);
        walked.Walker().ExecuteCode(*walked.self, *walked.other, code);
        ASSERT_EQ(generated.State(), walked.State()) << text;
    }
}

// Code run from deep inside other code meets the limit of nesting within itself: wherever it
// falls, before it, in a branch passed over or in one taken, both ways agree.
TEST_F(GeneratedCode, CodeRunNearTheLimitOfNestingStopsWhereTheTreeDoes) {
    Source source(20261210);
    int stopped = 0;
    for (int i = 0; i < 1500; ++i) {
        const std::string text = "{ " + source.Statement(3) + "; " + source.Statement(3) + " }";
        const CodeTree code = Compile(data, text, CodeForm::Code);
        // Run by a function inside sqrt( and brackets: the statement, the brackets but
        // sqrt's own and the call are the levels in use.
        const int brackets = kMaxNesting - 2 - (i % 12);
        std::string outer = "sqrt";
        outer.append(static_cast<std::size_t>(brackets), '(');
        outer += "run(\"" + text + "\")";
        outer.append(static_cast<std::size_t>(brackets), ')');
        Scene generated(data);
        Scene walked(data);
        generated.Interpreter().ExecuteCode(*generated.self, *generated.other,
                                            Compile(data, outer, CodeForm::Code));
        walked.Walker().ExecuteCode(*walked.self, *walked.other, code, brackets + 1);
        const std::string state = walked.State();
        stopped += state.find("nested too deeply") != std::string::npos ? 1 : 0;
        ASSERT_EQ(generated.State(), state) << text << " at " << brackets + 1;
    }
    EXPECT_GT(stopped, 300) << "the limit falls inside many of the texts";
}

} // namespace
} // namespace velkaro::test
