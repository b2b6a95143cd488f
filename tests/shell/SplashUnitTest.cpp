#include "shell/SplashUnit.h"

#include "codecs/PictureLoader.h"
#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

// Keeps what the window was asked to show.
class RecordingSplashWindow : public SplashWindow {
public:
    struct Shown {
        std::string type;
        std::filesystem::path file;
        SplashBox window;
        SplashBox place;
        std::int32_t delayMs = 0;
        Colour background = 0;
        bool full = false;
        bool loop = false;
    };

    ScreenSize SplashScreenSize() const override { return screen; }
    void ShowImage(const std::filesystem::path& file, const Bitmap&, SplashBox window,
                   SplashBox place, std::int32_t delayMs) override {
        shown.push_back({"image", file, window, place, delayMs});
    }
    void ShowVideo(const std::filesystem::path& file, bool full, bool loop) override {
        shown.push_back({"video", file, {}, {}, 0, 0, full, loop});
    }
    void ShowText(const std::filesystem::path& file, SplashBox window, Colour background,
                  std::int32_t delayMs) override {
        shown.push_back({"text", file, window, {}, delayMs, background});
    }

    ScreenSize screen{1024, 768};
    std::vector<Shown> shown;
};

class SplashScreensTest : public ::testing::Test {
protected:
    std::string Name(const std::string& file) const { return folder.Path().string() + "/" + file; }

    test::TempDir folder;
    RecordingSplashWindow window;
    PictureLoader pictures;
    test::RecordingDialogs dialogs;
    CSplashScreens screens{window, pictures, dialogs};
};

TEST(SplashLayout, AFullScreenPictureKeepsItsProportionsAndIsCentred) {
    // 1024 / 320 = 3.2 and 768 / 200 = 3.84: the width decides.
    EXPECT_EQ(FitToScreen(320, 200, {1024, 768}), (SplashBox{0, 64, 1024, 640}));
    // A tall picture: the height decides, and the picture is centred across.
    EXPECT_EQ(FitToScreen(100, 200, {1024, 768}), (SplashBox{320, 0, 384, 768}));
    // 3 x 2 on 5 x 5: scale 5/3, 5 wide and 3.33 high rounded to 3; one pixel from the top.
    EXPECT_EQ(FitToScreen(3, 2, {5, 5}), (SplashBox{0, 1, 5, 3}));
    // Halves go to the even neighbour: scaled by 0.5, a height of 1.5 becomes 2 and one of 3.5
    // becomes 4.
    EXPECT_EQ(FitToScreen(4, 3, {2, 100}), (SplashBox{0, 49, 2, 2}));
    EXPECT_EQ(FitToScreen(4, 7, {2, 100}), (SplashBox{0, 48, 2, 4}));
    EXPECT_EQ(FitToScreen(0, 0, {1024, 768}), (SplashBox{512, 384, 0, 0}));
}

TEST(SplashLayout, OffsetsOfAnOddDifferenceRoundTowardZero) {
    EXPECT_EQ(CentreOnScreen(641, 481, {1024, 768}), (SplashBox{191, 143, 641, 481}));
    // A window larger than the screen reaches over its top-left corner.
    EXPECT_EQ(CentreOnScreen(1025, 769, {1024, 768}), (SplashBox{0, 0, 1025, 769}));
    EXPECT_EQ(CentreOnScreen(1027, 771, {1024, 768}), (SplashBox{-1, -1, 1027, 771}));
}

TEST_F(SplashScreensTest, AMissingFileShowsNothing) {
    screens.ShowSplashImage(Name("intro.bmp"), true, 3000);
    screens.ShowSplashVideo(Name("intro.avi"), true, true);
    screens.ShowSplashText(Name("intro.txt"), false, 0, 3000);
    screens.ShowSplashText("", false, 0, 3000);
    EXPECT_TRUE(window.shown.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SplashScreensTest, APictureInAWindowIsShownUnscaledInAWindowOfItsSize) {
    folder.Write("intro.bmp", test::MakeBmp24(320, 200, [](int, int) { return 0x112233u; }));
    screens.ShowSplashImage(Name("intro.bmp"), false, 2000);
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(window.shown[0].type, "image");
    EXPECT_EQ(window.shown[0].window, (SplashBox{352, 284, 320, 200}));
    EXPECT_EQ(window.shown[0].place, (SplashBox{0, 0, 320, 200}));
    EXPECT_EQ(window.shown[0].delayMs, 2000);
}

TEST_F(SplashScreensTest, AFullScreenPictureCoversTheScreenAndIsScaledToFit) {
    folder.Write("intro.bmp", test::MakeBmp24(320, 200, [](int, int) { return 0x112233u; }));
    screens.ShowSplashImage(Name("intro.bmp"), true, 0);
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(window.shown[0].window, (SplashBox{0, 0, 1024, 768}));
    EXPECT_EQ(window.shown[0].place, (SplashBox{0, 64, 1024, 640}));
}

TEST_F(SplashScreensTest, GameNamesFindTheirFileWhateverTheLetterCaseAndSeparator) {
    std::filesystem::create_directory(folder.Path() / "Screens");
    folder.WriteText("Screens/Credits.TXT", "Thanks for playing");
    screens.ShowSplashText(Name("screens\\credits.txt"), false, 0x00FF00, 5000);
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(window.shown[0].file, folder.Path() / "Screens/Credits.TXT");
    EXPECT_EQ(window.shown[0].window, (SplashBox{192, 144, 640, 480}));
    EXPECT_EQ(window.shown[0].background, 0x00FF00u);
    EXPECT_EQ(window.shown[0].delayMs, 5000);
}

TEST_F(SplashScreensTest, AFullScreenTextCoversTheScreenAndVideosKeepTheirFlags) {
    folder.WriteText("end.rtf", "{\\rtf1 Bye}");
    folder.WriteText("end.avi", "not really a video");
    screens.ShowSplashText(Name("end.rtf"), true, 0, 0);
    screens.ShowSplashVideo(Name("end.avi"), true, false);
    ASSERT_EQ(window.shown.size(), 2u);
    EXPECT_EQ(window.shown[0].window, (SplashBox{0, 0, 1024, 768}));
    EXPECT_EQ(window.shown[1].type, "video");
    EXPECT_TRUE(window.shown[1].full);
    EXPECT_FALSE(window.shown[1].loop);
}

TEST_F(SplashScreensTest, APictureThatCannotBeReadIsReportedNotShown) {
    folder.WriteText("broken.bmp", "BM but nothing else");
    screens.ShowSplashImage(Name("broken.bmp"), false, 1000);
    EXPECT_TRUE(window.shown.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("broken.bmp"), std::string::npos) << dialogs.messages[0];
}

} // namespace
} // namespace velkaro
