#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Paths.h"
#include "platform/SystemTime.h"

namespace tessarin {
namespace {

TEST(SystemTime, SixteenByteRecordRoundTrips) {
    SystemTime t{2024, 2, 4, 29, 23, 59, 58, 999};
    const auto bytes = t.ToBytes();
    const std::array<std::uint8_t, 16> expected = {0xE8, 0x07, 2, 0, 4, 0, 29, 0, 23, 0, 59, 0, 58, 0, 0xE7, 0x03};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(SystemTime::FromBytes(bytes), t);
    EXPECT_TRUE(SystemTime{}.IsZero());
}

TEST(SystemTime, CalendarConversionsAgreeAndNormalise) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    const std::time_t t = 1700000000;  // 2023-11-15 07:13:20 in Tokyo
    const SystemTime st = SystemTimeFromTimeT(t);
    EXPECT_EQ(st.year, 2023);
    EXPECT_EQ(st.month, 11);
    EXPECT_EQ(st.day, 15);
    EXPECT_EQ(st.hour, 7);
    EXPECT_EQ(st.dayOfWeek, 3);
    EXPECT_EQ(SystemTimeToTimeT(st), t);
    // Month 13 carries into the next year, as mktime does.
    SystemTime carry{2023, 13, 0, 1, 0, 0, 0, 0};
    const auto c = SystemTimeToTimeT(carry);
    ASSERT_TRUE(c);
    EXPECT_EQ(SystemTimeFromTimeT(*c).year, 2024);
    EXPECT_EQ(SystemTimeFromTimeT(*c).month, 1);
    unsetenv("TZ");
    tzset();
}

TEST(Paths, TessarinHomeOverridesTheDataFolder) {
    setenv("TESSARIN_HOME", "/tmp/th", 1);
    EXPECT_EQ(DataHome(), std::filesystem::path("/tmp/th"));
    unsetenv("TESSARIN_HOME");
    setenv("XDG_DATA_HOME", "/x/data", 1);
    EXPECT_EQ(DataHome(), std::filesystem::path("/x/data/Tessarin"));
    unsetenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DataHome(), std::filesystem::path("/home/u/.local/share/Tessarin"));
    EXPECT_EQ(ConfigHome(), std::filesystem::path("/home/u/.config/Tessarin"));
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
}

}  // namespace
}  // namespace tessarin
