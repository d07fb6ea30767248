#include "core/StreamCipher.h"

#include <bit>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

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

inline std::uint32_t OddTerm(std::uint32_t w) {
    return (w & 0xFFFFFFFDu) | 1u;
}

// One round of the mode-3 mix on eight words held in registers. The products
// use the words as they stood at the start of the round; the rotation moves
// the 256-bit product left by five bits.
#define TESSARIN_ROUND(s0, s1, s2, s3, s4, s5, s6, s7)         \
    do {                                                       \
        const std::uint32_t t0 = s0 * (2u * s0 + OddTerm(s5)); \
        const std::uint32_t t1 = s1 * (2u * s1 + OddTerm(s4)); \
        const std::uint32_t t2 = s2 * (2u * s2 + OddTerm(s6)); \
        const std::uint32_t t3 = s3 * (2u * s3 + OddTerm(s7)); \
        const std::uint32_t t4 = s4 * (2u * s4 + OddTerm(s2)); \
        const std::uint32_t t5 = s5 * (2u * s5 + OddTerm(s3)); \
        const std::uint32_t t6 = s6 * (2u * s6 + OddTerm(s0)); \
        const std::uint32_t t7 = s7 * (2u * s7 + OddTerm(s1)); \
        s0 = (t0 << 5) | (t1 >> 27);                           \
        s1 = (t1 << 5) | (t2 >> 27);                           \
        s2 = (t2 << 5) | (t3 >> 27);                           \
        s3 = (t3 << 5) | (t4 >> 27);                           \
        s4 = (t4 << 5) | (t5 >> 27);                           \
        s5 = (t5 << 5) | (t6 >> 27);                           \
        s6 = (t6 << 5) | (t7 >> 27);                           \
        s7 = (t7 << 5) | (t0 >> 27);                           \
    } while (0)

struct Words8 {
    std::uint32_t s0, s1, s2, s3, s4, s5, s6, s7;

    explicit Words8(const std::uint32_t* s)
        : s0(s[0]), s1(s[1]), s2(s[2]), s3(s[3]), s4(s[4]), s5(s[5]), s6(s[6]), s7(s[7]) {}
    void Store(std::uint32_t* s) const {
        s[0] = s0;
        s[1] = s1;
        s[2] = s2;
        s[3] = s3;
        s[4] = s4;
        s[5] = s5;
        s[6] = s6;
        s[7] = s7;
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

// The streaming buffer is made by the first file operation: ciphers that
// only encipher blocks in memory never pay for it.
CStreamCipher::CStreamCipher() = default;

CStreamCipher::~CStreamCipher() {
    if (m_state) Clear(false);
    if (m_buffer) std::memset(m_buffer.get(), 0, kBufferSize);
}

void CStreamCipher::SetWordCount(int n) {
    m_wordCount = n;
}

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

void CStreamCipher::Mix() {
    MixCount(1);
}

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
    if (length == kBlockSize)
        w.XorBlock(data);
    else
        w.XorPartial(data, length);
    if (mixAfterLast) w.Mix3();
    w.Store(m_state.get());
}

void CStreamCipher::Crypt(const std::uint8_t* source, std::size_t length, std::uint8_t* destination) {
    if (length == 0) return;
    if (source != destination) std::memmove(destination, source, length);
    ApplyBlocks(destination, length, false);
}

namespace {

// Writes chunks on a second thread while the caller enciphers the next one.
// The keystream itself is strictly serial; only the copy into the output
// overlaps with it. One chunk is in flight at a time, so the two halves of
// the one I/O buffer are never touched by both threads at once.
class WriteBehind {
public:
    explicit WriteBehind(std::FILE* output) : m_output(output), m_thread([this] { Run(); }) {}
    ~WriteBehind() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Waits for the chunk in flight, then hands this one over. False once a
    // write has failed.
    bool Submit(const std::uint8_t* data, std::size_t count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_busy; });
        if (m_failed) return false;
        m_data = data;
        m_count = count;
        m_busy = true;
        m_wake.notify_all();
        return true;
    }
    // Waits for the chunk in flight; the bytes written so far.
    std::int64_t Drain(bool& ok) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_busy; });
        ok = !m_failed;
        return m_written;
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_busy || m_stop; });
            if (!m_busy) return;
            const std::uint8_t* data = m_data;
            const std::size_t count = m_count;
            lock.unlock();
            const std::size_t done = std::fwrite(data, 1, count, m_output);
            lock.lock();
            m_written += static_cast<std::int64_t>(done);
            if (done != count) m_failed = true;
            m_busy = false;
            m_wake.notify_all();
        }
    }

    std::FILE* m_output;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::uint8_t* m_data = nullptr;
    std::size_t m_count = 0;
    std::int64_t m_written = 0;
    bool m_busy = false;
    bool m_stop = false;
    bool m_failed = false;
    std::thread m_thread;  // last: starts once the fields above exist
};

}  // namespace

// Reads at most limit bytes (all of the input when limit is negative),
// enciphers and writes them. Inputs that fit the buffer are handled on this
// thread; longer ones alternate between the buffer's two halves with the
// writes overlapped. Half the buffer is a multiple of 16 bytes, so block
// boundaries and the keystream are the same either way.
std::int64_t CStreamCipher::StreamFile(std::FILE* input, std::int64_t limit, std::FILE* output, bool& ok) {
    ok = true;
    m_stopped = false;
    if (!m_buffer) m_buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
    std::uint8_t* buffer = m_buffer.get();
    auto wanted = [&](std::int64_t done, std::size_t cap) -> std::size_t {
        if (limit < 0) return cap;
        const std::int64_t remaining = limit - done;
        return remaining < static_cast<std::int64_t>(cap) ? static_cast<std::size_t>(remaining) : cap;
    };

    // First read: the whole buffer.
    std::size_t want = wanted(0, kBufferSize);
    if (want == 0) return 0;
    std::size_t count = std::fread(buffer, 1, want, input);
    if (count == 0) {
        ok = std::ferror(input) == 0;
        return 0;
    }
    ApplyBlocks(buffer, count, true);
    if (count < want || wanted(static_cast<std::int64_t>(count), kBufferSize) == 0) {
        const std::size_t done = std::fwrite(buffer, 1, count, output);
        ok = done == count && (count == want || std::ferror(input) == 0);
        if (m_observer) (void)m_observer(static_cast<std::int64_t>(done));
        if (m_report) m_report(static_cast<std::int64_t>(done));
        return static_cast<std::int64_t>(done);
    }

    // More follows: write the full buffer behind, then work in halves.
    constexpr std::size_t kHalf = kBufferSize / 2;
    static_assert(kHalf % kBlockSize == 0);
    WriteBehind writer(output);
    std::int64_t read = static_cast<std::int64_t>(count);
    // The first buffer goes out as two halves so each half is free again in turn.
    writer.Submit(buffer, kHalf);
    writer.Submit(buffer + kHalf, kHalf);
    int next = 0;
    bool more = ContinueAfterChunk(read);
    while (more) {
        want = wanted(read, kHalf);
        if (want == 0) break;
        // The half we read into was handed over two submits ago; Submit
        // below waits for its predecessor, so by now it is free.
        std::uint8_t* half = buffer + static_cast<std::size_t>(next) * kHalf;
        count = std::fread(half, 1, want, input);
        if (count == 0) {
            if (std::ferror(input)) ok = false;
            break;
        }
        ApplyBlocks(half, count, true);
        if (!writer.Submit(half, count)) break;
        read += static_cast<std::int64_t>(count);
        next ^= 1;
        if (count < want) {
            if (std::ferror(input)) ok = false;
            break;
        }
        more = wanted(read, kHalf) == 0 || ContinueAfterChunk(read);
    }
    bool wrote = true;
    const std::int64_t written = writer.Drain(wrote);
    ok = ok && wrote && !m_stopped;
    if (m_observer) (void)m_observer(written);
    if (m_report) m_report(written);
    return written;
}

bool CStreamCipher::ContinueAfterChunk(std::int64_t done) {
    const bool go = !m_observer || m_observer(done);
    if (m_report) m_report(done);
    if (go && !(m_stopCheck && m_stopCheck())) return true;
    m_stopped = true;
    return false;
}

bool CStreamCipher::ReportChunk(std::int64_t bytesDone, bool last) {
    if (!last) return ContinueAfterChunk(bytesDone);
    if (m_report) m_report(bytesDone);
    if (m_observer) (void)m_observer(bytesDone);
    return true;
}

bool CStreamCipher::CryptFile(std::FILE* input, std::FILE* output) {
    bool ok = true;
    StreamFile(input, -1, output, ok);
    return ok;
}

std::int64_t CStreamCipher::CryptFileRange(std::FILE* input, std::int64_t length, std::FILE* output) {
    m_stopped = false;
    if (length <= 0) return 0;
    bool ok = true;
    return StreamFile(input, length, output, ok);
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
