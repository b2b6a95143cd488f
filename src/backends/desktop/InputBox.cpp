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
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonSpacing = 6;
// Between the field's border and its text, each side.
constexpr int kTextInset = 2;
constexpr int kBlinkMs = 530;

constexpr Colour kFace = 0xF0F0F0;
constexpr Colour kText = 0x000000;
constexpr Colour kFieldBorder = 0x7A7A7A;
constexpr Colour kFieldFace = 0xFFFFFF;
constexpr Colour kHighlight = 0xD77800;
constexpr Colour kHighlightText = 0xFFFFFF;
constexpr Colour kButtonFace = 0xE1E1E1;
constexpr Colour kButtonBorder = 0xADADAD;
constexpr Colour kPressedFace = 0xF7E4CC;
constexpr Colour kDefaultBorder = 0xD77800;

Font BoxFont(Colour colour) {
    Font font;
    font.name = "Arial";
    font.size = 9;
    font.colour = colour;
    return font;
}

// The length of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC0) {
        return 1;
    }
    if (lead < 0xE0) {
        return 2;
    }
    return lead < 0xF0 ? 3 : 4;
}

// The characters of a UTF-8 text that the game's code page can hold, in it. The others are
// dropped, and so are control characters: the field holds one line.
std::string AnsiCharacters(std::string_view utf8) {
    std::string result;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        const auto character = Utf8ToAnsi(utf8.substr(i, length));
        if (character && character->size() == 1) {
            const auto code = static_cast<unsigned char>((*character)[0]);
            if (code >= 0x20 && code != 0x7F) {
                result += *character;
            }
        }
        i += length;
    }
    return result;
}

// Games break their prompts with a carriage return, alone or before a line feed; a line feed
// alone counts too.
std::vector<std::string> SplitAtBreaks(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// Adds the line to `lines`, broken between words where it is wider than the box may be, and
// inside a word that is wider on its own.
void AddWrapped(const std::string& line, Canvas& measure, std::vector<std::string>& lines) {
    if (measure.TextWidth(line) <= kMaxPromptWidth) {
        lines.push_back(line);
        return;
    }
    std::string current;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t wordStart = std::min(line.find_first_not_of(' ', i), line.size());
        const std::size_t end = std::min(line.find(' ', wordStart), line.size());
        const std::string piece = line.substr(i, end - i);
        if (current.empty() || measure.TextWidth(current + piece) <= kMaxPromptWidth) {
            current += piece;
        } else {
            lines.push_back(current);
            current = line.substr(wordStart, end - wordStart);
        }
        while (current.size() > 1 && measure.TextWidth(current) > kMaxPromptWidth) {
            std::size_t fits = current.size() - 1;
            while (fits > 1 &&
                   measure.TextWidth(std::string_view(current).substr(0, fits)) > kMaxPromptWidth) {
                --fits;
            }
            lines.push_back(current.substr(0, fits));
            current.erase(0, fits);
        }
        i = end;
    }
    lines.push_back(current);
}

std::vector<std::string> WrappedLines(std::string_view prompt, Canvas& measure) {
    std::vector<std::string> lines;
    if (prompt.empty()) {
        return lines;
    }
    for (const std::string& line : SplitAtBreaks(prompt)) {
        AddWrapped(line, measure, lines);
    }
    return lines;
}

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
    measure->SetFont(BoxFont(kText));
    promptLines_ = WrappedLines(prompt, *measure);
    lineHeight_ = measure->TextHeight("Ag");

    int promptWidth = 0;
    for (const std::string& line : promptLines_) {
        promptWidth = std::max(promptWidth, measure->TextWidth(line));
    }
    const int promptHeight = static_cast<int>(promptLines_.size()) * lineHeight_;
    const int fieldY = kMargin + promptHeight + (promptLines_.empty() ? 0 : kGap);
    const int fieldHeight = lineHeight_ + 2 * kTextInset + 4;
    width_ = std::max(kMinWidth, promptWidth + 2 * kMargin);
    height_ = std::max(kMinHeight, fieldY + fieldHeight + kGap + kButtonHeight + kMargin);
    field_ = {kMargin, fieldY, width_ - 2 * kMargin, fieldHeight};
    cancel_ = {width_ - kMargin - kButtonWidth, height_ - kMargin - kButtonHeight, kButtonWidth,
               kButtonHeight};
    ok_ = {cancel_.x - kButtonSpacing - kButtonWidth, cancel_.y, kButtonWidth, kButtonHeight};

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
        const std::string typed = AnsiCharacters(event.text.text);
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
    Replace(AnsiCharacters(std::string_view(held).substr(0, held.find_first_of("\r\n"))));
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
    inside_->SetFont(BoxFont(kText));
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
    canvas_->Fill(kFace);
    canvas_->SetFont(BoxFont(kText));
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

    DrawButton(ok_, "OK", true, pressed_ == Button::Ok && pressedInside_);
    DrawButton(cancel_, "Cancel", false, pressed_ == Button::Cancel && pressedInside_);
    return canvas_->Pixels();
}

void InputBox::DrawField() {
    inside_->Fill(kFieldFace);
    const int x = kTextInset - scroll_;
    const int y = (inside_->Height() - lineHeight_) / 2;
    const std::size_t start = SelectionStart();
    const std::size_t end = SelectionEnd();
    const std::string_view text = text_;
    inside_->SetFont(BoxFont(kText));
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
        inside_->SetPen({kText, 1});
        inside_->Line(caretX, y, caretX, y + lineHeight_);
    }
}

void InputBox::DrawButton(const BoxArea& area, std::string_view label, bool isDefault,
                          bool pressed) {
    canvas_->SetPen({isDefault || pressed ? kDefaultBorder : kButtonBorder, 1});
    canvas_->SetBrush({pressed ? kPressedFace : kButtonFace, BrushStyle::Solid});
    canvas_->Rectangle(area.x, area.y, area.x + area.width, area.y + area.height);
    canvas_->SetFont(BoxFont(kText));
    canvas_->Text(area.x + (area.width - canvas_->TextWidth(label)) / 2,
                  area.y + (area.height - lineHeight_) / 2, label);
}

namespace {

struct WindowDeleter {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct RendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct TextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};

// Text input on for as long as the box is open, and as it was afterwards: the game's window
// may have it on already.
class TextInputWhileOpen {
public:
    explicit TextInputWhileOpen(const BoxArea& field) : wasActive_(SDL_IsTextInputActive()) {
        // Where an input method puts its window of candidates.
        SDL_Rect area{field.x, field.y, field.width, field.height};
        SDL_SetTextInputRect(&area);
        SDL_StartTextInput();
    }
    ~TextInputWhileOpen() {
        if (!wasActive_) {
            SDL_StopTextInput();
        }
    }
    TextInputWhileOpen(const TextInputWhileOpen&) = delete;
    TextInputWhileOpen& operator=(const TextInputWhileOpen&) = delete;

private:
    bool wasActive_;
};

// The window an event concerns, or none for events that concern no window.
std::optional<Uint32> WindowOf(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return std::nullopt;
    }
}

bool IsForBox(const SDL_Event& event, SDL_Window* box) {
    if (event.type == SDL_QUIT) {
        return true;
    }
    const std::optional<Uint32> window = WindowOf(event);
    if (!window) {
        return false;
    }
    if (*window == SDL_GetWindowID(box)) {
        return true;
    }
    // Typing that SDL tied to no window is the box's while no other window has the keyboard.
    const bool typed =
        event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return *window == 0 && typed && (focus == box || focus == nullptr);
}

// The box's top-left corner: centred over a shown parent, else on the parent's display.
std::pair<int, int> BoxPosition(SDL_Window* parent, int width, int height) {
    if (parent == nullptr) {
        return {SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED};
    }
    if ((SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN) == 0) {
        const int display = std::max(SDL_GetWindowDisplayIndex(parent), 0);
        return {SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display)};
    }
    int x = 0;
    int y = 0;
    int parentWidth = 0;
    int parentHeight = 0;
    SDL_GetWindowPosition(parent, &x, &y);
    SDL_GetWindowSize(parent, &parentWidth, &parentHeight);
    return {x + (parentWidth - width) / 2, y + (parentHeight - height) / 2};
}

std::optional<std::string> NoBox(std::string_view prompt, const char* reason) {
    std::string shown;
    for (const std::string& line : SplitAtBreaks(prompt)) {
        shown += (shown.empty() ? "" : "\n") + AnsiToUtf8(line);
    }
    std::cerr << shown << " (no input box: " << reason << "; answered Cancel)\n";
    return std::nullopt;
}

} // namespace

std::optional<std::string>
AskTextInWindow(SDL_Window* parent, const std::string& prompt, const std::string& value,
                const std::function<std::optional<SDL_Event>(int timeoutMs)>& nextEvent) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        return NoBox(prompt, "no display");
    }
    InputBox box(prompt, value);
    const auto [x, y] = BoxPosition(parent, box.Width(), box.Height());
    // Above the others, so that a game covering the whole desktop cannot hide it.
    const std::unique_ptr<SDL_Window, WindowDeleter> window(SDL_CreateWindow(
        "", x, y, box.Width(), box.Height(), SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP));
    if (!window) {
        return NoBox(prompt, SDL_GetError());
    }
    std::unique_ptr<SDL_Renderer, RendererDeleter> renderer(
        SDL_CreateRenderer(window.get(), -1, 0));
    if (!renderer) {
        renderer.reset(SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_SOFTWARE));
    }
    if (!renderer) {
        return NoBox(prompt, SDL_GetError());
    }
    const std::unique_ptr<SDL_Texture, TextureDeleter> texture(
        SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                          box.Width(), box.Height()));
    if (!texture) {
        return NoBox(prompt, SDL_GetError());
    }
    if (parent != nullptr) {
        SDL_SetWindowModalFor(window.get(), parent);
    }
    const TextInputWhileOpen textInput(box.Field());
    SDL_ShowWindow(window.get());
    SDL_RaiseWindow(window.get());
    SDL_SetWindowInputFocus(window.get());

    bool redraw = true;
    Uint64 nextBlink = SDL_GetTicks64() + kBlinkMs;
    while (box.Result() == InputBox::Outcome::Open) {
        if (redraw) {
            const Bitmap& pixels = box.Draw();
            SDL_UpdateTexture(texture.get(), nullptr, pixels.Pixels().data(),
                              pixels.Width() * static_cast<int>(sizeof(Pixel)));
            SDL_RenderClear(renderer.get());
            SDL_RenderCopy(renderer.get(), texture.get(), nullptr, nullptr);
            SDL_RenderPresent(renderer.get());
            redraw = false;
        }
        const Uint64 now = SDL_GetTicks64();
        if (now >= nextBlink) {
            box.Blink();
            nextBlink = now + kBlinkMs;
            redraw = true;
            continue;
        }
        const std::optional<SDL_Event> event = nextEvent(static_cast<int>(nextBlink - now));
        if (event && IsForBox(*event, window.get()) && box.Handle(*event)) {
            redraw = true;
            // The caret stays on while the player works in the box.
            nextBlink = SDL_GetTicks64() + kBlinkMs;
        }
    }
    if (parent != nullptr && (SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN) != 0) {
        SDL_RaiseWindow(parent);
    }
    return box.Answer();
}

} // namespace velkaro
