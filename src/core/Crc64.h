#pragma once
// CRC-64/WE (ECMA-182 polynomial, MSB first, all-ones init and final XOR): the
// key fingerprint and the check value over small records.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessarin {

// Feeds bytes into a running state, without initial value or final XOR.
void Crc64Update(std::uint64_t& state, const std::uint8_t* data, std::size_t length);
std::uint64_t Crc64(const std::uint8_t* data, std::size_t length);
inline std::uint64_t Crc64(std::span<const std::uint8_t> data) {
    return Crc64(data.data(), data.size());
}

// Stored form: low 32-bit word first, each word little-endian.
std::array<std::uint8_t, 8> Crc64Bytes(std::uint64_t value);

}  // namespace tessarin
