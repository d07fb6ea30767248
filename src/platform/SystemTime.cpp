#include "platform/SystemTime.h"

#include "platform/ByteIo.h"

namespace tessarin {

std::array<std::uint8_t, SystemTime::kSize> SystemTime::ToBytes() const {
    std::array<std::uint8_t, kSize> out{};
    const std::uint16_t fields[8] = {year, month, dayOfWeek, day, hour, minute, second, milliseconds};
    for (int i = 0; i < 8; ++i) StoreLe16(out.data() + 2 * i, fields[i]);
    return out;
}

SystemTime SystemTime::FromBytes(const std::uint8_t* b) {
    SystemTime t;
    t.year = LoadLe16(b);
    t.month = LoadLe16(b + 2);
    t.dayOfWeek = LoadLe16(b + 4);
    t.day = LoadLe16(b + 6);
    t.hour = LoadLe16(b + 8);
    t.minute = LoadLe16(b + 10);
    t.second = LoadLe16(b + 12);
    t.milliseconds = LoadLe16(b + 14);
    return t;
}

SystemTime SystemTime::FromBytes(std::span<const std::uint8_t, kSize> bytes) {
    return FromBytes(bytes.data());
}

bool SystemTime::IsZero() const {
    return *this == SystemTime{};
}

SystemTime SystemTimeFromTimeT(std::time_t t, std::uint16_t milliseconds) {
    std::tm tm{};
    localtime_r(&t, &tm);
    SystemTime st;
    st.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
    st.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
    st.dayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    st.day = static_cast<std::uint16_t>(tm.tm_mday);
    st.hour = static_cast<std::uint16_t>(tm.tm_hour);
    st.minute = static_cast<std::uint16_t>(tm.tm_min);
    st.second = static_cast<std::uint16_t>(tm.tm_sec);
    st.milliseconds = milliseconds;
    return st;
}

std::optional<std::time_t> SystemTimeToTimeT(const SystemTime& st) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(st.year) - 1900;
    tm.tm_mon = static_cast<int>(st.month) - 1;
    tm.tm_mday = st.day;
    tm.tm_hour = st.hour;
    tm.tm_min = st.minute;
    tm.tm_sec = st.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) {
        // -1 is also one second before the epoch; tell the two apart.
        std::tm check{};
        const std::time_t minusOne = -1;
        if (!localtime_r(&minusOne, &check) || check.tm_year != tm.tm_year || check.tm_mon != tm.tm_mon ||
            check.tm_mday != tm.tm_mday || check.tm_hour != tm.tm_hour || check.tm_min != tm.tm_min ||
            check.tm_sec != tm.tm_sec)
            return std::nullopt;
    }
    return t;
}

}  // namespace tessarin
