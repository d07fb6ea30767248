#pragma once
// Member lists (member.dat, pubkey_member.dat) and personalinfo.dat of a key
// folder.
//
// member list: a signed 32-bit record count n, then n records of 447 bytes:
// the first 447 bytes of a 448-byte UserData (the last byte is not stored and
// reads back as zero, so the key mark's top byte is lost on the way).

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemTime.h"

namespace tessarin {

inline constexpr std::string_view kAuthMemberListName = "member.dat";
inline constexpr std::string_view kPublicKeyMemberListName = "pubkey_member.dat";
inline constexpr std::string_view kPersonalInfoName = "personalinfo.dat";

// One member record. Texts hold the stored CP932 bytes (no terminator); they
// are converted for display at the user interface.
struct UserData {
    static constexpr std::size_t kSize = 448;
    static constexpr std::size_t kStoredSize = 447;
    static constexpr std::size_t kTextWidth = 128;

    std::string name;                         // 0: owner's name
    std::string email;                        // 128: owner's e-mail address
    std::string fileName;                     // 256: key file name within the key folder
    std::array<std::uint8_t, 4> reserved1{};  // 384
    SystemTime limit;                         // 388: validity limit, all zero = none
    SystemTime registered;                    // 404: key file's last-write time at registration
    SystemTime used;                          // 420: shown as a date, all zero = never used (slot::kNeverUsed)
    std::array<std::uint8_t, 4> reserved2{};  // 436
    std::uint64_t keyMark = 0;                // 440: only the low 56 bits survive storage

    // 448 bytes; texts are cut to 128 bytes (a 128-byte text has no terminator).
    std::array<std::uint8_t, kSize> ToBytes() const;
    // From 447 or 448 bytes; byte 447 is taken as zero. Texts end at the first
    // zero byte inside their field.
    static UserData FromBytes(std::span<const std::uint8_t> bytes);

    std::uint32_t KeyMarkLow() const { return static_cast<std::uint32_t>(keyMark); }
    // A limit with a year of 0 or below 1900 never expires.
    bool HasLimit() const { return limit.year >= 1900; }

    friend bool operator==(const UserData&, const UserData&) = default;
};

enum class MemberListStatus {
    Ok,          // every record read (a missing file is an empty list)
    BadCount,    // the count is negative; nothing read
    Truncated,   // the file ends before the count is reached; records read so far kept
    Unreadable,  // open or read failed; records read so far kept
};

// Reads a member list into records (replacing their content). A missing file
// gives Ok and no records. The count never drives an allocation beyond what
// the file's size can hold.
MemberListStatus ReadMemberList(const std::filesystem::path& path, std::vector<UserData>& records);

// Writes the list (temporary file renamed into place). An empty list deletes
// the file instead. Returns true on success.
[[nodiscard]] bool WriteMemberList(const std::filesystem::path& path, std::span<const UserData> records);

// personalinfo.dat: the owner's name and e-mail address, each on a line ended
// by a line feed, in CP932 bytes.
struct PersonalInfo {
    std::string name;   // CP932 bytes
    std::string email;  // CP932 bytes
};
// Empty optional when the file is missing or unreadable. A missing second
// line reads as an empty address; a carriage return before a line feed is
// dropped.
std::optional<PersonalInfo> ReadPersonalInfo(const std::filesystem::path& path);
[[nodiscard]] bool WritePersonalInfo(const std::filesystem::path& path, const PersonalInfo& info);

// A stored CP932 text made readable: converted to UTF-8, or with every byte
// that does not convert replaced by '?'.
std::string Cp932ForDisplay(std::string_view cp932);

}  // namespace tessarin
