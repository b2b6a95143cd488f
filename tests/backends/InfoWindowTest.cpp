#include "backends/desktop/InfoWindow.h"
#include "support/SdlEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace velkaro {
namespace {

using namespace test;

constexpr Colour kRed = 0x0000FF;

TextStyle Bold() {
    TextStyle style;
    style.bold = true;
    return style;
}

TextStyle Red() {
    TextStyle style;
    style.colour = kRed;
    return style;
}

TextParagraph Paragraph(const std::string& text, TextStyle style = {},
                        Alignment alignment = Alignment::Left) {
    TextParagraph paragraph;
    paragraph.runs.push_back({text, style});
    paragraph.alignment = alignment;
    paragraph.endStyle = style;
    return paragraph;
}

RichDocument OneParagraph(const TextParagraph& paragraph) {
    RichDocument document;
    document.blocks.push_back(paragraph);
    return document;
}

// Many black lines, and a last one in red.
RichDocument LongHelp(int lines) {
    RichDocument document;
    for (int i = 1; i < lines; ++i) {
        document.blocks.push_back(Paragraph("Line " + std::to_string(i)));
    }
    document.blocks.push_back(Paragraph("The end", Red()));
    return document;
}

bool Reddish(Pixel p) {
    return (p >> 16 & 0xFF) > 160 && (p >> 8 & 0xFF) < 100 && (p & 0xFF) < 100;
}

bool Dark(Pixel p) {
    return (p >> 16 & 0xFF) < 100 && (p >> 8 & 0xFF) < 100 && (p & 0xFF) < 100;
}

// How many pixels of the area pass, and the leftmost and rightmost column of those.
struct Ink {
    int count = 0;
    int left = 1 << 30;
    int right = -1;
};

Ink InkIn(const Bitmap& picture, const BoxArea& area, bool (*test)(Pixel)) {
    Ink ink;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            if (test(picture.At(x, y))) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
        }
    }
    return ink;
}

SDL_Event Wheel(int notches, bool flipped = false) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return event;
}

SDL_Event Resized(int width, int height) {
    SDL_Event event = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
    event.window.data1 = width;
    event.window.data2 = height;
    return event;
}

int DarkInkOf(const TextParagraph& paragraph) {
    RichTextView view(OneParagraph(paragraph));
    const int height = view.Layout(200);
    Bitmap picture(200, height);
    view.Draw(picture, {0, 0, 200, height}, 0, 0xFFFFFF);
    return InkIn(picture, BoxArea{0, 0, 200, height}, Dark).count;
}

TEST(RichTextView, StylesAlignmentAndWrappingShowInThePicture) {
    EXPECT_GT(DarkInkOf(Paragraph("Word", Bold())), DarkInkOf(Paragraph("Word")) * 5 / 4)
        << "bold has more ink";
    TextParagraph large;
    large.endStyle.halfPoints = 48;
    EXPECT_GT(RichTextView(OneParagraph(large)).Layout(100),
              RichTextView(OneParagraph({})).Layout(100) * 3 / 2)
        << "an empty paragraph is as high as its size";

    RichDocument document;
    TextParagraph words = Paragraph("Word ");
    words.runs.push_back({"Word ", Bold()});
    words.runs.push_back({"Word", Red()});
    document.blocks.push_back(words);
    document.blocks.push_back(Paragraph("Centred", {}, Alignment::Centre));
    document.blocks.push_back(Paragraph("Right", {}, Alignment::Right));
    RichTextView view(document, 5);
    const int height = view.Layout(400);
    EXPECT_GT(height, 3 * 14);

    Bitmap picture(400, height, 0);
    view.Draw(picture, {0, 0, 400, height}, 0, 0xFFFFFF);
    // Three lines of the same height between the margins.
    const int line = (height - 10) / 3;
    const auto lineArea = [&](int i) { return BoxArea{0, 5 + i * line, 400, line}; };
    const Ink black = InkIn(picture, lineArea(0), Dark);
    const Ink red = InkIn(picture, lineArea(0), Reddish);
    EXPECT_GT(black.count, 40);
    EXPECT_GT(red.count, 20) << "the red word";
    EXPECT_GT(red.left, black.right) << "after the black words";
    EXPECT_EQ(InkIn(picture, BoxArea{0, 5 + line, 400, 2 * line}, Reddish).count, 0);

    const Ink centred = InkIn(picture, lineArea(1), Dark);
    EXPECT_NEAR((centred.left + centred.right) / 2, 200, 6);
    const Ink right = InkIn(picture, lineArea(2), Dark);
    EXPECT_GT(right.right, 400 - 5 - 4) << "ends at the right margin";
    EXPECT_LT(right.right, 400 - 5);

    // Only the area changes, drawn from the scrolled position.
    Bitmap framed(400, height, 0xFF00FF00u);
    view.Draw(framed, {10, 10, 300, 20}, 5 + line, 0xFFFFFF);
    EXPECT_EQ(framed.At(9, 9), 0xFF00FF00u);
    EXPECT_EQ(framed.At(310, 30), 0xFF00FF00u);
    EXPECT_EQ(InkIn(framed, BoxArea{10, 10, 300, 20}, Reddish).count, 0) << "scrolled past it";

    EXPECT_GT(view.Layout(60), height) << "narrower, the lines wrap";
}

TEST(GameInfoBox, KeysAndTheWheelScrollAndStopAtTheEnds) {
    GameInfoBox box(LongHelp(200), 600, 400);
    ASSERT_GT(box.MaxScroll(), 5 * 400);
    EXPECT_EQ(box.Scroll(), 0);
    EXPECT_FALSE(box.Handle(KeyEvent(SDLK_UP))) << "already at the top";
    EXPECT_FALSE(box.Handle(Wheel(1)));

    EXPECT_TRUE(box.Handle(KeyEvent(SDLK_DOWN)));
    const int line = box.Scroll();
    EXPECT_GT(line, 8);
    EXPECT_LT(line, 40);
    box.Handle(KeyEvent(SDLK_DOWN, KMOD_NONE, 0, true));
    EXPECT_EQ(box.Scroll(), 2 * line) << "a held key goes on scrolling";
    box.Handle(KeyEvent(SDLK_UP));
    EXPECT_EQ(box.Scroll(), line);

    box.Handle(KeyEvent(SDLK_PAGEDOWN));
    const int page = box.Scroll() - line;
    EXPECT_GT(page, box.TextArea().height / 2);
    EXPECT_LE(page, box.TextArea().height);
    box.Handle(KeyEvent(SDLK_PAGEUP));
    EXPECT_EQ(box.Scroll(), line);

    box.Handle(Wheel(-1));
    EXPECT_EQ(box.Scroll(), 4 * line) << "three lines a notch";
    box.Handle(Wheel(-1, true));
    EXPECT_EQ(box.Scroll(), line) << "a flipped wheel";

    EXPECT_TRUE(box.Handle(KeyEvent(SDLK_END)));
    EXPECT_EQ(box.Scroll(), box.MaxScroll());
    EXPECT_EQ(box.MaxScroll(), box.TextHeight() - box.TextArea().height);
    EXPECT_FALSE(box.Handle(KeyEvent(SDLK_DOWN)));
    EXPECT_FALSE(box.Handle(KeyEvent(SDLK_PAGEDOWN)));
    EXPECT_FALSE(box.Handle(Wheel(-5)));
    box.Handle(KeyEvent(SDLK_HOME));
    EXPECT_EQ(box.Scroll(), 0);

    const GameInfoBox shortHelp(LongHelp(3), 600, 400);
    EXPECT_EQ(shortHelp.MaxScroll(), 0);
    EXPECT_FALSE(shortHelp.Thumb());
}

// Help files are often long: every way down reaches their last line.
TEST(GameInfoBox, TheLastLineComesIntoSight) {
    GameInfoBox box(LongHelp(300), 600, 400);
    EXPECT_EQ(InkIn(box.Draw(), box.TextArea(), Reddish).count, 0);
    box.Handle(KeyEvent(SDLK_END));
    const Ink end = InkIn(box.Draw(), box.TextArea(), Reddish);
    EXPECT_GT(end.count, 20);

    box.Handle(KeyEvent(SDLK_HOME));
    while (box.Handle(KeyEvent(SDLK_PAGEDOWN))) {
    }
    EXPECT_EQ(InkIn(box.Draw(), box.TextArea(), Reddish).count, end.count);

    // At another size the text is laid out again and still ends in sight.
    EXPECT_TRUE(box.Handle(Resized(250, 150)));
    box.Handle(KeyEvent(SDLK_END));
    const Bitmap& small = box.Draw();
    EXPECT_EQ(small.Width(), 250);
    EXPECT_EQ(small.Height(), 150);
    EXPECT_GT(InkIn(small, box.TextArea(), Reddish).count, 20);
    box.Handle(Resized(600, 500));
    EXPECT_EQ(box.Scroll(), box.MaxScroll()) << "taller, no scrolling past the end";
    EXPECT_GT(InkIn(box.Draw(), box.TextArea(), Reddish).count, 20);
}

TEST(GameInfoBox, TheScrollBarDragsAndPages) {
    GameInfoBox box(LongHelp(200), 600, 400);
    const BoxArea track = box.ScrollTrack();
    EXPECT_EQ(track.x + track.width, 600);
    ASSERT_TRUE(box.Thumb());
    const BoxArea thumb = *box.Thumb();
    EXPECT_EQ(thumb.y, track.y);
    const int x = track.x + track.width / 2;
    EXPECT_GE(thumb.height, 20);

    EXPECT_TRUE(box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, track.y + track.height - 5)));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, x, track.y + track.height - 5));
    const int page = box.Scroll();
    EXPECT_GT(page, 100) << "a click below the thumb pages down";
    EXPECT_GT(box.Thumb()->y, thumb.y);
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, track.y + 1));
    EXPECT_EQ(box.Scroll(), 0) << "above it, up";

    // Dragged by its middle to the bottom and beyond: the end.
    const int grip = thumb.y + thumb.height / 2;
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, grip));
    EXPECT_EQ(box.Scroll(), 0) << "holding the thumb scrolls nothing";
    box.Handle(MouseEvent(SDL_MOUSEMOTION, x - 200, grip + 100));
    const int dragged = box.Scroll();
    EXPECT_GT(dragged, 0) << "wherever the mouse is sideways";
    EXPECT_NEAR(box.Thumb()->y, thumb.y + 100, 1);
    box.Handle(MouseEvent(SDL_MOUSEMOTION, x, track.y + track.height + 50));
    EXPECT_EQ(box.Scroll(), box.MaxScroll());
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, x, track.y + track.height + 50));
    box.Handle(MouseEvent(SDL_MOUSEMOTION, x, grip));
    EXPECT_EQ(box.Scroll(), box.MaxScroll()) << "let go, the mouse moves it no more";

    EXPECT_FALSE(box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, 100, 100))) << "the text takes none";
}

TEST(GameInfoBox, EscapeOrClosingTheWindowClosesIt) {
    const SDL_Event quit{SDL_QUIT};
    for (const SDL_Event& event :
         {KeyEvent(SDLK_ESCAPE), WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}) {
        GameInfoBox box(LongHelp(5), 600, 400);
        EXPECT_FALSE(box.Closed());
        EXPECT_TRUE(box.Handle(event));
        EXPECT_TRUE(box.Closed());
    }
    GameInfoBox held(LongHelp(5), 600, 400);
    held.Handle(KeyEvent(SDLK_ESCAPE, KMOD_NONE, 0, true));
    EXPECT_FALSE(held.Closed()) << "Escape held down since the game";
}

// On SDL's dummy video driver, with events made by the test as the player's loop would hand them.
TEST(GameInfoWindow, OpensSizeableWithItsCaptionAndTakesANewSize) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_VideoInit("dummy") != 0) {
        GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
    }
    SDL_Window* game = SDL_CreateWindow("Game", 100, 100, 640, 480, SDL_WINDOW_SHOWN);
    ASSERT_NE(game, nullptr) << SDL_GetError();
    const Uint32 gameId = SDL_GetWindowID(game);
    // SDL numbers its windows in the order they open.
    const auto infoWindow = [gameId]() -> SDL_Window* {
        for (Uint32 id = gameId + 1; id < gameId + 10; ++id) {
            if (SDL_Window* window = SDL_GetWindowFromID(id)) {
                return window;
            }
        }
        return nullptr;
    };
    std::deque<std::function<SDL_Event(Uint32)>> script = {
        [](Uint32 box) { return KeyEvent(SDLK_END, KMOD_NONE, box); },
        [](Uint32 box) {
            SDL_Event event = Resized(300, 200);
            event.window.windowID = box;
            return event;
        },
        [&](Uint32) { return KeyEvent(SDLK_ESCAPE, KMOD_NONE, gameId); },
        [](Uint32 box) { return KeyEvent(SDLK_ESCAPE, KMOD_NONE, box); },
    };
    std::string title;
    Uint32 flags = 0;
    SDL_Rect shown{};
    ShowGameInformation(game, "Help for Caf\xe9", "{\\rtf1 {\\b Rules}\\par Run.\\par}",
                        [&](int) -> std::optional<SDL_Event> {
                            SDL_Window* box = infoWindow();
                            if (box == nullptr || script.empty()) {
                                ADD_FAILURE() << "no window, or it stays open after its events";
                                return SDL_Event{SDL_QUIT};
                            }
                            title = SDL_GetWindowTitle(box);
                            flags = SDL_GetWindowFlags(box);
                            SDL_GetWindowSize(box, &shown.w, &shown.h);
                            const SDL_Event event = script.front()(SDL_GetWindowID(box));
                            script.pop_front();
                            return event;
                        });
    EXPECT_TRUE(script.empty()) << "closed early: the game's Escape is not the window's";
    EXPECT_EQ(title, "Help for Caf\xc3\xa9");
    EXPECT_NE(flags & SDL_WINDOW_RESIZABLE, 0u);
    EXPECT_EQ(shown.w, 600);
    EXPECT_EQ(shown.h, 400);
    EXPECT_EQ(infoWindow(), nullptr) << "the window is gone";

    SDL_DestroyWindow(game);
    SDL_VideoQuit();
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

} // namespace
} // namespace velkaro
