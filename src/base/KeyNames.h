#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace velkaro {

// Names of keys for people who write keyboard events and input files by hand, over the Windows
// virtual-key codes games use: "left" 37, "space" 32, "enter" 13, "a" 65, "digit1" 49 (a bare
// number is always a code, so the digit keys carry a prefix), "numpad1" 97, "f1" 112, and the
// punctuation of a US layout ("semicolon" 186, also under its Windows name "oem_1").

// The key codes that raise keyboard events while a game plays; a key of another code (the
// punctuation keys, say) is seen only through keypressed and check_key.
constexpr int kFirstKeyEventCode = 1;
constexpr int kLastKeyEventCode = 127;

struct KeyName {
    std::string_view name;
    int code;
};

// The code of a key name, whatever the case of its letters; none for a name no key has.
std::optional<int> KeyCodeOfName(std::string_view name);

// The name of a code, lower-case; empty for a code that has no name.
std::string_view NameOfKeyCode(int code);

// Every name NameOfKeyCode answers, one for each named code, in the order of the codes.
std::span<const KeyName> KeyNames();

// The other names KeyCodeOfName accepts ("return", "esc", "oem_1"...).
std::span<const KeyName> OtherKeyNames();

} // namespace velkaro
