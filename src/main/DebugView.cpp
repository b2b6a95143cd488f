#include "main/DebugView.h"

#include "base/AnsiText.h"
#include "base/Counted.h"
#include "data/GameLoader.h"
#include "engine/GameInspection.h"
#include "engine/RunUnit.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace velkaro {
namespace {

constexpr std::int32_t kPrintKey = 120;    // F9
constexpr std::int32_t kStepKey = 121;     // F10
constexpr std::int32_t kPauseKey = 122;    // F11
constexpr std::int32_t kShowHideKey = 123; // F12

bool IsDebugKey(std::int32_t key) {
    return key == kPrintKey || key == kStepKey || key == kPauseKey || key == kShowHideKey;
}

constexpr Colour kPanelText = 0xE0E0E0;
constexpr Colour kPanelHeading = 0x40D0FF; // amber, as games write colours (0xBBGGRR)
constexpr Colour kPanelBackground = 0x201810;
constexpr Colour kMessageText = 0xFFFFFF;
constexpr Colour kMessageBackground = 0x200090;
constexpr int kMargin = 6;
constexpr int kColumnGap = 18;

Font PanelFont(Colour colour) {
    Font font;
    font.name = "Courier New";
    font.size = 9;
    font.colour = colour;
    return font;
}

// `head` one line each, then `body` in as many columns as it takes to stay within `maxHeight`
// (when it can), on a dark box.
Bitmap TextPanel(const std::vector<std::string>& head, const std::vector<std::string>& body,
                 int maxHeight, Colour text, Colour background) {
    std::unique_ptr<Canvas> measure = MakeCanvas(1, 1);
    measure->SetFont(PanelFont(text));
    const int lineHeight = std::max(measure->TextHeight("Ag"), 1);
    int headWidth = 0;
    for (const std::string& line : head) {
        headWidth = std::max(headWidth, measure->TextWidth(line));
    }
    const int headHeight = static_cast<int>(head.size()) * lineHeight;
    const int rowsThatFit = std::max((maxHeight - headHeight - 2 * kMargin) / lineHeight, 8);
    const int rows = std::min(static_cast<int>(body.size()), rowsThatFit);
    std::vector<int> columnWidths;
    for (std::size_t first = 0; first < body.size(); first += static_cast<std::size_t>(rows)) {
        int width = 0;
        for (std::size_t i = first; i < std::min(body.size(), first + rows); ++i) {
            width = std::max(width, measure->TextWidth(body[i]));
        }
        columnWidths.push_back(width);
    }
    int bodyWidth = 0;
    for (const int width : columnWidths) {
        bodyWidth += width + kColumnGap;
    }
    const int width = std::max(headWidth, bodyWidth - kColumnGap) + 2 * kMargin;
    const int height = headHeight + rows * lineHeight + 2 * kMargin;
    std::unique_ptr<Canvas> canvas = MakeCanvas(width, height);
    canvas->Fill(background);
    int y = kMargin;
    canvas->SetFont(PanelFont(kPanelHeading));
    for (const std::string& line : head) {
        canvas->Text(kMargin, y, line);
        y += lineHeight;
        canvas->SetFont(PanelFont(text));
    }
    int x = kMargin;
    for (std::size_t column = 0; column < columnWidths.size(); ++column) {
        for (int row = 0; row < rows; ++row) {
            const std::size_t i = column * static_cast<std::size_t>(rows) + row;
            if (i < body.size()) {
                canvas->Text(x, y + row * lineHeight, body[i]);
            }
        }
        x += columnWidths[column] + kColumnGap;
    }
    return canvas->Pixels();
}

// The lines broken between words so that each fits in `width` pixels, where words allow.
std::vector<std::string> Wrapped(const std::vector<std::string>& lines, int width) {
    std::unique_ptr<Canvas> measure = MakeCanvas(1, 1);
    measure->SetFont(PanelFont(0));
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
        std::string current;
        std::size_t start = 0;
        while (start <= line.size()) {
            const std::size_t end = std::min(line.find(' ', start), line.size());
            const std::string word = line.substr(start, end - start);
            const std::string longer = current.empty() ? word : current + " " + word;
            if (!current.empty() && measure->TextWidth(longer) > width) {
                wrapped.push_back(current);
                current = word;
            } else {
                current = longer;
            }
            start = end + 1;
        }
        wrapped.push_back(current);
    }
    return wrapped;
}

std::string Rounded(double value, int decimals) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

} // namespace

void OverlayPanels::SetDebugPanel(Bitmap panel) {
    debug_ = std::move(panel);
    Show();
}

void OverlayPanels::SetMessage(const std::vector<std::string>& lines) {
    const ScreenSize window = screen_.OutputSize();
    message_ = lines.empty() ? Bitmap()
                             : TextPanel(Wrapped(lines, window.width - 2 * kMargin), {},
                                         window.height, kMessageText, kMessageBackground);
    Show();
}

void OverlayPanels::Show() {
    std::vector<OverlayPanel> panels;
    panels.push_back({debug_, false});
    panels.push_back({message_, true});
    screen_.SetOverlay(panels);
}

void DebugView::Attach(CGame* game) {
    game_ = game;
    paused_ = false;
    stepping_ = false;
    stepStarts_.clear();
    stepMilliseconds_.clear();
    Refresh();
}

void DebugView::Run(GameCall which, const std::function<void()>& call) {
    if (which != GameCall::Step) {
        call();
        Refresh();
        return;
    }
    const Clock::time_point start = Clock::now();
    call();
    const Clock::time_point end = Clock::now();
    stepStarts_.push_back(start);
    while (!stepStarts_.empty() && end - stepStarts_.front() >= std::chrono::seconds(1)) {
        stepStarts_.pop_front();
    }
    constexpr std::size_t kTimedSteps = 30;
    stepMilliseconds_.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    if (stepMilliseconds_.size() > kTimedSteps) {
        stepMilliseconds_.pop_front();
    }
    if (stepping_ && game_ != nullptr) {
        stepping_ = false;
        game_->PauseGame();
    }
    Refresh();
}

std::vector<std::string> DebugView::Lines() const {
    std::vector<std::string> lines;
    if (game_ == nullptr) {
        lines.emplace_back("No game plays.");
        return lines;
    }
    const GameState& state = game_->State();
    double average = 0;
    for (const double ms : stepMilliseconds_) {
        average += ms / static_cast<double>(stepMilliseconds_.size());
    }
    const std::string room =
        state.data.rooms.Valid(state.room) ? state.data.rooms.Get(state.room).name : "none";
    lines.push_back("F12 hide  F11 " + std::string(paused_ ? "resume" : "pause") +
                    "  F10 one step  F9 print" + (paused_ ? "   PAUSED" : ""));
    lines.push_back(std::to_string(stepStarts_.size()) + " steps a second of " +
                    Rounded(state.gamespeed, 0) + ", a step takes " + Rounded(average, 2) + " ms");
    int live = 0;
    state.instances.ForEachLive([&live](const CInstance&) { ++live; });
    lines.push_back("room " + std::to_string(state.room) + " " + room + ", " +
                    Counted(static_cast<std::size_t>(live), "instance", "instances"));
    for (const std::string& report : game_->Errors().Recent()) {
        std::string line = "error: " + report;
        std::replace(line.begin(), line.end(), '\r', ' ');
        lines.push_back(line);
    }
    const double roomX = (mouseX_ - state.screen_offset_x) / state.screen_scale_x + state.view_x;
    const double roomY = (mouseY_ - state.screen_offset_y) / state.screen_scale_y + state.view_y;
    const CInstance* under = InstanceAt(state, roomX, roomY);
    const std::string at = " at " + Rounded(roomX, 0) + ", " + Rounded(roomY, 0);
    if (under == nullptr || under->object_def == nullptr) {
        lines.push_back("Nothing under the mouse" + at);
        return lines;
    }
    lines.push_back("Under the mouse" + at + ": " + under->object_def->name);
    const std::vector<std::string> variables = InstanceVariables(state, *under);
    lines.insert(lines.end(), variables.begin(), variables.end());
    return lines;
}

void DebugView::Refresh() {
    if (!shown_) {
        overlay_.SetDebugPanel({});
        return;
    }
    const std::vector<std::string> lines = Lines();
    // The heading lines stay whole; the variables go into columns.
    const auto variables = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Under the mouse") || line.starts_with("Nothing under");
    });
    const std::vector<std::string> head(lines.begin(),
                                        variables == lines.end() ? lines.end() : variables + 1);
    const std::vector<std::string> body(variables == lines.end() ? lines.end() : variables + 1,
                                        lines.end());
    overlay_.SetDebugPanel(TextPanel(head, body, overlay_.Height(), kPanelText, kPanelBackground));
}

void DebugView::KeyDown(std::int32_t key) {
    if (!IsDebugKey(key)) {
        inner_.KeyDown(key);
        return;
    }
    switch (key) {
    case kShowHideKey:
        shown_ = !shown_;
        Refresh();
        break;
    case kPauseKey:
        TogglePause();
        break;
    case kStepKey:
        StepOnce();
        break;
    default:
        for (const std::string& line : Lines()) {
            std::cerr << AnsiToUtf8(line) << '\n';
        }
        std::cerr << '\n';
        break;
    }
}

void DebugView::KeyUp(std::int32_t key) {
    if (!IsDebugKey(key)) {
        inner_.KeyUp(key);
    }
}

void DebugView::MouseMove(int x, int y) {
    mouseX_ = x;
    mouseY_ = y;
    inner_.MouseMove(x, y);
    // A running game refreshes the view after each step; a paused one is refreshed here.
    if (paused_) {
        Refresh();
    }
}

void DebugView::MouseDown(int button, int x, int y) {
    mouseX_ = x;
    mouseY_ = y;
    inner_.MouseDown(button, x, y);
}

void DebugView::TogglePause() {
    if (game_ == nullptr) {
        return;
    }
    if (paused_) {
        game_->ResumeGame();
    } else {
        game_->PauseGame();
    }
    paused_ = !paused_;
    stepping_ = false;
    Refresh();
}

void DebugView::StepOnce() {
    if (game_ == nullptr) {
        return;
    }
    if (!paused_) {
        TogglePause();
        return;
    }
    // The game runs until the step has run; then Run pauses it again.
    stepping_ = true;
    game_->ResumeGame();
}

} // namespace velkaro
