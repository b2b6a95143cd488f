#pragma once

#include <cstdint>

namespace velkaro {

// The game's one random generator: a 32-bit linear congruential generator. Games that are
// replayed with the same seed must draw the same numbers, so the recurrence is fixed.
class CRandomGenerator {
public:
    void Seed(std::uint32_t state) { state_ = state; }
    std::uint32_t State() const { return state_; }

    // Advances the state and gives a real in [0, 1): the new state divided by 2^32.
    double Next() {
        state_ = state_ * kMultiplier + 1u;
        return static_cast<double>(state_) / 4294967296.0;
    }

private:
    static constexpr std::uint32_t kMultiplier = 134775813u;

    std::uint32_t state_ = 0;
};

} // namespace velkaro
