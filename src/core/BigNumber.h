#pragma once
// BigNumber: the program's own unsigned big-number arithmetic, sized for RSA
// keys of 1024 bits and a little beyond. Numbers are held as 32-bit limbs,
// least significant first, and always kept without leading zero limbs.
//
// Used by the text-form recipient record lookup (a raw modular
// exponentiation over a private exponent) and by key backup. It runs on key
// material, so values wipe their limbs when they go away.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

struct BigNumberDivision;

class BigNumber final {
public:
    BigNumber() = default;
    explicit BigNumber(std::uint64_t value);
    BigNumber(const BigNumber&) = default;
    BigNumber& operator=(const BigNumber&) = default;
    BigNumber(BigNumber&& other) noexcept;
    BigNumber& operator=(BigNumber&& other) noexcept;
    ~BigNumber();

    // Byte forms. The little-endian form is how key blobs store numbers.
    static BigNumber FromBytesBigEndian(std::span<const std::uint8_t> bytes);
    static BigNumber FromBytesLittleEndian(std::span<const std::uint8_t> bytes);
    // Exactly width bytes, most significant first; empty when the number
    // needs more than width bytes.
    std::optional<std::vector<std::uint8_t>> ToBytesBigEndian(std::size_t width) const;
    std::optional<std::vector<std::uint8_t>> ToBytesLittleEndian(std::size_t width) const;
    // Hexadecimal text (either case, no prefix); empty on a bad digit.
    static std::optional<BigNumber> FromHex(std::string_view hex);
    // Lower-case hexadecimal, no leading zeros ("0" for zero).
    std::string ToHex() const;

    bool IsZero() const { return m_limbs.empty(); }
    bool IsOdd() const { return !m_limbs.empty() && (m_limbs[0] & 1u) != 0; }
    std::size_t BitLength() const;
    bool Bit(std::size_t index) const;

    static int Compare(const BigNumber& a, const BigNumber& b);
    friend bool operator==(const BigNumber& a, const BigNumber& b) { return Compare(a, b) == 0; }
    friend bool operator<(const BigNumber& a, const BigNumber& b) { return Compare(a, b) < 0; }

    static BigNumber Add(const BigNumber& a, const BigNumber& b);
    // a − b; empty when b > a.
    static std::optional<BigNumber> Subtract(const BigNumber& a, const BigNumber& b);
    static BigNumber Multiply(const BigNumber& a, const BigNumber& b);
    // Quotient and remainder; empty for a zero divisor.
    static std::optional<BigNumberDivision> Divide(const BigNumber& a, const BigNumber& b);
    static std::optional<BigNumber> Mod(const BigNumber& a, const BigNumber& m);
    // base^exponent mod modulus; empty for a zero modulus. An odd modulus
    // takes the Montgomery path, an even one plain reduction.
    static std::optional<BigNumber> ModPow(const BigNumber& base, const BigNumber& exponent, const BigNumber& modulus);

    std::span<const std::uint32_t> Limbs() const { return m_limbs; }

private:
    void Trim();
    void Wipe();

    std::vector<std::uint32_t> m_limbs;  // least significant first
};

struct BigNumberDivision {
    BigNumber quotient;
    BigNumber remainder;
};

}  // namespace tessarin
