#include "backends/headless/AnswerScript.h"
#include "backends/headless/HeadlessDialogs.h"
#include "backends/headless/HeadlessScreen.h"
#include "backends/headless/InputFileError.h"
#include "backends/headless/InputScript.h"
#include "backends/headless/VirtualClock.h"
#include "data/GameLoader.h"
#include "replay/InputDelivery.h"
#include "world/GameState.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace velkaro {
namespace {

AnswerScript Answers(const std::string& text) {
    std::istringstream in(text);
    return AnswerScript::Read(in);
}

InputScript Input(const std::string& text) {
    std::istringstream in(text);
    return InputScript::Read(in);
}

// The line number of the error an input file raises, or 0 when it reads.
int BadInputLine(const std::string& text) {
    try {
        Input(text);
    } catch (const InputFileError& error) {
        return error.Line();
    }
    return 0;
}

TEST(AnswerScript, BoxesTakeTheAnswersInOrderThenTheDefaults) {
    AnswerScript answers = Answers("yes\n# a comment\n\ntext  two words \nabort\nfile /tmp/a b\n");
    EXPECT_TRUE(answers.ForQuestion());
    EXPECT_EQ(answers.ForInput(), std::optional<std::string>(" two words "));
    EXPECT_EQ(answers.ForError(false), ErrorAnswer::Abort);
    EXPECT_EQ(answers.ForOpenFile(), std::optional<std::string>("/tmp/a b"));
    EXPECT_EQ(answers.Left(), 0u);
    // None left.
    EXPECT_FALSE(answers.ForQuestion());
    EXPECT_EQ(answers.ForError(false), ErrorAnswer::Ignore);
    EXPECT_EQ(answers.ForError(true), ErrorAnswer::Abort);
    EXPECT_EQ(answers.ForInput(), std::nullopt);
    EXPECT_EQ(answers.ForScoreName(), "");
    EXPECT_EQ(answers.ForOpenFile(), std::nullopt);
}

TEST(AnswerScript, AnAnswerThatDoesNotFitIsUsedUpAndTheBoxGetsItsDefault) {
    AnswerScript answers = Answers("ok\nyes\nignore\ncancel\ntext Ann\n");
    EXPECT_FALSE(answers.ForQuestion());                   // "ok"
    answers.ForMessage();                                  // "yes"
    EXPECT_EQ(answers.ForError(true), ErrorAnswer::Abort); // a fatal error has Abort alone
    EXPECT_EQ(answers.ForInput(), std::nullopt);           // "cancel"
    EXPECT_EQ(answers.ForScoreName(), "Ann");
}

TEST(AnswerScript, UnknownAnswersAndMissingValuesNameTheirLine) {
    for (const auto& [text, line] : std::vector<std::pair<std::string, int>>{
             {"ok\nmaybe\n", 2},
             {"yes\n\ntext\n", 3},
             {"ok please\n", 1},
             {"YES\n", 1},
             // Texts a game cannot hold, and bytes that are no text at all.
             {"ok\ntext \xe6\x97\xa5\xe6\x9c\xac\n", 2},
             {"ok\n# \xff\n", 2},
             {"\xef\xbb\xbf  # marked\nok\ntext ok\xff\n", 3}}) {
        try {
            Answers(text);
            ADD_FAILURE() << text;
        } catch (const InputFileError& error) {
            EXPECT_EQ(error.Line(), line) << text;
        }
    }
}

TEST(HeadlessDialogs, QuestionsAndErrorsAreAnsweredFromTheScriptAndWritten) {
    std::ostringstream out;
    Transcript transcript(out);
    AnswerScript answers = Answers("ok\nyes\nabort\ntext Zo\xc3\xab\n");
    HeadlessDialogs dialogs(transcript, answers);
    transcript.SetStep(4);
    dialogs.ShowMessage("Hi");
    EXPECT_TRUE(dialogs.ShowQuestion("Again?"));
    EXPECT_EQ(dialogs.ShowErrorReport("ERROR:\rx", false), ErrorAnswer::Abort);
    EXPECT_EQ(dialogs.AskText("Name?", "Bob"), std::optional<std::string>("Zo\xeb"));
    EXPECT_EQ(dialogs.AskText("Name?", "Bob"), std::nullopt);
    EXPECT_EQ(out.str(),
              "{\"step\":4,\"kind\":\"message\",\"text\":\"Hi\"}\n"
              "{\"step\":4,\"kind\":\"question\",\"text\":\"Again?\",\"answer\":\"yes\"}\n"
              "{\"step\":4,\"kind\":\"error\",\"text\":\"ERROR:\\rx\",\"fatal\":false,"
              "\"answer\":\"abort\"}\n"
              "{\"step\":4,\"kind\":\"input\",\"text\":\"Name?\",\"default\":\"Bob\","
              "\"answer\":\"Zo\xc3\xab\"}\n"
              "{\"step\":4,\"kind\":\"input\",\"text\":\"Name?\",\"default\":\"Bob\","
              "\"answer\":null}\n");
}

TEST(InputScript, ReadsEveryEventAndHandsThemOutByStep) {
    InputScript input = Input("# keys\n"
                              "0 key_down 37\n"
                              "2 key_up 37\n"
                              "2 char  \n"
                              "2 mouse_move 10 -4\n"
                              "3 mouse_down right 1 2\n"
                              "3 mouse_up middle 5 6\n"
                              "5 joystick 0 65535 9\n"
                              "5 joystick none\n");
    ASSERT_EQ(input.Events().size(), 8u);
    const InputEvent& chr = input.Events()[2];
    EXPECT_EQ(chr.kind, InputEvent::Kind::Char);
    EXPECT_EQ(chr.text, " ");
    const InputEvent& down = input.Events()[4];
    EXPECT_EQ(down.kind, InputEvent::Kind::MouseDown);
    EXPECT_EQ(down.a, 2);
    EXPECT_EQ(down.b, 1);
    EXPECT_EQ(down.c, 2);
    const InputEvent& stick = input.Events()[6];
    EXPECT_EQ(stick.kind, InputEvent::Kind::Joystick);
    EXPECT_EQ(stick.b, 65535);
    EXPECT_EQ(stick.c, 9);
    EXPECT_EQ(input.Events()[7].kind, InputEvent::Kind::NoJoystick);

    EXPECT_EQ(input.Due(0).size(), 1u);
    EXPECT_EQ(input.Due(1).size(), 0u);
    EXPECT_EQ(input.Due(2).size(), 3u);
    // A step that is skipped still gets its events before the next one that runs.
    EXPECT_EQ(input.Due(4).size(), 2u);
    EXPECT_EQ(input.Due(9).size(), 2u);
    EXPECT_EQ(input.Due(10).size(), 0u);
}

// What a recording writes must read back as the very events the game was given, the characters
// a line cannot hold as they are included.
TEST(InputScript, EveryEventWrittenAsALineReadsBackTheSame) {
    const std::vector<InputEvent> events = {
        {0, InputEvent::Kind::KeyDown, 37, 0, 0, {}},
        {1, InputEvent::Kind::KeyUp, 255, 0, 0, {}},
        {1, InputEvent::Kind::Char, 0, 0, 0, "\r"},
        {1, InputEvent::Kind::Char, 0, 0, 0, " "},
        {1, InputEvent::Kind::Char, 0, 0, 0, "#"},
        {1, InputEvent::Kind::Char, 0, 0, 0, "\xE9"},
        {2, InputEvent::Kind::MouseMove, 0, -3, 700, {}},
        {2, InputEvent::Kind::MouseDown, 3, 1, 2, {}},
        {2, InputEvent::Kind::MouseUp, 2, 5, 6, {}},
        {3, InputEvent::Kind::Joystick, 0, 65535, 9, {}},
        {4, InputEvent::Kind::NoJoystick, 0, 0, 0, {}},
    };
    std::string text;
    for (const InputEvent& event : events) {
        text += InputLine(event) + "\n";
    }
    EXPECT_NE(text.find("1 char \\x0d\n"), std::string::npos) << text;
    const InputScript read = Input(text);
    ASSERT_EQ(read.Events().size(), events.size()) << text;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const InputEvent& want = events[i];
        const InputEvent& got = read.Events()[i];
        EXPECT_EQ(InputLine(got), InputLine(want));
        EXPECT_EQ(got.kind, want.kind) << InputLine(want);
        EXPECT_EQ(std::tie(got.step, got.a, got.b, got.c, got.text),
                  std::tie(want.step, want.a, want.b, want.c, want.text))
            << InputLine(want);
    }
}

TEST(InputScript, AMalformedLineIsReportedWithItsNumber) {
    EXPECT_EQ(BadInputLine("0 key_down 13\n\n# fine\n"), 0);
    EXPECT_EQ(BadInputLine("0 key_down 13\n1 key_down\n"), 2);
    EXPECT_EQ(BadInputLine("x key_down 13\n"), 1);
    EXPECT_EQ(BadInputLine("-1 key_down 13\n"), 1);
    EXPECT_EQ(BadInputLine("0 key_down 13 14\n"), 1);
    EXPECT_EQ(BadInputLine("0 key_down 300\n"), 1);
    EXPECT_EQ(BadInputLine("0 press 13\n"), 1);
    EXPECT_EQ(BadInputLine("0 char ab\n"), 1);
    EXPECT_EQ(BadInputLine("0 char\n"), 1);
    EXPECT_EQ(BadInputLine("0 mouse_down up 1 2\n"), 1);
    EXPECT_EQ(BadInputLine("0 mouse_move 1\n"), 1);
    EXPECT_EQ(BadInputLine("0 joystick 70000 0 0\n"), 1);
    EXPECT_EQ(BadInputLine("0 joystick\n"), 1);
    EXPECT_EQ(BadInputLine("0\n"), 1);
    // Events are delivered in file order, so a step cannot go back.
    EXPECT_EQ(BadInputLine("3 key_down 13\n# c\n2 key_up 13\n"), 3);
}

class CountingKeys : public WindowKeys {
public:
    void ShowHelp() override { ++help; }
    void Quit() override { ++quit; }
    void SetScreenMode(bool full) override { screen.push_back(full); }
    int help = 0;
    int quit = 0;
    std::vector<bool> screen;
};

TEST(WindowInput, SpecialKeysComeFirstAndOtherKeysReachTheGame) {
    const GameData data;
    GameState game(data);
    CountingKeys keys;
    game.helpkey = 112;
    game.quitkey = 27;
    game.screenkey = 115;
    KeyDown(game, keys, 112);
    KeyDown(game, keys, 27);
    KeyDown(game, keys, 115);
    EXPECT_EQ(keys.help, 1);
    EXPECT_EQ(keys.quit, 1);
    EXPECT_EQ(keys.screen, std::vector<bool>{true});
    EXPECT_EQ(game.lastkeypressed, 0);
    EXPECT_EQ(game.keypressed, 0);

    // Switched off, the help key is a key like any other.
    game.helpkey = 0;
    KeyDown(game, keys, 112);
    EXPECT_EQ(keys.help, 1);
    EXPECT_EQ(game.lastkeypressed, 112);
}

TEST(WindowInput, ReleasingAnEarlierKeyKeepsTheLastOneHeld) {
    const GameData data;
    GameState game(data);
    CountingKeys keys;
    KeyDown(game, keys, 65);
    KeyDown(game, keys, 66);
    KeyUp(game, 65);
    EXPECT_EQ(game.keypressed, 66);
    EXPECT_EQ(game.lastkeypressed, 66);
    KeyUp(game, 66);
    EXPECT_EQ(game.keypressed, 0);
    EXPECT_EQ(game.lastkeypressed, 66);
}

TEST(WindowInput, MousePositionsGoThroughTheScreenAndTheView) {
    const GameData data;
    GameState game(data);
    game.view_x = 100;
    MouseDown(game, 2, 10, 20);
    EXPECT_DOUBLE_EQ(game.mousex, 110);
    EXPECT_DOUBLE_EQ(game.mousey, 20);
    EXPECT_EQ(game.mousebutton, 2);
    StepSawMouse(game);

    game.view_x = 0;
    game.screen_offset_y = 77;
    game.screen_scale_x = game.screen_scale_y = 2.56;
    MouseUp(game, 256, 77 + 512);
    EXPECT_DOUBLE_EQ(game.mousex, 100);
    EXPECT_DOUBLE_EQ(game.mousey, 200);
    EXPECT_EQ(game.mousebutton, 0);
}

TEST(VirtualClock, TimePassesOnlyWhileSleeping) {
    VirtualClock clock;
    EXPECT_EQ(clock.Milliseconds(), 0);
    EXPECT_EQ(clock.Milliseconds(), 0);
    clock.Sleep(33);
    clock.Sleep(-5);
    clock.Sleep(0);
    EXPECT_EQ(clock.Milliseconds(), 33);
}

TEST(HeadlessScreen, KeepsThePresentedPictureStretchedIntoTheWindow) {
    HeadlessScreen screen;
    EXPECT_FALSE(screen.HasNewFrame());
    screen.ShowWindow(4, 2);
    Bitmap frame(2, 1, 0xFF112233u);
    frame.At(1, 0) = 0xFFFFFFFFu;
    screen.Present(frame, 0, 0, 4, 2);
    ASSERT_TRUE(screen.HasNewFrame());
    const Bitmap& shown = screen.LastFrame();
    ASSERT_EQ(shown.Width(), 4);
    ASSERT_EQ(shown.Height(), 2);
    EXPECT_EQ(shown.At(1, 1), 0xFF112233u);
    EXPECT_EQ(shown.At(2, 0), 0xFFFFFFFFu);

    // Beside a picture placed with an offset, the window is black.
    screen.Present(frame, 1, 0, 3, 1);
    EXPECT_EQ(screen.LastFrame().At(0, 0), 0xFF000000u);
    EXPECT_EQ(screen.LastFrame().At(1, 0), 0xFF112233u);
    EXPECT_EQ(screen.LastFrame().At(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(screen.LastFrame().At(2, 1), 0xFF000000u);
}

} // namespace
} // namespace velkaro
