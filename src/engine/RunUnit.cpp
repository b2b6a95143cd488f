#include "engine/RunUnit.h"

#include "engine/WindowInput.h"

#include "base/KeyNames.h"
#include "base/VariableClass.h"
#include "data/GameLoader.h"
#include "engine/Joystick.h"
#include "engine/ScreenMode.h"
#include "script/CodeCompiler.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

// Key codes of the special keys when the game switches them on: F1, Escape, F4.
constexpr std::int32_t kHelpKeyCode = 112;
constexpr std::int32_t kQuitKeyCode = 27;
constexpr std::int32_t kScreenKeyCode = 115;

// The Mouse sub-event for each value of `mousebutton`; anything else is "no button".
constexpr int kNoButtonSubEvent = 3;

// The shells' start and end screens.
constexpr std::int32_t kScreenImage = 1;
constexpr std::int32_t kScreenVideo = 2;
constexpr std::int32_t kScreenText = 3;

// Each live instance (see CInstanceList::ForEachLive) that is active: those the phases of a
// step run events for.
template <typename Visit> void ForEachActive(CInstanceList& instances, Visit visit) {
    instances.ForEachLive([&visit](CInstance& instance) {
        if (instance.active) {
            visit(instance);
        }
    });
}

} // namespace

std::uint32_t ClockSeed() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

CGame::CGame(GameData& data, const GamePlatform& platform, const GameLibraries& libraries,
             std::optional<std::uint32_t> seed)
    : data_(data), platform_(platform), libraries_(libraries), seed_(seed), game_(data_),
      errors_(game_, platform.dialogs, *this),
      interpreter_(game_, libraries.functions, errors_, *this, parts_),
      executor_(game_, libraries.actions, errors_, parts_),
      drawing_(game_, executor_, platform.screen, platform.pictures, platform.dialogs),
      services_{drawing_,        platform.dialogs, platform.sound, platform.pacing,
                platform.scores, platform.screens, platform.input, platform.programs},
      rooms_(game_, executor_, errors_), shell_(game_, errors_, services_),
      // Last, from every part above; the interpreter and the executor hold it already.
      parts_{game_,  interpreter_, executor_, errors_,   rooms_,
             shell_, drawing_,     saved_,    services_, *this} {}

CGame::~CGame() = default;

// Start and end of the game.

void CGame::StartGame() {
    const GameOptions& options = data_.options;
    PrepareActions(data_.objects, TokenNames{data_.objects, data_.sounds, libraries_.functions});
    game_.collision.Setup(data_.objects, options.precise, options.preprocess);
    platform_.shell.LoadScores();
    game_.directsound = platform_.shell.StartSounds();
    drawing_.StartDrawing();
    if (options.music && !options.startmusic) {
        platform_.shell.StartMusic(options.musicorder, options.playlist);
    }
    ShowScreen(options.start, options.startfilename, options.startfull, options.startdelay,
               options.startloop, options.startcolor);
    if (options.music && options.startmusic) {
        platform_.shell.StartMusic(options.musicorder, options.playlist);
    }
    game_.helpkey = options.helpkey ? kHelpKeyCode : 0;
    game_.quitkey = options.quitkey ? kQuitKeyCode : 0;
    game_.screenkey = options.screenkey ? kScreenKeyCode : 0;
    game_.score = 0;
    game_.showscore = options.showscore;
    game_.globals.Clear();
    game_.random.Seed(seed_.value_or(ClockSeed()));
    saved_.LoadValues(data_.files, platform_.dialogs);
    if (data_.rooms.Valid(1)) {
        StartRoom(1);
        if (startRoom_ > 1 && data_.rooms.Valid(startRoom_) && game_.next_room == 0) {
            rooms_.GotoRoom(startRoom_);
            ChangeRoom();
        }
    } else {
        // Nothing to play: the game ends after its first step.
        game_.next_room = -1;
    }
}

void CGame::EndOutOfMemory() {
    game_.instances.Clear();
    drawing_.StopDrawing();
    errors_.ReportGameError(kOutOfMemory, true);
    saved_.SaveValues(data_.files, platform_.dialogs);
}

void CGame::AbandonGame() {
    abandoned_ = true;
    StopGameThread();
}

void CGame::EndGame() {
    const GameOptions& options = data_.options;
    LeaveRoom();
    if (abandoned_) {
        // The window stays as it is, with the last picture: the game that replaces this one
        // draws into it next.
        game_.globals.Clear();
        platform_.shell.StopMusic();
        platform_.shell.EndSounds();
        game_.collision.Clear();
        return;
    }
    saved_.SaveValues(data_.files, platform_.dialogs);
    game_.globals.Clear();
    if (options.music && options.endmusic) {
        platform_.shell.StopMusic();
    }
    ShowScreen(options.end, options.endfilename, options.endfull, options.enddelay, options.endloop,
               options.endcolor);
    if (options.music && !options.endmusic) {
        platform_.shell.StopMusic();
    }
    platform_.shell.EndSounds();
    drawing_.StopDrawing();
    game_.collision.Clear();
}

void CGame::ShowScreen(std::int32_t kind, const std::string& file, bool full, std::int32_t delay,
                       bool loop, Colour colour) {
    // The options hold the delay in seconds.
    const std::int32_t delayMs = delay * 1000;
    switch (kind) {
    case kScreenImage:
        platform_.screens.ShowSplashImage(file, full, delayMs);
        break;
    case kScreenVideo:
        platform_.screens.ShowSplashVideo(file, full, loop);
        break;
    case kScreenText:
        platform_.screens.ShowSplashText(file, full, colour, delayMs);
        break;
    default:
        break;
    }
}

// Rooms.

void CGame::StartRoom(std::int32_t n) {
    game_.next_room = 0;
    game_.room = n;
    const CRoom& room = data_.rooms.Get(n);
    game_.roomname = room.name;
    game_.cellsize = room.cellSize;
    game_.room_columns = room.widthInCells;
    game_.room_rows = room.heightInCells;
    game_.gamespeed = room.gameSpeed;
    game_.back_color = static_cast<std::int32_t>(room.backgroundColour);
    game_.background_image = room.backgroundShown;
    game_.background_mode = room.backgroundMode;
    const bool moving = room.backgroundMode == 2;
    game_.back_hspeed = moving ? room.backgroundHSpeed : 0;
    game_.back_vspeed = moving ? room.backgroundVSpeed : 0;
    game_.back_x = 0;
    game_.back_y = 0;
    game_.lastkeypressed = 0;
    game_.keypressed = 0;
    game_.lastcharpressed.clear();
    ForgetMouseButton(game_);
    drawing_.SetUpRoomDrawing();
    game_.instances.Grid().Cover(static_cast<double>(game_.cellsize) * game_.room_columns,
                                 static_cast<double>(game_.cellsize) * game_.room_rows);

    for (int e = 1; e <= room.InstanceCount(); ++e) {
        game_.instances.Add(data_.objects, room.InstanceObject(e),
                            static_cast<double>(room.InstanceColumn(e)) * game_.cellsize,
                            static_cast<double>(room.InstanceRow(e)) * game_.cellsize);
    }
    // Every placed instance is created, even one that an earlier Creation event destroyed.
    game_.event_name = kCreationEventName;
    const int count = game_.instances.Count();
    for (int i = 1; i <= count; ++i) {
        CInstance& instance = game_.instances.Get(i);
        RunIfAny(instance, instance, kCreationEvent, 0, kCreationEventName);
    }
    drawing_.DrawFrame();
}

void CGame::LeaveRoom() {
    game_.instances.Clear();
    drawing_.ReleaseRoomDrawing();
}

void CGame::ChangeRoom() {
    const std::int32_t target = game_.next_room;
    LeaveRoom();
    StartRoom(target);
}

// Thread control.

void CGame::StartGameThread(const std::function<void()>& startThread) {
    if (game_.game_running) {
        return;
    }
    game_.game_running = true;
    game_.game_paused = false;
    pauseDepth_ = 0;
    stopRequested_ = false;
    startThread();
}

void CGame::StopGameThread() {
    if (!game_.game_running) {
        return;
    }
    game_.game_running = false;
    game_.game_paused = false;
    pauseDepth_ = 0;
    stopRequested_ = true;
    gate_.Open();
}

void CGame::PauseGame() {
    if (game_.game_running && pauseDepth_++ == 0) {
        game_.game_paused = true;
        gate_.Close();
    }
}

void CGame::ResumeGame() {
    // Boxes open inside boxes (a question asked from the help window, say): the game goes on
    // only when the outermost has closed.
    if (!game_.game_running || pauseDepth_ == 0 || --pauseDepth_ > 0) {
        return;
    }
    game_.game_paused = false;
    // The button that closed the box must not reach the game as a click, and a key released
    // while the box had the focus (its release never reached the game) must not stay held.
    ForgetMouseButton(game_);
    if (game_.keypressed != 0 && !platform_.input.KeyDown(game_.keypressed)) {
        game_.keypressed = 0;
    }
    gate_.Open();
}

bool CGame::StopAsked() {
    return StopRequested() || platform_.screen.StopPending(game_.quitkey);
}

void CGame::MarkGameOver() {
    game_.game_running = false;
    game_.game_paused = false;
    pauseDepth_ = 0;
    gate_.Open();
}

// Events.

const CActionList* CGame::ListFor(const CInstance& instance, int row, int sub) const {
    if (instance.object_def == nullptr) {
        return nullptr;
    }
    const CActionList* list = instance.object_def->Events().Find(row, sub);
    return list != nullptr && list->Count() > 0 ? list : nullptr;
}

bool CGame::RunIfAny(CInstance& self, CInstance& other, int row, int sub, const char* eventName) {
    const CActionList* list = ListFor(self, row, sub);
    if (list == nullptr) {
        return false;
    }
    // Set again for every event: an event that creates or destroys an instance leaves the
    // name of the Creation or Destroy event behind.
    game_.event_name = eventName;
    executor_.ExecuteActionList(self, other, *list);
    return true;
}

// The step.

void CGame::RunStep() {
    RunAlarms();
    RunKeyboard();
    RunJoystick();
    RunMouse();
    RunStepEvents();
    MoveInstances();
    RunOtherEvents();
    RunCollisions();
    RunMeetings();
    game_.instances.Compact();
    drawing_.DrawFrame();
    AdvanceBackgroundAndAnimation();
    StepSawMouse(game_);
}

void CGame::RunAlarms() {
    game_.event_name = kAlarmEventName;
    ForEachActive(game_.instances, [this](CInstance& instance) {
        for (int a = 0; a < kAlarmCount; ++a) {
            std::int32_t& alarm = instance.alarms[static_cast<std::size_t>(a)];
            if (alarm >= 0) {
                --alarm;
            }
            if (alarm == 0) {
                RunIfAny(instance, instance, kAlarmEvent, a, kAlarmEventName);
            }
        }
    });
}

void CGame::RunKeyboard() {
    game_.event_name = kKeyboardEventName;
    if (data_.options.continuous) {
        game_.lastkeypressed = game_.keypressed;
    }
    const std::int32_t key = game_.lastkeypressed;
    if (key >= kFirstKeyEventCode && key <= kLastKeyEventCode) {
        ForEachActive(game_.instances, [this, key](CInstance& instance) {
            if (RunIfAny(instance, instance, kKeyboardEvent, key, kKeyboardEventName)) {
                // Consumed, but every instance that handles the key still gets it this step.
                game_.lastkeypressed = 0;
            }
        });
    }
    if (game_.keypressed == 0) {
        ForEachActive(game_.instances, [this](CInstance& instance) {
            RunIfAny(instance, instance, kKeyboardEvent, 0, kKeyboardEventName);
        });
    }
}

void CGame::RunJoystick() {
    game_.event_name = kKeyboardEventName;
    const std::int32_t code = JoystickCode(platform_.input.ReadJoystick());
    if (code == 0) {
        return;
    }
    ForEachActive(game_.instances, [this, code](CInstance& instance) {
        RunIfAny(instance, instance, kKeyboardEvent, code, kKeyboardEventName);
    });
}

void CGame::RunMouse() {
    game_.event_name = kMouseEventName;
    const std::int32_t button = game_.mousebutton;
    const int sub = button >= 1 && button <= 3 ? button - 1 : kNoButtonSubEvent;
    ForEachActive(game_.instances, [this, sub](CInstance& instance) {
        if (ListFor(instance, kMouseEvent, sub) != nullptr &&
            game_.collision.PointInInstance(instance, game_.mousex, game_.mousey)) {
            RunIfAny(instance, instance, kMouseEvent, sub, kMouseEventName);
        }
    });
}

void CGame::RunStepEvents() {
    game_.event_name = kStepEventName;
    ForEachActive(game_.instances, [this](CInstance& instance) {
        RunIfAny(instance, instance, kStepEvent, 0, kStepEventName);
    });
}

void CGame::MoveInstances() {
    ForEachActive(game_.instances, [](CInstance& instance) {
        instance.ApplyFrictionAndGravity();
        instance.xprevious = instance.x;
        instance.yprevious = instance.y;
        instance.MoveTo(instance.x + instance.hdir * instance.hspeed,
                        instance.y + instance.vdir * instance.vspeed);
    });
}

void CGame::RunOtherEvents() {
    game_.event_name = kOtherEventName;
    // The exact position and the unscaled box offsets: the whole-pixel box would let an
    // instance half a pixel outside count as inside.
    const double width = static_cast<double>(game_.cellsize) * game_.room_columns;
    const double height = static_cast<double>(game_.cellsize) * game_.room_rows;
    ForEachActive(game_.instances, [this, width, height](CInstance& instance) {
        if (ListFor(instance, kOtherEvent, 0) != nullptr) {
            const bool outside =
                instance.x + instance.bb_r < 0 || instance.x + instance.bb_l > width ||
                instance.y + instance.bb_b < 0 || instance.y + instance.bb_t > height;
            if (outside) {
                RunIfAny(instance, instance, kOtherEvent, 0, kOtherEventName);
            }
        }
        if (ListFor(instance, kOtherEvent, 1) != nullptr) {
            const bool boundary =
                instance.x + instance.bb_l < 0 || instance.x + instance.bb_r > width ||
                instance.y + instance.bb_t < 0 || instance.y + instance.bb_b > height;
            if (boundary) {
                RunIfAny(instance, instance, kOtherEvent, 1, kOtherEventName);
            }
        }
    });
}

void CGame::RunCollisions() {
    game_.event_name = kCollisionEventName;
    bool everyPassFound = true;
    for (int pass = 0; pass < data_.options.collisions; ++pass) {
        if (!CollisionPass()) {
            everyPassFound = false;
            break;
        }
    }
    if (everyPassFound && data_.options.stopmoving) {
        StopMovingPass();
    }
}

namespace {

// The instances a pass or phase tests others against, fixed when it begins: the live ones of
// one solidity, in list order.
class PhaseMembers {
public:
    PhaseMembers(CInstanceList& instances, bool solid)
        : instances_(instances), member_(static_cast<std::size_t>(instances.Count()) + 1, false) {
        positions_.reserve(member_.size());
        for (int position = 1; position <= instances.Count(); ++position) {
            const CInstance& instance = instances.Get(position);
            if (!instance.deleted && instance.solid == solid) {
                positions_.push_back(position);
                member_[static_cast<std::size_t>(position)] = true;
                const auto object = static_cast<std::size_t>(std::max(instance.object, 0));
                if (object >= objects_.size()) {
                    objects_.resize(object + 1, false);
                }
                objects_[object] = true;
            }
        }
    }

    // Whether `events` hold a meeting event with the object of any member, as the members'
    // objects were when they were taken. Always, with the grid's pruning off.
    bool AnyMeets(const CEventTable& events) const {
        if (!instances_.Grid().Pruning()) {
            return true;
        }
        const int size = std::min(events.Size(kMeetingEvent), static_cast<int>(objects_.size()));
        for (int object = 1; object < size; ++object) {
            if (objects_[static_cast<std::size_t>(object)] &&
                events.Find(kMeetingEvent, object) != nullptr) {
                return true;
            }
        }
        return false;
    }

    int Count() const { return static_cast<int>(positions_.size()); }
    std::span<const int> All() const { return positions_; }

    // The members after position `after` whose box may overlap `instance`'s, ascending. With
    // the grid's pruning off, all of them. Valid until the next call.
    std::span<const int> Near(const CInstance& instance, int after) {
        if (!instances_.Grid().Pruning()) {
            return {std::upper_bound(positions_.begin(), positions_.end(), after),
                    positions_.end()};
        }
        instances_.Grid().Near(instance, after, near_);
        std::erase_if(near_, [this](int position) {
            return static_cast<std::size_t>(position) >= member_.size() ||
                   !member_[static_cast<std::size_t>(position)];
        });
        return near_;
    }

private:
    CInstanceList& instances_;
    std::vector<int> positions_;
    // By position.
    std::vector<bool> member_;
    // By object number: whether a member is of that object.
    std::vector<bool> objects_;
    std::vector<int> near_;
};

// Whether the instance looks for a solid partner in a collision pass.
bool SeeksPartner(const CInstance& instance) {
    return instance.active && !instance.deleted &&
           (instance.HasActions(kCollisionKind) || instance.HasActions(kMeetingKind));
}

using Collisions = std::vector<std::pair<CInstance*, CInstance*>>;

// Each instance that seeks a partner, in list order, with the first solid one in list order
// that it collides with. No event runs meanwhile.
Collisions FindPartners(CInstanceList& instances, PhaseMembers& solids, CCollision& collision) {
    Collisions found;
    const int count = instances.Count();
    int seekers = 0;
    for (int position = 1; position <= count; ++position) {
        seekers += SeeksPartner(instances.Get(position)) ? 1 : 0;
    }
    if (!instances.Grid().Pruning() || seekers <= solids.Count()) {
        for (int position = 1; position <= count; ++position) {
            CInstance& instance = instances.Get(position);
            if (!SeeksPartner(instance)) {
                continue;
            }
            for (const int other : solids.Near(instance, 0)) {
                CInstance& solid = instances.Get(other);
                if (!solid.deleted && collision.InstancesCollide(instance, solid)) {
                    found.emplace_back(&instance, &solid);
                    break;
                }
            }
        }
        return found;
    }
    // Fewer solid ones: each, in list order, asks the grid for the seekers near it, and a seeker
    // keeps the first that it collides with.
    std::vector<CInstance*> partners(static_cast<std::size_t>(count) + 1, nullptr);
    std::vector<int> near;
    for (const int other : solids.All()) {
        CInstance& solid = instances.Get(other);
        instances.Grid().Near(solid, 0, near);
        for (const int position : near) {
            CInstance*& partner = partners[static_cast<std::size_t>(position)];
            CInstance& instance = instances.Get(position);
            if (partner == nullptr && SeeksPartner(instance) &&
                collision.InstancesCollide(instance, solid)) {
                partner = &solid;
            }
        }
    }
    for (int position = 1; position <= count; ++position) {
        if (CInstance* partner = partners[static_cast<std::size_t>(position)]) {
            found.emplace_back(&instances.Get(position), partner);
        }
    }
    return found;
}

} // namespace

bool CGame::CollisionPass() {
    PhaseMembers solids(game_.instances, true);
    // Partners are all found before any event runs, so that the events of one instance
    // cannot change whom the next one collides with in this pass.
    const Collisions collisions = FindPartners(game_.instances, solids, game_.collision);

    // An instance destroyed since its partner was found still gets its event: the collision
    // happened in this step.
    for (const auto& [instance, partner] : collisions) {
        instance->MoveTo(instance->xprevious, instance->yprevious);
        if (!RunIfAny(*instance, *partner, kMeetingEvent, partner->object, kCollisionEventName)) {
            RunIfAny(*instance, *partner, kCollisionEvent, 0, kCollisionEventName);
        }
        instance->MoveTo(instance->x + instance->hdir * instance->hspeed,
                         instance->y + instance->vdir * instance->vspeed);
    }
    return !collisions.empty();
}

void CGame::StopMovingPass() {
    CInstanceList& instances = game_.instances;
    PhaseMembers solids(instances, true);
    ForEachActive(instances, [this, &instances, &solids](CInstance& instance) {
        // Without such lists every solid one would be passed over.
        if (!instance.HasActions(kCollisionKind) && !instance.HasActions(kMeetingKind)) {
            return;
        }
        for (const int position : solids.Near(instance, 0)) {
            const CInstance& solid = instances.Get(position);
            if (ListFor(instance, kMeetingEvent, solid.object) == nullptr &&
                ListFor(instance, kCollisionEvent, 0) == nullptr) {
                continue;
            }
            if (game_.collision.InstancesCollide(instance, solid)) {
                instance.MoveTo(instance.xprevious, instance.yprevious);
                return;
            }
        }
    });
}

void CGame::RunMeetings() {
    game_.event_name = kMeetingEventName;
    CInstanceList& instances = game_.instances;
    PhaseMembers others(instances, false);
    // Until an event runs, the members are of the objects they were of when the phase began:
    // an instance whose object meets none of those has nothing to meet.
    bool eventRan = false;
    ForEachActive(instances, [this, &instances, &others, &eventRan](CInstance& instance) {
        if (!instance.HasActions(kMeetingKind) ||
            (!eventRan && !others.AnyMeets(instance.object_def->Events()))) {
            return;
        }
        // In list order. An event may move this instance or the others, change objects, create
        // or destroy instances: after each, the members still to come are looked up again.
        // The event table is looked up for every pair, since an event may change the instance
        // into another object.
        int after = 0;
        for (bool again = true; again;) {
            again = false;
            for (const int position : others.Near(instance, after)) {
                CInstance& met = instances.Get(position);
                if (ListFor(instance, kMeetingEvent, met.object) != nullptr && !met.deleted &&
                    game_.collision.InstancesCollide(instance, met)) {
                    RunIfAny(instance, met, kMeetingEvent, met.object, kMeetingEventName);
                    eventRan = true;
                    after = position;
                    again = true;
                    break;
                }
            }
        }
    });
}

void CGame::AdvanceBackgroundAndAnimation() {
    game_.back_x += game_.back_hspeed;
    game_.back_y += game_.back_vspeed;
    game_.instances.ForEachLive(
        [](CInstance& instance) { instance.image_counter += instance.image_speed; });
}

} // namespace velkaro
