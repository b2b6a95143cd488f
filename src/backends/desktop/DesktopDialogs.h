#pragma once

#include "platform/Dialogs.h"

#include <string>

namespace velkaro {

// Message boxes on the desktop. Without a display the text goes to standard error, so a
// message is never lost.
class DesktopDialogs : public Dialogs {
public:
    explicit DesktopDialogs(std::string title) : title_(std::move(title)) {}

    void SetTitle(std::string title) { title_ = std::move(title); }
    void ShowMessage(const std::string& text) override;
    // Without a display, or when the box is closed without a choice, the answer is Ignore, or
    // Abort when fatal.
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override;

private:
    std::string title_;
};

} // namespace velkaro
