#pragma once

// The code corpus: texts of game code with what the interpreter made of each, recorded once by
// record_code_corpus and replayed by CodeCorpusTest, so that any change to the interpreter that
// changes what a game can observe shows as a difference.
//
// Every case runs in a fresh scenario (CorpusScenario): objects "ball", "wall" and "block",
// two balls and two walls in the room, self the first ball and other the first wall, a few
// variables of each and of the game. What a case records, one line each:
//
//   check none | check LINE POS "MESSAGE"   the static check of the text (CheckCode for code,
//                                           CheckExpression for expressions)
//   report error|fatal "MESSAGE"            each error report of the run, in order
//   real NUMBER | string "TEXT"             the result of EvaluateReal / EvaluateString
//   set KEY VALUE | gone KEY                what the run changed in the game's state
//
// The corpus file holds one block per case:
//
//   case NUMBER KIND ORIGIN                 KIND: code, real or string; ORIGIN: where the text
//   text "TEXT"                             comes from (a description file, or gen/...)
//   ...the lines above...
//   end
//
// Lines beginning with "#" before the first case are comments. Texts and strings are quoted:
// bytes 0x20..0x7e stand for themselves but for the quote and the backslash, written \" and
// \\; every other byte is written \xHH, so that any text survives the file unchanged.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::test {

enum class CorpusKind { Code, Real, String };

struct CorpusCase {
    CorpusKind kind = CorpusKind::Code;
    std::string origin; // no blanks
    std::string text;
};

struct RecordedCase {
    CorpusCase input;
    // What running the case showed, in the line format above.
    std::vector<std::string> observed;
};

// Runs the case in a fresh scenario and answers what it showed.
std::vector<std::string> ObserveCase(const CorpusCase& input);

std::string_view KindName(CorpusKind kind);

// The text between quotes, escaped as the corpus file writes it.
std::string QuoteText(std::string_view text);

// The corpus file's text for the cases, numbered from 1, after the comment lines in `header`.
std::string FormatCorpus(const std::vector<std::string>& header,
                         const std::vector<RecordedCase>& cases);

// The cases of a corpus file. Throws std::runtime_error naming the line of a malformed block.
std::vector<RecordedCase> ParseCorpus(std::string_view file);

} // namespace velkaro::test
