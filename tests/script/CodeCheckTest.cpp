#include "script/CodeCheck.h"
#include "functions/FunctionTables.h"

#include "data/GameLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velkaro {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void AddAction(CObject& object, int row, int sub, std::int32_t id,
               std::array<std::string, 4> arguments) {
    CAction& action = object.EventList(row, sub)->Add();
    action.id = id;
    action.arguments = std::move(arguments);
}

std::vector<std::string> Describe(GameData& game) {
    std::vector<std::string> lines;
    for (const CodeFinding& finding : CheckGameCode(game, FunctionRegistry())) {
        lines.push_back(DescribeFinding(finding));
    }
    return lines;
}

TEST(CodeCheck, FindsEachKindOfErrorWhereTheInterpreterWouldReportIt) {
    GameData game;
    CObject& ball = game.objects.Add();
    ball.name = "ball";
    AddAction(ball, kCreationEvent, 0, 104, {"1 +", "2", "", ""});
    AddAction(ball, kStepEvent, 0, 811, {"{ x = 1#y = sqrt(4, 2) }", "", "", ""});
    AddAction(ball, kStepEvent, 0, 811, {"for", "", "", ""});
    AddAction(ball, kKeyboardEvent, 37, 411, {"'a' + nosuch.x", "", "", ""});
    AddAction(ball, kKeyboardEvent, 37, 821, {"ignored (", "", "{ x = 1", ""});
    AddAction(ball, kAlarmEvent, 2, 811, {"{ if 0 then nosuch(1) }", "", "", ""});
    EXPECT_THAT(Describe(game),
                ElementsAre("ball, Creation event 0, action 1, argument 1: line 1 pos 3: "
                            "Unexpected symbol",
                            "ball, Alarm event 2, action 1, argument 1: line 1 pos 23: "
                            "Function nosuch does not exist.",
                            "ball, Step event 0, action 1, argument 1: line 2 pos 16: "
                            "Wrong number of arguments for function sqrt.",
                            "ball, Step event 0, action 2, argument 1: line 1 pos 3: "
                            "Unexpected symbol: ",
                            "ball, Keyboard event left, action 1, argument 1: line 1 pos 14: "
                            "Object nosuch does not exist.",
                            "ball, Keyboard event left, action 2, argument 3: line 1 pos 7: "
                            "Unexpected end of code."));
}

TEST(CodeCheck, PassesOverWhatNeverRunsOrIsNoCode) {
    GameData game;
    CObject& clean = game.objects.Add();
    clean.name = "clean";
    AddAction(clean, kStepEvent, 0, 811,
              {"{ x = y / 0; s = 'a' - 1 }", "", "", ""}); // value errors show only while running
    AddAction(clean, kStepEvent, 0, 411, {"Hello (world", "", "", ""});     // plain text
    AddAction(clean, kStepEvent, 0, 401, {"(((", "", "", ""});              // a sound number
    AddAction(clean, kStepEvent, 0, 1003, {"Arial#12#0#0000", "", "", ""}); // a font
    AddAction(clean, kStepEvent, 0, 104, {"", "", "junk(", ""});            // argument 3 unused
    AddAction(clean, 7, 0, 811, {"{ broken", "", "", ""});                  // a row that never runs
    AddAction(clean, kStepEvent, 0, 9999, {"(((", "", "", ""});             // no such action
    EXPECT_THAT(Describe(game), IsEmpty());
}

TEST(CodeCheck, NamesResolveAgainstTheGamesObjectsAndSounds) {
    GameData game;
    CObject& ball = game.objects.Add();
    ball.name = "ball";
    game.sounds.Add().name = "shot";
    AddAction(ball, kStepEvent, 0, 811,
              {"{ ball.x = sound.shot + abs(-1); other.y = self.y; global.n += 1 }", "", "", ""});
    EXPECT_THAT(Describe(game), IsEmpty());
}

} // namespace
} // namespace velkaro
