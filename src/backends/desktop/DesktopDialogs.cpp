#include "backends/desktop/DesktopDialogs.h"

#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/desktop/InputBox.h"
#include "base/AnsiText.h"

#include <SDL.h>

#include <array>
#include <iostream>
#include <optional>
#include <span>

namespace velkaro {
namespace {

// Reports separate their lines with a carriage return alone, which the desktop's boxes would
// show as nothing.
std::string WithLineFeeds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            result += text[i];
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            result += '\n';
        }
    }
    return result;
}

// Shows a box with `buttons` (the first taking Return unless its flags say otherwise) and
// answers the id of the button chosen; none without a display or when the box was closed
// without a choice. Without a display the text goes to standard error.
std::optional<int> ShowBox(SDL_Window* parent, Uint32 flags, const std::string& title,
                           const std::string& text,
                           std::span<const SDL_MessageBoxButtonData> buttons) {
    const std::string caption = AnsiToUtf8(title);
    const std::string message = WithLineFeeds(AnsiToUtf8(text));
    SDL_MessageBoxData box{};
    box.flags = flags;
    // A box that belongs to the game's window stays above it, even over the full screen.
    box.window = parent;
    box.title = caption.c_str();
    box.message = message.c_str();
    box.numbuttons = static_cast<int>(buttons.size());
    box.buttons = buttons.data();
    box.colorScheme = nullptr;
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        std::cerr << caption << ": " << message << '\n';
        return std::nullopt;
    }
    return chosen < 0 ? std::nullopt : std::optional<int>(chosen);
}

constexpr Uint32 kReturnKey = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
constexpr Uint32 kEscapeKey = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;

} // namespace

void DesktopDialogs::ShowMessage(const std::string& text) {
    const std::array<SDL_MessageBoxButtonData, 1> ok = {{{kReturnKey | kEscapeKey, 0, "OK"}}};
    ShowBox(Parent(), SDL_MESSAGEBOX_INFORMATION, title_, text, ok);
}

ErrorAnswer DesktopDialogs::ShowErrorReport(const std::string& text, bool fatal) {
    enum : int { kAbortButton, kIgnoreButton };
    // Return chooses Abort, as the first button of the box; Escape the harmless choice.
    const std::array<SDL_MessageBoxButtonData, 2> buttons = {{
        {fatal ? kReturnKey | kEscapeKey : kReturnKey, kAbortButton, "Abort"},
        {kEscapeKey, kIgnoreButton, "Ignore"},
    }};
    const std::optional<int> chosen = ShowBox(Parent(), SDL_MESSAGEBOX_ERROR, title_, text,
                                              std::span(buttons).first(fatal ? 1 : 2));
    if (!chosen) {
        return DefaultErrorAnswer(fatal);
    }
    return *chosen == kAbortButton ? ErrorAnswer::Abort : ErrorAnswer::Ignore;
}

bool DesktopDialogs::ShowQuestion(const std::string& text) {
    enum : int { kYesButton, kNoButton };
    // Return chooses Yes, the first button; Escape and closing the box choose No.
    const std::array<SDL_MessageBoxButtonData, 2> buttons = {{
        {kReturnKey, kYesButton, "Yes"},
        {kEscapeKey, kNoButton, "No"},
    }};
    return ShowBox(Parent(), SDL_MESSAGEBOX_INFORMATION, title_, text, buttons) == kYesButton;
}

std::optional<std::string> DesktopDialogs::AskText(const std::string& prompt,
                                                   const std::string& value) {
    if (events_ == nullptr) {
        std::cerr << AnsiToUtf8(title_) << ": " << WithLineFeeds(AnsiToUtf8(prompt))
                  << " (no window to ask in: answered Cancel)\n";
        return std::nullopt;
    }
    return AskTextInWindow(Parent(), prompt, value,
                           [this](int timeoutMs) { return events_->NextModalEvent(timeoutMs); });
}

void DesktopDialogs::ShowGameInfo() {
    const std::array<SDL_MessageBoxButtonData, 1> ok = {{{kReturnKey | kEscapeKey, 0, "OK"}}};
    std::string text = infoText_;
    if (text.empty()) {
        text = "This game has no information.";
    } else if (text.starts_with("{\\rtf")) {
        text = "This game's information is formatted text, which this version of the player "
               "cannot show yet.";
    }
    ShowBox(Parent(), SDL_MESSAGEBOX_INFORMATION, infoCaption_.empty() ? title_ : infoCaption_,
            text, ok);
}

SDL_Window* DesktopDialogs::Parent() const {
    return screen_ != nullptr ? screen_->Window() : nullptr;
}

} // namespace velkaro
