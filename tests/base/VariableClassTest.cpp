#include "base/VariableClass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <string>

namespace velkaro {
namespace {

TEST(RValue, AFreshValueIsTheRealZero) {
    RValue value;
    EXPECT_EQ(value.kind, 0);
    EXPECT_EQ(value.real, 0.0);
    EXPECT_EQ(value.string, "");
    EXPECT_TRUE(value.IsReal());
    EXPECT_EQ(RValue::Real(0), value);

    RValue text = RValue::String("abc");
    EXPECT_EQ(text.kind, 1);
    EXPECT_TRUE(text.IsString());
    EXPECT_EQ(text.real, 0.0);
    EXPECT_EQ(text.string, "abc");
}

TEST(RValue, TruthIsARealPartAboveOneHalfWhateverTheKind) {
    EXPECT_FALSE(RValue::Real(0.5).IsTrue());
    EXPECT_TRUE(RValue::Real(0.5000001).IsTrue());
    EXPECT_TRUE(RValue::Real(1).IsTrue());
    EXPECT_FALSE(RValue::Real(-1).IsTrue());
    EXPECT_FALSE(RValue::Real(0).IsTrue());
    EXPECT_FALSE(RValue::String("yes").IsTrue());
    RValue stringWithReal = RValue::String("x");
    stringWithReal.real = 0.6;
    EXPECT_TRUE(stringWithReal.IsTrue());

    EXPECT_EQ(TruthValue(true), 1.0);
    EXPECT_EQ(TruthValue(false), 0.0);
}

TEST(RoundedInteger, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double value;
        std::int64_t rounded;
    };
    const Case cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {-3.5, -4},
        {0.49999999999999994, 0},
        {2.4, 2},
        {2.6, 3},
        {-2.6, -3},
        {-2.4, -2},
        {7, 7},
        {-0.0, 0},
        {4503599627370497.0, 4503599627370497}, // 2^52 + 1: already whole
        {1e18, 1000000000000000000},
        {9223372036854774784.0, 9223372036854774784}, // the largest double below 2^63
        {-9223372036854774784.0, -9223372036854774784},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundToInteger(c.value), c.rounded) << c.value;
        EXPECT_TRUE(FitsRoundedInteger(c.value)) << c.value;
    }
}

TEST(RoundedInteger, ValuesOf2To63OrMoreDoNotFit) {
    const double tooLarge[] = {9223372036854775808.0,
                               -9223372036854775808.0,
                               1e300,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
    for (double value : tooLarge) {
        EXPECT_FALSE(FitsRoundedInteger(value)) << value;
        EXPECT_EQ(RoundToInteger(value), INT64_MIN) << value;
    }
}

TEST(RoundedInteger, LoopConditionsHoldExactlyWhenTheirValueRoundsAboveZero) {
    const double values[] = {0.5,
                             std::nextafter(0.5, 1.0),
                             0.49999999999999994,
                             1,
                             -3,
                             0,
                             -0.0,
                             1e18,
                             9223372036854774784.0,
                             9223372036854775808.0,
                             1e300,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double value : values) {
        EXPECT_EQ(RoundsAboveZero(value), RoundToInteger(value) > 0) << value;
    }
}

TEST(RoundedInteger, ThirtyTwoBitTargetsTakeTheLowBits) {
    EXPECT_EQ(Low32(5), 5);
    EXPECT_EQ(Low32(-1), -1);
    EXPECT_EQ(Low32(4294967296LL + 5), 5);
    EXPECT_EQ(Low32(2147483648LL), INT32_MIN);
    EXPECT_EQ(Low32(-2147483649LL), INT32_MAX);
    EXPECT_EQ(RoundToInt32(4294967296.5), 0); // 2^32, tie to even, low bits 0
    EXPECT_EQ(RoundToInt32(4294967299.6), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
}

TEST(CVariable, ANewVariableHoldsOneRealZero) {
    CVariable variable("a");
    EXPECT_EQ(variable.Name(), "a");
    EXPECT_EQ(variable.Length(), 1);
    EXPECT_EQ(variable.Get(0), RValue());
}

TEST(CVariable, ReadsOutsideTheArrayGiveTheRealZero) {
    CVariable variable("a");
    variable.Set(0, RValue::String("x"));
    EXPECT_EQ(variable.Get(1), RValue());
    EXPECT_EQ(variable.Get(-1), RValue());
    EXPECT_EQ(variable.Get(31999), RValue());
    EXPECT_EQ(variable.Get(INT64_MAX), RValue());
    EXPECT_EQ(variable.Get(INT64_MIN), RValue());
    EXPECT_EQ(variable.Get(0), RValue::String("x"));
}

TEST(CVariable, WritesGrowTheArrayUpTo32000Elements) {
    CVariable variable("a");
    variable.Set(5, RValue::Real(7));
    EXPECT_EQ(variable.Length(), 6);
    EXPECT_EQ(variable.Get(5), RValue::Real(7));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(variable.Get(i), RValue()) << i;
    }
    variable.Set(2, RValue::String("two"));
    EXPECT_EQ(variable.Length(), 6);
    EXPECT_EQ(variable.Get(2), RValue::String("two"));

    variable.Set(31999, RValue::Real(1));
    EXPECT_EQ(variable.Length(), 32000);
    EXPECT_EQ(variable.Get(31999), RValue::Real(1));

    variable.Set(32000, RValue::Real(2));
    variable.Set(40000, RValue::Real(2));
    variable.Set(-1, RValue::Real(2));
    variable.Set(INT64_MIN, RValue::Real(2));
    EXPECT_EQ(variable.Length(), 32000);
    EXPECT_EQ(variable.Get(0), RValue());
}

// Elements keep both parts whatever their neighbours hold: numbers before and after the first
// string part, a real that carries a string part, a string whose real part is not 0, and
// numbers written over strings. Only reals without a string part are plain numbers.
TEST(CVariable, EveryElementKeepsItsKindAndBothParts) {
    CVariable variable("a");
    variable.SetNumber(3, 1.5);
    variable.Set(1, RValue(kRealValue, 2, "carried"));
    variable.Set(6, RValue(kStringValue, 4, "six"));
    variable.Set(9, RValue::Real(9));
    variable.Set(12, RValue::String(""));
    variable.SetNumber(6, 6);
    variable.Set(14, RValue::String("last"));

    const RValue expected[] = {RValue(),
                               RValue(kRealValue, 2, "carried"),
                               RValue(),
                               RValue::Real(1.5),
                               RValue(),
                               RValue(),
                               RValue::Real(6),
                               RValue(),
                               RValue(),
                               RValue::Real(9),
                               RValue(),
                               RValue(),
                               RValue::String(""),
                               RValue(),
                               RValue::String("last")};
    ASSERT_EQ(variable.Length(), static_cast<std::int64_t>(std::size(expected)));
    for (std::int64_t i = 0; i < variable.Length(); ++i) {
        const RValue& want = expected[i];
        EXPECT_EQ(variable.Get(i), want) << i;
        double number = -1;
        EXPECT_EQ(variable.GetNumber(i, number), want.IsReal() && want.string.empty()) << i;
        EXPECT_EQ(number, want.real) << i;
    }
    double number = -1;
    EXPECT_TRUE(variable.GetNumber(100, number));
    EXPECT_EQ(number, 0);
}

TEST(CVariableList, AVariableThatWasNeverWrittenCannotBeRead) {
    CVariableList list;
    RValue value = RValue::Real(9);
    EXPECT_FALSE(list.GetValue("a", 0, value));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Find("a"), nullptr);
}

TEST(CVariableList, WritingCreatesAndGrowsTheVariable) {
    CVariableList list;
    list.SetValue("a", RValue::Real(5), 5);
    RValue value;
    ASSERT_TRUE(list.GetValue("a", 5, value));
    EXPECT_EQ(value, RValue::Real(5));
    ASSERT_TRUE(list.GetValue("a", 2, value));
    EXPECT_EQ(value, RValue());
    ASSERT_TRUE(list.GetValue("a", 0, value));
    EXPECT_EQ(value, RValue());
    ASSERT_NE(list.Find("a"), nullptr);
    EXPECT_EQ(list.Find("a")->Length(), 6);

    list.SetValue("a", RValue::String("s"), 0);
    ASSERT_TRUE(list.GetValue("a", 0, value));
    EXPECT_EQ(value, RValue::String("s"));
    EXPECT_EQ(list.Count(), 1);
}

TEST(CVariableList, WritesOutsideTheIndexRangeStillCreateTheVariable) {
    CVariableList list;
    list.SetValue("a", RValue::Real(1), 40000);
    list.SetValue("b", RValue::Real(1), -1);
    RValue value = RValue::Real(9);
    ASSERT_TRUE(list.GetValue("a", 0, value));
    EXPECT_EQ(value, RValue());
    ASSERT_TRUE(list.GetValue("a", 40000, value));
    EXPECT_EQ(value, RValue());
    ASSERT_TRUE(list.GetValue("b", -1, value));
    EXPECT_EQ(value, RValue());
    EXPECT_EQ(list.Find("a")->Length(), 1);

    list.SetValue("a", RValue::Real(3), 0);
    ASSERT_TRUE(list.GetValue("a", -1, value));
    EXPECT_EQ(value, RValue());
}

TEST(CVariableList, NamesAreExactAndKeptInCreationOrder) {
    CVariableList list;
    list.SetValue("score", RValue::Real(1), 0);
    list.SetValue("Score", RValue::Real(2), 0);
    list.SetValue("score ", RValue::Real(3), 0);
    list.SetValue("score", RValue::Real(4), 0);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(1).Name(), "score");
    EXPECT_EQ(list.Get(2).Name(), "Score");
    EXPECT_EQ(list.Get(3).Name(), "score ");

    RValue value;
    ASSERT_TRUE(list.GetValue("score", 0, value));
    EXPECT_EQ(value, RValue::Real(4));
    ASSERT_TRUE(list.GetValue("Score", 0, value));
    EXPECT_EQ(value, RValue::Real(2));
    EXPECT_FALSE(list.GetValue("SCORE", 0, value));
    EXPECT_FALSE(list.GetValue("scor", 0, value));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.GetValue("score", 0, value));
}

// Short names are told apart by their keys alone, long ones by their keys and then their text:
// names that share seven bytes, differ only in length or only past the seventh byte, or hold
// bytes above 127 or a zero byte, are all different variables.
TEST(CVariableList, NamesOfEveryLengthAndByteAreToldApart) {
    const std::string names[] = {"",
                                 "a",
                                 std::string("a\0", 2),
                                 "abcdefg",
                                 "abcdefh",
                                 "abcdefgh",
                                 "abcdefgi",
                                 "abcdefghijklmnopqrstuvwxyz_1",
                                 "abcdefghijklmnopqrstuvwxyz_2",
                                 "\xE9t\xE9",
                                 "\xFF\xFF\xFF\xFF\xFF\xFF\xFF",
                                 "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"};
    CVariableList list;
    double number = 1;
    for (const std::string& name : names) {
        list.SetValue(name, RValue::Real(number++), 0);
    }
    ASSERT_EQ(list.Count(), static_cast<int>(std::size(names)));
    number = 1;
    for (const std::string& name : names) {
        const CVariable* found = list.Find(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->Name(), name);
        EXPECT_EQ(found->Get(0), RValue::Real(number++)) << name;
        EXPECT_EQ(list.Find(name, NameKey(name)), found);
    }
    EXPECT_EQ(list.Find("abcdef"), nullptr);
    EXPECT_EQ(list.Find("abcdefghijklmnopqrstuvwxyz_3"), nullptr);
}

// Long lists (globals of a big game) are searched through an index that grows with them: every
// variable is still found, in creation order, across growth and after the list is cleared.
TEST(CVariableList, ThousandsOfVariablesAreFoundAndKeepTheirOrder) {
    CVariableList list;
    const auto nameOf = [](int i) {
        return i % 3 == 0 ? "v" + std::to_string(i) : "a_rather_long_name_" + std::to_string(i);
    };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 3000; ++i) {
            list.SetValue(nameOf(i), RValue::Real(i), 0);
            ASSERT_NE(list.Find(nameOf(i / 2)), nullptr) << i;
        }
        ASSERT_EQ(list.Count(), 3000);
        for (int i = 0; i < 3000; ++i) {
            ASSERT_EQ(list.Get(i + 1).Name(), nameOf(i));
            const CVariable* found = list.Find(nameOf(i));
            ASSERT_NE(found, nullptr) << nameOf(i);
            EXPECT_EQ(found->Get(0), RValue::Real(i));
        }
        EXPECT_EQ(list.Find("v1"), nullptr);
        EXPECT_EQ(list.Find("a_rather_long_name_3"), nullptr);
        EXPECT_EQ(list.Find("v3000"), nullptr);
        list.Clear();
        EXPECT_EQ(list.Find("v0"), nullptr);
    }
}

} // namespace
} // namespace velkaro
