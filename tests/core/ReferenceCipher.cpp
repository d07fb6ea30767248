#include "ReferenceCipher.h"

namespace tessarin::test {

void ReferenceCipher::SetKey(const std::uint32_t* w) {
    const int n = 8;
    spare = 0;
    for (int i = 0; i < n; ++i) state[i] = key[i] = 0;
    for (int i = 0; i <= n - 2; ++i) {
        state[i] = w[i] & 0x3FFFFFFFu;
        key[i] = state[i];
        spare |= w[i] & (0xC0000000u >> (2 * i + 2));
    }
    state[n - 1] = (w[n - 1] & 0x0000FFFFu) | spare;
    key[n - 1] = state[n - 1];
}

void ReferenceCipher::Mix() {
    static const int partner[8] = {5, 4, 6, 7, 2, 3, 0, 1};
    for (int round = 0; round < 8; ++round) {
        std::uint32_t t[8];
        for (int k = 0; k < 8; ++k) {
            const std::uint32_t added = (state[partner[k]] & 0xFFFFFFFDu) | 1u;
            t[k] = state[k] * (2u * state[k] + added);
        }
        // Rotate T[0]..T[7], T[0] most significant, left by five bits.
        for (int i = 0; i < 7; ++i) state[i] = (t[i] << 5) | (t[i + 1] >> 27);
        state[7] = (t[7] << 5) | (t[0] >> 27);
    }
}

void ReferenceCipher::Apply(std::uint8_t* data, std::size_t length, bool mixAfterLast) {
    std::size_t offset = 0;
    while (offset < length) {
        std::uint8_t block[16];
        for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(state[4 + i / 4] >> (8 * (i % 4)));
        std::size_t piece = length - offset;
        if (piece > 16) piece = 16;
        for (std::size_t i = 0; i < piece; ++i) data[offset + i] ^= block[i];
        offset += piece;
        if (offset < length || mixAfterLast) Mix();
    }
}

}  // namespace tessarin::test
