#include "data/StreamClass.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

std::vector<std::uint8_t> Le(std::initializer_list<std::int32_t> values) {
    std::vector<std::uint8_t> out;
    for (auto v : values) {
        for (int s = 0; s < 32; s += 8) {
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> s));
        }
    }
    return out;
}

TEST(StreamPrimitives, IntegersAreLittleEndianAndSigned) {
    CStream s(std::vector<std::uint8_t>{0x2C, 0x01, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80});
    EXPECT_EQ(ReadInt(s), 300);
    EXPECT_EQ(ReadInt(s), -1);
    EXPECT_EQ(ReadInt(s), INT32_MIN);
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(StreamPrimitives, BoolsAreTrueOnlyAboveZero) {
    CStream s(Le({1, 0, -1, 2, INT32_MIN}));
    EXPECT_TRUE(ReadBool(s));
    EXPECT_FALSE(ReadBool(s));
    EXPECT_FALSE(ReadBool(s));
    EXPECT_TRUE(ReadBool(s));
    EXPECT_FALSE(ReadBool(s));
}

TEST(StreamPrimitives, StringsOfZeroOrNegativeLengthAreEmptyAndTakeOnlyTheirLength) {
    auto bytes = Le({0, -7, 3});
    bytes.insert(bytes.end(), {'a', 'b', 'c', 'z'});
    CStream s(bytes);
    EXPECT_EQ(ReadString(s), "");
    EXPECT_EQ(ReadString(s), "");
    EXPECT_EQ(ReadString(s), "abc");
    EXPECT_EQ(s.Remaining(), 1u);
}

TEST(StreamPrimitives, ReadingPastTheEndRaisesTheStreamError) {
    CStream shortInt(std::vector<std::uint8_t>{1, 2, 3});
    EXPECT_THROW(
        {
            try {
                ReadInt(shortInt);
            } catch (const GameFileError& e) {
                EXPECT_STREQ(e.what(), "Stream read error");
                throw;
            }
        },
        GameFileError);

    // A length beyond the end fails before anything is allocated for it.
    CStream longString(Le({0x7FFFFFFF}));
    EXPECT_THROW(ReadString(longString), GameFileError);
}

TEST(StreamPrimitives, WriterMakesWhatTheReaderReads) {
    CStreamWriter w;
    w.WriteInt(-123456);
    w.WriteString("h\xe9llo");
    w.WriteBool(true);
    CStream s(w.TakeBytes());
    EXPECT_EQ(ReadInt(s), -123456);
    EXPECT_EQ(ReadString(s), "h\xe9llo");
    EXPECT_TRUE(ReadBool(s));
}

} // namespace
} // namespace velkaro
