#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/Bitmap.h"
#include "platform/ScoreWindow.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

class Canvas;
class Pictures;

// The labels of one place of the table, in the window's pixels.
struct ScoreRowAreas {
    BoxArea rank;
    BoxArea name;
    // The score stands at the right of its area.
    BoxArea score;
};

// The high-score table: ten rows of rank, name and score in the game's score font, place 1 in
// the first colour and the others in the second, on the game's background picture or the
// boxes' face, and an OK button. A new entry gets a one-line name box over its name, with the
// keyboard. OK, Enter, Escape and closing the window all close the table keeping what was
// typed: the place is the player's either way, and the name is all there is to choose. It
// takes SDL's events and draws itself into a picture; the window around it is
// DesktopScoreWindow's.
class ScoreTableBox {
public:
    // `background`, when not empty, is stretched over the whole box.
    ScoreTableBox(const ScoreTableView& table, Bitmap background);
    ~ScoreTableBox();
    ScoreTableBox(const ScoreTableBox&) = delete;
    ScoreTableBox& operator=(const ScoreTableBox&) = delete;

    int Width() const;
    int Height() const;
    // Place 1 to 10.
    const ScoreRowAreas& Row(int place) const;
    // Over the new entry's name; none without a new entry.
    const std::optional<BoxArea>& NameBox() const { return nameBox_; }
    const BoxArea& OkButton() const { return ok_; }

    // Events of the box's window (and SDL_QUIT, which closes it). Answers whether the box looks
    // different since.
    bool Handle(const SDL_Event& event);
    // The caret's blink.
    void Blink();

    bool Closed() const { return closed_; }
    // The name box's text (Windows-1252) as typed so far; empty without a box.
    const std::string& Name() const { return name_; }
    std::size_t Caret() const { return caret_; }

    // The box as it looks now, valid until the next Draw.
    const Bitmap& Draw();

private:
    bool HandleKey(int key, bool repeated);
    bool HandleMouseDown(int x, int y);
    bool HandleMouseUp(int x, int y);
    void Insert(const std::string& text);
    void NameChanged();
    std::size_t PositionAt(int x) const;
    void DrawNameBox();

    ScoreTableView table_;
    Bitmap background_;
    std::unique_ptr<Canvas> canvas_;
    // The name box's inside, drawn apart so that a long name is cut off at its edges.
    std::unique_ptr<Canvas> inside_;
    std::array<ScoreRowAreas, kScorePlaces> rows_;
    std::optional<BoxArea> nameBox_;
    BoxArea ok_;
    int lineHeight_ = 0;

    std::string name_;
    std::size_t caret_ = 0;
    // The x of every caret position in the name, and how far it is scrolled to the left.
    std::vector<int> offsets_;
    int scroll_ = 0;
    bool caretShown_ = true;
    bool focused_ = true;
    bool okPressed_ = false;
    bool okPressedInside_ = false;
    bool closed_ = false;
};

// The high-score window: the table in a modal window over the game's, which its caller's event
// source keeps served meanwhile. Calls are made on the thread of the window's events.
class DesktopScoreWindow final : public ScoreWindow {
public:
    // `parent` is the game's window (null: none); `nextEvent` the caller's modal event source;
    // `pictures` loads the background picture.
    DesktopScoreWindow(SDL_Window* parent, ModalEventSource nextEvent, Pictures& pictures);

    // Without a display the table goes to standard error and the answer is empty.
    std::string ShowScoreTable(const ScoreTableView& table) override;

private:
    SDL_Window* parent_;
    ModalEventSource nextEvent_;
    Pictures& pictures_;
};

} // namespace velkaro
