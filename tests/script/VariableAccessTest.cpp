#include "script/VariableAccess.h"

#include "data/GameLoader.h"
#include "script/VariableNames.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

// A game with objects 1 "ball" (a 32 x 24 sprite of 3 sub-images, box 2..30 x 4..20) and
// 2 "wall", three rooms, and two sounds. Self is a ball at (10, 20), other a wall.
class VariableAccess : public ::testing::Test {
protected:
    VariableAccess() {
        CObject& ball = data.objects.Add();
        ball.name = "ball";
        ball.image.width = 32;
        ball.image.height = 24;
        for (int i = 0; i < 3; ++i) {
            ball.image.AddFrame(Bitmap(32, 24));
        }
        ball.bbLeft = 2;
        ball.bbRight = 30;
        ball.bbTop = 4;
        ball.bbBottom = 20;
        data.objects.Add().name = "wall";
        for (int i = 0; i < 3; ++i) {
            data.rooms.Add();
        }
        data.sounds.Add().name = "shot";
        data.sounds.Add().name = "boom";
        self = &game.instances.Add(data.objects, 1, 10, 20);
        other = &game.instances.Add(data.objects, 2, 100, 200);
    }

    bool Get(std::int32_t owner, std::int32_t number, const std::string& name, RValue& value,
             std::int64_t index = 0) {
        return GetVariable(game, *self, *other, owner, number, name, index, value);
    }

    // The value of a read that must succeed.
    RValue Read(std::int32_t owner, std::int32_t number, const std::string& name = "",
                std::int64_t index = 0) {
        RValue value;
        EXPECT_TRUE(Get(owner, number, name, value, index)) << name << " " << number;
        return value;
    }

    double ReadReal(std::int32_t number) { return Read(kOwnerNone, number).real; }

    bool Write(std::int32_t owner, std::int32_t number, const std::string& name,
               const RValue& value, std::int64_t index = 0) {
        return SetVariable(game, runtime, *self, *other, owner, number, name, index, value);
    }

    bool WriteReal(std::int32_t number, double value) {
        return Write(kOwnerNone, number, "", RValue::Real(value));
    }

    GameData data;
    test::PartsInMemory parts{data};
    GameState& game = parts.state;
    test::RecordingRuntime& runtime = parts.runtime;
    CInstance* self = nullptr;
    CInstance* other = nullptr;
};

TEST_F(VariableAccess, InstanceVariablesReadTheFieldsOfTheInstance) {
    self->SetImageScale(2);
    self->SetHdir(-1);
    self->SetHspeed(3);
    self->SetAlarm(0, 5);
    self->SetAlarm(3, 9);
    self->image_speed = 0.25;
    self->image_depth = -4;
    self->xprevious = 7;
    self->friction = 0.5;
    self->gravity = 0.3;
    self->gravitydir = 270;
    self->visible = false;

    EXPECT_EQ(ReadReal(kVarX), 10);
    EXPECT_EQ(ReadReal(kVarY), 20);
    EXPECT_EQ(ReadReal(kVarHDir), -1);
    EXPECT_EQ(ReadReal(kVarVDir), 0);
    EXPECT_EQ(ReadReal(kVarHSpeed), 3);
    EXPECT_EQ(ReadReal(kVarVSpeed), 8) << "a fresh instance has vspeed 8";
    EXPECT_EQ(ReadReal(kVarAlarm), 5) << "alarm is alarm 0";
    EXPECT_EQ(ReadReal(kVarAlarm0), 5);
    EXPECT_EQ(ReadReal(kVarAlarm1), -1);
    EXPECT_EQ(ReadReal(kVarAlarm3), 9);
    EXPECT_EQ(ReadReal(kVarActive), 1);
    EXPECT_EQ(ReadReal(kVarSolid), 0);
    EXPECT_EQ(ReadReal(kVarVisible), 0);
    EXPECT_EQ(ReadReal(kVarBbL), 2);
    EXPECT_EQ(ReadReal(kVarBbR), 30);
    EXPECT_EQ(ReadReal(kVarBbB), 20);
    EXPECT_EQ(ReadReal(kVarBbT), 4);
    EXPECT_EQ(ReadReal(kVarImageIndex), -1);
    EXPECT_EQ(ReadReal(kVarImageSpeed), 0.25);
    EXPECT_EQ(ReadReal(kVarImageDepth), -4);
    EXPECT_EQ(ReadReal(kVarImageScale), 2);
    EXPECT_EQ(ReadReal(kVarImageWidth), 64) << "sprite width times the scale";
    EXPECT_EQ(ReadReal(kVarImageHeight), 48);
    EXPECT_EQ(ReadReal(kVarObject), 1);
    EXPECT_EQ(ReadReal(kVarImageNumber), 3);
    EXPECT_EQ(ReadReal(kVarXPrevious), 7);
    EXPECT_EQ(ReadReal(kVarYPrevious), 20);
    EXPECT_EQ(ReadReal(kVarDirection), 180);
    EXPECT_EQ(ReadReal(kVarSpeed), 3);
    EXPECT_EQ(ReadReal(kVarFriction), 0.5);
    EXPECT_EQ(ReadReal(kVarGravity), 0.3);
    EXPECT_EQ(ReadReal(kVarGravityDir), 270);
    EXPECT_EQ(Read(kOwnerNone, kVarX).kind, kRealValue);

    EXPECT_EQ(Read(kOwnerOther, kVarX).real, 100);
    EXPECT_EQ(Read(kOwnerOther, kVarImageNumber).real, 0) << "the wall has no sprite";
    EXPECT_EQ(Read(kOwnerSelf, kVarY).real, 20);
}

TEST_F(VariableAccess, PositionScaleAndBoxWritesKeepTheBoxInStep) {
    EXPECT_TRUE(WriteReal(kVarX, 50.5));
    EXPECT_EQ(self->x, 50.5);
    EXPECT_EQ(self->box_left, 52) << "52.5 rounds to even";
    EXPECT_TRUE(WriteReal(kVarY, 0));
    EXPECT_EQ(self->box_top, 4);
    EXPECT_TRUE(WriteReal(kVarImageScale, 2));
    EXPECT_EQ(self->box_right, 110) << "50.5 + 2 * 30 = 110.5 rounds to 110";
    EXPECT_EQ(self->box_bottom, 40);
    EXPECT_TRUE(WriteReal(kVarBbL, -3));
    EXPECT_EQ(self->box_left, 44) << "50.5 - 6 = 44.5 rounds to 44";
    EXPECT_TRUE(WriteReal(kVarBbR, 5));
    EXPECT_EQ(self->box_right, 60) << "50.5 + 10 = 60.5 rounds to 60";
    EXPECT_TRUE(WriteReal(kVarBbT, 1));
    EXPECT_EQ(self->box_top, 2);
    EXPECT_TRUE(WriteReal(kVarBbB, 2));
    EXPECT_EQ(self->box_bottom, 4);
    // Previous positions are stored without touching the box.
    EXPECT_TRUE(WriteReal(kVarXPrevious, 1000));
    EXPECT_TRUE(WriteReal(kVarYPrevious, -1000));
    EXPECT_EQ(self->xprevious, 1000);
    EXPECT_EQ(self->yprevious, -1000);
    EXPECT_EQ(self->box_left, 44);
}

TEST_F(VariableAccess, MotionWritesKeepBothRepresentationsInStep) {
    // A fresh instance: hspeed 3 alone leaves it still, hdir 1 then sets it moving.
    EXPECT_TRUE(WriteReal(kVarHSpeed, 3));
    EXPECT_EQ(self->speed, 0);
    EXPECT_TRUE(WriteReal(kVarHDir, 1));
    EXPECT_EQ(self->speed, 3);
    EXPECT_EQ(self->direction, 0);
    EXPECT_TRUE(WriteReal(kVarVDir, -1));
    EXPECT_TRUE(WriteReal(kVarVSpeed, 3));
    EXPECT_DOUBLE_EQ(self->direction, 45);

    EXPECT_TRUE(WriteReal(kVarDirection, 90));
    EXPECT_TRUE(WriteReal(kVarSpeed, 4));
    EXPECT_EQ(self->hdir, 1);
    EXPECT_EQ(self->vdir, 1);
    EXPECT_NEAR(self->hspeed, 0, 1e-12);
    EXPECT_DOUBLE_EQ(self->vspeed, -4) << "moving up";

    // Stored as they are.
    EXPECT_TRUE(WriteReal(kVarFriction, 0.25));
    EXPECT_TRUE(WriteReal(kVarGravity, 0.5));
    EXPECT_TRUE(WriteReal(kVarGravityDir, 270));
    EXPECT_TRUE(WriteReal(kVarImageSpeed, -0.5));
    EXPECT_TRUE(WriteReal(kVarImageDepth, 2.75));
    EXPECT_EQ(self->friction, 0.25);
    EXPECT_EQ(self->gravity, 0.5);
    EXPECT_EQ(self->gravitydir, 270);
    EXPECT_EQ(self->image_speed, -0.5);
    EXPECT_EQ(self->image_depth, 2.75);
    EXPECT_EQ(self->speed, 4) << "friction and gravity act only when the step runs";
}

TEST_F(VariableAccess, AlarmsIndexesAndFlagsTakeRoundedIntegersAndTruth) {
    EXPECT_TRUE(WriteReal(kVarAlarm, 2.5));
    EXPECT_EQ(self->GetAlarm(0), 2);
    EXPECT_TRUE(WriteReal(kVarAlarm2, 3.5));
    EXPECT_EQ(self->GetAlarm(2), 4);
    EXPECT_TRUE(WriteReal(kVarAlarm3, -1));
    EXPECT_EQ(self->GetAlarm(3), -1);
    EXPECT_TRUE(Write(kOwnerNone, kVarAlarm, "alarm", RValue::Real(7), 2));
    EXPECT_EQ(self->GetAlarm(0), 7) << "alarm[2] is alarm 0: built-ins ignore the index";
    EXPECT_EQ(self->GetAlarm(2), 4);
    EXPECT_EQ(Read(kOwnerNone, kVarAlarm, "alarm", 3).real, 7);

    EXPECT_TRUE(WriteReal(kVarImageIndex, 1.5));
    EXPECT_EQ(self->image_index, 2);
    EXPECT_TRUE(WriteReal(kVarImageIndex, -0.5));
    EXPECT_EQ(self->image_index, 0);

    EXPECT_TRUE(WriteReal(kVarSolid, 0.6));
    EXPECT_TRUE(self->solid);
    EXPECT_TRUE(WriteReal(kVarSolid, 0.5));
    EXPECT_FALSE(self->solid);
    EXPECT_TRUE(WriteReal(kVarVisible, 0.5));
    EXPECT_FALSE(self->visible);
    EXPECT_TRUE(WriteReal(kVarVisible, 2));
    EXPECT_TRUE(self->visible);
    EXPECT_TRUE(WriteReal(kVarActive, -1));
    EXPECT_FALSE(self->active);
    // A string counts by its real part.
    EXPECT_TRUE(Write(kOwnerNone, kVarActive, "active", RValue::String("yes")));
    EXPECT_FALSE(self->active);
}

TEST_F(VariableAccess, ReadOnlyInstanceVariablesRefuseWrites) {
    for (std::int32_t number : {kVarImageWidth, kVarImageHeight, kVarObject, kVarImageNumber}) {
        EXPECT_FALSE(WriteReal(number, 5)) << number;
        EXPECT_FALSE(Write(kOwnerOther, number, "", RValue::Real(5))) << number;
    }
    EXPECT_EQ(self->object, 1);
    EXPECT_EQ(ReadReal(kVarImageWidth), 32);
}

TEST_F(VariableAccess, GameVariablesReadTheGameState) {
    game.room = 2;
    game.cellsize = 32;
    game.room_columns = 20;
    game.room_rows = 15;
    game.mousex = 12.5;
    game.mousey = -3;
    game.mousebutton = 3;
    game.lastkeypressed = 37;
    game.keypressed = 38;
    game.gamespeed = 30;
    game.back_color = 0xFF8000;
    game.back_x = 1.5;
    game.back_y = 2.5;
    game.back_hspeed = -1;
    game.back_vspeed = 4;
    game.view_restrict = true;
    game.view_x = 64.5;
    game.view_y = 32;
    game.view_w = 320;
    game.view_h = 240;
    game.view_border = 48;
    game.view_object = 1;
    game.score = 1234;
    game.showscore = true;
    game.helpkey = 112;
    game.quitkey = 27;
    game.screenkey = 0;
    game.gamename = "Pong";
    game.roomname = "Level 2";
    game.directdraw = true;
    game.directsound = false;
    game.lastcharpressed = "q";
    game.fullscreenmode = true;

    const std::vector<std::pair<std::int32_t, double>> reals = {
        {kVarRoom, 2},          {kVarLastRoom, 3},     {kVarRoomWidth, 640},
        {kVarRoomHeight, 480},  {kVarCellSize, 32},    {kVarMouseX, 12.5},
        {kVarMouseY, -3},       {kVarMouseButton, 3},  {kVarLastKeyPressed, 37},
        {kVarKeyPressed, 38},   {kVarGameSpeed, 30},   {kVarBackColor, 0xFF8000},
        {kVarBackX, 1.5},       {kVarBackY, 2.5},      {kVarBackHSpeed, -1},
        {kVarBackVSpeed, 4},    {kVarViewRestrict, 1}, {kVarViewX, 64.5},
        {kVarViewY, 32},        {kVarViewW, 320},      {kVarViewH, 240},
        {kVarViewBorder, 48},   {kVarViewObject, 1},   {kVarScore, 1234},
        {kVarShowScore, 1},     {kVarHelpKey, 112},    {kVarQuitKey, 27},
        {kVarScreenKey, 0},     {kVarDirectDraw, 1},   {kVarDirectSound, 0},
        {kVarFullScreenMode, 1}};
    for (const auto& [number, expected] : reals) {
        const RValue value = Read(kOwnerNone, number);
        EXPECT_EQ(value, RValue::Real(expected)) << number;
    }
    EXPECT_EQ(Read(kOwnerNone, kVarGameName), RValue::String("Pong"));
    EXPECT_EQ(Read(kOwnerNone, kVarRoomName), RValue::String("Level 2"));
    EXPECT_EQ(Read(kOwnerNone, kVarLastCharPressed), RValue::String("q"));

    const GameData noGame;
    const GameState empty(noGame);
    RValue value;
    EXPECT_TRUE(GetVariable(empty, *self, *other, kOwnerNone, kVarLastRoom, "", 0, value));
    EXPECT_EQ(value.real, 0) << "no game loaded, no rooms";
}

TEST_F(VariableAccess, GameVariableWritesStoreRoundOrTakeTheStringPart) {
    EXPECT_TRUE(WriteReal(kVarMouseX, 1.25));
    EXPECT_TRUE(WriteReal(kVarMouseY, -2.75));
    EXPECT_TRUE(WriteReal(kVarGameSpeed, 12.5));
    EXPECT_TRUE(WriteReal(kVarBackX, 0.5));
    EXPECT_TRUE(WriteReal(kVarBackY, 1.5));
    EXPECT_TRUE(WriteReal(kVarBackHSpeed, -0.5));
    EXPECT_TRUE(WriteReal(kVarBackVSpeed, 2.5));
    EXPECT_TRUE(WriteReal(kVarViewX, 10.5));
    EXPECT_TRUE(WriteReal(kVarViewY, 20.5));
    EXPECT_TRUE(WriteReal(kVarViewBorder, 7.5));
    EXPECT_EQ(game.mousex, 1.25);
    EXPECT_EQ(game.mousey, -2.75);
    EXPECT_EQ(game.gamespeed, 12.5);
    EXPECT_EQ(game.back_x, 0.5);
    EXPECT_EQ(game.back_y, 1.5);
    EXPECT_EQ(game.back_hspeed, -0.5);
    EXPECT_EQ(game.back_vspeed, 2.5);
    EXPECT_EQ(game.view_x, 10.5);
    EXPECT_EQ(game.view_y, 20.5);
    EXPECT_EQ(game.view_border, 7.5);

    EXPECT_TRUE(WriteReal(kVarScore, 2.5));
    EXPECT_EQ(game.score, 2) << "halves go to the even neighbour";
    EXPECT_TRUE(WriteReal(kVarScore, -3.5));
    EXPECT_EQ(game.score, -4);
    EXPECT_TRUE(WriteReal(kVarMouseButton, 1.5));
    EXPECT_TRUE(WriteReal(kVarLastKeyPressed, 65.4));
    EXPECT_TRUE(WriteReal(kVarKeyPressed, 66.6));
    EXPECT_TRUE(WriteReal(kVarBackColor, 255.5));
    EXPECT_TRUE(WriteReal(kVarViewObject, 0.5));
    EXPECT_TRUE(WriteReal(kVarHelpKey, 0));
    EXPECT_TRUE(WriteReal(kVarQuitKey, 81));
    EXPECT_TRUE(WriteReal(kVarScreenKey, 114.5));
    EXPECT_EQ(game.mousebutton, 2);
    EXPECT_EQ(game.lastkeypressed, 65);
    EXPECT_EQ(game.keypressed, 67);
    EXPECT_EQ(game.back_color, 256);
    EXPECT_EQ(game.view_object, 0);
    EXPECT_EQ(game.helpkey, 0);
    EXPECT_EQ(game.quitkey, 81);
    EXPECT_EQ(game.screenkey, 114);
    EXPECT_TRUE(WriteReal(kVarScore, 4294967296.0 + 7));
    EXPECT_EQ(game.score, 7) << "the low 32 bits of the rounded integer";

    EXPECT_TRUE(WriteReal(kVarShowScore, 0.6));
    EXPECT_TRUE(game.showscore);
    EXPECT_TRUE(WriteReal(kVarShowScore, 0.5));
    EXPECT_FALSE(game.showscore);

    EXPECT_TRUE(Write(kOwnerNone, kVarRoomName, "roomname", RValue::String("Cave")));
    EXPECT_EQ(game.roomname, "Cave");
    EXPECT_TRUE(Write(kOwnerNone, kVarLastCharPressed, "", RValue::String("x")));
    EXPECT_EQ(game.lastcharpressed, "x");
    EXPECT_TRUE(WriteReal(kVarRoomName, 5));
    EXPECT_EQ(game.roomname, "") << "a real's string part is empty";
}

TEST_F(VariableAccess, ReadOnlyGameVariablesRefuseWrites) {
    game.cellsize = 32;
    game.view_w = 320;
    game.gamename = "Pong";
    for (std::int32_t number :
         {kVarLastRoom, kVarRoomWidth, kVarRoomHeight, kVarCellSize, kVarViewRestrict, kVarViewW,
          kVarViewH, kVarGameName, kVarDirectDraw, kVarDirectSound}) {
        EXPECT_FALSE(WriteReal(number, 1)) << number;
    }
    EXPECT_FALSE(Write(kOwnerNone, kVarGameName, "gamename", RValue::String("Other")));
    EXPECT_EQ(game.cellsize, 32);
    EXPECT_EQ(game.view_w, 320);
    EXPECT_FALSE(game.view_restrict);
    EXPECT_EQ(game.gamename, "Pong");
    EXPECT_FALSE(game.directdraw);
}

TEST_F(VariableAccess, RoomAndScreenModeWritesReachTheRuntime) {
    game.room = 1;
    EXPECT_TRUE(WriteReal(kVarRoom, 2.5));
    EXPECT_TRUE(WriteReal(kVarRoom, 7));
    EXPECT_EQ(runtime.rooms, (std::vector<std::int32_t>{2, 7}))
        << "the runtime checks the number; the write only asks";
    EXPECT_EQ(game.room, 1) << "the room changes after the step, not now";

    EXPECT_TRUE(WriteReal(kVarFullScreenMode, 0.6));
    EXPECT_TRUE(WriteReal(kVarFullScreenMode, 0.5));
    EXPECT_TRUE(Write(kOwnerNone, kVarFullScreenMode, "", RValue::String("1")));
    EXPECT_EQ(runtime.screenModes, (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(game.fullscreenmode) << "the runtime decides whether full screen is possible";
}

TEST_F(VariableAccess, UserVariablesBelongToSelfOtherOrTheGlobals) {
    RValue value;
    EXPECT_FALSE(Get(kOwnerNone, kUserVariable, "lives", value)) << "never written";
    EXPECT_EQ(value, RValue());
    EXPECT_TRUE(Write(kOwnerNone, kUserVariable, "lives", RValue::Real(3)));
    EXPECT_EQ(Read(kOwnerSelf, kUserVariable, "lives").real, 3) << "no prefix means self";
    EXPECT_FALSE(Get(kOwnerOther, kUserVariable, "lives", value));
    EXPECT_FALSE(Get(kOwnerGlobal, kUserVariable, "lives", value));

    EXPECT_TRUE(Write(kOwnerOther, kUserVariable, "lives", RValue::String("many")));
    EXPECT_EQ(Read(kOwnerOther, kUserVariable, "lives"), RValue::String("many"));
    EXPECT_TRUE(Write(kOwnerGlobal, kUserVariable, "lives", RValue::Real(9)));
    EXPECT_EQ(Read(kOwnerGlobal, kUserVariable, "lives").real, 9);
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "lives").real, 3);

    // self.score and global.score carry the built-in number, but only a bare name means the
    // game's score.
    game.score = 50;
    EXPECT_FALSE(Get(kOwnerSelf, kVarScore, "score", value));
    EXPECT_FALSE(Get(kOwnerGlobal, kVarScore, "score", value));
    EXPECT_TRUE(Write(kOwnerSelf, kVarScore, "score", RValue::Real(1)));
    EXPECT_TRUE(Write(kOwnerGlobal, kVarScore, "score", RValue::Real(2)));
    EXPECT_EQ(Read(kOwnerSelf, kVarScore, "score").real, 1);
    EXPECT_EQ(Read(kOwnerGlobal, kVarScore, "score").real, 2);
    EXPECT_EQ(Read(kOwnerNone, kVarScore, "score").real, 50);
    EXPECT_EQ(game.score, 50);
    EXPECT_TRUE(Write(kOwnerGlobal, kVarX, "x", RValue::Real(77)));
    EXPECT_EQ(self->x, 10) << "global.x is a global user variable";
    EXPECT_EQ(Read(kOwnerGlobal, kVarX, "x").real, 77);
}

TEST_F(VariableAccess, IndexesReachOnlyUserVariables) {
    EXPECT_TRUE(Write(kOwnerNone, kUserVariable, "a", RValue::Real(5), 5));
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "a", 5).real, 5);
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "a", 2), RValue()) << "grown with zeros";
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "a", 6), RValue()) << "beyond the end";
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "a", -1), RValue());
    EXPECT_TRUE(Write(kOwnerNone, kUserVariable, "b", RValue::Real(1), 40000));
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "b", 0), RValue()) << "created, write dropped";
    EXPECT_EQ(Read(kOwnerNone, kUserVariable, "b", 40000), RValue());
    EXPECT_TRUE(Write(kOwnerGlobal, kUserVariable, "g", RValue::Real(8), 31999));
    EXPECT_EQ(Read(kOwnerGlobal, kUserVariable, "g", 31999).real, 8);

    self->SetX(4);
    EXPECT_TRUE(Write(kOwnerNone, kVarX, "x", RValue::Real(6), 40000));
    EXPECT_EQ(self->x, 6) << "built-ins ignore the index, even one out of range";
    EXPECT_EQ(Read(kOwnerNone, kVarX, "x", -7).real, 6);
    game.score = 3;
    EXPECT_EQ(Read(kOwnerNone, kVarScore, "score", 9).real, 3);
}

TEST_F(VariableAccess, SoundsAndBareNamesReadAsNumbersAndRefuseWrites) {
    EXPECT_EQ(Read(kOwnerSound, 2, "boom"), RValue::Real(2));
    RValue value;
    EXPECT_FALSE(Get(kOwnerSound, kUserVariable, "none", value));
    EXPECT_FALSE(Write(kOwnerSound, 2, "boom", RValue::Real(1)));
    EXPECT_FALSE(Write(kOwnerSound, kUserVariable, "none", RValue::Real(1)));

    EXPECT_EQ(Read(kOwnerName, kOwnerSelf, "self"), RValue::Real(-1));
    EXPECT_EQ(Read(kOwnerName, kOwnerOther, "other"), RValue::Real(-2));
    EXPECT_EQ(Read(kOwnerName, 2, "wall"), RValue::Real(2));
    EXPECT_FALSE(Write(kOwnerName, kOwnerSelf, "self", RValue::Real(1)));
    EXPECT_FALSE(Write(kOwnerName, 2, "wall", RValue::Real(1)));

    EXPECT_FALSE(Get(kOwnerUnknown, kVarX, "x", value)) << "a prefix naming nothing";
    EXPECT_FALSE(Write(kOwnerUnknown, kVarX, "x", RValue::Real(1)));
}

TEST_F(VariableAccess, AnObjectPrefixReadsTheFirstLiveInstanceAndWritesEveryOne) {
    CInstance& ball2 = game.instances.Add(data.objects, 1, 30, 40);
    CInstance& ball3 = game.instances.Add(data.objects, 1, 50, 60);
    self->MarkDeleted();
    EXPECT_EQ(Read(1, kVarX, "x").real, 30) << "the first ball not marked for removal";
    EXPECT_EQ(Read(2, kVarY, "y").real, 200);

    EXPECT_TRUE(Write(1, kVarX, "x", RValue::Real(5)));
    EXPECT_EQ(ball2.x, 5);
    EXPECT_EQ(ball3.x, 5);
    EXPECT_EQ(self->x, 10) << "marked instances are left alone";
    EXPECT_EQ(other->x, 100);

    EXPECT_TRUE(Write(1, kUserVariable, "hits", RValue::Real(2), 1));
    EXPECT_EQ(Read(1, kUserVariable, "hits", 1).real, 2);
    RValue value;
    EXPECT_FALSE(Get(kOwnerSelf, kUserVariable, "hits", value)) << "self, marked, was skipped";
    EXPECT_FALSE(Write(1, kVarObject, "object", RValue::Real(2)));

    ball2.MarkDeleted();
    ball3.MarkDeleted();
    EXPECT_FALSE(Get(1, kVarX, "x", value)) << "no live ball to read";
    EXPECT_TRUE(Write(1, kVarX, "x", RValue::Real(9))) << "writing no instance succeeds";
    EXPECT_TRUE(Write(1, kVarObject, "object", RValue::Real(2)));
    EXPECT_EQ(ball2.x, 5);
    EXPECT_FALSE(Get(3, kVarX, "x", value)) << "an object number beyond the objects";
    EXPECT_TRUE(Write(3, kVarX, "x", RValue::Real(9)));
}

} // namespace
} // namespace velkaro
