#pragma once
// IMessageDigest and CSHA: SHA-512 as FIPS 180-2 defines it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tessarin {

class IMessageDigest {
public:
    virtual ~IMessageDigest() = default;
    // Throws std::runtime_error for a negative length.
    virtual void AddData(const void* data, int length) = 0;
    // Writes the digest, then resets. Throws std::runtime_error when no data
    // was added since the last Init.
    virtual void FinalDigest(std::uint8_t* out) = 0;
    virtual void Init() = 0;
    virtual void Transform() = 0;
};

class CSHA final : public IMessageDigest {
public:
    static constexpr std::size_t kDigestSize = 64;
    static constexpr std::size_t kBlockSize = 128;
    using Digest = std::array<std::uint8_t, kDigestSize>;

    CSHA();
    ~CSHA() override;

    void AddData(const void* data, int length) override;
    void FinalDigest(std::uint8_t* out) override;
    void Init() override;
    void Transform() override;

    // Any length, fed in pieces the int-sized interface accepts.
    void Update(std::span<const std::uint8_t> data);
    Digest Final();

    // One-shot helpers.
    static Digest Of(std::span<const std::uint8_t> data);
    static Digest Of(std::string_view text);

private:
    void Compress(const std::uint8_t* block);

    std::uint8_t m_block[kBlockSize];
    std::uint64_t m_hash[8];
    std::uint64_t m_lengthLow = 0;  // message length in bits, 128-bit counter
    std::uint64_t m_lengthHigh = 0;
    std::size_t m_blockUsed = 0;
    bool m_dataAdded = false;
};

}  // namespace tessarin
