#include "script/InterpretUnit.h"
#include "script/CodeCompiler.h"

#include "data/GameLoader.h"
#include "data/TokenClass.h"
#include "functions/FunctionTables.h"
#include "functions/MathFunctions.h"
#include "script/ErrorReport.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;

// Functions for watching what the interpreter calls. They keep what they see in global
// variables: "calls" counts the calls of note, "noted" is its last argument.
void Note(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments& arguments,
          RValue&) {
    RValue calls;
    context.game.globals.GetValue("calls", 0, calls);
    context.game.globals.SetValue("calls", RValue::Real(calls.real + 1), 0);
    context.game.globals.SetValue("noted", arguments[0], 0);
}

void SelfX(FunctionContext&, CInstance& self, CInstance&, int, const FunctionArguments&,
           RValue& result) {
    result = RValue::Real(self.x);
}

void OtherX(FunctionContext&, CInstance&, CInstance& other, int, const FunctionArguments&,
            RValue& result) {
    result = RValue::Real(other.x);
}

void Sum10(FunctionContext&, CInstance&, CInstance&, int count, const FunctionArguments& arguments,
           RValue& result) {
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += arguments[static_cast<std::size_t>(i)].real;
    }
    result = RValue::Real(sum);
}

void Nothing(FunctionContext&, CInstance&, CInstance&, int, const FunctionArguments&, RValue&) {}

void Fail(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments&,
          RValue& result) {
    result = RValue::Real(99);
    context.Fail("It broke.");
}

// Adds an instance of the object given, as creating functions do.
void Make(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments& arguments,
          RValue&) {
    context.game.instances.Add(context.game.data.objects, RoundToInt32(arguments[0].real), 0, 0);
}

// Runs its argument as code, as functions that perform events run code: nested inside the call.
void RunText(FunctionContext& context, CInstance& self, CInstance& other, int,
             const FunctionArguments& arguments, RValue&);

const CFunctionRegistry& TestFunctions() {
    static const CFunctionRegistry registry = [] {
        CFunctionRegistry functions;
        RegisterMathFunctions(functions);
        functions.RegisterFunction("note", Note, 1);
        functions.RegisterFunction("selfx", SelfX, 0);
        functions.RegisterFunction("otherx", OtherX, 0);
        functions.RegisterFunction("sum10", Sum10, 10);
        functions.RegisterFunction("nothing", Nothing, 0);
        functions.RegisterFunction("fail", Fail, 0);
        functions.RegisterFunction("make", Make, 1);
        functions.RegisterFunction("run", RunText, 1);
        return functions;
    }();
    return registry;
}

// Objects 1 "ball" and 2 "wall", sounds 1 "shot" and 2 "boom". Self is a ball at (10, 20),
// other a wall at (100, 200), both in the room.
class Interpreter : public ::testing::Test {
protected:
    Interpreter() {
        data.objects.Add().name = "ball";
        data.objects.Add().name = "wall";
        data.rooms.Add();
        data.rooms.Add();
        data.sounds.Add().name = "shot";
        data.sounds.Add().name = "boom";
        self = &Add(1, 10, 20);
        other = &Add(2, 100, 200);
    }

    CInstance& Add(std::int32_t object, double x, double y) {
        return game.instances.Add(data.objects, object, x, y);
    }

    const CodeTree& Compiled(const std::string& text, CodeForm form) {
        code = PrepareText(text, form, TokenNames{data.objects, data.sounds, TestFunctions()});
        return code;
    }

    double Eval(const std::string& text) {
        return interpreter.EvaluateReal(*self, *other, Compiled(text, CodeForm::Expression));
    }
    std::string EvalString(const std::string& text) {
        return interpreter.EvaluateString(*self, *other, Compiled(text, CodeForm::Expression));
    }
    void Run(const std::string& text) {
        interpreter.ExecuteCode(*self, *other, Compiled(text, CodeForm::Code));
    }
    std::optional<ScriptError> CheckExpression(const std::string& text) {
        return FirstError(Compiled(text, CodeForm::Expression));
    }
    std::optional<ScriptError> CheckCode(const std::string& text) {
        return FirstError(Compiled(text, CodeForm::Code));
    }

    // The one report made since the last call, which must not be fatal.
    std::string Reported() {
        EXPECT_EQ(errors.reports.size(), 1u);
        if (errors.reports.empty()) {
            return "(nothing reported)";
        }
        const auto [message, fatal] = errors.reports.front();
        EXPECT_FALSE(fatal);
        errors.reports.clear();
        return message;
    }
    bool NothingReported() const { return errors.reports.empty(); }

    // The user variable of an instance, none when it was never written.
    static std::optional<RValue> Local(const CInstance& instance, const std::string& name,
                                       std::int64_t index = 0) {
        RValue value;
        if (!instance.locals.GetValue(name, index, value)) {
            return std::nullopt;
        }
        return value;
    }
    std::optional<RValue> Local(const std::string& name, std::int64_t index = 0) const {
        return Local(*self, name, index);
    }
    std::optional<RValue> Global(const std::string& name) const {
        RValue value;
        if (!game.globals.GetValue(name, 0, value)) {
            return std::nullopt;
        }
        return value;
    }

    GameData data;
    test::PartsInMemory parts{data, {.functions = &TestFunctions()}};
    GameState& game = parts.state;
    test::RecordingRuntime& runtime = parts.runtime;
    test::RecordingErrors& errors = parts.errors;
    CInterpreter& interpreter = parts.interpreter;
    CodeTree code;
    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

std::optional<RValue> Real(double value) {
    return RValue::Real(value);
}

// ---------------------------------------------------------------------------------------------
// Expressions

TEST_F(Interpreter, OperatorsFollowTheirPrecedence) {
    EXPECT_EQ(Eval("2+3*4"), 14);
    EXPECT_EQ(Eval("(2+3)*4"), 20);
    EXPECT_EQ(Eval("7-2-1"), 4) << "left to right";
    EXPECT_EQ(Eval("8/2/2"), 2);
    EXPECT_EQ(Eval("7 / 2"), 3.5);
    EXPECT_EQ(Eval("2*3+4*5"), 26);
    EXPECT_EQ(Eval("-2*3"), -6);
    EXPECT_EQ(Eval("--2"), 2);
    EXPECT_EQ(Eval("+5"), 5);
    EXPECT_EQ(Eval("-(1+2)*2"), -6);
    EXPECT_EQ(Eval("1+2=3"), 1) << "comparisons bind looser than arithmetic";
    EXPECT_EQ(Eval("(1 < 2) + (2 < 3)"), 2);
    EXPECT_EQ(Eval("5 < 3 < 10"), 0) << "one comparison only; the rest is ignored";
    EXPECT_EQ(Eval("1 2"), 1) << "tokens after the expression are ignored";
    EXPECT_EQ(Eval("1 & 2"), 1);
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, ComparisonsAndLogicYieldOneOrZero) {
    EXPECT_EQ(Eval("2 <= 2"), 1);
    EXPECT_EQ(Eval("2 < 2"), 0);
    EXPECT_EQ(Eval("2 >= 3"), 0);
    EXPECT_EQ(Eval("3 > 2"), 1);
    EXPECT_EQ(Eval("2 != 3"), 1);
    EXPECT_EQ(Eval("2 <> 2"), 0);
    EXPECT_EQ(Eval("2 == 2"), 1);
    EXPECT_EQ(Eval("2 = 2.5"), 0);
    EXPECT_EQ(Eval("1 < 2 and 3 < 4"), 1);
    EXPECT_EQ(Eval("0.5 and 1"), 0) << "true means above one half";
    EXPECT_EQ(Eval("0.51 or 0"), 1);
    EXPECT_EQ(Eval("1 && 1"), 1);
    EXPECT_EQ(Eval("0 || 0"), 0);
    EXPECT_EQ(Eval("1 or 0 and 0"), 0) << "and and or have one precedence, left to right";
    EXPECT_EQ(Eval("0 and 0 or 1"), 1);
    EXPECT_EQ(Eval("not 0.5"), 1);
    EXPECT_EQ(Eval("not 0.6"), 0);
    EXPECT_EQ(Eval("!1"), 0);
    EXPECT_EQ(Eval("not 0 + 1"), 2) << "not takes a factor";
    EXPECT_EQ(Eval("not 7 = 0"), 1);
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, StringsAppendAndCompareByteByByte) {
    EXPECT_EQ(EvalString("'ab' + 'c'"), "abc");
    EXPECT_EQ(EvalString("'a' + \"b'c\" + 'd'"), "ab'cd");
    EXPECT_EQ(Eval("'abc' < 'abd'"), 1);
    EXPECT_EQ(Eval("'B' < 'a'"), 1) << "byte order: capitals first";
    EXPECT_EQ(Eval("'ab' < 'abc'"), 1);
    EXPECT_EQ(Eval("'abc' > 'ab'"), 1);
    EXPECT_EQ(Eval("'a' = 'a'"), 1);
    EXPECT_EQ(Eval("'a' == 'b'"), 0);
    EXPECT_EQ(Eval("'\xE9' > 'z'"), 1) << "bytes compare unsigned";
    EXPECT_EQ(Eval("'' < 'a'"), 1);
    // Signs change only the real part: the kind stays.
    EXPECT_EQ(EvalString("-'x'"), "x");
    EXPECT_EQ(EvalString("not 'x'"), "x");
    EXPECT_EQ(EvalString("+'x' + 'y'"), "xy");
    EXPECT_EQ(EvalString("1 + 2"), "") << "a real has no string part";
    EXPECT_EQ(EvalString("'a' < 'b'"), "") << "a comparison yields a real";
    EXPECT_EQ(Eval("'5'"), 0) << "a string's real part is 0";
    EXPECT_EQ(EvalString("'#'"), "#");
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, EmptyTextsAndConstantArguments) {
    EXPECT_EQ(Eval(""), 0);
    EXPECT_EQ(EvalString(""), "");
    Run("");
    EXPECT_TRUE(NothingReported()) << "an empty text evaluates nothing";

    EXPECT_EQ(Eval("5"), 5);
    EXPECT_EQ(Eval("-2.5"), -2.5);
    EXPECT_EQ(Eval("c_red"), 255);
    EXPECT_EQ(Eval("-c_red"), -255);
    EXPECT_EQ(Eval("'7'"), 0);
    const double negatedString = Eval("-'x'");
    EXPECT_EQ(negatedString, 0);
    EXPECT_TRUE(std::signbit(negatedString)) << "the real part of a string, negated";
    EXPECT_EQ(EvalString("5"), "");
    EXPECT_EQ(EvalString("'abc'"), "abc");
    EXPECT_TRUE(NothingReported());

    EXPECT_EQ(Eval("   "), 0);
    EXPECT_EQ(Reported(), "in expression at pos 3: Unexpected symbol")
        << "blanks are not empty: the operand is missing";
}

TEST_F(Interpreter, TypeErrorsAreReportedWithTheirPosition) {
    EXPECT_EQ(Eval("'ab' + 1"), 0);
    EXPECT_EQ(Reported(), "in expression at pos 8: Wrong type of arguments.");
    Eval("'ab' - 'a'");
    EXPECT_EQ(Reported(), "in expression at pos 10: Wrong type of arguments.");
    Eval("2 * 'a'");
    EXPECT_EQ(Reported(), "in expression at pos 7: Wrong type of arguments.");
    Eval("'a' / 1");
    EXPECT_EQ(Reported(), "in expression at pos 7: Wrong type of arguments.");
    Eval("'a' = 1");
    EXPECT_EQ(Reported(), "in expression at pos 7: Cannot compare arguments.");
    Eval("1 < 'a'");
    EXPECT_EQ(Reported(), "in expression at pos 7: Cannot compare arguments.");
    Eval("'a' and 1");
    EXPECT_EQ(Reported(), "in expression at pos 9: Wrong type of arguments for logical operator.");
    Eval("1 or 'a'");
    EXPECT_EQ(Reported(), "in expression at pos 8: Wrong type of arguments for logical operator.");
    Eval("1/0");
    EXPECT_EQ(Reported(), "in expression at pos 3: Division by 0.");
    Eval("1/0 + 5");
    EXPECT_EQ(Reported(), "in expression at pos 5: Division by 0.")
        << "the position of the token that was current";
    EXPECT_EQ(interpreter.LastError(), (ScriptError{1, 5, "Division by 0."}));
    EXPECT_TRUE(interpreter.HasError());
    Eval("1 + 1");
    EXPECT_FALSE(interpreter.HasError()) << "every evaluation starts without an error";
}

TEST_F(Interpreter, SyntaxErrorsAreReportedWithTheirPosition) {
    Eval("(1+2");
    EXPECT_EQ(Reported(), "in expression at pos 4: ) expected.");
    Eval("(1+2 3) + 4");
    EXPECT_EQ(Reported(), "in expression at pos 7: ) expected.");
    Eval("2 * )");
    EXPECT_EQ(Reported(), "in expression at pos 5: Unexpected symbol");
    Eval("1 + ;");
    EXPECT_EQ(Reported(), "in expression at pos 5: Unexpected symbol");
    Eval("& 2");
    EXPECT_EQ(Reported(), "in expression at pos 1: Unexpected symbol");
    Eval("1 + if");
    EXPECT_EQ(Reported(), "in expression at pos 6: Unexpected symbol");
    Eval("nothing.x + 1");
    EXPECT_EQ(Reported(), "in expression at pos 10: Object nothing does not exist.");
    Eval("a[1");
    EXPECT_EQ(Reported(), "in expression at pos 3: ] expected.");
    Eval("unknownvar");
    EXPECT_EQ(Reported(), "in expression at pos 10: Cannot get value from variable unknownvar.");
}

TEST_F(Interpreter, CallsCheckNamesAndArgumentCounts) {
    EXPECT_EQ(Eval("sum10(1,2,3,4,5,6,7,8,9,10)"), 55) << "ten arguments are accepted";
    EXPECT_EQ(Eval("max(2, 3) + min3(4, 1, 6)"), 4);
    EXPECT_EQ(Eval("nothing() + 1"), 1) << "a function without a result yields 0";
    EXPECT_TRUE(NothingReported());

    Eval("nosuch(1)");
    EXPECT_EQ(Reported(), "in expression at pos 9: Function nosuch does not exist.");
    Eval("mean(1,2,3)");
    EXPECT_EQ(Reported(), "in expression at pos 11: Wrong number of arguments for function mean.");
    Eval("mean()");
    EXPECT_EQ(Reported(), "in expression at pos 6: Wrong number of arguments for function mean.");
    Eval("sum10(1,2,3,4,5,6,7,8,9,10,11)");
    EXPECT_EQ(Reported(), "in expression at pos 27: Too many arguments.")
        << "refused at the comma after the tenth";
    Eval("max(1 2)");
    EXPECT_EQ(Reported(), "in expression at pos 8: ) or , expected.");
    Eval("max(1,");
    EXPECT_EQ(Reported(), "in expression at pos 6: Unexpected symbol");
}

TEST_F(Interpreter, AFailingFunctionIsAnErrorOfTheCodeThatCalledIt) {
    const double root = Eval("sqrt(-4)");
    EXPECT_EQ(root, 0);
    EXPECT_FALSE(std::isnan(root));
    EXPECT_EQ(Reported(), "in expression at pos 8: Invalid argument to sqrt: -4");
    EXPECT_EQ(Eval("sqrt(16)"), 4);
    EXPECT_TRUE(NothingReported());

    EXPECT_EQ(Eval("fail() + 1"), 0) << "the call yields 0 and the sum is not made";
    EXPECT_EQ(Reported(), "in expression at pos 8: It broke.");

    Run("{ x = sqrt(-4) }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 16: Invalid argument to sqrt: -4");
    EXPECT_EQ(self->x, 10) << "nothing is assigned after an error";
}

// Calls in calls hand their results to the outer call directly, in argument slots that are
// kept from call to call: a result must never be what an earlier call left there.
TEST_F(Interpreter, CallsInCallsHandOnTheirResultsAndTheirErrors) {
    EXPECT_EQ(Eval("sum10(string_length('abc'), string_length(string_upper('xy')), abs(-2), 1, "
                   "1, 1, 1, 1, 1, 1)"),
              14);
    EXPECT_EQ(EvalString("string_upper(string_lower('MiXeD'))"), "MIXED");

    Run("note(string_upper('abc'))");
    EXPECT_EQ(Global("noted"), RValue::String("ABC"));
    Run("note(nothing())");
    EXPECT_EQ(Global("noted"), RValue()) << "a call without a result gives the real 0";
    EXPECT_TRUE(NothingReported());

    Run("note(abs(sqrt(-1)))");
    EXPECT_EQ(Reported(), "in code at line 1 pos 18: Invalid argument to sqrt: -1");
    EXPECT_EQ(Global("calls"), Real(2)) << "the outer calls are not made";
    EXPECT_EQ(Eval("abs(fail()) + 1"), 0);
    EXPECT_EQ(Reported(), "in expression at pos 11: It broke.");
    EXPECT_EQ(Eval("abs(-3)"), 3);
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, FunctionsSeeSelfAndOtherAndRunOnlyWhenExecuted) {
    EXPECT_EQ(Eval("selfx() - otherx()"), -90);
    EXPECT_EQ(Eval("note(1) or note(2)"), 0) << "note yields 0";
    EXPECT_EQ(Global("calls"), Real(2)) << "both sides run: there is no short cut";
    EXPECT_EQ(Global("noted"), Real(2));
    Run("note('hello')");
    EXPECT_EQ(Global("calls"), Real(3)) << "a call statement drops the value";
    EXPECT_EQ(Global("noted"), RValue::String("hello"));
    Run("if 0 note(1) else note(5)");
    Run("{ repeat 0 note(1); while 0 note(1); if 1 x = 1 else note(1) }");
    EXPECT_EQ(Global("calls"), Real(4)) << "skipped calls are not made";
    EXPECT_EQ(Global("noted"), Real(5));
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, ErrorPositionsCountCharactersWithinTheirLine) {
    Eval("1 +#'a'");
    EXPECT_EQ(Reported(), "in expression at pos 3: Wrong type of arguments.")
        << "a # starts the count again";
    Run("{#x = 1;#y = 'a' + 1;#}");
    EXPECT_EQ(Reported(), "in code at line 3 pos 12: Wrong type of arguments.");
    EXPECT_EQ(interpreter.LastError(), (ScriptError{3, 12, "Wrong type of arguments."}));
    Run("{#x = 1;#y = 'a' + 1#}");
    EXPECT_EQ(Reported(), "in code at line 4 pos 1: Wrong type of arguments.")
        << "the token after the operand was current";
    Run("{ x = 1#");
    EXPECT_EQ(Reported(), "in code at line 2 pos 0: Unexpected end of code.");

    // A list that lacks its end of text runs past its last token.
    CTokenList bare;
    CToken name;
    name.kind = kTokVariable;
    name.name = "x";
    name.owner = 0;
    name.index = 1001;
    name.position = 2;
    bare.Add(name);
    interpreter.ExecuteCode(*self, *other, CompileText("x", bare, CodeForm::Code, TestFunctions()));
    EXPECT_EQ(Reported(), "in code at line 1 pos 0: Internal Error: No symbol to skip");
}

TEST_F(Interpreter, OnlyTheFirstErrorIsReported) {
    Run("{ x = 1/0; y = nosuch(1); z = 'a' - 1 }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 10: Division by 0.");
    EXPECT_EQ(self->x, 10);
    EXPECT_EQ(self->y, 20) << "the code stops at its first error";
}

// ---------------------------------------------------------------------------------------------
// Variables

TEST_F(Interpreter, NamesReadTheVariablesTheyMean) {
    EXPECT_EQ(Eval("x"), 10);
    EXPECT_EQ(Eval("self.x"), 10);
    EXPECT_EQ(Eval("other.x"), 100);
    EXPECT_EQ(Eval("wall.y"), 200);
    EXPECT_EQ(Eval("ball"), 1);
    EXPECT_EQ(Eval("wall"), 2);
    EXPECT_EQ(Eval("self"), -1);
    EXPECT_EQ(Eval("other"), -2);
    EXPECT_EQ(Eval("sound.boom"), 2);
    EXPECT_EQ(Eval("lastroom"), 2);
    game.roomname = "Hall";
    EXPECT_EQ(EvalString("roomname + '!'"), "Hall!");
    EXPECT_TRUE(NothingReported());
    Eval("sound.none");
    EXPECT_EQ(Reported(), "in expression at pos 10: Cannot get value from variable none.");
    Eval("self.score");
    EXPECT_EQ(Reported(), "in expression at pos 10: Cannot get value from variable score.")
        << "self.score is a user variable, never written";
}

TEST_F(Interpreter, AssignmentsWriteThroughTheOwners) {
    Run("{ score = 2.5; self.score = 7; global.score = 9; other.hp = 3; wall.y = 5 }");
    EXPECT_TRUE(NothingReported());
    EXPECT_EQ(game.score, 2);
    EXPECT_EQ(Local("score"), Real(7));
    EXPECT_EQ(Global("score"), Real(9));
    EXPECT_EQ(Local(*other, "hp"), Real(3));
    EXPECT_EQ(other->y, 5);
    EXPECT_EQ(Eval("score + self.score + global.score"), 18);

    Run("room = 2");
    Run("fullscreenmode = 1");
    Run("fullscreenmode := 0.5");
    EXPECT_EQ(runtime.rooms, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(runtime.screenModes, (std::vector<bool>{true, false}));

    Run("{ a[3] = 'z'; a[1.5] = 4; b = a[3] + a[0] }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 43: Wrong type of arguments.");
    EXPECT_EQ(Local("a", 3), RValue::String("z"));
    EXPECT_EQ(Local("a", 2), Real(4)) << "the index is rounded, halves to even";
    Run("{ alarm[2] = 4; c = a[5 - 2] + 'y' }");
    EXPECT_EQ(self->GetAlarm(0), 4) << "built-in variables ignore the index";
    EXPECT_EQ(self->GetAlarm(2), -1);
    EXPECT_EQ(Local("c"), RValue::String("zy"));
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, CompoundAssignments) {
    Run("{ n = 10; n -= 4; n *= 3; n /= 4; s = 'ab'; s += 'cd'; m = 1; m += 2 }");
    EXPECT_TRUE(NothingReported());
    EXPECT_EQ(Local("n"), Real(4.5));
    EXPECT_EQ(Local("s"), RValue::String("abcd"));
    EXPECT_EQ(Local("m"), Real(3));

    Run("x += 'a'");
    EXPECT_EQ(Reported(), "in code at line 1 pos 8: Wrong type of arguments.");
    Run("s -= 'a'");
    EXPECT_EQ(Reported(), "in code at line 1 pos 8: Wrong type of arguments.");
    Run("s *= 2");
    EXPECT_EQ(Reported(), "in code at line 1 pos 6: Wrong type of arguments.");
    Run("x /= 0");
    EXPECT_EQ(Reported(), "in code at line 1 pos 6: Division by 0.");
    EXPECT_EQ(self->x, 10) << "nothing is written after an error";
    EXPECT_EQ(Local("s"), RValue::String("abcd"));
    Run("q += 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 6: Cannot get value from variable q.");
    EXPECT_EQ(Local("q"), std::nullopt);
}

TEST_F(Interpreter, AssignmentErrors) {
    Run("image_width = 3");
    EXPECT_EQ(Reported(),
              "in code at line 1 pos 15: Cannot assign a value to variable image_width.");
    Run("self = 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 8: Cannot assign a value to variable self.");
    Run("lastroom := 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 13: Cannot assign a value to variable lastroom.");
    Run("x == 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 6: Unexpected symbol.")
        << "any token after the name is taken as the operator";
    Run("nothing.x = 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 10: Object nothing does not exist.");
    Run("a[1; b = 2");
    EXPECT_EQ(Reported(), "in code at line 1 pos 7: ] expected.")
        << "reported after stepping over the wrong token";
    Run("y = ");
    EXPECT_EQ(Reported(), "in code at line 1 pos 4: Unexpected symbol");
    EXPECT_EQ(self->y, 20);
}

// ---------------------------------------------------------------------------------------------
// Statements

TEST_F(Interpreter, CodeRunsOneStatementOrOneBlock) {
    Run("{ x = 1; y = 2 }");
    EXPECT_EQ(self->x, 1);
    EXPECT_EQ(self->y, 2);
    Run("x = 3; y = 4");
    EXPECT_EQ(self->x, 3);
    EXPECT_EQ(self->y, 2) << "without braces only the first statement runs";
    Run("begin x = 5 y = 6 end");
    EXPECT_EQ(self->x, 5) << "statements need no separators";
    EXPECT_EQ(self->y, 6);
    Run("{ ; ; x = 7;; }");
    EXPECT_EQ(self->x, 7);
    Run("{ { x = 8 } { { y = 9 } } }");
    EXPECT_EQ(self->x, 8);
    EXPECT_EQ(self->y, 9);
    EXPECT_TRUE(NothingReported());

    Run("{ x = 1");
    EXPECT_EQ(self->x, 1);
    EXPECT_EQ(Reported(), "in code at line 1 pos 7: Unexpected end of code.");
    Run("   ");
    EXPECT_EQ(Reported(), "in code at line 1 pos 3: Unexpected end of code.");
    Run("#");
    EXPECT_EQ(Reported(), "in code at line 2 pos 0: Unexpected end of code.");
    Run("// just a note");
    EXPECT_EQ(Reported(), "in code at line 1 pos 14: Unexpected end of code.");
    Run("for");
    EXPECT_EQ(Reported(), "in code at line 1 pos 3: Unexpected symbol: ");
    Run("{ x = 1; for }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 13: Unexpected symbol: ");
    Run("{ until }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 8: Unexpected symbol: ");
    Run("3");
    EXPECT_EQ(Reported(), "in code at line 1 pos 1: Unexpected symbol: ");
}

TEST_F(Interpreter, IfAndElse) {
    const std::string withSemicolon = "{ a = A; if a > 0 then b = 1; else b = 2 }";
    const std::string without = "{ a = A; if a > 0 then b = 1 else b = 2 }";
    for (const std::string& code : {withSemicolon, without}) {
        for (int a : {1, 0}) {
            std::string text = code;
            text.replace(text.find('A'), 1, std::to_string(a));
            Run(text);
            EXPECT_EQ(Local("b"), Real(a > 0 ? 1 : 2)) << text;
        }
    }
    Run("if 0.5 x = 1");
    EXPECT_EQ(self->x, 10) << "0.5 is not true";
    Run("if 0.6 then x = 1");
    EXPECT_EQ(self->x, 1);
    Run("{ c = 0; if 0 if 1 c = 1 else c = 2 }");
    EXPECT_EQ(Local("c"), Real(0)) << "the else belongs to the inner if";
    Run("{ if 1 if 0 c = 1 else c = 2 }");
    EXPECT_EQ(Local("c"), Real(2));
    EXPECT_TRUE(NothingReported());

    Run("if 0 nosuch(1)");
    EXPECT_EQ(Reported(), "in code at line 1 pos 14: Function nosuch does not exist.")
        << "checked in a branch that is not taken";
    Run("if 1 x = 2 else mean(1)");
    EXPECT_EQ(Reported(), "in code at line 1 pos 23: Wrong number of arguments for function mean.");
    EXPECT_EQ(self->x, 2);
    Run("if 0 then y = nothing.x");
    EXPECT_EQ(Reported(), "in code at line 1 pos 23: Object nothing does not exist.");
    Run("if 0 then y = (1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 16: ) expected.");
}

TEST_F(Interpreter, RepeatRunsItsBodyARoundedNumberOfTimes) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"3", 3}, {"2.5", 2}, {"3.5", 4}, {"0", 0}, {"-1", 0}, {"0.5", 0}, {"1+1", 2}};
    for (const auto& [count, expected] : cases) {
        Run("{ n = 0; repeat " + count + " n += 1; after = 1 }");
        EXPECT_EQ(Local("n"), Real(expected)) << count;
        EXPECT_EQ(Local("after"), Real(1)) << "the body is stepped over: " << count;
        self->locals.Clear();
    }
    Run("{ n = 0; repeat 3 { n += 1; m = n * 2 } }");
    EXPECT_EQ(Local("m"), Real(6));
    Run("{ k = 0; repeat 2 repeat 3 k += 1 }");
    EXPECT_EQ(Local("k"), Real(6));
    EXPECT_TRUE(NothingReported());
    Run("repeat 2 do x = 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 12: Unexpected symbol: ") << "repeat takes no do";
}

TEST_F(Interpreter, WhileRepeatsWhileItsConditionRoundsAboveZero) {
    Run("{ i = 0; while i < 10 do i += 1 }");
    EXPECT_EQ(Local("i"), Real(10));
    Run("{ i = 0; j = 0; while i < 3 { i += 1; j += i } }");
    EXPECT_EQ(Local("j"), Real(6));
    Run("{ i = 0; while 0.5 i = 1; after = 1 }");
    EXPECT_EQ(Local("i"), Real(0)) << "0.5 rounds to 0";
    EXPECT_EQ(Local("after"), Real(1));
    Run("{ i = 0; while 10 - i do i += 1 }");
    EXPECT_EQ(Local("i"), Real(10));
    Run("{ i = 0; if 0 while 1 do i += 1; after = 2 }");
    EXPECT_EQ(Local("i"), Real(0)) << "an untaken while is walked once";
    EXPECT_EQ(Local("after"), Real(2));
    EXPECT_TRUE(NothingReported());
    Run("{ i = 0; while i < 3 do { i += 1; if i = 2 then z = 'a' - 1 } }");
    EXPECT_EQ(Reported(), "in code at line 1 pos 61: Wrong type of arguments.");
    EXPECT_EQ(Local("i"), Real(2)) << "an error ends the loop";
}

TEST_F(Interpreter, ExitEndsTheCodeSilently) {
    Run("{ x = 1; exit; x = 2 }");
    EXPECT_EQ(self->x, 1);
    Run("{ n = 0; repeat 5 { n += 1; if n == 2 exit }; after = 1 }");
    EXPECT_EQ(Local("n"), Real(2));
    EXPECT_EQ(Local("after"), std::nullopt);
    Run("{ if 0 exit; y = 3 }");
    EXPECT_EQ(self->y, 3) << "an exit that is only walked does nothing";
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, ForallMakesEachLiveInstanceOfTheObjectSelf) {
    CInstance& ball2 = Add(1, 30, 0);
    CInstance& gone = Add(1, 50, 0);
    gone.MarkDeleted();
    CInstance& wall = Add(2, 0, 0);
    CInstance* const ball = self;
    self = &wall;
    Run("{ forall ball do { x += 1; seen = other.x + selfx() }; after = x }");
    EXPECT_TRUE(NothingReported());
    EXPECT_EQ(ball->x, 11);
    EXPECT_EQ(ball2.x, 31);
    EXPECT_EQ(gone.x, 50) << "marked instances are passed over";
    EXPECT_EQ(other->x, 100);
    EXPECT_EQ(Local(*ball, "seen"), Real(111)) << "other is unchanged, self is the ball";
    EXPECT_EQ(Local(ball2, "seen"), Real(131));
    EXPECT_EQ(Local(wall, "after"), Real(0)) << "self comes back after the loop";

    Run("{ forall 3 - 2 x = 0; forall wall forall ball x += 5; done = 1 }");
    EXPECT_EQ(ball->x, 10) << "once for each of the two walls";
    EXPECT_EQ(ball2.x, 10);
    EXPECT_EQ(Local(wall, "done"), Real(1));

    Run("{ forall ball { n = 1; exit }; after = 2 }");
    EXPECT_EQ(Local(*ball, "n"), Real(1));
    EXPECT_EQ(Local(ball2, "n"), std::nullopt) << "exit ends the whole code";
    EXPECT_EQ(Local(wall, "after"), Real(0));

    const int before = game.instances.Count();
    Run("forall ball make(1)");
    EXPECT_EQ(game.instances.Count(), before + 2) << "new balls are not visited";
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, ForallOverAnObjectWithoutLiveInstancesRunsNothing) {
    CInstance& wall = Add(2, 40, 0);
    self->MarkDeleted();
    CInstance* const ball = self;
    self = &wall;
    Run("{ forall ball x = 0; forall 7 x = 0; done = 1 }");
    EXPECT_EQ(ball->x, 10);
    EXPECT_EQ(wall.x, 40);
    EXPECT_EQ(Local(wall, "done"), Real(1));
    Run("{ if 0 forall ball x = 1; if 0 forallinstances do x = 1; y = 1 }");
    EXPECT_EQ(wall.x, 40);
    EXPECT_EQ(wall.y, 1);
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, ForallInstancesVisitsEveryLiveInstance) {
    CInstance& gone = Add(2, 0, 0);
    gone.MarkDeleted();
    CInstance& last = Add(1, 0, 0);
    Run("{ forallinstances do tag = object; after = 1 }");
    EXPECT_EQ(Local(*self, "tag"), Real(1));
    EXPECT_EQ(Local(*other, "tag"), Real(2));
    EXPECT_EQ(Local(last, "tag"), Real(1));
    EXPECT_EQ(Local(gone, "tag"), std::nullopt);
    EXPECT_EQ(Local(*self, "after"), Real(1));
    Run("forallinstances global.count += 1");
    EXPECT_EQ(Reported(), "in code at line 1 pos 33: Cannot get value from variable count.");
    Run("{ global.count = 0; forallinstances global.count += 1 }");
    EXPECT_EQ(Global("count"), Real(3));
}

// ---------------------------------------------------------------------------------------------
// Nesting

std::string Repeated(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += part;
    }
    return text;
}

void RunText(FunctionContext& context, CInstance& self, CInstance& other, int,
             const FunctionArguments& arguments, RValue&) {
    const GameData& data = context.game.data;
    const CodeTree code = PrepareText(arguments[0].string, CodeForm::Code,
                                      TokenNames{data.objects, data.sounds, TestFunctions()});
    context.parts.interpreter.ExecuteCode(self, other, code);
}

TEST_F(Interpreter, CodeRunByAFunctionNestsInsideTheCall) {
    // Not taken, the branch is only walked; sixty brackets are far from the limit.
    const std::string inner =
        "{ y = 5; if 0 then z = " + Repeated("(", 60) + "1" + Repeated(")", 60) + " }";
    Run(inner);
    EXPECT_TRUE(NothingReported());
    EXPECT_EQ(self->y, 5);

    // Run from inside 200 brackets and the call (202 levels with the statement), the branch's
    // 53rd bracket lies beyond the limit: the statements before it have run.
    self->y = 0;
    Run("x = " + Repeated("(", 200) + "run('" + inner + "')" + Repeated(")", 200));
    ASSERT_FALSE(errors.reports.empty());
    std::size_t bracket = inner.find('(');
    for (int i = 1; i < 53; ++i) {
        bracket = inner.find('(', bracket + 1);
    }
    EXPECT_EQ(errors.reports.front().first,
              "in code at line 1 pos " + std::to_string(bracket + 1) + ": " + kNestedTooDeeply);
    EXPECT_EQ(self->y, 5);
    RValue z;
    EXPECT_FALSE(self->locals.GetValue("z", 0, z));
}

TEST_F(Interpreter, LongTextsRunWithoutDeepRecursion) {
    // Operators of one level, and statements of one block, are read and run in loops.
    EXPECT_EQ(Eval(Repeated("1 + ", 200000) + "1"), 200001);
    EXPECT_EQ(Eval(Repeated("2 * ", 60) + "1"), std::pow(2.0, 60));
    Run("{ x = 0; " + Repeated("x += 1; ", 100000) + "}");
    EXPECT_EQ(self->x, 100000);
    EXPECT_TRUE(NothingReported());
}

TEST_F(Interpreter, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
    constexpr int kDeep = 10000;
    const std::vector<std::string> expressions = {
        Repeated("(", kDeep) + "1" + Repeated(")", kDeep),
        Repeated("-", kDeep) + "1",
        Repeated("not ", kDeep) + "1",
        Repeated("abs(", kDeep) + "1" + Repeated(")", kDeep),
        Repeated("a[", kDeep) + "0" + Repeated("]", kDeep),
    };
    for (const std::string& text : expressions) {
        Eval(text);
        const std::string report = Reported();
        EXPECT_THAT(report, StartsWith("in expression at pos "));
        EXPECT_THAT(report, EndsWith(": Code is nested too deeply.")) << text.substr(0, 20);
    }
    const std::vector<std::string> codes = {
        Repeated("{", kDeep) + Repeated("}", kDeep),
        Repeated("if 1 ", kDeep) + "x = 1",
        "if 0 x = 1 " + Repeated("else if 0 x = 1 ", kDeep),
        Repeated("repeat 1 ", kDeep) + "x = 1",
        Repeated("while 0 ", kDeep) + "x = 1",
        Repeated("forallinstances ", kDeep) + "x = 1",
        "x = " + Repeated("(", kDeep) + "1" + Repeated(")", kDeep),
        "{ y = 1; " + Repeated("{", kDeep) + "}",
    };
    for (const std::string& text : codes) {
        Run(text);
        const std::string report = Reported();
        EXPECT_THAT(report, StartsWith("in code at line 1 pos "));
        EXPECT_THAT(report, EndsWith(": Code is nested too deeply.")) << text.substr(0, 20);
        EXPECT_EQ(self->x, 10) << "nothing ran: " << text.substr(0, 20);
    }
    EXPECT_EQ(self->y, 1);

    // The interpreter is whole afterwards, and ordinary depths are far from the limit.
    EXPECT_EQ(Eval("1 + 1"), 2);
    EXPECT_EQ(Eval(Repeated("(", 200) + "7" + Repeated(")", 200)), 7);
    EXPECT_EQ(Eval(Repeated("-", 200) + "7"), 7);
    Run(Repeated("{", 100) + "x = 3" + Repeated("}", 100));
    EXPECT_EQ(self->x, 3);
    Run(Repeated("if 1 ", 100) + "x = 4");
    EXPECT_EQ(self->x, 4);
    EXPECT_TRUE(NothingReported());

    const std::optional<ScriptError> checked = CheckCode(Repeated("{", kDeep));
    ASSERT_TRUE(checked.has_value());
    EXPECT_EQ(checked->message, kNestedTooDeeply);
}

// ---------------------------------------------------------------------------------------------
// Checking without running

TEST_F(Interpreter, CheckingFindsTheErrorsOfFormWithoutRunningAnything) {
    EXPECT_EQ(CheckCode("{ x = 1; if a > 0 nosuch(1) }"),
              (ScriptError{1, 29, "Function nosuch does not exist."}));
    EXPECT_EQ(CheckCode("{#x = (1 + 2#}"), (ScriptError{3, 1, ") expected."}));
    EXPECT_EQ(CheckCode("   "), (ScriptError{1, 3, "Unexpected end of code."}));
    EXPECT_EQ(CheckCode("for"), (ScriptError{1, 3, "Unexpected symbol: "}));
    EXPECT_EQ(CheckCode("while 1 do { y = nothing.y }"),
              (ScriptError{1, 27, "Object nothing does not exist."}));
    EXPECT_EQ(CheckExpression("mean(1)"),
              (ScriptError{1, 7, "Wrong number of arguments for function mean."}));
    EXPECT_EQ(CheckExpression("nothing.x"), (ScriptError{1, 9, "Object nothing does not exist."}));
    EXPECT_EQ(CheckExpression("   "), (ScriptError{1, 3, "Unexpected symbol"}));

    // Errors that depend on values only show when the code runs.
    EXPECT_EQ(CheckCode("{ y = 'a' + 1; z = 1/0; q += 1; image_width = 1; x == 1 }"), std::nullopt);
    EXPECT_EQ(CheckExpression("'a' + 1"), std::nullopt);
    EXPECT_EQ(CheckExpression("sqrt(-4)"), std::nullopt);
    EXPECT_EQ(CheckExpression("1 2"), std::nullopt);
    EXPECT_EQ(CheckExpression(""), std::nullopt);
    EXPECT_EQ(CheckCode(""), std::nullopt);
    EXPECT_EQ(CheckCode("while 1 do x += 1"), std::nullopt) << "a loop is walked once";

    EXPECT_EQ(CheckCode("{ note(1); x = 5; global.g = 1; room = 2; forall ball x = 0 }"),
              std::nullopt);
    EXPECT_EQ(Global("calls"), std::nullopt) << "no function was called";
    EXPECT_EQ(Global("g"), std::nullopt);
    EXPECT_EQ(self->x, 10);
    EXPECT_TRUE(runtime.rooms.empty());
    EXPECT_TRUE(NothingReported()) << "checking reports nothing";
}

TEST_F(Interpreter, CheckingLeavesTheErrorOfTheLastEvaluationAlone) {
    Eval("1/0");
    EXPECT_EQ(Reported(), "in expression at pos 3: Division by 0.");
    EXPECT_EQ(CheckCode("{ x = nosuch() }"),
              (ScriptError{1, 16, "Function nosuch does not exist."}));
    EXPECT_TRUE(interpreter.HasError());
    EXPECT_EQ(interpreter.LastError(), (ScriptError{1, 3, "Division by 0."}));
}

} // namespace
} // namespace velkaro
