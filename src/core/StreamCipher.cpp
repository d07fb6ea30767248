#include "core/StreamCipher.h"

#include <bit>
#include <cstring>
#include <limits>

namespace tessarin {
namespace {

inline std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline void Xor32(std::uint8_t* p, std::uint32_t k) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) k = __builtin_bswap32(k);
    v ^= k;
    std::memcpy(p, &v, 4);
}

inline std::uint32_t OddTerm(std::uint32_t w) { return (w & 0xFFFFFFFDu) | 1u; }

// One round of the mode-3 mix on eight words held in registers. The products
// use the words as they stood at the start of the round; the rotation moves
// the 256-bit product left by five bits.
#define TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7)                 \
    do {                                                                \
        const std::uint32_t t0 = s0 * (2u * s0 + OddTerm(s5));         \
        const std::uint32_t t1 = s1 * (2u * s1 + OddTerm(s4));         \
        const std::uint32_t t2 = s2 * (2u * s2 + OddTerm(s6));         \
        const std::uint32_t t3 = s3 * (2u * s3 + OddTerm(s7));         \
        const std::uint32_t t4 = s4 * (2u * s4 + OddTerm(s2));         \
        const std::uint32_t t5 = s5 * (2u * s5 + OddTerm(s3));         \
        const std::uint32_t t6 = s6 * (2u * s6 + OddTerm(s0));         \
        const std::uint32_t t7 = s7 * (2u * s7 + OddTerm(s1));         \
        s0 = (t0 << 5) | (t1 >> 27);                                    \
        s1 = (t1 << 5) | (t2 >> 27);                                    \
        s2 = (t2 << 5) | (t3 >> 27);                                    \
        s3 = (t3 << 5) | (t4 >> 27);                                    \
        s4 = (t4 << 5) | (t5 >> 27);                                    \
        s5 = (t5 << 5) | (t6 >> 27);                                    \
        s6 = (t6 << 5) | (t7 >> 27);                                    \
        s7 = (t7 << 5) | (t0 >> 27);                                    \
    } while (0)

struct Words8 {
    std::uint32_t s0, s1, s2, s3, s4, s5, s6, s7;

    explicit Words8(const std::uint32_t* s)
        : s0(s[0]), s1(s[1]), s2(s[2]), s3(s[3]), s4(s[4]), s5(s[5]), s6(s[6]), s7(s[7]) {}
    void Store(std::uint32_t* s) const {
        s[0] = s0; s[1] = s1; s[2] = s2; s[3] = s3;
        s[4] = s4; s[5] = s5; s[6] = s6; s[7] = s7;
    }
    inline void Mix3() {
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
        TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7);
    }
    inline void XorBlock(std::uint8_t* p) const {
        Xor32(p, s4);
        Xor32(p + 4, s5);
        Xor32(p + 8, s6);
        Xor32(p + 12, s7);
    }
    inline void XorPartial(std::uint8_t* p, std::size_t n) const {
        std::uint8_t block[16];
        std::memcpy(block, p, n);
        XorBlock(block);
        std::memcpy(p, block, n);
    }
};

#undef TESSARIN_ROUND

// Modes 1 and 2: one round of a product chain and a rotation over n words.
void ProductChain(std::uint32_t* s, int n) {
    std::uint32_t previous = s[0];
    s[0] = s[0] * (2u * s[0] + 5u);
    for (int i = 1; i < n; ++i) {
        const std::uint32_t old = s[i];
        s[i] = s[i] * (2u * s[i] + OddTerm(previous));
        previous = old;
    }
}

void RotateLeft5(std::uint32_t* s, int n) {
    const std::uint32_t carry = s[0] >> 27;
    for (int i = 0; i < n - 1; ++i) s[i] = (s[i] << 5) | (s[i + 1] >> 27);
    s[n - 1] = (s[n - 1] << 5) | carry;
}

}  // namespace

CStreamCipher::CStreamCipher() : m_buffer(std::make_unique<std::uint8_t[]>(kBufferSize)) {}

CStreamCipher::~CStreamCipher() {
    if (m_state) Clear(false);
    std::memset(m_buffer.get(), 0, kBufferSize);
}

void CStreamCipher::SetWordCount(int n) { m_wordCount = n; }

void CStreamCipher::SetKey(const std::uint32_t* words) {
    if (m_state) Clear(true);
    const int n = m_wordCount;
    if (n <= 0 || static_cast<std::size_t>(n) > std::numeric_limits<std::size_t>::max() / 4) return;
    m_state = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(n));
    m_key = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(n));
    m_stateWords = n;
    m_spareBits = 0;
    for (int i = 0; i < n - 1; ++i) {
        m_state[i] = words[i] & 0x3FFFFFFFu;
        m_key[i] = m_state[i];
        const int shift = 2 * i + 2;
        if (shift < 32) m_spareBits |= words[i] & (0xC0000000u >> shift);
    }
    m_state[n - 1] = (words[n - 1] & 0x0000FFFFu) | m_spareBits;
    m_key[n - 1] = m_state[n - 1];
}

void CStreamCipher::SetKey(std::span<const std::uint8_t> keyBytes) {
    if (m_wordCount <= 0 || keyBytes.size() < static_cast<std::size_t>(m_wordCount) * 4) return;
    std::unique_ptr<std::uint32_t[]> words = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(m_wordCount));
    for (int i = 0; i < m_wordCount; ++i) words[i] = Load32(keyBytes.data() + 4 * i);
    SetKey(words.get());
    std::memset(words.get(), 0, static_cast<std::size_t>(m_wordCount) * 4);
}

void CStreamCipher::Mix() { MixCount(1); }

void CStreamCipher::MixCount(std::size_t count) {
    if (!m_state) return;
    const int n = m_stateWords;
    switch (m_mode) {
    case 3: {
        // Defined for eight words only; other counts are left alone.
        if (n != 8) return;
        Words8 w(m_state.get());
        for (std::size_t c = 0; c < count; ++c) w.Mix3();
        w.Store(m_state.get());
        return;
    }
    case 1:
        if (n < 2) return;
        for (std::size_t c = 0; c < count; ++c) {
            ProductChain(m_state.get(), n);
            RotateLeft5(m_state.get(), n);
        }
        return;
    case 2:
        if (n < 2) return;
        for (std::size_t c = 0; c < count; ++c) {
            RotateLeft5(m_state.get(), n);
            ProductChain(m_state.get(), n);
        }
        return;
    default:
        return;  // any other mode leaves the state unchanged
    }
}

// XORs length bytes in place with successive keystream blocks, mixing after
// each block; after the last piece only when mixAfterLast.
void CStreamCipher::ApplyBlocks(std::uint8_t* data, std::size_t length, bool mixAfterLast) {
    if (!m_state || m_stateWords < 8 || length == 0) return;
    if (m_mode != 3 || m_stateWords != 8) {
        // Generic path for the single-round modes and unusual word counts.
        while (length > 0) {
            const std::size_t piece = length < kBlockSize ? length : kBlockSize;
            std::uint8_t ks[16];
            for (int i = 0; i < 4; ++i) {
                const std::uint32_t w = m_state[4 + i];
                for (int b = 0; b < 4; ++b) ks[4 * i + b] = static_cast<std::uint8_t>(w >> (8 * b));
            }
            for (std::size_t i = 0; i < piece; ++i) data[i] ^= ks[i];
            data += piece;
            length -= piece;
            if (length > 0 || mixAfterLast) Mix();
        }
        return;
    }
    Words8 w(m_state.get());
    while (length > kBlockSize) {
        w.XorBlock(data);
        w.Mix3();
        data += kBlockSize;
        length -= kBlockSize;
    }
    if (length == kBlockSize) w.XorBlock(data);
    else w.XorPartial(data, length);
    if (mixAfterLast) w.Mix3();
    w.Store(m_state.get());
}

void CStreamCipher::Crypt(const std::uint8_t* source, std::size_t length, std::uint8_t* destination) {
    if (length == 0) return;
    if (source != destination) std::memmove(destination, source, length);
    ApplyBlocks(destination, length, false);
}

bool CStreamCipher::CryptFile(std::FILE* input, std::FILE* output) {
    std::uint8_t* buffer = m_buffer.get();
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, kBufferSize, input);
        if (count == 0) return std::ferror(input) == 0;
        ApplyBlocks(buffer, count, true);
        if (std::fwrite(buffer, 1, count, output) != count) return false;
    }
}

std::int64_t CStreamCipher::CryptFileRange(std::FILE* input, std::int64_t length, std::FILE* output) {
    std::uint8_t* buffer = m_buffer.get();
    std::int64_t written = 0;
    while (written < length) {
        const std::int64_t remaining = length - written;
        const std::size_t want = remaining < static_cast<std::int64_t>(kBufferSize)
                                     ? static_cast<std::size_t>(remaining)
                                     : kBufferSize;
        const std::size_t count = std::fread(buffer, 1, want, input);
        if (count == 0) break;  // the input ended early or failed: report the short count
        ApplyBlocks(buffer, count, true);
        if (std::fwrite(buffer, 1, count, output) != count) break;
        written += static_cast<std::int64_t>(count);
        if (count < want && (std::feof(input) || std::ferror(input))) break;
    }
    return written;
}

bool CStreamCipher::GetKey(std::uint32_t* words) const {
    if (!m_key) return false;
    std::memcpy(words, m_key.get(), static_cast<std::size_t>(m_stateWords) * 4);
    return true;
}

void CStreamCipher::Clear(bool keepWordCount) {
    if (m_state) {
        volatile std::uint32_t* s = m_state.get();
        volatile std::uint32_t* k = m_key.get();
        for (int i = 0; i < m_stateWords; ++i) {
            s[i] = 0;
            k[i] = 0;
        }
        m_state.reset();
        m_key.reset();
        m_stateWords = 0;
    }
    m_spareBits = 0;
    if (!keepWordCount) m_wordCount = -1;
}

std::span<const std::uint32_t> CStreamCipher::State() const {
    if (!m_state) return {};
    return {m_state.get(), static_cast<std::size_t>(m_stateWords)};
}

}  // namespace tessarin
