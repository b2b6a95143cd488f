// A busy room played twice from the same seed, once with the grid and once with its pruning off
// (every instance a candidate): the grid may only save work, so after every step each instance
// must be in the same state, and every place and point question must get the same answer.
#include "engine/RunUnit.h"
#include "functions/FunctionGame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>

namespace velkaro {
namespace {

using test::AddCode;

enum : int { kMover = 1, kWall, kGem, kGhost, kGiant, kPrey, kHunter };

// The globals the room's events count with; each must have counted by the end.
const char* const kCounters[] = {"wallhits", "gems", "pushes",  "meets", "changes", "placed",
                                 "freeless", "seen", "outside", "gone",  "hunted"};

// A sprite of side x side whose solid pixels `shape` picks; the rest, the bottom-left corner
// included, see-through white.
template <typename Shape> void GiveSprite(CObject& object, int side, Shape shape) {
    object.image.width = side;
    object.image.height = side;
    Bitmap frame(side, side, PixelFromColour(0xFFFFFF));
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side - 1; ++y) {
            if (shape(x, y)) {
                frame.At(x, y) = PixelFromRgb(200, 40, 40);
            }
        }
    }
    object.image.AddFrame(frame);
}

GameData BusyRoom(bool precise, int collisions, int walls) {
    GameData data;
    data.options.precise = precise;
    data.options.collisions = collisions;
    auto add = [&data](const std::string& name, bool solid, double left, double right) {
        CObject& object = test::AddObject(data, name, solid, 0);
        object.bbLeft = object.bbTop = left;
        object.bbRight = object.bbBottom = right;
        return &object;
    };
    CObject* mover = add("mover", false, 0, 15);
    CObject* wall = add("wall", true, 0, 31);
    CObject* gem = add("gem", false, 0, 19);
    CObject* ghost = add("ghost", false, -4, 12); // no sprite
    CObject* giant = add("giant", false, 0, 7);
    // Prey are made only by meeting events and are movers again by their next Step event, so
    // the hunter, which meets nothing else, meets only instances changed in the same phase.
    CObject* prey = add("prey", false, 0, 15);
    CObject* hunter = add("hunter", false, 0, 23);
    GiveSprite(*mover, 16, [](int, int) { return true; });
    GiveSprite(*wall, 32, [](int, int) { return true; });
    GiveSprite(*gem, 20, [](int x, int y) { return std::abs(x - 10) + std::abs(y - 10) < 9; });
    GiveSprite(*giant, 8, [](int x, int y) { return (x + y) % 3 != 0; });
    GiveSprite(*prey, 16, [](int, int) { return true; });
    GiveSprite(*hunter, 24, [](int x, int) { return x % 2 == 0; });

    const std::string born = "id = global.next; global.next += 1; hits = 0; "
                             "hspeed = random(7) - 3; vspeed = random(7) - 3; ";
    // Each event adds its instance's id, weighted by its turn, so the order of events counts.
    const std::string note = "global.turn += 1; global.order += global.turn * id; ";
    const std::string stayIn = "if x < 0 or x > roomwidth - 16 then hspeed = -hspeed; "
                               "if y < 0 or y > roomheight - 16 then vspeed = -vspeed; ";
    // The walls are placed first: theirs are the first Creation events.
    std::string counters = "global.next = 1; global.turn = 0; global.order = 0; ";
    for (const char* counter : kCounters) {
        counters += "global." + std::string(counter) + " = 0; ";
    }
    AddCode(*wall, kCreationEvent, 0, "{ " + counters + "}");
    AddCode(*mover, kCreationEvent, 0, "{ " + born + "}");
    AddCode(*mover, kStepEvent, 0,
            "{ " + stayIn +
                "if not is_free(x + hspeed, y + vspeed) then global.freeless += 1; "
                "if object_at(x + 8, y + 8, 3) then global.seen += 1; "
                "if is_meeting(x + hspeed, y, 4) and is_empty(x, y - 40) then hits += 1; "
                "if nothing_at(x - 3, y - 3) then hits += 2 }");
    AddCode(*mover, kMeetingEvent, kWall,
            "{ " + note + "global.wallhits += 1; global.order += other.x; bounce() }");
    AddCode(*mover, kMeetingEvent, kGem,
            "{ " + note +
                "global.gems += 1; destroy(-2); "
                "create(random(roomwidth), random(roomheight), 3) }");
    AddCode(*mover, kMeetingEvent, kGhost,
            "{ " + note + "global.pushes += 1; x += 5; other.y += 3 }");
    AddCode(*mover, kMeetingEvent, kMover,
            "{ " + note +
                "global.meets += 1; hits += 1; "
                "if hits > 40 then begin global.changes += 1; change(-1, 5) end; "
                "if random(20) < 1 then change(-2, 6) }");
    AddCode(*gem, kCreationEvent, 0, "{ " + born + "set_collision_mode(1) }");
    AddCode(*gem, kStepEvent, 0, "{ " + stayIn + "}");
    AddCode(*gem, kCollisionEvent, 0, "{ " + note + "hspeed = -hspeed; vspeed = -vspeed }");
    AddCode(*gem, kMeetingEvent, kMover,
            "{ " + note + "image_scale = 0.5 + random(2); other.x = x }");
    AddCode(*ghost, kCreationEvent, 0, "{ " + born + "}");
    AddCode(*ghost, kStepEvent, 0,
            "{ " + stayIn + "if random(100) < 1 then destroy_at(x + 3, y + 3) }");
    AddCode(*ghost, kDestroyEvent, 0,
            "{ global.gone += 1; create(random(roomwidth), random(roomheight), 1) }");
    AddCode(*ghost, kMeetingEvent, kGem, "{ " + note + "change(-2, 1) }");
    AddCode(*giant, kCreationEvent, 0, "{ " + born + "image_scale = 1.5 + random(2) }");
    AddCode(*giant, kStepEvent, 0,
            "{ " + stayIn +
                "if random(100) < 1 then change_at(x + 4, y + 4, 4); "
                "if random(300) < 1 then x = 100000000000 }");
    AddCode(*giant, kMeetingEvent, kMover,
            "{ " + note + "if random(10) < 1 then begin global.placed += 1; move_random(-1) end }");
    AddCode(*giant, kOtherEvent, 0,
            "{ global.outside += 1; x = random(roomwidth); y = random(roomheight) }");

    AddCode(*prey, kStepEvent, 0, "{ change(-1, 1) }");
    AddCode(*hunter, kCreationEvent, 0, "{ " + born + "}");
    AddCode(*hunter, kStepEvent, 0, "{ " + stayIn + "}");
    AddCode(*hunter, kMeetingEvent, kPrey, "{ " + note + "global.hunted += 1 }");

    CRoom& room = data.rooms.Add();
    room.widthInCells = 20;
    room.heightInCells = 15;
    room.cellSize = 32;
    // In pairs side by side, so that movers meet two at once.
    for (int i = 0; i < walls; ++i) {
        const int pair = i / 2;
        room.AddInstance((pair * 7) % 19 + i % 2, 2 + (pair * 5 + pair / 19) % 12, kWall);
    }
    for (int i = 0; i < 160; ++i) {
        const int kinds[] = {kGem, kGhost, kGiant, kHunter, kMover, kMover, kMover, kMover};
        const int object = kinds[i % 8];
        room.AddInstance(i % 20, (i * 3) % 15, object);
    }
    return data;
}

// One game on fakes of its own.
struct Play {
    Play(bool pruning, bool precise, int collisions, int walls)
        : data(BusyRoom(precise, collisions, walls)) {
        data.files = Files(folder.Path());
        game = std::make_unique<CGame>(data, platform, GameLibraries{FunctionRegistry(), actions},
                                       4242u);
        game->State().instances.Grid().SetPruning(pruning);
        game->StartGameThread([] {});
        game->StartGame();
        // Odd cases that the game's code cannot make: a position that is not a number, no
        // scale, a mirroring scale, and positions beyond what a whole-pixel box can hold.
        CInstanceList& instances = game->State().instances;
        instances.Get(walls + 10).SetX(std::numeric_limits<double>::quiet_NaN());
        instances.Get(walls + 11).SetImageScale(0);
        instances.Get(walls + 12).SetImageScale(-1.5);
        instances.Get(walls + 13).SetX(1e12);
        instances.Get(walls + 14).SetY(-5e9);
    }

    // Every instance and global, exactly.
    std::string State() const {
        std::ostringstream text;
        text << std::hexfloat;
        auto variables = [&text](const CVariableList& list) {
            for (int v = 1; v <= list.Count(); ++v) {
                const RValue& value = list.Get(v).Get(0);
                text << ' ' << list.Get(v).Name() << '=' << value.real << value.string;
            }
        };
        const CInstanceList& instances = game->State().instances;
        for (int i = 1; i <= instances.Count(); ++i) {
            const CInstance& s = instances.Get(i);
            text << s.object << ' ' << s.x << ' ' << s.y << ' ' << s.hdir * s.hspeed << ' '
                 << s.vdir * s.vspeed << ' ' << s.image_scale << ' ' << s.solid << s.deleted;
            variables(s.locals);
            text << '\n';
        }
        variables(game->State().globals);
        return text.str();
    }

    // The place and point questions of each instance about points on a lattice over the room
    // and beyond it, as a row of answers.
    std::string Questions() {
        std::string answers;
        CInstanceList& instances = game->State().instances;
        RoomOperations& rooms = game->Rooms();
        for (int i = 1; i <= instances.Count(); i += 3) {
            CInstance& self = instances.Get(i);
            for (double x = -40; x < 700; x += 37) {
                const double y = std::fmod(x * 7 + i * 13, 560) - 40;
                for (const bool answer :
                     {rooms.IsFree(self, x, y), rooms.IsEmpty(self, x, y),
                      rooms.IsMeeting(self, self, kMover, x, y),
                      rooms.ObjectAt(self, self, i % 5 + 1, x, y), rooms.NothingAt(self, x, y)}) {
                    answers += answer ? '1' : '0';
                }
            }
        }
        return answers;
    }

    test::TempDir folder;
    GameData data;
    test::QuietScreen screen;
    test::NoPictures pictures;
    test::RecordingShell shell;
    test::SilentGameShell gameShell;
    GamePlatform platform{screen,    pictures, shell, shell, shell,
                          gameShell, shell,    shell, shell, shell};
    CActionRegistry actions = BuildActionRegistry(shell);
    std::unique_ptr<CGame> game;
};

TEST(BroadPhase, ABusyRoomPlaysAlikeWithAndWithoutTheGrid) {
    // The default options, then every test precise with three collision passes, among more
    // walls than instances that look for a partner.
    for (const auto& [precise, collisions, walls] :
         {std::tuple{false, 1, 20}, std::tuple{true, 3, 200}}) {
        SCOPED_TRACE(precise ? "precise" : "boxes");
        Play grid(true, precise, collisions, walls);
        Play all(false, precise, collisions, walls);
        ASSERT_EQ(grid.State(), all.State());
        for (int step = 1; step <= 300; ++step) {
            grid.game->RunStep();
            all.game->RunStep();
            ASSERT_EQ(grid.State(), all.State()) << "after step " << step;
            if (step % 50 == 0) {
                ASSERT_EQ(grid.Questions(), all.Questions()) << "after step " << step;
            }
        }
        EXPECT_TRUE(grid.shell.errorReports.empty()) << grid.shell.errorReports[0].text;
        // The events ran, so that the comparison compared something.
        for (const std::string counter : kCounters) {
            // Precise tests never find the ghosts, which have no sprite.
            if (precise && (counter == "pushes" || counter == "gone")) {
                continue;
            }
            RValue count;
            grid.game->State().globals.GetValue(counter, 0, count);
            EXPECT_GT(count.real, 0) << counter;
        }
    }
}

} // namespace
} // namespace velkaro
