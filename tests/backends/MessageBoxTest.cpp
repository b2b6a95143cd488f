#include "backends/desktop/MessageBox.h"
#include "support/SdlEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using namespace test;

enum : int { kYes = 6, kNo = 7, kOk = 1 };

const std::array<MessageButton, 2> kQuestion = {{
    {"Yes", kYes, true, false},
    {"No", kNo, false, true},
}};
// A box with no way out but its button.
const std::array<MessageButton, 1> kOnlyOk = {{{"OK", kOk, true, false}}};

TEST(MessageBox, EnterEscapeAndTheFocusedButtonChoose) {
    MessageBox enter("Go on?", MessageIcon::Information, kQuestion);
    EXPECT_EQ(enter.Focus(), 0u) << "the Enter button has the focus at first";
    enter.Handle(KeyEvent(SDLK_RETURN));
    EXPECT_TRUE(enter.Closed());
    EXPECT_EQ(enter.Answer(), kYes);
    EXPECT_FALSE(enter.Handle(KeyEvent(SDLK_ESCAPE))) << "a closed box takes nothing more";
    EXPECT_EQ(enter.Answer(), kYes);

    const std::array<MessageButton, 2> enterLast = {
        {{"No", kNo, false, true}, {"Yes", kYes, true}}};
    MessageBox last("Go on?", MessageIcon::None, enterLast);
    EXPECT_EQ(last.Focus(), 1u);
    last.Handle(KeyEvent(SDLK_RETURN));
    EXPECT_EQ(last.Answer(), kYes) << "wherever the Enter button stands";

    MessageBox escape("Go on?", MessageIcon::None, kQuestion);
    escape.Handle(KeyEvent(SDLK_ESCAPE));
    EXPECT_EQ(escape.Answer(), kNo);

    // The focus goes round the row; Enter and Space choose where it is.
    MessageBox moved("Go on?", MessageIcon::None, kQuestion);
    moved.Handle(KeyEvent(SDLK_TAB));
    EXPECT_EQ(moved.Focus(), 1u);
    moved.Handle(KeyEvent(SDLK_TAB));
    EXPECT_EQ(moved.Focus(), 0u);
    moved.Handle(KeyEvent(SDLK_TAB, KMOD_LSHIFT));
    EXPECT_EQ(moved.Focus(), 1u);
    moved.Handle(KeyEvent(SDLK_RIGHT));
    moved.Handle(KeyEvent(SDLK_LEFT));
    EXPECT_EQ(moved.Focus(), 1u);
    EXPECT_FALSE(moved.Closed());
    moved.Handle(KeyEvent(SDLK_KP_ENTER));
    EXPECT_EQ(moved.Answer(), kNo) << "Enter chooses the focused button, not the default";

    MessageBox space("Go on?", MessageIcon::None, kQuestion);
    space.Handle(KeyEvent(SDLK_LEFT));
    space.Handle(KeyEvent(SDLK_SPACE));
    EXPECT_EQ(space.Answer(), kNo);

    // Keys held down since before the box opened repeat: they choose nothing.
    MessageBox held("Go on?", MessageIcon::None, kQuestion);
    for (const SDL_Keycode key : {SDLK_RETURN, SDLK_ESCAPE, SDLK_SPACE}) {
        held.Handle(KeyEvent(key, KMOD_NONE, 0, true));
    }
    EXPECT_FALSE(held.Closed());
    held.Handle(KeyEvent(SDLK_RETURN));
    EXPECT_EQ(held.Answer(), kYes);
}

// Closing the box is its Escape button where it has one; otherwise it is no choice at all.
TEST(MessageBox, ClosingChoosesTheEscapeButtonOrNothing) {
    const SDL_Event quit{SDL_QUIT};
    for (const SDL_Event& event : {WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}) {
        MessageBox question("Go on?", MessageIcon::None, kQuestion);
        question.Handle(event);
        EXPECT_TRUE(question.Closed());
        EXPECT_EQ(question.Answer(), kNo);

        MessageBox message("Done.", MessageIcon::None, kOnlyOk);
        message.Handle(event);
        EXPECT_TRUE(message.Closed());
        EXPECT_EQ(message.Answer(), std::nullopt);
    }
    MessageBox message("Done.", MessageIcon::None, kOnlyOk);
    message.Handle(KeyEvent(SDLK_ESCAPE));
    EXPECT_FALSE(message.Closed()) << "Escape needs a button to choose";
    message.Handle(KeyEvent(SDLK_TAB));
    EXPECT_EQ(message.Focus(), 0u);
}

TEST(MessageBox, AClickReleasedOnAButtonChoosesIt) {
    MessageBox box("Go on?", MessageIcon::None, kQuestion);
    const BoxArea no = box.ButtonAreas()[1];
    const int x = no.x + no.width / 2;
    const int y = no.y + no.height / 2;
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, y, SDL_BUTTON_RIGHT));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, x, y, SDL_BUTTON_RIGHT));
    EXPECT_FALSE(box.Closed()) << "only the left button clicks";

    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, y));
    EXPECT_EQ(box.Focus(), 1u);
    box.Handle(MouseEvent(SDL_MOUSEMOTION, no.x - 30, y));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, no.x - 30, y));
    EXPECT_FALSE(box.Closed()) << "a press taken off the button chooses nothing";

    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, y));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, x, y));
    EXPECT_EQ(box.Answer(), kNo);
}

TEST(MessageBox, TheTextLaysOutTheBoxAndTheButtonsFitAtTheBottomRight) {
    const MessageBox one("Line", MessageIcon::None, kQuestion);
    const MessageBox four("Line\rtwo\r\nthree\nfour", MessageIcon::None, kQuestion);
    ASSERT_EQ(four.Lines().size(), 4u);
    EXPECT_EQ(four.Lines()[2], "three");
    const int lineHeight = four.TextArea().height / 4;
    EXPECT_GT(lineHeight, 8);
    EXPECT_EQ(four.Height() - one.Height(), 3 * lineHeight);

    std::string sentence;
    for (int i = 1; i <= 80; ++i) {
        sentence += "word" + std::to_string(i) + " ";
    }
    const MessageBox wide(sentence, MessageIcon::Error, kQuestion);
    EXPECT_GT(wide.Lines().size(), 2u);
    EXPECT_LE(wide.TextArea().width, 500);
    int words = 0;
    for (const std::string& line : wide.Lines()) {
        std::istringstream in(line);
        for (std::string word; in >> word;) {
            EXPECT_EQ(word, "word" + std::to_string(++words)) << "broken between words: " << line;
        }
    }
    EXPECT_EQ(words, 80);
    EXPECT_GE(wide.TextArea().x, wide.IconArea().x + wide.IconArea().width)
        << "the text stands beside the sign";

    const std::array<MessageButton, 3> long_labels = {{
        {"Abort", 3, true, false},
        {"Retry the whole thing once more", 4, false, false},
        {"Ignore", 5, false, true},
    }};
    const MessageBox small("", MessageIcon::None, long_labels);
    for (const MessageBox* box : {&one, &four, &wide, &small}) {
        const std::vector<BoxArea>& buttons = box->ButtonAreas();
        const BoxArea& text = box->TextArea();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_GE(buttons[i].width, 75);
            EXPECT_GE(buttons[i].y, text.y + text.height);
            EXPECT_GE(buttons[i].x, 0);
            if (i > 0) {
                EXPECT_LT(buttons[i - 1].x + buttons[i - 1].width, buttons[i].x);
                EXPECT_EQ(buttons[i - 1].y, buttons[i].y);
            }
        }
        const BoxArea& last = buttons.back();
        EXPECT_LE(last.x + last.width, box->Width());
        EXPECT_GT(last.x + last.width, box->Width() - 20) << "the row ends at the right";
        EXPECT_LE(last.y + last.height, box->Height());
        EXPECT_GT(last.y + last.height, box->Height() - 20) << "the row is at the bottom";
    }
    EXPECT_GT(small.ButtonAreas()[1].width, small.ButtonAreas()[0].width)
        << "a long label widens its button";
}

TEST(MessageBox, TheDrawnBoxShowsTheSignTheTextAndWhereTheFocusIs) {
    MessageBox box("Something went wrong.", MessageIcon::Error, kQuestion);
    const Bitmap drawn = box.Draw();
    ASSERT_EQ(drawn.Width(), box.Width());
    ASSERT_EQ(drawn.Height(), box.Height());
    EXPECT_GT(CountPixels(drawn, box.IconArea(), 0xFFE81123u), 300) << "a red circle";
    EXPECT_GT(CountPixels(drawn, box.IconArea(), 0xFFFFFFFFu), 20) << "with a white cross";
    EXPECT_GT(CountPixels(drawn, box.TextArea(), 0xFF000000u), 20) << "the text in black";
    const MessageBox information("Fine.", MessageIcon::Information, kQuestion);
    EXPECT_EQ(information.IconArea().width, box.IconArea().width);

    const BoxArea yes = box.ButtonAreas()[0];
    const BoxArea no = box.ButtonAreas()[1];
    const Pixel defaultBorder = 0xFF0078D7u;
    EXPECT_GT(CountPixels(drawn, yes, defaultBorder), CountPixels(drawn, no, defaultBorder) + 100)
        << "the Enter button is marked";

    // The focus is a frame of black dots inside its button.
    box.Handle(KeyEvent(SDLK_TAB));
    const Bitmap moved = box.Draw();
    const Pixel black = 0xFF000000u;
    EXPECT_LT(CountPixels(moved, yes, black) + 10, CountPixels(drawn, yes, black));
    EXPECT_GT(CountPixels(moved, no, black), CountPixels(drawn, no, black) + 10);
}

// The window runs on SDL's dummy video driver; the events come from the test as they would
// come from the player's event loop, each made from the box window's id.
TEST(MessageBoxWindow, TheBoxOpensCentredOverTheGameAndAnswersItsOwnEvents) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_VideoInit("dummy") != 0) {
        GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
    }
    SDL_Window* game = SDL_CreateWindow("Game", 300, 200, 640, 480, SDL_WINDOW_SHOWN);
    ASSERT_NE(game, nullptr) << SDL_GetError();
    const Uint32 gameId = SDL_GetWindowID(game);
    // SDL numbers its windows in the order they open.
    const auto boxWindow = [gameId]() -> SDL_Window* {
        for (Uint32 id = gameId + 1; id < gameId + 10; ++id) {
            if (SDL_Window* window = SDL_GetWindowFromID(id)) {
                return window;
            }
        }
        return nullptr;
    };
    SDL_Rect shown{};
    std::string title;
    const auto show = [&](std::span<const MessageButton> buttons,
                          std::deque<std::function<SDL_Event(Uint32 box)>> script) {
        const std::optional<int> answer =
            ShowMessageInWindow(game, "Caf\xe9", "Ready?", MessageIcon::Information, buttons,
                                [&](int timeoutMs) -> std::optional<SDL_Event> {
                                    EXPECT_GT(timeoutMs, 0);
                                    SDL_Window* box = boxWindow();
                                    if (box == nullptr || script.empty()) {
                                        ADD_FAILURE()
                                            << "no box, or the box stays open after its events";
                                        return SDL_Event{SDL_QUIT};
                                    }
                                    SDL_GetWindowPosition(box, &shown.x, &shown.y);
                                    SDL_GetWindowSize(box, &shown.w, &shown.h);
                                    title = SDL_GetWindowTitle(box);
                                    const SDL_Event event = script.front()(SDL_GetWindowID(box));
                                    script.pop_front();
                                    return event;
                                });
        EXPECT_TRUE(script.empty()) << "the box closed early";
        return answer;
    };
    EXPECT_EQ(
        show(kQuestion, {[&](Uint32) { return KeyEvent(SDLK_RETURN, KMOD_NONE, gameId, false); },
                         [](Uint32 box) { return KeyEvent(SDLK_TAB, KMOD_NONE, box, false); },
                         [](Uint32) { return KeyEvent(SDLK_RETURN); }}), // tied to no window
        kNo)
        << "the game window's keys are not the box's";
    EXPECT_EQ(title, "Caf\xc3\xa9") << "the title in UTF-8";
    EXPECT_EQ(shown.x, 300 + (640 - shown.w) / 2) << "centred over the game's window";
    EXPECT_EQ(shown.y, 200 + (480 - shown.h) / 2);
    EXPECT_EQ(boxWindow(), nullptr) << "the box's window is gone";
    EXPECT_EQ(show(kOnlyOk, {[&](Uint32) { return WindowEvent(SDL_WINDOWEVENT_CLOSE, gameId); },
                             [](Uint32) { return SDL_Event{SDL_QUIT}; }}),
              std::nullopt);

    SDL_DestroyWindow(game);
    SDL_VideoQuit();
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

TEST(MessageBoxWithoutDisplay, TheTitleAndTextGoToStandardError) {
    ASSERT_EQ(SDL_GetCurrentVideoDriver(), nullptr);
    std::ostringstream err;
    std::optional<int> answer;
    {
        const StandardErrorTo redirect(err);
        answer =
            ShowMessageInWindow(nullptr, "Caf\xe9", "First\rsecond\r\nthird", MessageIcon::Error,
                                kQuestion, [](int) -> std::optional<SDL_Event> {
                                    ADD_FAILURE() << "no events are awaited without a box";
                                    return SDL_Event{SDL_QUIT};
                                });
    }
    EXPECT_EQ(answer, std::nullopt);
    EXPECT_EQ(err.str(), "Caf\xc3\xa9: First\nsecond\nthird\n");
}

} // namespace
} // namespace velkaro
