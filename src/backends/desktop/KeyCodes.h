#pragma once

#include <cstdint>
#include <span>

namespace velkaro {

// The Windows virtual-key code a game sees for the key with this SDL scancode, 0 for a key
// games cannot see. Keys are known by their place on the keyboard, as on a US layout.
std::int32_t VirtualKeyOfScancode(int scancode);

// Whether the key with virtual-key code `vk` is held, given SDL's keyboard state array (one
// byte per scancode, nonzero while held): any key with that code counts, so 16 is either
// Shift. 160 to 165 ask for the left or right Shift, Control or Alt alone.
bool VirtualKeyHeld(std::int32_t vk, std::span<const std::uint8_t> keyboard);

} // namespace velkaro
