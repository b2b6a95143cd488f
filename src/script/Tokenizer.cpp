#include "script/Tokenizer.h"

#include "data/ObjectClass.h"
#include "data/SoundClass.h"
#include "script/ConstantUnit.h"
#include "script/FunctionUnit.h"
#include "script/VariableNames.h"

#include <array>
#include <string_view>
#include <utility>

namespace velkaro {
namespace {

using KindByText = std::pair<std::string_view, TokenKind>;

constexpr std::array<KindByText, 16> kKeywords = {{
    {"begin", kTokBlockStart},
    {"end", kTokBlockEnd},
    {"if", kTokIf},
    {"then", kTokThen},
    {"else", kTokElse},
    {"while", kTokWhile},
    {"do", kTokDo},
    {"for", kTokFor},
    {"until", kTokUntil},
    {"repeat", kTokRepeat},
    {"exit", kTokExit},
    {"forall", kTokForall},
    {"forallinstances", kTokForallInstances},
    {"and", kTokAnd},
    {"or", kTokOr},
    {"not", kTokNot},
}};

constexpr std::array<KindByText, 12> kTwoCharacterSymbols = {{
    {":=", kTokAssign},
    {"+=", kTokAddAssign},
    {"-=", kTokSubtractAssign},
    {"*=", kTokMultiplyAssign},
    {"/=", kTokDivideAssign},
    {"&&", kTokAnd},
    {"||", kTokOr},
    {"<=", kTokLessEqual},
    {"==", kTokEqual},
    {"!=", kTokNotEqual},
    {"<>", kTokNotEqual},
    {">=", kTokGreaterEqual},
}};

TokenKind OneCharacterSymbol(char c) {
    switch (c) {
    case '!':
        return kTokNot;
    case '(':
        return kTokOpenParen;
    case ')':
        return kTokCloseParen;
    case '*':
        return kTokTimes;
    case '+':
        return kTokPlus;
    case ',':
        return kTokComma;
    case '-':
        return kTokMinus;
    case '/':
        return kTokDivide;
    case ';':
        return kTokSemicolon;
    case '<':
        return kTokLess;
    case '=':
        return kTokAssign;
    case '>':
        return kTokGreater;
    case '[':
        return kTokOpenBracket;
    case ']':
        return kTokCloseBracket;
    case '{':
        return kTokBlockStart;
    case '}':
        return kTokBlockEnd;
    default:
        return kTokBadSymbol;
    }
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Cuts a text into tokens. Indexes are 0-based here; token positions are 1-based as the
// error reports count them.
class Scanner {
public:
    explicit Scanner(const std::string& text) : text_(text) {}

    // The next token; end of text once the text is used up.
    CToken Next() {
        while (true) {
            SkipBlanks();
            if (p_ >= text_.size()) {
                return Make(kTokEndOfText, Position());
            }
            if (text_[p_] == '/' && p_ + 1 < text_.size() && text_[p_ + 1] == '/') {
                SkipComment();
                continue;
            }
            break;
        }
        const char c = text_[p_];
        if (IsLetter(c)) {
            return Word();
        }
        if (IsDigit(c)) {
            return Number();
        }
        if (c == '\'' || c == '"') {
            return StringLiteral();
        }
        return Symbol();
    }

private:
    std::int32_t Position() const { return static_cast<std::int32_t>(p_ + 1); }

    static CToken Make(std::int32_t kind, std::int32_t position) {
        CToken token;
        token.kind = kind;
        token.position = position;
        return token;
    }

    void SkipBlanks() {
        while (p_ < text_.size() && (text_[p_] == ' ' || text_[p_] == '#')) {
            ++p_;
        }
    }

    void SkipComment() {
        const std::size_t end = text_.find('#', p_);
        p_ = end == std::string::npos ? text_.size() : end + 1;
    }

    // Characters while `accept` holds, with at most one full stop.
    template <typename Accept> std::string Collect(Accept accept) {
        std::string collected;
        bool dot = false;
        while (p_ < text_.size()) {
            const char c = text_[p_];
            if (c == '.') {
                if (dot) {
                    break;
                }
                dot = true;
            } else if (!accept(c)) {
                break;
            }
            collected += c;
            ++p_;
        }
        return collected;
    }

    CToken Word() {
        std::string word = Collect([](char c) { return IsLetter(c) || IsDigit(c) || c == '_'; });
        const std::int32_t position = Position();
        for (const auto& [keyword, kind] : kKeywords) {
            if (keyword == word) {
                return Make(kind, position);
            }
        }
        CToken token = Make(kTokValue, position);
        if (LookupConstant(word, token.value)) {
            return token;
        }
        token.kind = kTokVariable;
        token.name = std::move(word);
        return token;
    }

    CToken Number() {
        const std::string digits = Collect(IsDigit);
        double sum = 0.0;
        double scale = 1.0;
        bool fraction = false;
        for (char c : digits) {
            if (c == '.') {
                fraction = true;
            } else if (!fraction) {
                sum = sum * 10.0 + (c - '0');
            } else {
                scale = scale / 10.0;
                sum = sum + (c - '0') * scale;
            }
        }
        CToken token = Make(kTokValue, Position());
        token.value = RValue::Real(sum);
        return token;
    }

    CToken StringLiteral() {
        const char quote = text_[p_++];
        const std::size_t close = text_.find(quote, p_);
        std::string body =
            text_.substr(p_, close == std::string::npos ? std::string::npos : close - p_);
        p_ = close == std::string::npos ? text_.size() : close + 1;
        CToken token = Make(kTokValue, Position());
        token.value = RValue::String(std::move(body));
        return token;
    }

    CToken Symbol() {
        const std::int32_t position = Position();
        if (p_ + 1 < text_.size()) {
            const std::string_view pair(text_.data() + p_, 2);
            for (const auto& [symbol, kind] : kTwoCharacterSymbols) {
                if (symbol == pair) {
                    p_ += 2;
                    return Make(kind, position);
                }
            }
        }
        return Make(OneCharacterSymbol(text_[p_++]), position);
    }

    const std::string& text_;
    std::size_t p_ = 0;
};

// Function calls, prefixed names and the names of objects, resolved once.
void Resolve(std::vector<CToken>& tokens, const TokenNames& names) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        CToken& token = tokens[i];
        if (token.kind != kTokVariable) {
            continue;
        }
        if (i + 1 < tokens.size() && tokens[i + 1].kind == kTokOpenParen) {
            token.kind = kTokFunction;
            token.index = names.functions.FindFunction(token.name);
            continue;
        }
        const std::size_t dot = token.name.find('.');
        if (dot != std::string::npos) {
            token.prefix = token.name.substr(0, dot);
            token.name = token.name.substr(dot + 1);
            token.owner = ResolveOwner(names.objects, token.prefix);
            token.index = ResolveVariable(names.sounds, token.owner, token.name);
            continue;
        }
        const std::int32_t owner = ResolveOwner(names.objects, token.name);
        if (owner == kOwnerUnknown || owner == kOwnerSound || owner == kOwnerGlobal) {
            token.owner = kOwnerNone;
            token.index = ResolveVariable(names.sounds, kOwnerNone, token.name);
        } else {
            token.owner = kOwnerName;
            token.index = owner;
        }
    }
}

} // namespace

CTokenList Tokenize(const std::string& text, const TokenNames& names) {
    std::vector<CToken> tokens;
    Scanner scanner(text);
    while (true) {
        CToken token = scanner.Next();
        const bool end = token.kind == kTokEndOfText;
        tokens.push_back(std::move(token));
        if (end) {
            break;
        }
    }
    Resolve(tokens, names);
    return CTokenList(std::move(tokens));
}

} // namespace velkaro
