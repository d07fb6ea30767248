#include <gtest/gtest.h>

#include "platform/FormEscape.h"

namespace tessarin {
namespace {

TEST(FormEscape, LettersStayBlanksBecomePlusTheRestIsHex) {
    struct Case {
        std::string in;
        FormBlanks blanks;
        std::string out;
    } cases[] = {
        {"Az09", FormBlanks::SpaceOnly, "Az09"},           {"a+b@c.d", FormBlanks::SpaceOnly, "a%2Bb%40c%2Ed"},
        {"a b\tc", FormBlanks::SpaceOnly, "a+b%09c"},      {"a b\tc\r\n", FormBlanks::AnyWhitespace, "a+b+c++"},
        {"\x8F\xE3", FormBlanks::AnyWhitespace, "%8F%E3"}, {"", FormBlanks::SpaceOnly, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormEscape(c.in, c.blanks), c.out) << c.in;
}

}  // namespace
}  // namespace tessarin
