#include "qvf/InputDelivery.h"

#include "backends/headless/InputFileError.h"
#include "base/KeyNames.h"
#include "world/GameState.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace velkaro {

void Deliver(GameState& game, WindowKeys& keys, const InputEvent& event) {
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
        KeyDown(game, keys, static_cast<std::int32_t>(event.a));
        break;
    case InputEvent::Kind::KeyUp:
        KeyUp(game, static_cast<std::int32_t>(event.a));
        break;
    case InputEvent::Kind::Char:
        CharTyped(game, event.text);
        break;
    case InputEvent::Kind::MouseMove:
        MouseMove(game, event.b, event.c);
        break;
    case InputEvent::Kind::MouseDown:
        MouseDown(game, static_cast<std::int32_t>(event.a), event.b, event.c);
        break;
    case InputEvent::Kind::MouseUp:
        MouseUp(game, event.b, event.c);
        break;
    case InputEvent::Kind::Joystick:
    case InputEvent::Kind::NoJoystick:
        break;
    }
}

} // namespace velkaro

namespace velkaro {

std::string WithKeyCodes(std::istream& in) {
    std::string result;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        std::istringstream words(text);
        std::vector<std::string> word;
        for (std::string w; words >> w;) {
            word.push_back(w);
        }
        const bool key = word.size() == 3 && (word[1] == "key_down" || word[1] == "key_up") &&
                         word[0].front() != '#';
        const bool number =
            key && std::all_of(word[2].begin(), word[2].end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '+';
            });
        if (key && !number) {
            const auto code = KeyCodeOfName(word[2]);
            if (!code) {
                throw InputFileError(line, "unknown key \"" + word[2] +
                                               "\": expected a key's name (left, space, enter, "
                                               "a, digit1, f1...) or its code from 0 to 255");
            }
            text = word[0] + " " + word[1] + " " + std::to_string(*code);
        }
        result += text;
        result += '\n';
    }
    return result;
}

} // namespace velkaro
