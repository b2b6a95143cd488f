#include "functions/FunctionTables.h"

#include "data/GameLoader.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velkaro {
namespace {

// Marks self as having run, and echoes what it received: the count as the real part, and the
// string parts of the arguments joined with "|" as the string part.
void Echo(FunctionContext&, CInstance& self, CInstance&, int count,
          const FunctionArguments& arguments, RValue& result) {
    self.image_depth += 1;
    result.kind = kStringValue;
    result.real = count;
    for (int i = 0; i < count; ++i) {
        result.string += (i > 0 ? "|" : "") + arguments[static_cast<std::size_t>(i)].string;
    }
}

// Tells self and other apart: self's x minus other's x.
void SelfMinusOther(FunctionContext&, CInstance& self, CInstance& other, int,
                    const FunctionArguments&, RValue& result) {
    result = RValue::Real(self.x - other.x);
}

// Reports whether the result arrived as the real 0, then leaves it alone.
void Nothing(FunctionContext&, CInstance& self, CInstance&, int, const FunctionArguments&,
             RValue& result) {
    self.image_depth = result == RValue() ? 1 : -1;
}

void Failing(FunctionContext& context, CInstance&, CInstance&, int, const FunctionArguments&,
             RValue& result) {
    result = RValue::Real(5);
    context.Fail("first");
    context.Fail("second");
}

void NotANumber(FunctionContext&, CInstance&, CInstance&, int, const FunctionArguments&,
                RValue& result) {
    result = RValue::Real(std::numeric_limits<double>::quiet_NaN());
}

void Infinite(FunctionContext&, CInstance&, CInstance&, int, const FunctionArguments&,
              RValue& result) {
    result = RValue::Real(-std::numeric_limits<double>::infinity());
}

class FunctionRegistryTest : public ::testing::Test {
protected:
    FunctionRegistryTest() {
        objects.Add();
        self.Setup(objects, 1, 10, 0);
        other.Setup(objects, 1, 3, 0);
        registry.RegisterFunction("echo", Echo, 3);
        registry.RegisterFunction("self_minus_other", SelfMinusOther, 0);
        registry.RegisterFunction("nothing", Nothing, 0);
        registry.RegisterFunction("failing", Failing, 0);
        registry.RegisterFunction("not_a_number", NotANumber, 0);
        registry.RegisterFunction("infinite", Infinite, 0);
        registry.RegisterFunction("echo", Nothing, 0); // never found: the first wins
    }

    bool Call(const std::string& name, int count, RValue& result) {
        return registry.CallFunction(registry.FindFunction(name), context, self, other, count,
                                     arguments, result);
    }

    CObjectList objects;
    CInstance self;
    CInstance other;
    GameData data;
    test::PartsInMemory parts{data};
    FunctionContext context = parts.Context();
    std::array<RValue, kMaxFunctionArguments> arguments;
    CFunctionRegistry registry;
};

TEST_F(FunctionRegistryTest, EntriesAreNumberedFromOneAndFoundByTheirExactName) {
    EXPECT_EQ(registry.Count(), 7);
    EXPECT_EQ(registry.FindFunction("echo"), 1);
    EXPECT_EQ(registry.FindFunction("self_minus_other"), 2);
    EXPECT_EQ(registry.FindFunction("infinite"), 6);
    EXPECT_EQ(registry.Get(2).name, "self_minus_other");
    EXPECT_EQ(registry.Get(2).argumentCount, 0);

    for (const char* missing : {"Echo", "ECHO", "echo ", " echo", "ech", "echoo", ""}) {
        EXPECT_EQ(registry.FindFunction(missing), -1) << missing;
    }
}

TEST_F(FunctionRegistryTest, ArgumentCountsAreKnownOnlyForRegisteredNumbers) {
    EXPECT_EQ(registry.GetFunctionArgCount(1), 3);
    EXPECT_EQ(registry.GetFunctionArgCount(2), 0);
    EXPECT_EQ(registry.GetFunctionArgCount(7), 0);
    for (int index : {0, -1, 8, 1000}) {
        EXPECT_EQ(registry.GetFunctionArgCount(index), -1) << index;
    }
}

TEST_F(FunctionRegistryTest, AFullRegistryDropsFurtherEntries) {
    CFunctionRegistry full;
    for (int i = 1; i <= 1001; ++i) {
        full.RegisterFunction("f" + std::to_string(i), Nothing, 0);
    }
    EXPECT_EQ(full.Count(), 1000);
    EXPECT_EQ(full.FindFunction("f1000"), 1000);
    EXPECT_EQ(full.FindFunction("f1001"), -1);
}

TEST_F(FunctionRegistryTest, RefusedCallsRunNothing) {
    RValue result = RValue::String("untouched");
    EXPECT_FALSE(registry.CallFunction(0, context, self, other, 0, arguments, result));
    EXPECT_FALSE(registry.CallFunction(8, context, self, other, 0, arguments, result));
    EXPECT_FALSE(registry.CallFunction(-1, context, self, other, 3, arguments, result));
    EXPECT_FALSE(Call("echo", 2, result));
    EXPECT_FALSE(Call("echo", 4, result));
    EXPECT_FALSE(Call("nothing", 1, result));
    EXPECT_EQ(self.image_depth, 0);
    EXPECT_EQ(result, RValue::String("untouched"));
}

TEST_F(FunctionRegistryTest, TheHandlerGetsTheArgumentsInOrderAndAFreshResult) {
    arguments[0] = RValue::String("a");
    arguments[1] = RValue::String("b");
    arguments[2] = RValue::String("c");
    arguments[3] = RValue::String("not passed");
    RValue result = RValue::String("stale");
    ASSERT_TRUE(Call("echo", 3, result));
    EXPECT_EQ(result.kind, kStringValue);
    EXPECT_EQ(result.real, 3);
    EXPECT_EQ(result.string, "a|b|c");
    EXPECT_EQ(self.image_depth, 1);
    EXPECT_TRUE(context.error.empty());

    ASSERT_TRUE(Call("self_minus_other", 0, result));
    EXPECT_EQ(result, RValue::Real(7));
}

TEST_F(FunctionRegistryTest, AFunctionWithoutAResultYieldsTheRealZero) {
    RValue result = RValue::String("stale");
    ASSERT_TRUE(Call("nothing", 0, result));
    EXPECT_EQ(self.image_depth, 1); // the handler saw the real 0 arrive
    EXPECT_EQ(result, RValue());
}

TEST_F(FunctionRegistryTest, AFailedCallKeepsItsFirstReasonAndYieldsTheRealZero) {
    RValue result = RValue::String("stale");
    ASSERT_TRUE(Call("failing", 0, result));
    EXPECT_EQ(context.error, "first");
    EXPECT_EQ(result, RValue());

    // The next call starts without the old failure.
    ASSERT_TRUE(Call("self_minus_other", 0, result));
    EXPECT_TRUE(context.error.empty());
    EXPECT_FALSE(context.Failed());
    EXPECT_EQ(result, RValue::Real(7));
}

TEST_F(FunctionRegistryTest, NoNaNOrInfinityLeavesACall) {
    RValue result = RValue::Real(1);
    ASSERT_TRUE(Call("not_a_number", 0, result));
    EXPECT_EQ(result, RValue());
    EXPECT_EQ(context.error, "Function not_a_number gave no valid number (nan).");

    ASSERT_TRUE(Call("infinite", 0, result));
    EXPECT_EQ(result, RValue());
    EXPECT_EQ(context.error, "Function infinite gave no valid number (-inf).");
}

TEST(BuiltinFunctions, TheTablesRegisterInTheirFixedOrder) {
    // All 137 functions: the instance, game and sound table, the math and string table, the
    // drawing table, then the interaction, file and event tables.
    const std::vector<std::pair<std::string, int>> expected = {
        {"set_collision_mode", 1},
        {"align", 0},
        {"is_aligned", 0},
        {"create", 3},
        {"change", 2},
        {"destroy", 1},
        {"change_at", 3},
        {"destroy_at", 2},
        {"move_random", 1},
        {"set_motion", 2},
        {"add_motion", 2},
        {"bounce", 0},
        {"object_at", 3},
        {"nothing_at", 2},
        {"is_free", 2},
        {"is_empty", 2},
        {"is_meeting", 3},
        {"number", 1},
        {"end_game", 0},
        {"goto_room", 1},
        {"set_score", 1},
        {"sleep", 1},
        {"set_gamespeed", 1},
        {"sound", 1},
        {"sound_play", 1},
        {"sound_loop", 1},
        {"sound_stop", 1},
        {"sound_pan", 2},
        {"sound_volume", 2},
        {"sound_frequency", 2},
        // The math and string table.
        {"random", 1},
        {"abs", 1},
        {"round", 1},
        {"floor", 1},
        {"ceil", 1},
        {"sign", 1},
        {"frac", 1},
        {"sqrt", 1},
        {"sqr", 1},
        {"exp", 1},
        {"ln", 1},
        {"log2", 1},
        {"log10", 1},
        {"sin", 1},
        {"cos", 1},
        {"tan", 1},
        {"arcsin", 1},
        {"arccos", 1},
        {"arctan", 1},
        {"degtorad", 1},
        {"radtodeg", 1},
        {"power", 2},
        {"logn", 2},
        {"min", 2},
        {"max", 2},
        {"min3", 3},
        {"max3", 3},
        {"mean", 2},
        {"string", 1},
        {"chr", 1},
        {"ord", 1},
        {"string_length", 1},
        {"string_pos", 2},
        {"string_copy", 3},
        {"string_delete", 3},
        {"string_insert", 3},
        {"string_lower", 1},
        {"string_upper", 1},
        {"string_repeat", 2},
        // The drawing table.
        {"redraw", 0},
        {"fullscreen", 1},
        {"show_cursor", 1},
        {"make_color", 3},
        {"set_brush_color", 1},
        {"set_brush_style", 1},
        {"set_pen_color", 1},
        {"set_pen_size", 1},
        {"set_font_color", 1},
        {"set_font_size", 1},
        {"set_font_angle", 1},
        {"set_font_style", 1},
        {"set_font_align", 1},
        {"set_font_name", 1},
        {"draw_subimage", 4},
        {"draw_image", 3},
        {"draw_line", 4},
        {"draw_text", 3},
        {"draw_circle", 3},
        {"draw_ellipse", 4},
        {"draw_rectangle", 4},
        {"draw_roundrect", 4},
        {"draw_triangle", 6},
        {"draw_button", 5},
        {"string_width", 1},
        {"string_height", 1},
        // The interaction table.
        {"show_image", 3},
        {"show_video", 3},
        {"show_text", 4},
        {"debug_message", 1},
        {"show_info", 0},
        {"show_highscore", 1},
        {"highscore_show", 1},
        {"highscore_clear", 0},
        {"highscore_add", 2},
        {"highscore_value", 1},
        {"highscore_name", 1},
        {"highscore_setcolor", 2},
        {"highscore_setfont", 1},
        {"show_message", 1},
        {"show_question", 1},
        {"get_integer", 2},
        {"get_string", 2},
        {"check_key", 1},
        {"check_mouse_button", 1},
        {"check_joystick_direction", 0},
        {"check_joystick_button", 1},
        // The file table.
        {"file_exists", 1},
        {"file_open_read", 1},
        {"file_open_write", 1},
        {"file_close", 0},
        {"file_read", 0},
        {"file_write", 1},
        {"file_delete", 1},
        {"read", 1},
        {"write", 2},
        {"execute", 3},
        {"shellexecute", 2},
        // The event table.
        {"perform_create_event", 1},
        {"perform_destroy_event", 1},
        {"perform_alarm_event", 2},
        {"perform_step_event", 1},
        {"perform_collision_event", 1},
        {"perform_drawing_event", 1},
        {"perform_mouse_event", 2},
        {"perform_keyboard_event", 2},
        {"perform_meeting_event", 2},
        {"perform_other_event", 2},
    };
    ASSERT_EQ(expected.size(), 137u);
    const CFunctionRegistry& registry = FunctionRegistry();
    ASSERT_EQ(registry.Count(), static_cast<int>(expected.size()));
    for (int i = 1; i <= registry.Count(); ++i) {
        const auto& [name, count] = expected[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(registry.Get(i).name, name) << i;
        EXPECT_EQ(registry.GetFunctionArgCount(i), count) << name;
        EXPECT_EQ(registry.FindFunction(name), i) << name;
    }
    EXPECT_EQ(registry.FindFunction("Random"), -1);
    EXPECT_EQ(registry.FindFunction("random "), -1);
}

} // namespace
} // namespace velkaro
