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

// Counts the lists running inside one another. When the outermost one ends, whatever made
// them give up is over.
class CActionExecutor::EventNesting {
public:
    explicit EventNesting(CActionExecutor& executor) : executor_(executor) {
        ++executor_.eventDepth_;
    }
    ~EventNesting() {
        if (--executor_.eventDepth_ == 0) {
            executor_.givingUp_ = false;
        }
    }
    EventNesting(const EventNesting&) = delete;
    EventNesting& operator=(const EventNesting&) = delete;

private:
    CActionExecutor& executor_;
};

class CActionExecutor::ActionNesting {
public:
    explicit ActionNesting(CActionExecutor& executor) : executor_(executor) {
        ++executor_.actionDepth_;
    }
    ~ActionNesting() { --executor_.actionDepth_; }
    ActionNesting(const ActionNesting&) = delete;
    ActionNesting& operator=(const ActionNesting&) = delete;

private:
    CActionExecutor& executor_;
};

void CActionExecutor::ExecuteActionList(CInstance& self, CInstance& other,
                                        const CActionList& list) {
    if (list.Count() == 0 || givingUp_) {
        return;
    }
    game_.report_object = self.object;
    if (eventDepth_ >= kMaxEventNesting) {
        GiveUp(kEventsNestedTooDeeply);
        return;
    }
    EventNesting nesting(*this);
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
    if (actionDepth_ >= kMaxActionNesting) {
        GiveUp(kActionsNestedTooDeeply);
        return count + 1;
    }
    ActionNesting nesting(*this);
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
    CInstanceList& instances = game_.instances;
    const int count = instances.Count();
    for (int k = 1; k <= count && k <= instances.Count() && !givingUp_; ++k) {
        CInstance& instance = instances.Get(k);
        if (instance.deleted || instance.object != action.appliesTo) {
            continue;
        }
        if (!entry.handler(parts_, instance, instance, action) && question) {
            return false;
        }
    }
    return true;
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
    return game_.next_room != 0 || givingUp_;
}

void CActionExecutor::GiveUp(const char* message) {
    if (givingUp_) {
        return;
    }
    givingUp_ = true;
    errors_.ReportGameError(message, true);
}

} // namespace velkaro
