#pragma once

#include "functions/NumberText.h"
#include "functions/RandomGenerator.h"

#include <string>

namespace velkaro {

// The state of the running game. Only what the built-in functions need so far.
struct GameState {
    // Seeded from the clock when a game starts, or with a fixed seed to replay a run.
    CRandomGenerator random;
    // Written into the text of non-integral numbers. Taken from the user's locale once, here,
    // so that nothing else in the program depends on the locale.
    std::string decimal_separator = UserDecimalSeparator();
};

} // namespace velkaro
