#pragma once
// CStreamCipher: the product's own keystream cipher. Containers, the history
// store and the key store's protected files all run through it, so key setup,
// mixing and block order must stay bit-exact with every other installation.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

namespace tessarin {

class CStreamCipher final {
public:
    static constexpr std::size_t kBufferSize = 1024000;  // 0xFA000, 64,000 blocks
    static constexpr std::size_t kBlockSize = 16;
    static constexpr int kDefaultMode = 3;
    static constexpr int kWordCount = 8;  // what every user passes

    CStreamCipher();
    ~CStreamCipher();
    CStreamCipher(const CStreamCipher&) = delete;
    CStreamCipher& operator=(const CStreamCipher&) = delete;

    void SetWordCount(int n);
    // Key setup from n words. The byte form reads little-endian words, so the
    // first 32 bytes of a digest key the cipher directly.
    void SetKey(const std::uint32_t* words);
    void SetKey(std::span<const std::uint8_t> keyBytes);

    // One mixing step on the state in place.
    void Mix();

    // XORs length bytes with the keystream. No mix follows the last piece.
    // Source and destination may be the same buffer.
    void Crypt(const std::uint8_t* source, std::size_t length, std::uint8_t* destination);

    // Streams from the current input position to the end of input. Mixes after
    // every block, the last partial one included. False on a read or write error.
    [[nodiscard]] bool CryptFile(std::FILE* input, std::FILE* output);

    // Streams exactly length bytes, unless the input ends first. Returns the
    // number of bytes written; less than length means a short input or an error.
    [[nodiscard]] std::int64_t CryptFileRange(std::FILE* input, std::int64_t length, std::FILE* output);

    // Called by the file operations after each chunk with the bytes
    // enciphered so far in the current call. Returning false stops the
    // operation after that chunk: CryptFile returns false, CryptFileRange a
    // short count, and Stopped() tells the caller why. The last chunk of an
    // input cannot be stopped (its output is complete). Not copied by GetKey.
    using ChunkObserver = std::function<bool(std::int64_t bytesDone)>;
    void SetChunkObserver(ChunkObserver observer) { m_observer = std::move(observer); }
    // An observer that only watches (progress displays) never stops a file.
    template <class F>
    requires std::is_void_v<std::invoke_result_t<F&, std::int64_t>>
    void SetChunkObserver(F observer) {
        m_observer = [watch = std::move(observer)](std::int64_t done) mutable {
            watch(done);
            return true;
        };
    }

    // Asked after each chunk, after the observer: true stops the file
    // operation as a false observer does. A job installs its cancel flag
    // for its lifetime without replacing the front end's observer.
    using StopCheck = std::function<bool()>;
    class ScopedStopCheck final {
    public:
        ScopedStopCheck(CStreamCipher& cipher, StopCheck check)
            : m_cipher(cipher), m_previous(std::exchange(cipher.m_stopCheck, std::move(check))) {}
        ~ScopedStopCheck() { m_cipher.m_stopCheck = std::move(m_previous); }
        ScopedStopCheck(const ScopedStopCheck&) = delete;
        ScopedStopCheck& operator=(const ScopedStopCheck&) = delete;

    private:
        CStreamCipher& m_cipher;
        StopCheck m_previous;
    };

    // Told after each chunk, beside the observer, the bytes done so far in
    // the current call: a pipeline reports the file in work to its dialog
    // for its lifetime without replacing the front end's observer.
    using ChunkReport = std::function<void(std::int64_t bytesDone)>;
    class ScopedChunkReport final {
    public:
        ScopedChunkReport(CStreamCipher& cipher, ChunkReport report)
            : m_cipher(cipher), m_previous(std::exchange(cipher.m_report, std::move(report))) {}
        ~ScopedChunkReport() { m_cipher.m_report = std::move(m_previous); }
        ScopedChunkReport(const ScopedChunkReport&) = delete;
        ScopedChunkReport& operator=(const ScopedChunkReport&) = delete;

    private:
        CStreamCipher& m_cipher;
        ChunkReport m_previous;
    };
    // A chunk of a file operation that another cipher ran for this one's
    // user (a batch's worker), handed to this cipher's observer and stop
    // check as its own file operations hand theirs: after a chunk that is
    // not the input's last, false when they stop the operation (Stopped()
    // then says so). The input's last chunk is only observed.
    [[nodiscard]] bool ReportChunk(std::int64_t bytesDone, bool last);

    // Whether the last file operation was stopped before the end of its
    // input by the observer or the stop check.
    bool Stopped() const { return m_stopped; }

    // Copies the key as set (not the running state), as many words as the
    // key was set with. False when unkeyed.
    bool GetKey(std::uint32_t* words) const;

    void Clear(bool keepWordCount);

    // Inspection, for callers that copy state and for tests.
    int WordCount() const { return m_wordCount; }
    int Mode() const { return m_mode; }
    void SetMode(int mode) { m_mode = mode; }
    bool HasState() const { return m_state != nullptr; }
    std::uint32_t SpareBits() const { return m_spareBits; }
    std::span<const std::uint32_t> State() const;

private:
    void ApplyBlocks(std::uint8_t* data, std::size_t length, bool mixAfterLast);
    std::int64_t StreamFile(std::FILE* input, std::int64_t limit, std::FILE* output, bool& ok);
    void MixCount(std::size_t count);
    // After a chunk that is not the input's last: false to stop.
    bool ContinueAfterChunk(std::int64_t done);

    std::unique_ptr<std::uint32_t[]> m_state;
    std::unique_ptr<std::uint32_t[]> m_key;
    int m_wordCount = -1;
    int m_stateWords = 0;  // size of the state and key arrays while present
    int m_mode = kDefaultMode;
    std::uint32_t m_spareBits = 0;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    ChunkObserver m_observer;
    StopCheck m_stopCheck;
    ChunkReport m_report;
    bool m_stopped = false;
};

}  // namespace tessarin
