#pragma once

#include "backends/desktop/ModalWindow.h"
#include "backends/desktop/RichTextView.h"
#include "base/Bitmap.h"
#include "codecs/RichText.h"

#include <optional>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

// The game information: the game's help text, read-only on white, in a window the player can
// size, with a scroll bar at the right. It lays its text out for its size, takes SDL's events
// and draws itself into a picture; the window around it is ShowGameInformation's.
class GameInfoBox {
public:
    GameInfoBox(const RichDocument& document, int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const BoxArea& TextArea() const { return textArea_; }
    const BoxArea& ScrollTrack() const { return track_; }
    // None while the whole text fits.
    std::optional<BoxArea> Thumb() const;

    // How far down the text its top is shown, from 0 to MaxScroll().
    int Scroll() const { return scroll_; }
    int MaxScroll() const;
    // The height of the whole text as laid out for the present width.
    int TextHeight() const { return view_.Height(); }

    // Events of the box's window (and SDL_QUIT, which closes it). Answers whether the box looks
    // different since.
    bool Handle(const SDL_Event& event);
    // Lays the text out again for the window's new size.
    void Resize(int width, int height);
    bool Closed() const { return closed_; }

    // The box as it looks now, valid until the next Draw or Resize.
    const Bitmap& Draw();

private:
    bool HandleKey(int key, bool repeated);
    bool HandleMouseDown(int x, int y);
    bool HandleMouseMotion(int y);
    // Answers whether the text moved.
    bool ScrollTo(int scroll);
    int PageStep() const;

    RichTextView view_;
    int width_ = 0;
    int height_ = 0;
    BoxArea textArea_;
    BoxArea track_;
    int scroll_ = 0;
    // Where the mouse holds the thumb, from its top, while it drags it.
    std::optional<int> grip_;
    bool closed_ = false;
    Bitmap picture_;
};

// Shows the game information in a window of its own, modal for `parent` (or on its own when that
// is null), until the player closes it. `fileText` is the game's help file as stored, rich text
// or plain Windows-1252 text; `captionWindows1252` its title. `nextEvent` is the caller's modal
// event source. Without a display nothing is shown.
void ShowGameInformation(SDL_Window* parent, const std::string& captionWindows1252,
                         const std::string& fileText, const ModalEventSource& nextEvent);

} // namespace velkaro
