#include "functions/FunctionTables.h"

#include "data/GameLoader.h"
#include "shell/ScoreUnit.h"
#include "support/GameFileBuilder.h"
#include "support/PartsInMemory.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingGameServices.h"

#include "functions/FunctionCalls.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::Calls;
using test::RecordingShell;

const char* const kTableOrder[] = {"show_image",
                                   "show_video",
                                   "show_text",
                                   "debug_message",
                                   "show_info",
                                   "show_highscore",
                                   "highscore_show",
                                   "highscore_clear",
                                   "highscore_add",
                                   "highscore_value",
                                   "highscore_name",
                                   "highscore_setcolor",
                                   "highscore_setfont",
                                   "show_message",
                                   "show_question",
                                   "get_integer",
                                   "get_string",
                                   "check_key",
                                   "check_mouse_button",
                                   "check_joystick_direction",
                                   "check_joystick_button"};
constexpr int kArgumentCounts[] = {3, 3, 4, 1, 0, 1, 1, 0, 2, 1, 1, 2, 1, 1, 1, 2, 2, 1, 1, 0, 1};

// A shell whose input box fails, as a window that cannot be opened would.
class BrokenInputShell : public RecordingShell {
public:
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override {
        RecordingShell::AskText(prompt, value);
        throw std::runtime_error("no window");
    }
};

// A mouse with every button held.
class AllButtonsShell : public RecordingShell {
public:
    bool MouseButtonDown(std::int32_t button) override {
        calls.push_back("mouse " + std::to_string(button));
        return true;
    }
};

GameServices ServicesOf(RecordingShell& shell) {
    return GameServices{shell, shell, shell, shell, shell, shell, shell, shell};
}

RValue Text(std::string text) {
    return RValue::String(std::move(text));
}

RValue Number(double value) {
    return RValue::Real(value);
}

class InteractionFunctionsTest : public ::testing::Test {
protected:
    InteractionFunctionsTest() {
        data.dataFolder = "/games/maze_data/";
        Use(services);
    }

    // The calls from now on run in a game whose shell services are `s`.
    void Use(const GameServices& s) {
        parts.emplace(data, test::PartChoices{.services = &s});
        context.emplace(parts->Context());
    }

    // The result of a call that must succeed.
    RValue Call(const std::string& name, std::vector<RValue> values) {
        const RValue result = Try(name, std::move(values));
        EXPECT_FALSE(context->Failed()) << name << ": " << context->error;
        return result;
    }

    // The result of a call that may fail; the failure stays in `context`.
    RValue Try(const std::string& name, std::vector<RValue> values) {
        return test::CallByName(registry, *context, self, self, name, values);
    }

    double GetInteger(double value, std::optional<std::string> typed) {
        shell.typed = std::move(typed);
        return Call("get_integer", {Text("Number?"), Number(value)}).real;
    }

    const CFunctionRegistry registry = BuildFunctionRegistry();
    GameData data;
    CInstance self;
    RecordingShell shell;
    GameServices services = ServicesOf(shell);
    std::optional<test::PartsInMemory> parts;
    std::optional<FunctionContext> context;
};

TEST_F(InteractionFunctionsTest, TheTableHoldsItsFunctionsInOrderWithTheirArgumentCounts) {
    const int first = registry.FindFunction("show_image");
    ASSERT_GT(first, 0);
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(registry.FindFunction(kTableOrder[i]), first + i) << kTableOrder[i];
        EXPECT_EQ(registry.GetFunctionArgCount(first + i), kArgumentCounts[i]) << kTableOrder[i];
    }
    // Two names, one handler.
    EXPECT_EQ(registry.Get(registry.FindFunction("show_highscore")).handler,
              registry.Get(registry.FindFunction("highscore_show")).handler);
    EXPECT_NE(registry.Get(registry.FindFunction("show_highscore")).handler,
              registry.Get(registry.FindFunction("highscore_clear")).handler);
}

TEST_F(InteractionFunctionsTest, EveryModalFunctionPausesTheGameAroundItsWindowAndNoOtherDoes) {
    const std::vector<std::pair<std::string, std::vector<RValue>>> modal = {
        {"show_image", {Text("a.bmp"), Number(0), Number(0)}},
        {"show_video", {Text("a.avi"), Number(0), Number(0)}},
        {"show_text", {Text("a.txt"), Number(0), Number(0), Number(0)}},
        {"show_info", {}},
        {"show_highscore", {Number(5)}},
        {"highscore_show", {Number(5)}},
        {"show_message", {Text("hi")}},
        {"show_question", {Text("ok?")}},
        {"get_integer", {Text("n?"), Number(1)}},
        {"get_string", {Text("s?"), Text("")}},
    };
    for (const auto& [name, arguments] : modal) {
        shell.calls.clear();
        Call(name, arguments);
        ASSERT_EQ(shell.calls.size(), 3u) << name;
        EXPECT_EQ(shell.calls.front(), "pause") << name;
        EXPECT_EQ(shell.calls.back(), "resume") << name;
    }
    const std::vector<std::pair<std::string, std::vector<RValue>>> direct = {
        {"debug_message", {Text("x")}},
        {"highscore_clear", {}},
        {"highscore_add", {Text("a"), Number(1)}},
        {"highscore_value", {Number(1)}},
        {"highscore_name", {Number(1)}},
        {"highscore_setcolor", {Number(1), Number(2)}},
        {"highscore_setfont", {Text("Arial")}},
        {"check_key", {Number(1)}},
        {"check_mouse_button", {Number(1)}},
        {"check_joystick_direction", {}},
        {"check_joystick_button", {Number(1)}},
    };
    for (const auto& [name, arguments] : direct) {
        shell.calls.clear();
        Call(name, arguments);
        for (const std::string& call : shell.calls) {
            EXPECT_NE(call, "pause") << name;
        }
    }
}

TEST_F(InteractionFunctionsTest, MessagesAndQuestionsShowHashesAsLineBreaks) {
    Call("show_message", {Text("Line one#Line two")});
    shell.answer = true;
    EXPECT_EQ(Call("show_question", {Text("Again?#Sure?")}), Number(1));
    shell.answer = false;
    EXPECT_EQ(Call("show_question", {Text("Quit?")}), Number(0));
    EXPECT_EQ(shell.calls,
              (Calls{"pause", "message Line one\rLine two", "resume", "pause",
                     "question Again?\rSure?", "resume", "pause", "question Quit?", "resume"}));
}

TEST_F(InteractionFunctionsTest, ScreensGetTheFileInTheDataFolderAndTheirSettings) {
    Call("show_image", {Text("pics\\title.bmp"), Number(0.6), Number(2500)});
    Call("show_video", {Text("intro.avi"), Number(0.4), Number(1)});
    Call("show_text", {Text("Story.rtf"), Number(0), Number(0x1000000 + 0xFF), Number(-1)});
    Call("show_info", {});
    EXPECT_EQ(shell.calls,
              (Calls{"pause", "splash image /games/maze_data/pics\\title.bmp full 2500", "resume",
                     "pause", "splash video /games/maze_data/intro.avi loop", "resume", "pause",
                     "splash text /games/maze_data/Story.rtf 16777471 -1", "resume", "pause",
                     "info", "resume"}));
}

TEST_F(InteractionFunctionsTest, DebugMessagesDoNothingAtAll) {
    EXPECT_EQ(Call("debug_message", {Text("anything#at all")}), RValue());
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(InteractionFunctionsTest, TheHighScoreFunctionsReachTheTable) {
    Call("show_highscore", {Number(2.5)});
    Call("highscore_show", {Number(3.5)});
    Call("highscore_clear", {});
    Call("highscore_add", {Text(" Ann"), Number(120.4)});
    Call("highscore_setcolor", {Number(-1), Number(4294967296.0 + 5)});
    Call("highscore_setfont", {Text("Courier New")});
    EXPECT_EQ(shell.calls, (Calls{"pause", "scores 2", "resume", "pause", "scores 4", "resume",
                                  "clear scores", "add score  Ann 120",
                                  "score colours 4294967295 5", "score font Courier New"}));
    EXPECT_EQ(Call("highscore_value", {Number(3)}), Number(300));
    EXPECT_EQ(Call("highscore_name", {Number(2)}), Text("name2"));
}

TEST_F(InteractionFunctionsTest, PlacesOutsideTheTableReadAsZeroAndTheEmptyName) {
    test::TempDir folder;
    std::filesystem::create_directory(folder.Path() / "maze_data");
    data.files = Files(folder.Path() / "maze_data");
    test::RecordingDialogs dialogs;
    struct NoWindow : ScoreWindow {
        std::string ShowScoreTable(const ScoreTableView&) override { return {}; }
    } window;
    CHighScores table(data, dialogs, window);
    table.LoadScores();
    GameServices withTable{shell, shell, shell, shell, table, shell, shell, shell};
    Use(withTable);

    Call("highscore_add", {Text("zero"), Number(0)});
    EXPECT_EQ(Call("highscore_name", {Number(1)}), Text("<nobody>"));
    Call("highscore_add", {Text("one"), Number(1)});
    EXPECT_EQ(Call("highscore_value", {Number(1)}), Number(1));
    EXPECT_EQ(Call("highscore_name", {Number(1)}), Text("one"));
    EXPECT_EQ(Call("highscore_value", {Number(0)}), Number(0));
    EXPECT_EQ(Call("highscore_value", {Number(11)}), Number(0));
    EXPECT_EQ(Call("highscore_name", {Number(11)}), Text(""));
    EXPECT_EQ(Call("highscore_name", {Number(0)}), Text(""));
}

TEST_F(InteractionFunctionsTest, GetIntegerOffersTheRoundedDefaultAndCancelGivesItBack) {
    EXPECT_EQ(GetInteger(2.5, std::nullopt), 2);
    EXPECT_EQ(GetInteger(-3.5, std::nullopt), -4);
    EXPECT_EQ(GetInteger(7, "12"), 12);
    EXPECT_EQ(shell.calls,
              (Calls{"pause", "input Number? [2]", "resume", "pause", "input Number? [-4]",
                     "resume", "pause", "input Number? [7]", "resume"}));
    shell.calls.clear();
    Call("get_integer", {Text("Your age?#(years)"), Number(30)});
    EXPECT_EQ(shell.calls[1], "input Your age?\r(years) [30]");
}

TEST_F(InteractionFunctionsTest, GetIntegerReadsSignsBlanksDecimalAndHexadecimal) {
    const std::vector<std::pair<std::string, double>> answers = {
        {"  42", 42},
        {"+7", 7},
        {"-17", -17},
        {"007", 7},
        {"$1F", 31},
        {"x1f", 31},
        {"X10", 16},
        {"0x10", 16},
        {"0XfF", 255},
        {"-$10", -16},
        {" -0x10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", -2147483648.0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483648.0},
    };
    for (const auto& [typed, value] : answers) {
        EXPECT_EQ(GetInteger(0, typed), value) << typed;
    }
}

TEST_F(InteractionFunctionsTest, GetIntegerFailsOnATextThatIsNoWholeNumberWithTheGameResumed) {
    for (const std::string typed :
         {"abc", "", " ", "12 ", "1.5", "1e3", "- 5", "+-5", "0x", "$", "$G", "12abc", "2147483648",
          "-2147483649", "$100000000", "\t5"}) {
        shell.calls.clear();
        shell.typed = typed;
        const RValue result = Try("get_integer", {Text("n?"), Number(3)});
        EXPECT_EQ(context->error, "'" + typed + "' is not a valid integer value") << typed;
        EXPECT_EQ(result, RValue()) << typed;
        EXPECT_EQ(shell.calls.back(), "resume") << typed;
    }
}

TEST_F(InteractionFunctionsTest, GetIntegerWithADefaultBeyondRoundingFailsWithoutABox) {
    Try("get_integer", {Text("n?"), Number(1e300)});
    EXPECT_EQ(context->error, "Argument of get_integer is out of range: 1e+300");
    EXPECT_TRUE(shell.calls.empty());
    // A default that rounds but does not fit 32 bits comes back as a text that is no number.
    shell.typed.reset();
    Try("get_integer", {Text("n?"), Number(4294967296.0)});
    EXPECT_EQ(context->error, "'4294967296' is not a valid integer value");
}

TEST_F(InteractionFunctionsTest, AnInputBoxThatFailsStillLetsTheGameGoOn) {
    BrokenInputShell broken;
    GameServices brokenServices = ServicesOf(broken);
    Use(brokenServices);
    EXPECT_THROW(Try("get_integer", {Text("n?"), Number(1)}), std::runtime_error);
    EXPECT_EQ(broken.calls, (Calls{"pause", "input n? [1]", "resume"}));
}

TEST_F(InteractionFunctionsTest, GetStringGivesTheTypedTextOrTheDefault) {
    shell.typed = " typed ";
    EXPECT_EQ(Call("get_string", {Text("Name?#Please"), Text("Bob")}), Text(" typed "));
    shell.typed.reset();
    EXPECT_EQ(Call("get_string", {Text("Name?"), Text("Bob#1")}), Text("Bob#1"));
    EXPECT_EQ(shell.calls, (Calls{"pause", "input Name?\rPlease [Bob]", "resume", "pause",
                                  "input Name? [Bob#1]", "resume"}));
}

TEST_F(InteractionFunctionsTest, KeysAreReadByTheirRoundedCode) {
    shell.keyHeld = 65;
    EXPECT_EQ(Call("check_key", {Number(65)}), Number(1));
    EXPECT_EQ(Call("check_key", {Number(64.6)}), Number(1));
    EXPECT_EQ(Call("check_key", {Number(66)}), Number(0));
}

TEST_F(InteractionFunctionsTest, OnlyMouseButtonsOneToThreeCanBeDown) {
    AllButtonsShell mouse;
    GameServices mouseServices = ServicesOf(mouse);
    Use(mouseServices);
    for (double button : {0.0, 4.0, -1.0, 0.4}) {
        EXPECT_EQ(Call("check_mouse_button", {Number(button)}), Number(0)) << button;
    }
    for (double button : {1.0, 2.0, 3.0}) {
        EXPECT_EQ(Call("check_mouse_button", {Number(button)}), Number(1)) << button;
    }
    EXPECT_EQ(mouse.calls, (Calls{"mouse 1", "mouse 2", "mouse 3"}));
}

TEST_F(InteractionFunctionsTest, TheJoystickDirectionIsTheKeypadKeyOfTheStick) {
    EXPECT_EQ(Call("check_joystick_direction", {}), Number(101)); // no joystick
    const std::vector<std::tuple<std::int32_t, std::int32_t, double>> positions = {
        {0, 0, 103},         {32768, 0, 104},     {65535, 0, 105},     {0, 32768, 100},
        {32768, 32768, 101}, {65535, 32768, 102}, {0, 65535, 97},      {32768, 65535, 98},
        {65535, 65535, 99},  {19999, 19999, 103}, {20000, 20000, 101}, {44000, 44000, 101},
        {44001, 44001, 99},
    };
    for (const auto& [x, y, direction] : positions) {
        shell.joystick = JoystickState{x, y, 0};
        EXPECT_EQ(Call("check_joystick_direction", {}), Number(direction)) << x << " " << y;
    }
}

TEST_F(InteractionFunctionsTest, JoystickButtonsOneToFourAreTheLowBitsOfTheButtonState) {
    EXPECT_EQ(Call("check_joystick_button", {Number(1)}), Number(0)); // no joystick
    shell.joystick = JoystickState{32768, 32768, 0b10101};
    const double expected[] = {0, 1, 0, 1, 0, 0};
    for (int button = 0; button <= 5; ++button) {
        EXPECT_EQ(Call("check_joystick_button", {Number(button)}), Number(expected[button]))
            << button;
    }
    shell.joystick = JoystickState{32768, 32768, 0b1010};
    EXPECT_EQ(Call("check_joystick_button", {Number(2)}), Number(1));
    EXPECT_EQ(Call("check_joystick_button", {Number(4)}), Number(1));
}

} // namespace
} // namespace velkaro
