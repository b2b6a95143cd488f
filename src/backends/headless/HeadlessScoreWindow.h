#pragma once

#include "backends/headless/AnswerScript.h"
#include "backends/headless/Transcript.h"
#include "platform/ScoreWindow.h"

#include <string>

namespace velkaro {

// The high-score window without a window: each showing becomes a "highscore" transcript line,
// and the name of a new entry comes from the answers script.
//
// Every showing takes one answer, as every box does, so that an answers file needs one line
// for each time the table is shown whether or not the score entered: "text NAME" types the
// name, anything else (or none left) leaves it empty.
class HeadlessScoreWindow : public ScoreWindow {
public:
    // Every name is left empty.
    explicit HeadlessScoreWindow(Transcript& transcript)
        : transcript_(transcript), answers_(own_) {}
    HeadlessScoreWindow(Transcript& transcript, AnswerScript& answers)
        : transcript_(transcript), answers_(answers) {}

    std::string ShowScoreTable(const ScoreTableView& table) override;

private:
    Transcript& transcript_;
    AnswerScript own_;
    AnswerScript& answers_;
};

} // namespace velkaro
