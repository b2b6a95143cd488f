#include "functions/ActionHandlers.h"
#include "script/CodeCompiler.h"

#include "data/GameLoader.h"
#include "functions/FunctionTables.h"
#include "functions/MathFunctions.h"
#include "support/GameInMemory.h"
#include "support/PartsInMemory.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingGameServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

using test::Calls;
using test::RecordingErrors;
using test::RecordingShell;
using test::Reports;

// The drawing unit's part, kept in global variables of the game.
void DrawTextStandIn(GameParts& parts, double x, double y, const std::string& text) {
    parts.state.globals.SetValue(
        "drawn",
        RValue::String(RecordingShell::Number(x) + "," + RecordingShell::Number(y) + ":" + text),
        0);
}

void SetFontStandIn(GameParts& parts, const FontDescription& font) {
    parts.state.globals.SetValue("font",
                                 RValue::String(font.name + " " + std::to_string(font.size) + " " +
                                                std::to_string(font.colour) + " " +
                                                (font.bold ? "b" : "") + (font.italic ? "i" : "") +
                                                (font.underline ? "u" : "") +
                                                (font.strikeOut ? "s" : "")),
                                 0);
}

// One action of a list.
struct Act {
    std::int32_t id;
    std::vector<std::string> args = {};
    std::int32_t relative = 0;
    std::int32_t appliesTo = kAppliesToSelf;
    std::int32_t object = 1;
};

// Appends a letter to the global "log": stands for whatever a question governs.
Act Mark(const std::string& letter) {
    return {811, {"global.log += '" + letter + "'"}};
}

constexpr std::int32_t kBall = 1;   // box 0..15; Creation and Destroy events log into globals
constexpr std::int32_t kWall = 2;   // solid, box 0..31; its Creation event logs too
constexpr std::int32_t kSprite = 3; // three sub-images, no events

CFunctionRegistry MathOnly() {
    CFunctionRegistry functions;
    RegisterMathFunctions(functions);
    return functions;
}

// The real executor, interpreter and room operations over a game of two rooms. Self is a
// ball at (100, 50), other a ball at (300, 50).
class ActionHandlersTest : public ::testing::Test {
protected:
    ActionHandlersTest() {
        shell.soundExists = [](std::int32_t number) { return number <= 3; };
        RegisterActions(registry);
        RegisterDrawingActions<DrawTextStandIn, SetFontStandIn>(registry);

        CObject& ball = AddObject("ball", false, 15);
        Fill(*ball.EventList(kCreationEvent, 0), {{811, {"global.log += 'created'"}}});
        Fill(*ball.EventList(kDestroyEvent, 0), {{811, {"global.log += 'destroyed'"}}});
        CObject& wall = AddObject("wall", true, 31);
        Fill(*wall.EventList(kCreationEvent, 0), {{811, {"global.log += 'wall'"}}});
        CObject& sprite = AddObject("sprite", false, 3);
        for (int i = 0; i < 3; ++i) {
            sprite.image.AddFrame(Bitmap(4, 4));
        }
        data.rooms.Add();
        data.rooms.Add();
        game.room = 1;
        game.collision.Setup(data.objects, false, false);
        game.globals.SetValue("log", RValue::String(""), 0);
        self = &Place(kBall, 100, 50);
        other = &Place(kBall, 300, 50);
    }

    CObject& AddObject(const std::string& name, bool solid, int boxLast) {
        return test::AddObject(data, name, solid, boxLast);
    }

    CInstance& Place(std::int32_t object, double x, double y) {
        return game.instances.Add(data.objects, object, x, y);
    }

    void Fill(CActionList& list, std::initializer_list<Act> actions) {
        list.Clear();
        for (const Act& description : actions) {
            CAction& action = list.Add();
            action.id = description.id;
            action.relative = description.relative;
            action.appliesTo = description.appliesTo;
            action.actionObject = description.object;
            for (std::size_t i = 0; i < description.args.size(); ++i) {
                action.arguments[i] = description.args[i];
            }
            PrepareAction(action, TokenNames{data.objects, data.sounds, functions});
        }
    }

    void Run(std::initializer_list<Act> actions) {
        CActionList list;
        Fill(list, actions);
        executor.ExecuteActionList(*self, *other, list);
    }

    // The letters the marks of a run wrote.
    std::string Log(std::initializer_list<Act> actions) {
        game.globals.SetValue("log", RValue::String(""), 0);
        Run(actions);
        return Global("log").string;
    }

    RValue Global(const std::string& name) {
        RValue value;
        game.globals.GetValue(name, 0, value);
        return value;
    }

    GameData data;
    test::RecordingDialogs dialogs;
    CFunctionRegistry functions = MathOnly();
    CActionRegistry registry{dialogs};
    test::PartsInMemory parts{data, {.functions = &functions, .actions = &registry}};
    GameState& game = parts.state;
    RecordingErrors& errors = parts.errors;
    RecordingShell& shell = parts.shell;
    CActionExecutor& executor = parts.executor;
    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

TEST_F(ActionHandlersTest, EveryActionIsRegisteredAsAQuestionOrNotAndForWhomItRuns) {
    const std::set<int> questions = {701, 702, 703, 704, 711, 712, 713, 721, 751, 801};
    const std::set<int> appliesTo = {101, 102, 103, 104, 105, 106, 111, 112, 121, 122, 131,  201,
                                     311, 312, 313, 321, 701, 703, 704, 801, 811, 821, 1001, 1002};
    const int ids[] = {101, 102, 103, 104, 105, 106, 111, 112, 121, 122, 131,  201,  311, 312,
                       313, 321, 401, 411, 421, 431, 501, 511, 521, 601, 701,  702,  703, 704,
                       711, 712, 713, 721, 751, 801, 811, 821, 901, 902, 1001, 1002, 1003};
    test::RecordingDialogs registrationDialogs;
    CActionRegistry actions(registrationDialogs);
    RegisterActions(actions);
    for (const int id : ids) {
        const RActionEntry* entry = actions.Find(id);
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_EQ(entry->question, questions.count(id) == 1) << id;
        EXPECT_EQ(entry->usesAppliesTo, appliesTo.count(id) == 1) << id;
    }
    EXPECT_TRUE(registrationDialogs.messages.empty());
}

TEST_F(ActionHandlersTest, RandomDirectionPicksOnlyAllowedKeypadDirections) {
    game.random.Seed(12345);
    self->SetHdir(-1);
    self->SetVdir(1);
    Run({{101, {"000000001"}}});
    EXPECT_EQ(self->hdir, 1);
    EXPECT_EQ(self->vdir, -1);
    EXPECT_DOUBLE_EQ(self->direction, 45);

    Run({{101, {"000010000"}}});
    EXPECT_EQ(self->hdir, 0);
    EXPECT_EQ(self->vdir, 0);
    EXPECT_EQ(self->speed, 0);

    // Nothing allowed: no motion change and no draw from the generator.
    self->SetHdir(1);
    const std::uint32_t state = game.random.State();
    Run({{101, {"000000000"}}});
    EXPECT_EQ(self->hdir, 1);
    EXPECT_EQ(self->vdir, 0);
    EXPECT_EQ(game.random.State(), state);
    Run({{101, {""}}});
    EXPECT_EQ(game.random.State(), state);

    // A short grid: the characters it lacks are not allowed. Only key 4, left.
    Run({{101, {"0001"}}});
    EXPECT_EQ(self->hdir, -1);
    EXPECT_EQ(self->vdir, 0);

    // Down-left (1) and up-right (9): over many draws both come up and nothing else.
    std::set<std::pair<double, double>> seen;
    for (int i = 0; i < 60; ++i) {
        Run({{101, {"100000001"}}});
        seen.insert({self->hdir, self->vdir});
    }
    EXPECT_EQ(seen, (std::set<std::pair<double, double>>{{-1, 1}, {1, -1}}));
}

TEST_F(ActionHandlersTest, ReversingFlipsOneComponentAndKeepsTheDirectionInStep) {
    self->SetHdir(1);
    self->SetHspeed(3);
    self->SetVdir(-1);
    self->SetVspeed(4);
    Run({{102}});
    EXPECT_EQ(self->hdir, -1);
    EXPECT_EQ(self->vdir, -1);
    Run({{103}});
    EXPECT_EQ(self->vdir, 1);
    // Left and down now.
    EXPECT_NEAR(self->direction, 180 + std::atan2(4, 3) * 180 / std::numbers::pi, 1e-9);
}

TEST_F(ActionHandlersTest, JumpEvaluatesBothCoordinatesBeforeMovingAndRelativeAddsThePosition) {
    Run({{104, {"10", "20"}}});
    EXPECT_EQ(self->x, 10);
    EXPECT_EQ(self->y, 20);
    EXPECT_EQ(self->box_right, 25);

    // y reads x before x has moved.
    Run({{104, {"x", "x"}, 1}});
    EXPECT_EQ(self->x, 20);
    EXPECT_EQ(self->y, 30);

    // Only relative == 1 is relative.
    Run({{104, {"1", "2"}, 2}});
    EXPECT_EQ(self->x, 1);
    EXPECT_EQ(self->y, 2);

    // Applied to other, the position and the offset are other's.
    Run({{104, {"5", "5"}, 1, kAppliesToOther}});
    EXPECT_EQ(other->x, 305);
    EXPECT_EQ(self->x, 1);
}

TEST_F(ActionHandlersTest, SpeedsGravityAndFrictionSetOrAdd) {
    self->SetHdir(1);
    Run({{111, {"3"}}});
    EXPECT_EQ(self->hspeed, 3);
    EXPECT_EQ(self->speed, 3); // through the setter
    Run({{111, {"2"}, 1}, {112, {"4"}}, {112, {"-1"}, 1}});
    EXPECT_EQ(self->hspeed, 5);
    EXPECT_EQ(self->vspeed, 3);

    Run({{121, {"270", "0.5"}}});
    EXPECT_EQ(self->gravitydir, 270);
    EXPECT_EQ(self->gravity, 0.5);
    // Both are evaluated before either is written.
    Run({{121, {"gravity", "gravitydir"}, 1}});
    EXPECT_EQ(self->gravitydir, 270.5);
    EXPECT_EQ(self->gravity, 270.5);

    Run({{122, {"0.25"}}, {122, {"0.5"}, 1}});
    EXPECT_EQ(self->friction, 0.75);
}

TEST_F(ActionHandlersTest, MotionSetsDirectionAndSpeedOrAddsAVector) {
    Run({{131, {"90", "4"}}});
    EXPECT_EQ(self->hdir, 1);
    EXPECT_EQ(self->vdir, 1);
    EXPECT_NEAR(self->hspeed, 0, 1e-9);
    EXPECT_NEAR(self->vspeed, -4, 1e-9);

    // Up at 4 plus right at 3: up-right at 5.
    Run({{131, {"0", "3"}, 1}});
    EXPECT_NEAR(self->speed, 5, 1e-9);
    EXPECT_NEAR(self->direction, std::atan2(4, 3) * 180 / std::numbers::pi, 1e-9);
    EXPECT_NEAR(self->hspeed, 3, 1e-9);
    EXPECT_NEAR(self->vspeed, -4, 1e-9);
}

TEST_F(ActionHandlersTest, AlarmsAreSetOrCountedOnFromWhereTheyStand) {
    self->SetAlarm(2, 10);
    Run({{201, {"5", "2"}, 1}});
    EXPECT_EQ(self->GetAlarm(2), 15);

    // An alarm that is off starts again from the value.
    self->SetAlarm(2, -1);
    Run({{201, {"5", "2"}, 1}});
    EXPECT_EQ(self->GetAlarm(2), 5);

    // Any non-zero relative mark counts here; both numbers are rounded, halves to even.
    Run({{201, {"2.5", "1.5"}, 3}});
    EXPECT_EQ(self->GetAlarm(2), 7);
    Run({{201, {"30", "2"}}});
    EXPECT_EQ(self->GetAlarm(2), 30);
    // A number that is no alarm sets alarm 0.
    Run({{201, {"9", "7"}}});
    EXPECT_EQ(self->GetAlarm(0), 9);
}

TEST_F(ActionHandlersTest, CreatingAnInstanceRunsItsCreationEvent) {
    EXPECT_EQ(Log({{311, {"10", "-5"}, 1, kAppliesToSelf, kWall}}), "wall");
    ASSERT_EQ(game.instances.Count(), 3);
    const CInstance& wall = game.instances.Get(3);
    EXPECT_EQ(wall.object, kWall);
    EXPECT_EQ(wall.x, 110);
    EXPECT_EQ(wall.y, 45);

    // The object of self.
    EXPECT_EQ(Log({{311, {"0", "0"}, 0, kAppliesToSelf, kSelfObject}}), "created");
    EXPECT_EQ(game.instances.Get(4).object, kBall);

    // An object that does not exist is reported and nothing is made.
    Run({{311, {"0", "0"}, 0, kAppliesToSelf, 9}});
    EXPECT_EQ(game.instances.Count(), 4);
    EXPECT_EQ(errors.reports.size(), 1u);
}

TEST_F(ActionHandlersTest, DestroyingAndChangingSelfRunTheirEvents) {
    EXPECT_EQ(Log({{312}}), "destroyed");
    EXPECT_TRUE(self->deleted);
    EXPECT_FALSE(other->deleted);

    EXPECT_EQ(Log({{313, {}, 0, kAppliesToOther, kWall}}), "destroyedwall");
    EXPECT_EQ(other->object, kWall);
    EXPECT_TRUE(other->solid);
    EXPECT_EQ(other->x, 300);

    // Destroying at a point, relative to self: the wall at 300..331 contains (310, 60).
    CInstance& ball = Place(kBall, 500, 50);
    EXPECT_EQ(Log({{321, {"210", "10"}, 1}}), "");
    EXPECT_TRUE(other->deleted);
    EXPECT_FALSE(ball.deleted);
}

TEST_F(ActionHandlersTest, PlacingAtRandomAndBouncingUseTheRoomOperations) {
    game.cellsize = 32;
    game.room_columns = 2;
    game.room_rows = 1;
    other->SetX(0);
    other->SetY(0);
    Place(kWall, 0, 0);
    Run({{105}});
    EXPECT_EQ(self->x, 32);
    EXPECT_EQ(self->y, 0);

    // Moving right into a solid wall that blocks the horizontal move only.
    CInstance& wall = Place(kWall, 100, 50);
    self->SetX(90);
    self->SetY(50);
    self->SetHdir(1);
    self->SetHspeed(8);
    Run({{106, {}, 0, kAppliesToSelf}});
    EXPECT_EQ(self->hdir, 1); // other is a ball, not solid: nothing happens
    executor.ExecuteActionList(*self, wall, [&] {
        CActionList list;
        Fill(list, {{106}});
        return list;
    }());
    EXPECT_EQ(self->hdir, -1);
}

TEST_F(ActionHandlersTest, SoundsAreNumbersAsWrittenAndMissingOnesAreReported) {
    Run({{401, {"3"}}, {401, {"0"}}});
    EXPECT_EQ(shell.calls, (Calls{"sound 3 2", "sound 0 2"}));
    EXPECT_TRUE(errors.reports.empty());

    Run({{401, {"7"}}});
    EXPECT_EQ(errors.reports, (Reports{{"Trying to play non-existing sound: 7", false}}));

    // Not evaluated: an expression is no sound number; nothing plays, and it is reported as a
    // sound that does not exist.
    shell.calls.clear();
    errors.reports.clear();
    Run({{401, {"1+1"}}, {401, {"x"}}, {401, {""}}});
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(errors.reports, (Reports{{"Trying to play non-existing sound: 1+1", false},
                                       {"Trying to play non-existing sound: x", false},
                                       {"Trying to play non-existing sound: ", false}}));
}

TEST_F(ActionHandlersTest, MessagesShowTextAsTypedOrTheValueOfAQuotedExpression) {
    Run({{411, {"Hello#world"}}});
    Run({{411, {"'Score: ' + string(3) + '#'"}}});
    Run({{411, {"\"a\" + \"b\""}}});
    Run({{411, {"1 + 1"}}});
    EXPECT_EQ(shell.calls, (Calls{"pause", "message Hello\rworld", "resume", "pause",
                                  "message Score: 3\r", "resume", "pause", "message ab", "resume",
                                  "pause", "message 1 + 1", "resume"}));
}

TEST_F(ActionHandlersTest, ScoreAndHighscores) {
    Run({{421, {"2.5"}}});
    EXPECT_EQ(game.score, 2);
    Run({{421, {"10"}, 1}, {431}});
    EXPECT_EQ(game.score, 12);
    EXPECT_EQ(shell.calls, (Calls{"pause", "scores 12", "resume"}));
}

TEST_F(ActionHandlersTest, GoingToARoomOrEndingTheGameStopsTheRestOfTheList) {
    EXPECT_EQ(Log({{501, {"1"}, 1}, Mark("A")}), "");
    EXPECT_EQ(game.next_room, 2);
    EXPECT_TRUE(self->deleted && other->deleted);

    game.next_room = 0;
    EXPECT_EQ(Log({{511}, Mark("A")}), "");
    EXPECT_EQ(game.next_room, -1);

    game.next_room = 0;
    Run({{501, {"3"}}});
    EXPECT_EQ(game.next_room, -1);
    EXPECT_EQ(errors.reports, (Reports{{"Unexisting room number: 3", true}}));
}

TEST_F(ActionHandlersTest, SleepDrawsTheFrameFirst) {
    Run({{521, {"20.5"}}});
    EXPECT_EQ(shell.calls, (Calls{"frame", "sleep 20"}));
}

TEST_F(ActionHandlersTest, ExitElseAndBlocksKeepTheirMeaning) {
    EXPECT_EQ(Log({{901}, Mark("A"), {601}, Mark("B"), {902}, Mark("C")}), "A");
    EXPECT_EQ(Log({{801, {"0"}}, Mark("A"), {751}, Mark("B")}), "B");
}

TEST_F(ActionHandlersTest, PlaceQuestionsGovernTheNextAction) {
    Place(kWall, 130, 50); // 130..161
    EXPECT_EQ(Log({{701, {"100", "50"}}, Mark("A"), {704, {"100", "50"}}, Mark("B")}), "A");
    // Relative: 100 + 20 overlaps the wall.
    EXPECT_EQ(Log({{701, {"20", "0"}, 1}, Mark("A"), {704, {"20", "0"}, 1}, Mark("B")}), "B");
    // Meeting walls, then balls: self itself does not count, other at 300 does.
    EXPECT_EQ(Log({{703, {"20", "0"}, 1, kAppliesToSelf, kWall}, Mark("A")}), "A");
    EXPECT_EQ(Log({{703, {"0", "0"}, 1, kAppliesToSelf, kWall}, Mark("A")}), "");
    EXPECT_EQ(Log({{703, {"300", "50"}, 0, kAppliesToSelf, kBall}, Mark("A")}), "A");
    // Self's position is restored after each test.
    EXPECT_EQ(self->x, 100);
    EXPECT_EQ(self->box_left, 100);
}

TEST_F(ActionHandlersTest, CountingInstances) {
    EXPECT_EQ(Log({{702, {"2"}, 0, kAppliesToSelf, kBall}, Mark("A")}), "A");
    EXPECT_EQ(Log({{702, {"1"}, 0, kAppliesToSelf, kBall}, Mark("A")}), "");
    EXPECT_EQ(Log({{702, {"0"}, 0, kAppliesToSelf, kWall}, Mark("A")}), "A");
    other->MarkDeleted();
    EXPECT_EQ(Log({{702, {"1"}, 0, kAppliesToSelf, kSelfObject}, Mark("A")}), "A");
}

TEST_F(ActionHandlersTest, MouseButtonQuestions) {
    const std::string expected[] = {"N", "L", "R", ""};
    for (std::int32_t button = 0; button <= 3; ++button) {
        game.mousebutton = button;
        EXPECT_EQ(Log({{711}, Mark("L"), {712}, Mark("R"), {713}, Mark("N")}), expected[button]);
    }
}

TEST_F(ActionHandlersTest, AskingTheUserAnswersWithTheirChoice) {
    shell.answer = true;
    EXPECT_EQ(Log({{721, {"Again?#Sure"}}, Mark("Y"), {751}, Mark("N")}), "Y");
    shell.answer = false;
    EXPECT_EQ(Log({{721, {"'Q' + string(2)"}}, Mark("Y"), {751}, Mark("N")}), "N");
    EXPECT_EQ(shell.calls, (Calls{"pause", "question Again?\rSure", "resume", "pause",
                                  "question Q2", "resume"}));
}

TEST_F(ActionHandlersTest, ExpressionQuestionIsTrueFromOneRoundedUp) {
    struct Case {
        const char* expression;
        bool answer;
    };
    const Case cases[] = {{"1", true},  {"0.5", false}, {"0.6", true},    {"1.5", true},
                          {"0", false}, {"-3", false},  {"x > 50", true}, {"'a'", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(Log({{801, {c.expression}}, Mark("A")}), c.answer ? "A" : "") << c.expression;
    }
}

TEST_F(ActionHandlersTest, CodeRunsFromTheFirstOrTheThirdArgument) {
    EXPECT_EQ(Log({{811, {"{ global.log += 'one'; x = 7 }", "global.log += 'two'"}}}), "one");
    EXPECT_EQ(self->x, 7);
    EXPECT_EQ(Log({{821, {"global.log += '1'", "global.log += '2'", "global.log += '3'"}}}), "3");
    // Applied to other, code sees other as self.
    Run({{811, {"x = other.x + 1"}, 0, kAppliesToOther}});
    EXPECT_EQ(other->x, 8);
}

TEST_F(ActionHandlersTest, DrawingActions) {
    CInstance& sprite = Place(kSprite, 0, 0);
    sprite.image_index = 4;
    executor.ExecuteActionList(sprite, sprite, [&] {
        CActionList list;
        Fill(list, {{1001, {"10", "20"}, 1, kAppliesToSelf, kSelfObject}});
        return list;
    }());
    EXPECT_EQ(shell.calls, (Calls{"image 3 1 1 10 20"}));

    Run({{1002, {"5", "y", "Lives: #3"}, 1}});
    EXPECT_EQ(Global("drawn").string, "105,100:Lives: #3");
    Run({{1002, {"1", "2", "'n=' + string(x)"}}});
    EXPECT_EQ(Global("drawn").string, "1,2:n=100");

    Run({{1003, {"Arial#12#255#1011"}}});
    EXPECT_EQ(Global("font").string, "Arial 12 255 bus");
}

} // namespace
} // namespace velkaro
