#include "backends/desktop/InputBox.h"
#include "support/SdlEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

using namespace test;

constexpr Pixel kHighlight = 0xFF0078D7u;

void Click(InputBox& box, const BoxArea& area) {
    const int x = area.x + area.width / 2;
    const int y = area.y + area.height / 2;
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, x, y));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, x, y));
}

// A clipboard of its own, so that the tests leave the desktop's alone.
struct TestClipboard {
    std::string held;
    ClipboardAccess Access() {
        return {[this] { return held; }, [this](const std::string& text) { held = text; }};
    }
};

// The columns of the field where two pictures of the box differ.
std::set<int> ChangedColumns(const Bitmap& a, const Bitmap& b, const BoxArea& field) {
    std::set<int> columns;
    for (int y = field.y; y < field.y + field.height; ++y) {
        for (int x = field.x; x < field.x + field.width; ++x) {
            if (a.At(x, y) != b.At(x, y)) {
                columns.insert(x);
            }
        }
    }
    return columns;
}

// Where the caret is drawn: the one column that changes when it blinks.
std::optional<int> CaretColumn(InputBox& box) {
    const Bitmap shown = box.Draw();
    box.Blink();
    const Bitmap hidden = box.Draw();
    box.Blink();
    const std::set<int> columns = ChangedColumns(shown, hidden, box.Field());
    if (columns.size() != 1) {
        ADD_FAILURE() << columns.size() << " columns change when the caret blinks";
        return std::nullopt;
    }
    return *columns.begin();
}

// The default answer is there to be kept with Enter or replaced by typing over it. The field
// holds the game's code page: what the keyboard types in UTF-8 arrives converted, and what
// the code page cannot hold is left out rather than garbled.
TEST(InputBox, TypingReplacesTheSelectedDefaultInTheGameCodePage) {
    TestClipboard clipboard;
    InputBox kept("Your name?", "Bob", clipboard.Access());
    EXPECT_EQ(kept.Selected(), "Bob");
    EXPECT_EQ(kept.Result(), InputBox::Outcome::Open);
    EXPECT_EQ(kept.Answer(), std::nullopt);
    kept.Handle(KeyEvent(SDLK_RETURN));
    EXPECT_EQ(kept.Result(), InputBox::Outcome::Ok);
    EXPECT_EQ(kept.Answer(), "Bob");

    InputBox box("Your name?", "Bob", clipboard.Access());
    box.Handle(TextEvent("\xc3\xa9"));
    EXPECT_EQ(box.Text(), "\xe9");
    box.Handle(TextEvent("\xe6\xbc\xa2x")); // a CJK character, then x
    box.Handle(TextEvent("\xe2\x82\xac"));  // the euro sign is 0x80 in the code page
    box.Handle(TextEvent("\t"));
    EXPECT_EQ(box.Text(), "\xe9x\x80");
    EXPECT_EQ(box.Selected(), "");
    box.Handle(KeyEvent(SDLK_KP_ENTER));
    EXPECT_EQ(box.Answer(), "\xe9x\x80");
    EXPECT_FALSE(box.Handle(TextEvent("y"))) << "a closed box takes nothing more";
    EXPECT_EQ(box.Answer(), "\xe9x\x80");
}

TEST(InputBox, EditingKeysMoveTheCaretAndShiftSelects) {
    TestClipboard clipboard;
    InputBox box("", "hello world", clipboard.Access());
    box.Handle(KeyEvent(SDLK_END));
    EXPECT_EQ(box.Caret(), 11u);
    EXPECT_EQ(box.Selected(), "");
    box.Handle(KeyEvent(SDLK_BACKSPACE));
    box.Handle(KeyEvent(SDLK_LEFT));
    box.Handle(KeyEvent(SDLK_LEFT));
    box.Handle(KeyEvent(SDLK_DELETE));
    EXPECT_EQ(box.Text(), "hello wol");
    EXPECT_EQ(box.Caret(), 8u);

    box.Handle(KeyEvent(SDLK_HOME, KMOD_LSHIFT));
    EXPECT_EQ(box.Selected(), "hello wo");
    box.Handle(KeyEvent(SDLK_RIGHT, KMOD_RSHIFT));
    EXPECT_EQ(box.Selected(), "ello wo") << "the selection keeps its anchor";
    box.Handle(KeyEvent(SDLK_LEFT));
    EXPECT_EQ(box.Caret(), 1u) << "Left ends a selection at its start";
    EXPECT_EQ(box.Selected(), "");
    box.Handle(KeyEvent(SDLK_HOME));
    box.Handle(KeyEvent(SDLK_LEFT));
    EXPECT_EQ(box.Caret(), 0u);
    box.Handle(KeyEvent(SDLK_BACKSPACE));
    EXPECT_EQ(box.Text(), "hello wol") << "nothing before the start to erase";

    box.Handle(KeyEvent(SDLK_RIGHT, KMOD_LCTRL));
    EXPECT_EQ(box.Caret(), 6u) << "Ctrl+Right goes to the next word";
    box.Handle(KeyEvent(SDLK_END, KMOD_LSHIFT));
    box.Handle(TextEvent("there"));
    EXPECT_EQ(box.Text(), "hello there");
    box.Handle(KeyEvent(SDLK_LEFT, KMOD_LCTRL | KMOD_LSHIFT));
    EXPECT_EQ(box.Selected(), "there");
    box.Handle(KeyEvent(SDLK_DELETE));
    EXPECT_EQ(box.Text(), "hello ");
    box.Handle(KeyEvent(SDLK_a, KMOD_RCTRL));
    EXPECT_EQ(box.Selected(), "hello ");
    box.Handle(KeyEvent(SDLK_BACKSPACE));
    EXPECT_EQ(box.Text(), "");
    box.Handle(KeyEvent(SDLK_DELETE));
    box.Handle(KeyEvent(SDLK_RIGHT));
    EXPECT_EQ(box.Caret(), 0u);
    box.Handle(KeyEvent(SDLK_RETURN));
    EXPECT_EQ(box.Answer(), "") << "an empty field is an answer, not a cancel";
}

TEST(InputBox, TheClipboardTakesTheSelectionAndGivesItsFirstLine) {
    TestClipboard clipboard;
    InputBox box("", "caf\xe9", clipboard.Access());
    box.Handle(KeyEvent(SDLK_c, KMOD_LCTRL));
    EXPECT_EQ(clipboard.held, "caf\xc3\xa9") << "the desktop's clipboard speaks UTF-8";

    clipboard.held = "na\xc3\xafve \xe6\xbc\xa2\r\nsecond line";
    box.Handle(KeyEvent(SDLK_v, KMOD_LCTRL));
    EXPECT_EQ(box.Text(), "na\xefve ");
    box.Handle(KeyEvent(SDLK_INSERT, KMOD_LSHIFT));
    EXPECT_EQ(box.Text(), "na\xefve na\xefve ");

    box.Handle(KeyEvent(SDLK_HOME, KMOD_LSHIFT));
    box.Handle(KeyEvent(SDLK_x, KMOD_LCTRL));
    EXPECT_EQ(box.Text(), "");
    EXPECT_EQ(clipboard.held, "na\xc3\xafve na\xc3\xafve ");

    clipboard.held.clear();
    box.Handle(TextEvent("ab"));
    box.Handle(KeyEvent(SDLK_a, KMOD_LCTRL));
    box.Handle(KeyEvent(SDLK_v, KMOD_LCTRL));
    EXPECT_EQ(box.Text(), "ab") << "an empty clipboard pastes nothing over the selection";
}

// Every way out of the box but OK leaves the game without an answer.
TEST(InputBox, EscapeClosingQuittingAndCancelGiveNoAnswer) {
    TestClipboard clipboard;
    const SDL_Event quit{SDL_QUIT};
    for (const SDL_Event& event :
         {KeyEvent(SDLK_ESCAPE), WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}) {
        InputBox box("Age?", "12", clipboard.Access());
        box.Handle(TextEvent("3"));
        box.Handle(event);
        EXPECT_EQ(box.Result(), InputBox::Outcome::Cancel);
        EXPECT_EQ(box.Answer(), std::nullopt);
    }

    InputBox held("Age?", "12", clipboard.Access());
    SDL_Event repeated = KeyEvent(SDLK_RETURN);
    repeated.key.repeat = 1;
    held.Handle(repeated);
    EXPECT_EQ(held.Result(), InputBox::Outcome::Open)
        << "a key held down since before the box opened chooses nothing";
    held.Handle(KeyEvent(SDLK_LEFT));
    held.Handle(KeyEvent(SDLK_RETURN, KMOD_LSHIFT));
    EXPECT_EQ(held.Answer(), "12");
}

TEST(InputBox, TheMouseChoosesButtonsAndPlacesTheCaret) {
    TestClipboard clipboard;
    InputBox box("Name?", "abcdef", clipboard.Access());
    const BoxArea& field = box.Field();
    const int middle = field.y + field.height / 2;
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, field.x + field.width - 5, middle));
    EXPECT_EQ(box.Caret(), 6u) << "a click after the text goes to its end";
    EXPECT_EQ(box.Selected(), "");
    box.Handle(MouseEvent(SDL_MOUSEMOTION, field.x + 1, middle));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, field.x + 1, middle));
    EXPECT_EQ(box.Selected(), "abcdef") << "dragging selects";
    box.Handle(MouseEvent(SDL_MOUSEMOTION, field.x + field.width - 5, middle));
    EXPECT_EQ(box.Selected(), "abcdef") << "moving without the button selects nothing";

    // A press taken off the button before its release chooses nothing.
    const BoxArea& cancel = box.CancelButton();
    box.Handle(MouseEvent(SDL_MOUSEBUTTONDOWN, cancel.x + 3, cancel.y + 3));
    box.Handle(MouseEvent(SDL_MOUSEMOTION, cancel.x - 20, cancel.y + 3));
    box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, cancel.x - 20, cancel.y + 3));
    EXPECT_EQ(box.Result(), InputBox::Outcome::Open);

    SDL_Event right = MouseEvent(SDL_MOUSEBUTTONDOWN, cancel.x + 3, cancel.y + 3);
    right.button.button = SDL_BUTTON_RIGHT;
    box.Handle(right);
    right.type = SDL_MOUSEBUTTONUP;
    box.Handle(right);
    EXPECT_EQ(box.Result(), InputBox::Outcome::Open) << "only the left button clicks";

    Click(box, box.OkButton());
    EXPECT_EQ(box.Answer(), "abcdef");

    InputBox cancelled("Name?", "abc", clipboard.Access());
    Click(cancelled, cancelled.CancelButton());
    EXPECT_EQ(cancelled.Result(), InputBox::Outcome::Cancel);
}

// Each line of the prompt gets a line of the box, the field and the buttons below it all.
TEST(InputBox, ThePromptsLinesMakeTheBoxTallerAndLongLinesWrap) {
    TestClipboard clipboard;
    const InputBox small("", "", clipboard.Access());
    EXPECT_GE(small.Width(), 360);
    EXPECT_GE(small.Height(), 120);

    const InputBox one("Line", "", clipboard.Access());
    const InputBox four("Line\rtwo\r\nthree\nfour", "", clipboard.Access());
    const InputBox eight("1\r2\r3\r4\r5\r6\r7\r8", "", clipboard.Access());
    const int lineHeight = (eight.Field().y - four.Field().y) / 4;
    EXPECT_GT(lineHeight, 8);
    EXPECT_EQ(four.Field().y - one.Field().y, 3 * lineHeight);
    EXPECT_EQ(eight.Height() - four.Height(), 4 * lineHeight);
    for (const InputBox* box : {&small, &one, &four, &eight}) {
        const BoxArea& field = box->Field();
        EXPECT_LE(field.y + field.height, box->OkButton().y);
        EXPECT_LE(box->OkButton().x + box->OkButton().width, box->CancelButton().x);
        EXPECT_LE(box->CancelButton().x + box->CancelButton().width, box->Width());
        EXPECT_LE(box->CancelButton().y + box->CancelButton().height, box->Height());
    }

    std::string sentence;
    for (int i = 1; i <= 60; ++i) {
        sentence += "word" + std::to_string(i) + " ";
    }
    const InputBox wide(sentence, "", clipboard.Access());
    EXPECT_LT(wide.Width(), 800) << "a long line is broken, not made one wide box";
    EXPECT_GT(wide.Field().y, one.Field().y + lineHeight);
    int words = 0;
    for (const std::string& line : wide.PromptLines()) {
        std::istringstream in(line);
        for (std::string word; in >> word;) {
            EXPECT_EQ(word, "word" + std::to_string(++words)) << "broken between words: " << line;
        }
    }
    EXPECT_EQ(words, 60);
    EXPECT_GT(wide.PromptLines().size(), 1u);
    const InputBox unbroken(std::string(300, 'm'), "", clipboard.Access());
    EXPECT_LT(unbroken.Width(), 800);
}

TEST(InputBox, TheDrawnBoxShowsThePromptTheSelectionAndTheCaret) {
    TestClipboard clipboard;
    InputBox box("Your name?", "Bob", clipboard.Access());
    const BoxArea& field = box.Field();
    const Bitmap selected = box.Draw();
    ASSERT_EQ(selected.Width(), box.Width());
    ASSERT_EQ(selected.Height(), box.Height());
    EXPECT_GT(CountPixels(selected, field, kHighlight), 20) << "the default is highlighted";
    const BoxArea prompt{0, 0, box.Width(), field.y};
    EXPECT_GT(CountPixels(selected, prompt, 0xFF000000u), 5) << "the prompt is drawn in black";
    const BoxArea okLabel{box.OkButton().x + 20, box.OkButton().y + 4, 35, 15};
    EXPECT_GT(CountPixels(selected, okLabel, 0xFF000000u), 5) << "the button says OK";

    box.Handle(KeyEvent(SDLK_END));
    const Bitmap plain = box.Draw();
    EXPECT_EQ(CountPixels(plain, field, kHighlight), 0);
    const std::optional<int> atEnd = CaretColumn(box);
    ASSERT_TRUE(atEnd);
    box.Handle(KeyEvent(SDLK_HOME));
    const std::optional<int> atStart = CaretColumn(box);
    ASSERT_TRUE(atStart);
    EXPECT_GT(*atStart, field.x);
    EXPECT_GT(*atEnd, *atStart + 10) << "the caret follows the text";

    box.Handle(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    const Bitmap unfocused = box.Draw();
    box.Blink();
    EXPECT_TRUE(box.Draw() == unfocused) << "no caret blinks in a box without the keyboard";
}

// The caret never leaves the field, however long the text grows.
TEST(InputBox, ALongTextScrollsToKeepTheCaretInTheField) {
    TestClipboard clipboard;
    InputBox box("", "", clipboard.Access());
    const BoxArea& field = box.Field();
    for (int i = 0; i < 120; ++i) {
        box.Handle(TextEvent(i % 3 == 0 ? "W" : "i"));
    }
    std::optional<int> caret = CaretColumn(box);
    ASSERT_TRUE(caret);
    EXPECT_LT(*caret, field.x + field.width - 1);
    EXPECT_GT(*caret, field.x + field.width * 3 / 4) << "the end of the text is in view";

    box.Handle(KeyEvent(SDLK_HOME));
    caret = CaretColumn(box);
    ASSERT_TRUE(caret);
    EXPECT_LT(*caret, field.x + 6);
    const Bitmap start = box.Draw();
    box.Handle(KeyEvent(SDLK_END));
    box.Handle(KeyEvent(SDLK_HOME));
    EXPECT_TRUE(box.Draw() == start) << "scrolling back shows the text as it was";

    for (int i = 0; i < 120; ++i) {
        box.Handle(KeyEvent(SDLK_DELETE));
    }
    EXPECT_EQ(box.Text(), "");
    caret = CaretColumn(box);
    ASSERT_TRUE(caret);
    EXPECT_LT(*caret, field.x + 6);
}

// The window runs on SDL's dummy video driver: no display needed, and the events come from the
// test as they would come from the player's event loop.
class InputBoxWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // SDL offers its dummy driver only when it is asked for by name.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (SDL_VideoInit("dummy") != 0) {
            GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
        }
        parent_ = SDL_CreateWindow("Game", 100, 50, 640, 480, SDL_WINDOW_SHOWN);
        ASSERT_NE(parent_, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        if (parent_ != nullptr) {
            SDL_DestroyWindow(parent_);
        }
        if (SDL_GetCurrentVideoDriver() != nullptr) {
            SDL_VideoQuit();
        }
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    }

    // The box's window: the one besides the game's.
    SDL_Window* Box() const {
        for (Uint32 id = 1; id < 1000; ++id) {
            SDL_Window* window = SDL_GetWindowFromID(id);
            if (window != nullptr && window != parent_) {
                return window;
            }
        }
        return nullptr;
    }

    // Opens the box over the game's window and answers its wait for events with the
    // script's events, one per wait; each is made once the box is open, from its window's id.
    std::optional<std::string> Ask(std::deque<std::function<SDL_Event(Uint32 box)>> script,
                                   const std::string& value = "") {
        return AskTextInWindow(
            parent_, "Name?", value, [&](int timeoutMs) -> std::optional<SDL_Event> {
                ++calls_;
                EXPECT_GT(timeoutMs, 0);
                SDL_Window* box = Box();
                if (box == nullptr || script.empty()) {
                    ADD_FAILURE() << "no box, or the box stays open after its events";
                    return SDL_Event{SDL_QUIT};
                }
                const SDL_Event event = script.front()(SDL_GetWindowID(box));
                script.pop_front();
                return event;
            });
    }

    SDL_Window* parent_ = nullptr;
    int calls_ = 0;
};

TEST_F(InputBoxWindow, TheBoxWindowTakesItsOwnEventsAndAnswers) {
    SDL_StopTextInput();
    bool textInputWhileOpen = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string title = "unset";
    const std::optional<std::string> answer = Ask({
        [&](Uint32) {
            textInputWhileOpen = SDL_IsTextInputActive() == SDL_TRUE;
            SDL_Window* box = Box();
            SDL_GetWindowPosition(box, &x, &y);
            SDL_GetWindowSize(box, &width, &height);
            title = SDL_GetWindowTitle(box);
            return TextEvent("Al", 0); // tied to no window: the box has the keyboard
        },
        [&](Uint32) { return WindowEvent(SDL_WINDOWEVENT_CLOSE, SDL_GetWindowID(parent_)); },
        [&](Uint32) { return TextEvent("zz", SDL_GetWindowID(parent_)); },
        [&](Uint32) { return SDL_Event{SDL_USEREVENT}; },
        [&](Uint32 box) { return WindowEvent(SDL_WINDOWEVENT_EXPOSED, box); },
        [&](Uint32 box) { return TextEvent("\xc3\xa9", box); },
        [&](Uint32 box) { return KeyEvent(SDLK_RETURN, KMOD_NONE, box); },
    });
    EXPECT_EQ(answer, "Al\xe9") << "events of the game's window are not the box's";
    EXPECT_EQ(calls_, 7);
    EXPECT_EQ(title, "");
    EXPECT_GE(width, 360);
    EXPECT_GE(height, 120);
    EXPECT_EQ(x, 100 + (640 - width) / 2) << "centred over the game's window";
    EXPECT_EQ(y, 50 + (480 - height) / 2);
    EXPECT_TRUE(textInputWhileOpen);
    EXPECT_FALSE(SDL_IsTextInputActive()) << "text input is left as it was";
    EXPECT_EQ(Box(), nullptr) << "the box's window is gone";

    EXPECT_EQ(
        Ask({[](Uint32) { return TextEvent("x"); }, [](Uint32) { return SDL_Event{SDL_QUIT}; }},
            "kept"),
        std::nullopt);
    EXPECT_EQ(Ask({[](Uint32 box) { return WindowEvent(SDL_WINDOWEVENT_CLOSE, box); }}, "kept"),
              std::nullopt);
    EXPECT_EQ(Ask({[](Uint32 box) { return KeyEvent(SDLK_ESCAPE, KMOD_NONE, box); }}, "kept"),
              std::nullopt);
    EXPECT_EQ(Ask({[](Uint32 box) { return KeyEvent(SDLK_KP_ENTER, KMOD_NONE, box); }}, "kept"),
              "kept");
}

TEST(InputBoxWithoutDisplay, ThePromptGoesToStandardErrorAndTheAnswerIsCancel) {
    ASSERT_EQ(SDL_GetCurrentVideoDriver(), nullptr);
    std::ostringstream err;
    std::optional<std::string> answer;
    {
        const StandardErrorTo redirect(err);
        answer = AskTextInWindow(nullptr, "Your name, caf\xe9 guest?\rPlease", "Bob",
                                 [](int) -> std::optional<SDL_Event> {
                                     ADD_FAILURE() << "no events are awaited without a box";
                                     return SDL_Event{SDL_QUIT};
                                 });
    }
    EXPECT_EQ(answer, std::nullopt);
    EXPECT_NE(err.str().find("Your name, caf\xc3\xa9 guest?\nPlease"), std::string::npos)
        << err.str();
}

} // namespace
} // namespace velkaro
