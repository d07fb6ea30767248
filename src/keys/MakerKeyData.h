#pragma once
// The bytes of the built-in maker public keys (internal to the key store; use
// MakerKeys.h).

#include <cstdint>

namespace tessarin {

extern const std::uint8_t kMakerPublicKeyFiles[8][152];

}  // namespace tessarin
