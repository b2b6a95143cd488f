#include "functions/MathFunctions.h"

#include "base/NumberText.h"
#include "data/GameLoader.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RValue N(double value) {
    return RValue::Real(value);
}
RValue S(std::string text) {
    return RValue::String(std::move(text));
}

class MathFunctionsTest : public ::testing::Test {
protected:
    MathFunctionsTest() {
        RegisterMathFunctions(registry);
        game.decimal_separator = ".";
    }

    struct Outcome {
        RValue value;
        std::string error;
    };

    Outcome Call(const std::string& name, const std::vector<RValue>& values) {
        int index = registry.FindFunction(name);
        EXPECT_NE(index, -1) << name;
        RValue result = S("stale");
        bool called = registry.CallFunction(index, context, self, other,
                                            static_cast<int>(values.size()), values, result);
        EXPECT_TRUE(called) << name;
        return {result, context.error};
    }

    // The real result of a call that must succeed.
    double Real(const std::string& name, const std::vector<RValue>& values) {
        Outcome outcome = Call(name, values);
        EXPECT_EQ(outcome.error, "") << name;
        EXPECT_EQ(outcome.value.kind, kRealValue) << name;
        EXPECT_EQ(outcome.value.string, "") << name;
        return outcome.value.real;
    }

    // The string result of a call that must succeed.
    std::string Text(const std::string& name, const std::vector<RValue>& values) {
        Outcome outcome = Call(name, values);
        EXPECT_EQ(outcome.error, "") << name;
        EXPECT_EQ(outcome.value.kind, kStringValue) << name;
        EXPECT_EQ(outcome.value.real, 0) << name;
        return outcome.value.string;
    }

    // The reason a call failed; a failed call always yields the real 0.
    std::string Failure(const std::string& name, const std::vector<RValue>& values) {
        Outcome outcome = Call(name, values);
        EXPECT_EQ(outcome.value, RValue()) << name;
        return outcome.error;
    }

    CFunctionRegistry registry;
    GameData data;
    test::PartsInMemory parts{data};
    GameState& game = parts.state;
    FunctionContext context = parts.Context();
    CInstance self;
    CInstance other;
};

TEST_F(MathFunctionsTest, RandomScalesDrawsOfTheCongruentialGenerator) {
    game.random.Seed(0);
    EXPECT_EQ(Real("random", {N(4294967296.0)}), 1); // state 0 * 134775813 + 1
    EXPECT_EQ(Real("random", {N(4294967296.0)}), 134775814);
    EXPECT_EQ(game.random.State(), 134775814u);

    game.random.Seed(0xFFFFFFFFu); // the product wraps modulo 2^32
    EXPECT_EQ(Real("random", {N(4294967296.0)}), 4160191484.0);

    game.random.Seed(12345);
    EXPECT_EQ(Real("random", {N(7)}), 2.6974537265487015);   // state 1655067934
    EXPECT_EQ(Real("random", {N(-3)}), -0.8680632573086768); // state 1242767767

    // random(0) is 0 but still draws.
    game.random.Seed(0);
    EXPECT_EQ(Real("random", {N(0)}), 0);
    EXPECT_EQ(game.random.State(), 1u);

    game.random.Seed(99);
    for (int i = 0; i < 1000; ++i) {
        double up = Real("random", {N(10)});
        EXPECT_TRUE(up >= 0 && up < 10) << up;
        double down = Real("random", {N(-10)});
        EXPECT_TRUE(down > -10 && down <= 0) << down;
    }
}

TEST_F(MathFunctionsTest, RoundingFunctions) {
    EXPECT_EQ(Real("round", {N(2.5)}), 2);
    EXPECT_EQ(Real("round", {N(3.5)}), 4);
    EXPECT_EQ(Real("round", {N(-2.5)}), -2);
    EXPECT_EQ(Real("round", {N(0.5)}), 0);
    EXPECT_EQ(Real("round", {N(1.5)}), 2);
    EXPECT_EQ(Real("round", {N(-0.5)}), 0);
    EXPECT_EQ(Real("round", {N(2.6)}), 3);
    EXPECT_EQ(Real("round", {N(1e18 + 0.0)}), 1e18);

    EXPECT_EQ(Real("floor", {N(2.7)}), 2);
    EXPECT_EQ(Real("floor", {N(-2.1)}), -3);
    EXPECT_EQ(Real("floor", {N(-3)}), -3);
    EXPECT_EQ(Real("floor", {N(2147483647.5)}), 2147483647);
    EXPECT_EQ(Real("ceil", {N(2.1)}), 3);
    EXPECT_EQ(Real("ceil", {N(-2.7)}), -2);
    EXPECT_EQ(Real("ceil", {N(-2147483648.5)}), -2147483648.0);

    EXPECT_EQ(Real("frac", {N(2)}), 0);
    EXPECT_EQ(Real("frac", {N(-2.75)}), -0.75);
    EXPECT_EQ(Real("frac", {N(-1.25)}), -0.25);
    EXPECT_EQ(Real("frac", {N(3.5)}), 0.5);

    EXPECT_EQ(Real("abs", {N(-3.25)}), 3.25);
    EXPECT_EQ(Real("abs", {N(4)}), 4);

    EXPECT_EQ(Real("sign", {N(0)}), -1);
    EXPECT_EQ(Real("sign", {N(-0.0001)}), -1);
    EXPECT_EQ(Real("sign", {N(0.0001)}), 1);
    EXPECT_EQ(Real("sign", {N(-5)}), -1);
}

TEST_F(MathFunctionsTest, RootsExponentialsAndLogarithms) {
    EXPECT_EQ(Real("sqrt", {N(16)}), 4);
    EXPECT_EQ(Real("sqrt", {N(2)}), std::numbers::sqrt2);
    EXPECT_EQ(Real("sqrt", {N(0)}), 0);
    EXPECT_EQ(Real("sqr", {N(-3)}), 9);
    EXPECT_EQ(Real("sqr", {N(1.5)}), 2.25);
    EXPECT_EQ(Real("exp", {N(0)}), 1);
    EXPECT_EQ(Real("exp", {N(1)}), std::numbers::e);
    EXPECT_EQ(Real("exp", {N(-1000)}), 0); // underflow is no error
    EXPECT_EQ(Real("ln", {N(1)}), 0);
    EXPECT_EQ(Real("ln", {N(10)}), std::numbers::ln10);
    EXPECT_EQ(Real("log2", {N(1024)}), 10);
    EXPECT_EQ(Real("log2", {N(10)}), 3.321928094887362);
    EXPECT_EQ(Real("log10", {N(1000)}), 3);
    EXPECT_EQ(Real("log10", {N(2)}), 0.3010299956639812);
    EXPECT_EQ(Real("logn", {N(2), N(8)}), 3);
    // Computed in extended precision and rounded once: in plain doubles ln 1000 / ln 10 would
    // come out as 2.9999999999999996.
    EXPECT_EQ(Real("logn", {N(10), N(1000)}), 3);
    EXPECT_EQ(Real("logn", {N(0.5), N(4)}), -2);
}

TEST_F(MathFunctionsTest, PowerTestsItsCasesInOrder) {
    EXPECT_EQ(Real("power", {N(0), N(0)}), 1);
    EXPECT_EQ(Real("power", {N(-7), N(0)}), 1);
    EXPECT_EQ(Real("power", {N(0), N(2)}), 0);
    EXPECT_EQ(Real("power", {N(0), N(0.5)}), 0);
    EXPECT_EQ(Real("power", {N(2), N(-1)}), 0.5);
    EXPECT_EQ(Real("power", {N(-2), N(3)}), -8);
    EXPECT_EQ(Real("power", {N(-2), N(-3)}), -0.125);
    EXPECT_EQ(Real("power", {N(2), N(10)}), 1024);
    EXPECT_EQ(Real("power", {N(2), N(62)}), 4611686018427387904.0);
    EXPECT_EQ(Real("power", {N(1), N(2147483647)}), 1);
    EXPECT_EQ(Real("power", {N(-1), N(-2147483647)}), -1);
    EXPECT_DOUBLE_EQ(Real("power", {N(1.1), N(10)}), 2.5937424601000023);
    EXPECT_EQ(Real("power", {N(10), N(-400)}), 0); // underflow is no error
    // Beyond the integer range the exponent goes through the logarithm.
    EXPECT_EQ(Real("power", {N(1), N(4294967296.0)}), 1);
    EXPECT_EQ(Real("power", {N(4), N(0.5)}), 2);
    EXPECT_EQ(Real("power", {N(2), N(0.5)}), std::numbers::sqrt2);
}

TEST_F(MathFunctionsTest, TrigonometryWorksInRadians) {
    EXPECT_EQ(Real("sin", {N(0)}), 0);
    EXPECT_EQ(Real("sin", {N(1)}), 0.8414709848078965);
    EXPECT_EQ(Real("cos", {N(0)}), 1);
    EXPECT_EQ(Real("cos", {N(1)}), 0.5403023058681398);
    EXPECT_EQ(Real("tan", {N(1)}), 1.5574077246549023);
    EXPECT_EQ(Real("arcsin", {N(1)}), std::numbers::pi / 2);
    EXPECT_EQ(Real("arcsin", {N(-1)}), -std::numbers::pi / 2);
    EXPECT_EQ(Real("arcsin", {N(0.5)}), 0.5235987755982989);
    EXPECT_EQ(Real("arccos", {N(-1)}), std::numbers::pi);
    EXPECT_EQ(Real("arccos", {N(0.5)}), 1.0471975511965979);
    EXPECT_EQ(Real("arctan", {N(1)}), std::numbers::pi / 4);
    EXPECT_EQ(Real("arctan", {N(1e300)}), std::numbers::pi / 2);
    EXPECT_EQ(Real("degtorad", {N(180)}), std::numbers::pi);
    EXPECT_EQ(Real("degtorad", {N(90)}), std::numbers::pi / 2);
    EXPECT_EQ(Real("radtodeg", {N(std::numbers::pi)}), 180);
    EXPECT_EQ(Real("radtodeg", {N(1)}), 57.29577951308232);
}

// Code that works out a motion itself, as speed * cos(angle), gets the motion the player gives an
// instance with that speed and direction, to the last bit: also at the angles where an extended
// cosine or sine rounded to 64 bits would differ.
TEST_F(MathFunctionsTest, TrigonometryAgreesWithTheMotionOfInstances) {
    const double radiansPerDegree = std::numbers::pi / 180.0;
    self.SetSpeed(1);
    int extendedWouldDiffer = 0;
    for (int tenths = 0; tenths < 3600; ++tenths) {
        const double degrees = tenths / 10.0;
        const double radians = degrees * radiansPerDegree;
        self.SetDirection(degrees);
        EXPECT_EQ(Real("cos", {N(radians)}), self.hspeed) << degrees;
        EXPECT_EQ(-Real("sin", {N(radians)}), self.vspeed) << degrees;
        if (static_cast<double>(std::cos(static_cast<long double>(radians))) != self.hspeed ||
            static_cast<double>(std::sin(static_cast<long double>(radians))) != -self.vspeed) {
            ++extendedWouldDiffer;
        }
    }
    EXPECT_GT(extendedWouldDiffer, 0);
}

TEST_F(MathFunctionsTest, MinimaMaximaAndMeans) {
    EXPECT_EQ(Real("min", {N(1), N(2)}), 1);
    EXPECT_EQ(Real("min", {N(2), N(-1)}), -1);
    EXPECT_EQ(Real("max", {N(2), N(2)}), 2);
    EXPECT_EQ(Real("max", {N(-3), N(-4)}), -3);
    EXPECT_EQ(Real("min3", {N(3), N(1), N(2)}), 1);
    EXPECT_EQ(Real("min3", {N(1), N(2), N(3)}), 1);
    EXPECT_EQ(Real("min3", {N(3), N(2), N(-1)}), -1);
    EXPECT_EQ(Real("max3", {N(3), N(1), N(2)}), 3);
    EXPECT_EQ(Real("max3", {N(1), N(5), N(2)}), 5);
    EXPECT_EQ(Real("max3", {N(1), N(2), N(9)}), 9);
    EXPECT_EQ(Real("mean", {N(1), N(2)}), 1.5);
    EXPECT_EQ(Real("mean", {N(-4), N(4)}), 0);
    // The sum is held in extended precision, so it does not overflow.
    EXPECT_EQ(Real("mean", {N(DBL_MAX), N(DBL_MAX)}), DBL_MAX);
}

TEST_F(MathFunctionsTest, StringWritesIntegralValuesAsIntegers) {
    EXPECT_EQ(Text("string", {N(3)}), "3");
    EXPECT_EQ(Text("string", {N(-12)}), "-12");
    EXPECT_EQ(Text("string", {N(2.0)}), "2");
    EXPECT_EQ(Text("string", {N(0)}), "0");
    EXPECT_EQ(Text("string", {N(-0.0)}), "0");
    EXPECT_EQ(Text("string", {N(1e15)}), "1000000000000000");
    EXPECT_EQ(Text("string", {N(-9223372036854774784.0)}), "-9223372036854774784");
}

TEST_F(MathFunctionsTest, StringWritesOtherValuesWithTwoDecimals) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1.5, "1.50"},
        {-0.5, "-0.50"},
        {0.125, "0.13"},   // a tie, away from zero
        {0.625, "0.63"},   // a tie whose even neighbour would be 0.62
        {-0.625, "-0.63"}, // away from zero on the negative side too
        {1.005, "1.00"},   // the double lies just below 1.005
        {2.675, "2.67"},
        {99.995, "100.00"}, // the double lies just above 99.995
        {0.999, "1.00"},
        {0.005, "0.01"},
        {0.001, "0.00"},
        {-0.001, "-0.00"},
        {0.0001, "0.00"},
        {1234567.891, "1234567.89"},
        {12345678.125, "12345678.13"},
        {123456789.125, "123456789.10"}, // ten significant digits keep only one decimal
        {123456789.14, "123456789.10"},
        {1234567890.5, "1234567891.00"}, // ten significant digits keep none
        {9999999999.5, "10000000000.00"},
        {12345678901.5, "12345678901.50"}, // beyond ten digits the decimals stay
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text("string", {N(c.value)}), c.text) << c.value;
    }
}

TEST_F(MathFunctionsTest, StringUsesTheGamesDecimalSeparator) {
    game.decimal_separator = ",";
    EXPECT_EQ(Text("string", {N(1.5)}), "1,50");
    EXPECT_EQ(Text("string", {N(-0.5)}), "-0,50");
    EXPECT_EQ(Text("string", {N(3)}), "3");
    EXPECT_EQ(RealToString(123456789.125, ","), "123456789,10");
}

// A locale with a decimal comma, when one is installed.
std::optional<std::string> CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "nl_NL.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8", "de_DE"}) {
        if (LocaleDecimalSeparator(name)) {
            return name;
        }
    }
    return std::nullopt;
}

// Sets LC_ALL for the lifetime of the object.
class ScopedLcAll {
public:
    explicit ScopedLcAll(const std::string& value) {
        const char* old = std::getenv("LC_ALL");
        if (old != nullptr) {
            old_ = old;
        }
        setenv("LC_ALL", value.c_str(), 1);
    }
    ~ScopedLcAll() {
        if (old_) {
            setenv("LC_ALL", old_->c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }

private:
    std::optional<std::string> old_;
};

TEST(DecimalSeparator, TheCLocaleWritesAFullStop) {
    EXPECT_EQ(LocaleDecimalSeparator("C"), ".");
    EXPECT_EQ(LocaleDecimalSeparator("POSIX"), ".");
    EXPECT_EQ(LocaleDecimalSeparator("xx_NOT_A_LOCALE"), std::nullopt);

    ScopedLcAll c("C");
    EXPECT_EQ(UserDecimalSeparator(), ".");
    const GameData data;
    EXPECT_EQ(GameState(data).decimal_separator, ".");
    ScopedLcAll unknown("xx_NOT_A_LOCALE");
    EXPECT_EQ(UserDecimalSeparator(), ".");
}

TEST(DecimalSeparator, AUserLocaleWithADecimalCommaWritesAComma) {
    auto locale = CommaLocale();
    if (!locale) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(LocaleDecimalSeparator(locale->c_str()), ",");
    ScopedLcAll comma(*locale);
    EXPECT_EQ(UserDecimalSeparator(), ",");
    const GameData data;
    const GameState game(data);
    EXPECT_EQ(game.decimal_separator, ",");
    EXPECT_EQ(RealToString(-0.5, game.decimal_separator), "-0,50");
    // Reading the user's locale changed nothing for the rest of the program.
    EXPECT_EQ(RealToString(0.5, "."), "0.50");
    EXPECT_EQ(NumberForMessage(0.5), "0.5");
}

TEST_F(MathFunctionsTest, CharactersAndTheirCodes) {
    EXPECT_EQ(Text("chr", {N(65.4)}), "A");
    EXPECT_EQ(Text("chr", {N(321)}), "A");  // the low byte
    EXPECT_EQ(Text("chr", {N(65.5)}), "B"); // 66, the even neighbour
    EXPECT_EQ(Text("chr", {N(66.5)}), "B");
    EXPECT_EQ(Text("chr", {N(0)}), std::string(1, '\0'));
    EXPECT_EQ(Text("chr", {N(-1)}), "\xFF");

    EXPECT_EQ(Real("ord", {S("")}), 0);
    EXPECT_EQ(Real("ord", {S("abc")}), 97);
    EXPECT_EQ(Real("ord", {S("\xE9t\xE9")}), 233);
    EXPECT_EQ(Real("ord", {S(std::string(1, '\0'))}), 0);

    EXPECT_EQ(Real("string_length", {S("")}), 0);
    EXPECT_EQ(Real("string_length", {S("h\xE9llo")}), 5); // bytes, one per character
    EXPECT_EQ(Real("string_length", {S(std::string("a\0b", 3))}), 3);
}

TEST_F(MathFunctionsTest, FindingAndCopyingParts) {
    EXPECT_EQ(Real("string_pos", {S(""), S("abc")}), 0);
    EXPECT_EQ(Real("string_pos", {S("c"), S("abcabc")}), 3);
    EXPECT_EQ(Real("string_pos", {S("bc"), S("abcabc")}), 2);
    EXPECT_EQ(Real("string_pos", {S("abcabc"), S("bc")}), 0);
    EXPECT_EQ(Real("string_pos", {S("B"), S("abc")}), 0);

    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(0), N(2)}), "ab");
    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(-5), N(2)}), "ab");
    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(2), N(3)}), "bcd");
    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(5), N(10)}), "ef");
    EXPECT_EQ(Text("string_copy", {S("abc"), N(4), N(1)}), "");
    EXPECT_EQ(Text("string_copy", {S("abc"), N(1), N(0)}), "");
    EXPECT_EQ(Text("string_copy", {S("abc"), N(1), N(-2)}), "");
    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(2.5), N(1.5)}), "bc"); // 2 and 2
    // Positions are 32-bit integers: 2^32 + 3 is position 3.
    EXPECT_EQ(Text("string_copy", {S("abcdef"), N(4294967299.0), N(1)}), "c");
}

TEST_F(MathFunctionsTest, DeletingAndInsertingParts) {
    EXPECT_EQ(Text("string_delete", {S("abcdef"), N(2), N(2)}), "adef");
    EXPECT_EQ(Text("string_delete", {S("abc"), N(0), N(1)}), "abc");
    EXPECT_EQ(Text("string_delete", {S("abc"), N(4), N(1)}), "abc");
    EXPECT_EQ(Text("string_delete", {S("abc"), N(1), N(0)}), "abc");
    EXPECT_EQ(Text("string_delete", {S("abc"), N(2), N(-1)}), "abc");
    EXPECT_EQ(Text("string_delete", {S("abcdef"), N(3), N(100)}), "ab");
    EXPECT_EQ(Text("string_delete", {S("abc"), N(3), N(1)}), "ab");

    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(1)}), "xabc");
    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(2)}), "axbc");
    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(4)}), "abcx");
    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(10)}), "abcx");
    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(0)}), "xabc");
    EXPECT_EQ(Text("string_insert", {S("x"), S("abc"), N(-3)}), "xabc");
    EXPECT_EQ(Text("string_insert", {S("yz"), S(""), N(1)}), "yz");
}

TEST_F(MathFunctionsTest, CaseAndRepetition) {
    EXPECT_EQ(Text("string_lower", {S("AbC xYz 09 @[`{")}), "abc xyz 09 @[`{");
    EXPECT_EQ(Text("string_upper", {S("AbC xYz 09 @[`{")}), "ABC XYZ 09 @[`{");
    // Only A to Z and a to z change; Windows-1252 letters stay as they are.
    EXPECT_EQ(Text("string_lower", {S("\xC0\xC9")}), "\xC0\xC9");
    EXPECT_EQ(Text("string_upper", {S("\xE0\xE9")}), "\xE0\xE9");

    EXPECT_EQ(Text("string_repeat", {S("ab"), N(3)}), "ababab");
    EXPECT_EQ(Text("string_repeat", {S("ab"), N(1)}), "ab");
    EXPECT_EQ(Text("string_repeat", {S("ab"), N(0)}), "");
    EXPECT_EQ(Text("string_repeat", {S("ab"), N(-1)}), "");
    EXPECT_EQ(Text("string_repeat", {S(""), N(1e9)}), "");
}

TEST_F(MathFunctionsTest, ArgumentsAreReadByTheKindTheFunctionExpects) {
    RValue textWithReal = S("wxyz");
    textWithReal.real = 16;
    EXPECT_EQ(Real("sqrt", {textWithReal}), 4);
    EXPECT_EQ(Real("string_length", {textWithReal}), 4);
    EXPECT_EQ(Real("sqrt", {S("16")}), 0);           // a string's real part is normally 0
    EXPECT_EQ(Real("string_length", {N(12345)}), 0); // a real's string part is empty
    EXPECT_EQ(Text("string", {S("7")}), "0");
}

TEST_F(MathFunctionsTest, FloatingPointFailuresAreReportedAndYieldTheRealZero) {
    struct Case {
        const char* name;
        std::vector<RValue> arguments;
        const char* message;
    };
    const Case cases[] = {
        {"sqrt", {N(-4)}, "Invalid argument to sqrt: -4"},
        {"sqrt", {N(-1)}, "Invalid argument to sqrt: -1"},
        {"ln", {N(0)}, "Invalid argument to ln: 0"},
        {"ln", {N(-2.5)}, "Invalid argument to ln: -2.5"},
        {"log2", {N(0)}, "Invalid argument to log2: 0"},
        {"log10", {N(-5)}, "Invalid argument to log10: -5"},
        {"logn", {N(1), N(5)}, "Invalid arguments to logn: 1, 5"},
        {"logn", {N(-2), N(8)}, "Invalid arguments to logn: -2, 8"},
        {"logn", {N(2), N(0)}, "Invalid arguments to logn: 2, 0"},
        {"arcsin", {N(2)}, "Invalid argument to arcsin: 2"},
        {"arccos", {N(-1.5)}, "Invalid argument to arccos: -1.5"},
        {"sin", {N(kInf)}, "Invalid argument to sin: inf"},
        {"frac", {N(-kInf)}, "Invalid argument to frac: -inf"},
        {"exp", {N(1000)}, "Overflow in exp(1000)"},
        {"sqr", {N(1e200)}, "Overflow in sqr(1e+200)"},
        {"power", {N(10), N(400)}, "Overflow in power(10, 400)"},
        {"power", {N(10), N(1e10)}, "Overflow in power(10, 10000000000)"},
        {"power", {N(-8), N(1.0 / 3)}, "Invalid arguments to power: -8, 0.3333333333333333"},
        {"power", {N(0), N(-0.5)}, "Invalid arguments to power: 0, -0.5"},
        {"power", {N(0), N(-1)}, "Division by zero in power(0, -1)"},
        {"abs", {N(kInf)}, "Overflow in abs(inf)"},
        {"degtorad", {N(kNaN)}, "Invalid argument to degtorad: nan"},
        {"round",
         {N(9223372036854775808.0)},
         "Argument of round is out of range: 9223372036854775808"},
        {"round", {N(-1e20)}, "Argument of round is out of range: -1e+20"},
        {"string", {N(1e19)}, "Argument of string is out of range: 1e+19"},
        {"string", {N(kNaN)}, "Argument of string is out of range: nan"},
        {"floor", {N(3e9)}, "Argument of floor is out of range: 3000000000"},
        {"ceil", {N(-2147483648.5 - 1)}, "Argument of ceil is out of range: -2147483649.5"},
        {"chr", {N(1e30)}, "Argument of chr is out of range: 1e+30"},
        {"string_copy",
         {S("abc"), N(1), N(1e19)},
         "Argument of string_copy is out of range: 1e+19"},
        {"string_repeat", {S("ab"), N(2e9)}, "Result of string_repeat is too long."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Failure(c.name, c.arguments), c.message) << c.name;
    }
}

} // namespace
} // namespace velkaro
