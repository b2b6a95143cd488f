#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/Bitmap.h"
#include "codecs/RichText.h"

#include <memory>

namespace velkaro {

// A rich document laid out in lines of a given width and drawn a slice at a time, for the text
// of the game information window and of the text screens. Font sizes are points at 96 dots per
// inch; runs that name no font are in Arial. Every length is in pixels. Pictures stand in their
// lines at the size the document gives them. Table rows take the cell widths the document
// gives, whatever the view's width: a table wider than the view is cut off at its edge, as
// the document's own sizes matter more to a game's help than seeing every column.
class RichTextView {
public:
    // `margin` is kept free of text on every side of the view.
    explicit RichTextView(const RichDocument& document, int margin = 0);
    ~RichTextView();
    RichTextView(const RichTextView&) = delete;
    RichTextView& operator=(const RichTextView&) = delete;

    // Breaks the lines for a view `width` wide; answers the height of the whole text, margins
    // included.
    int Layout(int width);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The height of a line of 12-point text: how far scrolling by a line goes.
    int LineStep() const { return lineStep_; }

    // Fills `area` of `target` with `background` and draws the text in it as laid out, from
    // `scrollTop` down the text (which starts with its top margin). Nothing outside the area
    // changes.
    void Draw(Bitmap& target, const BoxArea& area, int scrollTop, Colour background) const;

private:
    struct Pango;

    std::unique_ptr<Pango> pango_;
    int margin_;
    int width_ = 0;
    int height_ = 0;
    int lineStep_ = 0;
};

} // namespace velkaro
