#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <vector>

namespace velkaro {
namespace {

// Two objects: 1 "ball" (solid, inactive, box 2..30 x 4..28, actions in Step, Drawing and
// Meeting) and 2 "wall" (default flags, box 0..15 x 0..15, a Creation action).
class InstanceTest : public ::testing::Test {
protected:
    InstanceTest() {
        CObject& ball = objects.Add();
        ball.name = "ball";
        ball.solid = true;
        ball.active = false;
        ball.bbLeft = 2;
        ball.bbRight = 30;
        ball.bbBottom = 28;
        ball.bbTop = 4;
        ball.EventList(kStepEvent, 0)->Add();
        ball.EventList(kDrawingEvent, 0)->Add();
        ball.EventList(kMeetingEvent, 2)->Add();
        ball.EventList(kKeyboardEvent, 37); // an empty list counts as no actions

        CObject& wall = objects.Add();
        wall.name = "wall";
        wall.bbRight = 15;
        wall.bbBottom = 15;
        wall.EventList(kCreationEvent, 0)->Add();
    }

    CInstance Fresh(double x = 0, double y = 0) {
        CInstance instance;
        instance.Setup(objects, 2, x, y);
        return instance;
    }

    // An instance moving in direction 0 at `speed`.
    CInstance Moving(double speed) {
        CInstance instance = Fresh();
        instance.SetDirection(0);
        instance.SetSpeed(speed);
        return instance;
    }

    CObjectList objects;
};

TEST_F(InstanceTest, AConstructedInstanceIsAllZeroUntilSetUp) {
    CInstance instance;
    EXPECT_EQ(instance.image_index, 0);
    EXPECT_EQ(instance.image_speed, 0);
    EXPECT_EQ(instance.image_scale, 0);
    EXPECT_EQ(instance.hspeed, 0);
    EXPECT_EQ(instance.vspeed, 0);
    EXPECT_EQ(instance.GetAlarm(0), 0);
    EXPECT_FALSE(instance.visible);
    EXPECT_FALSE(instance.active);
    EXPECT_FALSE(instance.deleted);
    EXPECT_EQ(instance.object_def, nullptr);
    EXPECT_EQ(instance.locals.Count(), 0);
}

TEST_F(InstanceTest, SetupGivesTheInitialValuesAndTheObjectsDefaults) {
    CInstance instance;
    instance.locals.SetValue("left_over", RValue::Real(1), 0);
    instance.Setup(objects, 1, 100, 50);

    EXPECT_EQ(instance.object, 1);
    EXPECT_EQ(instance.object_def, &objects.Get(1));
    EXPECT_TRUE(instance.solid);
    EXPECT_FALSE(instance.active);
    EXPECT_TRUE(instance.visible);
    EXPECT_FALSE(instance.deleted);
    EXPECT_EQ(instance.image_counter, 0);
    EXPECT_EQ(instance.image_index, -1);
    EXPECT_EQ(instance.image_speed, 1.0);
    EXPECT_EQ(instance.image_scale, 1.0);
    EXPECT_EQ(instance.image_depth, 0);
    EXPECT_EQ(instance.collision_mode, 0);
    EXPECT_EQ(instance.x, 100);
    EXPECT_EQ(instance.y, 50);
    EXPECT_EQ(instance.xprevious, 100);
    EXPECT_EQ(instance.yprevious, 50);
    EXPECT_EQ(instance.hdir, 0);
    EXPECT_EQ(instance.vdir, 0);
    EXPECT_EQ(instance.hspeed, 8.0);
    EXPECT_EQ(instance.vspeed, 8.0);
    EXPECT_EQ(instance.direction, 0);
    EXPECT_EQ(instance.speed, 0);
    EXPECT_EQ(instance.friction, 0);
    EXPECT_EQ(instance.gravity, 0);
    EXPECT_EQ(instance.gravitydir, 0);
    EXPECT_EQ(instance.bb_l, 2);
    EXPECT_EQ(instance.bb_r, 30);
    EXPECT_EQ(instance.bb_b, 28);
    EXPECT_EQ(instance.bb_t, 4);
    EXPECT_EQ(instance.box_left, 102);
    EXPECT_EQ(instance.box_right, 130);
    EXPECT_EQ(instance.box_bottom, 78);
    EXPECT_EQ(instance.box_top, 54);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(instance.GetAlarm(i), -1) << i;
    }
    EXPECT_EQ(instance.locals.Count(), 0);

    const bool expectedActions[kEventKindCount] = {false, false, false, true,  false,
                                                   false, false, true,  false, true};
    for (int kind = 0; kind < kEventKindCount; ++kind) {
        EXPECT_EQ(instance.HasActions(static_cast<EventKind>(kind)), expectedActions[kind]) << kind;
    }
}

TEST_F(InstanceTest, ChangingTheObjectResetsOnlyWhatComesFromTheObject) {
    CInstance instance;
    instance.Setup(objects, 1, 10, 20);
    instance.SetHspeed(3);
    instance.SetHdir(1);
    instance.SetAlarm(2, 5);
    instance.locals.SetValue("kept", RValue::Real(7), 0);
    instance.visible = false;

    instance.SetObject(objects, 2);
    EXPECT_EQ(instance.object, 2);
    EXPECT_EQ(instance.object_def, &objects.Get(2));
    EXPECT_FALSE(instance.solid);
    EXPECT_TRUE(instance.active);
    EXPECT_TRUE(instance.HasActions(kCreationKind));
    EXPECT_FALSE(instance.HasActions(kStepKind));
    // The box offsets stay those of the first object.
    EXPECT_EQ(instance.bb_r, 30);
    EXPECT_EQ(instance.x, 10);
    EXPECT_EQ(instance.speed, 3);
    EXPECT_EQ(instance.GetAlarm(2), 5);
    EXPECT_FALSE(instance.visible);
    EXPECT_EQ(instance.locals.Count(), 1);
}

TEST_F(InstanceTest, TheBoxFollowsPositionScaleAndOffsetsRoundedHalfToEven) {
    CInstance instance = Fresh();
    instance.SetBbL(0);
    instance.SetBbR(31);
    instance.SetImageScale(2);
    instance.SetX(10.25);
    EXPECT_EQ(instance.box_left, 10);
    EXPECT_EQ(instance.box_right, 72); // 10.25 + 62

    struct Case {
        double x;
        std::int32_t left;
    };
    instance.SetImageScale(1);
    for (Case c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{-0.5, 0}, Case{-1.5, -2},
                   Case{0.51, 1}, Case{-2.51, -3}}) {
        instance.SetX(c.x);
        EXPECT_EQ(instance.box_left, c.left) << c.x;
    }

    instance.SetBbT(-3);
    instance.SetBbB(3.5);
    instance.SetY(1);
    EXPECT_EQ(instance.box_top, -2);
    EXPECT_EQ(instance.box_bottom, 4); // 4.5 goes to the even 4
    instance.SetImageScale(0.5);
    EXPECT_EQ(instance.box_top, 0);    // 1 - 1.5 = -0.5
    EXPECT_EQ(instance.box_bottom, 3); // 1 + 1.75 = 2.75
    instance.SetBbB(5);
    EXPECT_EQ(instance.box_bottom, 4); // 1 + 2.5 = 3.5
}

TEST_F(InstanceTest, AFreshInstanceHasSpeedsButNoMotion) {
    CInstance instance = Fresh();
    instance.SetHspeed(3);
    EXPECT_EQ(instance.hspeed, 3);
    EXPECT_EQ(instance.direction, 0);
    EXPECT_EQ(instance.speed, 0);

    instance.SetHdir(1);
    EXPECT_EQ(instance.direction, 0);
    EXPECT_EQ(instance.speed, 3);
}

TEST_F(InstanceTest, CartesianWritesGiveTheDirectionCounterClockwiseWithYDown) {
    struct Case {
        double h, v, direction, speed;
    };
    const Case exact[] = {
        {0, 5, 270, 5},
        {0, -5, 90, 5},
        {-2, 0, 180, 2},
        {0, 0, 0, 0},
        {3, 0, 0, 3},
        {3, -4, 53.13010235415598, 5},
        {3, 4, 306.86989764584405, 5},
        {1, -8, 82.8749836510982, 8.06225774829855},
    };
    for (const auto& c : exact) {
        CInstance instance = Fresh();
        instance.SetHdir(1);
        instance.SetVdir(1);
        instance.SetHspeed(c.h);
        instance.SetVspeed(c.v);
        EXPECT_EQ(instance.direction, c.direction) << c.h << "," << c.v;
        EXPECT_EQ(instance.speed, c.speed) << c.h << "," << c.v;
    }

    const Case diagonals[] = {
        {1, -1, 45, 1.4142135623730951},
        {-1, -1, 135, 1.4142135623730951},
        {-1, 1, 225, 1.4142135623730951},
        {1, 1, 315, 1.4142135623730951},
    };
    for (const auto& c : diagonals) {
        CInstance instance = Fresh();
        instance.SetHdir(c.h);
        instance.SetVdir(c.v);
        instance.SetHspeed(1);
        instance.SetVspeed(1);
        EXPECT_NEAR(instance.direction, c.direction, 1e-12) << c.h << "," << c.v;
        EXPECT_EQ(instance.speed, c.speed);
    }

    // The sign factors and the magnitudes multiply.
    CInstance instance = Fresh();
    instance.SetHdir(-1);
    instance.SetHspeed(-3);
    EXPECT_EQ(instance.direction, 0);
    EXPECT_EQ(instance.speed, 3);
}

TEST_F(InstanceTest, PolarWritesGiveUnitSignsAndSpeedsAlongTheAxes) {
    CInstance up = Fresh();
    up.SetDirection(90);
    up.SetSpeed(4);
    EXPECT_EQ(up.hdir, 1);
    EXPECT_EQ(up.vdir, 1);
    EXPECT_NEAR(up.hspeed, 0, 1e-15);
    EXPECT_EQ(up.vspeed, -4);

    CInstance left = Fresh();
    left.SetSpeed(2);
    left.SetDirection(180);
    EXPECT_EQ(left.hspeed, -2);
    EXPECT_NEAR(left.vspeed, 0, 1e-15);

    // Angles are turned into radians with the factor pi/180, so motion repeats to the bit.
    CInstance slanted = Fresh();
    slanted.SetDirection(38);
    slanted.SetSpeed(2.5);
    EXPECT_EQ(slanted.hspeed, 1.9700268840168047);
    EXPECT_EQ(slanted.vspeed, -1.5391536883141457);

    // A negative speed stays as written and moves the other way.
    CInstance backwards = Fresh();
    backwards.SetSpeed(-3);
    EXPECT_EQ(backwards.speed, -3);
    EXPECT_EQ(backwards.direction, 0);
    EXPECT_EQ(backwards.hspeed, -3);
}

TEST_F(InstanceTest, AnglesBeyondTheProcessorsRangeGiveNoMotion) {
    for (double direction : {1e300, -1e300, 5.3e20}) {
        CInstance instance = Fresh();
        instance.SetSpeed(5);
        instance.SetDirection(direction);
        EXPECT_EQ(instance.hspeed, 0) << direction;
        EXPECT_EQ(instance.vspeed, 0) << direction;
    }
    // Just inside the range the motion is ordinary.
    CInstance instance = Fresh();
    instance.SetSpeed(5);
    instance.SetDirection(5.2e20);
    EXPECT_NE(instance.hspeed, 0);
}

TEST_F(InstanceTest, AddingMotionCombinesTheVectors) {
    CInstance instance = Fresh();
    instance.AddMotion(3, 0);
    EXPECT_EQ(instance.direction, 0);
    EXPECT_EQ(instance.speed, 3);
    EXPECT_EQ(instance.hdir, 1);
    EXPECT_EQ(instance.vdir, 1);
    EXPECT_EQ(instance.hspeed, 3);

    instance.AddMotion(4, 90);
    EXPECT_EQ(instance.direction, 53.13010235415598);
    EXPECT_EQ(instance.speed, 5);

    // Opposite motions cancel except for the sine of pi, which is not exactly 0: what is
    // left points straight up.
    CInstance cancelled = Moving(3);
    cancelled.AddMotion(3, 180);
    EXPECT_EQ(cancelled.direction, 90);
    EXPECT_EQ(cancelled.speed, 3.6739403974420594e-16);
}

TEST_F(InstanceTest, FrictionSlowsToAStopWithoutReversing) {
    CInstance instance = Moving(1.2);
    instance.friction = 0.5;
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.speed, 1.2 - 0.5);
    EXPECT_EQ(instance.hspeed, 1.2 - 0.5);
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.speed, 1.2 - 0.5 - 0.5);
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.speed, 0);
    EXPECT_EQ(instance.hspeed, 0);
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.speed, 0);
}

TEST_F(InstanceTest, FrictionSubtractsTheSameWayForBothSignsOfSpeed) {
    CInstance backwards = Moving(-1);
    backwards.friction = 0.5;
    backwards.ApplyFrictionAndGravity();
    EXPECT_EQ(backwards.speed, -1.5);
    EXPECT_EQ(backwards.hspeed, -1.5);

    CInstance braked = Moving(-1);
    braked.friction = -0.5;
    braked.ApplyFrictionAndGravity();
    EXPECT_EQ(braked.speed, -0.5);
    braked.ApplyFrictionAndGravity();
    EXPECT_EQ(braked.speed, 0);

    CInstance overshoot = Moving(-0.3);
    overshoot.friction = -0.5;
    overshoot.ApplyFrictionAndGravity();
    EXPECT_EQ(overshoot.speed, 0);

    CInstance pushed = Moving(1);
    pushed.friction = -0.5;
    pushed.ApplyFrictionAndGravity();
    EXPECT_EQ(pushed.speed, 1.5);
}

TEST_F(InstanceTest, FrictionLeavesAStillInstanceUntouched) {
    CInstance instance = Fresh();
    instance.friction = 1;
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.speed, 0);
    // The speed setter did not run, so the Cartesian pair is still the fresh one.
    EXPECT_EQ(instance.hdir, 0);
    EXPECT_EQ(instance.hspeed, 8);
}

TEST_F(InstanceTest, GravityAccumulatesInItsDirection) {
    CInstance instance = Fresh();
    instance.gravity = 0.5;
    instance.gravitydir = 270;
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.direction, 270);
    EXPECT_EQ(instance.speed, 0.5);
    instance.ApplyFrictionAndGravity();
    EXPECT_EQ(instance.direction, 270);
    EXPECT_EQ(instance.speed, 1.0);
    EXPECT_NEAR(instance.vspeed, 1.0, 1e-15);
}

TEST_F(InstanceTest, FrictionActsBeforeGravity) {
    CInstance instance = Moving(0.3);
    instance.friction = 0.5;
    instance.gravity = 1;
    instance.gravitydir = 0;
    instance.ApplyFrictionAndGravity();
    // Friction stops the instance first, then gravity adds its full amount (the other order
    // would leave 0.8).
    EXPECT_EQ(instance.speed, 1);
    EXPECT_EQ(instance.direction, 0);
}

TEST_F(InstanceTest, AlarmNumbersOutsideZeroToThreeMeanAlarmZeroWhenWritten) {
    CInstance instance = Fresh();
    instance.SetAlarm(3, 12);
    EXPECT_EQ(instance.GetAlarm(3), 12);
    instance.SetAlarm(7, 10);
    EXPECT_EQ(instance.GetAlarm(0), 10);
    instance.SetAlarm(-1, 11);
    EXPECT_EQ(instance.GetAlarm(0), 11);
    EXPECT_EQ(instance.GetAlarm(1), -1);
    EXPECT_EQ(instance.GetAlarm(4), -1);
    EXPECT_EQ(instance.GetAlarm(-1), -1);
}

TEST_F(InstanceTest, TheListNumbersInstancesFromOneInCreationOrder) {
    CInstanceList list;
    CInstance& first = list.Add(objects, 1, 5, 6);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(&list.Get(1), &first);
    EXPECT_EQ(first.x, 5);
    EXPECT_EQ(first.image_index, -1); // set up

    // Adding many more (the list grows in steps) moves no instance.
    for (int i = 2; i <= 250; ++i) {
        list.Add(objects, 1 + i % 2, i, 0);
    }
    EXPECT_EQ(list.Count(), 250);
    EXPECT_EQ(&list.Get(1), &first);
    EXPECT_EQ(list.Get(250).x, 250);
    EXPECT_EQ(list.Get(250).object, 1);
    EXPECT_EQ(list.Get(249).object, 2);
}

TEST_F(InstanceTest, MarkedInstancesStayUntilCompactedAndTheRestKeepTheirOrder) {
    CInstanceList list;
    for (int i = 1; i <= 6; ++i) {
        list.Add(objects, 2, i, 0);
    }
    CInstance& kept = list.Get(5);
    list.Get(1).MarkDeleted();
    list.Get(3).MarkDeleted();
    list.Get(4).MarkDeleted();
    EXPECT_EQ(list.Count(), 6);
    EXPECT_TRUE(list.Get(3).deleted);

    list.Compact();
    std::vector<double> xs;
    for (int i = 1; i <= list.Count(); ++i) {
        xs.push_back(list.Get(i).x);
        EXPECT_FALSE(list.Get(i).deleted);
    }
    EXPECT_EQ(xs, (std::vector<double>{2, 5, 6}));
    EXPECT_EQ(&list.Get(2), &kept);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(objects, 1, 0, 0);
    EXPECT_EQ(list.Count(), 1);
}

// What every phase of a step relies on: a walk sees the room as it stood when the walk began.
// Instances that the visits create wait for the next walk; one that a visit destroys, ahead
// of its turn, is not visited any more.
TEST_F(InstanceTest, AWalkVisitsTheLiveInstancesItBeganWithInCreationOrder) {
    CInstanceList list;
    for (int i = 1; i <= 5; ++i) {
        list.Add(objects, 2, i, 0);
    }
    list.Get(2).MarkDeleted(); // before the walk
    std::vector<double> visited;
    list.ForEachLive([&](CInstance& instance) {
        visited.push_back(instance.x);
        if (instance.x == 1) {
            list.Get(4).MarkDeleted(); // during the walk, ahead of its turn
            list.Add(objects, 2, 10, 0);
        }
        if (instance.x == 3) {
            instance.MarkDeleted(); // its own turn goes on
            list.Add(objects, 2, 11, 0);
        }
    });
    EXPECT_EQ(visited, (std::vector<double>{1, 3, 5}));

    // The next walk sees what the first one created, and nothing marked deleted.
    visited.clear();
    list.ForEachLive([&](const CInstance& instance) { visited.push_back(instance.x); });
    EXPECT_EQ(visited, (std::vector<double>{1, 5, 10, 11}));
}

TEST_F(InstanceTest, AWalkEndsWhenAVisitAnswersFalse) {
    CInstanceList list;
    for (int i = 1; i <= 4; ++i) {
        list.Add(objects, 2, i, 0);
    }
    int visits = 0;
    const bool completed = list.ForEachLive([&](const CInstance& instance) {
        ++visits;
        return instance.x < 2;
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(visits, 2);
    EXPECT_TRUE(list.ForEachLive([](const CInstance&) { return true; }));
    EXPECT_TRUE(CInstanceList().ForEachLive([](const CInstance&) { return false; }));
}

} // namespace
} // namespace velkaro
