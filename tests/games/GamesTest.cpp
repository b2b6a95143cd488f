// Small games played from start to end by qvf run, checked on what the player would see. The
// expected transcripts are worked out from the rules of the game loop and the actions.

#include "codecs/PngFile.h"
#include "tools/QvfTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace velkaro::test {
namespace {

std::string Game(const std::string& name) {
    return std::string(VELKARO_TEST_GAMES_DIR) + "/" + name + ".qvf";
}

TEST(Games, AnAlarmSetToThreeFiresInTheThirdStep) {
    TempDir folder;
    // Steps 1 and 2 count down and run the Step event; step 3's alarm phase fires before its
    // Step event, so the count is 2; the end action then ends the game after step 3.
    const tools::ProgramRun run = tools::Qvf(folder, {"run", Game("alarms"), "--steps", "10"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "{\"step\":3,\"kind\":\"message\",\"text\":\"ring after 2 steps\\rdone\"}\n");
}

TEST(Games, ErrorsInCodeAreReportedWithTheEventAndTheObjectAndTheGameGoesOn) {
    TempDir folder;
    const tools::ProgramRun run = tools::Qvf(folder, {"run", Game("bad_code"), "--steps", "5"});
    EXPECT_EQ(run.status, 0) << run.err;
    // "{ x = 1 / 0 }": the division is found with the closing brace current (position 13);
    // "nosuch(1)": the unknown function once its call is read, at the end of the text
    // (position 10, lowered to the text's length 9).
    EXPECT_EQ(run.out,
              "{\"step\":0,\"kind\":\"error\",\"text\":\"ERROR:\\rin Creation event of object "
              "faulty\\rin code at line 1 pos 13: Division by 0.\",\"fatal\":false,"
              "\"answer\":\"ignore\"}\n"
              "{\"step\":0,\"kind\":\"error\",\"text\":\"ERROR:\\rin Creation event of object "
              "faulty\\rin expression at pos 9: Function nosuch does not exist.\","
              "\"fatal\":false,\"answer\":\"ignore\"}\n");

    // Abort stops the game: the next report, made while no game runs, shows nothing.
    const auto answers = folder.WriteText("answers.txt", "abort\n");
    const tools::ProgramRun aborted = tools::Qvf(
        folder, {"run", Game("bad_code"), "--steps", "5", "--answers", answers.string()});
    EXPECT_EQ(aborted.status, 0) << aborted.err;
    EXPECT_EQ(aborted.out,
              "{\"step\":0,\"kind\":\"error\",\"text\":\"ERROR:\\rin Creation event of object "
              "faulty\\rin code at line 1 pos 13: Division by 0.\",\"fatal\":false,"
              "\"answer\":\"abort\"}\n");
}

TEST(Games, AMovingInstanceIsPutBackWhereItTouchesASolidWall) {
    TempDir folder;
    // The ball's box spans x .. x + 31 and the wall's 64 .. 95. At 4 pixels a step the boxes
    // first overlap after the motion of step 9 (x 36): the collision pass puts the ball back
    // to x 32, where its event stops it; nine Step events have run by then.
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", Game("wall_hit"), "--steps", "15", "--frames",
                            (folder.Path() / "frames").string(), "--every", "15"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"step\":9,\"kind\":\"message\",\"text\":\"hit at 32 in step 9\"}\n");

    // Nothing has a sprite: the frame is the room's silver background, 8 x 2 cells of 32.
    const Bitmap frame = ReadPng(folder.Path() / "frames" / "frame-000015.png");
    EXPECT_EQ(frame.Width(), 256);
    EXPECT_EQ(frame.Height(), 64);
    EXPECT_EQ(frame.At(100, 40) & 0xFFFFFFu, 0xC0C0C0u);
}

TEST(Games, AKeyPressRunsItsEventOnceAndTheNoKeyEventRunsWhileNothingIsHeld) {
    TempDir folder;
    const auto input = folder.WriteText("input.txt", "# the right arrow\n"
                                                     "3 key_down 39\n"
                                                     "6 key_up 39\n"
                                                     "8 key_down 39\n");
    // Steps 1 and 2 run the no-key event (idle 2); step 3 runs the key's event once; steps 4
    // and 5 run neither, the key being held but already taken; steps 6 and 7 are idle again.
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", Game("keys"), "--steps", "10", "--input", input.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"step\":3,\"kind\":\"message\",\"text\":\"right, idle 2\"}\n"
                       "{\"step\":8,\"kind\":\"message\",\"text\":\"right, idle 4\"}\n");
}

TEST(Games, TheLargerDepthIsDrawnBehindAndSpriteCornersAreSeeThrough) {
    TempDir folder;
    const auto frames = folder.Path() / "frames";
    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", Game("depth"), "--steps", "1", "--frames", frames.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    const Bitmap frame = ReadPng(frames / "frame-000001.png");
    // Both 16 x 16 squares stand at (32, 32); red comes later in the room but with depth 5
    // it is drawn first, so blue covers it.
    EXPECT_EQ(frame.At(40, 40) & 0xFFFFFFu, 0x0000FFu);
    // The bottom-left pixel of each square is white, its see-through colour: the black
    // background shows there, as it does outside the squares.
    EXPECT_EQ(frame.At(32, 47) & 0xFFFFFFu, 0x000000u);
    EXPECT_EQ(frame.At(10, 10) & 0xFFFFFFu, 0x000000u);
}

// The bundled example is a game a newcomer plays first: its code must be clean, and left alone
// it must come to an end (a bomb reaches the basket, or both rooms run out), say so in a
// message and offer the score to the high-score table, with the score the message names. Its
// music plays from the start to the end.
TEST(Games, TheExampleGameHasCleanCodeAndPlaysToItsEnd) {
    TempDir folder;
    const std::string example = std::string(VELKARO_EXAMPLES_DIR) + "/catch.qvf";
    const tools::ProgramRun check = tools::Qvf(folder, {"check", example});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out.rfind(example + ": no errors in ", 0), 0u) << check.out;

    const tools::ProgramRun run =
        tools::Qvf(folder, {"run", example, "--seed", "3", "--steps", "3000"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<nlohmann::json> shown;
    long lastStep = 0;
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line);
        lastStep = entry["step"].get<long>();
        if (entry["kind"] != "sound") {
            shown.push_back(entry);
        }
    }
    EXPECT_LT(lastStep, 3000) << "the game should end by itself";
    ASSERT_GE(shown.size(), 2u) << run.out;
    EXPECT_EQ(shown.front()["kind"], "music");
    EXPECT_EQ(shown.front()["step"], 0);
    EXPECT_EQ(shown.front()["file"], std::string(VELKARO_EXAMPLES_DIR) + "/catch_data/tune.mid");
    EXPECT_EQ(shown.back()["kind"], "music");
    EXPECT_EQ(shown.back()["action"], "stop");
    shown.erase(shown.begin());
    shown.pop_back();
    ASSERT_EQ(shown.size(), 2u) << run.out;
    ASSERT_EQ(shown[0]["kind"], "message");
    const std::string text = shown[0]["text"];
    const bool lost = text.rfind("Boom! You caught a bomb.\rYour score: ", 0) == 0;
    const bool won = text.rfind("You made it! Score: ", 0) == 0;
    EXPECT_TRUE(lost || won) << text;
    EXPECT_EQ(shown[1]["kind"], "highscore");
    EXPECT_EQ(text.substr(text.rfind(' ') + 1), std::to_string(shown[1]["score"].get<int>()));
}

// The second example was written by a game author from the language reference alone: it must
// check clean, end by itself when nobody plays, and reward the input file that plays it well.
TEST(Games, TheSnakeExampleEndsByItselfAndRewardsPlaying) {
    const std::filesystem::path built(VELKARO_EXAMPLES_DIR);
    const std::filesystem::path sources(VELKARO_EXAMPLE_SOURCES);
    // A folder of its own for each run: the high-score table it writes must not carry over.
    const auto play = [&](const std::vector<std::string>& extra) {
        TempDir folder;
        std::filesystem::copy(built / "snake.qvf", folder.Path());
        std::filesystem::copy(built / "snake_data", folder.Path() / "snake_data");
        std::vector<std::string> args = {
            "run", (folder.Path() / "snake.qvf").string(), "--seed", "1", "--steps", "5000"};
        args.insert(args.end(), extra.begin(), extra.end());
        const tools::ProgramRun run = tools::Qvf(folder, args);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<nlohmann::json> lines;
        std::istringstream out(run.out);
        for (std::string line; std::getline(out, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    };
    const auto finalScore = [](const std::vector<nlohmann::json>& lines) {
        for (const auto& line : lines) {
            if (line["kind"] == "highscore") {
                return line["score"].get<int>();
            }
        }
        ADD_FAILURE() << "no high-score table at the end";
        return -1;
    };

    TempDir checked;
    const tools::ProgramRun check = tools::Qvf(checked, {"check", (built / "snake.qvf").string()});
    EXPECT_EQ(check.status, 0) << check.out << check.err;

    const std::vector<nlohmann::json> alone = play({});
    ASSERT_FALSE(alone.empty());
    EXPECT_LT(alone.back()["step"].get<long>(), 5000) << "the game should end by itself";
    const std::vector<nlohmann::json> played =
        play({"--input", (sources / "snake" / "plays" / "win" / "input.txt").string(), "--answers",
              (sources / "snake" / "plays" / "win" / "answers.txt").string()});
    ASSERT_FALSE(played.empty());
    EXPECT_LT(played.back()["step"].get<long>(), 5000);
    EXPECT_GT(finalScore(played), finalScore(alone)) << "playing well scores better";
}

} // namespace
} // namespace velkaro::test
