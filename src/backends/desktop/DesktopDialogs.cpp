#include "backends/desktop/DesktopDialogs.h"

#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/desktop/InfoWindow.h"
#include "backends/desktop/InputBox.h"
#include "backends/desktop/MessageBox.h"

#include "base/AnsiText.h"

#include <SDL.h>

#include <algorithm>
#include <iostream>

#include <array>
#include <optional>
#include <span>

namespace velkaro {

void DesktopDialogs::ShowMessage(const std::string& text) {
    const std::array<MessageButton, 1> ok = {{{"OK", 0, true, true}}};
    ShowMessageInWindow(Parent(), title_, text, MessageIcon::Information, ok, Events());
}

void DesktopDialogs::Log(const std::string& text, const std::filesystem::path& file) {
    std::string line = AnsiToUtf8(text);
    std::replace(line.begin(), line.end(), '\r', ' ');
    if (!file.empty()) {
        line = file.string() + ": " + line;
    }
    if (logged_.insert(line).second) {
        std::cerr << "velkaro: " << line << '\n';
    }
}

ErrorAnswer DesktopDialogs::ShowErrorReport(const std::string& text, bool fatal) {
    Log(text);
    enum : int { kAbortButton, kIgnoreButton };
    // Enter chooses Abort, the first button; Escape the harmless choice.
    const std::array<MessageButton, 2> buttons = {{
        {"Abort", kAbortButton, true, fatal},
        {"Ignore", kIgnoreButton, false, true},
    }};
    const std::optional<int> chosen =
        ShowMessageInWindow(Parent(), title_, text, MessageIcon::Error,
                            std::span(buttons).first(fatal ? 1 : 2), Events());
    if (!chosen) {
        return DefaultErrorAnswer(fatal);
    }
    return *chosen == kAbortButton ? ErrorAnswer::Abort : ErrorAnswer::Ignore;
}

bool DesktopDialogs::ShowQuestion(const std::string& text) {
    enum : int { kYesButton, kNoButton };
    // Enter chooses Yes, the first button; Escape and closing the box choose No.
    const std::array<MessageButton, 2> buttons = {{
        {"Yes", kYesButton, true, false},
        {"No", kNoButton, false, true},
    }};
    return ShowMessageInWindow(Parent(), title_, text, MessageIcon::Information, buttons,
                               Events()) == kYesButton;
}

std::optional<std::string> DesktopDialogs::AskText(const std::string& prompt,
                                                   const std::string& value) {
    return AskTextInWindow(Parent(), prompt, value, Events());
}

void DesktopDialogs::ShowGameInfo() {
    // A game without "help.rtf" shows an empty window under its caption.
    ShowGameInformation(Parent(), infoCaption_, infoText_, Events());
}

SDL_Window* DesktopDialogs::Parent() const {
    return screen_ != nullptr ? screen_->Window() : nullptr;
}

ModalEventSource DesktopDialogs::Events() const {
    if (events_ != nullptr) {
        return events_->ModalEvents();
    }
    // Before the game's window has its loop (a message while the game loads): the box's own.
    return [](int timeoutMs) -> std::optional<SDL_Event> {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, timeoutMs) == 0) {
            return std::nullopt;
        }
        return event;
    };
}

} // namespace velkaro
