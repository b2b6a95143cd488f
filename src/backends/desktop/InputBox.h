#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/Bitmap.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

class Canvas;

// Where Ctrl+C and Ctrl+V of the input box go. Texts in UTF-8, as the desktop holds them.
struct ClipboardAccess {
    std::function<std::string()> read;
    std::function<void(const std::string&)> write;
};

// SDL's clipboard: nothing to read and nowhere to write without a display.
ClipboardAccess DesktopClipboard();

// The small modal box get_integer and get_string open: the prompt, a one-line field holding the
// default value (all of it selected at first) and the buttons OK and Cancel. It lays itself out
// after the prompt, keeps the field's editing state, takes SDL's events and draws itself into a
// picture; the window around it is AskTextInWindow's. Texts are Windows-1252.
class InputBox {
public:
    enum class Outcome { Open, Ok, Cancel };

    InputBox(std::string_view prompt, std::string value,
             ClipboardAccess clipboard = DesktopClipboard());
    ~InputBox();
    InputBox(const InputBox&) = delete;
    InputBox& operator=(const InputBox&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    const BoxArea& Field() const { return field_; }
    const BoxArea& OkButton() const { return ok_; }
    const BoxArea& CancelButton() const { return cancel_; }
    // The prompt as drawn, one line after the other.
    const std::vector<std::string>& PromptLines() const { return promptLines_; }

    // Events of the box's window (and SDL_QUIT, which cancels it). Answers whether the box
    // looks different since.
    bool Handle(const SDL_Event& event);
    // The caret's blink: shown, then hidden, then shown. Any editing shows it again.
    void Blink();

    Outcome Result() const { return outcome_; }
    // The field's text once OK was chosen; none while open or when cancelled.
    std::optional<std::string> Answer() const;

    const std::string& Text() const { return text_; }
    std::size_t Caret() const { return caret_; }
    std::string Selected() const;

    // The box as it looks now, valid until the next Draw.
    const Bitmap& Draw();

private:
    enum class Button { None, Ok, Cancel };

    bool HandleKey(int key, unsigned modifiers, bool repeated);
    bool HandleMouseDown(int x, int y, unsigned modifiers);
    bool HandleMouseMotion(int x, int y);
    bool HandleMouseUp(int x, int y);

    std::size_t SelectionStart() const;
    std::size_t SelectionEnd() const;
    void MoveCaret(std::size_t position, bool extend);
    void Replace(std::string_view with);
    bool EraseSelection();
    void CopySelection() const;
    void Paste();
    // Caret position nearest to the window's x.
    std::size_t PositionAt(int x) const;
    void TextChanged();
    void ScrollToCaret();

    void DrawField();

    ClipboardAccess clipboard_;
    std::unique_ptr<Canvas> canvas_;
    // The field's inside, drawn apart so that scrolled text is cut off at its edges.
    std::unique_ptr<Canvas> inside_;
    std::vector<std::string> promptLines_;
    int lineHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    BoxArea field_;
    BoxArea ok_;
    BoxArea cancel_;

    std::string text_;
    // The selection runs from the anchor to the caret, either way round.
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    // The x of every caret position in the unscrolled text.
    std::vector<int> offsets_;
    int scroll_ = 0;
    bool caretShown_ = true;
    bool focused_ = true;
    bool selecting_ = false;
    Button pressed_ = Button::None;
    bool pressedInside_ = false;
    Outcome outcome_ = Outcome::Open;
};

// Asks for a text in an input box of its own window, modal for `parent` (or on its own when
// that is null), and answers it when the player chooses OK, none for Cancel. `nextEvent` is the
// caller's modal event source. Without a display the answer is none and the prompt goes to
// standard error.
std::optional<std::string> AskTextInWindow(SDL_Window* parent, const std::string& prompt,
                                           const std::string& value,
                                           const ModalEventSource& nextEvent);

} // namespace velkaro
