#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/Bitmap.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

class Canvas;

// The sign beside a message's text.
enum class MessageIcon { None, Information, Error };

struct MessageButton {
    // Windows-1252.
    std::string label;
    // What the box answers when the button is chosen.
    int id = 0;
    // Enter chooses it while no other button has the focus; it has the focus at first.
    bool enter = false;
    // Escape and closing the box choose it.
    bool escape = false;
};

// The box of show_message, show_question and the error report: an optional sign, the text and
// a row of buttons at the bottom right. It lays itself out after its text, takes SDL's events
// and draws itself into a picture; the window around it is ShowMessageInWindow's. The text is
// Windows-1252, its lines broken by "\r", "\r\n" or "\n".
class MessageBox {
public:
    MessageBox(std::string_view text, MessageIcon icon, std::span<const MessageButton> buttons);
    ~MessageBox();
    MessageBox(const MessageBox&) = delete;
    MessageBox& operator=(const MessageBox&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // The text as drawn, one line after the other, in the area of the text.
    const std::vector<std::string>& Lines() const { return lines_; }
    const BoxArea& TextArea() const { return textArea_; }
    // Empty without a sign.
    const BoxArea& IconArea() const { return iconArea_; }
    // In the order given, left to right.
    const std::vector<BoxArea>& ButtonAreas() const { return buttonAreas_; }
    // The button that Space and Enter choose; none in a box without buttons.
    std::optional<std::size_t> Focus() const { return focus_; }

    // Events of the box's window (and SDL_QUIT, which closes it). Answers whether the box looks
    // different since.
    bool Handle(const SDL_Event& event);

    bool Closed() const { return closed_; }
    // The id of the button chosen; none while open or when closed without a choice.
    std::optional<int> Answer() const { return answer_; }

    // The box as it looks now, valid until the next Draw.
    const Bitmap& Draw();

private:
    bool HandleKey(int key, unsigned modifiers, bool repeated);
    bool HandleMouseDown(int x, int y);
    bool HandleMouseMotion(int x, int y);
    bool HandleMouseUp(int x, int y);
    // Closes the box as when its window is closed: with the Escape button when there is one.
    void Cancel();
    void Choose(std::size_t button);
    std::optional<std::size_t> ButtonAt(int x, int y) const;
    void DrawIcon();

    std::vector<MessageButton> buttons_;
    MessageIcon icon_;
    std::unique_ptr<Canvas> canvas_;
    std::vector<std::string> lines_;
    int lineHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    BoxArea textArea_;
    BoxArea iconArea_;
    std::vector<BoxArea> buttonAreas_;

    std::optional<std::size_t> focus_;
    std::optional<std::size_t> pressed_;
    bool pressedInside_ = false;
    bool closed_ = false;
    std::optional<int> answer_;
};

// Shows the message in a box of its own window, modal for `parent` (or on its own when that is
// null), titled with `title` (Windows-1252), and answers the id of the button the player
// chose; none when the box was closed without a choice. `nextEvent` is the caller's modal event
// source. Without a display "title: text" goes to standard error and the answer is none.
std::optional<int> ShowMessageInWindow(SDL_Window* parent, const std::string& title,
                                       const std::string& text, MessageIcon icon,
                                       std::span<const MessageButton> buttons,
                                       const ModalEventSource& nextEvent);

} // namespace velkaro
