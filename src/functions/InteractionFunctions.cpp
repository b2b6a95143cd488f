#include "functions/InteractionFunctions.h"

#include "base/NumberText.h"
#include "data/GameLoader.h"
#include "engine/GameParts.h"
#include "engine/Joystick.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velkaro {
namespace {

constexpr std::int32_t kMouseButtons = 3;

// One call of a function of this table. Integers are rounded (halves to even) and cut to 32
// bits, as everywhere; nothing else is checked.
class InteractionCall {
public:
    InteractionCall(FunctionContext& context, const FunctionArguments& arguments, RValue& result)
        : context_(context), arguments_(arguments), result_(result) {}

    GameServices& Services() { return context_.parts.services; }
    FunctionContext& Context() { return context_; }

    double Number(int i) const { return Argument(i).real; }
    const std::string& Text(int i) const { return Argument(i).string; }
    std::int32_t Integer32(int i) const { return Low32(RoundToInteger(Number(i))); }
    bool Flag(int i) const { return RoundToInteger(Number(i)) != 0; }
    Colour ColourArgument(int i) const { return static_cast<Colour>(Integer32(i)); }

    // A name game code gives is relative to the data folder and is used as it stands.
    std::string DataFile(int i) const { return context_.game.data.dataFolder + Text(i); }

    void Return(double value) { result_ = RValue::Real(value); }
    void ReturnTruth(bool truth) { Return(TruthValue(truth)); }
    void ReturnString(std::string text) { result_ = RValue::String(std::move(text)); }

private:
    const RValue& Argument(int i) const { return arguments_[static_cast<std::size_t>(i)]; }

    FunctionContext& context_;
    const FunctionArguments& arguments_;
    RValue& result_;
};

// Runs `act`, which opens a modal window, with the game paused around it.
template <typename Act> void Modal(InteractionCall& call, Act act) {
    GameServices& services = call.Services();
    PausedGame paused(services.pacing);
    act(services);
}

// The whole number a player typed: blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "x" or "0x"; nothing may follow. Decimal numbers must lie in
// the 32-bit range; hexadecimal ones spell the 32 bits, so "$FFFFFFFF" is -1, as a programmer
// writing a mask means it.
std::optional<std::int32_t> WholeNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        std::uint64_t digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint64_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint64_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint64_t>(c - 'A' + 10);
        }
        if (digit >= base) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

// Asks for a text in an input box; none for Cancel or a closed box.
std::optional<std::string> AskText(InteractionCall& call, const std::string& value) {
    std::optional<std::string> answer;
    Modal(call, [&](GameServices& services) {
        answer = services.dialogs.AskText(WithLineBreaks(call.Text(0)), value);
    });
    return answer;
}

void ShowImage(InteractionCall& call) {
    Modal(call, [&](GameServices& services) {
        services.screens.ShowSplashImage(call.DataFile(0), call.Flag(1), call.Integer32(2));
    });
}

void ShowVideo(InteractionCall& call) {
    Modal(call, [&](GameServices& services) {
        services.screens.ShowSplashVideo(call.DataFile(0), call.Flag(1), call.Flag(2));
    });
}

void ShowText(InteractionCall& call) {
    Modal(call, [&](GameServices& services) {
        services.screens.ShowSplashText(call.DataFile(0), call.Flag(1), call.ColourArgument(2),
                                        call.Integer32(3));
    });
}

void DebugMessage(InteractionCall&) {}

void ShowInfo(InteractionCall& call) {
    Modal(call, [](GameServices& services) { services.dialogs.ShowGameInfo(); });
}

// Both names of the function share this one handler.
void ShowHighscore(InteractionCall& call) {
    call.Context().parts.shell.ShowHighscores(call.Integer32(0));
}

void HighscoreClear(InteractionCall& call) {
    call.Services().scores.ClearScores();
}

void HighscoreAdd(InteractionCall& call) {
    call.Services().scores.AddScore(call.Text(0), call.Integer32(1));
}

void HighscoreValue(InteractionCall& call) {
    call.Return(call.Services().scores.ScoreAt(call.Integer32(0)));
}

void HighscoreName(InteractionCall& call) {
    call.ReturnString(call.Services().scores.NameAt(call.Integer32(0)));
}

void HighscoreSetColor(InteractionCall& call) {
    call.Services().scores.SetScoreColours(call.ColourArgument(0), call.ColourArgument(1));
}

void HighscoreSetFont(InteractionCall& call) {
    call.Services().scores.SetScoreFont(call.Text(0));
}

void ShowMessage(InteractionCall& call) {
    call.Context().parts.shell.ShowGameMessage(call.Text(0));
}

void ShowQuestion(InteractionCall& call) {
    call.ReturnTruth(call.Context().parts.shell.ShowQuestion(call.Text(0)));
}

void GetInteger(InteractionCall& call) {
    const double value = call.Number(1);
    if (!FitsRoundedInteger(value)) {
        call.Context().Fail("Argument of get_integer is out of range: " + NumberForMessage(value));
        return;
    }
    const std::string offered = std::to_string(RoundToInteger(value));
    // Cancel gives back the offered text, which is read as if the player had typed it; the
    // box has closed and the game goes on before a text that is no number fails the call.
    const std::string answer = AskText(call, offered).value_or(offered);
    if (const auto number = WholeNumber(answer)) {
        call.Return(*number);
    } else {
        call.Context().Fail("'" + answer + "' is not a valid integer value");
    }
}

void GetString(InteractionCall& call) {
    call.ReturnString(AskText(call, call.Text(1)).value_or(call.Text(1)));
}

void CheckKey(InteractionCall& call) {
    call.ReturnTruth(call.Services().input.KeyDown(call.Integer32(0)));
}

void CheckMouseButton(InteractionCall& call) {
    const std::int32_t button = call.Integer32(0);
    call.ReturnTruth(button >= 1 && button <= kMouseButtons &&
                     call.Services().input.MouseButtonDown(button));
}

void CheckJoystickDirection(InteractionCall& call) {
    // No joystick reads as one that is centred.
    std::int32_t direction = JoystickDirectionKey(JoystickState{});
    if (const auto stick = call.Services().input.ReadJoystick()) {
        direction = JoystickDirectionKey(*stick);
    }
    call.Return(direction);
}

void CheckJoystickButton(InteractionCall& call) {
    const std::int32_t button = call.Integer32(0);
    bool down = false;
    if (button >= 1 && button <= kJoystickButtons) {
        if (const auto stick = call.Services().input.ReadJoystick()) {
            down = JoystickButtonDown(*stick, button);
        }
    }
    call.ReturnTruth(down);
}

template <void (*Run)(InteractionCall&)>
void Handle(FunctionContext& context, CInstance& /*self*/, CInstance& /*other*/,
            int /*argumentCount*/, const FunctionArguments& arguments, RValue& result) {
    InteractionCall call(context, arguments, result);
    Run(call);
}

struct InteractionFunction {
    const char* name;
    int argumentCount;
    FunctionHandler handler;
};

// In registration order: the order fixes the function numbers.
constexpr InteractionFunction kInteractionFunctions[] = {
    {"show_image", 3, &Handle<ShowImage>},
    {"show_video", 3, &Handle<ShowVideo>},
    {"show_text", 4, &Handle<ShowText>},
    {"debug_message", 1, &Handle<DebugMessage>},
    {"show_info", 0, &Handle<ShowInfo>},
    {"show_highscore", 1, &Handle<ShowHighscore>},
    {"highscore_show", 1, &Handle<ShowHighscore>},
    {"highscore_clear", 0, &Handle<HighscoreClear>},
    {"highscore_add", 2, &Handle<HighscoreAdd>},
    {"highscore_value", 1, &Handle<HighscoreValue>},
    {"highscore_name", 1, &Handle<HighscoreName>},
    {"highscore_setcolor", 2, &Handle<HighscoreSetColor>},
    {"highscore_setfont", 1, &Handle<HighscoreSetFont>},
    {"show_message", 1, &Handle<ShowMessage>},
    {"show_question", 1, &Handle<ShowQuestion>},
    {"get_integer", 2, &Handle<GetInteger>},
    {"get_string", 2, &Handle<GetString>},
    {"check_key", 1, &Handle<CheckKey>},
    {"check_mouse_button", 1, &Handle<CheckMouseButton>},
    {"check_joystick_direction", 0, &Handle<CheckJoystickDirection>},
    {"check_joystick_button", 1, &Handle<CheckJoystickButton>},
};

} // namespace

void RegisterInteractionFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kInteractionFunctions) == 21);
    for (const InteractionFunction& function : kInteractionFunctions) {
        registry.RegisterFunction(function.name, function.handler, function.argumentCount);
    }
}

} // namespace velkaro
