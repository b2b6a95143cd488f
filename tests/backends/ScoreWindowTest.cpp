#include "backends/desktop/DesktopScoreWindow.h"
#include "codecs/PictureError.h"
#include "platform/Pictures.h"
#include "support/SdlEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

using namespace test;

constexpr Pixel kRed = 0xFFFF0000u;  // the first colour, 0x0000FF
constexpr Pixel kBlue = 0xFF0000FFu; // the others' colour, 0xFF0000

// Every place held by "Ann", with scores that all end in the same digit.
ScoreTableView Table(std::optional<int> newPlace = std::nullopt) {
    ScoreTableView table;
    table.caption = "Caf\xe9: Top Ten Players";
    table.firstColour = 0x0000FF;
    table.otherColour = 0xFF0000;
    table.fontName = "Times New Roman";
    table.newPlace = newPlace;
    const int scores[kScorePlaces] = {987650, 87650, 7650, 650, 50, 40, 30, 20, 10, 0};
    for (int i = 0; i < kScorePlaces; ++i) {
        table.places[static_cast<std::size_t>(i)] = {scores[i], newPlace == i + 1 ? "" : "Ann"};
    }
    return table;
}

// The leftmost and rightmost column and the top row of the pixels of that value in the area.
struct Ink {
    int left = 1 << 20;
    int right = -1;
    int top = 1 << 20;
};
Ink InkOf(const Bitmap& picture, const BoxArea& area, Pixel pixel) {
    Ink ink;
    for (int y = area.y - 6; y < area.y + area.height + 6; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            if (picture.At(x, y) == pixel) {
                ink = {std::min(ink.left, x), std::max(ink.right, x), std::min(ink.top, y)};
            }
        }
    }
    return ink;
}

TEST(ScoreTableBox, RowsStand32PixelsApartInTheirColoursWithTheScoresRightAligned) {
    ScoreTableBox box(Table(), Bitmap());
    const Bitmap drawn = box.Draw();
    for (int place = 1; place <= kScorePlaces; ++place) {
        const ScoreRowAreas& row = box.Row(place);
        const Pixel colour = place == 1 ? kRed : kBlue;
        const BoxArea whole{0, row.name.y, box.Width(), row.name.height};
        EXPECT_EQ(InkOf(drawn, whole, place == 1 ? kBlue : kRed).right, -1) << "place " << place;
        EXPECT_GE(InkOf(drawn, row.rank, colour).right, 0) << "the rank of place " << place;
        if (place > 1) {
            EXPECT_EQ(InkOf(drawn, row.name, colour).top,
                      InkOf(drawn, box.Row(place - 1).name, place == 2 ? kRed : kBlue).top + 32)
                << "place " << place;
            EXPECT_NEAR(InkOf(drawn, row.score, colour).right,
                        InkOf(drawn, box.Row(1).score, kRed).right, 1)
                << "place " << place;
        }
    }
    EXPECT_LT(InkOf(drawn, box.Row(1).score, kRed).left,
              InkOf(drawn, box.Row(10).score, kBlue).left - 30);
    EXPECT_GE(box.OkButton().y, box.Row(kScorePlaces).name.y + 20) << "the button below";
    EXPECT_FALSE(box.NameBox()) << "no new entry, no name box";

    ScoreTableBox pictured(Table(), Bitmap(2, 2, 0xFF00FF00u));
    const Bitmap covered = pictured.Draw();
    EXPECT_EQ(covered.At(0, 0), 0xFF00FF00u) << "the picture covers the box";
    EXPECT_EQ(covered.At(box.Width() - 1, box.Height() - 1), 0xFF00FF00u);
}

TEST(ScoreTableBox, TheNameBoxSitsOverTheNewRowInItsColourAndTakesTyping) {
    ScoreTableBox box(Table(3), Bitmap());
    ASSERT_TRUE(box.NameBox());
    const BoxArea& field = *box.NameBox();
    EXPECT_EQ(field.x, box.Row(3).name.x - 4);
    EXPECT_EQ(field.y, box.Row(3).name.y - 4);
    EXPECT_GE(field.x + field.width, box.Row(3).name.x + box.Row(3).name.width);

    box.Handle(TextEvent("Jo\xc3\xa9"));   // é
    box.Handle(TextEvent("\xe2\x82\xac")); // the euro sign
    EXPECT_FALSE(box.Handle(TextEvent("\xe6\x97\xa5"))) << "not in the code page";
    EXPECT_EQ(box.Name(), "Jo\xe9\x80");
    for (const SDL_Keycode key : {SDLK_BACKSPACE, SDLK_HOME}) {
        box.Handle(KeyEvent(key));
    }
    box.Handle(TextEvent("A"));
    for (const SDL_Keycode key : {SDLK_RIGHT, SDLK_DELETE, SDLK_END, SDLK_LEFT}) {
        box.Handle(KeyEvent(key));
    }
    box.Handle(TextEvent("y"));
    EXPECT_EQ(box.Name(), "AJy\xe9");
    EXPECT_EQ(box.Caret(), 3u);

    const Bitmap drawn = box.Draw();
    EXPECT_GT(CountPixels(drawn, field, kBlue), 20) << "the name in its row's colour";
    EXPECT_EQ(CountPixels(drawn, field, kRed), 0);
    ScoreTableBox first(Table(1), Bitmap());
    first.Handle(TextEvent("Zed"));
    EXPECT_GT(CountPixels(first.Draw(), *first.NameBox(), kRed), 20);

    EXPECT_FALSE(box.Handle(KeyEvent(SDLK_RETURN, KMOD_NONE, 0, true))) << "held from the game";
    box.Handle(KeyEvent(SDLK_KP_ENTER));
    EXPECT_TRUE(box.Closed());
    EXPECT_EQ(box.Name(), "AJy\xe9");
}

// The place is the player's whichever way the table closes: what was typed is kept.
TEST(ScoreTableBox, EscapeClosingTheWindowAndOkKeepWhatWasTyped) {
    const BoxArea ok = ScoreTableBox(Table(), Bitmap()).OkButton();
    const SDL_Event quit{SDL_QUIT};
    for (const SDL_Event& event : {KeyEvent(SDLK_ESCAPE), WindowEvent(SDL_WINDOWEVENT_CLOSE), quit,
                                   MouseEvent(SDL_MOUSEBUTTONDOWN, ok.x + 5, ok.y + 5)}) {
        ScoreTableBox box(Table(10), Bitmap());
        box.Handle(TextEvent("Kim"));
        box.Handle(event);
        box.Handle(MouseEvent(SDL_MOUSEBUTTONUP, ok.x + 5, ok.y + 5));
        EXPECT_TRUE(box.Closed());
        EXPECT_EQ(box.Name(), "Kim");
    }
    ScoreTableBox shown(Table(), Bitmap());
    EXPECT_FALSE(shown.Handle(TextEvent("x"))) << "nothing to type into";
    EXPECT_EQ(shown.Name(), "");
}

struct UnreadablePictures : Pictures {
    Bitmap Load(const std::filesystem::path& file) override {
        throw PictureError("Cannot read " + file.string());
    }
};

TEST(ScoreWindow, TheTableOpensCaptionedOverTheGameAndAnswersTheTypedName) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_VideoInit("dummy") != 0) {
        GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
    }
    SDL_Window* game = SDL_CreateWindow("Game", 100, 100, 640, 480, SDL_WINDOW_SHOWN);
    ASSERT_NE(game, nullptr) << SDL_GetError();
    const Uint32 gameId = SDL_GetWindowID(game);
    std::deque<std::function<SDL_Event(Uint32 table)>> script = {
        [](Uint32 table) { return TextEvent("Zo\xc3\xab", table); },
        [&](Uint32) { return TextEvent("x", gameId); }, // typed into the game, not the table
        [](Uint32 table) { return KeyEvent(SDLK_RETURN, KMOD_NONE, table); }};
    std::string title;
    UnreadablePictures pictures;
    DesktopScoreWindow window(
        game,
        [&](int) -> std::optional<SDL_Event> {
            SDL_Window* table = SDL_GetWindowFromID(gameId + 1);
            if (table == nullptr || script.empty()) {
                ADD_FAILURE() << "no table, or the table stays open after its events";
                return SDL_Event{SDL_QUIT};
            }
            title = SDL_GetWindowTitle(table);
            const SDL_Event event = script.front()(gameId + 1);
            script.pop_front();
            return event;
        },
        pictures);
    ScoreTableView table = Table(4);
    table.background = "missing.bmp";
    std::ostringstream err;
    {
        const StandardErrorTo redirect(err);
        EXPECT_EQ(window.ShowScoreTable(table), "Zo\xeb");
    }
    EXPECT_TRUE(script.empty());
    EXPECT_EQ(title, "Caf\xc3\xa9: Top Ten Players");
    EXPECT_NE(err.str().find("missing.bmp"), std::string::npos) << "shown without its picture";
    EXPECT_EQ(SDL_GetWindowFromID(gameId + 1), nullptr) << "the table's window is gone";

    SDL_DestroyWindow(game);
    SDL_VideoQuit();
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

} // namespace
} // namespace velkaro
