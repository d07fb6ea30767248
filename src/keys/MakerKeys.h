#pragma once
// The eight built-in maker public keys (resource identifiers 339 to 346), each
// a 152-byte public key file. 343 is the one written beside the settings as
// vorneloft_cl.vpub at start-up.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

namespace tessarin {

inline constexpr int kFirstMakerKeyId = 339;
inline constexpr int kLastMakerKeyId = 346;
inline constexpr int kClientMakerKeyId = 343;
inline constexpr const char* kClientMakerKeyFileName = "vorneloft_cl.vpub";

// The public key file of one built-in key; empty for an identifier outside
// 339..346.
std::span<const std::uint8_t> MakerPublicKeyFile(int resourceId);

// Writes resource 343 unchanged to <dataHome>/vorneloft_cl.vpub, replacing any
// file of that name. Creates dataHome when missing. False when writing fails.
[[nodiscard]] bool WriteClientMakerKey(const std::filesystem::path& dataHome);
// The same in DataHome().
[[nodiscard]] bool WriteClientMakerKey();

}  // namespace tessarin
