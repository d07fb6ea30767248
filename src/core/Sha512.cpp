#include "core/Sha512.h"

#include <climits>
#include <cstring>
#include <stdexcept>

namespace tessarin {
namespace {

constexpr std::uint64_t kInitial[8] = {
    0x6a09e667f3bcc908ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
    0x510e527fade682d1ull, 0x9b05688c2b3e6c1full, 0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull,
};

constexpr std::uint64_t kRound[80] = {
    0x428a2f98d728ae22ull, 0x7137449123ef65cdull, 0xb5c0fbcfec4d3b2full, 0xe9b5dba58189dbbcull, 0x3956c25bf348b538ull,
    0x59f111f1b605d019ull, 0x923f82a4af194f9bull, 0xab1c5ed5da6d8118ull, 0xd807aa98a3030242ull, 0x12835b0145706fbeull,
    0x243185be4ee4b28cull, 0x550c7dc3d5ffb4e2ull, 0x72be5d74f27b896full, 0x80deb1fe3b1696b1ull, 0x9bdc06a725c71235ull,
    0xc19bf174cf692694ull, 0xe49b69c19ef14ad2ull, 0xefbe4786384f25e3ull, 0x0fc19dc68b8cd5b5ull, 0x240ca1cc77ac9c65ull,
    0x2de92c6f592b0275ull, 0x4a7484aa6ea6e483ull, 0x5cb0a9dcbd41fbd4ull, 0x76f988da831153b5ull, 0x983e5152ee66dfabull,
    0xa831c66d2db43210ull, 0xb00327c898fb213full, 0xbf597fc7beef0ee4ull, 0xc6e00bf33da88fc2ull, 0xd5a79147930aa725ull,
    0x06ca6351e003826full, 0x142929670a0e6e70ull, 0x27b70a8546d22ffcull, 0x2e1b21385c26c926ull, 0x4d2c6dfc5ac42aedull,
    0x53380d139d95b3dfull, 0x650a73548baf63deull, 0x766a0abb3c77b2a8ull, 0x81c2c92e47edaee6ull, 0x92722c851482353bull,
    0xa2bfe8a14cf10364ull, 0xa81a664bbc423001ull, 0xc24b8b70d0f89791ull, 0xc76c51a30654be30ull, 0xd192e819d6ef5218ull,
    0xd69906245565a910ull, 0xf40e35855771202aull, 0x106aa07032bbd1b8ull, 0x19a4c116b8d2d0c8ull, 0x1e376c085141ab53ull,
    0x2748774cdf8eeb99ull, 0x34b0bcb5e19b48a8ull, 0x391c0cb3c5c95a63ull, 0x4ed8aa4ae3418acbull, 0x5b9cca4f7763e373ull,
    0x682e6ff3d6b2b8a3ull, 0x748f82ee5defb2fcull, 0x78a5636f43172f60ull, 0x84c87814a1f0ab72ull, 0x8cc702081a6439ecull,
    0x90befffa23631e28ull, 0xa4506cebde82bde9ull, 0xbef9a3f7b2c67915ull, 0xc67178f2e372532bull, 0xca273eceea26619cull,
    0xd186b8c721c0c207ull, 0xeada7dd6cde0eb1eull, 0xf57d4f7fee6ed178ull, 0x06f067aa72176fbaull, 0x0a637dc5a2c898a6ull,
    0x113f9804bef90daeull, 0x1b710b35131c471bull, 0x28db77f523047d84ull, 0x32caab7b40c72493ull, 0x3c9ebe0a15c9bebcull,
    0x431d67c49c100d4cull, 0x4cc5d4becb3e42b6ull, 0x597f299cfc657e2aull, 0x5fcb6fab3ad6faecull, 0x6c44198c4a475817ull,
};

inline std::uint64_t Rotr(std::uint64_t x, int n) {
    return (x >> n) | (x << (64 - n));
}
inline std::uint64_t LoadBe64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}

constexpr const char* kNegativeLength = "FileDigest ERROR: in CSHA::AddData(), Data Length should be >= 0!";
constexpr const char* kNoData = "FileDigest ERROR: in CSHA::FinalDigest(), No data Added before call!";

}  // namespace

CSHA::CSHA() {
    Init();
}

CSHA::~CSHA() {
    volatile std::uint8_t* b = m_block;
    for (std::size_t i = 0; i < kBlockSize; ++i) b[i] = 0;
}

void CSHA::Init() {
    std::memcpy(m_hash, kInitial, sizeof m_hash);
    std::memset(m_block, 0, sizeof m_block);
    m_lengthLow = 0;
    m_lengthHigh = 0;
    m_blockUsed = 0;
    m_dataAdded = false;
}

// The standard compression, eight rounds per loop step with the working
// variables renamed instead of moved, and the message schedule kept as a
// rolling window of sixteen words.
#define TESSARIN_SIGMA0(x) (Rotr(x, 28) ^ Rotr(x, 34) ^ Rotr(x, 39))
#define TESSARIN_SIGMA1(x) (Rotr(x, 14) ^ Rotr(x, 18) ^ Rotr(x, 41))
#define TESSARIN_GAMMA0(x) (Rotr(x, 1) ^ Rotr(x, 8) ^ ((x) >> 7))
#define TESSARIN_GAMMA1(x) (Rotr(x, 19) ^ Rotr(x, 61) ^ ((x) >> 6))
#define TESSARIN_ROUND(a, b, c, d, e, f, g, h, i)                                                       \
    do {                                                                                                \
        const std::uint64_t t1 = h + TESSARIN_SIGMA1(e) + (g ^ (e & (f ^ g))) + kRound[t + (i)] + w[i]; \
        const std::uint64_t t2 = TESSARIN_SIGMA0(a) + ((a & b) | (c & (a | b)));                        \
        d += t1;                                                                                        \
        h = t1 + t2;                                                                                    \
    } while (0)

void CSHA::Compress(const std::uint8_t* block) {
    std::uint64_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe64(block + 8 * i);
    std::uint64_t a = m_hash[0], b = m_hash[1], c = m_hash[2], d = m_hash[3];
    std::uint64_t e = m_hash[4], f = m_hash[5], g = m_hash[6], h = m_hash[7];
    for (int t = 0; t < 80; t += 16) {
        if (t > 0) {
            for (int i = 0; i < 16; ++i)
                w[i] += TESSARIN_GAMMA1(w[(i + 14) & 15]) + w[(i + 9) & 15] + TESSARIN_GAMMA0(w[(i + 1) & 15]);
        }
        TESSARIN_ROUND(a, b, c, d, e, f, g, h, 0);
        TESSARIN_ROUND(h, a, b, c, d, e, f, g, 1);
        TESSARIN_ROUND(g, h, a, b, c, d, e, f, 2);
        TESSARIN_ROUND(f, g, h, a, b, c, d, e, 3);
        TESSARIN_ROUND(e, f, g, h, a, b, c, d, 4);
        TESSARIN_ROUND(d, e, f, g, h, a, b, c, 5);
        TESSARIN_ROUND(c, d, e, f, g, h, a, b, 6);
        TESSARIN_ROUND(b, c, d, e, f, g, h, a, 7);
        TESSARIN_ROUND(a, b, c, d, e, f, g, h, 8);
        TESSARIN_ROUND(h, a, b, c, d, e, f, g, 9);
        TESSARIN_ROUND(g, h, a, b, c, d, e, f, 10);
        TESSARIN_ROUND(f, g, h, a, b, c, d, e, 11);
        TESSARIN_ROUND(e, f, g, h, a, b, c, d, 12);
        TESSARIN_ROUND(d, e, f, g, h, a, b, c, 13);
        TESSARIN_ROUND(c, d, e, f, g, h, a, b, 14);
        TESSARIN_ROUND(b, c, d, e, f, g, h, a, 15);
    }
    m_hash[0] += a;
    m_hash[1] += b;
    m_hash[2] += c;
    m_hash[3] += d;
    m_hash[4] += e;
    m_hash[5] += f;
    m_hash[6] += g;
    m_hash[7] += h;
}

#undef TESSARIN_ROUND
#undef TESSARIN_SIGMA0
#undef TESSARIN_SIGMA1
#undef TESSARIN_GAMMA0
#undef TESSARIN_GAMMA1

void CSHA::Transform() {
    Compress(m_block);
}

void CSHA::AddData(const void* data, int length) {
    if (length < 0) throw std::runtime_error(kNegativeLength);
    m_dataAdded = true;
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t n = static_cast<std::size_t>(length);
    const std::uint64_t bits = static_cast<std::uint64_t>(n) << 3;
    m_lengthLow += bits;
    if (m_lengthLow < bits) ++m_lengthHigh;
    m_lengthHigh += static_cast<std::uint64_t>(n) >> 61;

    if (m_blockUsed > 0) {
        const std::size_t take = n < kBlockSize - m_blockUsed ? n : kBlockSize - m_blockUsed;
        std::memcpy(m_block + m_blockUsed, p, take);
        m_blockUsed += take;
        p += take;
        n -= take;
        if (m_blockUsed < kBlockSize) return;
        Transform();
        m_blockUsed = 0;
    }
    while (n >= kBlockSize) {
        Compress(p);
        p += kBlockSize;
        n -= kBlockSize;
    }
    if (n > 0) {
        std::memcpy(m_block, p, n);
        m_blockUsed = n;
    }
}

void CSHA::FinalDigest(std::uint8_t* out) {
    if (!m_dataAdded) throw std::runtime_error(kNoData);
    const std::uint64_t low = m_lengthLow;
    const std::uint64_t high = m_lengthHigh;
    m_block[m_blockUsed++] = 0x80;
    if (m_blockUsed > kBlockSize - 16) {
        std::memset(m_block + m_blockUsed, 0, kBlockSize - m_blockUsed);
        Transform();
        m_blockUsed = 0;
    }
    std::memset(m_block + m_blockUsed, 0, kBlockSize - 16 - m_blockUsed);
    for (int i = 0; i < 8; ++i) {
        m_block[112 + i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
        m_block[120 + i] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
    }
    Transform();
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 8; ++b) out[8 * i + b] = static_cast<std::uint8_t>(m_hash[i] >> (56 - 8 * b));
    Init();
}

void CSHA::Update(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        AddData(data.data(), 0);
        return;
    }
    while (!data.empty()) {
        const std::size_t piece = data.size() < static_cast<std::size_t>(INT_MAX)
                                      ? data.size()
                                      : (static_cast<std::size_t>(INT_MAX) & ~std::size_t{127});
        AddData(data.data(), static_cast<int>(piece));
        data = data.subspan(piece);
    }
}

CSHA::Digest CSHA::Final() {
    Digest d{};
    FinalDigest(d.data());
    return d;
}

CSHA::Digest CSHA::Of(std::span<const std::uint8_t> data) {
    CSHA sha;
    sha.Update(data);
    return sha.Final();
}

CSHA::Digest CSHA::Of(std::string_view text) {
    return Of(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace tessarin
