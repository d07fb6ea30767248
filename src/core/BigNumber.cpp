#include "core/BigNumber.h"

#include <algorithm>
#include <utility>

namespace tessarin {

namespace {

using LimbVector = std::vector<std::uint32_t>;

void WipeLimbs(LimbVector& v) {
    volatile std::uint32_t* p = v.data();
    for (std::size_t i = 0; i < v.size(); ++i) p[i] = 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Montgomery arithmetic over an odd modulus of n limbs (R = 2^(32n)).
class Montgomery {
public:
    explicit Montgomery(const LimbVector& modulus) : m_m(modulus), m_n(modulus.size()) {
        // −m^−1 mod 2^32 by Newton iteration.
        std::uint32_t inv = 1;
        for (int i = 0; i < 5; ++i) inv *= 2u - m_m[0] * inv;
        m_mPrime = 0u - inv;
        m_t.assign(m_n + 2, 0);
    }

    // out = a·b·R^−1 mod m; a, b and out have n limbs and are below m.
    void Multiply(const LimbVector& a, const LimbVector& b, LimbVector& out) {
        std::fill(m_t.begin(), m_t.end(), 0u);
        for (std::size_t i = 0; i < m_n; ++i) {
            std::uint64_t carry = 0;
            const std::uint64_t ai = a[i];
            for (std::size_t j = 0; j < m_n; ++j) {
                const std::uint64_t s = m_t[j] + ai * b[j] + carry;
                m_t[j] = static_cast<std::uint32_t>(s);
                carry = s >> 32;
            }
            std::uint64_t s = static_cast<std::uint64_t>(m_t[m_n]) + carry;
            m_t[m_n] = static_cast<std::uint32_t>(s);
            m_t[m_n + 1] = static_cast<std::uint32_t>(s >> 32);

            const std::uint64_t u = static_cast<std::uint32_t>(m_t[0] * m_mPrime);
            s = m_t[0] + u * m_m[0];
            carry = s >> 32;
            for (std::size_t j = 1; j < m_n; ++j) {
                s = m_t[j] + u * m_m[j] + carry;
                m_t[j - 1] = static_cast<std::uint32_t>(s);
                carry = s >> 32;
            }
            s = static_cast<std::uint64_t>(m_t[m_n]) + carry;
            m_t[m_n - 1] = static_cast<std::uint32_t>(s);
            m_t[m_n] = m_t[m_n + 1] + static_cast<std::uint32_t>(s >> 32);
        }
        // Conditional subtraction: the result is below 2m.
        bool geq = m_t[m_n] != 0;
        if (!geq) {
            geq = true;
            for (std::size_t j = m_n; j-- > 0;) {
                if (m_t[j] != m_m[j]) {
                    geq = m_t[j] > m_m[j];
                    break;
                }
            }
        }
        out.resize(m_n);
        if (geq) {
            std::int64_t borrow = 0;
            for (std::size_t j = 0; j < m_n; ++j) {
                const std::int64_t d = static_cast<std::int64_t>(m_t[j]) - m_m[j] - borrow;
                out[j] = static_cast<std::uint32_t>(d);
                borrow = d < 0 ? 1 : 0;
            }
        } else {
            std::copy(m_t.begin(), m_t.begin() + static_cast<std::ptrdiff_t>(m_n), out.begin());
        }
    }

    ~Montgomery() { WipeLimbs(m_t); }

private:
    const LimbVector& m_m;
    std::size_t m_n;
    std::uint32_t m_mPrime = 0;
    LimbVector m_t;
};

LimbVector Padded(const BigNumber& v, std::size_t n) {
    LimbVector out(v.Limbs().begin(), v.Limbs().end());
    out.resize(n, 0);
    return out;
}

}  // namespace

BigNumber::BigNumber(std::uint64_t value) {
    if (value != 0) {
        m_limbs.push_back(static_cast<std::uint32_t>(value));
        if (value >> 32) m_limbs.push_back(static_cast<std::uint32_t>(value >> 32));
    }
}

BigNumber::BigNumber(BigNumber&& other) noexcept : m_limbs(std::move(other.m_limbs)) {
    other.m_limbs.clear();
}

BigNumber& BigNumber::operator=(BigNumber&& other) noexcept {
    if (this != &other) {
        Wipe();
        m_limbs = std::move(other.m_limbs);
        other.m_limbs.clear();
    }
    return *this;
}

BigNumber::~BigNumber() {
    Wipe();
}

void BigNumber::Wipe() {
    WipeLimbs(m_limbs);
}

void BigNumber::Trim() {
    while (!m_limbs.empty() && m_limbs.back() == 0) m_limbs.pop_back();
}

BigNumber BigNumber::FromBytesBigEndian(std::span<const std::uint8_t> bytes) {
    BigNumber r;
    r.m_limbs.assign((bytes.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t bit = (bytes.size() - 1 - i) * 8;
        r.m_limbs[bit / 32] |= static_cast<std::uint32_t>(bytes[i]) << (bit % 32);
    }
    r.Trim();
    return r;
}

BigNumber BigNumber::FromBytesLittleEndian(std::span<const std::uint8_t> bytes) {
    BigNumber r;
    r.m_limbs.assign((bytes.size() + 3) / 4, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        r.m_limbs[i / 4] |= static_cast<std::uint32_t>(bytes[i]) << ((i % 4) * 8);
    r.Trim();
    return r;
}

std::optional<std::vector<std::uint8_t>> BigNumber::ToBytesLittleEndian(std::size_t width) const {
    if ((BitLength() + 7) / 8 > width) return std::nullopt;
    std::vector<std::uint8_t> out(width, 0);
    for (std::size_t i = 0; i < width && i / 4 < m_limbs.size(); ++i)
        out[i] = static_cast<std::uint8_t>(m_limbs[i / 4] >> ((i % 4) * 8));
    return out;
}

std::optional<std::vector<std::uint8_t>> BigNumber::ToBytesBigEndian(std::size_t width) const {
    auto out = ToBytesLittleEndian(width);
    if (out) std::reverse(out->begin(), out->end());
    return out;
}

std::optional<BigNumber> BigNumber::FromHex(std::string_view hex) {
    BigNumber r;
    r.m_limbs.assign((hex.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const int v = HexValue(hex[hex.size() - 1 - i]);
        if (v < 0) return std::nullopt;
        r.m_limbs[i / 8] |= static_cast<std::uint32_t>(v) << ((i % 8) * 4);
    }
    r.Trim();
    return r;
}

std::string BigNumber::ToHex() const {
    if (m_limbs.empty()) return "0";
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = m_limbs.size(); i-- > 0;)
        for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kDigits[(m_limbs[i] >> shift) & 0xF]);
    const std::size_t first = out.find_first_not_of('0');
    return out.substr(first);
}

std::size_t BigNumber::BitLength() const {
    if (m_limbs.empty()) return 0;
    std::uint32_t top = m_limbs.back();
    std::size_t bits = 0;
    while (top) {
        ++bits;
        top >>= 1;
    }
    return (m_limbs.size() - 1) * 32 + bits;
}

bool BigNumber::Bit(std::size_t index) const {
    const std::size_t limb = index / 32;
    return limb < m_limbs.size() && ((m_limbs[limb] >> (index % 32)) & 1u) != 0;
}

int BigNumber::Compare(const BigNumber& a, const BigNumber& b) {
    if (a.m_limbs.size() != b.m_limbs.size()) return a.m_limbs.size() < b.m_limbs.size() ? -1 : 1;
    for (std::size_t i = a.m_limbs.size(); i-- > 0;)
        if (a.m_limbs[i] != b.m_limbs[i]) return a.m_limbs[i] < b.m_limbs[i] ? -1 : 1;
    return 0;
}

BigNumber BigNumber::Add(const BigNumber& a, const BigNumber& b) {
    BigNumber r;
    const std::size_t n = std::max(a.m_limbs.size(), b.m_limbs.size());
    r.m_limbs.resize(n + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t s =
            carry + (i < a.m_limbs.size() ? a.m_limbs[i] : 0u) + (i < b.m_limbs.size() ? b.m_limbs[i] : 0u);
        r.m_limbs[i] = static_cast<std::uint32_t>(s);
        carry = s >> 32;
    }
    r.m_limbs[n] = static_cast<std::uint32_t>(carry);
    r.Trim();
    return r;
}

std::optional<BigNumber> BigNumber::Subtract(const BigNumber& a, const BigNumber& b) {
    if (Compare(a, b) < 0) return std::nullopt;
    BigNumber r;
    r.m_limbs.resize(a.m_limbs.size(), 0);
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.m_limbs.size(); ++i) {
        const std::int64_t d =
            static_cast<std::int64_t>(a.m_limbs[i]) - (i < b.m_limbs.size() ? b.m_limbs[i] : 0u) - borrow;
        r.m_limbs[i] = static_cast<std::uint32_t>(d);
        borrow = d < 0 ? 1 : 0;
    }
    r.Trim();
    return r;
}

BigNumber BigNumber::Multiply(const BigNumber& a, const BigNumber& b) {
    BigNumber r;
    if (a.IsZero() || b.IsZero()) return r;
    r.m_limbs.assign(a.m_limbs.size() + b.m_limbs.size(), 0);
    for (std::size_t i = 0; i < a.m_limbs.size(); ++i) {
        std::uint64_t carry = 0;
        const std::uint64_t ai = a.m_limbs[i];
        for (std::size_t j = 0; j < b.m_limbs.size(); ++j) {
            const std::uint64_t s = r.m_limbs[i + j] + ai * b.m_limbs[j] + carry;
            r.m_limbs[i + j] = static_cast<std::uint32_t>(s);
            carry = s >> 32;
        }
        r.m_limbs[i + b.m_limbs.size()] = static_cast<std::uint32_t>(carry);
    }
    r.Trim();
    return r;
}

std::optional<BigNumberDivision> BigNumber::Divide(const BigNumber& a, const BigNumber& b) {
    if (b.IsZero()) return std::nullopt;
    BigNumberDivision result;
    if (Compare(a, b) < 0) {
        result.remainder = a;
        return result;
    }
    const std::size_t n = b.m_limbs.size();
    if (n == 1) {
        const std::uint64_t d = b.m_limbs[0];
        std::uint64_t rem = 0;
        result.quotient.m_limbs.assign(a.m_limbs.size(), 0);
        for (std::size_t i = a.m_limbs.size(); i-- > 0;) {
            const std::uint64_t cur = (rem << 32) | a.m_limbs[i];
            result.quotient.m_limbs[i] = static_cast<std::uint32_t>(cur / d);
            rem = cur % d;
        }
        result.quotient.Trim();
        result.remainder = BigNumber(rem);
        return result;
    }
    // Knuth, algorithm D: normalise so the divisor's top limb has its high bit set.
    int shift = 0;
    for (std::uint32_t top = b.m_limbs.back(); (top & 0x80000000u) == 0; top <<= 1) ++shift;
    const std::size_t m = a.m_limbs.size() - n;
    LimbVector v(n), u(a.m_limbs.size() + 1, 0);
    for (std::size_t i = n; i-- > 0;)
        v[i] = (b.m_limbs[i] << shift) | (shift && i > 0 ? b.m_limbs[i - 1] >> (32 - shift) : 0u);
    u[a.m_limbs.size()] = shift ? a.m_limbs.back() >> (32 - shift) : 0u;
    for (std::size_t i = a.m_limbs.size(); i-- > 0;)
        u[i] = (a.m_limbs[i] << shift) | (shift && i > 0 ? a.m_limbs[i - 1] >> (32 - shift) : 0u);

    result.quotient.m_limbs.assign(m + 1, 0);
    constexpr std::uint64_t kBase = 1ull << 32;
    for (std::size_t j = m + 1; j-- > 0;) {
        const std::uint64_t num = (static_cast<std::uint64_t>(u[j + n]) << 32) | u[j + n - 1];
        std::uint64_t qhat = num / v[n - 1];
        std::uint64_t rhat = num % v[n - 1];
        while (qhat >= kBase || qhat * v[n - 2] > ((rhat << 32) | u[j + n - 2])) {
            --qhat;
            rhat += v[n - 1];
            if (rhat >= kBase) break;
        }
        // u[j..j+n] −= qhat · v
        std::int64_t borrow = 0;
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t p = qhat * v[i] + carry;
            carry = p >> 32;
            const std::int64_t t =
                static_cast<std::int64_t>(u[i + j]) - borrow - static_cast<std::int64_t>(p & 0xFFFFFFFFu);
            u[i + j] = static_cast<std::uint32_t>(t);
            borrow = t < 0 ? 1 : 0;
        }
        const std::int64_t t = static_cast<std::int64_t>(u[j + n]) - borrow - static_cast<std::int64_t>(carry);
        u[j + n] = static_cast<std::uint32_t>(t);
        if (t < 0) {
            // Added back once: qhat was one too large.
            --qhat;
            std::uint64_t c = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint64_t s = static_cast<std::uint64_t>(u[i + j]) + v[i] + c;
                u[i + j] = static_cast<std::uint32_t>(s);
                c = s >> 32;
            }
            u[j + n] = static_cast<std::uint32_t>(u[j + n] + c);
        }
        result.quotient.m_limbs[j] = static_cast<std::uint32_t>(qhat);
    }
    result.quotient.Trim();
    result.remainder.m_limbs.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        result.remainder.m_limbs[i] = (u[i] >> shift) | (shift ? u[i + 1] << (32 - shift) : 0u);
    result.remainder.Trim();
    WipeLimbs(u);
    WipeLimbs(v);
    return result;
}

std::optional<BigNumber> BigNumber::Mod(const BigNumber& a, const BigNumber& m) {
    auto d = Divide(a, m);
    if (!d) return std::nullopt;
    return std::move(d->remainder);
}

std::optional<BigNumber> BigNumber::ModPow(const BigNumber& base, const BigNumber& exponent, const BigNumber& modulus) {
    if (modulus.IsZero()) return std::nullopt;
    if (modulus == BigNumber(1)) return BigNumber();
    auto reduced = Mod(base, modulus);
    if (!reduced) return std::nullopt;
    const std::size_t bits = exponent.BitLength();

    if (!modulus.IsOdd()) {
        BigNumber result(1);
        for (std::size_t i = bits; i-- > 0;) {
            result = *Mod(Multiply(result, result), modulus);
            if (exponent.Bit(i)) result = *Mod(Multiply(result, *reduced), modulus);
        }
        return result;
    }

    const std::size_t n = modulus.m_limbs.size();
    // R mod m and R² mod m, R = 2^(32n).
    BigNumber r;
    r.m_limbs.assign(n + 1, 0);
    r.m_limbs[n] = 1;
    const BigNumber rModM = *Mod(r, modulus);
    const BigNumber r2ModM = *Mod(Multiply(rModM, rModM), modulus);

    Montgomery mont(modulus.m_limbs);
    LimbVector x = Padded(rModM, n);  // 1 in Montgomery form
    LimbVector b = Padded(*reduced, n);
    const LimbVector r2 = Padded(r2ModM, n);
    LimbVector bm(n), tmp(n);
    mont.Multiply(b, r2, bm);  // base in Montgomery form
    for (std::size_t i = bits; i-- > 0;) {
        mont.Multiply(x, x, tmp);
        x.swap(tmp);
        if (exponent.Bit(i)) {
            mont.Multiply(x, bm, tmp);
            x.swap(tmp);
        }
    }
    LimbVector one(n, 0);
    one[0] = 1;
    mont.Multiply(x, one, tmp);
    BigNumber result;
    result.m_limbs = tmp;
    result.Trim();
    WipeLimbs(x);
    WipeLimbs(b);
    WipeLimbs(bm);
    WipeLimbs(tmp);
    return result;
}

}  // namespace tessarin
