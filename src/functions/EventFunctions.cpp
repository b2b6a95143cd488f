#include "functions/EventFunctions.h"

#include "data/GameLoader.h"
#include "engine/GameParts.h"

#include <cstdint>
#include <iterator>
#include <utility>

namespace velkaro {
namespace {

// The last meeting sub-event is the number of the game's last object.
constexpr std::int64_t kLastObject = -1;

struct EventFunction {
    const char* name;
    // As the game loop names the event in error reports.
    const char* eventName;
    int row;
    // Events with sub-events take the sub-event number as a second argument; any number
    // outside first..last is refused with `refusal`. Null for events without sub-events.
    const char* refusal = nullptr;
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// In registration order: the order fixes the function numbers.
constexpr EventFunction kEventFunctions[] = {
    {"perform_create_event", kCreationEventName, kCreationEvent},
    {"perform_destroy_event", kDestroyEventName, kDestroyEvent},
    {"perform_alarm_event", kAlarmEventName, kAlarmEvent, "Performing unknown alarm event.", 0, 3},
    {"perform_step_event", kStepEventName, kStepEvent},
    {"perform_collision_event", kCollisionEventName, kCollisionEvent},
    {"perform_drawing_event", kDrawingEventName, kDrawingEvent},
    {"perform_mouse_event", kMouseEventName, kMouseEvent, "Performing unknown mouse event.", 0, 3},
    {"perform_keyboard_event", kKeyboardEventName, kKeyboardEvent,
     "Performing unknown keyboard event.", 0, 128},
    {"perform_meeting_event", kMeetingEventName, kMeetingEvent, "Performing unknown meeting event.",
     1, kLastObject},
    {"perform_other_event", kOtherEventName, kOtherEvent, "Performing unknown other event.", 0, 1},
};

bool Accepted(const EventFunction& function, const GameState& game, std::int64_t sub) {
    std::int64_t last = function.last;
    if (last == kLastObject) {
        last = game.data.objects.Count();
    }
    return sub >= function.first && sub <= last;
}

void ShowRefusal(GameServices& services, const char* refusal) {
    const PausedGame paused(services.pacing);
    services.dialogs.ShowMessage(refusal);
}

// Runs the instance's actions for the event as if it had happened, with the instance as self
// and other; nothing else the game loop does around the event (no motion, no alarm count, no
// removal) happens.
void RunFor(EventRunner& events, CInstance& instance, int row, int sub) {
    const CActionList* list = instance.object_def->Events().Find(row, sub);
    if (list != nullptr) {
        events.RunEvent(instance, instance, *list);
    }
}

// Self and other run even when marked for removal; an object's instances run in list order,
// those there were when the call began, each unless an earlier event of the call removed it.
void RunSelected(GameParts& parts, CInstance& self, CInstance& other, std::int32_t selector,
                 int row, int sub) {
    if (selector == kSelfObject) {
        RunFor(parts.events, self, row, sub);
        return;
    }
    if (selector == kOtherObject) {
        RunFor(parts.events, other, row, sub);
        return;
    }
    parts.state.instances.ForEachLive([&](CInstance& instance) {
        if (instance.object == selector) {
            RunFor(parts.events, instance, row, sub);
        }
    });
}

template <std::size_t I>
void PerformEvent(FunctionContext& context, CInstance& self, CInstance& other,
                  int /*argumentCount*/, const FunctionArguments& arguments, RValue& /*result*/) {
    const EventFunction& function = kEventFunctions[I];
    GameState& game = context.game;
    // Stays after the call, as it would after the event had happened.
    game.event_name = function.eventName;
    int sub = 0;
    if (function.refusal != nullptr) {
        const std::int64_t number = RoundToInteger(arguments[1].real);
        if (!Accepted(function, game, number)) {
            ShowRefusal(context.parts.services, function.refusal);
            return;
        }
        sub = static_cast<int>(number);
    }
    RunSelected(context.parts, self, other, RoundToInt32(arguments[0].real), function.row, sub);
}

template <std::size_t... I>
void RegisterAll(CFunctionRegistry& registry, std::index_sequence<I...>) {
    (registry.RegisterFunction(kEventFunctions[I].name, &PerformEvent<I>,
                               kEventFunctions[I].refusal != nullptr ? 2 : 1),
     ...);
}

} // namespace

void RegisterEventFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kEventFunctions) == 10);
    RegisterAll(registry, std::make_index_sequence<std::size(kEventFunctions)>());
}

} // namespace velkaro
