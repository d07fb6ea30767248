#pragma once
// The 16-byte local time record every stored time uses: eight little-endian
// unsigned 16-bit fields.

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>

namespace tessarin {

struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;  // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    static constexpr std::size_t kSize = 16;

    std::array<std::uint8_t, kSize> ToBytes() const;
    static SystemTime FromBytes(std::span<const std::uint8_t, kSize> bytes);
    static SystemTime FromBytes(const std::uint8_t* bytes);

    bool IsZero() const;
    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// Local calendar time. ToTimeT normalises out-of-range fields as mktime does
// and ignores the day of week; it fails for a record mktime cannot place.
SystemTime SystemTimeFromTimeT(std::time_t t, std::uint16_t milliseconds = 0);
std::optional<std::time_t> SystemTimeToTimeT(const SystemTime& st);

}  // namespace tessarin
