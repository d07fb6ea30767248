#include <gtest/gtest.h>

#include "platform/ByteIo.h"

namespace tessarin {
namespace {

TEST(ByteIo, WriterAndReaderRoundTripLittleEndianFields) {
    std::vector<std::uint8_t> buf;
    ByteWriter(buf).U8(0xAB).U16(0x1234).U32(0xDEADBEEF).I32(-2).U64(0x0102030405060708ull).Text("hi", 5);
    const std::vector<std::uint8_t> expected = {0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFE, 0xFF, 0xFF, 0xFF, 8,
                                                7,    6,    5,    4,    3,    2,    1,    'h',  'i',  0,    0,    0};
    EXPECT_EQ(buf, expected);

    ByteReader r(buf);
    EXPECT_EQ(r.U8(), 0xAB);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0xDEADBEEFu);
    EXPECT_EQ(r.I32(), -2);
    EXPECT_EQ(r.U64(), 0x0102030405060708ull);
    EXPECT_EQ(r.Text(5), "hi");
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteIo, ReadingPastTheEndFailsWithoutTouchingMemory) {
    const std::vector<std::uint8_t> buf = {1, 2, 3};
    ByteReader r(buf);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Bytes(1).empty());  // stays failed
    ByteReader huge(buf);
    EXPECT_TRUE(huge.Bytes(static_cast<std::size_t>(-1)).empty());
    EXPECT_FALSE(huge.Ok());
}

TEST(ByteIo, TextFieldsAreCutAndPadded) {
    std::vector<std::uint8_t> buf;
    ByteWriter(buf).Text("abcdef", 4);
    EXPECT_EQ(buf, (std::vector<std::uint8_t>{'a', 'b', 'c', 'd'}));
    ByteReader r(buf);
    EXPECT_EQ(r.Text(4), "abcd");  // no terminator when full
}

}  // namespace
}  // namespace tessarin
