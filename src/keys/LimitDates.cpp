#include "keys/LimitDates.h"

#include <cstdio>

namespace tessarin {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, long long& y, long long& m, long long& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// Seconds since 1970 of a time record's calendar fields, without any time
// zone: both sides of every comparison here are local times.
long long Seconds(const SystemTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

bool Placeable(const SystemTime& t) {
    return t.year >= 1601 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 &&
           t.minute < 60 && t.second < 61;
}

}  // namespace

std::optional<SystemTime> NormalizedDate(long long year, long long month, long long day, int hour, int minute,
                                         int second) {
    // Months first, then days, as mktime carries them.
    long long monthIndex = month - 1;
    year += monthIndex >= 0 ? monthIndex / 12 : -((11 - monthIndex) / 12);
    monthIndex = ((monthIndex % 12) + 12) % 12;
    const long long days = DaysFromCivil(year, monthIndex + 1, 1) + (day - 1);
    long long y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    if (y < 1601 || y > 30827) return std::nullopt;
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    t.hour = static_cast<std::uint16_t>(hour);
    t.minute = static_cast<std::uint16_t>(minute);
    t.second = static_cast<std::uint16_t>(second);
    return t;
}

AuthLimit ComputeAuthLimit(AuthLimitChoice choice, const SystemTime& now, const std::optional<SystemTime>& picked) {
    AuthLimit result;
    if (choice == AuthLimitChoice::None) return result;
    std::optional<SystemTime> day;
    switch (choice) {
        case AuthLimitChoice::OneMonth:
            day = NormalizedDate(now.year, now.month + 1LL, now.day, 23, 59, 59);
            break;
        case AuthLimitChoice::OneYear:
            day = NormalizedDate(now.year + 1LL, now.month, now.day, 23, 59, 59);
            break;
        case AuthLimitChoice::EndOfYear:
            day = NormalizedDate(now.year, 12, 31, 23, 59, 59);
            break;
        case AuthLimitChoice::EndOfFiscalYear:
            day = NormalizedDate(now.month > 3 ? now.year + 1LL : now.year, 3, 31, 23, 59, 59);
            break;
        case AuthLimitChoice::Picked:
            if (!picked || picked->year == 0) {
                result.status = AuthLimit::Invalid;
                return result;
            }
            day = NormalizedDate(picked->year, picked->month, picked->day, 23, 59, 59);
            if (day && Seconds(*day) < Seconds(now)) {
                result.status = AuthLimit::PickedInPast;
                return result;
            }
            break;
        case AuthLimitChoice::None:
            break;
    }
    if (!day) {
        result.status = AuthLimit::Invalid;
        return result;
    }
    result.status = AuthLimit::Set;
    result.limit = *day;
    return result;
}

std::optional<long long> MinutesUntil(const SystemTime& limit, const SystemTime& now) {
    if (!Placeable(limit) || !Placeable(now)) return std::nullopt;
    return (Seconds(limit) - Seconds(now)) / 60;  // truncated toward zero
}

bool LimitExpired(const SystemTime& limit, const SystemTime& now) {
    if (limit.year == 0 || limit.year < 1900) return false;
    const auto minutes = MinutesUntil(limit, now);
    return minutes && *minutes < 0;
}

std::string FormatDate(const SystemTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u/%02u/%02u", unsigned{t.year}, unsigned{t.month}, unsigned{t.day});
    return buffer;
}

std::string FormatDateTime(const SystemTime& t) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04u/%02u/%02u %02u:%02u", unsigned{t.year}, unsigned{t.month},
                  unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute});
    return buffer;
}

}  // namespace tessarin
