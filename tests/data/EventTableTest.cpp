#include "data/GameLoader.h"
#include "data/ObjectClass.h"

#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::RecordingDialogs;
using test::TempDir;
using test::TestGame;
using test::TestObject;

// Asks the event table and FindEventList about every row and every sub-event the format
// allows, plus those just outside, and returns where they disagree; counts the lists found.
struct Comparison {
    std::vector<std::string> disagreements;
    int found = 0;
};

Comparison CompareEverySubEvent(const CObject& object) {
    Comparison result;
    for (int row = -2; row <= kEventRowCount + 1; ++row) {
        for (int sub = -3; sub <= kMaxSubEvent + 3; ++sub) {
            const CActionList* expected = object.FindEventList(row, sub);
            const CActionList* actual = object.Events().Find(row, sub);
            if (expected != actual) {
                result.disagreements.push_back(std::to_string(row) + "/" + std::to_string(sub));
            }
            if (actual != nullptr) {
                ++result.found;
            }
        }
    }
    return result;
}

TEST(EventTable, AnswersWhatTheRowsAnswerForEverySubEvent) {
    CObject object;
    object.EventList(kStepEvent, 0)->Add().id = 1;
    for (int alarm = 0; alarm < 4; alarm += 2) {
        object.EventList(kAlarmEvent, alarm)->Add().id = 2;
    }
    object.EventList(kMouseEvent, 3)->Add().id = 3;
    object.EventList(kOtherEvent, 1); // an empty list still is a list
    object.EventList(kKeyboardEvent, 0)->Add().id = 4;
    object.EventList(kKeyboardEvent, 255)->Add().id = 5;
    object.EventList(kKeyboardEvent, kMaxSubEvent)->Add().id = 6;
    object.EventList(kMeetingEvent, 2)->Add().id = 7;
    object.EventList(kMeetingEvent, 9999)->Add().id = 8; // far beyond any object count
    object.EventList(kDrawingEvent, 0)->Add().id = 9;
    EXPECT_EQ(object.EventList(kKeyboardEvent, kMaxSubEvent + 1), nullptr);

    const Comparison c = CompareEverySubEvent(object);
    EXPECT_TRUE(c.disagreements.empty()) << "first at row/sub " << c.disagreements.front();
    EXPECT_EQ(c.found, 11);
    EXPECT_EQ(object.Events().Find(kKeyboardEvent, kMaxSubEvent)->Get(1).id, 6);
    EXPECT_EQ(object.Events().Find(kMeetingEvent, 9999)->Get(1).id, 8);
    EXPECT_EQ(object.Events().Find(kMeetingEvent, 3), nullptr);
    EXPECT_EQ(object.Events().Size(kMouseEvent), 4) << "a small row stays small";
    EXPECT_EQ(object.Events().Size(kCreationEvent), 0);
}

TEST(EventTable, ForgetsEverythingWhenTheObjectIsCleared) {
    CObject object;
    object.EventList(kKeyboardEvent, 65)->Add();
    object.EventList(kMeetingEvent, 4)->Add();
    object.Clear();
    EXPECT_EQ(object.Events().Find(kKeyboardEvent, 65), nullptr);
    EXPECT_EQ(object.Events().Find(kMeetingEvent, 4), nullptr);
    EXPECT_EQ(object.Events().Size(kKeyboardEvent), 0);

    object.EventList(kMeetingEvent, 1)->Add();
    const Comparison c = CompareEverySubEvent(object);
    EXPECT_TRUE(c.disagreements.empty()) << "first at row/sub " << c.disagreements.front();
    EXPECT_EQ(c.found, 1);
}

TEST(EventTable, IsReadyForEveryObjectOfALoadedGame) {
    TestGame g;
    TestObject player;
    player.events.push_back({kCreationEvent, 0, {{1, -1, 0, {}, 1}}});
    player.events.push_back({kAlarmEvent, 3, {{2, -1, 0, {}, 1}}});
    player.events.push_back({kMouseEvent, 0, {}});
    player.events.push_back({kOtherEvent, 0, {{3, -1, 0, {}, 1}}});
    player.events.push_back({kKeyboardEvent, 37, {{4, -1, 0, {}, 1}}});
    player.events.push_back({kKeyboardEvent, kMaxSubEvent, {{5, -1, 0, {}, 1}}});
    player.events.push_back({kKeyboardEvent, 37, {{6, -1, 0, {}, 1}}}); // the later one counts
    player.events.push_back({kMeetingEvent, 2, {{7, -1, 0, {}, 1}}});
    player.events.push_back({kMeetingEvent, kMaxSubEvent, {{8, -1, 0, {}, 1}}});
    g.objects.push_back(player);
    TestObject wall;
    wall.solid = true;
    wall.events.push_back({kCollisionEvent, 0, {{9, -1, 0, {}, 1}}});
    g.objects.push_back(wall);
    g.objects.push_back({});

    TempDir dir;
    RecordingDialogs dialogs;
    GameData game;
    ASSERT_TRUE(LoadGame(dir.Write("game.qvf", test::WriteTestGame(g)), game, dialogs));
    ASSERT_EQ(game.objects.Count(), 3);
    const int expectedFound[] = {8, 1, 0};
    for (int i = 1; i <= game.objects.Count(); ++i) {
        const Comparison c = CompareEverySubEvent(game.objects.Get(i));
        EXPECT_TRUE(c.disagreements.empty())
            << "object " << i << ", first at row/sub " << c.disagreements.front();
        EXPECT_EQ(c.found, expectedFound[i - 1]) << "object " << i;
    }
    const CEventTable& events = game.objects.Get(1).Events();
    EXPECT_EQ(events.Find(kKeyboardEvent, 37)->Get(1).id, 6);
    EXPECT_EQ(events.Find(kMeetingEvent, kMaxSubEvent)->Get(1).id, 8);
    EXPECT_EQ(events.Find(kMeetingEvent, 1), nullptr) << "no meeting event for itself";
}

} // namespace
} // namespace velkaro
