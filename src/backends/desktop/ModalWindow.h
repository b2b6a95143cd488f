#pragma once

#include "base/Bitmap.h"
#include "platform/Canvas.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

// The caller's modal event source: waits up to timeoutMs for an event, serves every event that
// is not the box's own (the game window's repaints, the game thread's calls) and answers the
// rest, or none when the time ran out.
using ModalEventSource = std::function<std::optional<SDL_Event>(int timeoutMs)>;

// A part of a box, in its window's pixels.
struct BoxArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

// What the desktop's boxes have in common in their looks.
inline constexpr Colour kBoxFace = 0xF0F0F0;
inline constexpr Colour kBoxText = 0x000000;
inline constexpr int kBoxButtonWidth = 75;
inline constexpr int kBoxButtonHeight = 23;
inline constexpr int kBoxButtonSpacing = 6;

Font BoxFont(Colour colour = kBoxText);

// Games break their texts with a carriage return, alone or before a line feed; a line feed alone
// counts too.
std::vector<std::string> SplitAtBreaks(std::string_view text);

// The text's lines, each broken between words where it is wider than maxWidth in the canvas's
// font, and inside a word that is wider on its own. No lines for an empty text.
std::vector<std::string> WrappedLines(std::string_view text, Canvas& measure, int maxWidth);

// What a player typed that a one-line field can hold: the characters of the game's code page
// (Windows-1252), and no control characters.
std::string TypedLineCharacters(std::string_view utf8);

// SDL's text input on while a box's field is open, and as it was afterwards: the game's window
// may have it on already. `field` is where an input method puts its window of candidates.
class TextInputWhileOpen {
public:
    explicit TextInputWhileOpen(const BoxArea& field);
    ~TextInputWhileOpen();
    TextInputWhileOpen(const TextInputWhileOpen&) = delete;
    TextInputWhileOpen& operator=(const TextInputWhileOpen&) = delete;

private:
    bool wasActive_;
};

// A button's width for its label (Windows-1252) in the box's font: never below kBoxButtonWidth.
int BoxButtonWidth(Canvas& measure, std::string_view label);

struct ButtonLook {
    // Enter chooses it: a thicker border.
    bool isDefault = false;
    // Held down by the mouse.
    bool pressed = false;
    // Space chooses it: a dotted frame inside.
    bool focused = false;
};

void DrawBoxButton(Canvas& canvas, const BoxArea& area, std::string_view label, ButtonLook look);

// What a box's window shows and how the box takes the player's doings, for ModalWindow::Run.
struct ModalContent {
    // Whether the box is still open.
    std::function<bool()> open;
    // One of the box's events; answers whether the box looks different since.
    std::function<bool(const SDL_Event&)> handle;
    // The box as it looks now, as large as the window.
    std::function<const Bitmap&()> draw;
    // What the box does by itself every tickMs (a caret's blink), none when 0. Every event that
    // changed the box starts the wait anew.
    int tickMs = 0;
    std::function<void()> tick = {};
};

// Whether the player can change a box's size: a box that can must take the window's
// SDL_WINDOWEVENT_SIZE_CHANGED and draw itself at the new size.
enum class WindowSizing { Fixed, Resizable };

// The window of a box: above all others, so that a game covering the whole desktop cannot hide
// it, and modal for the game's window. It is drawn from the box's picture and gets its events
// from the caller's event source, so the game's window goes on being served while it is open;
// closed, it gives the game's window the front again.
//
// While it shows, it keeps the keyboard: whenever the game's window gets the focus (a window
// manager gave it, the player clicked it) or a click, the box comes back in front with the
// keyboard. A box that waits for a key would otherwise wait for ever, as the game's window drops
// the keys meant for it. Boxes shown over one another hand the keyboard back in turn.
class ModalWindow {
public:
    // A hidden window of width x height pixels, centred over a shown parent, else on the parent's
    // display (on the screen without a parent); title in UTF-8. None when SDL cannot make it, and
    // `error` says why.
    static std::unique_ptr<ModalWindow> Open(SDL_Window* parent, int width, int height,
                                             const std::string& title, std::string& error,
                                             WindowSizing sizing = WindowSizing::Fixed);
    ~ModalWindow();
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

    SDL_Window* Window() const;
    // Whether the event is the box's: its window's own, SDL_QUIT, and typing that SDL tied to
    // no window while no other window has the keyboard.
    bool Owns(const SDL_Event& event) const;
    // The picture fills the window; one of another size than the last one is taken as well.
    void Present(const Bitmap& picture);
    // Shows the window in front and gives it the keyboard; from now on until it closes, its
    // parent hands the keyboard on to it.
    void ShowAbove();
    // Shows the window with the keyboard focus and hands the box its events until it closes.
    void Run(const ModalContent& content, const ModalEventSource& nextEvent);

    // A loop that runs a shown box passes it every event it gets: the box takes the keyboard once
    // its window is on the screen (X11 refuses the focus to a window that is not), and back
    // whenever its parent gets it or a click.
    void KeepKeyboard(const SDL_Event& event);
    // The same for the events of `parent` that the parent's own loop takes, while a box shows
    // over it; nothing when none does.
    static void KeepKeyboardOver(SDL_Window* parent, const SDL_Event& event);

private:
    struct SdlParts;

    ModalWindow(SDL_Window* parent, std::unique_ptr<SdlParts> sdl);
    // In front, with the keyboard as soon as the window can take it.
    void TakeKeyboard();
    // Whether the event asks the box to take the keyboard back from its parent.
    bool ParentGaveUp(const SDL_Event& event) const;

    SDL_Window* parent_;
    std::unique_ptr<SdlParts> sdl_;
    // Whether the parent hands the keyboard on to this box, and the box it handed it to before
    // (a box under this one), which gets it back when this one closes.
    bool aboveParent_ = false;
    ModalWindow* below_ = nullptr;
    // Whether the window is on the screen, and whether it is to take the keyboard once it is.
    bool onScreen_ = false;
    bool wantsKeyboard_ = false;
};

} // namespace velkaro
