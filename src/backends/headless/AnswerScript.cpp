#include "backends/headless/AnswerScript.h"

#include "backends/headless/InputFileError.h"
#include "backends/headless/ScriptLines.h"
#include "base/AnsiText.h"

#include <array>
#include <utility>

namespace velkaro {
namespace {

struct Word {
    const char* name;
    AnswerScript::Kind kind;
    bool takesValue;
};

constexpr std::array kWords = {
    Word{"ok", AnswerScript::Kind::Ok, false},
    Word{"yes", AnswerScript::Kind::Yes, false},
    Word{"no", AnswerScript::Kind::No, false},
    Word{"abort", AnswerScript::Kind::Abort, false},
    Word{"ignore", AnswerScript::Kind::Ignore, false},
    Word{"cancel", AnswerScript::Kind::Cancel, false},
    Word{"text", AnswerScript::Kind::Text, true},
    Word{"file", AnswerScript::Kind::File, true},
};

} // namespace

AnswerScript AnswerScript::Read(std::istream& in) {
    std::vector<Answer> answers;
    for (const auto& [number, text] : ReadScriptLines(in)) {
        // An answer may be indented like the comments around it.
        const std::string line = text.substr(text.find_first_not_of(" \t"));
        const std::size_t blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const Word* found = nullptr;
        for (const Word& w : kWords) {
            if (word == w.name) {
                found = &w;
            }
        }
        if (found == nullptr) {
            throw InputFileError(number, "unknown answer \"" + word + "\"");
        }
        Answer answer{found->kind, {}};
        if (found->takesValue) {
            // The value is everything after the one blank, so that it may hold blanks itself
            // or be empty.
            if (blank == std::string::npos) {
                throw InputFileError(number, word + " needs a value after one blank");
            }
            answer.value = line.substr(blank + 1);
            if (found->kind == Kind::Text) {
                // Typed into a game, which keeps its texts in Windows-1252: a text that would
                // reach it changed or empty is the file's fault, not something to pass over.
                const auto typed = Utf8ToAnsi(answer.value);
                if (!typed) {
                    throw InputFileError(number, "the text \"" + answer.value +
                                                     "\" holds a character that games cannot "
                                                     "hold (their texts are Windows-1252)");
                }
                answer.value = *typed;
            }
        } else if (blank != std::string::npos) {
            throw InputFileError(number, word + " takes no value");
        }
        answers.push_back(std::move(answer));
    }
    return AnswerScript(std::move(answers));
}

std::optional<AnswerScript::Answer> AnswerScript::Next() {
    if (next_ >= answers_.size()) {
        return std::nullopt;
    }
    return answers_[next_++];
}

void AnswerScript::ForMessage() {
    Next();
}

bool AnswerScript::ForQuestion() {
    const auto answer = Next();
    return answer && answer->kind == Kind::Yes;
}

ErrorAnswer AnswerScript::ForError(bool fatal) {
    const auto answer = Next();
    if (fatal || !answer) {
        return Dialogs::DefaultErrorAnswer(fatal);
    }
    if (answer->kind == Kind::Abort) {
        return ErrorAnswer::Abort;
    }
    return ErrorAnswer::Ignore;
}

std::optional<std::string> AnswerScript::ForInput() {
    const auto answer = Next();
    if (answer && answer->kind == Kind::Text) {
        return answer->value;
    }
    return std::nullopt;
}

std::string AnswerScript::ForScoreName() {
    const auto answer = Next();
    return answer && answer->kind == Kind::Text ? answer->value : std::string();
}

std::optional<std::string> AnswerScript::ForOpenFile() {
    const auto answer = Next();
    if (answer && answer->kind == Kind::File) {
        return answer->value;
    }
    return std::nullopt;
}

std::string AnswerLine(AnswerScript::Kind kind, const std::string& value) {
    for (const Word& word : kWords) {
        if (word.kind == kind) {
            if (!word.takesValue) {
                return word.name;
            }
            return std::string(word.name) + " " +
                   (kind == AnswerScript::Kind::Text ? AnsiToUtf8(value) : value);
        }
    }
    return {};
}

} // namespace velkaro
