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

private:
    std::string title_;
};

} // namespace velkaro
