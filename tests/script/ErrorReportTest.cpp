#include "script/ErrorReport.h"

#include "data/ActionClass.h"
#include "data/GameLoader.h"
#include "script/ActionExecution.h"
#include "support/PartsInMemory.h"
#include "support/RecordingDialogs.h"
#include "world/GameState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::RecordingDialogs;

class TestRunControl : public GameRunControl {
public:
    bool IsGameRunning() const override { return running; }
    void StopGameThread() override {
        running = false;
        ++stops;
    }

    bool running = true;
    int stops = 0;
};

// Objects 1 "ball" and 2 "wall"; a Step event of "ball" runs. The game's errors go to the
// report under test.
class ErrorReportTest : public ::testing::Test {
protected:
    ErrorReportTest() {
        data.objects.Add().name = "ball";
        data.objects.Add().name = "wall";
        game.event_name = "Step event";
        game.report_object = 1;
    }

    GameData data;
    RecordingDialogs dialogs;
    TestRunControl control;
    CActionRegistry actions{dialogs};
    test::PartsInMemory parts{data, {.actions = &actions, .errors = &report}};
    GameState& game = parts.state;
    CErrorReport report{game, dialogs, control};
};

TEST(ErrorReportText, NamesTheEventAndTheObjectOnLinesOfTheirOwn) {
    EXPECT_EQ(
        ErrorReportText("in code at line 2 pos 5: Unknown variable", false, "Step event", "ball"),
        "ERROR:\rin Step event of object ball\rin code at line 2 pos 5: Unknown variable");
    EXPECT_EQ(ErrorReportText("Unexisting room number: 7", true, "Creation event", "wall"),
              "FATAL ERROR:\rin Creation event of object wall\rUnexisting room number: 7");
}

TEST_F(ErrorReportTest, IgnoringAnErrorLetsTheGameGoOn) {
    dialogs.errorAnswers = {ErrorAnswer::Ignore};
    report.ReportGameError("Trying to play non-existing sound: 4", false);
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].text,
              "ERROR:\rin Step event of object ball\rTrying to play non-existing sound: 4");
    EXPECT_FALSE(dialogs.errorReports[0].fatal);
    EXPECT_EQ(control.stops, 0);
    EXPECT_TRUE(control.running);
    EXPECT_EQ(report.UnshownCount(), 0);
}

TEST_F(ErrorReportTest, AbortStopsTheGameAndLaterReportsOfTheStepShowNothing) {
    dialogs.errorAnswers = {ErrorAnswer::Abort};
    report.ReportGameError("first", false);
    EXPECT_EQ(control.stops, 1);
    report.ReportGameError("second", false);
    report.ReportGameError("third", true);
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].text, "ERROR:\rin Step event of object ball\rfirst");
    EXPECT_EQ(control.stops, 1);
    // Not shown, but not lost: a test can still see what the rest of the step reported.
    EXPECT_EQ(report.UnshownCount(), 2);
    EXPECT_EQ(report.FirstUnshown(), "ERROR:\rin Step event of object ball\rsecond");
}

TEST_F(ErrorReportTest, AFatalErrorOffersOnlyAbortAndAlwaysStopsTheGame) {
    game.report_object = 2;
    game.event_name = "Creation event";
    report.ReportGameError("Unexisting room number: 7", true);
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].text,
              "FATAL ERROR:\rin Creation event of object wall\rUnexisting room number: 7");
    EXPECT_TRUE(dialogs.errorReports[0].fatal);
    EXPECT_EQ(control.stops, 1);

    // Even a box that answers otherwise cannot keep a fatal error from ending the game.
    class IgnoringDialogs : public RecordingDialogs {
    public:
        ErrorAnswer ShowErrorReport(const std::string&, bool) override {
            return ErrorAnswer::Ignore;
        }
    } ignoring;
    TestRunControl running;
    CErrorReport(game, ignoring, running).ReportGameError("Unexisting room number: 7", true);
    EXPECT_EQ(running.stops, 1);
}

TEST_F(ErrorReportTest, NothingIsShownWhileNoGameRunsButEveryReportIsCounted) {
    control.running = false;
    report.ReportGameError("first", true);
    report.ReportGameError("second", false);
    EXPECT_TRUE(dialogs.errorReports.empty());
    EXPECT_EQ(control.stops, 0);
    EXPECT_EQ(report.UnshownCount(), 2);
    EXPECT_EQ(report.FirstUnshown(), "FATAL ERROR:\rin Step event of object ball\rfirst");
}

TEST_F(ErrorReportTest, BeforeAnyActionListHasRunTheObjectHasNoName) {
    for (const std::int32_t object : {0, 3, -1}) {
        game.report_object = object;
        report.ReportGameError("m", false);
        EXPECT_EQ(dialogs.errorReports.back().text, "ERROR:\rin Step event of object \rm");
    }
    const GameData noObjects;
    GameState empty(noObjects);
    empty.event_name = "Step event";
    empty.report_object = 1;
    CErrorReport(empty, dialogs, control).ReportGameError("m", false);
    EXPECT_EQ(dialogs.errorReports.back().text, "ERROR:\rin Step event of object \rm");
}

bool RunOwnStepEvent(GameParts& parts, CInstance& self, CInstance& other, const CAction&) {
    parts.events.RunEvent(self, other, *self.object_def->FindEventList(kStepEvent, 0));
    return true;
}

TEST_F(ErrorReportTest, EventsRunningThemselvesWithoutEndEndTheGameWithAReport) {
    actions.RegisterAction(1, false, false, RunOwnStepEvent);
    data.objects.Get(2).EventList(kStepEvent, 0)->Add().id = 1;
    CInstance& wall = game.instances.Add(data.objects, 2, 0, 0);

    parts.executor.ExecuteActionList(wall, wall, *data.objects.Get(2).FindEventList(kStepEvent, 0));
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].text,
              std::string("FATAL ERROR:\rin Step event of object wall\r") + kEventsNestedTooDeeply);
    EXPECT_EQ(control.stops, 1);
}

} // namespace
} // namespace velkaro
