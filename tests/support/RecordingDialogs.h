#pragma once

#include "platform/Dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace velkaro::test {

// Keeps every box a test's code shows. Messages and the texts of the other boxes are kept in
// order in `messages`; questions are answered No and input boxes Cancel. Error reports are
// kept apart and answered from `errorAnswers` in order; when none is left, as a player without
// an answer would: Ignore, or Abort when fatal.
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
    bool ShowQuestion(const std::string& text) override {
        messages.push_back(text);
        return false;
    }
    std::optional<std::string> AskText(const std::string& prompt, const std::string&) override {
        messages.push_back(prompt);
        return std::nullopt;
    }
    void ShowGameInfo() override { messages.push_back("(game information)"); }

    std::vector<std::string> messages;
    std::vector<ErrorReport> errorReports;
    std::vector<ErrorAnswer> errorAnswers;
};

} // namespace velkaro::test
