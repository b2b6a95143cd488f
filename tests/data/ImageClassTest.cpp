#include "data/ImageClass.h"
#include "data/MaskTable.h"

#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlue = 0x0000FF;

// An image record as the loader reads it, sub-images given as 0xRRGGBB painters.
CImage LoadImage(int width, int height,
                 const std::vector<std::function<std::uint32_t(int, int)>>& frames,
                 test::RecordingDialogs& dialogs) {
    test::Bytes b;
    b.Int(300).Int(width).Int(height).Int(11).Int(-12).Int(13).Int(14);
    b.Int(static_cast<std::int32_t>(frames.size()));
    for (const auto& paint : frames) {
        b.Raw(test::MakeBmp24(width, height, paint));
    }
    b.Int(0x5A5A5A5A); // whatever follows the record
    CStream stream(b.data);
    Files files;
    LoadContext context{stream, dialogs, files, ""};
    CImage image;
    image.Load(context);
    EXPECT_EQ(ReadInt(stream), 0x5A5A5A5A) << "the record is consumed exactly";
    return image;
}

TEST(Image, KeepsTheRecordAndDecodesEachSubImage) {
    test::RecordingDialogs dialogs;
    CImage image = LoadImage(3, 2,
                             {[](int x, int y) { return static_cast<std::uint32_t>(x * 16 + y); },
                              [](int, int) { return kBlue; }},
                             dialogs);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.reserved, (std::array<std::int32_t, 4>{11, -12, 13, 14}));
    ASSERT_EQ(image.Count(), 2);
    auto first = image.GetFrame(0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->Width(), 3);
    EXPECT_EQ(ColourFromPixel(first->At(2, 1)), 0x210000u) << "blue 0x21 as a colour value";
    EXPECT_EQ(ColourFromPixel(image.GetFrame(1)->At(0, 0)), 0xFF0000u);
    EXPECT_FALSE(image.GetFrame(2).has_value());
    EXPECT_FALSE(image.GetFrame(-1).has_value());
}

TEST(Image, TransparentColourIsTheBottomLeftPixelOfTheFirstSubImage) {
    test::RecordingDialogs dialogs;
    CImage none = LoadImage(4, 4, {}, dialogs);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.TransparentColour(), 0xFFFFFFu);

    CImage red = LoadImage(4, 4,
                           {[](int x, int y) { return x == 0 && y == 3 ? kRed : kWhite; },
                            [](int, int) { return kBlue; }},
                           dialogs);
    EXPECT_EQ(red.TransparentColour(), 0x0000FFu) << "red as a colour value";
    EXPECT_EQ(BottomLeftColour(*red.Frame(1)), 0xFF0000u);
}

TEST(Image, AWrongVersionLeavesTheImageEmpty) {
    test::Bytes b;
    b.Int(299);
    CStream stream(b.data);
    test::RecordingDialogs dialogs;
    Files files;
    LoadContext context{stream, dialogs, files, ""};
    CImage image;
    image.width = 40;
    image.Load(context);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Internal error in image version."});
    EXPECT_EQ(image.Count(), 0);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 1);
}

TEST(Masks, SolidWhereAPixelDiffersFromItsSubImagesBottomLeftPixel) {
    test::RecordingDialogs dialogs;
    // Sub-image 0 has white in its corner; sub-image 1 has red there and white elsewhere, so
    // red is its only see-through colour while white is solid.
    CImage image =
        LoadImage(3, 3,
                  {[](int x, int y) { return x == 1 && y == 1 ? kBlue : kWhite; },
                   [](int x, int y) { return (x == 0 && y == 2) || x == 2 ? kRed : kWhite; }},
                  dialogs);
    CImageMask masks = BuildImageMask(image);
    ASSERT_EQ(masks.size(), 2u);
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 3; ++y) {
            EXPECT_EQ(masks[0].Solid(x, y), x == 1 && y == 1) << x << "," << y;
            EXPECT_EQ(masks[1].Solid(x, y), !(x == 0 && y == 2) && x != 2) << x << "," << y;
        }
    }
}

TEST(Masks, TableBuildsEachObjectOnceAndOnlyWithASprite) {
    CObjectList objects;
    CObject& sprite = objects.Add();
    sprite.image.width = 2;
    sprite.image.height = 1;
    Bitmap frame(2, 1, PixelFromColour(kWhite));
    frame.At(1, 0) = PixelFromColour(0x00FF00);
    sprite.image.AddFrame(frame);
    objects.Add(); // no sprite

    CMaskTable table(objects);
    table.Setup(false);
    EXPECT_FALSE(table.Built(1)) << "built on first use unless preprocessing";
    const CImageMask* masks = table.Masks(1);
    ASSERT_NE(masks, nullptr);
    EXPECT_TRUE((*masks)[0].Solid(1, 0));
    EXPECT_EQ(table.Masks(1), masks) << "a second request reuses the masks";
    EXPECT_EQ(table.Masks(2), nullptr);
    EXPECT_FALSE(table.Built(2));
    EXPECT_EQ(table.Masks(3), nullptr);
    EXPECT_EQ(table.Masks(0), nullptr);

    table.FreeMasks(1);
    EXPECT_FALSE(table.Built(1));
    table.Setup(true);
    EXPECT_TRUE(table.Built(1));
    table.Clear();
    EXPECT_FALSE(table.Built(1));
}

TEST(Masks, ASubImageSmallerThanTheRecordIsSeeThroughBeyondItsEdge) {
    CImage image;
    image.width = 4;
    image.height = 4;
    image.AddFrame(Bitmap(2, 2, PixelFromColour(kBlue)));
    CImageMask masks = BuildImageMask(image);
    ASSERT_EQ(masks.size(), 1u);
    EXPECT_EQ(masks[0].Width(), 2);
    EXPECT_EQ(masks[0].Height(), 2);
}

} // namespace
} // namespace velkaro
