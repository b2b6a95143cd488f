#include "script/NestingGuard.h"

#include "script/ErrorReport.h"
#include "world/GameState.h"

namespace velkaro {

CNestingGuard::Scope::Scope(CNestingGuard& guard, Level level) : guard_(guard), level_(level) {
    if (guard_.givingUp_) {
        return;
    }
    const int limit = level_ == Level::Event ? kMaxEventDepth : kMaxActionDepth;
    if (Depth() >= limit) {
        guard_.GiveUp();
        return;
    }
    ++Depth();
    entered_ = true;
}

CNestingGuard::Scope::~Scope() {
    if (!entered_) {
        return;
    }
    --Depth();
    if (guard_.eventDepth_ == 0 && guard_.actionDepth_ == 0) {
        guard_.givingUp_ = false;
    }
}

int& CNestingGuard::Scope::Depth() const {
    return level_ == Level::Event ? guard_.eventDepth_ : guard_.actionDepth_;
}

void CNestingGuard::GiveUp() {
    givingUp_ = true;
    // Whatever the player answers, nothing more of this game can run sensibly.
    game_.next_room = -1;
    errors_.ReportGameError(kEventsNestedTooDeeply, true);
}

} // namespace velkaro
