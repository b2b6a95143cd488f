#pragma once

#include "data/ActionClass.h"
#include "data/ImageClass.h"
#include "data/LoadContext.h"

#include <array>
#include <cassert>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velkaro {

// The event rows every object has, numbered as everywhere in the system.
enum EventRow : int {
    kCreationEvent = 0,
    kDestroyEvent = 1,
    kAlarmEvent = 2,
    kStepEvent = 3,
    kCollisionEvent = 4, // with a solid instance whose object has no row-11 list here
    kMouseEvent = 5,
    kOtherEvent = 6,
    kDrawingEvent = 9,
    kKeyboardEvent = 10,
    kMeetingEvent = 11, // with an instance of a given object
};
constexpr int kEventRowCount = 13;
constexpr int kMaxSubEvent = 10000;

// The names error reports give the events.
inline constexpr const char* kCreationEventName = "Creation event";
inline constexpr const char* kDestroyEventName = "Destroy event";
inline constexpr const char* kAlarmEventName = "Alarm event";
inline constexpr const char* kStepEventName = "Step event";
inline constexpr const char* kCollisionEventName = "Collision event";
inline constexpr const char* kMouseEventName = "Mouse event";
inline constexpr const char* kOtherEventName = "Other event";
inline constexpr const char* kDrawingEventName = "Drawing event";
inline constexpr const char* kKeyboardEventName = "Keyboard event";
// The meeting row's events run as collision events in the collision passes, and under this
// name in the meeting phase and when game code performs them.
inline constexpr const char* kMeetingEventName = "Meeting event";

// The name of an event row in error reports ("Step event"); the meeting row's is the collision
// events' name; empty for the reserved rows.
const char* EventRowName(int row);

// A direct index from (row, sub-event) to an object's action list, kept beside the rows so
// that the runtime never searches them: each row is a vector of list pointers, indexed by
// sub-event and as long as the highest sub-event holding a list, null where there is none.
// Small rows (alarms, mouse, other) stay a few entries long; the keyboard row is indexed by key
// code, and the meeting row by object number, so it also tells which objects this one has
// meeting events for. It answers exactly what CObject::FindEventList answers.
class CEventTable {
public:
    const CActionList* Find(int row, int sub) const {
        if (static_cast<unsigned>(row) >= static_cast<unsigned>(kEventRowCount)) {
            return nullptr;
        }
        const auto& subs = rows_[static_cast<std::size_t>(row)];
        return static_cast<std::size_t>(static_cast<unsigned>(sub)) < subs.size()
                   ? subs[static_cast<std::size_t>(sub)]
                   : nullptr;
    }
    // How many entries the row's index has (the highest sub-event with a list, plus one).
    int Size(int row) const {
        return row >= 0 && row < kEventRowCount
                   ? static_cast<int>(rows_[static_cast<std::size_t>(row)].size())
                   : 0;
    }
    // Records the list of (row, sub); row and sub are in range.
    void Set(int row, int sub, const CActionList* list);
    void Clear() { rows_ = {}; }

private:
    std::array<std::vector<const CActionList*>, kEventRowCount> rows_;
};

// The definition shared by all instances of one kind.
class CObject {
public:
    std::string name = "<new>";
    CImage image;
    std::int32_t bbLeft = 0;
    std::int32_t bbRight = 0;
    std::int32_t bbBottom = 0;
    std::int32_t bbTop = 0;
    bool solid = false;
    bool active = true;

    void Load(LoadContext& context);
    void Clear();

    // The action list of (row, sub), created empty when the row is shorter; the row then
    // grows to sub + 1 entries. Null when row is outside 0..12 or sub outside 0..10000.
    CActionList* EventList(int row, int sub);
    // The list of (row, sub) without growing anything; null when there is none.
    const CActionList* FindEventList(int row, int sub) const;
    // The same answers as FindEventList, by direct index; kept up to date by EventList and
    // Clear, so it is ready as soon as the object is loaded. What the runtime looks up.
    const CEventTable& Events() const { return table_; }
    // How many sub-event entries the row has.
    int RowLength(int row) const;
    // True when some list of the row holds actions.
    bool HasEvent(int row) const;

    // Visits every action list of every row, in row and sub-event order.
    template <typename Visit> void ForEachEventList(Visit&& visit) const {
        for (int row = 0; row < kEventRowCount; ++row) {
            for (const auto& [sub, list] : rows_[static_cast<std::size_t>(row)].lists) {
                visit(row, sub, *list);
            }
        }
    }
    template <typename Visit> void ForEachEventList(Visit&& visit) {
        for (int row = 0; row < kEventRowCount; ++row) {
            for (auto& [sub, list] : rows_[static_cast<std::size_t>(row)].lists) {
                visit(row, sub, *list);
            }
        }
    }

private:
    // Sub-event numbers reach 10000 (key codes, object numbers) but few of them hold lists,
    // so a row keeps only the lists that were asked for and the length it has grown to.
    struct Row {
        int length = 0;
        std::map<int, std::unique_ptr<CActionList>> lists;
    };
    std::array<Row, kEventRowCount> rows_;
    // Derived from rows_: every list there, by direct index.
    CEventTable table_;
};

// All objects of the game, numbered from 1 in file order.
class CObjectList {
public:
    void Load(LoadContext& context);
    void Clear() { objects_.clear(); }

    int Count() const { return static_cast<int>(objects_.size()); }
    // Object i, 1 <= i <= Count(); callers check the range.
    CObject& Get(int i) {
        assert(i >= 1 && i <= Count());
        return *objects_[static_cast<std::size_t>(i - 1)];
    }
    const CObject& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *objects_[static_cast<std::size_t>(i - 1)];
    }
    bool Valid(int i) const { return i >= 1 && i <= Count(); }
    CObject& Add();

private:
    std::vector<std::unique_ptr<CObject>> objects_;
};

} // namespace velkaro
