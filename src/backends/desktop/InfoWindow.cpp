#include "backends/desktop/InfoWindow.h"

#include "base/AnsiText.h"

#include <SDL.h>

#include <algorithm>
#include <iostream>

namespace velkaro {
namespace {

constexpr int kStartWidth = 600;
constexpr int kStartHeight = 400;
// Between the window's edges and the text.
constexpr int kTextMargin = 6;
constexpr int kBarWidth = 17;
constexpr int kLeastThumb = 20;
// Lines a notch of the mouse wheel scrolls.
constexpr int kWheelLines = 3;

constexpr Colour kPage = 0xFFFFFF;
constexpr Colour kTrack = 0xF0F0F0;
constexpr Colour kThumb = 0xCDCDCD;
constexpr Colour kThumbHeld = 0x606060;

// A help file of plain text is shown in the window's own font.
TextStyle PlainStyle() {
    return {.font = "Arial", .halfPoints = 20};
}

void FillArea(Bitmap& picture, const BoxArea& area, Colour colour) {
    const Pixel pixel = PixelFromColour(colour);
    for (int y = std::max(area.y, 0); y < std::min(area.y + area.height, picture.Height()); ++y) {
        Pixel* row = picture.Row(y);
        std::fill(row + std::max(area.x, 0), row + std::min(area.x + area.width, picture.Width()),
                  pixel);
    }
}

} // namespace

GameInfoBox::GameInfoBox(const RichDocument& document, int width, int height)
    : view_(document, kTextMargin) {
    Resize(width, height);
}

std::optional<BoxArea> GameInfoBox::Thumb() const {
    const int range = MaxScroll();
    if (range == 0) {
        return std::nullopt;
    }
    const int length = std::clamp(track_.height * textArea_.height / std::max(view_.Height(), 1),
                                  std::min(kLeastThumb, track_.height), track_.height);
    const int travel = track_.height - length;
    const int top = track_.y + static_cast<int>(static_cast<long long>(travel) * scroll_ / range);
    return BoxArea{track_.x, top, track_.width, length};
}

int GameInfoBox::MaxScroll() const {
    return std::max(view_.Height() - textArea_.height, 0);
}

bool GameInfoBox::Handle(const SDL_Event& event) {
    if (closed_) {
        return false;
    }
    switch (event.type) {
    case SDL_QUIT:
        closed_ = true;
        return true;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            closed_ = true;
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            Resize(event.window.data1, event.window.data2);
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            grip_.reset();
            return true;
        default:
            return false;
        }
    case SDL_KEYDOWN:
        return HandleKey(event.key.keysym.sym, event.key.repeat != 0);
    case SDL_MOUSEWHEEL: {
        const int notches =
            event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        return ScrollTo(scroll_ - notches * kWheelLines * view_.LineStep());
    }
    case SDL_MOUSEBUTTONDOWN:
        return event.button.button == SDL_BUTTON_LEFT &&
               HandleMouseDown(event.button.x, event.button.y);
    case SDL_MOUSEMOTION:
        return HandleMouseMotion(event.motion.y);
    case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT || !grip_) {
            return false;
        }
        grip_.reset();
        return true;
    default:
        return false;
    }
}

bool GameInfoBox::HandleKey(int key, bool repeated) {
    switch (key) {
    case SDLK_ESCAPE:
        // Escape still held from the game, before the window opened, repeats: it closes nothing.
        closed_ = !repeated;
        return closed_;
    case SDLK_UP:
        return ScrollTo(scroll_ - view_.LineStep());
    case SDLK_DOWN:
        return ScrollTo(scroll_ + view_.LineStep());
    case SDLK_PAGEUP:
        return ScrollTo(scroll_ - PageStep());
    case SDLK_PAGEDOWN:
        return ScrollTo(scroll_ + PageStep());
    case SDLK_HOME:
        return ScrollTo(0);
    case SDLK_END:
        return ScrollTo(MaxScroll());
    default:
        return false;
    }
}

bool GameInfoBox::HandleMouseDown(int x, int y) {
    const std::optional<BoxArea> thumb = Thumb();
    if (!thumb || !track_.Contains(x, y)) {
        return false;
    }
    if (thumb->Contains(x, y)) {
        grip_ = y - thumb->y;
        return true;
    }
    // The track above or below the thumb: a page that way.
    return ScrollTo(scroll_ + (y < thumb->y ? -PageStep() : PageStep()));
}

bool GameInfoBox::HandleMouseMotion(int y) {
    const std::optional<BoxArea> thumb = Thumb();
    if (!grip_ || !thumb) {
        return false;
    }
    const int travel = track_.height - thumb->height;
    if (travel <= 0) {
        return false;
    }
    const long long thumbTop = std::clamp(y - *grip_ - track_.y, 0, travel);
    return ScrollTo(static_cast<int>(thumbTop * MaxScroll() / travel));
}

bool GameInfoBox::ScrollTo(int scroll) {
    const int before = scroll_;
    scroll_ = std::clamp(scroll, 0, MaxScroll());
    return scroll_ != before;
}

int GameInfoBox::PageStep() const {
    // A line of the last page stays in sight.
    return std::max(textArea_.height - view_.LineStep(), view_.LineStep());
}

void GameInfoBox::Resize(int width, int height) {
    width_ = std::max(width, kBarWidth + 1);
    height_ = std::max(height, 1);
    textArea_ = {0, 0, width_ - kBarWidth, height_};
    track_ = {width_ - kBarWidth, 0, kBarWidth, height_};
    view_.Layout(textArea_.width);
    ScrollTo(scroll_);
    picture_ = Bitmap(width_, height_);
}

const Bitmap& GameInfoBox::Draw() {
    view_.Draw(picture_, textArea_, scroll_, kPage);
    FillArea(picture_, track_, kTrack);
    if (const std::optional<BoxArea> thumb = Thumb()) {
        // Narrower than the track, as the bars of the desktop draw it.
        FillArea(picture_, {thumb->x + 2, thumb->y, thumb->width - 4, thumb->height},
                 grip_ ? kThumbHeld : kThumb);
    }
    return picture_;
}

void ShowGameInformation(SDL_Window* parent, const std::string& captionWindows1252,
                         const std::string& fileText, const ModalEventSource& nextEvent) {
    if (SDL_GetCurrentVideoDriver() == nullptr) {
        return;
    }
    GameInfoBox box(ReadTextDocument(fileText, PlainStyle()), kStartWidth, kStartHeight);
    std::string error;
    const auto window =
        ModalWindow::Open(parent, box.Width(), box.Height(), AnsiToUtf8(captionWindows1252), error,
                          WindowSizing::Resizable);
    if (!window) {
        std::cerr << "(no game information window: " << error << ")\n";
        return;
    }
    window->Run({.open = [&] { return !box.Closed(); },
                 .handle = [&](const SDL_Event& event) { return box.Handle(event); },
                 .draw = [&]() -> const Bitmap& { return box.Draw(); }},
                nextEvent);
}

} // namespace velkaro
