#pragma once
// CAuthManager: the history of authentications of one key folder, kept in
// authhistory.dat as a signed 32-bit count followed by that many 304-byte
// entries:
//
//   0    16  SYSTEMTIME, local time of the authentication
//   16  264  file name of the authenticated public key (CP932, zero-terminated)
//   280   8  Crc64 of the public key's blob, low 32 bits first
//   288  16  SYSTEMTIME validity limit given to the auth key; zero = none

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemTime.h"

namespace tessarin {

class LanguageTable;

inline constexpr std::string_view kAuthHistoryName = "authhistory.dat";

class CAuthManager final {
public:
    struct AuthHistoryData {
        static constexpr std::size_t kSize = 304;
        static constexpr std::size_t kNameWidth = 264;

        SystemTime time;
        std::string fileName;  // CP932 bytes, at most 263 so the terminator stays
        std::uint64_t keyHash = 0;
        SystemTime limit;

        std::array<std::uint8_t, kSize> ToBytes() const;
        static AuthHistoryData FromBytes(std::span<const std::uint8_t, kSize> bytes);
        friend bool operator==(const AuthHistoryData&, const AuthHistoryData&) = default;
    };

    enum class LoadStatus {
        Ok,          // every entry read; a missing file is an empty history
        BadCount,    // the count is negative; nothing read
        Truncated,   // the file ends before the count is reached; entries read so far kept
        Unreadable,  // the file exists but cannot be read
    };

    // Reads the file, replacing the entries. The count never drives an
    // allocation beyond what the file's size holds.
    LoadStatus load(const std::filesystem::path& path);
    // Writes count and entries through a temporary file renamed into place.
    // 1 on success, 0 on failure.
    [[nodiscard]] int save(const std::filesystem::path& path) const;
    // Appends an entry for a key file: the fingerprint of its first blob, its
    // file name, `now` and the limit. False when the key file cannot be read.
    [[nodiscard]] bool add(const std::filesystem::path& publicKeyPath, const SystemTime& limit, const SystemTime& now);
    // 1 when an entry carries the same fingerprint as the key file, else 0
    // (also when the file cannot be read).
    int contains(const std::filesystem::path& publicKeyPath) const;
    // Per entry: file name (UTF-8), time as "%Y/%m/%d %H:%M", limit as
    // "%Y/%m/%d" or the table's "期限未設定".
    std::vector<std::array<std::string, 3>> rows(const LanguageTable& texts) const;

    const std::vector<AuthHistoryData>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    std::vector<AuthHistoryData> m_entries;
};

}  // namespace tessarin
