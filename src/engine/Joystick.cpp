#include "engine/Joystick.h"

namespace velkaro {
namespace {

constexpr std::int32_t kAxisLowBelow = 20000;
constexpr std::int32_t kAxisCentreUpTo = 44000;
constexpr std::int32_t kNumpadZeroCode = 96;
constexpr std::int32_t kCentredKey = kNumpadZeroCode + 5;
constexpr std::int32_t kButtonCodeBase = 64; // button n stands for the letter key 64 + n

// 0 low, 1 centre, 2 high.
std::int32_t Band(std::int32_t position) {
    return position < kAxisLowBelow ? 0 : position <= kAxisCentreUpTo ? 1 : 2;
}

} // namespace

std::int32_t JoystickDirectionKey(const JoystickState& state) {
    return kNumpadZeroCode + 7 - 3 * Band(state.y) + Band(state.x);
}

bool JoystickButtonDown(const JoystickState& state, std::int32_t button) {
    return button >= 1 && button <= kJoystickButtons && (state.buttons & (1u << (button - 1))) != 0;
}

std::int32_t JoystickCode(const std::optional<JoystickState>& state) {
    if (!state) {
        return 0;
    }
    const std::int32_t direction = JoystickDirectionKey(*state);
    std::int32_t code = direction != kCentredKey ? direction : 0;
    for (std::int32_t button = 1; button <= kJoystickButtons; ++button) {
        if (JoystickButtonDown(*state, button)) {
            code = kButtonCodeBase + button;
        }
    }
    return code;
}

} // namespace velkaro
