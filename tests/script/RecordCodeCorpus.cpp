// Records the code corpus (see script/CodeCorpus.h): every code text and evaluated argument of
// the game descriptions in examples/ and tests/, and texts made by a seeded generator, each with
// what the interpreter makes of it now.
//
//   record_code_corpus [OUTPUT]    (default: tests/script/corpus/code_corpus.txt)
//
// Run it again only when a change of what games observe is meant; the corpus test then compares
// every later interpreter with this recording.

#include "description/GameDescription.h"
#include "script/ActionArguments.h"
#include "script/CodeCorpus.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <random>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro::test {
namespace {

namespace fs = std::filesystem;

// Collects cases once each: the same text of the same kind is recorded at its first origin.
class CaseList {
public:
    void Add(CorpusKind kind, const std::string& origin, const std::string& text) {
        if (seen_.emplace(kind, text).second) {
            cases_.push_back({kind, origin, text});
        }
    }
    const std::vector<CorpusCase>& Cases() const { return cases_; }

private:
    std::set<std::pair<CorpusKind, std::string>> seen_;
    std::vector<CorpusCase> cases_;
};

// ---------------------------------------------------------------------------------------------
// The texts of the game descriptions

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void AddDescriptionTexts(const fs::path& repository, CaseList& list) {
    std::vector<fs::path> files;
    for (const char* folder : {"examples", "tests"}) {
        for (const auto& entry : fs::recursive_directory_iterator(repository / folder)) {
            if (entry.is_regular_file() && IsDescriptionName(entry.path())) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const std::string origin = file.lexically_relative(repository).generic_string();
        GameFile game;
        try {
            game = GameFromDescription(ParseDescription(ReadFile(file)), file.parent_path());
        } catch (const std::exception& error) {
            std::cerr << "record_code_corpus: " << origin << " passed over: " << error.what()
                      << "\n";
            continue;
        }
        for (const ObjectRecord& object : game.objects) {
            for (const auto& row : object.rows) {
                for (const EventEntry& event : row) {
                    for (const ActionRecord& action : event.actions) {
                        const ActionArgumentKinds kinds = ArgumentKindsOf(action.id);
                        for (std::size_t i = 0; i < action.arguments.size() && i < 4; ++i) {
                            const std::string& text = action.arguments[i];
                            if (kinds[i] == ArgumentKind::Code) {
                                list.Add(CorpusKind::Code, origin, text);
                            } else if (kinds[i] == ArgumentKind::Expression) {
                                list.Add(CorpusKind::Real, origin, text);
                            } else if (kinds[i] == ArgumentKind::Text && IsQuotedText(text)) {
                                list.Add(CorpusKind::String, origin, text);
                            }
                        }
                    }
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Generated texts

// Numbers from the engine's raw output: the standard fixes std::mt19937's sequence, but not what
// its distributions make of it.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : engine_(seed) {}

    std::uint32_t Below(std::size_t n) {
        return static_cast<std::uint32_t>(engine_() % static_cast<std::uint32_t>(n));
    }
    bool OneIn(std::size_t n) { return Below(n) == 0; }
    template <typename List> const auto& Pick(const List& items) {
        return items[Below(std::size(items))];
    }

private:
    std::mt19937 engine_;
};

using Words = std::vector<std::string_view>;

constexpr std::string_view kNumbers[] = {"0",   "1",   "2",       "3",    "7",   "10", "0.5",
                                         "2.5", "100", "1000000", "3.25", "12.", "007"};
constexpr std::string_view kStrings[] = {
    "''",    "\"\"",          "'a'",  "\"hello\"", "'Hello'", "\"it's\"", "'say \"hi\"'",
    "'a#b'", "\"\xe9t\xe9\"", "'12'", "\"ball\"",  "' '",     "'abc'"};
constexpr std::string_view kConstants[] = {"true",    "false",     "pi",       "c_red",
                                           "vk_left", "fa_center", "ev_alarm1"};
// Names that read a number in the scenario, and names that fail or read a string.
constexpr std::string_view kReadable[] = {
    "n",        "a[0]",           "a[1]",        "x",        "y",        "hspeed",  "vspeed",
    "speed",    "direction",      "object",      "alarm[0]", "alarm1",   "visible", "w",
    "global.g", "global.list[0]", "other.n",     "other.x",  "ball.n",   "ball.x",  "wall.n",
    "self.n",   "self.a[1]",      "score",       "room",     "ball",     "wall",    "self",
    "other",    "sound.shot",     "image_width", "mousex",   "gamespeed"};
constexpr std::string_view kRisky[] = {"s",        "a[2]",       "a[5]",        "a[n-4]",
                                       "u",        "i",          "global.name", "global.list[1]",
                                       "global.u", "other.s",    "other.u",     "block.x",
                                       "nobody.x", "sound.nope", "roomname",    "gamename"};
constexpr std::string_view kRealTargets[] = {
    "n",         "a[0]",     "a[1]",           "a[3]",        "a[i]",     "i",
    "t",         "global.g", "global.list[0]", "global.t",    "other.n",  "ball.n",
    "wall.n",    "block.n",  "self.n",         "x",           "y",        "hspeed",
    "vspeed",    "speed",    "direction",      "score",       "alarm[1]", "alarm2",
    "visible",   "gravity",  "friction",       "image_index", "other.x",  "wall.x",
    "gamespeed", "a[-1]",    "a[40000]",       "room"};
constexpr std::string_view kStringTargets[] = {"s",    "global.name", "other.s", "t",
                                               "a[2]", "ball.s",      "roomname"};
constexpr std::string_view kAssignOps[] = {"=", ":=", "+=", "-=", "*=", "/="};
constexpr std::string_view kArithmetic[] = {"+", "-", "*", "/"};
constexpr std::string_view kComparisons[] = {"<", "<=", "=", "==", "!=", "<>", ">=", ">"};
constexpr std::string_view kLogical[] = {"and", "or", "&&", "||"};
constexpr std::string_view kUnary[] = {"-", "+", "!", "not "};
constexpr std::string_view kUnknownFunctions[] = {"foo", "sine", "Abs", "string_len",
                                                  "execute_string"};

// A function and what its arguments are: r a number, s a string, o an object.
struct Function {
    std::string_view name;
    std::string_view arguments;
};
constexpr Function kFunctions[] = {
    {"abs", "r"},
    {"sqrt", "r"},
    {"sqr", "r"},
    {"round", "r"},
    {"floor", "r"},
    {"ceil", "r"},
    {"sign", "r"},
    {"frac", "r"},
    {"exp", "r"},
    {"ln", "r"},
    {"sin", "r"},
    {"cos", "r"},
    {"arctan", "r"},
    {"arcsin", "r"},
    {"power", "rr"},
    {"min", "rr"},
    {"max", "rr"},
    {"min3", "rrr"},
    {"max3", "rrr"},
    {"mean", "rr"},
    {"logn", "rr"},
    {"string", "r"},
    {"chr", "r"},
    {"ord", "s"},
    {"string_length", "s"},
    {"string_pos", "ss"},
    {"string_copy", "srr"},
    {"string_delete", "srr"},
    {"string_insert", "ssr"},
    {"string_lower", "s"},
    {"string_upper", "s"},
    {"string_repeat", "sr"},
    {"random", "r"},
    {"number", "o"},
    {"degtorad", "r"},
};
// Functions called as statements, with effects the scenario records; never inside loops, so
// that a loop stopped only by the player does not repeat them thousands of times.
constexpr Function kEffects[] = {
    {"set_motion", "rr"},  {"add_motion", "rr"}, {"set_score", "r"}, {"goto_room", "r"},
    {"show_message", "s"}, {"create", "rro"},    {"destroy", "o"},   {"set_gamespeed", "r"},
};

// The pieces in order: the elements of a braced list are evaluated from left to right, the
// operands of + in no fixed order, and each piece may draw from the dice.
std::string Cat(std::initializer_list<std::string> pieces) {
    std::string text;
    for (const std::string& piece : pieces) {
        text += piece;
    }
    return text;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : dice_(seed) {}

    std::string Space() { return dice_.OneIn(4) ? "" : dice_.OneIn(8) ? "  " : " "; }

    std::string Expression(int depth) {
        if (depth <= 0 || dice_.OneIn(4)) {
            return Atom();
        }
        switch (dice_.Below(12)) {
        case 0:
        case 1:
        case 9:
        case 10:
            return Cat({Expression(depth - 1), Space(), std::string(dice_.Pick(kArithmetic)),
                        Space(), Expression(depth - 1)});
        case 2: {
            // Mostly in parentheses: a comparison of comparisons is an error of form.
            const bool bare = dice_.OneIn(4);
            const std::string comparison =
                Cat({Expression(depth - 1), Space(), std::string(dice_.Pick(kComparisons)), Space(),
                     Expression(depth - 1)});
            return bare ? comparison : "(" + comparison + ")";
        }
        case 3:
            return Cat({Expression(depth - 1), " ", std::string(dice_.Pick(kLogical)), " ",
                        Expression(depth - 1)});
        case 4:
            return Cat({std::string(dice_.Pick(kUnary)), Atom()});
        case 5:
            return Cat({"(", Space(), Expression(depth - 1), Space(), ")"});
        case 6:
            return StringExpression(depth - 1);
        default:
            return Call(depth - 1);
        }
    }

    std::string StringExpression(int depth) {
        switch (depth <= 0 ? 0 : dice_.Below(5)) {
        case 0:
            return std::string(dice_.Pick(kStrings));
        case 1:
            return Cat(
                {StringExpression(depth - 1), Space(), "+", Space(), StringExpression(depth - 1)});
        case 2:
            return "string(" + Expression(depth - 1) + ")";
        case 3:
            return std::string(dice_.Pick(kStringTargets));
        default:
            return Call(depth - 1);
        }
    }

    std::string Code(int depth) {
        std::string text;
        if (dice_.OneIn(10)) {
            text = "// " + std::string(dice_.Pick(Words{"note", "a comment", "x = 1/0"})) + "#";
        }
        switch (dice_.Below(10)) {
        case 0:
            return text + Statement(depth, false);
        case 1:
            return text + Block(depth, false, "begin", "end");
        default:
            return text + Block(depth, false, "{", "}");
        }
    }

    std::string Atom() {
        switch (dice_.Below(20)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            return std::string(dice_.Pick(kNumbers));
        case 6:
            return std::string(dice_.Pick(kStrings));
        case 7:
            return std::string(dice_.Pick(kConstants));
        case 8:
            return std::string(dice_.Pick(kRisky));
        default:
            return std::string(dice_.Pick(kReadable));
        }
    }

    std::string Arguments(std::string_view kinds, int depth) {
        std::string text;
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            if (i > 0) {
                text += "," + Space();
            }
            text +=
                kinds[i] == 's' ? StringExpression(depth)
                : kinds[i] == 'o'
                    ? std::string(dice_.Pick(Words{"ball", "wall", "block", "1", "2", "3", "9"}))
                    : Expression(depth);
        }
        return text;
    }

    std::string Call(int depth) { return CallOf(kFunctions, depth); }

    std::string CallOf(std::span<const Function> functions, int depth) {
        const Function& function = dice_.Pick(functions);
        std::string kinds(function.arguments);
        switch (dice_.Below(30)) {
        case 0:
            kinds.pop_back(); // one argument short
            break;
        case 1:
            kinds += 'r'; // one too many
            break;
        case 2:
            return Cat(
                {std::string(dice_.Pick(kUnknownFunctions)), "(", Arguments(kinds, depth), ")"});
        default:
            break;
        }
        return std::string(function.name) + "(" + Arguments(kinds, depth) + ")";
    }

    std::string Statement(int depth, bool inLoop) {
        const int choice = static_cast<int>(dice_.Below(depth <= 0 ? 5 : 16));
        switch (choice) {
        case 0:
        case 1:
        case 2:
            return Assignment(depth);
        case 3:
            return inLoop ? Assignment(depth) : CallOf(kEffects, 1);
        case 4:
            return dice_.OneIn(3) ? "exit" : ";";
        case 5:
        case 6: {
            std::string text = Cat({"if ", Condition(), " "});
            text += dice_.OneIn(4) ? "" : "then ";
            text += Statement(depth - 1, inLoop);
            if (dice_.OneIn(2)) {
                text += dice_.OneIn(2) ? "; else " : " else ";
                text += Statement(depth - 1, inLoop);
            }
            return text;
        }
        case 7: {
            // A counted loop, or now and then one whose condition may never turn false.
            if (dice_.OneIn(6)) {
                return Cat({"while ", Condition(), dice_.OneIn(3) ? " " : " do ",
                            Statement(depth - 1, true)});
            }
            const std::string limit = std::string(dice_.Pick(Words{"0", "1", "3", "5"}));
            return Cat({"{ i = 0; while i < ", limit, " do { ", Statement(depth - 1, true),
                        "; i += 1 } }"});
        }
        case 8:
            return Cat({"repeat ",
                        std::string(dice_.Pick(Words{"0", "1", "2", "3", "-1", "2.5", "n", "u"})),
                        " ", Statement(depth - 1, true)});
        case 9: {
            const std::string head(dice_.Pick(Words{"forall ball", "forall wall", "forall block",
                                                    "forall 2", "forall n", "forallinstances"}));
            return Cat({head, dice_.OneIn(3) ? " " : " do ", Statement(depth - 1, inLoop)});
        }
        case 10:
        case 11:
            return Block(depth - 1, inLoop, "begin", "end");
        case 12:
        case 13:
            return Block(depth - 1, inLoop, "{", "}");
        default:
            return Cat(
                {"// ", std::string(dice_.Pick(Words{"why", "n = 1; {"})), "#", Assignment(depth)});
        }
    }

    std::string Condition() {
        return Cat({Expression(1), Space(), std::string(dice_.Pick(kComparisons)), Space(),
                    Expression(1)});
    }

    std::string Assignment(int depth) {
        const bool text = dice_.OneIn(4);
        const std::string target(text ? dice_.Pick(kStringTargets) : dice_.Pick(kRealTargets));
        const std::string op(dice_.OneIn(2) ? "=" : dice_.Pick(kAssignOps));
        const int valueDepth = depth > 1 ? 2 : 1;
        const std::string value =
            text == !dice_.OneIn(6) ? StringExpression(valueDepth) : Expression(valueDepth);
        const std::string space = Space();
        return Cat({target, space, op, Space(), value});
    }

    std::string Block(int depth, bool inLoop, std::string_view open, std::string_view close) {
        std::string text(open);
        const int count = static_cast<int>(dice_.Below(5));
        for (int i = 0; i < count; ++i) {
            text += i == 0 ? " " : std::string(dice_.Pick(Words{"; ", " ", "#", ";#", ";"}));
            text += Statement(depth, inLoop);
        }
        text += " ";
        text += close;
        return text;
    }

    // A small change that most likely breaks the text.
    std::string Mutate(std::string text) {
        if (text.empty()) {
            return "(";
        }
        const auto at = [&]() { return static_cast<std::size_t>(dice_.Below(text.size())); };
        static constexpr std::string_view kStray[] = {
            ")",    "(",    "]",    "[",   "}",     "{",
            ";",    ",",    "=",    "+",   "*",     "!",
            "@",    "$",    "%",    "^",   "&",     "|",
            "~",    "?",    ":",    ".",   "'",     "\"",
            "#",    "\\",   "\xff", "\t",  "\n",    std::string_view("\0", 1),
            "else", "then", "do",   "end", "begin", "if",
            "1",    "x"};
        switch (dice_.Below(10)) {
        case 0: // a character less
            text.erase(at(), 1);
            break;
        case 1: { // a character twice
            const std::size_t i = at();
            text.insert(i, 1, text[i]);
            break;
        }
        case 2: { // two neighbours swapped
            const std::size_t i = at();
            if (i + 1 < text.size()) {
                std::swap(text[i], text[i + 1]);
            }
            break;
        }
        case 3:
        case 4: // a stray symbol
            text.insert(at(), std::string(dice_.Pick(kStray)));
            break;
        case 5: // cut short
            text.resize(at());
            break;
        case 6: // a line break
            text.insert(at(), "#");
            break;
        default: { // a word less, twice, or swapped with the next
            std::vector<std::string> words;
            std::istringstream in(text);
            for (std::string word; in >> word;) {
                words.push_back(word);
            }
            if (words.empty()) {
                return text + ")";
            }
            const std::size_t i = dice_.Below(words.size());
            const std::uint32_t how = dice_.Below(3);
            if (how == 0) {
                words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
            } else if (how == 1) {
                words.insert(words.begin() + static_cast<std::ptrdiff_t>(i), words[i]);
            } else if (i + 1 < words.size()) {
                std::swap(words[i], words[i + 1]);
            }
            text.clear();
            for (const std::string& word : words) {
                text += (text.empty() ? "" : " ") + word;
            }
            break;
        }
        }
        return text;
    }

private:
    Dice dice_;
};

std::string Repeated(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// Nesting around the interpreter's limit of 256, in expressions and in statements.
void AddNesting(CaseList& list) {
    for (const int depth : {100, 254, 255, 256, 257, 300}) {
        const std::string origin = "gen/nesting";
        for (const auto& [open, middle, close] :
             std::vector<std::array<std::string_view, 3>>{{"(", "1", ")"},
                                                          {"-", "1", ""},
                                                          {"not ", "0", ""},
                                                          {"abs(", "-2", ")"},
                                                          {"a[", "0", "]"},
                                                          {"(1+", "1", ")"}}) {
            const std::string text =
                Repeated(open, depth) + std::string(middle) + Repeated(close, depth);
            list.Add(CorpusKind::Real, origin, text);
            list.Add(CorpusKind::Code, origin, "x = " + text);
        }
        for (const auto& [open, middle, close] : std::vector<std::array<std::string_view, 3>>{
                 {"{", "n = 1", "}"},
                 {"begin ", "n += 1", " end"},
                 {"if 1 then ", "n = 2", ""},
                 {"repeat 1 ", "n += 1", ""},
                 {"while n < 6 do ", "n += 1", ""},
                 {"forall block do ", "n = 3", ""},
                 {"{ if 0 then n = 0 else ", "n = 4", " }"}}) {
            list.Add(CorpusKind::Code, origin,
                     Repeated(open, depth) + std::string(middle) + Repeated(close, depth));
        }
    }
    list.Add(CorpusKind::Code, "gen/nesting", Repeated("{", 300));
    list.Add(CorpusKind::Real, "gen/nesting", Repeated("(", 300));
    list.Add(CorpusKind::Real, "gen/nesting", Repeated("(", 1000) + "1" + Repeated(")", 1000));
}

// Texts written out for what the generator reaches only by chance.
void AddChosen(CaseList& list) {
    const std::string origin = "gen/chosen";
    for (const char* text : {"",
                             " ",
                             "#",
                             "1",
                             "-1",
                             "1/0",
                             "n/0",
                             "0/0",
                             "1 + 'a'",
                             "'a' - 'b'",
                             "'a' * 2",
                             "'a' < 1",
                             "'a' and 1",
                             "not 'a'",
                             "-'a'",
                             "u",
                             "u + 1",
                             "other.u",
                             "global.u",
                             "block.x",
                             "nobody.x",
                             "a[2] + 1",
                             "a[100]",
                             "a[-1]",
                             "'ab' < 'b'",
                             "'b' = 'b'",
                             "1 = 1 = 1",
                             "sqrt(-1)",
                             "ln(0)",
                             "power(10, 400)",
                             "exp(1000)",
                             "abs()",
                             "abs(1, 2)",
                             "foo(1)",
                             "min(1,2,3,4,5,6,7,8,9,10,11)",
                             "string(1/3)",
                             "string(1e3)",
                             "chr(65) + chr(256)",
                             "ord('')",
                             "random(10)",
                             "number(ball)",
                             "number(block)",
                             "number(9)",
                             "(1",
                             "1)",
                             "((1)",
                             "[1]",
                             "a[1",
                             "1 +",
                             "* 2",
                             "'open",
                             "\"open",
                             "1 # + 2",
                             "1 + # 2",
                             "// only a comment",
                             "1 // comment # + 2",
                             "x",
                             "self",
                             "other",
                             "ball",
                             "sound.shot",
                             "true + true",
                             "12.5.3",
                             "1..2",
                             "é",
                             "\xff",
                             "a.b.c",
                             "global.a.b",
                             "1 2 3",
                             "&",
                             "|",
                             "1 & 2",
                             "1 | 2"}) {
        list.Add(CorpusKind::Real, origin, text);
        list.Add(CorpusKind::String, origin, text);
    }
    for (const char* text : {"",
                             " ",
                             ";",
                             "{}",
                             "{",
                             "}",
                             "begin",
                             "end",
                             "begin end",
                             "{ }#",
                             "x",
                             "x =",
                             "x = ",
                             "= 1",
                             "x 1",
                             "x == 1",
                             "x < 1",
                             "x := 1",
                             "x += 'a'",
                             "s += 1",
                             "s += 'x'",
                             "s -= 'x'",
                             "s *= 2",
                             "n /= 0",
                             "u += 1",
                             "u = u",
                             "a[1 = 2",
                             "a[1] = 2",
                             "a[] = 1",
                             "a[1]] = 1",
                             "n = 1/0",
                             "n = 'a' + 1",
                             "global.g = global.g * 2",
                             "global.u += 1",
                             "other.n = 8",
                             "other.u -= 1",
                             "block.n = 1",
                             "nobody.n = 1",
                             "ball.n = 9",
                             "wall.x = 5",
                             "self.n = self.n + 1",
                             "x = 50; y = 60",
                             "{ x = 50; y = 60 }",
                             "{ x = 50 y = 60 }",
                             "{ x = 50#y = 60 }",
                             "{ hspeed = 3; vspeed = 4 }",
                             "{ speed = 5; direction = 90 }",
                             "{ alarm[2] = 30; alarm0 = 5 }",
                             "{ alarm[7] = 1 }",
                             "room = 2",
                             "room = 9",
                             "score = 'a'",
                             "roomname = 'b'",
                             "visible = 0",
                             "object = 2",
                             "w = 1",
                             "if 1 then n = 1",
                             "if 0 then n = 1 else n = 2",
                             "if 0 then n = 1; else n = 2",
                             "if 0 n = 1 else n = 2",
                             "if 'a' then n = 1",
                             "if then n = 1",
                             "if 1 then",
                             "if 1 then else n = 1",
                             "else n = 1",
                             "then",
                             "{ if 1 then n = 1;; else n = 2 }",
                             "while 0 do n = 1",
                             "while 1 do n += 1",
                             "while 1 do ;",
                             "while true do { }",
                             "while 1 n += 1",
                             "while do n = 1",
                             "repeat 1000000 n += 1",
                             "repeat 1000000 { }",
                             "repeat 4095 n += 1",
                             "repeat 4096 n += 1",
                             "repeat 4097 n += 1",
                             "repeat -5 n = 1",
                             "repeat 'a' n = 1",
                             "repeat n",
                             "{ repeat 3 { n += 1; exit; n = 100 } }",
                             "exit",
                             "{ exit; n = 1 }",
                             "{ n = 1; exit }",
                             "exit n = 1",
                             "forall ball do n = 1",
                             "forall ball n += 1",
                             "forall wall do x += 1",
                             "forall block do n = 1",
                             "forall 9 do n = 1",
                             "forall 'ball' do n = 1",
                             "forallinstances do n = 0",
                             "forallinstances y = 1",
                             "forallinstances do other.n += 1",
                             "forall ball do { n = 1; exit }",
                             "forall ball do x = 1/0",
                             "forall ball do while 1 do n += 1",
                             "forallinstances do repeat 2000 n += 1",
                             "for i = 1 do n = 1",
                             "until 1",
                             "{ n = 1 } { n = 2 }",
                             "n = 1; n = 2",
                             "{ i = 0; while i < 10000 do i += 1 }",
                             "{ create(50, 60, ball); n = number(ball) }",
                             "{ create(1, 2, 9) }",
                             "{ destroy(ball); n = number(ball) }",
                             "set_motion(45, 2)",
                             "set_motion(45)",
                             "goto_room(2)",
                             "goto_room(7)",
                             "set_score(99)",
                             "show_message('hi#there')",
                             "show_message(1)",
                             "sleep(10)",
                             "sound_play(sound.shot)",
                             "foo()",
                             "{ foo(); }",
                             "{ n = random(100); t = random(100) }",
                             "{ n = 1 // comment#n = 2 }",
                             "{ n = 1 // comment n = 2 }",
                             "{ s = 'it''s' }",
                             "{ s = \"a'b\" + 'c\"d' }",
                             "{ s = 'unclosed }",
                             "{ n = 1 ? }",
                             "{ n = 1 @ 2 }",
                             "{\tn = 1 }",
                             "{ n = 1\n }",
                             "{ n = 1\r\n; n = 2 }",
                             "\xff",
                             "{ global.list[5] = 1; global.list[1] += 'x' }",
                             "{ a[31999] = 1 }",
                             "{ a[32000] = 1 }",
                             "{ a[1.5] = 7; a[2.5] = 8 }",
                             "{ other.a[0] = 1 }",
                             "{ self.s = other.s + s }",
                             "{ gravity = 1; friction = 0.5 }",
                             "{ image_index = 3; image_speed = 0.5 }",
                             "{ x = 'a' }",
                             "{ x = -0 }",
                             "{ n = not 0; t = !1 }",
                             "{ n = 1 and 0 or 1 }",
                             "{ n = (1 < 2) + (2 < 1) }"}) {
        list.Add(CorpusKind::Code, origin, text);
    }
}

void AddGenerated(CaseList& list) {
    Generator generator(20240607u);
    for (int i = 0; i < 1000; ++i) {
        const std::string text = generator.Code(1 + i % 4);
        list.Add(CorpusKind::Code, "gen/code", text);
        list.Add(CorpusKind::Code, "gen/code-broken", generator.Mutate(text));
        if (i % 10 == 0) {
            list.Add(CorpusKind::Real, "gen/code", text);
        }
    }
    for (int i = 0; i < 700; ++i) {
        const std::string text = generator.Expression(1 + i % 5);
        list.Add(CorpusKind::Real, "gen/expression", text);
        list.Add(CorpusKind::String, "gen/expression", text);
        const std::string broken = generator.Mutate(text);
        list.Add(CorpusKind::Real, "gen/expression-broken", broken);
        list.Add(CorpusKind::String, "gen/expression-broken", broken);
        if (i % 10 == 0) {
            list.Add(CorpusKind::Code, "gen/expression", text);
        }
    }
}

int Record(const fs::path& output) {
    CaseList list;
    AddDescriptionTexts(VELKARO_SOURCE_DIR, list);
    AddChosen(list);
    AddNesting(list);
    AddGenerated(list);
    std::vector<RecordedCase> recorded;
    for (const CorpusCase& input : list.Cases()) {
        recorded.push_back({input, ObserveCase(input)});
    }
    const std::vector<std::string> header = {
        "The code corpus: what the interpreter makes of these texts, recorded by",
        "record_code_corpus (tests/script/RecordCodeCorpus.cpp); the format is described in",
        "tests/script/CodeCorpus.h. Do not edit: record again when a change is meant."};
    std::ofstream out(output, std::ios::binary);
    out << FormatCorpus(header, recorded);
    out.close();
    if (!out) {
        std::cerr << "record_code_corpus: cannot write " << output << "\n";
        return 1;
    }
    std::cout << recorded.size() << " cases written to " << output.string() << "\n";
    return 0;
}

} // namespace
} // namespace velkaro::test

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: record_code_corpus [OUTPUT]\n";
        return 2;
    }
    return velkaro::test::Record(argc == 2 ? argv[1] : VELKARO_CODE_CORPUS);
}
