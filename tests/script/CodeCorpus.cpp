#include "script/CodeCorpus.h"

#include "base/Files.h"
#include "data/GameLoader.h"
#include "functions/FunctionTables.h"
#include "script/CodeCompiler.h"
#include "script/InterpretUnit.h"
#include "support/PartsInMemory.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>

namespace velkaro::test {
namespace {

using StateLines = std::vector<std::pair<std::string, std::string>>;

std::string Number(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Value(const RValue& value) {
    return value.IsString() ? QuoteText(value.string) : Number(value.real);
}

// The game every case starts from. Objects 1 "ball", 2 "wall" and 3 "block" (which has no
// instance); sounds "shot" and "boom"; two rooms, the first 20 by 15 cells of 32 pixels.
// Instances: 1 a ball (self), 2 a wall (other), 3 a ball, 4 a wall. The game asks the player's
// wishes as if the player had closed the game, so every loop that does not end by itself stops
// at the interpreter's first ask.
class CorpusScenario {
public:
    CorpusScenario() {
        data_.objects.Add().name = "ball";
        data_.objects.Add().name = "wall";
        data_.objects.Add().name = "block";
        data_.rooms.Add().name = "first";
        data_.rooms.Add().name = "second";
        data_.sounds.Add().name = "shot";
        data_.sounds.Add().name = "boom";
        // A folder that cannot exist: the file functions fail the same way everywhere.
        data_.files = Files("/proc/velkaro-code-corpus/data");

        GameState& game = parts_.state;
        game.random.Seed(20240607);
        game.decimal_separator = ".";
        game.room = 1;
        game.roomname = "first";
        game.gamename = "corpus";
        game.score = 10;
        game.cellsize = 32;
        game.room_columns = 20;
        game.room_rows = 15;
        game.gamespeed = 30;
        parts_.runtime.stopAsked = true;

        self_ = &game.instances.Add(data_.objects, 1, 10, 20);
        other_ = &game.instances.Add(data_.objects, 2, 100, 200);
        CInstance& ball = game.instances.Add(data_.objects, 1, 30, 40);
        CInstance& wall = game.instances.Add(data_.objects, 2, 130, 240);
        self_->SetHspeed(2);
        self_->locals.SetValue("n", RValue::Real(5), 0);
        self_->locals.SetValue("s", RValue::String("text"), 0);
        self_->locals.SetValue("a", RValue::Real(1), 0);
        self_->locals.SetValue("a", RValue::Real(2.5), 1);
        self_->locals.SetValue("a", RValue::String("three"), 2);
        other_->locals.SetValue("n", RValue::Real(7), 0);
        other_->locals.SetValue("s", RValue::String("wall"), 0);
        ball.locals.SetValue("n", RValue::Real(3), 0);
        wall.locals.SetValue("n", RValue::Real(-4), 0);
        game.globals.SetValue("g", RValue::Real(3), 0);
        game.globals.SetValue("name", RValue::String("glob"), 0);
        game.globals.SetValue("list", RValue::Real(10), 0);
        game.globals.SetValue("list", RValue::String("eleven"), 1);
    }
    CorpusScenario(const CorpusScenario&) = delete;
    CorpusScenario& operator=(const CorpusScenario&) = delete;

    // The interpreter's entry points, one place each: the text is compiled as a game start
    // compiles its actions' arguments, then run from that form.
    void RunCode(const std::string& text) {
        parts_.interpreter.ExecuteCode(*self_, *other_, Compiled(text, CodeForm::Code));
    }
    double RunReal(const std::string& text) {
        return parts_.interpreter.EvaluateReal(*self_, *other_,
                                               Compiled(text, CodeForm::Expression));
    }
    std::string RunString(const std::string& text) {
        return parts_.interpreter.EvaluateString(*self_, *other_,
                                                 Compiled(text, CodeForm::Expression));
    }
    // As `qvf check` checks: the errors of form the compiled text holds.
    std::optional<ScriptError> Check(const std::string& text, bool asCode) const {
        return FirstError(Compiled(text, asCode ? CodeForm::Code : CodeForm::Expression));
    }

    const Reports& ErrorReports() const { return parts_.errors.reports; }

    // Everything game code can change, as (key, value) lines in a fixed order.
    StateLines Dump() const {
        StateLines lines;
        const auto add = [&lines](std::string key, std::string value) {
            lines.emplace_back(std::move(key), std::move(value));
        };
        const auto addVariables = [&add](const std::string& prefix, const CVariableList& list) {
            for (int v = 1; v <= list.Count(); ++v) {
                const CVariable& variable = list.Get(v);
                // Arrays grow to 32000 elements: the length, and the elements that are not
                // the real 0 that a new element is.
                add(prefix + variable.Name() + ".length", std::to_string(variable.Length()));
                for (std::int64_t i = 0; i < variable.Length(); ++i) {
                    if (variable.Get(i) != RValue()) {
                        add(prefix + variable.Name() + "[" + std::to_string(i) + "]",
                            Value(variable.Get(i)));
                    }
                }
            }
        };
        const GameState& game = parts_.state;
        for (int i = 1; i <= game.instances.Count(); ++i) {
            const CInstance& in = game.instances.Get(i);
            const std::string p = "i" + std::to_string(i) + ".";
            const auto field = [&add, &p](const char* name, double value) {
                add(p + name, Number(value));
            };
            field("object", in.object);
            field("deleted", in.deleted);
            field("x", in.x);
            field("y", in.y);
            field("xprevious", in.xprevious);
            field("yprevious", in.yprevious);
            field("direction", in.direction);
            field("speed", in.speed);
            field("hspeed", in.hspeed);
            field("vspeed", in.vspeed);
            field("hdir", in.hdir);
            field("vdir", in.vdir);
            field("friction", in.friction);
            field("gravity", in.gravity);
            field("gravitydir", in.gravitydir);
            field("image_index", in.image_index);
            field("image_speed", in.image_speed);
            field("image_scale", in.image_scale);
            field("image_depth", in.image_depth);
            field("image_counter", in.image_counter);
            field("bb_l", in.bb_l);
            field("bb_r", in.bb_r);
            field("bb_b", in.bb_b);
            field("bb_t", in.bb_t);
            field("box_left", in.box_left);
            field("box_right", in.box_right);
            field("box_bottom", in.box_bottom);
            field("box_top", in.box_top);
            field("collision_mode", in.collision_mode);
            field("visible", in.visible);
            field("active", in.active);
            field("solid", in.solid);
            field("alarm0", in.alarms[0]);
            field("alarm1", in.alarms[1]);
            field("alarm2", in.alarms[2]);
            field("alarm3", in.alarms[3]);
            addVariables(p + "var.", in.locals);
        }
        addVariables("global.", game.globals);
        const auto field = [&add](const char* name, double value) {
            add(std::string("game.") + name, Number(value));
        };
        field("room", game.room);
        field("next_room", game.next_room);
        field("cellsize", game.cellsize);
        field("room_columns", game.room_columns);
        field("room_rows", game.room_rows);
        field("gamespeed", game.gamespeed);
        field("back_color", game.back_color);
        field("background_image", game.background_image);
        field("background_mode", game.background_mode);
        field("back_x", game.back_x);
        field("back_y", game.back_y);
        field("back_hspeed", game.back_hspeed);
        field("back_vspeed", game.back_vspeed);
        field("score", game.score);
        field("showscore", game.showscore);
        field("fullscreenmode", game.fullscreenmode);
        field("mousex", game.mousex);
        field("mousey", game.mousey);
        field("mousebutton", game.mousebutton);
        field("lastkeypressed", game.lastkeypressed);
        field("keypressed", game.keypressed);
        field("helpkey", game.helpkey);
        field("quitkey", game.quitkey);
        field("screenkey", game.screenkey);
        field("view_x", game.view_x);
        field("view_y", game.view_y);
        field("view_w", game.view_w);
        field("view_h", game.view_h);
        field("view_restrict", game.view_restrict);
        field("view_border", game.view_border);
        field("view_object", game.view_object);
        field("directdraw", game.directdraw);
        field("directsound", game.directsound);
        field("random", game.random.State());
        add("game.roomname", QuoteText(game.roomname));
        add("game.gamename", QuoteText(game.gamename));
        add("game.lastcharpressed", QuoteText(game.lastcharpressed));
        for (int i = 1; i <= parts_.savedValues.Count(); ++i) {
            const CSavedValues::Entry& entry = parts_.savedValues.Get(i);
            add("saved." + std::to_string(entry.key), Value(entry.value));
        }
        const auto addList = [&add](const std::string& prefix, const auto& items, auto show) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                add(prefix + std::to_string(i + 1), show(items[i]));
            }
        };
        const auto asNumber = [](auto value) { return Number(static_cast<double>(value)); };
        addList("runtime.room#", parts_.runtime.rooms, asNumber);
        addList("runtime.screen#", parts_.runtime.screenModes, asNumber);
        addList("shell.call#", parts_.shell.calls, QuoteText);
        addList("shell.message#", parts_.shell.messages, QuoteText);
        addList("shell.report#", parts_.shell.errorReports,
                [](const RecordingDialogs::ErrorReport& report) {
                    return std::string(report.fatal ? "fatal " : "error ") + QuoteText(report.text);
                });
        return lines;
    }

private:
    CodeTree Compiled(const std::string& text, CodeForm form) const {
        return PrepareText(text, form, TokenNames{data_.objects, data_.sounds, FunctionRegistry()});
    }

    GameData data_;
    PartsInMemory parts_{data_, {.functions = &FunctionRegistry()}};
    CInstance* self_ = nullptr;
    CInstance* other_ = nullptr;
};

// "set KEY VALUE" for what is new or other after, "gone KEY" for what is no longer there.
void AddChanges(const StateLines& before, const StateLines& after,
                std::vector<std::string>& lines) {
    // Most runs leave the keys as they were: those are compared line by line, and only what
    // follows the first new or missing key is looked up.
    std::size_t same = 0;
    for (; same < before.size() && same < after.size() && before[same].first == after[same].first;
         ++same) {
        if (before[same].second != after[same].second) {
            lines.push_back("set " + after[same].first + " " + after[same].second);
        }
    }
    const std::map<std::string, std::string> old(before.begin() + same, before.end());
    const std::map<std::string, std::string> now(after.begin() + same, after.end());
    for (std::size_t i = same; i < after.size(); ++i) {
        const auto found = old.find(after[i].first);
        if (found == old.end() || found->second != after[i].second) {
            lines.push_back("set " + after[i].first + " " + after[i].second);
        }
    }
    for (std::size_t i = same; i < before.size(); ++i) {
        if (!now.contains(before[i].first)) {
            lines.push_back("gone " + before[i].first);
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The text a quoted field stands for; nullopt when it is malformed.
std::optional<std::string> UnquoteText(std::string_view quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '"') {
            return std::nullopt;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (i + 2 >= quoted.size()) {
            return std::nullopt;
        }
        const char next = quoted[++i];
        if (next == '\\' || next == '"') {
            text += next;
        } else if (next == 'x' && i + 3 < quoted.size() && HexDigit(quoted[i + 1]) >= 0 &&
                   HexDigit(quoted[i + 2]) >= 0) {
            text += static_cast<char>(HexDigit(quoted[i + 1]) * 16 + HexDigit(quoted[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

std::optional<CorpusKind> KindNamed(std::string_view name) {
    for (const CorpusKind kind : {CorpusKind::Code, CorpusKind::Real, CorpusKind::String}) {
        if (KindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> ObserveCase(const CorpusCase& input) {
    CorpusScenario scenario;
    const StateLines before = scenario.Dump();
    std::vector<std::string> lines;
    const bool asCode = input.kind == CorpusKind::Code;
    if (const auto found = scenario.Check(input.text, asCode)) {
        lines.push_back("check " + std::to_string(found->line) + " " +
                        std::to_string(found->position) + " " + QuoteText(found->message));
    } else {
        lines.emplace_back("check none");
    }
    std::string result;
    switch (input.kind) {
    case CorpusKind::Code:
        scenario.RunCode(input.text);
        break;
    case CorpusKind::Real:
        result = "real " + Number(scenario.RunReal(input.text));
        break;
    case CorpusKind::String:
        result = "string " + QuoteText(scenario.RunString(input.text));
        break;
    }
    for (const auto& [message, fatal] : scenario.ErrorReports()) {
        lines.push_back(std::string("report ") + (fatal ? "fatal " : "error ") +
                        QuoteText(message));
    }
    if (!result.empty()) {
        lines.push_back(std::move(result));
    }
    AddChanges(before, scenario.Dump(), lines);
    return lines;
}

std::string_view KindName(CorpusKind kind) {
    switch (kind) {
    case CorpusKind::Code:
        return "code";
    case CorpusKind::Real:
        return "real";
    case CorpusKind::String:
        return "string";
    }
    return "?";
}

std::string QuoteText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte >= 0x20 && byte <= 0x7e) {
            quoted += c;
        } else {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 15];
        }
    }
    quoted += '"';
    return quoted;
}

std::string FormatCorpus(const std::vector<std::string>& header,
                         const std::vector<RecordedCase>& cases) {
    std::string file;
    for (const std::string& line : header) {
        file += "# " + line + "\n";
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const RecordedCase& recorded = cases[i];
        file += "case " + std::to_string(i + 1) + " " + std::string(KindName(recorded.input.kind)) +
                " " + recorded.input.origin + "\n";
        file += "text " + QuoteText(recorded.input.text) + "\n";
        for (const std::string& line : recorded.observed) {
            file += line + "\n";
        }
        file += "end\n";
    }
    return file;
}

std::vector<RecordedCase> ParseCorpus(std::string_view file) {
    std::vector<RecordedCase> cases;
    int lineNumber = 0;
    const auto fail = [&lineNumber](const std::string& what) {
        throw std::runtime_error("code corpus, line " + std::to_string(lineNumber) + ": " + what);
    };
    // 0: between cases, 1: the text comes next, 2: in the observations.
    int state = 0;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        if (end == std::string_view::npos) {
            ++lineNumber;
            fail("the last line has no line end");
        }
        const std::string_view line = file.substr(0, end);
        file.remove_prefix(end + 1);
        ++lineNumber;
        if (state == 0) {
            if (cases.empty() && line.starts_with("#")) {
                continue;
            }
            // case NUMBER KIND ORIGIN
            const std::string expected = "case " + std::to_string(cases.size() + 1) + " ";
            if (!line.starts_with(expected)) {
                fail("\"" + expected + "KIND ORIGIN\" expected");
            }
            const std::string_view rest = line.substr(expected.size());
            const std::size_t blank = rest.find(' ');
            const auto kind = KindNamed(rest.substr(0, blank));
            if (blank == std::string_view::npos || !kind) {
                fail("unknown kind of case");
            }
            cases.push_back({{*kind, std::string(rest.substr(blank + 1)), {}}, {}});
            state = 1;
        } else if (state == 1) {
            const auto text =
                line.starts_with("text ") ? UnquoteText(line.substr(5)) : std::nullopt;
            if (!text) {
                fail("text \"...\" expected");
            }
            cases.back().input.text = *text;
            state = 2;
        } else if (line == "end") {
            state = 0;
        } else {
            cases.back().observed.emplace_back(line);
        }
    }
    if (state != 0) {
        fail("the last case has no end");
    }
    return cases;
}

} // namespace velkaro::test
