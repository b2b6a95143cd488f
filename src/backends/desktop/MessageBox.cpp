#include "backends/desktop/MessageBox.h"

#include "base/AnsiText.h"
#include "platform/Canvas.h"

#include <SDL.h>

#include <algorithm>
#include <iostream>

namespace velkaro {
namespace {

constexpr int kMinWidth = 200;
// Longer lines are broken between their words rather than widening the box further.
constexpr int kMaxTextWidth = 500;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
// Between the text (or the sign) and the row of buttons.
constexpr int kButtonGap = 16;

constexpr Colour kInformationCircle = 0xD77800;
constexpr Colour kErrorCircle = 0x2311E8;
constexpr Colour kSign = 0xFFFFFF;

// The message as the terminal shows it: UTF-8 with line feeds.
std::string Utf8Lines(std::string_view text) {
    std::string shown;
    const std::vector<std::string> lines = SplitAtBreaks(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        shown += (i == 0 ? "" : "\n") + AnsiToUtf8(lines[i]);
    }
    return shown;
}

// Without a box the message still reaches the player, on standard error.
std::optional<int> NoBox(const std::string& title, const std::string& text,
                         const std::string& reason) {
    if (!title.empty()) {
        std::cerr << AnsiToUtf8(title) << ": ";
    }
    std::cerr << Utf8Lines(text) << '\n';
    if (!reason.empty()) {
        std::cerr << "(no message box: " << reason << ")\n";
    }
    return std::nullopt;
}

} // namespace

MessageBox::MessageBox(std::string_view text, MessageIcon icon,
                       std::span<const MessageButton> buttons)
    : buttons_(buttons.begin(), buttons.end()), icon_(icon) {
    const auto measure = MakeCanvas(1, 1);
    measure->SetFont(BoxFont());
    lines_ = WrappedLines(text, *measure, kMaxTextWidth);
    lineHeight_ = measure->TextHeight("Ag");

    int textWidth = 0;
    for (const std::string& line : lines_) {
        textWidth = std::max(textWidth, measure->TextWidth(line));
    }
    const int textHeight = static_cast<int>(lines_.size()) * lineHeight_;
    const bool hasIcon = icon_ != MessageIcon::None;
    const int contentHeight = std::max(textHeight, hasIcon ? kIconSize : 0);
    if (hasIcon) {
        iconArea_ = {kMargin, kMargin, kIconSize, kIconSize};
    }
    const int textX = hasIcon ? kMargin + kIconSize + kIconGap : kMargin;
    // A short text stands level with the middle of the sign.
    textArea_ = {textX, kMargin + (contentHeight - textHeight) / 2, textWidth, textHeight};

    std::vector<int> buttonWidths;
    int rowWidth = 0;
    for (const MessageButton& button : buttons_) {
        buttonWidths.push_back(BoxButtonWidth(*measure, button.label));
        rowWidth += buttonWidths.back() + (rowWidth == 0 ? 0 : kBoxButtonSpacing);
    }
    width_ = std::max({kMinWidth, textX + textWidth + kMargin, rowWidth + 2 * kMargin});
    const int rowY = kMargin + contentHeight + kButtonGap;
    height_ =
        buttons_.empty() ? kMargin + contentHeight + kMargin : rowY + kBoxButtonHeight + kMargin;
    int x = width_ - kMargin - rowWidth;
    for (const int buttonWidth : buttonWidths) {
        buttonAreas_.push_back({x, rowY, buttonWidth, kBoxButtonHeight});
        x += buttonWidth + kBoxButtonSpacing;
    }

    if (!buttons_.empty()) {
        const auto enter = std::ranges::find_if(buttons_, &MessageButton::enter);
        focus_ = enter != buttons_.end() ? static_cast<std::size_t>(enter - buttons_.begin()) : 0;
    }
    canvas_ = MakeCanvas(width_, height_);
}

MessageBox::~MessageBox() = default;

bool MessageBox::Handle(const SDL_Event& event) {
    if (closed_) {
        return false;
    }
    switch (event.type) {
    case SDL_QUIT:
        Cancel();
        return true;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            Cancel();
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            pressed_.reset();
            return true;
        default:
            return false;
        }
    case SDL_KEYDOWN:
        return HandleKey(event.key.keysym.sym, event.key.keysym.mod, event.key.repeat != 0);
    case SDL_MOUSEBUTTONDOWN:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseDown(event.button.x, event.button.y);
    case SDL_MOUSEMOTION:
        return HandleMouseMotion(event.motion.x, event.motion.y);
    case SDL_MOUSEBUTTONUP:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseUp(event.button.x, event.button.y);
    default:
        return false;
    }
}

bool MessageBox::HandleKey(int key, unsigned modifiers, bool repeated) {
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
    case SDLK_ESCAPE: {
        // A key still held from the game, before the box opened, repeats: it chooses nothing.
        if (repeated) {
            return false;
        }
        if (key != SDLK_ESCAPE) {
            if (focus_) {
                Choose(*focus_);
            }
            return closed_;
        }
        const auto escape = std::ranges::find_if(buttons_, &MessageButton::escape);
        if (escape != buttons_.end()) {
            Choose(static_cast<std::size_t>(escape - buttons_.begin()));
        }
        return closed_;
    }
    case SDLK_TAB:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_UP:
    case SDLK_DOWN: {
        if (!focus_ || buttons_.size() < 2) {
            return false;
        }
        const bool back =
            key == SDLK_LEFT || key == SDLK_UP || (key == SDLK_TAB && (modifiers & KMOD_SHIFT));
        const std::size_t count = buttons_.size();
        focus_ = (*focus_ + (back ? count - 1 : 1)) % count;
        return true;
    }
    default:
        return false;
    }
}

bool MessageBox::HandleMouseDown(int x, int y) {
    pressed_ = ButtonAt(x, y);
    if (!pressed_) {
        return false;
    }
    pressedInside_ = true;
    focus_ = pressed_;
    return true;
}

bool MessageBox::HandleMouseMotion(int x, int y) {
    if (!pressed_) {
        return false;
    }
    // A pressed button pops up while the mouse is off it, and a release there chooses nothing.
    const bool inside = buttonAreas_[*pressed_].Contains(x, y);
    const bool changed = inside != pressedInside_;
    pressedInside_ = inside;
    return changed;
}

bool MessageBox::HandleMouseUp(int x, int y) {
    if (!pressed_) {
        return false;
    }
    const std::size_t button = *pressed_;
    pressed_.reset();
    if (buttonAreas_[button].Contains(x, y)) {
        Choose(button);
    }
    return true;
}

void MessageBox::Cancel() {
    const auto escape = std::ranges::find_if(buttons_, &MessageButton::escape);
    if (escape != buttons_.end()) {
        Choose(static_cast<std::size_t>(escape - buttons_.begin()));
        return;
    }
    closed_ = true;
}

void MessageBox::Choose(std::size_t button) {
    answer_ = buttons_[button].id;
    closed_ = true;
}

std::optional<std::size_t> MessageBox::ButtonAt(int x, int y) const {
    for (std::size_t i = 0; i < buttonAreas_.size(); ++i) {
        if (buttonAreas_[i].Contains(x, y)) {
            return i;
        }
    }
    return std::nullopt;
}

const Bitmap& MessageBox::Draw() {
    canvas_->Fill(kBoxFace);
    DrawIcon();
    canvas_->SetFont(BoxFont());
    int y = textArea_.y;
    for (const std::string& line : lines_) {
        canvas_->Text(textArea_.x, y, line);
        y += lineHeight_;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        DrawBoxButton(*canvas_, buttonAreas_[i], buttons_[i].label,
                      {.isDefault = buttons_[i].enter,
                       .pressed = pressed_ == i && pressedInside_,
                       .focused = focus_ == i});
    }
    return canvas_->Pixels();
}

void MessageBox::DrawIcon() {
    if (icon_ == MessageIcon::None) {
        return;
    }
    const BoxArea& area = iconArea_;
    canvas_->SetPen({icon_ == MessageIcon::Error ? kErrorCircle : kInformationCircle, 1});
    canvas_->SetBrush(
        {icon_ == MessageIcon::Error ? kErrorCircle : kInformationCircle, BrushStyle::Solid});
    canvas_->Ellipse(area.x, area.y, area.x + area.width, area.y + area.height);
    const int middle = area.x + area.width / 2;
    if (icon_ == MessageIcon::Information) {
        // An "i": its dot, then its stem.
        canvas_->SetBrush({kSign, BrushStyle::Solid});
        canvas_->FillRect(middle - 2, area.y + 7, middle + 2, area.y + 11);
        canvas_->FillRect(middle - 2, area.y + 13, middle + 2, area.y + 25);
        return;
    }
    const int top = area.y + 10;
    const int bottom = area.y + area.height - 10;
    const int left = area.x + 10;
    const int right = area.x + area.width - 10;
    canvas_->SetPen({kSign, 3});
    canvas_->Line(left, top, right, bottom);
    canvas_->Line(right, top, left, bottom);
}

std::optional<int> ShowMessageInWindow(SDL_Window* parent, const std::string& title,
                                       const std::string& text, MessageIcon icon,
                                       std::span<const MessageButton> buttons,
                                       const ModalEventSource& nextEvent) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        return NoBox(title, text, {});
    }
    MessageBox box(text, icon, buttons);
    std::string error;
    const auto window =
        ModalWindow::Open(parent, box.Width(), box.Height(), AnsiToUtf8(title), error);
    if (!window) {
        return NoBox(title, text, error);
    }
    window->Run({.open = [&] { return !box.Closed(); },
                 .handle = [&](const SDL_Event& event) { return box.Handle(event); },
                 .draw = [&]() -> const Bitmap& { return box.Draw(); }},
                nextEvent);
    return box.Answer();
}

} // namespace velkaro
