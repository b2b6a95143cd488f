#pragma once

#include "platform/Dialogs.h"

#include <string>
#include <vector>

namespace velkaro::test {

// Keeps every message a test's code shows.
class RecordingDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

} // namespace velkaro::test
