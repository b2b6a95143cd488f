#include "data/ActionClass.h"

namespace velkaro {

void CAction::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in action version.")) {
        return;
    }
    CStream& in = context.stream;
    id = ReadInt(in);
    appliesTo = ReadInt(in);
    relative = ReadInt(in);
    const std::int32_t count = ReadInt(in);
    if (count < 0 || count > kMaxActionArguments) {
        ThrowCorrupt("an action with " + std::to_string(count) +
                     " arguments; actions have 0 to 4.");
    }
    for (std::int32_t i = 0; i < count; ++i) {
        arguments[static_cast<std::size_t>(i)] = ReadString(in);
    }
    actionObject = ReadInt(in);
}

void CActionList::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in action list version.")) {
        return;
    }
    const std::int32_t count = ReadCount(context, "action", kMinRecord);
    for (std::int32_t i = 0; i < count; ++i) {
        Add().Load(context);
    }
}

CAction& CActionList::Add() {
    actions_.push_back(std::make_unique<CAction>());
    return *actions_.back();
}

} // namespace velkaro
