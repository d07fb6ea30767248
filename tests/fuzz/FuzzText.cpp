// Targets "cp932" and "bignumber".
//
// cp932: a text that converts to UTF-8 converts back and again to the same
// UTF-8; a UTF-8 text that converts to CP932 converts back; the
// character-wise searches agree with a plain walk over the characters; the
// display form is valid UTF-8.
//
// bignumber: hexadecimal text parses exactly when every character is a
// digit and prints back without leading zeros; byte forms round-trip; sums,
// differences, products, quotients and powers agree with each other and
// with a plain square-and-multiply.

#include <algorithm>

#include "FuzzSupport.h"
#include "core/BigNumber.h"
#include "keys/MemberList.h"
#include "platform/Cp932.h"

namespace tessarin::fuzz {
namespace {

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0)
            n = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            n = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            n = 3, cp = c & 0x07;
        else
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size()) return false;
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

// The first single-byte character of text at or after from that is one of
// chars, walking character by character.
std::size_t WalkFindAnyOf(std::string_view text, std::string_view chars, std::size_t from) {
    for (std::size_t i = 0; i < text.size();) {
        if (IsCp932LeadByte(static_cast<std::uint8_t>(text[i]))) {
            i += 2;
            continue;
        }
        if (i >= from && chars.find(text[i]) != std::string_view::npos) return i;
        ++i;
    }
    return std::string_view::npos;
}

BigNumber Number(InputReader& in) {
    const std::size_t length = in.U8() % 80;
    return BigNumber::FromBytesBigEndian(in.Take(length));
}

// base^exponent mod modulus by plain square-and-multiply.
BigNumber SlowModPow(const BigNumber& base, const BigNumber& exponent, const BigNumber& modulus) {
    BigNumber result = *BigNumber::Mod(BigNumber(1), modulus);
    const BigNumber b = *BigNumber::Mod(base, modulus);
    for (std::size_t i = exponent.BitLength(); i-- > 0;) {
        result = *BigNumber::Mod(BigNumber::Multiply(result, result), modulus);
        if (exponent.Bit(i)) result = *BigNumber::Mod(BigNumber::Multiply(result, b), modulus);
    }
    return result;
}

}  // namespace

std::string RunCp932(Bytes input) {
    const std::string_view text = AsText(input);
    std::string outcome = "not cp932";
    if (const auto utf8 = Cp932ToUtf8(text)) {
        Check(IsValidUtf8(*utf8), "CP932 converts to valid UTF-8");
        const auto back = Utf8ToCp932(*utf8);
        Check(back.has_value(), "converted CP932 converts back");
        if (back) Check(Cp932ToUtf8(*back) == utf8, "converted back, it converts to the same UTF-8");
        outcome = "cp932";
    }
    if (const auto cp932 = Utf8ToCp932(text)) {
        Check(Cp932ToUtf8(*cp932).has_value(), "converted UTF-8 converts back");
        if (outcome == "not cp932") outcome = "utf8";
    }
    Check(IsValidUtf8(Cp932ForDisplay(text)), "the display form is valid UTF-8");

    static constexpr std::string_view kForbidden = "/:*?\"<>|\\";
    const std::size_t from = input.empty() ? 0 : input[0] % (input.size() + 1);
    Check(Cp932FindAnyOf(text, kForbidden, from) == WalkFindAnyOf(text, kForbidden, from),
          "the search skips second bytes");
    std::size_t last = std::string_view::npos;
    for (std::size_t at = WalkFindAnyOf(text, "\\", 0); at != std::string_view::npos;
         at = WalkFindAnyOf(text, "\\", at + 1))
        last = at;
    Check(Cp932FindLast(text, '\\') == last, "the last separator is found character-wise");
    return outcome;
}

std::string RunBigNumber(Bytes input) {
    const std::string_view text = AsText(input.first(std::min<std::size_t>(input.size(), 600)));
    const auto parsed = BigNumber::FromHex(text);
    const bool allHex =
        std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    Check(parsed.has_value() == allHex, "hexadecimal parses exactly when every character is a digit");
    if (parsed) {
        std::string expected(text);
        for (char& c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        expected.erase(0, std::min(expected.find_first_not_of('0'), expected.size()));
        if (expected.empty()) expected = "0";
        Check(parsed->ToHex() == expected, "hexadecimal prints back without leading zeros");
    }

    InputReader in(input);
    const Bytes raw = in.Take(in.U8() % 200);
    const auto be = BigNumber::FromBytesBigEndian(raw);
    Check(be.ToBytesBigEndian(raw.size()) == std::vector<std::uint8_t>(raw.begin(), raw.end()),
          "big-endian bytes round-trip");
    const auto le = BigNumber::FromBytesLittleEndian(raw);
    Check(le.ToBytesLittleEndian(raw.size()) == std::vector<std::uint8_t>(raw.begin(), raw.end()),
          "little-endian bytes round-trip");
    Check(BigNumber::FromHex(be.ToHex()) == be, "printed hexadecimal parses back");

    const BigNumber a = Number(in);
    const BigNumber b = Number(in);
    const BigNumber m = Number(in);
    const BigNumber e = BigNumber::FromBytesBigEndian(in.Take(in.U8() % 9));
    const BigNumber sum = BigNumber::Add(a, b);
    Check(BigNumber::Subtract(sum, b) == a, "a + b - b is a");
    Check(BigNumber::Subtract(a, b).has_value() == !(a < b), "a - b exists unless b is larger");
    const BigNumber product = BigNumber::Multiply(a, b);
    if (!b.IsZero()) {
        const auto d = BigNumber::Divide(a, b);
        Check(d.has_value(), "division by a non-zero number works");
        if (d) {
            Check(d->remainder < b, "the remainder is below the divisor");
            Check(BigNumber::Add(BigNumber::Multiply(d->quotient, b), d->remainder) == a, "q * b + r is a");
        }
        const auto back = BigNumber::Divide(product, b);
        Check(back && back->quotient == a && back->remainder.IsZero(), "a * b / b is a");
    } else {
        Check(!BigNumber::Divide(a, b).has_value() && !BigNumber::Mod(a, b).has_value(), "no division by zero");
    }
    const auto power = BigNumber::ModPow(a, e, m);
    Check(power.has_value() == !m.IsZero(), "a power exists for a non-zero modulus");
    if (power) Check(*power == SlowModPow(a, e, m), "the power agrees with square-and-multiply");
    return parsed ? "hex" : "not hex";
}

}  // namespace tessarin::fuzz
