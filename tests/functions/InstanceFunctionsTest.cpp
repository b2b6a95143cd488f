#include "functions/InstanceFunctions.h"

#include "functions/FunctionGame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::Calls;

constexpr std::int32_t kBall = 1;  // box 0..15; its Creation and Destroy events log
constexpr std::int32_t kWall = 2;  // solid, box 0..15
constexpr std::int32_t kGhost = 3; // not solid, box 0..15, no events

// Two rooms of 10 x 10 cells of 16 pixels and two sounds. Self is a ball at (0, 0), other a
// wall at (32, 0).
class InstanceFunctionsTest : public test::FunctionGameTest {
protected:
    InstanceFunctionsTest() {
        CObject& ball = AddObject("ball", false, 15);
        On(ball, kCreationEvent, 0, "global.log += 'C' + string(x) + ' '");
        On(ball, kDestroyEvent, 0, "global.log += 'D' + string(x) + ' '");
        AddObject("wall", true, 15);
        AddObject("ghost", false, 15);
        AddRoom(10, 10, 16);
        AddRoom(10, 10, 16);
        data.sounds.Add();
        data.sounds.Add();
        // 0 stops every sound, which the player always can.
        shell.soundExists = [](std::int32_t n) { return n >= 0 && n <= 2; };
    }

    void StartWithSelfAndOther() {
        Start();
        self = &Place(kBall, 0, 0);
        other = &Place(kWall, 32, 0);
        shell.calls.clear();
    }

    RValue Call(const std::string& name, std::initializer_list<double> numbers) {
        return FunctionGameTest::Call(name, numbers, *self, *other);
    }
    double Real(const std::string& name, std::initializer_list<double> numbers = {}) {
        return Call(name, numbers).real;
    }

    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

TEST_F(InstanceFunctionsTest, AlignSnapsToTheNearestCellWithHalvesToEven) {
    StartWithSelfAndOther();
    self->SetX(24); // 1.5 cells: 2
    self->SetY(8);  // 0.5 cells: 0
    EXPECT_EQ(Real("is_aligned"), 0);
    Call("align", {});
    EXPECT_EQ(self->x, 32);
    EXPECT_EQ(self->y, 0);
    EXPECT_EQ(self->box_left, 32) << "the box follows the position";
    EXPECT_EQ(Real("is_aligned"), 1);

    self->SetX(-24); // -1.5 cells: -2
    self->SetY(56);  // 3.5 cells: 4
    Call("align", {});
    EXPECT_EQ(self->x, -32);
    EXPECT_EQ(self->y, 64);

    self->SetX(32);
    self->SetY(3);
    EXPECT_EQ(Real("is_aligned"), 0) << "both coordinates must lie on the grid";
}

TEST_F(InstanceFunctionsTest, WithoutAGridEveryPositionIsAligned) {
    StartWithSelfAndOther();
    State().cellsize = 0;
    self->SetX(24.5);
    self->SetY(-7);
    Call("align", {});
    EXPECT_EQ(self->x, 24.5);
    EXPECT_EQ(self->y, -7);
    EXPECT_EQ(Real("is_aligned"), 1);
}

TEST_F(InstanceFunctionsTest, PlaceTestsMoveSelfOnlyForTheQuestion) {
    StartWithSelfAndOther();
    Place(kGhost, 100, 100);
    self->SetX(3);
    self->SetY(4);
    EXPECT_EQ(Real("is_free", {32, 0}), 0) << "onto the wall";
    EXPECT_EQ(Real("is_free", {100, 100}), 1) << "the ghost is not solid";
    EXPECT_EQ(Real("is_empty", {100, 100}), 0);
    EXPECT_EQ(Real("is_empty", {3, 4}), 1) << "self alone does not count";
    EXPECT_EQ(Real("is_meeting", {40, 8, kWall}), 1);
    EXPECT_EQ(Real("is_meeting", {100, 100, kWall}), 0);
    EXPECT_EQ(Real("is_meeting", {40, 8, -2}), 1) << "-2: other's object";
    EXPECT_EQ(self->x, 3);
    EXPECT_EQ(self->y, 4);
    EXPECT_EQ(self->box_left, 3);
    EXPECT_EQ(self->box_bottom, 19);
}

TEST_F(InstanceFunctionsTest, PointTestsCountSelfExceptNothingAt) {
    StartWithSelfAndOther();
    EXPECT_EQ(Real("object_at", {5, 5, -1}), 1);
    EXPECT_EQ(Real("object_at", {40, 5, kBall}), 0);
    EXPECT_EQ(Real("object_at", {40, 5, kWall}), 1);
    EXPECT_EQ(Real("nothing_at", {5, 5}), 1);
    EXPECT_EQ(Real("nothing_at", {40, 5}), 0);
    other->MarkDeleted();
    EXPECT_EQ(Real("object_at", {40, 5, kWall}), 0) << "marked instances are gone for tests";
    EXPECT_EQ(Real("nothing_at", {40, 5}), 1);
}

TEST_F(InstanceFunctionsTest, NumberSkipsDestroyedInstancesStillInTheList) {
    StartWithSelfAndOther();
    Place(kBall, 80, 0);
    EXPECT_EQ(Real("number", {kBall}), 2);
    EXPECT_EQ(Real("number", {-1}), 2) << "self's object, self included";
    EXPECT_EQ(Real("number", {-2}), 1);
    EXPECT_EQ(Real("number", {9}), 0);
    TakeLog();
    Call("destroy", {kBall});
    EXPECT_EQ(TakeLog(), "D0 D80 ");
    EXPECT_EQ(Real("number", {kBall}), 0);
    EXPECT_EQ(State().instances.Count(), 3);
}

TEST_F(InstanceFunctionsTest, DestroyingSelfInCodeLetsTheRestOfTheCodeRun) {
    On(data.objects.Get(kBall), kStepEvent, 0,
       "{ destroy(-1); global.after = number(ball); global.log += 'after ' }");
    Start();
    Place(kBall, 16, 0);
    Place(kWall, 48, 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "D16 after ");
    RValue after;
    ASSERT_TRUE(State().globals.GetValue("after", 0, after));
    EXPECT_EQ(after.real, 0);
    ASSERT_EQ(State().instances.Count(), 1) << "removed at the end of the step";
    EXPECT_EQ(State().instances.Get(1).object, kWall);
}

TEST_F(InstanceFunctionsTest, CreateRunsTheNewInstancesCreationEvent) {
    StartWithSelfAndOther();
    TakeLog();
    Call("create", {48, 32, -1});
    Call("create", {64, 0, -2});
    ASSERT_EQ(State().instances.Count(), 4);
    const CInstance& ball = State().instances.Get(3);
    EXPECT_EQ(ball.object, kBall);
    EXPECT_EQ(ball.x, 48);
    EXPECT_EQ(ball.y, 32);
    EXPECT_EQ(TakeLog(), "C48 ") << "walls have no Creation event";
    EXPECT_EQ(State().instances.Get(4).object, kWall);

    Call("create", {0, 0, 4});
    EXPECT_EQ(State().instances.Count(), 4);
    EXPECT_EQ(ErrorMessages(),
              std::vector<std::string>{"Trying to create an instance of non-existing object: 4"});
    EXPECT_FALSE(shell.errorReports[0].fatal);
}

TEST_F(InstanceFunctionsTest, ChangeTurnsInstancesIntoAnotherObjectInPlace) {
    StartWithSelfAndOther();
    CInstance& far = Place(kBall, 96, 96);
    TakeLog();
    Call("change", {-1, kWall});
    EXPECT_EQ(TakeLog(), "D0 ") << "the old object's Destroy event";
    EXPECT_EQ(self->object, kWall);
    EXPECT_TRUE(self->solid);
    EXPECT_EQ(self->x, 0);
    EXPECT_EQ(far.object, kBall) << "-1 is self alone";

    Call("change_at", {100, 100, kGhost});
    EXPECT_EQ(far.object, kGhost);
    EXPECT_EQ(other->object, kWall);

    Call("change", {kWall, 7});
    Call("change_at", {5, 5, 7});
    EXPECT_EQ(self->object, kWall);
    EXPECT_EQ(ErrorMessages(), (std::vector<std::string>{
                                   "Trying to change an instance into non-existing object: 7",
                                   "Trying to change an instance into non-existing object: 7"}));
}

TEST_F(InstanceFunctionsTest, DestroyAtDestroysEveryInstanceContainingThePoint) {
    StartWithSelfAndOther();
    Place(kBall, 8, 8);
    TakeLog();
    Call("destroy_at", {10, 10});
    EXPECT_EQ(TakeLog(), "D0 D8 ");
    EXPECT_TRUE(self->deleted);
    EXPECT_FALSE(other->deleted);
}

TEST_F(InstanceFunctionsTest, MoveRandomFindsTheOneFreeCell) {
    StartWithSelfAndOther();
    // Two cells across, one down, and the wall in the second.
    State().room_columns = 2;
    State().room_rows = 1;
    self->SetX(100);
    other->SetX(16);
    Call("move_random", {-1});
    EXPECT_EQ(self->x, 0);
    EXPECT_EQ(self->y, 0);
    EXPECT_EQ(other->x, 16);
}

TEST_F(InstanceFunctionsTest, SetMotionSetsAndAddMotionAddsTheVectors) {
    StartWithSelfAndOther();
    Call("set_motion", {90, 4});
    EXPECT_EQ(self->direction, 90);
    EXPECT_EQ(self->speed, 4);
    EXPECT_DOUBLE_EQ(self->vspeed, -4) << "upwards";

    // Right at 3 plus up at 4: (3, -4) with y down, 53.13 degrees, length 5.
    Call("set_motion", {0, 3});
    Call("add_motion", {90, 4});
    EXPECT_NEAR(self->direction, std::atan2(4.0, 3.0) * 180 / 3.141592653589793, 1e-9);
    EXPECT_NEAR(self->speed, 5, 1e-12);
    EXPECT_NEAR(self->hspeed, 3, 1e-12);
    EXPECT_NEAR(self->vspeed, -4, 1e-12);

    // Up at 2 plus down at 5: down at 3.
    Call("set_motion", {90, 2});
    Call("add_motion", {270, 5});
    EXPECT_NEAR(self->direction, 270, 1e-9);
    EXPECT_NEAR(self->speed, 3, 1e-12);

    // Nothing plus nothing: no motion, direction 0.
    Call("set_motion", {45, 0});
    Call("add_motion", {123, 0});
    EXPECT_EQ(self->direction, 0);
    EXPECT_EQ(self->speed, 0);

    // From rest, as gravity pulls: down at 0.5.
    Call("add_motion", {270, 0.5});
    EXPECT_NEAR(self->direction, 270, 1e-9);
    EXPECT_NEAR(self->speed, 0.5, 1e-12);
}

TEST_F(InstanceFunctionsTest, BounceTurnsBackFromASolidOther) {
    StartWithSelfAndOther();
    // Moving right at 4, overlapping the wall at 32: only the horizontal move is blocked.
    self->SetX(20);
    Call("set_motion", {0, 4});
    FunctionGameTest::Call("bounce", {}, *self, *self);
    EXPECT_EQ(self->hdir, 1) << "other is self: nothing";
    Call("bounce", {});
    EXPECT_EQ(self->hdir, -1);
    EXPECT_EQ(self->x, 20) << "the position stays";
}

TEST_F(InstanceFunctionsTest, GotoRoomAndEndGameRemoveEveryInstanceAfterTheStep) {
    StartWithSelfAndOther();
    Call("goto_room", {2});
    EXPECT_EQ(State().next_room, 2);
    EXPECT_TRUE(self->deleted);
    EXPECT_TRUE(other->deleted);
    Call("goto_room", {-1});
    EXPECT_EQ(State().next_room, -1);
    State().next_room = 0;
    Call("end_game", {});
    EXPECT_EQ(State().next_room, -1);
    EXPECT_TRUE(shell.errorReports.empty());
}

TEST_F(InstanceFunctionsTest, GotoAMissingRoomIsFatalAndEndsTheGame) {
    for (const double room : {3.0, 0.0, -2.0}) {
        shell.errorReports.clear();
        StartWithSelfAndOther();
        Call("goto_room", {room});
        EXPECT_EQ(State().next_room, -1) << room;
        ASSERT_EQ(shell.errorReports.size(), 1u) << room;
        EXPECT_TRUE(shell.errorReports[0].fatal);
        EXPECT_EQ(ErrorMessages()[0],
                  "Unexisting room number: " + std::to_string(static_cast<int>(room)));
    }
}

TEST_F(InstanceFunctionsTest, NumbersAreRoundedHalvesToEvenAndCutTo32BitsWhereIntegers) {
    StartWithSelfAndOther();
    Call("set_score", {2.5});
    EXPECT_EQ(State().score, 2);
    Call("set_score", {-3.5});
    EXPECT_EQ(State().score, -4);
    Call("set_score", {4294967298.0}); // 2^32 + 2
    EXPECT_EQ(State().score, 2);
    Call("set_collision_mode", {1.5});
    EXPECT_EQ(self->collision_mode, 2);
    Call("set_collision_mode", {4294967297.0});
    EXPECT_EQ(self->collision_mode, 1);
    EXPECT_EQ(other->collision_mode, 0);
    Call("set_gamespeed", {-0.5});
    EXPECT_EQ(State().gamespeed, -0.5) << "a real, stored as it is";
}

TEST_F(InstanceFunctionsTest, SleepNeverWaitsForANegativeTime) {
    StartWithSelfAndOther();
    Call("sleep", {2.5});
    Call("sleep", {-5});
    Call("sleep", {-4294967295.0}); // its low 32 bits alone would be 1
    EXPECT_EQ(shell.calls, (Calls{"sleep 2", "sleep 0", "sleep 0"}));
}

TEST_F(InstanceFunctionsTest, PlayFunctionsPassTheirModeAndReportMissingSounds) {
    StartWithSelfAndOther();
    Call("sound", {1});
    Call("sound_play", {2});
    Call("sound_loop", {1});
    Call("sound", {0}); // the player stops every sound for 0
    Call("sound_play", {3});
    EXPECT_EQ(shell.calls,
              (Calls{"sound 1 2", "sound 2 0", "sound 1 1", "sound 0 2", "sound 3 0"}));
    EXPECT_EQ(ErrorMessages(), std::vector<std::string>{"Trying to play non-existing sound: 3"});
    EXPECT_FALSE(shell.errorReports[0].fatal);
}

TEST_F(InstanceFunctionsTest, OtherSoundFunctionsPassOverSoundsThatDoNotExist) {
    StartWithSelfAndOther();
    Call("sound_stop", {0});
    Call("sound_stop", {2});
    Call("sound_stop", {-3});
    Call("sound_stop", {3});
    Call("sound_volume", {1, 0.5});
    Call("sound_pan", {1, 2});
    Call("sound_frequency", {2, 0});
    Call("sound_volume", {0, 1});
    Call("sound_pan", {3, 1});
    EXPECT_EQ(shell.calls,
              (Calls{"stop sound 0", "stop sound 2", "volume 1 0.5", "pan 1 2", "frequency 2 0"}));
    EXPECT_TRUE(shell.errorReports.empty());
}

TEST_F(InstanceFunctionsTest, GameCodeCallsTheFunctionsByName) {
    On(data.objects.Get(kBall), kStepEvent, 0,
       "{ create(x + 32, 0, wall); global.free = is_free(x + 20, 0); set_score(number(wall)) }");
    Start();
    Place(kBall, 0, 0);
    game->RunStep();
    RValue free;
    ASSERT_TRUE(State().globals.GetValue("free", 0, free));
    EXPECT_EQ(free.real, 0) << "the new wall at 32 overlaps a box from 20 to 35";
    EXPECT_EQ(State().score, 1);
    EXPECT_TRUE(shell.errorReports.empty());
}

} // namespace
} // namespace velkaro
