#pragma once
// A literal, loop-form transcription of the keystream cipher, kept beside the
// tests as the yardstick for the optimised CStreamCipher. Written for clarity,
// never for speed.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessarin::test {

class ReferenceCipher {
public:
    // Key setup for eight words, mode 3.
    void SetKey(const std::uint32_t* w);
    void Mix();
    // XOR with the keystream; mixes between blocks and, for the file
    // operations, after the last piece as well.
    void Apply(std::uint8_t* data, std::size_t length, bool mixAfterLast);

    std::uint32_t state[8] = {};
    std::uint32_t key[8] = {};
    std::uint32_t spare = 0;
};

}  // namespace tessarin::test
