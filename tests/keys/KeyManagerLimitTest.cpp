// Validity limits of auth keys: the limit dialog's choices, the end-of-day
// rule, mktime-style carrying and the expiry test of the key manager's scan.

#include <gtest/gtest.h>

#include "keys/LimitDates.h"

namespace tessarin {
namespace {

SystemTime Day(int y, int m, int d, int hh = 10, int mm = 15, int ss = 0) {
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(hh);
    t.minute = static_cast<std::uint16_t>(mm);
    t.second = static_cast<std::uint16_t>(ss);
    return t;
}

struct ChoiceCase {
    const char* what;
    AuthLimitChoice choice;
    SystemTime today;
    int year, month, day;
};

TEST(AuthLimitTest, ChoicesGiveTheirDayAtTheEndOfTheDay) {
    const ChoiceCase cases[] = {
        {"one month", AuthLimitChoice::OneMonth, Day(2026, 12, 10), 2027, 1, 10},
        {"one month from 31 January carries into March", AuthLimitChoice::OneMonth, Day(2027, 1, 31), 2027, 3, 3},
        {"one month from 31 January of a leap year", AuthLimitChoice::OneMonth, Day(2028, 1, 31), 2028, 3, 2},
        {"one month from 31 March gives 1 May", AuthLimitChoice::OneMonth, Day(2027, 3, 31), 2027, 5, 1},
        {"one year", AuthLimitChoice::OneYear, Day(2026, 6, 15), 2027, 6, 15},
        {"one year from 29 February", AuthLimitChoice::OneYear, Day(2028, 2, 29), 2029, 3, 1},
        {"end of this year", AuthLimitChoice::EndOfYear, Day(2026, 1, 1), 2026, 12, 31},
        {"end of year on its last day", AuthLimitChoice::EndOfYear, Day(2026, 12, 31), 2026, 12, 31},
        {"fiscal year chosen in January", AuthLimitChoice::EndOfFiscalYear, Day(2027, 1, 20), 2027, 3, 31},
        {"fiscal year chosen in March", AuthLimitChoice::EndOfFiscalYear, Day(2027, 3, 31), 2027, 3, 31},
        {"fiscal year chosen in April", AuthLimitChoice::EndOfFiscalYear, Day(2027, 4, 1), 2028, 3, 31},
        {"fiscal year chosen in December", AuthLimitChoice::EndOfFiscalYear, Day(2026, 12, 10), 2027, 3, 31},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AuthLimit limit = ComputeAuthLimit(c.choice, c.today);
        ASSERT_EQ(limit.status, AuthLimit::Set);
        EXPECT_EQ(limit.Code(), 1);
        EXPECT_EQ(limit.limit.year, c.year);
        EXPECT_EQ(limit.limit.month, c.month);
        EXPECT_EQ(limit.limit.day, c.day);
        EXPECT_EQ(limit.limit.hour, 23);
        EXPECT_EQ(limit.limit.minute, 59);
        EXPECT_EQ(limit.limit.second, 59);
        EXPECT_EQ(limit.limit.milliseconds, 0);
    }
}

TEST(AuthLimitTest, NoLimitIsAllZero) {
    const AuthLimit limit = ComputeAuthLimit(AuthLimitChoice::None, Day(2026, 12, 10));
    EXPECT_EQ(limit.status, AuthLimit::NoLimit);
    EXPECT_EQ(limit.Code(), 0);
    EXPECT_TRUE(limit.limit.IsZero());
}

TEST(AuthLimitTest, PickedDayMayBeTodayButNotEarlier) {
    const SystemTime now = Day(2026, 12, 10, 18, 0);
    const AuthLimit today = ComputeAuthLimit(AuthLimitChoice::Picked, now, Day(2026, 12, 10, 0, 0));
    ASSERT_EQ(today.status, AuthLimit::Set);
    SystemTime expected = Day(2026, 12, 10, 23, 59, 59);
    expected.dayOfWeek = 4;  // a Thursday
    EXPECT_EQ(today.limit, expected);
    EXPECT_EQ(ComputeAuthLimit(AuthLimitChoice::Picked, now, Day(2026, 12, 9)).status, AuthLimit::PickedInPast);
    EXPECT_EQ(ComputeAuthLimit(AuthLimitChoice::Picked, now, std::nullopt).status, AuthLimit::Invalid);
    const AuthLimit later = ComputeAuthLimit(AuthLimitChoice::Picked, now, Day(2030, 2, 1));
    ASSERT_EQ(later.status, AuthLimit::Set);
    EXPECT_EQ(later.limit.year, 2030);
    EXPECT_EQ(later.limit.dayOfWeek, 5);  // 1 February 2030 is a Friday
}

TEST(AuthLimitTest, NormalizedDateCarriesLikeMktime) {
    auto t = NormalizedDate(2026, 13, 1, 0, 0, 0);  // month 13
    ASSERT_TRUE(t);
    EXPECT_EQ(t->year, 2027);
    EXPECT_EQ(t->month, 1);
    t = NormalizedDate(2027, 2, 31, 0, 0, 0);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->month, 3);
    EXPECT_EQ(t->day, 3);
    t = NormalizedDate(2027, 1, 0, 0, 0, 0);  // day 0 is the last day of the month before
    ASSERT_TRUE(t);
    EXPECT_EQ(t->year, 2026);
    EXPECT_EQ(t->month, 12);
    EXPECT_EQ(t->day, 31);
    EXPECT_FALSE(NormalizedDate(30828, 1, 1, 0, 0, 0));
}

TEST(AuthLimitTest, ExpiryCountsWholeMinutes) {
    const SystemTime limit = Day(2027, 1, 10, 23, 59, 59);
    EXPECT_FALSE(LimitExpired(limit, Day(2027, 1, 10, 23, 0, 0)));
    // 59 seconds past the limit is less than a whole minute.
    EXPECT_FALSE(LimitExpired(limit, Day(2027, 1, 11, 0, 0, 58)));
    EXPECT_TRUE(LimitExpired(limit, Day(2027, 1, 11, 0, 0, 59)));
    EXPECT_TRUE(LimitExpired(limit, Day(2030, 1, 1)));
    // A zero or pre-1900 year never expires.
    EXPECT_FALSE(LimitExpired(SystemTime{}, Day(2030, 1, 1)));
    EXPECT_FALSE(LimitExpired(Day(1899, 12, 31), Day(2030, 1, 1)));
}

TEST(AuthLimitTest, Formats) {
    EXPECT_EQ(FormatDate(Day(2027, 3, 5)), "2027/03/05");
    EXPECT_EQ(FormatDateTime(Day(2027, 3, 5, 7, 4)), "2027/03/05 07:04");
}

}  // namespace
}  // namespace tessarin
