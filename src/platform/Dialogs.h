#pragma once

#include <string>

namespace velkaro {

// The boxes a game shows the player. Texts are game texts (Windows-1252).
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message box with an OK button; returns when the player has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace velkaro
