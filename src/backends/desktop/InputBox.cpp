#include "backends/desktop/InputBox.h"

#include "base/AnsiText.h"
#include "platform/Canvas.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <utility>

namespace velkaro {
namespace {

constexpr int kMinWidth = 360;
constexpr int kMinHeight = 120;
// Longer prompt lines are broken between their words rather than widening the box further.
constexpr int kMaxPromptWidth = 600;
constexpr int kMargin = 10;
constexpr int kGap = 8;
// Between the field's border and its text, each side.
constexpr int kTextInset = 2;
constexpr int kBlinkMs = 530;

constexpr Colour kFieldBorder = 0x7A7A7A;
constexpr Colour kFieldFace = 0xFFFFFF;
constexpr Colour kHighlight = 0xD77800;
constexpr Colour kHighlightText = 0xFFFFFF;

std::size_t WordStartBefore(const std::string& text, std::size_t position) {
    while (position > 0 && text[position - 1] == ' ') {
        --position;
    }
    while (position > 0 && text[position - 1] != ' ') {
        --position;
    }
    return position;
}

std::size_t WordStartAfter(const std::string& text, std::size_t position) {
    while (position < text.size() && text[position] != ' ') {
        ++position;
    }
    while (position < text.size() && text[position] == ' ') {
        ++position;
    }
    return position;
}

struct SdlFree {
    void operator()(char* text) const { SDL_free(text); }
};

} // namespace

ClipboardAccess DesktopClipboard() {
    return {[] {
                const std::unique_ptr<char, SdlFree> text(SDL_GetClipboardText());
                return text ? std::string(text.get()) : std::string();
            },
            [](const std::string& text) { SDL_SetClipboardText(text.c_str()); }};
}

InputBox::InputBox(std::string_view prompt, std::string value, ClipboardAccess clipboard)
    : clipboard_(std::move(clipboard)), text_(std::move(value)) {
    const auto measure = MakeCanvas(1, 1);
    measure->SetFont(BoxFont());
    promptLines_ = WrappedLines(prompt, *measure, kMaxPromptWidth);
    lineHeight_ = measure->TextHeight("Ag");

    int promptWidth = 0;
    for (const std::string& line : promptLines_) {
        promptWidth = std::max(promptWidth, measure->TextWidth(line));
    }
    const int promptHeight = static_cast<int>(promptLines_.size()) * lineHeight_;
    const int fieldY = kMargin + promptHeight + (promptLines_.empty() ? 0 : kGap);
    const int fieldHeight = lineHeight_ + 2 * kTextInset + 4;
    width_ = std::max(kMinWidth, promptWidth + 2 * kMargin);
    height_ = std::max(kMinHeight, fieldY + fieldHeight + kGap + kBoxButtonHeight + kMargin);
    field_ = {kMargin, fieldY, width_ - 2 * kMargin, fieldHeight};
    cancel_ = {width_ - kMargin - kBoxButtonWidth, height_ - kMargin - kBoxButtonHeight,
               kBoxButtonWidth, kBoxButtonHeight};
    ok_ = {cancel_.x - kBoxButtonSpacing - kBoxButtonWidth, cancel_.y, kBoxButtonWidth,
           kBoxButtonHeight};

    canvas_ = MakeCanvas(width_, height_);
    inside_ = MakeCanvas(field_.width - 2, field_.height - 2);
    caret_ = text_.size();
    anchor_ = 0;
    TextChanged();
}

InputBox::~InputBox() = default;

std::optional<std::string> InputBox::Answer() const {
    if (outcome_ != Outcome::Ok) {
        return std::nullopt;
    }
    return text_;
}

std::string InputBox::Selected() const {
    return text_.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

std::size_t InputBox::SelectionStart() const {
    return std::min(caret_, anchor_);
}

std::size_t InputBox::SelectionEnd() const {
    return std::max(caret_, anchor_);
}

void InputBox::Blink() {
    caretShown_ = !caretShown_;
}

bool InputBox::Handle(const SDL_Event& event) {
    if (outcome_ != Outcome::Open) {
        return false;
    }
    switch (event.type) {
    case SDL_QUIT:
        outcome_ = Outcome::Cancel;
        return true;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            outcome_ = Outcome::Cancel;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            focused_ = true;
            caretShown_ = true;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focused_ = false;
            selecting_ = false;
            pressed_ = Button::None;
            return true;
        default:
            return false;
        }
    case SDL_KEYDOWN:
        caretShown_ = true;
        return HandleKey(event.key.keysym.sym, event.key.keysym.mod, event.key.repeat != 0);
    case SDL_TEXTINPUT: {
        const std::string typed = TypedLineCharacters(event.text.text);
        if (typed.empty()) {
            return false;
        }
        caretShown_ = true;
        Replace(typed);
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button != SDL_BUTTON_LEFT) {
            return false;
        }
        caretShown_ = true;
        return HandleMouseDown(event.button.x, event.button.y, SDL_GetModState());
    case SDL_MOUSEMOTION:
        return HandleMouseMotion(event.motion.x, event.motion.y);
    case SDL_MOUSEBUTTONUP:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseUp(event.button.x, event.button.y);
    default:
        return false;
    }
}

bool InputBox::HandleKey(int key, unsigned modifiers, bool repeated) {
    const bool shift = (modifiers & KMOD_SHIFT) != 0;
    const bool control = (modifiers & KMOD_CTRL) != 0;
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_ESCAPE:
        // A key still held from the game, before the box opened, repeats: it chooses nothing.
        if (repeated) {
            return false;
        }
        outcome_ = key == SDLK_ESCAPE ? Outcome::Cancel : Outcome::Ok;
        return true;
    case SDLK_BACKSPACE:
        if (!EraseSelection() && caret_ > 0) {
            MoveCaret(caret_ - 1, true);
            EraseSelection();
        }
        return true;
    case SDLK_DELETE:
        if (shift) {
            CopySelection();
            EraseSelection();
        } else if (!EraseSelection() && caret_ < text_.size()) {
            MoveCaret(caret_ + 1, true);
            EraseSelection();
        }
        return true;
    case SDLK_LEFT:
        if (control) {
            MoveCaret(WordStartBefore(text_, caret_), shift);
        } else if (!shift && caret_ != anchor_) {
            MoveCaret(SelectionStart(), false);
        } else {
            MoveCaret(caret_ > 0 ? caret_ - 1 : 0, shift);
        }
        return true;
    case SDLK_RIGHT:
        if (control) {
            MoveCaret(WordStartAfter(text_, caret_), shift);
        } else if (!shift && caret_ != anchor_) {
            MoveCaret(SelectionEnd(), false);
        } else {
            MoveCaret(std::min(caret_ + 1, text_.size()), shift);
        }
        return true;
    case SDLK_HOME:
        MoveCaret(0, shift);
        return true;
    case SDLK_END:
        MoveCaret(text_.size(), shift);
        return true;
    case SDLK_INSERT:
        if (control) {
            CopySelection();
        } else if (shift) {
            Paste();
        }
        return shift;
    case SDLK_a:
        if (control) {
            anchor_ = 0;
            MoveCaret(text_.size(), true);
        }
        return control;
    case SDLK_c:
        if (control) {
            CopySelection();
        }
        return false;
    case SDLK_x:
        if (control) {
            CopySelection();
            EraseSelection();
        }
        return control;
    case SDLK_v:
        if (control) {
            Paste();
        }
        return control;
    default:
        return false;
    }
}

bool InputBox::HandleMouseDown(int x, int y, unsigned modifiers) {
    if (ok_.Contains(x, y) || cancel_.Contains(x, y)) {
        pressed_ = ok_.Contains(x, y) ? Button::Ok : Button::Cancel;
        pressedInside_ = true;
        return true;
    }
    if (field_.Contains(x, y)) {
        MoveCaret(PositionAt(x), (modifiers & KMOD_SHIFT) != 0);
        selecting_ = true;
        return true;
    }
    return false;
}

bool InputBox::HandleMouseMotion(int x, int y) {
    if (selecting_) {
        MoveCaret(PositionAt(x), true);
        return true;
    }
    if (pressed_ == Button::None) {
        return false;
    }
    // A pressed button pops up while the mouse is off it, and a release there chooses nothing.
    const bool inside = (pressed_ == Button::Ok ? ok_ : cancel_).Contains(x, y);
    const bool changed = inside != pressedInside_;
    pressedInside_ = inside;
    return changed;
}

bool InputBox::HandleMouseUp(int x, int y) {
    selecting_ = false;
    if (pressed_ == Button::None) {
        return false;
    }
    if ((pressed_ == Button::Ok ? ok_ : cancel_).Contains(x, y)) {
        outcome_ = pressed_ == Button::Ok ? Outcome::Ok : Outcome::Cancel;
    }
    pressed_ = Button::None;
    return true;
}

void InputBox::MoveCaret(std::size_t position, bool extend) {
    caret_ = std::min(position, text_.size());
    if (!extend) {
        anchor_ = caret_;
    }
    ScrollToCaret();
}

void InputBox::Replace(std::string_view with) {
    const std::size_t start = SelectionStart();
    text_.replace(start, SelectionEnd() - start, with);
    caret_ = start + with.size();
    anchor_ = caret_;
    TextChanged();
}

bool InputBox::EraseSelection() {
    if (caret_ == anchor_) {
        return false;
    }
    Replace({});
    return true;
}

void InputBox::CopySelection() const {
    if (caret_ != anchor_ && clipboard_.write) {
        clipboard_.write(AnsiToUtf8(Selected()));
    }
}

void InputBox::Paste() {
    const std::string held = clipboard_.read ? clipboard_.read() : std::string();
    if (held.empty()) {
        return;
    }
    Replace(TypedLineCharacters(std::string_view(held).substr(0, held.find_first_of("\r\n"))));
}

std::size_t InputBox::PositionAt(int x) const {
    const int inText = x - (field_.x + 1 + kTextInset) + scroll_;
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        if (std::abs(offsets_[i] - inText) < std::abs(offsets_[nearest] - inText)) {
            nearest = i;
        }
    }
    return nearest;
}

void InputBox::TextChanged() {
    inside_->SetFont(BoxFont());
    offsets_.assign(text_.size() + 1, 0);
    for (std::size_t i = 1; i <= text_.size(); ++i) {
        offsets_[i] = inside_->TextWidth(std::string_view(text_).substr(0, i));
    }
    ScrollToCaret();
}

void InputBox::ScrollToCaret() {
    const int visible = std::max(1, inside_->Width() - 2 * kTextInset);
    const int caretX = offsets_[caret_];
    if (caretX < scroll_) {
        // A quarter of the field back, so that what comes before the caret shows as well.
        scroll_ = std::max(0, caretX - visible / 4);
    } else if (caretX > scroll_ + visible - 1) {
        scroll_ = caretX - visible + 1;
    }
    // No empty room after the end of a text that is scrolled.
    scroll_ = std::clamp(scroll_, 0, std::max(0, offsets_.back() + 1 - visible));
}

const Bitmap& InputBox::Draw() {
    canvas_->Fill(kBoxFace);
    canvas_->SetFont(BoxFont());
    int y = kMargin;
    for (const std::string& line : promptLines_) {
        canvas_->Text(kMargin, y, line);
        y += lineHeight_;
    }

    canvas_->SetPen({kFieldBorder, 1});
    canvas_->SetBrush({kFieldFace, BrushStyle::Clear});
    canvas_->Rectangle(field_.x, field_.y, field_.x + field_.width, field_.y + field_.height);
    DrawField();
    canvas_->DrawBitmap(inside_->Pixels(), field_.x + 1, field_.y + 1);

    DrawBoxButton(*canvas_, ok_, "OK",
                  {.isDefault = true, .pressed = pressed_ == Button::Ok && pressedInside_});
    DrawBoxButton(*canvas_, cancel_, "Cancel",
                  {.pressed = pressed_ == Button::Cancel && pressedInside_});
    return canvas_->Pixels();
}

void InputBox::DrawField() {
    inside_->Fill(kFieldFace);
    const int x = kTextInset - scroll_;
    const int y = (inside_->Height() - lineHeight_) / 2;
    const std::size_t start = SelectionStart();
    const std::size_t end = SelectionEnd();
    const std::string_view text = text_;
    inside_->SetFont(BoxFont());
    if (start > 0) {
        inside_->Text(x, y, text.substr(0, start));
    }
    if (end < text.size()) {
        inside_->Text(x + offsets_[end], y, text.substr(end));
    }
    if (end > start) {
        inside_->SetFont(BoxFont(kHighlightText));
        inside_->TextOnBackground(x + offsets_[start], y, text.substr(start, end - start),
                                  kHighlight);
    }
    if (focused_ && caretShown_) {
        const int caretX = x + offsets_[caret_];
        inside_->SetPen({kBoxText, 1});
        inside_->Line(caretX, y, caretX, y + lineHeight_);
    }
}

namespace {

std::optional<std::string> NoBox(std::string_view prompt, const char* reason) {
    std::string shown;
    for (const std::string& line : SplitAtBreaks(prompt)) {
        shown += (shown.empty() ? "" : "\n") + AnsiToUtf8(line);
    }
    std::cerr << shown << " (no input box: " << reason << "; answered Cancel)\n";
    return std::nullopt;
}

} // namespace

std::optional<std::string> AskTextInWindow(SDL_Window* parent, const std::string& prompt,
                                           const std::string& value,
                                           const ModalEventSource& nextEvent) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        return NoBox(prompt, "no display");
    }
    InputBox box(prompt, value);
    std::string error;
    const auto window = ModalWindow::Open(parent, box.Width(), box.Height(), "", error);
    if (!window) {
        return NoBox(prompt, error.c_str());
    }
    const TextInputWhileOpen textInput(box.Field());
    window->Run({.open = [&] { return box.Result() == InputBox::Outcome::Open; },
                 .handle = [&](const SDL_Event& event) { return box.Handle(event); },
                 .draw = [&]() -> const Bitmap& { return box.Draw(); },
                 .tickMs = kBlinkMs,
                 .tick = [&] { box.Blink(); }},
                nextEvent);
    return box.Answer();
}

} // namespace velkaro
