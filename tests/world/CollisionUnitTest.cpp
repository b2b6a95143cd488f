#include "world/CollisionUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velkaro {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFFu;
constexpr Pixel kBlack = 0xFF000000u;
constexpr Pixel kRed = 0xFFFF0000u;

// A sprite drawn as text: '.' white, '#' black, 'r' red; one string per row, top row first.
Bitmap Sprite(const std::vector<std::string>& rows) {
    Bitmap bitmap(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            bitmap.At(x, y) = c == '#' ? kBlack : c == 'r' ? kRed : kWhite;
        }
    }
    return bitmap;
}

// Solid top-left quarter, and solid bottom-right quarter, of a 4 x 4 sprite.
const std::vector<std::string> kTopLeft = {"##..", "##..", "....", "...."};
const std::vector<std::string> kBottomRight = {"....", "....", "..##", "..##"};

enum TestObject : int {
    kTopLeftObject = 1,
    kBottomRightObject,
    kNoSprite,
    kTwoFrames,      // frame 0 top-left, frame 1 bottom-right
    kRedBackground,  // frame 0 white background, frame 1 red background
    kBoxBeyondImage, // the top-left sprite with a box from -8 to 11
};

class CollisionTest : public ::testing::Test {
protected:
    CollisionTest() {
        AddObject("top_left", {kTopLeft}, 0, 3);
        AddObject("bottom_right", {kBottomRight}, 0, 3);
        AddObject("no_sprite", {}, 0, 3);
        AddObject("two_frames", {kTopLeft, kBottomRight}, 0, 3);
        // Frame 1: red is its background, so its white pixels are solid and red ones empty.
        AddObject("red_background", {kTopLeft, {"rr..", "rr..", "rrrr", "rrrr"}}, 0, 3);
        AddObject("box_beyond_image", {kTopLeft}, -8, 11);
        collision.Setup(objects, false, false);
    }

    void AddObject(const std::string& name, const std::vector<std::vector<std::string>>& frames,
                   int boxFirst, int boxLast) {
        CObject& object = objects.Add();
        object.name = name;
        object.image.width = 4;
        object.image.height = 4;
        for (const auto& frame : frames) {
            object.image.AddFrame(Sprite(frame));
        }
        object.bbLeft = boxFirst;
        object.bbTop = boxFirst;
        object.bbRight = boxLast;
        object.bbBottom = boxLast;
    }

    CInstance& Place(int object, double x, double y, int mode = 0) {
        CInstance& instance = instances.Add(objects, object, x, y);
        instance.collision_mode = mode;
        return instance;
    }

    CObjectList objects;
    CInstanceList instances;
    CCollision collision;
};

TEST_F(CollisionTest, BoxesOverlapWithInclusiveEdgesAndNeverWithThemselves) {
    CInstance& a = Place(kTopLeftObject, 10, 10);
    // a's box is 10..13 both ways; b is moved around it.
    struct Case {
        double x, y;
        bool collide;
    };
    const Case cases[] = {
        {13, 10, true}, {14, 10, false}, {7, 10, true}, {6, 10, false},
        {10, 13, true}, {10, 14, false}, {10, 7, true}, {10, 6, false},
        {13, 13, true}, {14, 14, false}, {6, 6, false}, {7, 7, true},
    };
    for (const Case& c : cases) {
        CInstance& b = Place(kBottomRightObject, c.x, c.y);
        EXPECT_EQ(collision.InstancesCollide(a, b), c.collide) << c.x << "," << c.y;
        EXPECT_EQ(collision.InstancesCollide(b, a), c.collide) << c.x << "," << c.y;
    }
    EXPECT_FALSE(collision.InstancesCollide(a, a));
    a.collision_mode = 1;
    EXPECT_FALSE(collision.InstancesCollide(a, a));
}

TEST_F(CollisionTest, BoxTestsIgnoreTheSprites) {
    // Overlapping boxes whose solid pixels never meet, and a box without any sprite.
    CInstance& topLeft = Place(kTopLeftObject, 0, 0);
    CInstance& bottomRight = Place(kBottomRightObject, 0, 0);
    CInstance& none = Place(kNoSprite, 2, 2);
    EXPECT_TRUE(collision.InstancesCollide(topLeft, bottomRight));
    EXPECT_TRUE(collision.InstancesCollide(topLeft, none));
    EXPECT_TRUE(collision.InstancesCollide(none, topLeft));
}

TEST_F(CollisionTest, OnlyTheFirstInstancesModeOrThePreciseOptionMakesATestPrecise) {
    CInstance& a = Place(kTopLeftObject, 0, 0, 1);
    CInstance& b = Place(kBottomRightObject, 0, 0, 0);
    EXPECT_FALSE(collision.InstancesCollide(a, b)); // a precise: the quarters do not meet
    EXPECT_TRUE(collision.InstancesCollide(b, a));  // b's box test

    for (int mode : {0, 2, -1}) {
        b.collision_mode = mode;
        EXPECT_TRUE(collision.InstancesCollide(b, a)) << mode;
    }

    collision.Setup(objects, true, false);
    b.collision_mode = 0;
    EXPECT_FALSE(collision.InstancesCollide(b, a));
    EXPECT_FALSE(collision.InstancesCollide(a, b));
}

TEST_F(CollisionTest, PreciseTestsCompareMasksAtTheRoundedPositions) {
    collision.Setup(objects, true, false);
    CInstance& a = Place(kTopLeftObject, 0, 0);
    // b's top-left quarter is solid at columns bx..bx+1: it meets a's columns 0..1 only
    // while bx rounds to 1 or less; rows likewise.
    struct Case {
        double x, y;
        bool collide;
    };
    const Case cases[] = {
        {0, 0, true},     {1, 1, true},       {2, 0, false},      {0, 2, false},
        {1.4, 1.4, true}, {1.6, 0, false},    {1.5, 0, false},    {0.5, 0.5, true},
        {-1, -1, true},   {-0.5, -0.5, true}, {-1.4, -1.4, true}, {-1.5, -1.5, false},
        {-2.5, 0, false}, {-2, 0, false},
    };
    for (const Case& c : cases) {
        CInstance& b = Place(kTopLeftObject, c.x, c.y);
        EXPECT_EQ(collision.InstancesCollide(a, b), c.collide) << c.x << "," << c.y;
        EXPECT_EQ(collision.InstancesCollide(b, a), c.collide) << c.x << "," << c.y;
    }
    // The bottom-right quarter of b meets a's top-left one when b is shifted up-left by 2.
    EXPECT_TRUE(collision.InstancesCollide(a, Place(kBottomRightObject, -2, -2)));
    EXPECT_TRUE(collision.InstancesCollide(a, Place(kBottomRightObject, -3, -3)));
    EXPECT_FALSE(collision.InstancesCollide(a, Place(kBottomRightObject, -2, 0)));
    EXPECT_FALSE(collision.InstancesCollide(a, Place(kBottomRightObject, 0, 0)));
}

TEST_F(CollisionTest, PreciseTestsUseTheShownSubimage) {
    collision.Setup(objects, true, false);
    CInstance& topLeft = Place(kTopLeftObject, 0, 0);
    CInstance& animated = Place(kTwoFrames, 0, 0);
    struct Case {
        int index;
        double counter;
        bool showsTopLeft;
    };
    const Case cases[] = {
        {0, 1, true},      {1, 0, false},     {2, 1, true},
        {3, 0, false},     {-1, 0, true},     {-1, 0.9, true},
        {-1, 1.7, false},  {-1, 2.2, true},   {-1, 5, false},
        {-1, -0.5, false}, // an animation running backwards wraps round
        {-1, -2, true},    {-1, 1e300, true}, {-1, std::nan(""), true},
    };
    for (const Case& c : cases) {
        animated.image_index = c.index;
        animated.image_counter = c.counter;
        EXPECT_EQ(collision.InstancesCollide(topLeft, animated), c.showsTopLeft)
            << c.index << " " << c.counter;
        EXPECT_EQ(collision.InstancesCollide(animated, topLeft), c.showsTopLeft)
            << c.index << " " << c.counter;
    }
}

TEST_F(CollisionTest, OnlyTheSubimagesOwnCornerColourIsEmpty) {
    collision.Setup(objects, true, false);
    CInstance& red = Place(kRedBackground, 0, 0);
    red.image_index = 1; // red corner: its red pixels are empty, its white ones solid
    EXPECT_FALSE(collision.InstancesCollide(red, Place(kTopLeftObject, 0, 0)));
    EXPECT_TRUE(collision.InstancesCollide(red, Place(kTopLeftObject, 2, 0)));
    EXPECT_FALSE(collision.InstancesCollide(red, Place(kTopLeftObject, 2, 2)));
    red.image_index = 0; // white corner: the black quarter is solid
    EXPECT_TRUE(collision.InstancesCollide(red, Place(kTopLeftObject, 0, 0)));
    EXPECT_FALSE(collision.InstancesCollide(red, Place(kTopLeftObject, 2, 0)));
}

TEST_F(CollisionTest, AnInstanceWithoutSpriteIsNeverHitPrecisely) {
    CInstance& none = Place(kNoSprite, 0, 0);
    CInstance& sprite = Place(kTopLeftObject, 0, 0, 1);
    EXPECT_FALSE(collision.InstancesCollide(sprite, none));
    EXPECT_TRUE(collision.InstancesCollide(none, sprite));
    none.collision_mode = 1;
    EXPECT_FALSE(collision.InstancesCollide(none, sprite));
    EXPECT_FALSE(collision.PointInInstance(none, 0, 0));
    none.collision_mode = 0;
    EXPECT_TRUE(collision.PointInInstance(none, 0, 0));
}

TEST_F(CollisionTest, PlacesOutsideTheSpriteAreEmpty) {
    collision.Setup(objects, true, false);
    // The box runs from -8 to 11 around a sprite covering 0..3.
    CInstance& wide = Place(kBoxBeyondImage, 0, 0);
    EXPECT_TRUE(collision.InstancesCollide(wide, Place(kTopLeftObject, 1, 1)));
    for (double at : {-8.0, -5.0, 4.0, 8.0}) {
        CInstance& other = Place(kBoxBeyondImage, at, at);
        EXPECT_FALSE(collision.InstancesCollide(wide, other)) << at;
        EXPECT_FALSE(collision.InstancesCollide(other, wide)) << at;
    }
    for (double at : {-8.0, -0.5, 4.0, 11.0}) {
        EXPECT_FALSE(collision.PointInInstance(wide, at, 0)) << at;
        EXPECT_FALSE(collision.PointInInstance(wide, 0, at)) << at;
    }
    EXPECT_TRUE(collision.PointInInstance(wide, 1.9, 1.9));
}

TEST_F(CollisionTest, ScaledSpritesAreReadThroughTheScale) {
    collision.Setup(objects, true, false);
    CInstance& big = Place(kTopLeftObject, 0, 0);
    big.SetImageScale(2); // solid over 0..3 both ways, box 0..6
    EXPECT_TRUE(collision.PointInInstance(big, 3.9, 3.9));
    EXPECT_FALSE(collision.PointInInstance(big, 4, 0));
    EXPECT_TRUE(collision.InstancesCollide(big, Place(kTopLeftObject, 3, 3)));
    EXPECT_FALSE(collision.InstancesCollide(big, Place(kTopLeftObject, 4, 0)));
    EXPECT_TRUE(collision.InstancesCollide(Place(kTopLeftObject, 3, 3), big));

    CInstance& small = Place(kTopLeftObject, 10, 10);
    small.SetImageScale(0.5); // box 10..12 (11.5 rounds to 12); columns 0, 2, 4 are sampled
    EXPECT_TRUE(collision.PointInInstance(small, 10.9, 10.4));
    EXPECT_FALSE(collision.PointInInstance(small, 11, 10)); // column 2
    EXPECT_TRUE(collision.InstancesCollide(small, Place(kBottomRightObject, 8, 8)));
    EXPECT_FALSE(collision.InstancesCollide(small, Place(kBottomRightObject, 9, 9)));
}

TEST_F(CollisionTest, AScaleOfZeroOrLessNeverCollidesPrecisely) {
    // Placed so that the boxes overlap even where a negative scale turns the box round.
    for (double scale : {0.0, -1.0, -2.0, std::nan("")}) {
        CInstance& odd = Place(kTopLeftObject, 3, 3);
        odd.SetImageScale(scale);
        CInstance& normal = Place(kBoxBeyondImage, 0, 0);
        collision.Setup(objects, false, false);
        EXPECT_TRUE(collision.InstancesCollide(normal, odd)) << scale; // box test
        odd.collision_mode = 1;
        normal.collision_mode = 1;
        EXPECT_FALSE(collision.InstancesCollide(odd, normal)) << scale;
        EXPECT_FALSE(collision.InstancesCollide(normal, odd)) << scale;
        EXPECT_FALSE(collision.PointInInstance(odd, 3, 3)) << scale;
    }
}

TEST_F(CollisionTest, APointIsTestedExactlyAgainstTheBoxAndTheSprite) {
    CInstance& a = Place(kNoSprite, 0, 0);
    a.SetBbL(5);
    a.SetBbR(10);
    a.SetBbT(5);
    a.SetBbB(10);
    struct Case {
        double x, y;
        bool inside;
    };
    const Case cases[] = {
        {10.0, 7, true},   {10.5, 7, false}, {5.0, 7, true}, {4.99, 7, false}, {7, 10.0, true},
        {7, 10.01, false}, {7, 4.5, false},  {5, 5, true},   {10, 10, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collision.PointInInstance(a, c.x, c.y), c.inside) << c.x << "," << c.y;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(collision.PointInInstance(a, nan, 7));
    EXPECT_FALSE(collision.PointInInstance(a, 7, nan));

    // The sprite is laid at the exact position, not the rounded one: x = 0.4 puts the solid
    // columns 0..1 over 0.4..2.4, while the box runs from 0 to 3.
    CInstance& precise = Place(kTopLeftObject, 0.4, 0, 1);
    EXPECT_TRUE(collision.PointInInstance(precise, 2.2, 0));
    EXPECT_FALSE(collision.PointInInstance(precise, 0.2, 0));
    EXPECT_FALSE(collision.PointInInstance(precise, 2.5, 0));
    precise.collision_mode = 0;
    EXPECT_TRUE(collision.PointInInstance(precise, 0.2, 0));
    EXPECT_TRUE(collision.PointInInstance(precise, 3, 3));
    collision.Setup(objects, true, false);
    EXPECT_FALSE(collision.PointInInstance(precise, 3, 3));
}

TEST_F(CollisionTest, MasksAreAvailableWhetherBuiltAtStartOrOnFirstNeed) {
    for (bool preprocess : {false, true}) {
        collision.Setup(objects, true, preprocess);
        EXPECT_TRUE(
            collision.InstancesCollide(Place(kTopLeftObject, 0, 0), Place(kTwoFrames, 0, 0)));
        EXPECT_FALSE(collision.InstancesCollide(Place(kTopLeftObject, 0, 0),
                                                Place(kBottomRightObject, 0, 0)));
    }
    // Once the game has ended there are no masks left to find a solid pixel in.
    collision.Clear();
    EXPECT_FALSE(
        collision.InstancesCollide(Place(kTopLeftObject, 0, 0), Place(kTopLeftObject, 0, 0)));
}

TEST(ShownSubimageTest, BringsEveryPositionIntoRange) {
    CInstance instance;
    instance.image_index = -1;
    struct Case {
        double counter;
        int count;
        int expected;
    };
    const Case cases[] = {
        {0, 3, 0},  {2.9, 3, 2},  {3, 3, 0},       {7.5, 3, 1}, {-0.1, 3, 2}, {-3, 3, 0},
        {-4, 3, 2}, {1e18, 7, 1}, {-1e-300, 3, 2}, {5, 0, 0},   {5, -1, 0},
    };
    for (const Case& c : cases) {
        instance.image_counter = c.counter;
        EXPECT_EQ(ShownSubimage(instance, c.count), c.expected) << c.counter << " " << c.count;
    }
    instance.image_index = 4;
    EXPECT_EQ(ShownSubimage(instance, 3), 1);
    instance.image_counter = std::numeric_limits<double>::infinity();
    instance.image_index = -1;
    EXPECT_EQ(ShownSubimage(instance, 3), 0);
}

} // namespace
} // namespace velkaro
