#include "backends/desktop/DesktopDialogs.h"

#include "base/AnsiText.h"

#include <SDL.h>

#include <array>
#include <iostream>

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

} // namespace

void DesktopDialogs::ShowMessage(const std::string& text) {
    const std::string message = AnsiToUtf8(text);
    const std::string title = AnsiToUtf8(title_);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), message.c_str(),
                                 nullptr) != 0) {
        std::cerr << title << ": " << message << '\n';
    }
}

ErrorAnswer DesktopDialogs::ShowErrorReport(const std::string& text, bool fatal) {
    enum : int { kAbortButton, kIgnoreButton };
    const std::string message = WithLineFeeds(AnsiToUtf8(text));
    const std::string title = AnsiToUtf8(title_);
    const ErrorAnswer fallback = DefaultErrorAnswer(fatal);

    // Return chooses Abort, as the first button of the box; Escape the harmless choice.
    const auto returnKey = static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
    const auto escapeKey = static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
    const std::array<SDL_MessageBoxButtonData, 2> buttons = {{
        {fatal ? returnKey | escapeKey : returnKey, kAbortButton, "Abort"},
        {escapeKey, kIgnoreButton, "Ignore"},
    }};
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_ERROR;
    box.window = nullptr;
    box.title = title.c_str();
    box.message = message.c_str();
    box.numbuttons = fatal ? 1 : 2;
    box.buttons = buttons.data();
    box.colorScheme = nullptr;

    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        std::cerr << title << ": " << message << '\n';
        return fallback;
    }
    if (chosen == kAbortButton) {
        return ErrorAnswer::Abort;
    }
    if (chosen == kIgnoreButton) {
        return ErrorAnswer::Ignore;
    }
    return fallback;
}

bool DesktopDialogs::ShowQuestion(const std::string& text) {
    enum : int { kYesButton, kNoButton };
    const std::string message = WithLineFeeds(AnsiToUtf8(text));
    const std::string title = AnsiToUtf8(title_);

    // Return chooses Yes, the first button; Escape and closing the box choose No.
    const std::array<SDL_MessageBoxButtonData, 2> buttons = {{
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kYesButton, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNoButton, "No"},
    }};
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = nullptr;
    box.title = title.c_str();
    box.message = message.c_str();
    box.numbuttons = static_cast<int>(buttons.size());
    box.buttons = buttons.data();
    box.colorScheme = nullptr;

    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        std::cerr << title << ": " << message << " (answered No)\n";
        return false;
    }
    return chosen == kYesButton;
}

std::optional<std::string> DesktopDialogs::AskText(const std::string& prompt, const std::string&) {
    std::cerr << AnsiToUtf8(title_) << ": " << WithLineFeeds(AnsiToUtf8(prompt))
              << " (no input box yet: answered Cancel)\n";
    return std::nullopt;
}

void DesktopDialogs::ShowGameInfo() {
    std::cerr << AnsiToUtf8(title_) << ": the game information window is not available yet\n";
}

} // namespace velkaro
