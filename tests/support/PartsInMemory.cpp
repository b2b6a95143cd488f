#include "support/PartsInMemory.h"

namespace velkaro::test {
namespace {

// The part a test chose, or the helper's own.
template <typename Part> Part& Chosen(Part* choice, Part& own) {
    return choice != nullptr ? *choice : own;
}

} // namespace

PartsInMemory::PartsInMemory(const GameData& data, const PartChoices& choices)
    : services(choices.services != nullptr
                   ? *choices.services
                   : GameServices{shell, shell, shell, shell, shell, shell, shell, shell}),
      state(data),
      interpreter(state, Chosen<const CFunctionRegistry>(choices.functions, noFunctions),
                  Chosen<GameErrorSink>(choices.errors, errors),
                  Chosen<RuntimeControl>(choices.runtime, runtime), parts),
      executor(state, Chosen<const CActionRegistry>(choices.actions, noActions),
               Chosen<GameErrorSink>(choices.errors, errors), parts),
      drawing(state, Chosen<EventRunner>(choices.events, executor),
              Chosen<Screen>(choices.screen, screen), Chosen<Pictures>(choices.pictures, pictures),
              services.dialogs),
      rooms(state, Chosen<EventRunner>(choices.events, executor),
            Chosen<GameErrorSink>(choices.errors, errors)),
      shellOperations(state, Chosen<GameErrorSink>(choices.errors, errors), services),
      parts{state,
            interpreter,
            Chosen<EventRunner>(choices.events, executor),
            Chosen<GameErrorSink>(choices.errors, errors),
            rooms,
            shellOperations,
            drawing,
            savedValues,
            services,
            Chosen<RuntimeControl>(choices.runtime, runtime)} {}

} // namespace velkaro::test
