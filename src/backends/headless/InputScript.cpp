#include "backends/headless/InputScript.h"

#include "backends/headless/InputFileError.h"
#include "backends/headless/ScriptLines.h"
#include "base/AnsiText.h"
#include "base/KeyNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <sstream>
#include <utility>

namespace velkaro {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

std::int64_t Number(const std::string& word, std::int64_t low, std::int64_t high, int line,
                    const char* what) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < low || value > high) {
        throw InputFileError(line, std::string(what) + " must be a whole number from " +
                                       std::to_string(low) + " to " + std::to_string(high) +
                                       ", not \"" + word + "\"");
    }
    return value;
}

constexpr std::int64_t kLargestStep = 2147483647;
constexpr std::int64_t kLargestCoordinate = 1000000;
constexpr std::int64_t kLargestAxis = 65535;
constexpr std::int64_t kLargestButtons = 0xFFFFFFFF;

std::int64_t Button(const std::string& word, int line) {
    if (word == "left") {
        return 1;
    }
    if (word == "right") {
        return 2;
    }
    if (word == "middle") {
        return 3;
    }
    throw InputFileError(line,
                         "the mouse button must be left, right or middle, not \"" + word + "\"");
}

// A key: its code, or its name (a bare number is always a code).
std::int64_t Key(const std::string& word, int line) {
    const bool number = std::all_of(word.begin(), word.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '+';
    });
    if (number) {
        return Number(word, 0, 255, line, "the key code");
    }
    if (const auto code = KeyCodeOfName(word)) {
        return *code;
    }
    throw InputFileError(line, "unknown key \"" + word +
                                   "\": expected a key's name (left, space, enter, a, digit1, "
                                   "f1...) or its code from 0 to 255");
}

// "\xNN": the character of code NN (two hexadecimal digits), for the characters a line cannot
// hold as they are (Enter, Backspace, a line break) or that an editor would lose (a blank).
std::optional<char> EscapedCharacter(const std::string& text) {
    if (text.size() != 4 || text[0] != '\\' || text[1] != 'x' ||
        std::isxdigit(static_cast<unsigned char>(text[2])) == 0 ||
        std::isxdigit(static_cast<unsigned char>(text[3])) == 0) {
        return std::nullopt;
    }
    return static_cast<char>(std::stoi(text.substr(2), nullptr, 16));
}

void Expect(const std::vector<std::string>& words, std::size_t count, int line) {
    if (words.size() != count) {
        throw InputFileError(line, words[1] + " takes " + std::to_string(count - 2) + " values");
    }
}

InputEvent ReadEvent(const std::string& text, int line) {
    const std::vector<std::string> words = Words(text);
    if (words.size() < 2) {
        throw InputFileError(line, "expected STEP EVENT ARGS");
    }
    InputEvent event;
    event.step = Number(words[0], 0, kLargestStep, line, "the step");
    const std::string& name = words[1];
    if (name == "key_down" || name == "key_up") {
        Expect(words, 3, line);
        event.kind = name == "key_down" ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        event.a = Key(words[2], line);
    } else if (name == "char") {
        // The character is the rest of the line after one blank, so that it may be a blank.
        const std::size_t at = text.find("char") + 5;
        const std::string character = at <= text.size() ? text.substr(at) : std::string();
        event.kind = InputEvent::Kind::Char;
        if (const auto code = EscapedCharacter(character)) {
            event.text = std::string(1, *code);
        } else {
            const auto ansi = Utf8ToAnsi(character);
            if (!ansi || ansi->size() != 1) {
                throw InputFileError(line, "char takes one character, or \\xNN for the "
                                           "character of code NN (hexadecimal)");
            }
            event.text = *ansi;
        }
    } else if (name == "mouse_move") {
        Expect(words, 4, line);
        event.kind = InputEvent::Kind::MouseMove;
        event.b = Number(words[2], -kLargestCoordinate, kLargestCoordinate, line, "X");
        event.c = Number(words[3], -kLargestCoordinate, kLargestCoordinate, line, "Y");
    } else if (name == "mouse_down" || name == "mouse_up") {
        Expect(words, 5, line);
        event.kind = name == "mouse_down" ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
        event.a = Button(words[2], line);
        event.b = Number(words[3], -kLargestCoordinate, kLargestCoordinate, line, "X");
        event.c = Number(words[4], -kLargestCoordinate, kLargestCoordinate, line, "Y");
    } else if (name == "joystick") {
        if (words.size() == 3 && words[2] == "none") {
            event.kind = InputEvent::Kind::NoJoystick;
        } else {
            Expect(words, 5, line);
            event.kind = InputEvent::Kind::Joystick;
            event.a = Number(words[2], 0, kLargestAxis, line, "the X axis");
            event.b = Number(words[3], 0, kLargestAxis, line, "the Y axis");
            event.c = Number(words[4], 0, kLargestButtons, line, "the buttons");
        }
    } else {
        throw InputFileError(line, "unknown event \"" + name + "\"");
    }
    return event;
}

} // namespace

InputScript InputScript::Read(std::istream& in) {
    std::vector<InputEvent> events;
    for (const auto& [line, text] : ReadScriptLines(in)) {
        InputEvent event = ReadEvent(text, line);
        if (!events.empty() && event.step < events.back().step) {
            throw InputFileError(line, "step " + std::to_string(event.step) +
                                           " comes before the step of an earlier line");
        }
        events.push_back(std::move(event));
    }
    return InputScript(std::move(events));
}

std::string InputLine(const InputEvent& event) {
    const std::string step = std::to_string(event.step) + " ";
    const auto key = [](std::int64_t code) {
        const std::string_view name = NameOfKeyCode(static_cast<int>(code));
        return name.empty() ? std::to_string(code) : std::string(name);
    };
    const auto button = [](std::int64_t code) {
        return std::string(code == 2 ? "right" : code == 3 ? "middle" : "left");
    };
    const auto at = [](std::int64_t x, std::int64_t y) {
        return std::to_string(x) + " " + std::to_string(y);
    };
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
        return step + "key_down " + key(event.a);
    case InputEvent::Kind::KeyUp:
        return step + "key_up " + key(event.a);
    case InputEvent::Kind::Char: {
        const unsigned char code = event.text.empty() ? 0 : event.text[0];
        if (code <= ' ' || code == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
            return step + "char " + escaped;
        }
        return step + "char " + AnsiToUtf8(event.text.substr(0, 1));
    }
    case InputEvent::Kind::MouseMove:
        return step + "mouse_move " + at(event.b, event.c);
    case InputEvent::Kind::MouseDown:
        return step + "mouse_down " + button(event.a) + " " + at(event.b, event.c);
    case InputEvent::Kind::MouseUp:
        return step + "mouse_up " + button(event.a) + " " + at(event.b, event.c);
    case InputEvent::Kind::Joystick:
        return step + "joystick " + std::to_string(event.a) + " " + std::to_string(event.b) + " " +
               std::to_string(event.c);
    case InputEvent::Kind::NoJoystick:
        return step + "joystick none";
    }
    return step;
}

std::vector<InputEvent> InputScript::Due(long step) {
    std::vector<InputEvent> due;
    while (next_ < events_.size() && events_[next_].step <= step) {
        due.push_back(events_[next_++]);
    }
    return due;
}

} // namespace velkaro
