#include "functions/EventFunctions.h"

#include "functions/FunctionGame.h"
#include "script/ActionExecution.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::Calls;

constexpr std::int32_t kActor = 1; // box 0..9; every event it has logs its tag and x
constexpr std::int32_t kPlain = 2; // no events

// One room; self is an actor at (10, 0), other an actor at (30, 0).
class EventFunctionsTest : public test::FunctionGameTest {
protected:
    EventFunctionsTest() {
        CObject& actor = AddObject("actor", false, 9);
        Log(actor, kCreationEvent, 0, "C");
        Log(actor, kDestroyEvent, 0, "D");
        Log(actor, kAlarmEvent, 3, "A3:");
        Log(actor, kStepEvent, 0, "S");
        Log(actor, kCollisionEvent, 0, "H");
        Log(actor, kDrawingEvent, 0, "W");
        Log(actor, kMouseEvent, 1, "M1:");
        Log(actor, kKeyboardEvent, 128, "K128:");
        Log(actor, kMeetingEvent, 2, "Met2:");
        Log(actor, kOtherEvent, 0, "O0:");
        Log(actor, kOtherEvent, 1, "O1:");
        AddObject("plain", false, 9);
        AddRoom(10, 10, 10);
    }

    static void Log(CObject& object, int row, int sub, const std::string& tag) {
        On(object, row, sub, "global.log += '" + tag + "' + string(x) + ' '");
    }

    void StartWithSelfAndOther() {
        Start();
        self = &Place(kActor, 10, 0);
        other = &Place(kActor, 30, 0);
        shell.calls.clear();
    }

    void Perform(const std::string& name, std::initializer_list<double> numbers) {
        const RValue result = FunctionGameTest::Call(name, numbers, *self, *other);
        EXPECT_EQ(result, RValue()) << name << " has no result";
    }

    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

TEST_F(EventFunctionsTest, EachFunctionRunsItsEventForSelfAndNamesIt) {
    struct Case {
        const char* function;
        std::vector<double> sub;
        const char* log;
        const char* eventName;
    };
    const Case cases[] = {
        {"perform_create_event", {}, "C10 ", "Creation event"},
        {"perform_destroy_event", {}, "D10 ", "Destroy event"},
        {"perform_alarm_event", {3}, "A3:10 ", "Alarm event"},
        {"perform_step_event", {}, "S10 ", "Step event"},
        {"perform_collision_event", {}, "H10 ", "Collision event"},
        {"perform_drawing_event", {}, "W10 ", "Drawing event"},
        {"perform_mouse_event", {1}, "M1:10 ", "Mouse event"},
        {"perform_keyboard_event", {128}, "K128:10 ", "Keyboard event"},
        {"perform_meeting_event", {2}, "Met2:10 ", "Meeting event"},
        {"perform_other_event", {1}, "O1:10 ", "Other event"},
    };
    StartWithSelfAndOther();
    for (const Case& c : cases) {
        State().event_name = "before";
        if (c.sub.empty()) {
            Perform(c.function, {-1});
        } else {
            Perform(c.function, {-1, c.sub[0]});
        }
        EXPECT_EQ(TakeLog(), c.log) << c.function;
        EXPECT_EQ(State().event_name, c.eventName) << c.function;
    }
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(shell.errorReports.empty());
}

TEST_F(EventFunctionsTest, PerformedEventsLeaveTheInstanceAsItWas) {
    StartWithSelfAndOther();
    self->SetAlarm(3, 7);
    Perform("perform_alarm_event", {-1, 3});
    EXPECT_EQ(self->GetAlarm(3), 7) << "the counter is not touched";
    Perform("perform_destroy_event", {-1});
    EXPECT_EQ(TakeLog(), "A3:10 D10 ");
    EXPECT_FALSE(self->deleted) << "destroy's event ran, but self stays in the room";
    EXPECT_EQ(State().instances.Count(), 2);
}

TEST_F(EventFunctionsTest, SubEventsOutsideTheirRangeAreRefusedWithAMessage) {
    StartWithSelfAndOther();
    struct Case {
        const char* function;
        double sub;
        const char* message;
    };
    const Case refused[] = {
        {"perform_alarm_event", 4, "Performing unknown alarm event."},
        {"perform_alarm_event", -1, "Performing unknown alarm event."},
        {"perform_mouse_event", 4, "Performing unknown mouse event."},
        {"perform_keyboard_event", 129, "Performing unknown keyboard event."},
        {"perform_keyboard_event", -1, "Performing unknown keyboard event."},
        {"perform_meeting_event", 0, "Performing unknown meeting event."},
        {"perform_meeting_event", 3, "Performing unknown meeting event."},
        {"perform_other_event", 2, "Performing unknown other event."},
    };
    for (const Case& c : refused) {
        shell.calls.clear();
        Perform(c.function, {-1, c.sub});
        EXPECT_EQ(shell.calls, (Calls{"pause", std::string("message ") + c.message, "resume"}))
            << c.function << " " << c.sub;
    }
    EXPECT_EQ(TakeLog(), "") << "nothing ran";

    shell.calls.clear();
    Perform("perform_keyboard_event", {-1, 128});
    Perform("perform_keyboard_event", {-1, 0}); // accepted; the actor has no such event
    Perform("perform_meeting_event", {-1, 1});
    Perform("perform_alarm_event", {-1, 3.4});
    EXPECT_EQ(shell.calls, Calls{});
    EXPECT_EQ(TakeLog(), "K128:10 A3:10 ");
}

TEST_F(EventFunctionsTest, SelectorsChooseSelfOtherOrEveryLiveInstanceOfAnObject) {
    StartWithSelfAndOther();
    CInstance& third = Place(kActor, 50, 0);
    Place(kPlain, 70, 0);
    Perform("perform_step_event", {-2});
    EXPECT_EQ(TakeLog(), "S30 ");
    Perform("perform_step_event", {kActor});
    EXPECT_EQ(TakeLog(), "S10 S30 S50 ");

    third.MarkDeleted();
    self->MarkDeleted();
    Perform("perform_step_event", {kActor});
    EXPECT_EQ(TakeLog(), "S30 ");
    Perform("perform_step_event", {-1});
    EXPECT_EQ(TakeLog(), "S10 ") << "self runs although it is marked";

    Perform("perform_step_event", {kPlain});
    Perform("perform_step_event", {9});
    EXPECT_EQ(TakeLog(), "");
    EXPECT_TRUE(shell.errorReports.empty());
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(EventFunctionsTest, InstancesCreatedByThePerformedEventsAreNotVisited) {
    On(data.objects.Get(kActor), kCreationEvent, 0,
       "if global.spawn > 0 { global.spawn -= 1; create(x + 100, 0, actor) }");
    StartWithSelfAndOther();
    State().globals.SetValue("spawn", RValue::Real(1), 0);
    Perform("perform_create_event", {kActor});
    // The created instance's own Creation event runs once, inside the first actor's.
    EXPECT_EQ(TakeLog(), "C10 C110 C30 ");
    EXPECT_EQ(State().instances.Count(), 3);
}

TEST_F(EventFunctionsTest, InstancesRemovedByAnEarlierEventOfTheCallAreSkipped) {
    On(data.objects.Get(kActor), kStepEvent, 0, "destroy_at(x + 20, 0)");
    StartWithSelfAndOther();
    Perform("perform_step_event", {kActor});
    EXPECT_EQ(TakeLog(), "S10 D30 ");
    EXPECT_TRUE(other->deleted);
}

// The plain object's step event, so that no other event of the step logs.
TEST_F(EventFunctionsTest, AStepEventPerformingItselfRunsAgainAtOnce) {
    On(data.objects.Get(kPlain), kStepEvent, 0,
       "{ global.log += 'S'; if global.again { global.again = 0; perform_step_event(-1) }; "
       "global.log += 'E' }");
    Start();
    Place(kPlain, 10, 0);
    State().globals.SetValue("again", RValue::Real(1), 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "SSEE");
    EXPECT_TRUE(shell.errorReports.empty());
}

TEST_F(EventFunctionsTest, AStepEventPerformingItselfForEverStopsTheGame) {
    On(data.objects.Get(kPlain), kStepEvent, 0, "perform_step_event(-1)");
    Start();
    Place(kPlain, 10, 0);
    game->RunStep();
    ASSERT_FALSE(shell.errorReports.empty());
    EXPECT_EQ(ErrorMessages().back(), kEventsNestedTooDeeply);
    EXPECT_TRUE(shell.errorReports.back().fatal);
    EXPECT_FALSE(State().game_running) << "a fatal report ends the game";
}

} // namespace
} // namespace velkaro
