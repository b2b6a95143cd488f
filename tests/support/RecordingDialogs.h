#pragma once

#include "platform/Dialogs.h"

#include <string>
#include <vector>

namespace velkaro::test {

// Keeps every message and error report a test's code shows. Error reports are answered from
// `errorAnswers` in order; when none is left, as a player without an answer would: Ignore, or
// Abort when fatal.
class RecordingDialogs : public Dialogs {
public:
    struct ErrorReport {
        std::string text;
        bool fatal = false;
    };

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override {
        errorReports.push_back({text, fatal});
        if (fatal || errorAnswers.empty()) {
            return DefaultErrorAnswer(fatal);
        }
        const ErrorAnswer answer = errorAnswers.front();
        errorAnswers.erase(errorAnswers.begin());
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<ErrorReport> errorReports;
    std::vector<ErrorAnswer> errorAnswers;
};

} // namespace velkaro::test
