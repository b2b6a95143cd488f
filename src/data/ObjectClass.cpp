#include "data/ObjectClass.h"

namespace velkaro {
namespace {

constexpr std::array<const char*, kEventRowCount> kRowNames = {kCreationEventName,
                                                               kDestroyEventName,
                                                               kAlarmEventName,
                                                               kStepEventName,
                                                               kCollisionEventName,
                                                               kMouseEventName,
                                                               kOtherEventName,
                                                               "",
                                                               "",
                                                               kDrawingEventName,
                                                               kKeyboardEventName,
                                                               kCollisionEventName,
                                                               ""};

bool ValidRow(int row) {
    return row >= 0 && row < kEventRowCount;
}

} // namespace

const char* EventRowName(int row) {
    return ValidRow(row) ? kRowNames[static_cast<std::size_t>(row)] : "";
}

void CEventTable::Set(int row, int sub, const CActionList* list) {
    assert(row >= 0 && row < kEventRowCount && sub >= 0 && sub <= kMaxSubEvent);
    auto& subs = rows_[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(sub) >= subs.size()) {
        subs.resize(static_cast<std::size_t>(sub) + 1, nullptr);
    }
    subs[static_cast<std::size_t>(sub)] = list;
}

void CObject::Clear() {
    name = "<new>";
    image.Clear();
    bbLeft = bbRight = bbBottom = bbTop = 0;
    solid = false;
    active = true;
    rows_ = {};
    table_.Clear();
}

void CObject::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in object version.")) {
        return;
    }
    CStream& in = context.stream;
    name = ReadString(in);
    solid = ReadBool(in);
    active = ReadBool(in);
    for (int row = 0; row < kEventRowCount; ++row) {
        for (std::int32_t sub = ReadInt(in); sub >= 0; sub = ReadInt(in)) {
            if (sub > kMaxSubEvent) {
                ThrowCorrupt("object \"" + name + "\" has sub-event " + std::to_string(sub) +
                             "; sub-events go up to 10000.");
            }
            // The event table indexes a row up to its highest sub-event: a few bytes of the file
            // can ask for 80 kB of it, so the whole game's tables are held to a limit.
            context.eventIndexEntries += std::max(0, sub + 1 - RowLength(row));
            if (context.eventIndexEntries > limits::kEventIndexEntries) {
                ThrowCorrupt("the events of object \"" + name + "\" take the game's event " +
                             "tables past " + std::to_string(limits::kEventIndexEntries) +
                             " entries.");
            }
            EventList(row, sub)->Load(context);
        }
    }
    ReadInt(in); // reserved
    image.Load(context, "the sprite of object \"" + name + "\"");
    bbLeft = ReadInt(in);
    bbRight = ReadInt(in);
    bbBottom = ReadInt(in);
    bbTop = ReadInt(in);
}

CActionList* CObject::EventList(int row, int sub) {
    if (!ValidRow(row) || sub < 0 || sub > kMaxSubEvent) {
        return nullptr;
    }
    Row& r = rows_[static_cast<std::size_t>(row)];
    r.length = std::max(r.length, sub + 1);
    auto& list = r.lists[sub];
    if (!list) {
        list = std::make_unique<CActionList>();
        table_.Set(row, sub, list.get());
    }
    return list.get();
}

const CActionList* CObject::FindEventList(int row, int sub) const {
    if (!ValidRow(row)) {
        return nullptr;
    }
    const auto& lists = rows_[static_cast<std::size_t>(row)].lists;
    auto it = lists.find(sub);
    return it == lists.end() ? nullptr : it->second.get();
}

int CObject::RowLength(int row) const {
    return ValidRow(row) ? rows_[static_cast<std::size_t>(row)].length : 0;
}

bool CObject::HasEvent(int row) const {
    if (!ValidRow(row)) {
        return false;
    }
    for (const auto& [sub, list] : rows_[static_cast<std::size_t>(row)].lists) {
        if (list->Count() > 0) {
            return true;
        }
    }
    return false;
}

void CObjectList::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in objects version.")) {
        return;
    }
    const std::int32_t count = ReadCount(context, "object", kMinRecord);
    for (std::int32_t i = 0; i < count; ++i) {
        Add().Load(context);
    }
}

CObject& CObjectList::Add() {
    objects_.push_back(std::make_unique<CObject>());
    return *objects_.back();
}

} // namespace velkaro
