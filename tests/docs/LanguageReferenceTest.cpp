// The language reference for game authors (docs/language.md and the pages under docs/language/)
// names every built-in function, constant, built-in variable and action the player knows, with
// the right argument counts and constant values. A name added to the player without a line in
// the reference, or a reference that promises what the player does not have, fails here.

#include "functions/ActionHandlers.h"
#include "functions/FunctionTables.h"
#include "script/ConstantUnit.h"
#include "script/VariableNames.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The main page followed by every page of docs/language/, in name order.
std::string ReferenceText() {
    const fs::path docs(VELKARO_DOCS);
    std::string text = ReadFile(docs / "language.md");
    std::vector<fs::path> pages;
    if (fs::is_directory(docs / "language")) {
        for (const auto& entry : fs::directory_iterator(docs / "language")) {
            if (entry.path().extension() == ".md") {
                pages.push_back(entry.path());
            }
        }
    }
    std::sort(pages.begin(), pages.end());
    for (const auto& page : pages) {
        text += "\n" + ReadFile(page);
    }
    return text;
}

// Everything written between a pair of backticks, on one line.
std::set<std::string> CodeSpans(const std::string& text) {
    std::set<std::string> spans;
    std::size_t open = text.find('`');
    while (open != std::string::npos) {
        const std::size_t close = text.find_first_of("`\n", open + 1);
        if (close == std::string::npos) {
            break;
        }
        if (text[close] == '\n') {
            open = text.find('`', close);
            continue;
        }
        if (close > open + 1) {
            spans.insert(text.substr(open + 1, close - open - 1));
        }
        open = text.find('`', close + 1);
    }
    return spans;
}

bool IsLowerName(std::string_view name, bool leadingUnderscore) {
    if (name.empty() || !(std::islower(static_cast<unsigned char>(name[0])) != 0 ||
                          (leadingUnderscore && name[0] == '_'))) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::islower(u) != 0 || std::isdigit(u) != 0 || c == '_';
    });
}

// The parameter count of a span written as `name(a, b)` (lower-case names, ", " between
// them), or none for any other span.
std::optional<std::pair<std::string, int>> AsSignature(const std::string& span) {
    const std::size_t open = span.find('(');
    if (open == std::string::npos || span.back() != ')' ||
        !IsLowerName(std::string_view(span).substr(0, open), true)) {
        return std::nullopt;
    }
    const std::string_view parameters =
        std::string_view(span).substr(open + 1, span.size() - open - 2);
    if (parameters.empty()) {
        return std::make_pair(span.substr(0, open), 0);
    }
    int count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = parameters.find(", ", start);
        if (!IsLowerName(parameters.substr(start, comma - start), false)) {
            return std::nullopt;
        }
        ++count;
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 2;
    }
    return std::make_pair(span.substr(0, open), count);
}

// The names of `wanted` that no span holds on its own.
std::vector<std::string> Missing(const std::set<std::string>& spans,
                                 const std::vector<std::string>& wanted) {
    std::vector<std::string> missing;
    for (const auto& name : wanted) {
        if (!spans.contains(name)) {
            missing.push_back(name);
        }
    }
    return missing;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// Signatures written as `name(a, b)`: parameter names only, no values. name -> counts seen.
std::multimap<std::string, int> Signatures(const std::set<std::string>& spans) {
    std::multimap<std::string, int> found;
    for (const auto& span : spans) {
        if (const auto signature = AsSignature(span)) {
            found.emplace(signature->first, signature->second);
        }
    }
    return found;
}

// The value written in the table cell right after the cell `name` (backticked), if any.
std::optional<double> TableValue(const std::string& text, const std::string& name) {
    const std::string cell = "| `" + name + "` |";
    const std::size_t at = text.find(cell);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t start = at + cell.size();
    const std::size_t end = text.find('|', start);
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string value = text.substr(start, end - start);
    value.erase(0, value.find_first_not_of(' '));
    try {
        std::size_t used = 0;
        const double number = std::stod(value, &used);
        return number;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::string> FunctionNames() {
    std::vector<std::string> names;
    const CFunctionRegistry& registry = FunctionRegistry();
    for (int i = 1; i <= registry.Count(); ++i) {
        names.push_back(registry.Get(i).name);
    }
    return names;
}

std::vector<std::string> ConstantNames() {
    std::vector<std::string> names;
    for (int i = 1; i <= Constants().Count(); ++i) {
        names.push_back(Constants().Get(i).Name());
    }
    return names;
}

std::vector<std::string> ActionIds() {
    RecordingDialogs dialogs;
    const CActionRegistry registry = BuildActionRegistry(dialogs);
    std::vector<std::string> ids;
    for (int id = 1; id <= CActionRegistry::kMaxActionId; ++id) {
        if (registry.Find(id) != nullptr) {
            ids.push_back(std::to_string(id));
        }
    }
    return ids;
}

// Every name of a built-in variable. The lookup cannot be listed, so the test below checks that
// these names cover every one of its numbers.
const std::vector<std::string> kBuiltInVariables = {"room",
                                                    "lastroom",
                                                    "roomwidth",
                                                    "roomheight",
                                                    "cellsize",
                                                    "mousex",
                                                    "mousey",
                                                    "mousebutton",
                                                    "lastkeypressed",
                                                    "keypressed",
                                                    "gamespeed",
                                                    "back_color",
                                                    "back_x",
                                                    "back_y",
                                                    "back_hspeed",
                                                    "back_vspeed",
                                                    "view_restrict",
                                                    "view_x",
                                                    "view_y",
                                                    "view_w",
                                                    "view_h",
                                                    "view_border",
                                                    "view_object",
                                                    "score",
                                                    "showscore",
                                                    "helpkey",
                                                    "quitkey",
                                                    "screenkey",
                                                    "gamename",
                                                    "roomname",
                                                    "directdraw",
                                                    "directsound",
                                                    "lastcharpressed",
                                                    "fullscreenmode",
                                                    "x",
                                                    "y",
                                                    "hdir",
                                                    "vdir",
                                                    "hspeed",
                                                    "vspeed",
                                                    "alarm",
                                                    "active",
                                                    "solid",
                                                    "visible",
                                                    "bb_l",
                                                    "bb_r",
                                                    "bb_b",
                                                    "bb_t",
                                                    "image_index",
                                                    "image_speed",
                                                    "image_depth",
                                                    "image_scale",
                                                    "image_width",
                                                    "image_height",
                                                    "w",
                                                    "h",
                                                    "object",
                                                    "image_number",
                                                    "xprevious",
                                                    "yprevious",
                                                    "alarm0",
                                                    "alarm1",
                                                    "alarm2",
                                                    "alarm3",
                                                    "direction",
                                                    "speed",
                                                    "friction",
                                                    "gravity",
                                                    "gravitydir"};

class LanguageReference : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(fs::path(VELKARO_DOCS) / "language.md"));
        text_ = ReferenceText();
        spans_ = CodeSpans(text_);
    }

    std::string text_;
    std::set<std::string> spans_;
};

TEST_F(LanguageReference, NamesEveryFunction) {
    const std::vector<std::string> functions = FunctionNames();
    ASSERT_EQ(functions.size(), 137u);
    std::vector<std::string> missing;
    const auto signatures = Signatures(spans_);
    for (const auto& name : functions) {
        if (!spans_.contains(name) && !signatures.contains(name)) {
            missing.push_back(name);
        }
    }
    EXPECT_TRUE(missing.empty()) << "functions the reference does not name: " << Joined(missing);
}

TEST_F(LanguageReference, SignaturesHaveTheRegisteredArgumentCounts) {
    const CFunctionRegistry& registry = FunctionRegistry();
    const auto signatures = Signatures(spans_);
    ASSERT_FALSE(signatures.empty());
    for (const auto& [name, count] : signatures) {
        const int index = registry.FindFunction(name);
        if (index == -1) {
            ADD_FAILURE() << "the reference shows " << name << "(...), which is no function";
            continue;
        }
        EXPECT_EQ(count, registry.GetFunctionArgCount(index))
            << "the reference shows " << name << " with the wrong number of arguments";
    }
    // Every function has its signature written out, so that its arguments can be read.
    std::vector<std::string> without;
    for (const auto& name : FunctionNames()) {
        if (!signatures.contains(name)) {
            without.push_back(name);
        }
    }
    EXPECT_TRUE(without.empty()) << "functions without a signature: " << Joined(without);
}

TEST_F(LanguageReference, NamesEveryConstantWithItsValue) {
    const std::vector<std::string> constants = ConstantNames();
    ASSERT_FALSE(constants.empty());
    EXPECT_TRUE(Missing(spans_, constants).empty())
        << "constants the reference does not name: " << Joined(Missing(spans_, constants));
    for (const auto& name : constants) {
        RValue value;
        ASSERT_TRUE(LookupConstant(name, value));
        const std::optional<double> written = TableValue(text_, name);
        if (!written) {
            ADD_FAILURE() << "the reference has no table row giving the value of " << name;
            continue;
        }
        EXPECT_NEAR(*written, value.real, 1e-12) << "the value of " << name;
    }
}

TEST_F(LanguageReference, NamesEveryBuiltInVariable) {
    // The list above is the lookup's whole vocabulary: each is known, none is forgotten.
    for (const auto& name : kBuiltInVariables) {
        EXPECT_NE(BuiltInVariableNumber(name), kUserVariable) << name;
    }
    std::set<std::int32_t> numbers;
    for (const auto& name : kBuiltInVariables) {
        numbers.insert(BuiltInVariableNumber(name));
    }
    // 34 game variables, 33 instance variables (w and h share the numbers of two others).
    EXPECT_EQ(numbers.size(), 34u + 33u);
    EXPECT_TRUE(Missing(spans_, kBuiltInVariables).empty())
        << "built-in variables the reference does not name: "
        << Joined(Missing(spans_, kBuiltInVariables));
    // And a built-in name that the reference writes is one the list holds.
    for (const auto& span : spans_) {
        if (BuiltInVariableNumber(span) != kUserVariable) {
            EXPECT_NE(std::find(kBuiltInVariables.begin(), kBuiltInVariables.end(), span),
                      kBuiltInVariables.end())
                << span;
        }
    }
}

TEST_F(LanguageReference, NamesEveryAction) {
    const std::vector<std::string> ids = ActionIds();
    ASSERT_EQ(ids.size(), 41u);
    EXPECT_TRUE(Missing(spans_, ids).empty())
        << "actions the reference does not list: " << Joined(Missing(spans_, ids));
}

// The checks above find what is missing, and only that.
TEST(LanguageReferenceChecks, FindWhatAPageLacks) {
    const std::string page = "| `sin(x)` | sine |\n| `c_red` | 255 |\nuse `x` and `room`.\n";
    const std::set<std::string> spans = CodeSpans(page);
    EXPECT_EQ(Missing(spans, {"x", "room", "c_red"}), std::vector<std::string>{});
    EXPECT_EQ(Missing(spans, {"x", "y", "sin"}), (std::vector<std::string>{"y", "sin"}));
    const auto signatures = Signatures(spans);
    ASSERT_EQ(signatures.count("sin"), 1u);
    EXPECT_EQ(signatures.find("sin")->second, 1);
    EXPECT_EQ(TableValue(page, "c_red"), 255.0);
    EXPECT_EQ(TableValue(page, "c_blue"), std::nullopt);
}

TEST(LanguageReferenceChecks, ReadSignaturesButNotExamples) {
    const auto signatures =
        Signatures({"min3(a, b, c)", "end_game()", "random(10)", "draw_text(8, 8, 'hi')", "x"});
    EXPECT_EQ(signatures.size(), 2u);
    EXPECT_EQ(signatures.find("min3")->second, 3);
    EXPECT_EQ(signatures.find("end_game")->second, 0);
}

} // namespace
} // namespace velkaro::test
