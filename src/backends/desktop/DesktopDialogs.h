#pragma once

#include "platform/Dialogs.h"

#include <optional>
#include <string>

namespace velkaro {

// The boxes on the desktop, as SDL message boxes. Without a display the text goes to standard
// error, so a message is never lost.
class DesktopDialogs : public Dialogs {
public:
    explicit DesktopDialogs(std::string title) : title_(std::move(title)) {}

    void SetTitle(std::string title) { title_ = std::move(title); }
    void ShowMessage(const std::string& text) override;
    // Without a display, or when the box is closed without a choice, the answer is Ignore, or
    // Abort when fatal.
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override;
    // Without a display, or when the box is closed without a choice, the answer is No.
    bool ShowQuestion(const std::string& text) override;
    // SDL has no input box and no window for formatted text; both come with the desktop
    // player's own windows. Until then the prompt goes to standard error and the answer is
    // Cancel, and the game information is announced there and not shown.
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override;
    void ShowGameInfo() override;

private:
    std::string title_;
};

} // namespace velkaro
