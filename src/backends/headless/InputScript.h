#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace velkaro {

// What a player does at the window of a headless run, read from its input file.
struct InputEvent {
    enum class Kind { KeyDown, KeyUp, Char, MouseMove, MouseDown, MouseUp, Joystick, NoJoystick };

    long step = 0; // delivered just before this step runs
    Kind kind = Kind::KeyDown;
    // KeyDown, KeyUp: a = key code. Mouse: a = button (1 left, 2 right, 3 middle; 0 for a
    // move), b, c = client position. Joystick: a, b = axes, c = button bits.
    std::int64_t a = 0;
    std::int64_t b = 0;
    std::int64_t c = 0;
    std::string text; // Char: the one character, Windows-1252
};

// The event as one line of an input file ("12 key_down left"), without its line end: what
// InputScript::Read reads back as the same event.
std::string InputLine(const InputEvent& event);

// The input file's events in file order, handed out step by step.
class InputScript {
public:
    InputScript() = default;
    explicit InputScript(std::vector<InputEvent> events) : events_(std::move(events)) {}

    // Reads lines "STEP EVENT ARGS" (ReadScriptLines); keys by code or by name. Throws
    // InputFileError naming the first line that is not an event, or whose step comes before
    // the step of the line above it.
    static InputScript Read(std::istream& in);

    // The events due before `step` runs (every one whose step is `step` or earlier and has
    // not been handed out yet).
    std::vector<InputEvent> Due(long step);

    const std::vector<InputEvent>& Events() const { return events_; }

private:
    std::vector<InputEvent> events_;
    std::size_t next_ = 0;
};

} // namespace velkaro
