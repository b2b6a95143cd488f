#pragma once

#include "platform/Dialogs.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

// The answers a headless run gives its boxes, one a box, in the order the boxes appear. A box
// takes the next answer whatever it is; an answer that does not fit the box (a "yes" for a
// message box) is used up and the box gets what it gets when no answer is left.
class AnswerScript {
public:
    enum class Kind { Ok, Yes, No, Abort, Ignore, Cancel, Text, File };

    struct Answer {
        Kind kind = Kind::Ok;
        // Text: the game text typed (Windows-1252); File: the path, UTF-8 as written.
        std::string value;
    };

    AnswerScript() = default;
    explicit AnswerScript(std::vector<Answer> answers) : answers_(std::move(answers)) {}

    // Reads an answers file (ReadScriptLines): one answer a line. Throws InputFileError for a
    // line that is no answer, or a text that a game cannot hold.
    static AnswerScript Read(std::istream& in);

    // The answer of each kind of box. Texts typed are game texts (Windows-1252), the path of
    // the open dialog UTF-8.
    void ForMessage();
    bool ForQuestion();
    ErrorAnswer ForError(bool fatal);
    // None for Cancel.
    std::optional<std::string> ForInput();
    std::string ForScoreName();
    // None for Cancel.
    std::optional<std::string> ForOpenFile();

    std::size_t Left() const { return answers_.size() - next_; }

private:
    std::optional<Answer> Next();

    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

// The answer as one line of an answers file ("yes", "text Ann"), without its line end: what
// AnswerScript::Read reads back as the same answer. `value` is a game text (Windows-1252) for
// Text, a path for File, and nothing for the rest.
std::string AnswerLine(AnswerScript::Kind kind, const std::string& value = {});

} // namespace velkaro
