#pragma once
// Reading the own public key file and writing output files whole or not at all.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "platform/TempFile.h"

namespace tessarin {

inline constexpr std::size_t kQrPublicKeyFileSize = 152;
inline constexpr std::size_t kQrModulusOffset = 24;
inline constexpr std::size_t kQrModulusSize = 128;

using PublicKeyFileBytes = std::array<std::uint8_t, kQrPublicKeyFileSize>;

// The whole public key file: a length of 148 followed by exactly 148 bytes.
// Empty when the file is missing, unreadable or of another size.
std::optional<PublicKeyFileBytes> ReadPublicKeyFileBytes(const std::filesystem::path& path);

// Seconds since 1970-01-01 00:00 UTC at which the file was created: its birth
// time where the file system records one, else its last modification time.
// Empty when the file's status cannot be read.
std::optional<std::int64_t> FileCreationTime(const std::filesystem::path& path);

// Copies a file the same way (used to save a copy of the public key bitmap),
// streaming through one fixed buffer. False when the source cannot be read or
// the copy cannot be written; the target is then unchanged.
[[nodiscard]] bool CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace tessarin
