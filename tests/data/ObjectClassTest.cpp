#include "data/ObjectClass.h"
#include "data/FontDescription.h"
#include "data/SoundClass.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

TEST(EventRows, EventListGrowsARowWithEmptyListsAndRejectsOutOfRange) {
    CObject object;
    CActionList* list = object.EventList(kKeyboardEvent, 65);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(object.RowLength(kKeyboardEvent), 66);
    EXPECT_FALSE(object.HasEvent(kKeyboardEvent));
    EXPECT_EQ(object.EventList(kKeyboardEvent, 65), list) << "the same list every time";
    EXPECT_EQ(object.EventList(kKeyboardEvent, 3)->Count(), 0);
    EXPECT_EQ(object.RowLength(kKeyboardEvent), 66) << "a lower sub-event does not shrink it";

    EXPECT_EQ(object.EventList(13, 0), nullptr);
    EXPECT_EQ(object.EventList(-1, 0), nullptr);
    EXPECT_EQ(object.EventList(0, 10001), nullptr);
    EXPECT_EQ(object.EventList(0, -1), nullptr);
    EXPECT_NE(object.EventList(0, 10000), nullptr);

    list->Add().id = 5;
    EXPECT_TRUE(object.HasEvent(kKeyboardEvent));
    EXPECT_EQ(object.FindEventList(kKeyboardEvent, 65), list);
    EXPECT_EQ(object.FindEventList(kKeyboardEvent, 64), nullptr);

    object.Clear();
    EXPECT_FALSE(object.HasEvent(kKeyboardEvent));
    EXPECT_EQ(object.RowLength(kKeyboardEvent), 0);
    EXPECT_EQ(object.name, "<new>");
}

TEST(EventRows, NamesInErrorReports) {
    EXPECT_STREQ(EventRowName(kCreationEvent), "Creation event");
    EXPECT_STREQ(EventRowName(kAlarmEvent), "Alarm event");
    EXPECT_STREQ(EventRowName(kCollisionEvent), "Collision event");
    EXPECT_STREQ(EventRowName(kOtherEvent), "Other event");
    EXPECT_STREQ(EventRowName(kDrawingEvent), "Drawing event");
    EXPECT_STREQ(EventRowName(kKeyboardEvent), "Keyboard event");
    EXPECT_STREQ(EventRowName(7), "");
    EXPECT_STREQ(EventRowName(13), "");
}

TEST(FontDescriptions, NameSizeColourAndStyleCharacters) {
    const FontDescription arial = ParseFontDescription("Arial#12#255#1000");
    EXPECT_EQ(arial.name, "Arial");
    EXPECT_EQ(arial.size, 12);
    EXPECT_EQ(arial.colour, 255u);
    EXPECT_TRUE(arial.bold);
    EXPECT_FALSE(arial.italic || arial.underline || arial.strikeOut);

    const FontDescription courier = ParseFontDescription("Courier#10#0#0101");
    EXPECT_EQ(courier.name, "Courier");
    EXPECT_EQ(courier.size, 10);
    EXPECT_EQ(courier.colour, 0u);
    EXPECT_FALSE(courier.bold);
    EXPECT_TRUE(courier.italic);
    EXPECT_FALSE(courier.underline);
    EXPECT_TRUE(courier.strikeOut);

    EXPECT_EQ(ParseFontDescription(""), FontDescription());
    // Unchecked digits: 'A' is 17 past '0'.
    EXPECT_EQ(ParseFontDescription("X#1A#0#").size, 1 * 10 + 17);
    EXPECT_EQ(ParseFontDescription("Times New Roman#8#16711680#2x1y").name, "Times New Roman");
    EXPECT_TRUE(ParseFontDescription("T#8#0#2x1y").underline);
    EXPECT_FALSE(ParseFontDescription("T#8#0#2x1y").bold);
    EXPECT_EQ(ParseFontDescription("Only").size, 0) << "missing parts read as nothing";
}

TEST(SoundKinds, ByExtensionInAnyCase) {
    EXPECT_EQ(SoundKindOf("Boom.WAV"), SoundKind::Wave);
    EXPECT_EQ(SoundKindOf("music\\theme.Mid"), SoundKind::Midi);
    EXPECT_EQ(SoundKindOf("x.mp3"), SoundKind::Mp3);
    EXPECT_EQ(SoundKindOf("tune.midi"), SoundKind::Other);
    EXPECT_EQ(SoundKindOf("noextension"), SoundKind::Other);
    EXPECT_EQ(SoundKindOf("folder.wav\\file"), SoundKind::Other);
    EXPECT_EQ(static_cast<int>(SoundKind::Other), 10);
}

} // namespace
} // namespace velkaro
