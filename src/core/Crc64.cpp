#include "core/Crc64.h"

namespace tessarin {
namespace {

constexpr std::uint64_t kPolynomial = 0x42F0E1EBA9EA3693ull;

constexpr std::array<std::uint64_t, 256> MakeTable() {
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t i = 0; i < 256; ++i) {
        std::uint64_t crc = i << 56;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & (1ull << 63)) ? (crc << 1) ^ kPolynomial : crc << 1;
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint64_t, 256> kTable = MakeTable();
static_assert(kTable[1] == kPolynomial);

}  // namespace

void Crc64Update(std::uint64_t& state, const std::uint8_t* data, std::size_t length) {
    std::uint64_t crc = state;
    for (std::size_t i = 0; i < length; ++i) crc = (crc << 8) ^ kTable[((crc >> 56) ^ data[i]) & 0xFF];
    state = crc;
}

std::uint64_t Crc64(const std::uint8_t* data, std::size_t length) {
    std::uint64_t state = ~0ull;
    Crc64Update(state, data, length);
    return ~state;
}

std::array<std::uint8_t, 8> Crc64Bytes(std::uint64_t value) {
    std::array<std::uint8_t, 8> out{};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return out;
}

}  // namespace tessarin
