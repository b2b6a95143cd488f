#include "script/ActionExecution.h"

#include "data/ActionClass.h"
#include "platform/Dialogs.h"
#include "script/ErrorReport.h"
#include "world/GameState.h"

namespace velkaro {

void CActionRegistry::RegisterAction(int id, bool question, bool usesAppliesTo,
                                     ActionHandler handler) {
    if (id <= 0 || id > kMaxActionId) {
        dialogs_.ShowMessage(kUndefinedActionMessage);
        return;
    }
    entries_[static_cast<std::size_t>(id)] = RActionEntry{true, question, usesAppliesTo, handler};
}

const RActionEntry* CActionRegistry::Find(int id) const {
    if (id <= 0 || id > kMaxActionId) {
        return nullptr;
    }
    const RActionEntry& entry = entries_[static_cast<std::size_t>(id)];
    return entry.defined && entry.handler != nullptr ? &entry : nullptr;
}

void CActionExecutor::ExecuteActionList(CInstance& self, CInstance& other,
                                        const CActionList& list) {
    if (list.Count() == 0 || nesting_.GivingUp()) {
        return;
    }
    game_.report_object = self.object;
    const CNestingGuard::Scope level(nesting_, CNestingGuard::Level::Event);
    if (!level.Entered()) {
        return;
    }
    int i = 1;
    while (i <= list.Count()) {
        i = ExecuteAt(self, other, list, false, i);
    }
}

int CActionExecutor::ExecuteAt(CInstance& self, CInstance& other, const CActionList& list,
                               bool skip, int i) {
    const int count = list.Count();
    if (i > count) {
        return i + 1;
    }
    const CNestingGuard::Scope level(nesting_, CNestingGuard::Level::Action);
    if (!level.Entered()) {
        return count + 1;
    }
    const CAction& action = list.Get(i);

    if (action.id == kBlockStartAction) {
        // A block without its end runs to the end of the list.
        int j = i + 1;
        while (j <= count && list.Get(j).id != kBlockEndAction) {
            j = ExecuteAt(self, other, list, skip, j);
        }
        return j + 1;
    }
    if (!skip) {
        if (Stopping()) {
            return count + 1;
        }
        return IsQuestion(action) ? RunQuestion(self, other, list, i)
                                  : RunAction(self, other, list, i);
    }
    // A question passed over takes what depends on it along.
    return IsQuestion(action) ? ExecuteAt(self, other, list, true, i + 1) : i + 1;
}

int CActionExecutor::RunQuestion(CInstance& self, CInstance& other, const CActionList& list,
                                 int i) {
    const CAction& action = list.Get(i);
    bool answer = true;
    // An else that follows no question's dependant answers yes, so what follows it runs.
    if (action.id != kElseAction) {
        answer = Dispatch(*registry_.Find(action.id), true, self, other, action);
    }
    const int next = ExecuteAt(self, other, list, !answer, i + 1);
    if (next <= list.Count() && list.Get(next).id == kElseAction) {
        return ExecuteAt(self, other, list, answer, next + 1);
    }
    return next;
}

int CActionExecutor::RunAction(CInstance& self, CInstance& other, const CActionList& list, int i) {
    const CAction& action = list.Get(i);
    if (action.id == kExitEventAction) {
        return list.Count() + 1;
    }
    // A block end outside any block does nothing; an action no handler is registered for
    // (only a damaged game file holds one) is passed over.
    const RActionEntry* entry = registry_.Find(action.id);
    if (action.id != kBlockEndAction && entry != nullptr) {
        Dispatch(*entry, false, self, other, action);
    }
    return i + 1;
}

bool CActionExecutor::Dispatch(const RActionEntry& entry, bool question, CInstance& self,
                               CInstance& other, const CAction& action) {
    if (!entry.usesAppliesTo || action.appliesTo == kAppliesToSelf) {
        return entry.handler(parts_, self, other, action);
    }
    if (action.appliesTo == kAppliesToOther) {
        return entry.handler(parts_, other, self, action);
    }
    // Every live instance of the object, as the list stands when the action starts: those
    // the action creates are not visited, those it destroys are passed over.
    bool answer = true;
    game_.instances.ForEachLive([&](CInstance& instance) {
        if (instance.object == action.appliesTo &&
            !entry.handler(parts_, instance, instance, action) && question) {
            answer = false;
        }
        return answer && !nesting_.GivingUp();
    });
    return answer;
}

bool CActionExecutor::IsQuestion(const CAction& action) const {
    switch (action.id) {
    case kElseAction:
        return true;
    case kExitEventAction:
    case kBlockStartAction:
    case kBlockEndAction:
        return false;
    default: {
        const RActionEntry* entry = registry_.Find(action.id);
        return entry != nullptr && entry->question;
    }
    }
}

bool CActionExecutor::Stopping() const {
    return game_.next_room != 0 || nesting_.GivingUp();
}

} // namespace velkaro
