#pragma once

#include "platform/Dialogs.h"
#include "platform/headless/Transcript.h"

namespace velkaro {

// Dialogs without windows: every box becomes a transcript line.
class HeadlessDialogs : public Dialogs {
public:
    explicit HeadlessDialogs(Transcript& transcript) : transcript_(transcript) {}

    void ShowMessage(const std::string& text) override;
    // Answers as a player who has no answer ready: Ignore, or Abort when fatal.
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override;

private:
    Transcript& transcript_;
};

} // namespace velkaro
