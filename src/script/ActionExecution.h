#pragma once

#include "script/EventRunner.h"
#include "script/NestingGuard.h"

#include <array>
#include <cstdint>

namespace velkaro {

class CAction;
class CActionList;
class CInstance;
class Dialogs;
class GameErrorSink;
struct GameParts;
struct GameState;

// Actions the executor carries out itself, whatever the registry holds for them.
constexpr std::int32_t kExitEventAction = 601;
constexpr std::int32_t kElseAction = 751;
constexpr std::int32_t kBlockStartAction = 901;
constexpr std::int32_t kBlockEndAction = 902;

inline const char* const kUndefinedActionMessage =
    "Internal Error: Adding undefined action function.";

// An action's handler. For a question the result is its answer; other actions' results are
// ignored. With applies-to, `self` and `other` are those the executor chose for this call.
// `parts` is what the handler reaches besides its two instances; the engine defines it, and
// the executor only hands it on.
using ActionHandler = bool (*)(GameParts& parts, CInstance& self, CInstance& other,
                               const CAction& action);

struct RActionEntry {
    bool defined = false;
    // A question answers true or false and governs the action or block after it.
    bool question = false;
    // When false, the action runs for the self and other of its list whatever its applies-to
    // field holds.
    bool usesAppliesTo = false;
    ActionHandler handler = nullptr;
};

// The actions by id, 1 to 2000. Filled once at start-up, read-only afterwards.
class CActionRegistry {
public:
    static constexpr int kMaxActionId = 2000;

    // `dialogs` shows what goes wrong while the actions are registered.
    explicit CActionRegistry(Dialogs& dialogs) : dialogs_(dialogs) {}

    // An id outside 1..2000 is refused with kUndefinedActionMessage; registering an id again
    // replaces its entry.
    void RegisterAction(int id, bool question, bool usesAppliesTo, ActionHandler handler);

    // The entry of a registered action with a handler; null for any other id.
    const RActionEntry* Find(int id) const;

private:
    Dialogs& dialogs_;
    std::array<RActionEntry, kMaxActionId + 1> entries_{};
};

// Runs action lists: questions govern the action (or block, or further question) after them,
// an else runs what follows it only when its question said no, exit ends the list, and each
// action runs for self, for other, or for every live instance of an object.
//
// While a room change or the end of the game is pending, no further action of any list runs.
//
// Events run inside actions (a created instance's Creation event, events raised by code) come
// back here. Every list and every nested action holds a level of the nesting guard, which
// stops a game whose events keep raising one another without end.
class CActionExecutor : public EventRunner {
public:
    // `parts` is handed to every handler; the executor never looks into it, so it may still
    // be under construction while the executor is built.
    CActionExecutor(GameState& game, const CActionRegistry& registry, GameErrorSink& errors,
                    GameParts& parts)
        : game_(game), registry_(registry), nesting_(game, errors), parts_(parts) {}
    CActionExecutor(const CActionExecutor&) = delete;
    CActionExecutor& operator=(const CActionExecutor&) = delete;

    // The caller sets `event_name` first. Makes self's object the one error reports name.
    void ExecuteActionList(CInstance& self, CInstance& other, const CActionList& list);
    void RunEvent(CInstance& self, CInstance& other, const CActionList& list) override {
        ExecuteActionList(self, other, list);
    }
    bool GivingUp() const override { return nesting_.GivingUp(); }

private:
    // Runs (or, with `skip`, passes over) the action at position i and what depends on it;
    // answers the position of the next action to consider.
    int ExecuteAt(CInstance& self, CInstance& other, const CActionList& list, bool skip, int i);
    int RunQuestion(CInstance& self, CInstance& other, const CActionList& list, int i);
    int RunAction(CInstance& self, CInstance& other, const CActionList& list, int i);
    bool Dispatch(const RActionEntry& entry, bool question, CInstance& self, CInstance& other,
                  const CAction& action);
    bool IsQuestion(const CAction& action) const;
    bool Stopping() const;

    GameState& game_;
    const CActionRegistry& registry_;
    CNestingGuard nesting_;
    GameParts& parts_;
};

} // namespace velkaro
