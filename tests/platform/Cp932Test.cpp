#include <gtest/gtest.h>

#include "platform/Cp932.h"

namespace tessarin {
namespace {

TEST(Cp932, ConvertsBothWaysAndRefusesBadInput) {
    // 上のリストに戻る in code page 932.
    const std::string cp932 = "\x8F\xE3\x82\xCC\x83\x8A\x83\x58\x83\x67\x82\xC9\x96\xDF\x82\xE9";
    const auto utf8 = Cp932ToUtf8(cp932);
    ASSERT_TRUE(utf8);
    EXPECT_EQ(*utf8, "上のリストに戻る");
    EXPECT_EQ(Utf8ToCp932(*utf8), cp932);
    EXPECT_EQ(Cp932ToUtf8("plain"), "plain");
    EXPECT_FALSE(Cp932ToUtf8("\x81"));              // lone lead byte
    EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x98\x80"));  // no CP932 form
    EXPECT_EQ(Utf8ToCp932(""), "");
}

TEST(Cp932, SearchSkipsTrailBytesOfDoubleByteCharacters) {
    // 表 is 0x95 0x5C: its trail byte is a backslash.
    const std::string text =
        "\x95\x5C"
        "a\\b";
    EXPECT_EQ(Cp932FindAnyOf(text, "\\"), 3u);
    EXPECT_EQ(Cp932FindAnyOf("\x95\x5C", "\\"), std::string::npos);
    EXPECT_EQ(Cp932FindAnyOf("ab|cd|", "|", 3), 5u);
    // ソ is 0x83 0x7C: its trail byte is '|'.
    EXPECT_EQ(Cp932FindAnyOf("\x83\x7C", "|"), std::string::npos);
    EXPECT_EQ(Cp932FindLast("a.b\x83\x2E"
                            "c",
                            '.'),
              1u);
    EXPECT_EQ(Cp932FindLast("", '.'), std::string::npos);
}

}  // namespace
}  // namespace tessarin
