#pragma once

#include "data/ActionClass.h"
#include "world/InstanceClass.h"

namespace velkaro {

// Runs the action list of one event for a self and an other instance. The action executor
// implements it; the runtime's operations run the events they raise through it, so they do
// not depend on how actions are carried out.
class EventRunner {
public:
    virtual ~EventRunner() = default;
    virtual void RunEvent(CInstance& self, CInstance& other, const CActionList& list) = 0;
    // Events and actions ran too deep, and the levels still running are being abandoned:
    // operations that would run events refuse meanwhile.
    virtual bool GivingUp() const = 0;
};

} // namespace velkaro
