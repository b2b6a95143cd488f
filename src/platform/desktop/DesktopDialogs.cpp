#include "platform/desktop/DesktopDialogs.h"

#include "platform/AnsiText.h"

#include <SDL.h>

#include <iostream>

namespace velkaro {

void DesktopDialogs::ShowMessage(const std::string& text) {
    const std::string message = AnsiToUtf8(text);
    const std::string title = AnsiToUtf8(title_);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), message.c_str(),
                                 nullptr) != 0) {
        std::cerr << title << ": " << message << '\n';
    }
}

} // namespace velkaro
