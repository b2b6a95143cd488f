#pragma once

#include "backends/headless/AnswerScript.h"
#include "backends/headless/Transcript.h"
#include "platform/Dialogs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velkaro {

// Dialogs without windows: every box becomes a transcript line, with the answer the answers
// script gave it.
class HeadlessDialogs : public Dialogs {
public:
    // Every box gets the answer a player who has none ready would give.
    explicit HeadlessDialogs(Transcript& transcript) : transcript_(transcript), answers_(own_) {}
    HeadlessDialogs(Transcript& transcript, AnswerScript& answers)
        : transcript_(transcript), answers_(answers) {}

    void ShowMessage(const std::string& text) override;
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override;
    bool ShowQuestion(const std::string& text) override;
    // An input box: the text typed (Windows-1252), or none for Cancel.
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override;
    void ShowGameInfo() override;

private:
    Transcript& transcript_;
    AnswerScript own_;
    AnswerScript& answers_;
};

} // namespace velkaro
