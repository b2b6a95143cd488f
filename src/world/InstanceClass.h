#pragma once

#include "base/VariableClass.h"
#include "data/ObjectClass.h"
#include "world/InstanceGrid.h"

#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace velkaro {

// The event kinds an instance remembers whether its object has actions for, in this order.
enum EventKind : int {
    kCreationKind,
    kDestroyKind,
    kAlarmKind,
    kStepKind,
    kCollisionKind,
    kMouseKind,
    kOtherKind,
    kDrawingKind,
    kKeyboardKind,
    kMeetingKind,
    kEventKindCount,
};

// The event row of each kind.
constexpr std::array<int, kEventKindCount> kEventKindRows = {
    kCreationEvent, kDestroyEvent, kAlarmEvent,   kStepEvent,     kCollisionEvent,
    kMouseEvent,    kOtherEvent,   kDrawingEvent, kKeyboardEvent, kMeetingEvent};

constexpr int kAlarmCount = 4;

// One live copy of an object in the current room.
//
// The fields are public for reading. Writes to the position, the scale, the box offsets and
// the motion go through the setters, which keep the box and the two motion representations
// (Cartesian hdir*hspeed, vdir*vspeed and polar direction, speed) in step.
class CInstance {
public:
    double image_counter = 0;
    std::int32_t image_index = 0;
    double image_speed = 0;
    double image_scale = 0;
    double image_depth = 0;
    std::int32_t collision_mode = 0;
    double x = 0;
    double y = 0;
    double xprevious = 0;
    double yprevious = 0;
    double direction = 0;
    double speed = 0;
    double friction = 0;
    double gravitydir = 0;
    double gravity = 0;
    double hdir = 0;
    double vdir = 0;
    double hspeed = 0;
    double vspeed = 0;
    double bb_l = 0;
    double bb_r = 0;
    double bb_b = 0;
    double bb_t = 0;
    std::int32_t box_left = 0;
    std::int32_t box_right = 0;
    std::int32_t box_bottom = 0;
    std::int32_t box_top = 0;
    bool visible = false;
    bool active = false;
    bool solid = false;
    std::int32_t object = 0;
    std::array<std::int32_t, kAlarmCount> alarms{};
    CVariableList locals;
    bool deleted = false;
    const CObject* object_def = nullptr;
    std::array<bool, kEventKindCount> has_actions{};

    // Makes this a fresh instance of object `objectIndex` (valid in `objects`) at (newX, newY).
    void Setup(const CObjectList& objects, std::int32_t objectIndex, double newX, double newY);
    // Switches to another object (valid in `objects`): flags and event summary follow it;
    // position, motion, box offsets and variables stay.
    void SetObject(const CObjectList& objects, std::int32_t objectIndex);

    bool HasActions(EventKind kind) const { return has_actions[static_cast<std::size_t>(kind)]; }

    void SetX(double value);
    void SetY(double value);
    // Both at once, the box computed once.
    void MoveTo(double newX, double newY);
    void SetImageScale(double value);
    void SetBbL(double value);
    void SetBbR(double value);
    void SetBbB(double value);
    void SetBbT(double value);
    void UpdateBox();
    // Tells the broad phase of the list holding this instance that the box has changed.
    // UpdateBox does; so must any code that writes the box fields itself.
    void BoxChanged() const;

    void SetHdir(double value);
    void SetVdir(double value);
    void SetHspeed(double value);
    void SetVspeed(double value);
    void UpdatePolar();

    void SetDirection(double value);
    void SetSpeed(double value);
    void UpdateCartesian();

    // Adds a motion of length `amount` in direction `angle` (degrees) to the current one.
    void AddMotion(double amount, double angle);
    // The motion rule of every step, before the instance moves.
    void ApplyFrictionAndGravity();

    // -1 for a number outside 0..3.
    std::int32_t GetAlarm(int i) const;
    // A number outside 0..3 sets alarm 0.
    void SetAlarm(int i, std::int32_t value);

    // Stays in its list until the list is compacted at the end of the step.
    void MarkDeleted() { deleted = true; }

private:
    friend class CInstanceList;
    // The broad phase of the list that holds this instance, and its position there; null
    // outside a list.
    CInstanceGrid* grid_ = nullptr;
    int position_ = 0;
};

// The instances of the current room in creation order, numbered from 1.
class CInstanceList {
public:
    CInstanceList() = default;
    // The grid refers to the list's storage and each instance to the grid.
    CInstanceList(const CInstanceList&) = delete;
    CInstanceList& operator=(const CInstanceList&) = delete;

    int Count() const { return static_cast<int>(instances_.size()); }
    // Instance i, 1 <= i <= Count(); callers keep to that range.
    CInstance& Get(int i) {
        assert(i >= 1 && i <= Count());
        return *instances_[static_cast<std::size_t>(i - 1)];
    }
    const CInstance& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *instances_[static_cast<std::size_t>(i - 1)];
    }

    // Appends a fresh instance of object `object` (valid in `objects`) and sets it up. Runs no
    // event: the caller runs the Creation event. Instances never move in memory, so a
    // reference stays valid while the list grows.
    CInstance& Add(const CObjectList& objects, std::int32_t object, double x, double y);
    // Destroys every instance.
    void Clear();
    // Destroys the instances marked deleted; the others keep their order.
    void Compact();

    // Calls `visit` with each live instance of the list as it was when the loop began, in
    // creation order: instances the visits create are not visited, and an instance marked
    // deleted by the time its turn comes is passed over. Every walk over the room's instances
    // that may run game code keeps to this rule. A `visit` that answers a bool ends the walk by
    // answering false; the walk then answers false.
    template <typename Visit> bool ForEachLive(Visit&& visit) { return WalkLive(*this, visit); }
    template <typename Visit> bool ForEachLive(Visit&& visit) const {
        return WalkLive(*this, visit);
    }

    // The broad phase over these instances, kept up to date as they are added, move and go.
    CInstanceGrid& Grid() { return grid_; }

private:
    static constexpr std::size_t kGrowth = 100;

    template <typename List, typename Visit> static bool WalkLive(List& list, Visit& visit) {
        const int count = list.Count();
        // The list only grows during a step; the second bound keeps a walk safe all the same.
        for (int i = 1; i <= count && i <= list.Count(); ++i) {
            auto& instance = list.Get(i);
            if (instance.deleted) {
                continue;
            }
            if constexpr (std::is_same_v<std::invoke_result_t<Visit&, decltype(instance)>, bool>) {
                if (!visit(instance)) {
                    return false;
                }
            } else {
                visit(instance);
            }
        }
        return true;
    }

    std::vector<std::unique_ptr<CInstance>> instances_;
    CInstanceGrid grid_{instances_};
};

} // namespace velkaro
