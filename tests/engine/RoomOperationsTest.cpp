#include "engine/RoomOperations.h"

#include "data/GameLoader.h"
#include "script/NestingGuard.h"
#include "support/PartsInMemory.h"
#include "support/RecordingGameServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

// Every event run, with what the game looked like when it started. Each takes a level of a
// nesting guard of its own, as the action executor's events do.
struct EventRun {
    std::string eventName;
    CInstance* self;
    CInstance* other;
    int object; // self's object at the time
    bool deleted;
};

class RecordingEventRunner : public EventRunner {
public:
    void Attach(GameState& state, GameErrorSink& errors) {
        game = &state;
        guard.emplace(state, errors);
    }

    void RunEvent(CInstance& self, CInstance& other, const CActionList& list) override {
        EXPECT_GT(list.Count(), 0);
        const CNestingGuard::Scope level(*guard, CNestingGuard::Level::Event);
        if (!level.Entered()) {
            return;
        }
        runs.push_back({game->event_name, &self, &other, self.object, self.deleted});
        if (during) {
            during(self);
        }
    }

    bool GivingUp() const override { return guard->GivingUp(); }

    GameState* game = nullptr;
    std::optional<CNestingGuard> guard;
    std::vector<EventRun> runs;
    // Stands for the actions of the event.
    std::function<void(CInstance&)> during;
};

using test::Calls;
using test::RecordingErrors;
using test::RecordingShell;

constexpr std::int32_t kBall = 1;   // Creation and Destroy events
constexpr std::int32_t kWall = 2;   // solid, Creation and Destroy events, a box of 0..31
constexpr std::int32_t kPlain = 3;  // no events
constexpr std::int32_t kSprite = 4; // three sub-images, no events
constexpr std::int32_t kObjectCount = 4;

class RoomOperationsTest : public ::testing::Test {
protected:
    RoomOperationsTest() {
        AddObject("ball", false, 15, true);
        AddObject("wall", true, 31, true);
        AddObject("plain", false, 15, false);
        CObject& sprite = AddObject("sprite", false, 3, false);
        for (int i = 0; i < 3; ++i) {
            sprite.image.AddFrame(Bitmap(4, 4));
        }
        data.rooms.Add();
        data.rooms.Add();
        game.collision.Setup(data.objects, false, false);
        runner.Attach(game, errors);
    }

    CObject& AddObject(const std::string& name, bool solid, int boxLast, bool events) {
        CObject& object = data.objects.Add();
        object.name = name;
        object.solid = solid;
        object.bbRight = boxLast;
        object.bbBottom = boxLast;
        if (events) {
            object.EventList(kCreationEvent, 0)->Add();
            object.EventList(kDestroyEvent, 0)->Add();
        }
        return object;
    }

    CInstance& Place(int object, double x, double y) {
        return game.instances.Add(data.objects, object, x, y);
    }

    std::vector<int> ObjectsInList() {
        std::vector<int> objects;
        for (int i = 1; i <= game.instances.Count(); ++i) {
            objects.push_back(game.instances.Get(i).object);
        }
        return objects;
    }

    GameData data;
    RecordingEventRunner runner;
    test::PartsInMemory parts{data, {.events = &runner}};
    GameState& game = parts.state;
    RecordingErrors& errors = parts.errors;
    RecordingShell& shell = parts.shell;
    RoomOperations& operations = parts.rooms;
    ShellOperations& shellOperations = parts.shellOperations;
};

using Reports = std::vector<std::pair<std::string, bool>>;

TEST_F(RoomOperationsTest, GoingToARoomEndsThisOneAndOnlyExistingRoomsAreReached) {
    struct Case {
        std::int32_t room;
        std::int32_t next;
        bool error;
    };
    const Case cases[] = {
        {1, 1, false}, {2, 2, false},  {-1, -1, false},  {3, -1, true},
        {0, -1, true}, {-2, -1, true}, {-100, -1, true}, {2147483647, -1, true},
    };
    for (const Case& c : cases) {
        game.instances.Clear();
        errors.reports.clear();
        game.next_room = 0;
        Place(kBall, 0, 0);
        Place(kWall, 0, 0);
        operations.GotoRoom(c.room);
        EXPECT_EQ(game.next_room, c.next) << c.room;
        EXPECT_TRUE(game.instances.Get(1).deleted && game.instances.Get(2).deleted) << c.room;
        const Reports expected{{"Unexisting room number: " + std::to_string(c.room), true}};
        EXPECT_EQ(errors.reports, c.error ? expected : Reports{}) << c.room;
    }
    EXPECT_TRUE(runner.runs.empty());

    const GameData noRooms;
    test::PartsInMemory empty{noRooms};
    empty.rooms.GotoRoom(1);
    EXPECT_EQ(empty.state.next_room, -1);
    EXPECT_EQ(empty.errors.reports, (Reports{{"Unexisting room number: 1", true}}));
}

TEST_F(RoomOperationsTest, FinishingTheGameAndTheScore) {
    Place(kBall, 0, 0);
    Place(kPlain, 0, 0);
    operations.SetScore(-40);
    EXPECT_EQ(game.score, -40);
    operations.FinishGame();
    EXPECT_EQ(game.next_room, -1);
    EXPECT_TRUE(game.instances.Get(1).deleted && game.instances.Get(2).deleted);
    EXPECT_TRUE(runner.runs.empty()); // no Destroy events
}

TEST_F(RoomOperationsTest, CreatingAnInstanceAppendsItAndRunsItsCreationEvent) {
    CInstance& self = Place(kPlain, 0, 0);
    CInstance& other = Place(kWall, 0, 0);

    CInstance* ball = operations.CreateInstance(self, other, kBall, 12.5, -3);
    ASSERT_NE(ball, nullptr);
    EXPECT_EQ(&game.instances.Get(3), ball);
    EXPECT_EQ(ball->x, 12.5);
    EXPECT_EQ(ball->y, -3);
    EXPECT_EQ(game.event_name, "Creation event");
    ASSERT_EQ(runner.runs.size(), 1u);
    EXPECT_EQ(runner.runs[0].eventName, "Creation event");
    EXPECT_EQ(runner.runs[0].self, ball);
    EXPECT_EQ(runner.runs[0].other, ball);

    // Designators name self's and other's objects; an object without a Creation event is
    // created all the same.
    EXPECT_EQ(operations.CreateInstance(self, other, kSelfObject, 0, 0)->object, kPlain);
    EXPECT_EQ(operations.CreateInstance(self, other, kOtherObject, 0, 0)->object, kWall);
    EXPECT_EQ(ObjectsInList(), (std::vector<int>{kPlain, kWall, kBall, kPlain, kWall}));
    EXPECT_EQ(runner.runs.size(), 2u);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(RoomOperationsTest, AnObjectThatDoesNotExistIsReportedAndNothingElseHappens) {
    CInstance& self = Place(kBall, 0, 0);
    self.image_counter = 1;
    for (std::int32_t object : {0, kObjectCount + 1, -3, 1000}) {
        errors.reports.clear();
        const std::string number = std::to_string(object);
        EXPECT_EQ(operations.CreateInstance(self, self, object, 0, 0), nullptr);
        operations.ChangeInstance(self, object);
        operations.Change(self, self, kSelfObject, object);
        operations.ChangeAt(self, self, object, 1, 1);
        shellOperations.DrawObjectAt(self, self, object, 0, 0);
        EXPECT_EQ(
            errors.reports,
            (Reports{{"Trying to create an instance of non-existing object: " + number, false},
                     {"Trying to change an instance into non-existing object: " + number, false},
                     {"Trying to change an instance into non-existing object: " + number, false},
                     {"Trying to change an instance into non-existing object: " + number, false},
                     {"Trying to draw the image of non-existing object: " + number, false}}));
    }
    EXPECT_EQ(game.instances.Count(), 1);
    EXPECT_EQ(self.object, kBall);
    EXPECT_EQ(self.image_counter, 1);
    EXPECT_TRUE(runner.runs.empty());
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(game.next_room, 0); // not fatal

    // Changing every instance of an object into one that does not exist is reported once.
    Place(kBall, 0, 0);
    errors.reports.clear();
    operations.Change(self, self, kBall, 77);
    EXPECT_EQ(errors.reports.size(), 1u);
}

TEST_F(RoomOperationsTest, DestroyingRunsTheDestroyEventThenMarksTheInstance) {
    CInstance& ball = Place(kBall, 0, 0);
    operations.DestroyInstance(ball);
    EXPECT_TRUE(ball.deleted);
    EXPECT_EQ(game.event_name, "Destroy event");
    ASSERT_EQ(runner.runs.size(), 1u);
    EXPECT_EQ(runner.runs[0].eventName, "Destroy event");
    EXPECT_EQ(runner.runs[0].self, &ball);
    EXPECT_EQ(runner.runs[0].other, &ball);
    EXPECT_FALSE(runner.runs[0].deleted); // marked only after its event

    // Named again, a marked instance is destroyed again.
    operations.Destroy(ball, ball, kSelfObject);
    EXPECT_EQ(runner.runs.size(), 2u);
    EXPECT_TRUE(runner.runs[1].deleted);
    EXPECT_EQ(game.instances.Count(), 1); // stays until the step ends
}

TEST_F(RoomOperationsTest, WhoSelectsSelfOtherOrEveryLiveInstanceOfAnObject) {
    CInstance& first = Place(kBall, 0, 0);
    CInstance& wall = Place(kWall, 0, 0);
    CInstance& marked = Place(kBall, 0, 0);
    CInstance& last = Place(kBall, 0, 0);
    marked.MarkDeleted();

    operations.Destroy(first, wall, kOtherObject);
    ASSERT_EQ(runner.runs.size(), 1u);
    EXPECT_EQ(runner.runs[0].self, &wall);

    runner.runs.clear();
    operations.Destroy(wall, wall, kBall);
    ASSERT_EQ(runner.runs.size(), 2u);
    EXPECT_EQ(runner.runs[0].self, &first);
    EXPECT_EQ(runner.runs[1].self, &last);

    // Designators that name no instance do nothing.
    runner.runs.clear();
    for (std::int32_t who : {0, -3, kPlain, 99}) {
        operations.Destroy(wall, wall, who);
        operations.Change(wall, wall, who, kPlain);
        operations.MoveRandom(wall, wall, who);
    }
    EXPECT_TRUE(runner.runs.empty());
}

TEST_F(RoomOperationsTest, LoopsVisitOnlyTheInstancesThereWereAndSkipThoseMarkedMeanwhile) {
    CInstance& a = Place(kBall, 0, 0);
    CInstance& b = Place(kBall, 0, 0);
    CInstance& c = Place(kBall, 0, 0);
    // a's Destroy event destroys c and creates another ball, at the same point.
    runner.during = [&](CInstance& self) {
        if (&self == &a && game.event_name == "Destroy event") {
            operations.DestroyInstance(c);
            operations.CreateInstance(a, a, kBall, 0, 0);
        }
    };
    operations.Destroy(a, a, kBall);
    std::vector<CInstance*> destroyed;
    for (const EventRun& run : runner.runs) {
        if (run.eventName == "Destroy event") {
            destroyed.push_back(run.self);
        }
    }
    EXPECT_EQ(destroyed, (std::vector<CInstance*>{&a, &c, &b}));
    EXPECT_FALSE(game.instances.Get(4).deleted);

    // The same for the point forms.
    runner.runs.clear();
    game.instances.Clear();
    CInstance& d = Place(kBall, 0, 0);
    CInstance& e = Place(kBall, 0, 0);
    runner.during = [&](CInstance& self) {
        if (&self == &d && game.event_name == "Destroy event") {
            operations.DestroyInstance(e);
            operations.CreateInstance(d, d, kBall, 0, 0);
        }
    };
    operations.DestroyAt(5, 5);
    EXPECT_TRUE(d.deleted && e.deleted);
    EXPECT_FALSE(game.instances.Get(3).deleted);
    EXPECT_EQ(runner.runs.size(), 3u); // d, e (by d's event), the new ball's Creation
}

TEST_F(RoomOperationsTest, ChangingKeepsTheInstanceButTakesTheNewObjectsFlagsBoxAndEvents) {
    Place(kPlain, 0, 0);
    CInstance& ball = Place(kBall, 100, 50);
    Place(kPlain, 0, 0);
    ball.SetImageScale(2);
    ball.SetDirection(90);
    ball.SetSpeed(3);
    ball.SetAlarm(2, 7);
    ball.visible = false;
    ball.image_index = 1;
    ball.image_speed = 0.5;
    ball.image_counter = 4.5;
    ball.image_depth = 3;
    ball.collision_mode = 1;
    ball.locals.SetValue("hits", RValue::Real(4), 0);

    operations.ChangeInstance(ball, kWall);

    ASSERT_EQ(runner.runs.size(), 2u);
    EXPECT_EQ(runner.runs[0].eventName, "Destroy event");
    EXPECT_EQ(runner.runs[0].object, kBall);
    EXPECT_EQ(runner.runs[1].eventName, "Creation event");
    EXPECT_EQ(runner.runs[1].object, kWall);
    EXPECT_EQ(runner.runs[1].self, &ball);
    EXPECT_FALSE(ball.deleted);

    EXPECT_EQ(ObjectsInList(), (std::vector<int>{kPlain, kWall, kPlain}));
    EXPECT_TRUE(ball.solid);
    EXPECT_EQ(ball.object_def, &data.objects.Get(kWall));
    EXPECT_EQ(ball.bb_r, 31);
    EXPECT_EQ(ball.box_right, 162); // 100 + 2 * 31: the kept scale applies to the new box
    EXPECT_EQ(ball.box_bottom, 112);
    EXPECT_EQ(ball.image_counter, 0);

    EXPECT_EQ(ball.x, 100);
    EXPECT_EQ(ball.y, 50);
    EXPECT_EQ(ball.direction, 90);
    EXPECT_EQ(ball.speed, 3);
    EXPECT_EQ(ball.GetAlarm(2), 7);
    EXPECT_FALSE(ball.visible);
    EXPECT_EQ(ball.image_index, 1);
    EXPECT_EQ(ball.image_speed, 0.5);
    EXPECT_EQ(ball.image_scale, 2);
    EXPECT_EQ(ball.image_depth, 3);
    EXPECT_EQ(ball.collision_mode, 1);
    RValue hits;
    ASSERT_TRUE(ball.locals.GetValue("hits", 0, hits));
    EXPECT_EQ(hits.real, 4);
}

TEST_F(RoomOperationsTest, ChangeResolvesTheObjectAndChangeAtChangesWhatIsAtThePoint) {
    CInstance& self = Place(kBall, 0, 0);
    CInstance& other = Place(kWall, 100, 0);
    CInstance& plain = Place(kPlain, 100, 0);
    Place(kPlain, 300, 0);

    operations.Change(self, other, kPlain, kOtherObject);
    EXPECT_EQ(ObjectsInList(), (std::vector<int>{kBall, kWall, kWall, kWall}));
    EXPECT_EQ(runner.runs.size(), 2u); // two Creation events; plain has no Destroy event

    runner.runs.clear();
    operations.ChangeAt(self, other, kSelfObject, 110, 10);
    EXPECT_EQ(ObjectsInList(), (std::vector<int>{kBall, kBall, kBall, kWall}));
    ASSERT_EQ(runner.runs.size(), 4u);
    EXPECT_EQ(runner.runs[0].self, &other);
    EXPECT_EQ(runner.runs[2].self, &plain);

    // A marked instance at the point is left alone.
    runner.runs.clear();
    plain.MarkDeleted();
    operations.ChangeAt(self, other, kWall, 110, 10);
    EXPECT_EQ(ObjectsInList(), (std::vector<int>{kBall, kWall, kBall, kWall}));
}

TEST_F(RoomOperationsTest, QuestionsPlaceSelfForTheTestAndPutItBack) {
    CInstance& self = Place(kBall, 0, 0);
    Place(kWall, 100, 0);  // solid, 100..131
    Place(kPlain, 0, 100); // not solid, 0..15 x 100..115
    Place(kPlain, 200, 0).MarkDeleted();
    self.SetImageScale(0.5); // box 0..8 (7.5 rounds to 8)

    struct Case {
        double x, y;
        bool free, empty, meetsWall, meetsPlain;
    };
    const Case cases[] = {
        {50, 50, true, true, false, false},  {92, 0, false, false, true, false},
        {91, 0, true, true, false, false},   {132, 0, true, true, false, false},
        {131, 0, false, false, true, false}, {0, 92, true, false, false, true},
        {200, 0, true, true, false, false}, // only a marked instance there
        {0, 0, true, true, false, false},   // self's own place
    };
    for (const Case& c : cases) {
        EXPECT_EQ(operations.IsFree(self, c.x, c.y), c.free) << c.x << "," << c.y;
        EXPECT_EQ(operations.IsEmpty(self, c.x, c.y), c.empty) << c.x << "," << c.y;
        EXPECT_EQ(operations.IsMeeting(self, self, kWall, c.x, c.y), c.meetsWall)
            << c.x << "," << c.y;
        EXPECT_EQ(operations.IsMeeting(self, self, kPlain, c.x, c.y), c.meetsPlain)
            << c.x << "," << c.y;
        EXPECT_EQ(self.x, 0);
        EXPECT_EQ(self.y, 0);
        EXPECT_EQ(self.box_left, 0);
        EXPECT_EQ(self.box_right, 8);
        EXPECT_EQ(self.box_bottom, 8);
    }
    EXPECT_FALSE(operations.IsMeeting(self, self, 99, 92, 0));
    EXPECT_FALSE(operations.IsMeeting(self, self, kSelfObject, 50, 50)); // self is not met
    EXPECT_TRUE(runner.runs.empty());
}

TEST_F(RoomOperationsTest, PointQuestionsAndCountingSkipMarkedInstances) {
    CInstance& self = Place(kBall, 0, 0);
    CInstance& other = Place(kWall, 0, 0);
    Place(kBall, 40, 0);
    Place(kBall, 80, 0).MarkDeleted();

    EXPECT_EQ(operations.CountInstances(self, other, kBall), 2);
    EXPECT_EQ(operations.CountInstances(self, other, kSelfObject), 2);
    EXPECT_EQ(operations.CountInstances(self, other, kOtherObject), 1);
    EXPECT_EQ(operations.CountInstances(self, other, kPlain), 0);
    EXPECT_EQ(operations.CountInstances(self, other, 99), 0);

    EXPECT_TRUE(operations.ObjectAt(self, other, kSelfObject, 5, 5)); // self counts
    EXPECT_TRUE(operations.ObjectAt(self, other, kBall, 45, 5));
    EXPECT_FALSE(operations.ObjectAt(self, other, kBall, 85, 5)); // marked
    EXPECT_FALSE(operations.ObjectAt(self, other, kPlain, 5, 5));

    EXPECT_FALSE(operations.NothingAt(self, 5, 5)); // the wall is there too
    other.MarkDeleted();
    EXPECT_TRUE(operations.NothingAt(self, 5, 5)); // self does not count
    EXPECT_FALSE(operations.NothingAt(self, 45, 5));
    EXPECT_TRUE(operations.NothingAt(self, 85, 5));
    EXPECT_TRUE(operations.NothingAt(self, 500, 500));
}

TEST_F(RoomOperationsTest, RandomWholeNumbersComeFromOneDrawOfTheGenerator) {
    for (int n : {1, 2, 7, 20, 1000}) {
        CRandomGenerator expected;
        expected.Seed(12345u + static_cast<std::uint32_t>(n));
        game.random.Seed(12345u + static_cast<std::uint32_t>(n));
        for (int i = 0; i < 50; ++i) {
            const int value = RandomBelow(game.random, n);
            EXPECT_EQ(value, static_cast<int>(expected.Next() * n));
            EXPECT_GE(value, 0);
            EXPECT_LT(value, n);
        }
    }
    for (int n : {0, -5}) {
        game.random.Seed(1);
        EXPECT_EQ(RandomBelow(game.random, n), 0);
        CRandomGenerator once;
        once.Seed(1);
        once.Next();
        EXPECT_EQ(game.random.State(), once.State()); // a draw is taken all the same
    }
}

class PlaceRandomTest : public RoomOperationsTest {
protected:
    PlaceRandomTest() {
        game.cellsize = 16;
        game.room_columns = 20;
        game.room_rows = 20;
        game.random.Seed(2024);
    }

    // The cells the first `tries` random placements try, worked out from the same seed.
    std::vector<std::pair<int, int>> RandomCells(int tries) {
        CRandomGenerator random;
        random.Seed(2024);
        std::vector<std::pair<int, int>> cells;
        for (int i = 0; i < tries; ++i) {
            const int column = static_cast<int>(random.Next() * game.room_columns);
            const int row = static_cast<int>(random.Next() * game.room_rows);
            cells.emplace_back(column, row);
        }
        return cells;
    }

    // Fills every cell but those given with instances of alternating kinds, one of them marked:
    // each of them blocks a placement.
    void FillAllBut(const std::set<std::pair<int, int>>& keep) {
        int n = 0;
        for (int column = 0; column < game.room_columns; ++column) {
            for (int row = 0; row < game.room_rows; ++row) {
                if (keep.count({column, row}) == 0) {
                    CInstance& filler = Place(n % 2 == 0 ? kPlain : kWall, column * 16, row * 16);
                    filler.SetBbR(15);
                    filler.SetBbB(15);
                    filler.deleted = n == 7;
                    ++n;
                }
            }
        }
    }
};

TEST_F(PlaceRandomTest, TakesTheFirstRandomCellThatIsFree) {
    const auto cells = RandomCells(3);
    CInstance& mover = Place(kBall, 5, 5);
    operations.PlaceRandom(mover);
    EXPECT_EQ(mover.x, cells[0].first * 16);
    EXPECT_EQ(mover.y, cells[0].second * 16);
    EXPECT_EQ(mover.box_left, cells[0].first * 16); // moved through the setters

    // Blocking the first cell (with a non-solid instance) sends it to the second.
    ASSERT_NE(cells[0], cells[1]);
    game.random.Seed(2024);
    Place(kPlain, cells[0].first * 16, cells[0].second * 16);
    operations.PlaceRandom(mover);
    EXPECT_EQ(mover.x, cells[1].first * 16);
    EXPECT_EQ(mover.y, cells[1].second * 16);

    // MoveRandom places the selected instance the same way; the mover now blocks the second
    // cell too.
    ASSERT_NE(cells[2], cells[0]);
    ASSERT_NE(cells[2], cells[1]);
    game.random.Seed(2024);
    CInstance& other = Place(kBall, 300, 300);
    operations.MoveRandom(mover, other, kOtherObject);
    EXPECT_EQ(other.x, cells[2].first * 16);
    EXPECT_EQ(other.y, cells[2].second * 16);
}

TEST_F(PlaceRandomTest, SearchesTheGridColumnByColumnWhenChanceFindsNothing) {
    // Two free cells that none of the 100 random tries hits: the one in the lower-numbered
    // column is taken, though it lies in a lower row.
    const auto tried = RandomCells(100);
    const std::set<std::pair<int, int>> triedSet(tried.begin(), tried.end());
    std::vector<std::pair<int, int>> untried; // column by column
    for (int column = 0; column < 20; ++column) {
        for (int row = 0; row < 20; ++row) {
            if (triedSet.count({column, row}) == 0) {
                untried.emplace_back(column, row);
            }
        }
    }
    ASSERT_FALSE(untried.empty());
    // The lowest untried cell of the first column that has one, and a higher one further right.
    std::pair<int, int> first = untried.front();
    for (const auto& cell : untried) {
        if (cell.first == first.first) {
            first = cell;
        }
    }
    std::pair<int, int> second{-1, -1};
    for (const auto& cell : untried) {
        if (cell.first > first.first && cell.second < first.second) {
            second = cell;
            break;
        }
    }
    ASSERT_GE(second.first, 0);
    FillAllBut({first, second});
    CInstance& mover = Place(kBall, 0, 0);
    operations.PlaceRandom(mover);
    EXPECT_EQ(mover.x, first.first * 16);
    EXPECT_EQ(mover.y, first.second * 16);
}

TEST_F(PlaceRandomTest, AFullRoomLeavesTheInstanceInTheBottomRightCell) {
    game.room_columns = 5;
    game.room_rows = 4;
    FillAllBut({});
    CInstance& mover = Place(kBall, 40, 40);
    operations.PlaceRandom(mover);
    EXPECT_EQ(mover.x, 4 * 16);
    EXPECT_EQ(mover.y, 3 * 16);
    CRandomGenerator expected;
    expected.Seed(2024);
    for (int i = 0; i < 200; ++i) {
        expected.Next();
    }
    EXPECT_EQ(game.random.State(), expected.State()); // 100 tries of two draws each
}

class BounceTest : public RoomOperationsTest {
protected:
    // A 16 x 16 ball at (x, y) moving by (h, v) each step.
    CInstance& Ball(double x, double y, double h, double v) {
        CInstance& ball = Place(kBall, x, y);
        ball.SetHdir(h < 0 ? -1 : 1);
        ball.SetVdir(v < 0 ? -1 : 1);
        ball.SetHspeed(h < 0 ? -h : h);
        ball.SetVspeed(v < 0 ? -v : v);
        return ball;
    }
    // A solid block covering left..right x top..bottom.
    CInstance& Block(int left, int top, int right, int bottom) {
        CInstance& block = Place(kWall, left, top);
        block.SetBbR(right - left);
        block.SetBbB(bottom - top);
        return block;
    }
};

TEST_F(BounceTest, OnlyTheBlockedComponentThatLeadsIntoOtherReverses) {
    struct Case {
        const char* what;
        double x, y, h, v;
        int left, top, right, bottom;
        double hdir, vdir;
    };
    const Case cases[] = {
        // Onto the top of a wide block: only the vertical move is blocked.
        {"floor", 40, 14, 4, 4, 0, 28, 199, 43, 1, -1},
        {"floor moving left", 40, 14, -4, 4, 0, 28, 199, 43, -1, -1},
        // Into the side of a tall wall: only the horizontal move is blocked.
        {"wall", 46, 50, 4, 4, 60, 0, 75, 199, -1, 1},
        {"ceiling", 40, 30, 4, -4, 0, 0, 199, 31, 1, 1},
        // Onto a corner: neither move alone is blocked, both components lead into it.
        {"corner", 46, 46, 4, 4, 60, 60, 75, 75, -1, -1},
    };
    for (const Case& c : cases) {
        game.instances.Clear();
        CInstance& ball = Ball(c.x, c.y, c.h, c.v);
        CInstance& block = Block(c.left, c.top, c.right, c.bottom);
        operations.Bounce(ball, block);
        EXPECT_EQ(ball.hdir, c.hdir) << c.what;
        EXPECT_EQ(ball.vdir, c.vdir) << c.what;
        EXPECT_EQ(ball.x, c.x) << c.what;
        EXPECT_EQ(ball.y, c.y) << c.what;
        // The polar motion follows the reversed components.
        EXPECT_DOUBLE_EQ(ball.speed, std::sqrt(c.h * c.h + c.v * c.v)) << c.what;
    }
    // Onto a corner again, but the block's origin lies up and to the left of the ball: neither
    // component points towards it, so neither reverses.
    game.instances.Clear();
    CInstance& onCorner = Ball(46, 46, 4, 4);
    CInstance& offset = Place(kWall, 0, 0);
    offset.SetBbL(60);
    offset.SetBbT(60);
    offset.SetBbR(75);
    offset.SetBbB(75);
    operations.Bounce(onCorner, offset);
    EXPECT_EQ(onCorner.hdir, 1);
    EXPECT_EQ(onCorner.vdir, 1);

    // "floor": direction now up and to the right.
    game.instances.Clear();
    CInstance& ball = Ball(40, 14, 4, 4);
    operations.Bounce(ball, Block(0, 28, 199, 43));
    EXPECT_DOUBLE_EQ(ball.direction, 45);
}

TEST_F(BounceTest, NothingHappensWithSelfOrANonSolidOther) {
    CInstance& ball = Ball(40, 14, 4, 4);
    CInstance& floor = Block(0, 28, 199, 43);
    floor.solid = false;
    operations.Bounce(ball, floor);
    operations.Bounce(ball, ball);
    EXPECT_EQ(ball.hdir, 1);
    EXPECT_EQ(ball.vdir, 1);
}

TEST_F(RoomOperationsTest, EventsNestedWithoutEndStopAtTheLimit) {
    CInstance& self = Place(kPlain, 0, 0);
    // Each ball's Creation event creates two more balls.
    runner.during = [&](CInstance& created) {
        if (game.event_name == "Creation event") {
            operations.CreateInstance(created, created, kBall, 0, 0);
            operations.CreateInstance(created, created, kBall, 0, 0);
        }
    };
    operations.CreateInstance(self, self, kBall, 0, 0);
    EXPECT_EQ(errors.reports, (Reports{{kEventsNestedTooDeeply, true}}));
    // The balls whose Creation events ran, and the one whose event was refused; every second
    // ball was refused, as the guard gave up.
    EXPECT_EQ(game.instances.Count(), 2 + CNestingGuard::kMaxEventDepth);
    EXPECT_EQ(game.next_room, -1); // the game ends after the step

    // Once the outermost operation has returned, events nest again.
    runner.during = nullptr;
    errors.reports.clear();
    EXPECT_NE(operations.CreateInstance(self, self, kBall, 0, 0), nullptr);
    EXPECT_TRUE(errors.reports.empty());

    // A Destroy event that destroys its own instance again, and a change back and forth.
    game.instances.Clear();
    CInstance& ball = Place(kBall, 0, 0);
    runner.runs.clear();
    runner.during = [&](CInstance& instance) {
        if (game.event_name == "Destroy event") {
            operations.DestroyInstance(instance);
        }
    };
    operations.DestroyInstance(ball);
    EXPECT_EQ(runner.runs.size(), static_cast<std::size_t>(CNestingGuard::kMaxEventDepth));
    EXPECT_EQ(errors.reports.size(), 1u);

    runner.runs.clear();
    errors.reports.clear();
    runner.during = [&](CInstance& instance) {
        if (game.event_name == "Creation event") {
            operations.ChangeInstance(instance, instance.object == kBall ? kWall : kBall);
        }
    };
    operations.ChangeInstance(ball, kWall);
    EXPECT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(runner.runs.size(), static_cast<std::size_t>(2 * CNestingGuard::kMaxEventDepth));
}

// What actions and functions ask of the shell, on the same room.
using ShellOperationsTest = RoomOperationsTest;

TEST_F(ShellOperationsTest, SleepingShowsTheRoomFirst) {
    shellOperations.SleepFor(250);
    shellOperations.SleepFor(0);
    shellOperations.SleepFor(-5);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"frame", "sleep 250", "frame", "sleep 0",
                                                     "frame", "sleep 0"}));
}

TEST_F(ShellOperationsTest, PlayingASoundThatDoesNotExistIsReportedAndTheGameGoesOn) {
    shellOperations.PlaySound(3, 2);
    EXPECT_TRUE(errors.reports.empty());
    shell.soundExists = [](std::int32_t) { return false; };
    shellOperations.PlaySound(-1, 0);
    shellOperations.PlaySound(7, 1);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"sound 3 2", "sound -1 0", "sound 7 1"}));
    EXPECT_EQ(errors.reports, (Reports{{"Trying to play non-existing sound: -1", false},
                                       {"Trying to play non-existing sound: 7", false}}));
    EXPECT_EQ(game.next_room, 0);
}

TEST_F(ShellOperationsTest, BoxesPauseTheGameAndShowHashesAsLineBreaks) {
    shellOperations.ShowGameMessage("Well done!#Next level");
    shell.answer = true;
    EXPECT_TRUE(shellOperations.ShowQuestion("Again?"));
    shell.answer = false;
    EXPECT_FALSE(shellOperations.ShowQuestion("##"));
    shellOperations.ShowHighscores(1500);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"pause", "message Well done!\rNext level",
                                                     "resume", "pause", "question Again?", "resume",
                                                     "pause", "question \r\r", "resume", "pause",
                                                     "scores 1500", "resume"}));
}

TEST_F(ShellOperationsTest, DrawingAnObjectUsesSelfsSubimageAndScale) {
    CInstance& self = Place(kBall, 0, 0);
    CInstance& other = Place(kSprite, 0, 0);
    self.image_scale = 1.5;
    self.image_counter = 4.7; // sub-image 4 of the three-frame sprite: 1
    shellOperations.DrawObjectAt(self, other, kSprite, 10, 20.5);
    self.image_index = 2;
    shellOperations.DrawObjectAt(self, other, kOtherObject, -3, 0);
    self.image_index = -1;
    self.image_counter = -1; // backwards: wraps to the last frame
    shellOperations.DrawObjectAt(self, other, kSprite, 0, 0);
    shellOperations.DrawObjectAt(self, other, kSelfObject, 0, 0); // the ball has no sprite
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"image 4 1 1.5 10 20.5", "image 4 2 1.5 -3 0",
                                                     "image 4 2 1.5 0 0"}));
    EXPECT_TRUE(errors.reports.empty());
}

} // namespace
} // namespace velkaro
