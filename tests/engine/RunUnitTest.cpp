#include "engine/RunUnit.h"
#include "engine/WindowInput.h"

#include "engine/GameLoop.h"
#include "engine/Joystick.h"
#include "support/GamePlayTest.h"
#include "support/RecordingGameServices.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

using test::NoPictures;
using test::QuietScreen;
using test::RecordingShell;

// Start, end and the screens between, in one record, to check their order.
class RecordingGameShell : public GameShell, public ScreenService {
public:
    void LoadScores() override { calls.push_back("scores"); }
    bool StartSounds() override {
        calls.push_back("sounds");
        return true;
    }
    void EndSounds() override { calls.push_back("end sounds"); }
    void StartMusic(std::int32_t order, const std::vector<std::string>&) override {
        calls.push_back("music " + std::to_string(order));
    }
    void StopMusic() override { calls.push_back("stop music"); }
    void ShowSplashImage(const std::string& file, bool, std::int32_t delayMs) override {
        calls.push_back("image " + file + " " + std::to_string(delayMs));
    }
    void ShowSplashVideo(const std::string& file, bool, bool) override {
        calls.push_back("video " + file);
    }
    void ShowSplashText(const std::string& file, bool, Colour, std::int32_t) override {
        calls.push_back("text " + file);
    }
    std::vector<std::string> calls;
};

class FakeJoystick : public DeviceInput {
public:
    bool KeyDown(std::int32_t key) override { return key != 0 && key == heldKey; }
    bool MouseButtonDown(std::int32_t) override { return false; }
    std::optional<JoystickState> ReadJoystick() override { return state; }
    std::optional<JoystickState> state;
    std::int32_t heldKey = 0;
};

constexpr std::int32_t kLogger = 1; // first in every room: starts the log

// Small games in memory. Events log into the global "log" as "<tag><x> ", so a test reads
// which events ran, for whom and in what order.
class RunUnitTest : public test::GamePlayTest {
protected:
    RunUnitTest() {
        CObject& logger = AddObject("logger", false, 0);
        On(logger, kCreationEvent, 0, "global.log = ''");
    }

    static void Log(CObject& object, int row, int sub, const std::string& tag) {
        On(object, row, sub, "global.log += '" + tag + "' + string(x) + ' '");
    }

    // A room of 10 x 10 cells of 10 pixels: 100 x 100.
    CRoom& AddRoom(std::vector<std::array<std::int32_t, 3>> instances) {
        CRoom& room = data.rooms.Add();
        room.widthInCells = 10;
        room.heightInCells = 10;
        room.cellSize = 10;
        room.AddInstance(0, 0, kLogger);
        for (const auto& [column, row, object] : instances) {
            room.AddInstance(column, row, object);
        }
        return room;
    }

    CGame& Start() { return StartOn(platform); }

    CInstance& Instance(int i) { return game->State().instances.Get(i); }
    CInstance& Add(std::int32_t object, double x, double y) {
        return game->State().instances.Add(data.objects, object, x, y);
    }

    QuietScreen screen;
    NoPictures pictures;
    // The boxes and error reports.
    RecordingShell boxes;
    RecordingGameShell shell;
    FakeJoystick joystick;
    GamePlatform platform{screen, pictures, boxes, boxes,    boxes,
                          shell,  boxes,    shell, joystick, boxes};
};

TEST_F(RunUnitTest, StartingARoomPlacesItsInstancesOnTheGridAndCreatesThemInOrder) {
    CObject& ball = AddObject("ball", false, 3);
    Log(ball, kCreationEvent, 0, "C");
    CRoom& room = AddRoom({{2, 3, 2}, {5, 1, 2}});
    room.name = "hall";
    room.gameSpeed = 40;
    room.backgroundMode = 1;
    room.backgroundHSpeed = 3;
    Start();
    const GameState& state = game->State();
    EXPECT_EQ(TakeLog(), "C20 C50 ");
    EXPECT_EQ(Instance(2).y, 30);
    EXPECT_EQ(state.room, 1);
    EXPECT_EQ(state.roomname, "hall");
    EXPECT_EQ(state.gamespeed, 40);
    EXPECT_EQ(state.back_hspeed, 0) << "only a moving background scrolls";
    EXPECT_EQ(state.room_columns * state.cellsize, 100);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"scores", "sounds"}));
    EXPECT_EQ(state.quitkey, 27);
    EXPECT_EQ(state.random.State(), 12345u);
}

// A game author's Creation event that creates an instance of its own object would run without
// end: the game stops it with one fatal report naming the event, and ends after the step.
TEST_F(RunUnitTest, ACreationEventCreatingItsOwnObjectEndsTheGameWithOneReport) {
    CObject& spawner = AddObject("spawner", false, 3);
    On(spawner, kCreationEvent, 0, "create(0, 0, 2)");
    AddRoom({{0, 0, 2}});
    Start();
    ASSERT_EQ(boxes.errorReports.size(), 1u);
    EXPECT_EQ(boxes.errorReports[0].text,
              std::string("FATAL ERROR:\rin Creation event of object spawner\r") +
                  kEventsNestedTooDeeply);
    EXPECT_TRUE(boxes.errorReports[0].fatal);
    // The logger, the placed spawner and those created inside one another up to the limit,
    // the last with its Creation event refused.
    EXPECT_EQ(game->State().instances.Count(), 2 + CNestingGuard::kMaxEventDepth);
    EXPECT_EQ(game->State().next_room, -1);
    EXPECT_FALSE(game->State().game_running);
}

TEST_F(RunUnitTest, AlarmsFireOnTheStepTheyCountDownTo) {
    CObject& clock = AddObject("clock", false, 3);
    On(clock, kCreationEvent, 0, "{ alarm0 = 3; alarm1 = 1; alarm2 = 0 }");
    Log(clock, kAlarmEvent, 0, "A0:");
    Log(clock, kAlarmEvent, 1, "A1:");
    Log(clock, kAlarmEvent, 2, "A2:");
    AddRoom({{0, 0, 2}});
    Start();
    std::vector<std::string> steps;
    for (int i = 0; i < 4; ++i) {
        game->RunStep();
        steps.push_back(TakeLog());
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"A1:0 ", "", "A0:0 ", ""}));
    EXPECT_EQ(Instance(2).alarms[0], -1);
}

TEST_F(RunUnitTest, KeyboardEventsConsumeTheKeyUnlessContinuous) {
    CObject& ship = AddObject("ship", false, 3);
    Log(ship, kKeyboardEvent, 37, "K");
    Log(ship, kKeyboardEvent, 0, "N");
    AddRoom({{1, 0, 2}, {2, 0, 2}});
    Start();
    GameState& state = game->State();
    state.lastkeypressed = 37;
    state.keypressed = 37;
    game->RunStep();
    EXPECT_EQ(TakeLog(), "K10 K20 ") << "every instance gets the key of its step";
    EXPECT_EQ(state.lastkeypressed, 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "") << "a held key without a new key-down runs nothing";
    state.keypressed = 0;
    game->RunStep();
    EXPECT_EQ(TakeLog(), "N10 N20 ");

    data.options.continuous = true;
    state.keypressed = 37;
    game->RunStep();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "K10 K20 K10 K20 ");
}

TEST_F(RunUnitTest, AKeyNobodyHandlesWaitsForAnInstanceThatDoes) {
    CObject& ship = AddObject("ship", false, 3);
    Log(ship, kKeyboardEvent, 65, "K");
    AddRoom({});
    Start();
    game->State().lastkeypressed = 65;
    game->State().keypressed = 65;
    game->RunStep();
    EXPECT_EQ(game->State().lastkeypressed, 65);
    Add(2, 40, 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "K40 ");
}

TEST_F(RunUnitTest, JoystickCodesFollowTheKeypadAndButtonsWin) {
    EXPECT_EQ(JoystickCode(std::nullopt), 0);
    EXPECT_EQ(JoystickCode(JoystickState{32768, 32768, 0}), 0);
    EXPECT_EQ(JoystickCode(JoystickState{0, 0, 0}), 103);         // up left: keypad 7
    EXPECT_EQ(JoystickCode(JoystickState{44000, 19999, 0}), 104); // up
    EXPECT_EQ(JoystickCode(JoystickState{44001, 65535, 0}), 99);  // down right: keypad 3
    EXPECT_EQ(JoystickCode(JoystickState{20000, 44001, 0}), 98);  // down
    EXPECT_EQ(JoystickCode(JoystickState{0, 32768, 0b0001}), 65); // button 1 over left
    EXPECT_EQ(JoystickCode(JoystickState{0, 32768, 0b1010}), 68); // the higher button wins

    CObject& ship = AddObject("ship", false, 3);
    Log(ship, kKeyboardEvent, 100, "J");
    AddRoom({{1, 0, 2}});
    Start();
    joystick.state = JoystickState{0, 32768, 0};
    game->RunStep();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "J10 J10 ") << "held sticks repeat every step";
}

TEST_F(RunUnitTest, MouseEventsRunForInstancesUnderTheMouse) {
    CObject& button = AddObject("button", false, 9);
    Log(button, kMouseEvent, 3, "None");
    Log(button, kMouseEvent, 0, "Left");
    AddRoom({{1, 1, 2}, {5, 1, 2}});
    Start();
    GameState& state = game->State();
    state.mousex = 55;
    state.mousey = 15;
    game->RunStep();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "None50 None50 ");
    state.mousebutton = 1;
    state.mousex = 19;
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Left10 ");
    MouseUp(state, 19, 15);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "None10 ") << "a release seen by the window reaches the next step";

    // A tap on a touchpad goes down and up between two steps: it is a click, for one step.
    MouseDown(state, 1, 19, 15);
    MouseUp(state, 19, 15);
    game->RunStep();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Left10 None10 ");
}

TEST_F(RunUnitTest, StepThenMotionMovesToTheLastBit) {
    CObject& ball = AddObject("ball", false, 3);
    On(ball, kStepEvent, 0, "{ hdir = 1; hspeed = 0.1; vdir = -1; vspeed = 2.5 }");
    AddRoom({{1, 4, 2}});
    Start();
    game->RunStep();
    game->RunStep();
    const CInstance& instance = Instance(2);
    EXPECT_EQ(instance.xprevious, 10 + 0.1);
    EXPECT_EQ(instance.x, 10 + 0.1 + 0.1);
    EXPECT_EQ(instance.y, 35.0);
}

TEST_F(RunUnitTest, OutsideAndBoundaryUseTheExactPositionAndUnscaledBox) {
    CObject& ball = AddObject("ball", false, 4);
    On(ball, kOtherEvent, 0, "global.log += 'Out' + string(x * 4) + ' '");
    On(ball, kOtherEvent, 1, "global.log += 'Edge' + string(x * 4) + ' '");
    AddRoom({});
    Start();
    Add(2, -0.25, 50); // over the left edge by a quarter pixel, not outside
    Add(2, 0, 50);     // inside
    Add(2, 100.5, 50); // beyond the right edge: outside, and over the edge
    CInstance& scaled = Add(2, 96, 50);
    scaled.SetImageScale(2); // the unscaled offsets count: its right side is at 100, inside
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Edge-1 Out402 Edge402 ");
}

// A ball moving right by 4 into a wall at 20..29.
class CollisionPhaseTest : public RunUnitTest {
protected:
    void SetUp() override {
        ball = &AddObject("ball", false, 9);
        Log(*ball, kCollisionEvent, 0, "Hit");
        On(*ball, kCreationEvent, 0, "{ hdir = 1; hspeed = 4 }");
        AddObject("wall", true, 9);
        AddRoom({{1, 0, 2}, {2, 0, 3}});
    }
    CObject* ball = nullptr;
};

TEST_F(CollisionPhaseTest, OnePassMovesOnIntoTheWallAndStopMovingPutsItBack) {
    data.options.stopmoving = false;
    Start();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Hit10 ");
    EXPECT_EQ(Instance(2).x, 14) << "back to 10, then the same motion again";

    data.options.stopmoving = true;
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Hit14 ");
    EXPECT_EQ(Instance(2).x, 14) << "the stop-moving pass restores the previous position";
}

TEST_F(CollisionPhaseTest, NoPassesStillStopInstancesThatWouldCollide) {
    data.options.collisions = 0;
    Start();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "");
    EXPECT_EQ(Instance(2).x, 10);
}

TEST_F(CollisionPhaseTest, PassesRepeatUntilOneFindsNothing) {
    On(*ball, kCollisionEvent, 0, "if global.bounce hdir = -hdir");
    data.options.stopmoving = false;
    data.options.collisions = 3;
    Start();
    game->State().globals.SetValue("bounce", RValue(), 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Hit10 Hit10 Hit10 ") << "the motion leads back into the wall";

    game->State().globals.SetValue("bounce", RValue(kRealValue, 1, ""), 0);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Hit14 ");
    EXPECT_EQ(Instance(2).x, 10);
}

TEST_F(CollisionPhaseTest, ADestroyedInstanceStillGetsItsCollisionAndMeetingsWin) {
    CObject& hunter = AddObject("hunter", false, 9);
    On(hunter, kCollisionEvent, 0, "global.log += 'never '");
    On(hunter, kMeetingEvent, 3, "global.log += 'Met' + string(other.x) + ' '");
    // The ball destroys the hunter before the hunter's turn.
    CAction& destroy = ball->EventList(kCollisionEvent, 0)->Add();
    destroy.id = 312;
    destroy.appliesTo = 4;
    data.rooms.Get(1).AddInstance(2, 0, 4);
    data.options.stopmoving = false;
    Start();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Hit10 Met20 ");
    EXPECT_EQ(game->State().instances.Count(), 3);
}

TEST_F(CollisionPhaseTest, ErrorReportsNameThePhaseThatRanTheEvent) {
    CObject& hunter = AddObject("hunter", false, 9);
    On(hunter, kMeetingEvent, 3, "x = 1 / 0");
    On(hunter, kKeyboardEvent, 65, "x = 1 / 0");
    data.rooms.Get(1).AddInstance(2, 0, 4);
    Start();
    joystick.state = JoystickState{32768, 32768, 1};
    game->RunStep();
    ASSERT_EQ(boxes.errorReports.size(), 2u);
    EXPECT_NE(boxes.errorReports[0].text.find("in Keyboard event of object hunter"),
              std::string::npos)
        << boxes.errorReports[0].text;
    EXPECT_NE(boxes.errorReports[1].text.find("in Collision event of object hunter"),
              std::string::npos)
        << boxes.errorReports[1].text;
}

TEST_F(RunUnitTest, AfterAbortTheStepRunsToItsEndWithoutAnotherBoxAndTheGameStops) {
    CObject& faulty = AddObject("faulty", false, 3);
    On(faulty, kStepEvent, 0, "{ global.log += 'S' + string(x) + ' '; x = 1 / 0 }");
    AddRoom({{1, 0, 2}, {2, 0, 2}, {3, 0, 2}});
    Start();
    boxes.errorAnswers = {ErrorAnswer::Abort};
    game->RunStep();
    EXPECT_EQ(TakeLog(), "S10 S20 S30 ");
    ASSERT_EQ(boxes.errorReports.size(), 1u);
    EXPECT_NE(boxes.errorReports[0].text.find("Division by 0"), std::string::npos);
    EXPECT_TRUE(game->StopRequested());
    EXPECT_FALSE(game->State().game_running);
    // The two later instances reported too: counted, not shown.
    unshownReports = 2;
    EXPECT_NE(game->Errors().FirstUnshown().find("Division by 0"), std::string::npos);
}

TEST_F(RunUnitTest, EveryMeetingIsReportedAndSolidInstancesMeetToo) {
    CObject& eater = AddObject("eater", true, 9);
    On(eater, kMeetingEvent, 3, "global.log += 'Ate' + string(other.x) + ' '");
    AddObject("dot", false, 9);
    AddRoom({{1, 1, 2}, {1, 1, 3}, {9, 9, 3}});
    Start();
    Add(3, 15, 15);
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Ate10 Ate15 ");
}

TEST_F(RunUnitTest, AnInstanceChangedByAMeetingMeetsTheRestAsItsNewObject) {
    CObject& eater = AddObject("eater", false, 9);
    On(eater, kMeetingEvent, 3, "{ global.log += 'A' + string(other.x) + ' '; change(-1, 4) }");
    AddObject("dot", false, 9);
    CObject& fed = AddObject("fed", false, 9);
    On(fed, kMeetingEvent, 5, "global.log += 'B' + string(other.x) + ' '");
    AddObject("crumb", false, 9);
    AddRoom({{1, 1, 2}, {1, 1, 3}});
    Start();
    Add(5, 15, 15);
    game->RunStep();
    // The crumb, which only the object the eater has become meets, is met in the same phase.
    EXPECT_TRUE(boxes.errorReports.empty());
    EXPECT_EQ(TakeLog(), "A10 B15 ");
}

TEST_F(RunUnitTest, ARoomChangeInAStepEventEndsTheStep) {
    CObject& door = AddObject("door", false, 3);
    Log(door, kStepEvent, 0, "Step");
    On(door, kStepEvent, 0, "room = 2");
    On(door, kStepEvent, 0, "global.log += 'after '");
    Log(door, kDrawingEvent, 0, "Draw");
    CObject& ball = AddObject("ball", false, 3);
    Log(ball, kStepEvent, 0, "Ball");
    On(ball, kCreationEvent, 0, "{ hdir = 1; hspeed = 5 }");
    Log(ball, kCreationEvent, 0, "New");
    AddRoom({{1, 0, 2}, {3, 0, 3}});
    AddRoom({{6, 0, 3}});
    Start();
    TakeLog();
    game->RunStep();
    EXPECT_EQ(TakeLog(), "Step10 ");
    EXPECT_EQ(game->State().next_room, 2);
    EXPECT_EQ(game->State().instances.Count(), 0) << "compacted away, nothing drawn";
    game->ChangeRoom();
    EXPECT_EQ(game->State().room, 2);
    EXPECT_EQ(game->State().next_room, 0);
    ASSERT_EQ(game->State().instances.Count(), 2);
    EXPECT_EQ(Instance(2).x, 60);
    EXPECT_EQ(TakeLog(), "New60 ");
}

TEST_F(RunUnitTest, AnimationAndBackgroundAdvanceEveryStep) {
    CRoom& room = AddRoom({});
    room.backgroundMode = 2;
    room.backgroundHSpeed = -2;
    room.backgroundVSpeed = 3;
    Start();
    Instance(1).image_speed = 0.5;
    Instance(1).active = false;
    game->RunStep();
    game->RunStep();
    EXPECT_EQ(game->State().back_x, -4);
    EXPECT_EQ(game->State().back_y, 6);
    EXPECT_EQ(Instance(1).image_counter, 1.0) << "inactive instances animate too";
}

TEST_F(RunUnitTest, StartAndEndScreensAndMusicFollowTheOptions) {
    AddRoom({});
    data.options.music = true;
    data.options.start = 1;
    data.options.startfilename = "intro.bmp";
    data.options.startdelay = 2;
    data.options.end = 3;
    data.options.endfilename = "bye.txt";
    data.options.endmusic = true;
    Start();
    game->EndGame();
    EXPECT_EQ(shell.calls,
              (std::vector<std::string>{"scores", "sounds", "music 2", "image intro.bmp 2000",
                                        "stop music", "text bye.txt", "end sounds"}));
    EXPECT_TRUE(screen.closed);
}

TEST(StepWaitTest, ThePeriodLessTheTimeGoneRoundedHalfToEven) {
    EXPECT_EQ(StepWait(30, 0), 33);
    EXPECT_EQ(StepWait(30, 10), 23);
    EXPECT_EQ(StepWait(400, 0), 2) << "2.5 rounds to the even 2";
    EXPECT_EQ(StepWait(20, 80), -30);
    EXPECT_EQ(StepWait(0, 0), 1000) << "no speed: one step a second";
    EXPECT_EQ(StepWait(-5, 200), 800);
}

// The game thread's body, with a clock that only moves when told to.
class FakeClock : public Clock {
public:
    std::int64_t Milliseconds() override { return now; }
    void Sleep(std::int64_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    std::int64_t now = 1000;
    std::vector<std::int64_t> sleeps;
};

class GameLoopTest : public RunUnitTest {
protected:
    // A game that ends itself in step `lastStep`; step k takes `stepCosts[k - 1]` ms. The
    // player closes the window in step `stopInStep`, or while the game starts for -1.
    void Play(int lastStep, std::int32_t speed, std::vector<std::int64_t> stepCosts = {},
              int stopInStep = 0) {
        CObject& timer = AddObject("timer", false, 3);
        On(timer, kCreationEvent, 0, "global.steps = 0");
        On(timer, kStepEvent, 0,
           "{ global.steps += 1; if global.steps == " + std::to_string(lastStep) + " room = -1 }");
        AddRoom({{0, 0, 2}}).gameSpeed = speed;
        Build(platform, 1u);
        game->StartGameThread([] {});
        RunGameLoop(*game, clock, [&](GameCall, const std::function<void()>& call) {
            const double before = Steps();
            const std::int64_t start = clock.now;
            call();
            if (before < 0 && stopInStep == -1) {
                game->StopGameThread();
            }
            if (before >= 0 && Steps() > before) {
                stepTimes.push_back(start);
                const std::size_t k = stepTimes.size();
                if (k <= stepCosts.size()) {
                    clock.now += stepCosts[k - 1];
                }
                if (static_cast<int>(k) == stopInStep) {
                    game->StopGameThread();
                }
            }
        });
    }

    double Steps() {
        RValue value;
        return game->State().globals.GetValue("steps", 0, value) ? value.real : -1;
    }

    FakeClock clock;
    std::vector<std::int64_t> stepTimes;
};

// Each wait is in whole milliseconds, but the steps keep to the period on average: 30 steps
// take a second, not 990 ms.
TEST_F(GameLoopTest, StepsComeOnePeriodApartOnAverage) {
    Play(3, 30);
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{33, 34, 33}));
    EXPECT_EQ(stepTimes, (std::vector<std::int64_t>{1033, 1067, 1100}));
    EXPECT_FALSE(game->State().game_running);
    EXPECT_TRUE(screen.closed) << "the game was ended";
}

TEST_F(GameLoopTest, AStepThatOverrunsIsFollowedAtOnceAndTheTimeIsNotMadeUp) {
    Play(3, 20, {80, 0, 0});
    EXPECT_EQ(stepTimes, (std::vector<std::int64_t>{1050, 1130, 1180}));
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{50, 50}));
}

TEST_F(GameLoopTest, ASpeedOfNothingRunsOneStepASecond) {
    Play(2, 0);
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{1000, 1000}));
}

TEST_F(GameLoopTest, AStopRequestEndsTheGameAfterTheStep) {
    Play(1000, 50, {}, 2);
    EXPECT_EQ(stepTimes.size(), 2u);
    EXPECT_FALSE(game->State().game_running);
    EXPECT_TRUE(screen.closed);
}

TEST_F(GameLoopTest, AWindowClosedWhileTheGameStartsEndsItWithoutAStep) {
    Play(1000, 50, {}, -1);
    EXPECT_TRUE(stepTimes.empty());
    EXPECT_EQ(Steps(), -1) << "the end of the game clears the globals";
    EXPECT_FALSE(game->State().game_running);
    EXPECT_TRUE(screen.closed);
}

// The game thread as the player runs it: beside the thread that runs the game. A box opened
// between two steps (pausing the game) holds the next step back until it closes.
// A box opened from inside another (a question asked while the help window is open, say) must
// not let the game go on when it closes first. A key whose release the game never saw, because
// a box had the focus, is let go when the game goes on; a key still held stays held.
TEST_F(RunUnitTest, PausesNestAndResumingLetsGoOfKeysNoLongerHeld) {
    AddObject("still", false, 3);
    AddRoom({{0, 0, 2}});
    Start();
    GameState& state = game->State();
    state.keypressed = 37;
    joystick.heldKey = 37;
    game->PauseGame();
    game->PauseGame();
    game->ResumeGame();
    EXPECT_TRUE(state.game_paused);
    state.mousebutton = 1;
    game->ResumeGame();
    EXPECT_FALSE(state.game_paused);
    EXPECT_EQ(state.mousebutton, 0);
    EXPECT_EQ(state.keypressed, 37) << "still held";
    game->ResumeGame(); // one resume too many changes nothing
    game->PauseGame();
    EXPECT_TRUE(state.game_paused);

    joystick.heldKey = 0;
    game->ResumeGame();
    EXPECT_FALSE(state.game_paused);
    EXPECT_EQ(state.keypressed, 0) << "released while the box had the focus";
}

// Game code that loops without end runs on the thread that would see the player close the
// window: it asks now and then, and then ends with a report that offers no way to go on, and
// the game ends. Later loops of the same step end at their first ask, without another box.
TEST_F(RunUnitTest, CodeThatLoopsWithoutEndEndsWhenThePlayerClosesTheGame) {
    CObject& looper = AddObject("looper", false, 3);
    On(looper, kStepEvent, 0, "while true do { x = x }");
    CObject& repeater = AddObject("repeater", false, 3);
    On(repeater, kStepEvent, 0, "repeat 1000000000 { y = y }");
    AddRoom({{0, 0, 2}, {1, 0, 3}});
    Start();
    screen.closeAfterAsks = 2;
    game->RunStep();
    ASSERT_EQ(boxes.errorReports.size(), 1u);
    EXPECT_TRUE(boxes.errorReports[0].fatal);
    EXPECT_EQ(boxes.errorReports[0].text.rfind("FATAL ERROR:\rin Step event of object looper\r"
                                               "in code at line 1 pos ",
                                               0),
              0u)
        << boxes.errorReports[0].text;
    EXPECT_TRUE(boxes.errorReports[0].text.ends_with(kStoppedInLoop));
    EXPECT_TRUE(game->StopRequested());
    unshownReports = 1; // the repeater's, once the game no longer ran
}

TEST_F(RunUnitTest, APausedGameRunsNoStepUntilItIsResumed) {
    CObject& timer = AddObject("timer", false, 3);
    On(timer, kStepEvent, 0, "room = -1");
    AddRoom({{0, 0, 2}}).gameSpeed = 1000;
    Build(platform, 1u);
    std::atomic<int> steps{0};
    std::atomic<bool> started{false};
    FakeClock clock;
    game->StartGameThread([] {});
    std::thread gameThread([&] {
        RunGameLoop(*game, clock, [&](GameCall, const std::function<void()>& call) {
            const bool starting = !started;
            call();
            if (starting) {
                // As if the player pressed the help key as soon as the room was there.
                game->PauseGame();
                started = true;
            } else if (steps == 0) {
                ++steps;
            }
        });
    });
    while (!started) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(steps, 0) << "a step ran behind the box";
    game->ResumeGame();
    gameThread.join();
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(game->State().game_running);
}

TEST_F(RunUnitTest, StoppingAPausedGameEndsItWithoutAnotherStep) {
    CObject& timer = AddObject("timer", false, 3);
    On(timer, kStepEvent, 0, "global.stepped = 1");
    AddRoom({{0, 0, 2}}).gameSpeed = 1000;
    Build(platform, 1u);
    std::atomic<bool> started{false};
    std::atomic<int> calls{0};
    FakeClock clock;
    game->StartGameThread([] {});
    std::thread gameThread([&] {
        RunGameLoop(*game, clock, [&](GameCall, const std::function<void()>& call) {
            call();
            ++calls;
            if (!started) {
                game->PauseGame();
                started = true;
            }
        });
    });
    while (!started) {
        std::this_thread::yield();
    }
    game->StopGameThread();
    gameThread.join();
    EXPECT_EQ(calls, 2) << "the start and the end of the game, and no step between";
    EXPECT_TRUE(screen.closed);
}

} // namespace
} // namespace velkaro
