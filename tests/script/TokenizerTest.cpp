#include "script/Tokenizer.h"
#include "data/TokenClass.h"
#include "script/CodeCompiler.h"

#include "data/ObjectClass.h"
#include "data/SoundClass.h"
#include "functions/FunctionTables.h"
#include "script/VariableNames.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velkaro {
namespace {

class Tokens : public ::testing::Test {
protected:
    Tokens() {
        objects.Add().name = "ball";
        objects.Add().name = "wall";
        objects.Add().name = "x"; // an object named like a built-in variable
        sounds.Add().name = "shot";
        sounds.Add().name = "boom";
    }

    const CTokenList& Scan(const std::string& text) {
        list = Tokenize(text, TokenNames{objects, sounds, FunctionRegistry()});
        return list;
    }

    std::vector<std::int32_t> Kinds(const std::string& text) {
        Scan(text);
        std::vector<std::int32_t> kinds;
        for (int i = 1; i <= list.Count(); ++i) {
            kinds.push_back(list.Get(i).kind);
        }
        return kinds;
    }

    CObjectList objects;
    CSoundList sounds;
    CTokenList list;
};

using K = std::vector<std::int32_t>;

TEST_F(Tokens, OperatorsAndSymbols) {
    EXPECT_EQ(Kinds("y=1"), (K{kTokVariable, kTokAssign, kTokValue, kTokEndOfText}));
    EXPECT_EQ(Kinds("a==b"), (K{kTokVariable, kTokEqual, kTokVariable, kTokEndOfText}));
    EXPECT_EQ(Kinds("a<>b"), Kinds("a!=b"));
    EXPECT_EQ(Kinds("a<>b")[1], kTokNotEqual);
    EXPECT_EQ(Kinds("y=-1"), (K{kTokVariable, kTokAssign, kTokMinus, kTokValue, kTokEndOfText}))
        << "= followed by - is no two-character operator";
    EXPECT_EQ(Kinds(":=+=-=*=/=&&||<=>="), (K{kTokAssign, kTokAddAssign, kTokSubtractAssign,
                                              kTokMultiplyAssign, kTokDivideAssign, kTokAnd, kTokOr,
                                              kTokLessEqual, kTokGreaterEqual, kTokEndOfText}));
    EXPECT_EQ(Kinds("!()*+,-/;<=>[]{}"),
              (K{kTokNot, kTokOpenParen, kTokCloseParen, kTokTimes, kTokPlus, kTokComma, kTokMinus,
                 kTokDivide, kTokSemicolon, kTokLessEqual, kTokGreater, kTokOpenBracket,
                 kTokCloseBracket, kTokBlockStart, kTokBlockEnd, kTokEndOfText}));
    EXPECT_EQ(Kinds("& . \t : % |"), (K{kTokBadSymbol, kTokBadSymbol, kTokBadSymbol, kTokBadSymbol,
                                        kTokBadSymbol, kTokBadSymbol, kTokEndOfText}));
}

TEST_F(Tokens, KeywordsAreCaseSensitiveWholeWords) {
    EXPECT_EQ(Kinds("begin end if then else while do for until repeat exit forall "
                    "forallinstances and or not"),
              (K{kTokBlockStart, kTokBlockEnd, kTokIf, kTokThen, kTokElse, kTokWhile, kTokDo,
                 kTokFor, kTokUntil, kTokRepeat, kTokExit, kTokForall, kTokForallInstances, kTokAnd,
                 kTokOr, kTokNot, kTokEndOfText}));
    EXPECT_EQ(Kinds("Begin")[0], kTokVariable);
    EXPECT_EQ(Kinds("ifx")[0], kTokVariable);
    EXPECT_EQ(Kinds("if.x")[0], kTokVariable) << "the dot belongs to the word";
}

TEST_F(Tokens, NumbersWithOnePoint) {
    Scan("1.2.3");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Get(1).value.real, 1.2);
    EXPECT_EQ(list.Get(2).kind, kTokBadSymbol);
    EXPECT_EQ(list.Get(3).value.real, 3.0);
    Scan("3.");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(1).value.real, 3.0);
    // Digits accumulate one by one, each fraction digit times a scale divided by ten before it.
    Scan("0.3 2.25 007");
    EXPECT_EQ(list.Get(1).value.real, 3 * 0.1);
    EXPECT_NE(list.Get(1).value.real, 0.3);
    EXPECT_EQ(list.Get(2).value.real, 2.0 + 2 * 0.1 + 5 * (0.1 / 10));
    EXPECT_EQ(list.Get(3).value.real, 7.0);
    EXPECT_EQ(list.Get(1).value.kind, kRealValue);
}

TEST_F(Tokens, StringLiterals) {
    Scan("'say \"hi\"' \"it's\" 'a#b'");
    EXPECT_EQ(list.Get(1).value, RValue::String("say \"hi\""));
    EXPECT_EQ(list.Get(2).value, RValue::String("it's"));
    EXPECT_EQ(list.Get(3).value, RValue::String("a#b"));
    Scan("'abc");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(1).value, RValue::String("abc"));
    EXPECT_EQ(list.Get(2).kind, kTokEndOfText);
    Scan("''");
    EXPECT_EQ(list.Get(1).value, RValue::String(""));
}

TEST_F(Tokens, BlanksAndComments) {
    EXPECT_EQ(Kinds("// a comment#x"), (K{kTokVariable, kTokEndOfText}));
    EXPECT_EQ(Kinds("a // to the end"), (K{kTokVariable, kTokEndOfText}));
    EXPECT_EQ(Kinds("a#b"), (K{kTokVariable, kTokVariable, kTokEndOfText}));
    Scan("");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(1).kind, kTokEndOfText);
    EXPECT_EQ(list.Get(1).position, 1);
    EXPECT_EQ(Kinds("a\tb")[1], kTokBadSymbol) << "a tab is no blank";
}

TEST_F(Tokens, PositionsCountFromOne) {
    Scan("ab + 'c' = 12 (");
    EXPECT_EQ(list.Get(1).position, 3) << "words: just after the word";
    EXPECT_EQ(list.Get(2).position, 4) << "symbols: where they stand";
    EXPECT_EQ(list.Get(3).position, 9) << "strings: after the closing quote";
    EXPECT_EQ(list.Get(4).position, 10);
    EXPECT_EQ(list.Get(5).position, 14) << "numbers: just after the number";
    EXPECT_EQ(list.Get(6).position, 15);
    EXPECT_EQ(list.Get(7).position, 16) << "end of text: beyond the last character";
}

TEST_F(Tokens, ConstantsBecomeValues) {
    Scan("c_red pi true C_red");
    EXPECT_EQ(list.Get(1).kind, kTokValue);
    EXPECT_EQ(list.Get(1).value.real, 255.0);
    EXPECT_EQ(list.Get(2).value.real, M_PI);
    EXPECT_EQ(list.Get(3).value.real, 1.0);
    EXPECT_EQ(list.Get(4).kind, kTokVariable);
    EXPECT_TRUE(list.Get(1).name.empty());
}

TEST_F(Tokens, NamesResolveToFunctionsVariablesAndOwners) {
    Scan("sqrt(4) nosuch(1) sqrt");
    EXPECT_EQ(list.Get(1).kind, kTokFunction);
    EXPECT_EQ(list.Get(1).index, FunctionRegistry().FindFunction("sqrt"));
    EXPECT_GT(list.Get(1).index, 0);
    EXPECT_EQ(list.Get(5).kind, kTokFunction);
    EXPECT_EQ(list.Get(5).index, -1);
    EXPECT_EQ(list.Get(9).kind, kTokVariable) << "no parenthesis, no call";

    Scan("other.x self.score global.score ball.y sound.shot sound.none nothing.x a.b.c");
    const CToken& otherX = list.Get(1);
    EXPECT_EQ(otherX.prefix, "other");
    EXPECT_EQ(otherX.name, "x");
    EXPECT_EQ(otherX.owner, kOwnerOther);
    EXPECT_EQ(otherX.index, 1001);
    EXPECT_EQ(list.Get(2).owner, kOwnerSelf);
    EXPECT_EQ(list.Get(2).index, kVarScore) << "the number is kept; the owner decides";
    EXPECT_EQ(list.Get(3).owner, kOwnerGlobal);
    EXPECT_EQ(list.Get(4).owner, 1);
    EXPECT_EQ(list.Get(4).index, kVarY);
    EXPECT_EQ(list.Get(5).owner, kOwnerSound);
    EXPECT_EQ(list.Get(5).index, 1);
    EXPECT_EQ(list.Get(6).index, -1);
    EXPECT_EQ(list.Get(7).owner, kOwnerUnknown);
    EXPECT_EQ(list.Get(7).prefix, "nothing");
    EXPECT_EQ(list.Get(8).prefix, "a") << "a.b.c is the word a.b, a stray point and c";
    EXPECT_EQ(list.Get(8).name, "b");
    EXPECT_EQ(list.Get(9).kind, kTokBadSymbol);
    EXPECT_EQ(list.Get(10).name, "c");

    Scan("self other wall x score sound global speed w myvar");
    EXPECT_EQ(list.Get(1).owner, kOwnerName);
    EXPECT_EQ(list.Get(1).index, -1);
    EXPECT_EQ(list.Get(2).index, -2);
    EXPECT_EQ(list.Get(3).owner, kOwnerName);
    EXPECT_EQ(list.Get(3).index, 2);
    EXPECT_EQ(list.Get(4).owner, kOwnerName) << "an object name wins over a variable";
    EXPECT_EQ(list.Get(4).index, 3);
    EXPECT_EQ(list.Get(5).owner, kOwnerNone);
    EXPECT_EQ(list.Get(5).index, kVarScore);
    EXPECT_EQ(list.Get(6).owner, kOwnerNone);
    EXPECT_EQ(list.Get(6).index, -1);
    EXPECT_EQ(list.Get(7).index, -1);
    EXPECT_EQ(list.Get(8).index, kVarSpeed);
    EXPECT_EQ(list.Get(9).index, kVarImageWidth);
    EXPECT_EQ(list.Get(10).index, kUserVariable);
}

} // namespace
} // namespace velkaro

namespace velkaro {
namespace {

TEST(PrepareActions, CompilesEachArgumentInTheFormItsActionReadsIt) {
    CObjectList objects;
    CSoundList sounds;
    CObject& ball = objects.Add();
    ball.name = "ball";
    // Draw text: two expressions and a text that is read when it begins with a quote.
    CAction& draw = ball.EventList(kStepEvent, 0)->Add();
    draw.id = 1002;
    draw.arguments = {"ball.x + 1", "", "'text'", "{ unused"};
    CAction& code = ball.EventList(kKeyboardEvent, 37)->Add();
    code.id = 811;
    code.arguments[0] = "{ x = 1 }";
    CAction& message = ball.EventList(kKeyboardEvent, 38)->Add();
    message.id = 411;
    message.arguments[0] = "Hello (";
    PrepareActions(objects, TokenNames{objects, sounds, FunctionRegistry()});

    EXPECT_EQ(draw.code[0].form, CodeForm::Expression);
    EXPECT_EQ(draw.code[0].tokens.Get(1).owner, 1);
    EXPECT_TRUE(draw.code[1].Empty()) << "an empty argument has nothing to run";
    EXPECT_EQ(draw.code[2].form, CodeForm::Expression);
    EXPECT_EQ(draw.code[3].form, CodeForm::None) << "an argument the action does not read";
    EXPECT_EQ(FirstError(draw.code[3]), std::nullopt);
    EXPECT_EQ(code.code[0].form, CodeForm::Code);
    EXPECT_EQ(message.code[0].form, CodeForm::None) << "a text shown as typed";

    draw.arguments[0] = "nosuch.x";
    PrepareActions(objects, TokenNames{objects, sounds, FunctionRegistry()});
    EXPECT_EQ(FirstError(draw.code[0]), (ScriptError{1, 8, "Object nosuch does not exist."}))
        << "preparing again reads the texts afresh";
}

} // namespace
} // namespace velkaro
