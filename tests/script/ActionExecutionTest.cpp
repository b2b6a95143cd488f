#include "script/ActionExecution.h"

#include "data/ActionClass.h"
#include "data/GameLoader.h"
#include "data/ObjectClass.h"
#include "script/ErrorReport.h"
#include "support/PartsInMemory.h"
#include "support/RecordingDialogs.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace velkaro {
namespace {

// Test actions. They write what they did into the global variable "log", one word each.
enum : std::int32_t {
    kRecord = 100,      // logs its label
    kRecordWho = 102,   // with applies-to: logs label:self/other (instances known by their x)
    kAsk = 200,         // question with applies-to: "yes", "no", or a number: no for self.x = it
    kGoto = 300,        // requests room 2
    kReenter = 400,     // runs self's Step event again, from inside the action
    kDestroyRest = 500, // with applies-to: marks the other instances of self's object deleted
    kCreate = 600,      // with applies-to: adds an instance of self's object at x + 1000
};

void Log(GameParts& parts, const std::string& word) {
    RValue log;
    parts.state.globals.GetValue("log", 0, log);
    parts.state.globals.SetValue("log", RValue::String(log.string + word + " "), 0);
}

std::string Number(double value) {
    return std::to_string(static_cast<long>(value));
}

bool Record(GameParts& parts, CInstance&, CInstance&, const CAction& action) {
    Log(parts, action.arguments[0]);
    return true;
}

bool RecordWho(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    Log(parts, action.arguments[0] + ":" + Number(self.x) + "/" + Number(other.x));
    return true;
}

bool Ask(GameParts& parts, CInstance& self, CInstance&, const CAction& action) {
    const std::string& rule = action.arguments[1];
    if (!action.arguments[0].empty()) {
        Log(parts, "?" + action.arguments[0] + ":" + Number(self.x));
    }
    if (rule == "yes" || rule == "no") {
        return rule == "yes";
    }
    return Number(self.x) != rule;
}

bool Goto(GameParts& parts, CInstance&, CInstance&, const CAction& action) {
    Log(parts, action.arguments[0]);
    parts.state.next_room = 2;
    return true;
}

bool Reenter(GameParts& parts, CInstance& self, CInstance& other, const CAction&) {
    RValue calls;
    parts.state.globals.GetValue("calls", 0, calls);
    parts.state.globals.SetValue("calls", RValue::Real(calls.real + 1), 0);
    parts.events.RunEvent(self, other, *self.object_def->FindEventList(kStepEvent, 0));
    return true;
}

bool DestroyRest(GameParts& parts, CInstance& self, CInstance&, const CAction& action) {
    Log(parts, action.arguments[0] + ":" + Number(self.x));
    for (int i = 1; i <= parts.state.instances.Count(); ++i) {
        CInstance& instance = parts.state.instances.Get(i);
        if (&instance != &self && instance.object == self.object) {
            instance.MarkDeleted();
        }
    }
    return true;
}

bool Create(GameParts& parts, CInstance& self, CInstance&, const CAction& action) {
    Log(parts, action.arguments[0] + ":" + Number(self.x));
    parts.state.instances.Add(parts.state.data.objects, self.object, self.x + 1000, 0);
    return true;
}

struct TestAction {
    TestAction(std::int32_t actionId, std::string actionLabel = {},
               std::int32_t actionAppliesTo = kAppliesToSelf, std::string actionRule = {})
        : id(actionId), label(std::move(actionLabel)), appliesTo(actionAppliesTo),
          rule(std::move(actionRule)) {}

    std::int32_t id;
    std::string label;
    std::int32_t appliesTo;
    std::string rule;
};

TestAction Rec(std::string label) {
    return {kRecord, std::move(label)};
}
TestAction Yes() {
    return {kAsk, "", kAppliesToSelf, "yes"};
}
TestAction No() {
    return {kAsk, "", kAppliesToSelf, "no"};
}
const TestAction kElse{kElseAction};
const TestAction kBegin{kBlockStartAction};
const TestAction kEnd{kBlockEndAction};
const TestAction kExit{kExitEventAction};

void Fill(CActionList& list, std::initializer_list<TestAction> actions) {
    list.Clear();
    for (const TestAction& description : actions) {
        CAction& action = list.Add();
        action.id = description.id;
        action.appliesTo = description.appliesTo;
        action.arguments[0] = description.label;
        action.arguments[1] = description.rule;
    }
}

CActionList MakeList(std::initializer_list<TestAction> actions) {
    CActionList list;
    Fill(list, actions);
    return list;
}

class RecordingErrors : public GameErrorSink {
public:
    void ReportGameError(const std::string& message, bool fatal) override {
        messages.push_back(message);
        fatal ? ++fatalCount : ++ignorableCount;
    }

    std::vector<std::string> messages;
    int fatalCount = 0;
    int ignorableCount = 0;
};

// Two objects, "first" (1) and "second" (2). Self is a "first" at x = 1, other a "first" at
// x = 2.
class ActionExecutionTest : public ::testing::Test {
protected:
    ActionExecutionTest() {
        objects.Add().name = "first";
        objects.Add().name = "second";
        registry.RegisterAction(kRecord, false, true, Record);
        registry.RegisterAction(kRecordWho, false, true, RecordWho);
        registry.RegisterAction(kAsk, true, true, Ask);
        registry.RegisterAction(kGoto, false, false, Goto);
        registry.RegisterAction(kReenter, false, true, Reenter);
        registry.RegisterAction(kDestroyRest, false, true, DestroyRest);
        self = &game.instances.Add(objects, 1, 1, 0);
        other = &game.instances.Add(objects, 1, 2, 0);
    }

    std::string Run(std::initializer_list<TestAction> actions) {
        const CActionList list = MakeList(actions);
        executor.ExecuteActionList(*self, *other, list);
        return TakeLog();
    }

    std::string TakeLog() {
        RValue log;
        game.globals.GetValue("log", 0, log);
        game.globals.SetValue("log", RValue::String(""), 0);
        return log.string;
    }

    GameData data;
    CObjectList& objects = data.objects;
    test::RecordingDialogs dialogs;
    CActionRegistry registry{dialogs};
    RecordingErrors errors;
    test::PartsInMemory parts{data, {.actions = &registry, .errors = &errors}};
    GameState& game = parts.state;
    CActionExecutor& executor = parts.executor;
    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

TEST_F(ActionExecutionTest, AQuestionChoosesBetweenTheActionAfterItAndTheOneAfterElse) {
    EXPECT_EQ(Run({No(), Rec("A"), kElse, Rec("B")}), "B ");
    EXPECT_EQ(Run({Yes(), Rec("A"), kElse, Rec("B")}), "A ");
    // Only the one action after each part depends on the question.
    EXPECT_EQ(Run({No(), Rec("A"), Rec("C"), kElse, Rec("B")}), "C B ");
    EXPECT_EQ(Run({Yes(), Rec("A"), kElse, Rec("B"), Rec("C")}), "A C ");
}

TEST_F(ActionExecutionTest, AQuestionGovernsAWholeBlock) {
    EXPECT_EQ(Run({No(), kBegin, Rec("A"), Rec("C"), kEnd, Rec("D")}), "D ");
    EXPECT_EQ(Run({Yes(), kBegin, Rec("A"), Rec("C"), kEnd, Rec("D")}), "A C D ");
    EXPECT_EQ(Run({No(), kBegin, Rec("A"), kEnd, kElse, kBegin, Rec("B"), Rec("C"), kEnd}), "B C ");
    // A block without its end runs to the end of the list.
    EXPECT_EQ(Run({No(), kBegin, Rec("A"), Rec("B")}), "");
    EXPECT_EQ(Run({Yes(), kBegin, Rec("A"), Rec("B")}), "A B ");
}

TEST_F(ActionExecutionTest, BlocksAndQuestionsNest) {
    EXPECT_EQ(
        Run({Yes(), kBegin, Rec("A"), No(), kBegin, Rec("B"), kEnd, Rec("C"), kEnd, Rec("D")}),
        "A C D ");
    EXPECT_EQ(Run({Yes(), kBegin, No(), Rec("A"), kElse, kBegin, Rec("B"), Rec("C"), kEnd, kEnd,
                   Rec("D")}),
              "B C D ");
    // A question's dependant may be a further question with its own dependant.
    EXPECT_EQ(Run({Yes(), Yes(), Rec("A"), Rec("B")}), "A B ");
    EXPECT_EQ(Run({Yes(), No(), Rec("A"), Rec("B")}), "B ");
    EXPECT_EQ(Run({No(), Yes(), Rec("A"), Rec("B")}), "B ");
}

TEST_F(ActionExecutionTest, ElseBelongsToTheNearestQuestionWhoseDependantItFollows) {
    EXPECT_EQ(Run({Yes(), No(), Rec("A"), kElse, Rec("B")}), "B ");
    // Passing over the inner question passes over its dependant only; the else then follows
    // the outer question's dependant.
    EXPECT_EQ(Run({No(), Yes(), Rec("A"), kElse, Rec("B"), Rec("C")}), "B C ");
    // An else that follows no question runs what comes after it.
    EXPECT_EQ(Run({Rec("A"), kElse, Rec("B")}), "A B ");
    // So does a block end outside any block: it does nothing.
    EXPECT_EQ(Run({Rec("A"), kEnd, Rec("B")}), "A B ");
}

TEST_F(ActionExecutionTest, ExitEndsTheWholeListUnlessItIsPassedOver) {
    EXPECT_EQ(Run({Rec("A"), kBegin, Rec("B"), kExit, Rec("C"), kEnd, Rec("D")}), "A B ");
    EXPECT_EQ(Run({No(), kExit, Rec("B")}), "B ");
    EXPECT_EQ(Run({No(), kBegin, kExit, kEnd, Rec("B")}), "B ");
    EXPECT_EQ(Run({Yes(), Rec("A"), kElse, kExit, Rec("B")}), "A B ");
}

TEST_F(ActionExecutionTest, ActionsNoHandlerIsRegisteredForArePassedOver) {
    EXPECT_EQ(Run({Rec("A"), {1500, "x"}, {2001, "x"}, {0, "x"}, {-7, "x"}, Rec("B")}), "A B ");
}

TEST_F(ActionExecutionTest, AppliesToChoosesSelfAndOtherForTheHandler) {
    EXPECT_EQ(Run({{kRecordWho, "self", kAppliesToSelf}, {kRecordWho, "other", kAppliesToOther}}),
              "self:1/2 other:2/1 ");
    // Values that name no object match no instance.
    EXPECT_EQ(Run({{kRecordWho, "none", 0}, {kRecordWho, "none", -3}, {kRecordWho, "none", 9}}),
              "");
}

TEST_F(ActionExecutionTest, AnActionWithoutAppliesToAlwaysRunsForSelfAndOther) {
    registry.RegisterAction(kRecordWho, false, false, RecordWho);
    EXPECT_EQ(Run({{kRecordWho, "a", kAppliesToOther}, {kRecordWho, "b", 2}}), "a:1/2 b:1/2 ");
}

TEST_F(ActionExecutionTest, AnActionForAnObjectRunsOncePerLiveInstanceOfIt) {
    game.instances.Add(objects, 2, 10, 0);
    game.instances.Add(objects, 2, 20, 0).MarkDeleted();
    game.instances.Add(objects, 1, 3, 0);
    game.instances.Add(objects, 2, 30, 0);
    EXPECT_EQ(Run({{kRecordWho, "n", 2}}), "n:10/10 n:30/30 ");
    EXPECT_EQ(Run({{kRecordWho, "n", 1}}), "n:1/1 n:2/2 n:3/3 ");
}

TEST_F(ActionExecutionTest, InstancesRemovedOrAddedWhileAnActionRunsForAnObjectAreNotVisited) {
    game.instances.Add(objects, 2, 10, 0);
    game.instances.Add(objects, 2, 20, 0);
    game.instances.Add(objects, 2, 30, 0);
    registry.RegisterAction(kCreate, false, true, Create);
    // The instance created for 10 comes after the count taken at the start.
    EXPECT_EQ(Run({{kCreate, "new", 2}}), "new:10 new:20 new:30 ");
    EXPECT_EQ(game.instances.Count(), 8);
    EXPECT_EQ(Run({{kDestroyRest, "rest", 2}}), "rest:10 ");
}

TEST_F(ActionExecutionTest, AQuestionForAnObjectIsYesUnlessOneOfItsInstancesSaysNo) {
    // With no instance of the object, the answer is yes.
    EXPECT_EQ(Run({{kAsk, "q", 2, "no"}, Rec("A"), kElse, Rec("B")}), "A ");

    game.instances.Add(objects, 2, 10, 0);
    game.instances.Add(objects, 2, 20, 0);
    game.instances.Add(objects, 2, 30, 0);
    EXPECT_EQ(Run({{kAsk, "q", 2, "99"}, Rec("A"), kElse, Rec("B")}), "?q:10 ?q:20 ?q:30 A ");
    // The first no ends the asking.
    EXPECT_EQ(Run({{kAsk, "q", 2, "20"}, Rec("A"), kElse, Rec("B")}), "?q:10 ?q:20 B ");
}

TEST_F(ActionExecutionTest, NothingMoreRunsOnceARoomChangeIsPending) {
    EXPECT_EQ(Run({Rec("A"), {kGoto, "goto"}, Rec("B"), Yes(), Rec("C")}), "A goto ");
    // Nor in any list run before the change is served, questions included.
    EXPECT_EQ(Run({{kAsk, "q", kAppliesToSelf, "yes"}, Rec("A")}), "");
    game.next_room = -1; // the end of the game
    EXPECT_EQ(Run({Rec("A")}), "");
    game.next_room = 0;
    EXPECT_EQ(Run({Rec("A")}), "A ");
}

TEST_F(ActionExecutionTest, ErrorReportsNameTheObjectOfTheListThatStartedLast) {
    CInstance& second = game.instances.Add(objects, 2, 10, 0);
    const CActionList empty;
    executor.ExecuteActionList(second, second, empty);
    EXPECT_EQ(game.report_object, 0);

    Fill(*objects.Get(2).EventList(kStepEvent, 0), {Rec("inner")});
    const CActionList outer =
        MakeList({Rec("outer"), {kReenter, "", kAppliesToOther}, Rec("after")});
    executor.ExecuteActionList(*self, second, outer);
    EXPECT_EQ(TakeLog(), "outer inner after ");
    // The nested list's object stays after it ends.
    EXPECT_EQ(game.report_object, 2);
    executor.ExecuteActionList(*self, second, MakeList({Rec("again")}));
    EXPECT_EQ(game.report_object, 1);
}

TEST_F(ActionExecutionTest, EventsThatRunThemselvesWithoutEndStopWithAFatalReport) {
    CActionList& step = *objects.Get(1).EventList(kStepEvent, 0);
    // Two re-entering actions a list would run 2^200 lists without the stop.
    Fill(step, {{kReenter}, {kReenter}, Rec("never")});
    executor.ExecuteActionList(*self, *other, step);

    ASSERT_EQ(errors.messages, std::vector<std::string>{kEventsNestedTooDeeply});
    EXPECT_EQ(errors.fatalCount, 1);
    RValue calls;
    game.globals.GetValue("calls", 0, calls);
    EXPECT_EQ(calls.real, CNestingGuard::kMaxEventDepth);
    EXPECT_EQ(TakeLog(), "");

    // The game ends after the step: nothing more runs in it.
    EXPECT_EQ(game.next_room, -1);
    EXPECT_EQ(Run({Rec("A")}), "");
    // The guard itself has let go: once the game goes on (as a new one would), events run.
    game.next_room = 0;
    EXPECT_EQ(Run({Rec("B")}), "B ");
}

TEST_F(ActionExecutionTest, BlocksNestedBeyondTheLimitStopWithAFatalReport) {
    const auto nested = [](int depth) {
        CActionList list;
        for (int i = 0; i < depth; ++i) {
            list.Add().id = kBlockStartAction;
        }
        CAction& inside = list.Add();
        inside.id = kRecord;
        inside.arguments[0] = "inside";
        return list;
    };
    executor.ExecuteActionList(*self, *other, nested(50));
    EXPECT_EQ(TakeLog(), "inside ");
    EXPECT_TRUE(errors.messages.empty());

    // A damaged game file may nest them by the hundred thousand.
    executor.ExecuteActionList(*self, *other, nested(100000));
    EXPECT_EQ(TakeLog(), "");
    EXPECT_EQ(errors.messages, std::vector<std::string>{kEventsNestedTooDeeply});
    EXPECT_EQ(errors.fatalCount, 1);
}

TEST(ActionRegistry, IdsOutsideTheTableAreRefusedWithAMessage) {
    test::RecordingDialogs dialogs;
    CActionRegistry registry(dialogs);
    registry.RegisterAction(0, false, false, Record);
    registry.RegisterAction(2001, false, false, Record);
    registry.RegisterAction(-1, false, false, Record);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>(3, kUndefinedActionMessage));
    EXPECT_EQ(registry.Find(0), nullptr);
    EXPECT_EQ(registry.Find(2001), nullptr);

    registry.RegisterAction(1, true, false, Record);
    registry.RegisterAction(2000, false, true, Ask);
    ASSERT_NE(registry.Find(1), nullptr);
    EXPECT_TRUE(registry.Find(1)->question);
    EXPECT_FALSE(registry.Find(1)->usesAppliesTo);
    ASSERT_NE(registry.Find(2000), nullptr);
    EXPECT_EQ(registry.Find(2000)->handler, &Ask);
    EXPECT_TRUE(registry.Find(2000)->usesAppliesTo);
    EXPECT_EQ(registry.Find(2), nullptr);
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

} // namespace
} // namespace velkaro
