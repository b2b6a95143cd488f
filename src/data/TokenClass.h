#pragma once

#include "base/VariableClass.h"

#include <cassert>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {

// Token kinds; the interpreter tests these numbers.
enum TokenKind : std::int32_t {
    kTokEndOfText = -2,
    kTokBadSymbol = -1,
    kTokValue = 1,
    kTokVariable = 2,
    kTokFunction = 3,
    kTokBlockStart = 11, // begin {
    kTokBlockEnd = 12,   // end }
    kTokIf = 13,
    kTokThen = 14,
    kTokElse = 15,
    kTokWhile = 16,
    kTokDo = 17,
    kTokFor = 18,   // reserved, no statement uses it
    kTokUntil = 19, // reserved
    kTokRepeat = 20,
    kTokExit = 21,
    kTokForall = 22,
    kTokForallInstances = 23,
    kTokAssign = 101, // := or =
    kTokAddAssign = 102,
    kTokSubtractAssign = 103,
    kTokMultiplyAssign = 104,
    kTokDivideAssign = 105,
    kTokOpenParen = 106,
    kTokCloseParen = 107,
    kTokSemicolon = 108,
    kTokComma = 109,
    kTokOpenBracket = 110,
    kTokCloseBracket = 111,
    kTokAnd = 201,
    kTokOr = 202,
    kTokNot = 203,
    kTokLess = 204,
    kTokLessEqual = 205,
    kTokEqual = 206,
    kTokNotEqual = 207,
    kTokGreaterEqual = 208,
    kTokGreater = 209,
    kTokPlus = 210,
    kTokMinus = 211,
    kTokTimes = 212,
    kTokDivide = 213,
};

// One token of a prepared text.
struct CToken {
    std::int32_t kind = 0;
    // Variable and function tokens: the identifier (for a variable written with a dot, the
    // part behind it); empty for the other kinds.
    std::string name;
    // Variable tokens written with a dot: the part before it.
    std::string prefix;
    // Function tokens: the registry number (-1: no such function). Variable tokens: the
    // variable number, or with owner kOwnerName the number the name reads as.
    std::int32_t index = -1;
    std::int32_t owner = -1;
    RValue value;
    // The character index (from 1) that error positions are computed from.
    std::int32_t position = 0;
};

// The tokens of one text, numbered from 1, always ending with one end-of-text token: the form
// in which the interpreter reads a game's code. Made by Tokenize (script/Tokenizer.h).
class CTokenList {
public:
    CTokenList() = default;
    explicit CTokenList(std::vector<CToken> tokens) : tokens_(std::move(tokens)) {}

    void Clear() { tokens_.clear(); }
    void Add(CToken token) { tokens_.push_back(std::move(token)); }
    int Count() const { return static_cast<int>(tokens_.size()); }
    // Token i, 1 <= i <= Count().
    const CToken& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return tokens_[static_cast<std::size_t>(i - 1)];
    }
    // The tokens in order, Count() of them.
    const CToken* Data() const { return tokens_.data(); }

private:
    std::vector<CToken> tokens_;
};

} // namespace velkaro
