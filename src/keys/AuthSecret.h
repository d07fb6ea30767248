#pragma once
// The auth secret of a key set: the first 32 bytes of the SHA-512 of the
// 386-byte auth input built from the issuer's private key file. Only the
// holder of the private key file can recompute it; auth keys carry it to the
// partners and containers carry it back.
//
//   0    48  the 48 bytes behind the private key blob (written time, tag)
//   48  300  private key file bytes 200 to 499
//   348  19  the program constant
//   367  19  0xB6 x 19

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tessarin {

inline constexpr std::size_t kProgramConstantBytes = 19;
inline constexpr std::size_t kAuthInputSize = 386;
inline constexpr std::size_t kAuthSecretSize = 32;

using AuthSecretBytes = std::array<std::uint8_t, kAuthSecretSize>;

// The 19-byte program constant, built once from its built-in enciphered form.
// Auth keys and containers are interchangeable only between programs that
// share it: never change the values behind it.
const std::array<std::uint8_t, kProgramConstantBytes>& AuthProgramConstant();

// The auth input of a private key file: the file must hold its first blob,
// the 48 bytes behind it and bytes 200 to 499. Empty otherwise (a length that
// runs past the end is a failure, never a read).
std::optional<std::array<std::uint8_t, kAuthInputSize>> AuthInput(std::span<const std::uint8_t> privateKeyFile);

// The auth secret of a private key file; empty when AuthInput is.
std::optional<AuthSecretBytes> AuthSecret(std::span<const std::uint8_t> privateKeyFile);

}  // namespace tessarin
