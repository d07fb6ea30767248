#include "qr/QrEncoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace tessarin {
namespace {

constexpr int kLevels = 4;

// Error-correction codewords per block, by level (L, M, Q, H) and version.
constexpr std::array<std::array<std::uint8_t, 41>, kLevels> kEccPerBlock = {{
    {0,  7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {0,  13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
}};

// Number of error-correction blocks, by level and version.
constexpr std::array<std::array<std::uint8_t, 41>, kLevels> kBlockCount = {{
    {0, 1, 1, 1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7, 8,
     8, 9, 9, 10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {0,  1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {0,  1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {0,  1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
}};

// Format information level bits: L 01, M 00, Q 11, H 10.
constexpr std::array<int, kLevels> kLevelFormatBits = {1, 0, 3, 2};

struct GroupRules {
    int firstVersion, lastVersion;
    int n1, n2, n3, n4, n5, n6;
    std::array<int, 4> countBits;  // numeric, alphanumeric, 8-bit, Kanji
};

constexpr std::array<GroupRules, 3> kGroups = {{
    {1, 9, 4, 7, 6, 13, 6, 11, {10, 9, 8, 8}},
    {10, 26, 4, 8, 7, 15, 8, 15, {12, 11, 16, 10}},
    {27, 40, 5, 9, 8, 17, 9, 16, {14, 13, 16, 12}},
}};

int GroupOfVersion(int version) {
    return version <= 9 ? 0 : (version <= 26 ? 1 : 2);
}

int SymbolSize(int version) {
    return 4 * version + 17;
}

// Codewords of a version, data and error correction together.
int RawCodewords(int version) {
    int bits = (16 * version + 128) * version + 64;
    if (version >= 2) {
        const int align = version / 7 + 2;
        bits -= (25 * align - 10) * align - 55;
        if (version >= 7) bits -= 36;
    }
    return bits / 8;
}

int DataCodewords(int version, int level) {
    return RawCodewords(version) - kEccPerBlock[level][version] * kBlockCount[level][version];
}

// --- Character classes of Shift-JIS text -----------------------------------

int AlnumValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    switch (c) {
        case ' ':
            return 36;
        case '$':
            return 37;
        case '%':
            return 38;
        case '*':
            return 39;
        case '+':
            return 40;
        case '-':
            return 41;
        case '.':
            return 42;
        case '/':
            return 43;
        case ':':
            return 44;
        default:
            return -1;
    }
}

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(std::uint8_t c) {
    return AlnumValue(c) >= 0;
}

bool IsKanjiPair(std::uint8_t b1, std::uint8_t b2) {
    if (!((b1 >= 0x81 && b1 <= 0x9F) || (b1 >= 0xE0 && b1 <= 0xEB))) return false;
    if (b2 < 0x40) return false;
    if (b1 == 0x9F && b2 >= 0xFD) return false;
    if (b1 == 0xEB && b2 >= 0xC0) return false;
    return true;
}

class TextView {
public:
    explicit TextView(std::string_view text) : m_text(text) {}
    std::size_t Size() const { return m_text.size(); }
    std::uint8_t At(std::size_t i) const { return static_cast<std::uint8_t>(m_text[i]); }
    bool KanjiAt(std::size_t i) const { return i + 1 < Size() && IsKanjiPair(At(i), At(i + 1)); }
    // True when a byte outside the alphanumeric set lies in [i, i + n).
    bool NonAlnumWithin(std::size_t i, int n) const {
        for (std::size_t j = i; j < Size() && j < i + static_cast<std::size_t>(n); ++j)
            if (!IsAlnum(At(j))) return true;
        return false;
    }
    // True when an alphanumeric character that is not a digit lies in [i, i + n).
    bool AlnumLetterWithin(std::size_t i, int n) const {
        for (std::size_t j = i; j < Size() && j < i + static_cast<std::size_t>(n); ++j)
            if (IsAlnum(At(j)) && !IsDigit(At(j))) return true;
        return false;
    }
    // Whether a run of at least n bytes of the class starts at i.
    template <typename Pred>
    bool RunAtLeast(std::size_t i, int n, Pred pred) const {
        int run = 0;
        for (std::size_t j = i; j < Size() && pred(At(j)); ++j)
            if (++run >= n) return true;
        return false;
    }

private:
    std::string_view m_text;
};

// --- Bit buffer ----------------------------------------------------------------

class BitBuffer {
public:
    void Append(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) m_bits.push_back(static_cast<std::uint8_t>((value >> i) & 1U));
    }
    std::size_t Size() const { return m_bits.size(); }
    // Terminator, byte boundary and pad codewords up to capacity codewords.
    std::vector<std::uint8_t> Finish(int capacityCodewords) {
        const std::size_t capacityBits = static_cast<std::size_t>(capacityCodewords) * 8;
        const std::size_t terminator = std::min<std::size_t>(4, capacityBits - m_bits.size());
        Append(0, static_cast<int>(terminator));
        while (m_bits.size() % 8 != 0) m_bits.push_back(0);
        std::vector<std::uint8_t> bytes(m_bits.size() / 8, 0);
        for (std::size_t i = 0; i < m_bits.size(); ++i)
            bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (m_bits[i] << (7 - i % 8)));
        for (bool first = true; bytes.size() < static_cast<std::size_t>(capacityCodewords); first = !first)
            bytes.push_back(first ? 0xEC : 0x11);
        return bytes;
    }

private:
    std::vector<std::uint8_t> m_bits;
};

int KanjiValue(std::uint8_t b1, std::uint8_t b2) {
    int code = (b1 << 8) | b2;
    code -= (code <= 0x9FFC) ? 0x8140 : 0xC140;
    return (code >> 8) * 0xC0 + (code & 0xFF);
}

// Units the count field carries: bytes, or pairs for Kanji.
std::size_t SegmentCount(const QrSegment& s) {
    return s.mode == QrMode::Kanji ? s.length / 2 : s.length;
}

void AppendSegment(BitBuffer& bb, const QrSegment& s, const TextView& t, int countBits) {
    static constexpr std::array<std::uint32_t, 4> kIndicator = {0x1, 0x2, 0x4, 0x8};
    bb.Append(kIndicator[static_cast<int>(s.mode)], 4);
    bb.Append(static_cast<std::uint32_t>(SegmentCount(s)), countBits);
    const std::size_t end = s.begin + s.length;
    switch (s.mode) {
        case QrMode::Numeric:
            for (std::size_t i = s.begin; i < end; i += 3) {
                const std::size_t n = std::min<std::size_t>(3, end - i);
                std::uint32_t v = 0;
                for (std::size_t k = 0; k < n; ++k) v = v * 10 + static_cast<std::uint32_t>(t.At(i + k) - '0');
                bb.Append(v, n == 3 ? 10 : (n == 2 ? 7 : 4));
            }
            break;
        case QrMode::Alphanumeric:
            for (std::size_t i = s.begin; i < end; i += 2) {
                if (i + 1 < end)
                    bb.Append(static_cast<std::uint32_t>(AlnumValue(t.At(i)) * 45 + AlnumValue(t.At(i + 1))), 11);
                else
                    bb.Append(static_cast<std::uint32_t>(AlnumValue(t.At(i))), 6);
            }
            break;
        case QrMode::Byte:
            for (std::size_t i = s.begin; i < end; ++i) bb.Append(t.At(i), 8);
            break;
        case QrMode::Kanji:
            for (std::size_t i = s.begin; i + 1 < end; i += 2)
                bb.Append(static_cast<std::uint32_t>(KanjiValue(t.At(i), t.At(i + 1))), 13);
            break;
    }
}

std::size_t SegmentBits(const QrSegment& s, int countBits) {
    std::size_t data = 0;
    switch (s.mode) {
        case QrMode::Numeric:
            data = s.length / 3 * 10 + (s.length % 3 == 2 ? 7 : (s.length % 3 == 1 ? 4 : 0));
            break;
        case QrMode::Alphanumeric:
            data = s.length / 2 * 11 + (s.length % 2) * 6;
            break;
        case QrMode::Byte:
            data = s.length * 8;
            break;
        case QrMode::Kanji:
            data = s.length / 2 * 13;
            break;
    }
    return 4 + static_cast<std::size_t>(countBits) + data;
}

// --- Reed-Solomon over GF(256), polynomial 0x11D ---------------------------------

std::uint8_t GfMultiply(std::uint8_t x, std::uint8_t y) {
    int z = 0;
    for (int i = 7; i >= 0; --i) {
        z = (z << 1) ^ ((z >> 7) * 0x11D);
        z ^= ((y >> i) & 1) * x;
    }
    return static_cast<std::uint8_t>(z);
}

// Generator polynomial coefficients (leading 1 omitted), highest degree first.
std::vector<std::uint8_t> RsDivisor(int degree) {
    std::vector<std::uint8_t> result(static_cast<std::size_t>(degree), 0);
    result.back() = 1;
    std::uint8_t root = 1;
    for (int i = 0; i < degree; ++i) {
        for (std::size_t j = 0; j < result.size(); ++j) {
            result[j] = GfMultiply(result[j], root);
            if (j + 1 < result.size()) result[j] ^= result[j + 1];
        }
        root = GfMultiply(root, 0x02);
    }
    return result;
}

std::vector<std::uint8_t> RsRemainder(const std::uint8_t* data, std::size_t len,
                                      const std::vector<std::uint8_t>& divisor) {
    std::vector<std::uint8_t> result(divisor.size(), 0);
    for (std::size_t n = 0; n < len; ++n) {
        const std::uint8_t factor = data[n] ^ result.front();
        result.erase(result.begin());
        result.push_back(0);
        for (std::size_t i = 0; i < result.size(); ++i) result[i] ^= GfMultiply(divisor[i], factor);
    }
    return result;
}

// Splits data codewords into blocks, adds each block's error correction and
// interleaves data, then error correction, block by block.
std::vector<std::uint8_t> AddErrorCorrection(const std::vector<std::uint8_t>& data, int version, int level) {
    const int blocks = kBlockCount[level][version];
    const int ecc = kEccPerBlock[level][version];
    const int raw = RawCodewords(version);
    const int shortBlocks = blocks - raw % blocks;
    const int shortLen = raw / blocks - ecc;  // data codewords in a short block
    const auto divisor = RsDivisor(ecc);

    std::vector<std::vector<std::uint8_t>> dataBlocks, eccBlocks;
    std::size_t k = 0;
    for (int b = 0; b < blocks; ++b) {
        const std::size_t len = static_cast<std::size_t>(shortLen + (b < shortBlocks ? 0 : 1));
        dataBlocks.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(k),
                                data.begin() + static_cast<std::ptrdiff_t>(k + len));
        eccBlocks.push_back(RsRemainder(data.data() + k, len, divisor));
        k += len;
    }
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(raw));
    for (int i = 0; i <= shortLen; ++i)
        for (const auto& block : dataBlocks)
            if (static_cast<std::size_t>(i) < block.size()) out.push_back(block[static_cast<std::size_t>(i)]);
    for (int i = 0; i < ecc; ++i)
        for (const auto& block : eccBlocks) out.push_back(block[static_cast<std::size_t>(i)]);
    return out;
}

// --- Module matrix -----------------------------------------------------------------

class Matrix {
public:
    explicit Matrix(int version)
        : m_version(version),
          m_size(SymbolSize(version)),
          m_modules(static_cast<std::size_t>(m_size) * m_size, 0),
          m_function(static_cast<std::size_t>(m_size) * m_size, 0) {
        DrawFunctionPatterns();
    }

    int Size() const { return m_size; }
    bool Get(int x, int y) const { return m_modules[Index(x, y)] != 0; }
    bool IsFunction(int x, int y) const { return m_function[Index(x, y)] != 0; }
    void SetFunction(int x, int y, bool dark) {
        m_modules[Index(x, y)] = dark ? 1 : 0;
        m_function[Index(x, y)] = 1;
    }
    const std::vector<std::uint8_t>& Modules() const { return m_modules; }

    // Places the codewords in the two-column zigzag from the bottom-right.
    void PlaceCodewords(const std::vector<std::uint8_t>& codewords) {
        std::size_t i = 0;
        const std::size_t totalBits = codewords.size() * 8;
        for (int right = m_size - 1; right >= 1; right -= 2) {
            if (right == 6) right = 5;
            const bool upward = ((right + 1) & 2) == 0;
            for (int vert = 0; vert < m_size; ++vert) {
                const int y = upward ? m_size - 1 - vert : vert;
                for (int j = 0; j < 2; ++j) {
                    const int x = right - j;
                    if (IsFunction(x, y)) continue;
                    if (i < totalBits) {
                        m_modules[Index(x, y)] = static_cast<std::uint8_t>((codewords[i >> 3] >> (7 - (i & 7))) & 1);
                        ++i;
                    }
                }
            }
        }
    }

    // Inverts the data modules selected by the mask pattern (applying it twice undoes it).
    void ApplyMask(int mask) {
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                if (!IsFunction(x, y) && MaskBit(mask, x, y)) m_modules[Index(x, y)] ^= 1;
    }

    void DrawFormatBits(int level, int mask) {
        const int data = kLevelFormatBits[level] << 3 | mask;
        int rem = data;
        for (int i = 0; i < 10; ++i) rem = (rem << 1) ^ ((rem >> 9) * 0x537);
        const int bits = ((data << 10) | rem) ^ 0x5412;
        auto bit = [bits](int i) { return ((bits >> i) & 1) != 0; };
        for (int i = 0; i <= 5; ++i) SetFunction(8, i, bit(i));
        SetFunction(8, 7, bit(6));
        SetFunction(8, 8, bit(7));
        SetFunction(7, 8, bit(8));
        for (int i = 9; i < 15; ++i) SetFunction(14 - i, 8, bit(i));
        for (int i = 0; i < 8; ++i) SetFunction(m_size - 1 - i, 8, bit(i));
        for (int i = 8; i < 15; ++i) SetFunction(8, m_size - 15 + i, bit(i));
        SetFunction(8, m_size - 8, true);  // the dark module
    }

    void ClearInformationAreas() {
        for (int i = 0; i < m_size; ++i)
            for (int j = 0; j < m_size; ++j)
                if (IsInformation(i, j)) m_modules[Index(i, j)] = 0;
    }

    void DrawVersion() {
        if (m_version < 7) return;
        int rem = m_version;
        for (int i = 0; i < 12; ++i) rem = (rem << 1) ^ ((rem >> 11) * 0x1F25);
        const long bits = static_cast<long>(m_version) << 12 | rem;
        for (int i = 0; i < 18; ++i) {
            const bool dark = ((bits >> i) & 1) != 0;
            const int a = m_size - 11 + i % 3, b = i / 3;
            SetFunction(a, b, dark);
            SetFunction(b, a, dark);
        }
    }

    static bool MaskBit(int mask, int x, int y) {
        switch (mask) {
            case 0:
                return (x + y) % 2 == 0;
            case 1:
                return y % 2 == 0;
            case 2:
                return x % 3 == 0;
            case 3:
                return (x + y) % 3 == 0;
            case 4:
                return (x / 3 + y / 2) % 2 == 0;
            case 5:
                return x * y % 2 + x * y % 3 == 0;
            case 6:
                return (x * y % 2 + x * y % 3) % 2 == 0;
            default:
                return ((x + y) % 2 + x * y % 3) % 2 == 0;
        }
    }

private:
    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * m_size + x; }

    void DrawFunctionPatterns() {
        for (int i = 0; i < m_size; ++i) {
            SetFunction(6, i, i % 2 == 0);
            SetFunction(i, 6, i % 2 == 0);
        }
        DrawFinder(3, 3);
        DrawFinder(m_size - 4, 3);
        DrawFinder(3, m_size - 4);
        const auto pos = AlignmentPositions();
        const std::size_t n = pos.size();
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                if ((i == 0 && j == 0) || (i == 0 && j == n - 1) || (i == n - 1 && j == 0)) continue;
                DrawAlignment(pos[i], pos[j]);
            }
        DrawFormatBits(0, 0);  // reserves the format areas; redrawn with the real values
        DrawVersion();
    }

    std::vector<int> AlignmentPositions() const {
        if (m_version == 1) return {};
        const int count = m_version / 7 + 2;
        const int step = (m_version * 8 + count * 3 + 5) / (count * 4 - 4) * 2;
        std::vector<int> result(static_cast<std::size_t>(count));
        result[0] = 6;
        for (int i = count - 1, p = m_size - 7; i >= 1; --i, p -= step) result[static_cast<std::size_t>(i)] = p;
        return result;
    }

    void DrawFinder(int cx, int cy) {
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) {
                const int x = cx + dx, y = cy + dy;
                if (x < 0 || x >= m_size || y < 0 || y >= m_size) continue;
                const int dist = std::max(std::abs(dx), std::abs(dy));
                SetFunction(x, y, dist != 2 && dist != 4);
            }
    }

    void DrawAlignment(int cx, int cy) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) SetFunction(cx + dx, cy + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
    }

    // Format information, the dark module and version information.
    bool IsInformation(int x, int y) const {
        if ((x == 8 && (y <= 8 || y >= m_size - 8)) || (y == 8 && (x <= 8 || x >= m_size - 8)))
            return !(x == 6 || y == 6);
        if (m_version >= 7 &&
            ((x >= m_size - 11 && x < m_size - 8 && y < 6) || (y >= m_size - 11 && y < m_size - 8 && x < 6)))
            return true;
        return false;
    }

    int m_version;
    int m_size;
    std::vector<std::uint8_t> m_modules;
    std::vector<std::uint8_t> m_function;
};

// --- Penalty ---------------------------------------------------------------------------

int Penalty(const std::uint8_t* m, int size) {
    constexpr int kN1 = 3, kN2 = 3, kN3 = 40, kN4 = 10;
    int score = 0;
    auto at = [m, size](int x, int y) { return m[static_cast<std::size_t>(y) * size + x]; };

    std::vector<std::uint8_t> line(static_cast<std::size_t>(size));
    // Light modules (the quiet zone counts as light) at [from, from + 4).
    auto lightArea = [&line, size](int from) {
        for (int k = from; k < from + 4; ++k)
            if (k >= 0 && k < size && line[static_cast<std::size_t>(k)] != 0) return false;
        return true;
    };
    static constexpr std::array<std::uint8_t, 7> kFinderLike = {1, 0, 1, 1, 1, 0, 1};

    // Rules 1 and 3, rows then columns.
    for (int pass = 0; pass < 2; ++pass) {
        for (int a = 0; a < size; ++a) {
            for (int b = 0; b < size; ++b) line[static_cast<std::size_t>(b)] = pass == 0 ? at(b, a) : at(a, b);
            int run = 1;
            for (int b = 1; b <= size; ++b) {
                if (b < size && line[static_cast<std::size_t>(b)] == line[static_cast<std::size_t>(b - 1)]) {
                    ++run;
                    continue;
                }
                if (run >= 5) score += kN1 + run - 5;
                run = 1;
            }
            // dark:light:dark:light:dark in 1:1:3:1:1 with four light modules on either side
            for (int b = 0; b + 7 <= size; ++b) {
                if (!std::equal(kFinderLike.begin(), kFinderLike.end(), line.begin() + b)) continue;
                if (lightArea(b - 4) || lightArea(b + 7)) score += kN3;
            }
        }
    }
    // Rule 2: 2 x 2 blocks of one colour.
    for (int y = 0; y + 1 < size; ++y)
        for (int x = 0; x + 1 < size; ++x) {
            const std::uint8_t v = at(x, y);
            if (v == at(x + 1, y) && v == at(x, y + 1) && v == at(x + 1, y + 1)) score += kN2;
        }
    // Rule 4: proportion of dark modules, 10 points per whole 5 % away from half.
    long dark = 0;
    const long total = static_cast<long>(size) * size;
    for (long i = 0; i < total; ++i) dark += m[i];
    const long k = std::labs(dark * 20 - total * 10) / total;
    score += static_cast<int>(k) * kN4;
    return score;
}

// Draws a symbol from its data codewords with one mask, or the best of all eight.
QrSymbol DrawSymbol(const std::vector<std::uint8_t>& dataCodewords, int version, int level, int mask) {
    Matrix matrix(version);
    matrix.PlaceCodewords(AddErrorCorrection(dataCodewords, version, level));
    if (mask < 0) {
        int best = std::numeric_limits<int>::max();
        // Masks are scored before format and version information are added:
        // those areas and the dark module count as light.
        matrix.ClearInformationAreas();
        for (int candidate = 0; candidate < 8; ++candidate) {
            matrix.ApplyMask(candidate);
            const int score = Penalty(matrix.Modules().data(), matrix.Size());
            if (score < best) {
                best = score;
                mask = candidate;
            }
            matrix.ApplyMask(candidate);
        }
    }
    matrix.ApplyMask(mask);
    matrix.DrawVersion();
    matrix.DrawFormatBits(level, mask);
    QrSymbol symbol;
    symbol.version = version;
    symbol.size = matrix.Size();
    symbol.level = static_cast<QrLevel>(level);
    symbol.mask = mask;
    symbol.modules = matrix.Modules();
    return symbol;
}

}  // namespace

QrBlockLayout QrBlocks(int version, QrLevel level) {
    const int lv = static_cast<int>(level);
    if (version < kQrMinVersion || version > kQrMaxVersion || lv < 0 || lv >= kLevels) return {0, 0, 0};
    return {kBlockCount[lv][version], kEccPerBlock[lv][version], DataCodewords(version, lv)};
}

std::vector<QrSegment> SegmentQrText(std::string_view text, int versionGroup) {
    const GroupRules& g = kGroups[static_cast<std::size_t>(std::clamp(versionGroup, 0, 2))];
    const TextView t(text);
    const std::size_t n = t.Size();
    std::vector<QrSegment> segments;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t c = t.At(i);
        QrMode mode;
        if (t.KanjiAt(i))
            mode = QrMode::Kanji;
        else if (!IsAlnum(c))
            mode = QrMode::Byte;
        else if (IsDigit(c))
            mode = t.NonAlnumWithin(i, g.n1)      ? QrMode::Byte
                   : t.AlnumLetterWithin(i, g.n2) ? QrMode::Alphanumeric
                                                  : QrMode::Numeric;
        else
            mode = t.NonAlnumWithin(i, g.n3) ? QrMode::Byte : QrMode::Alphanumeric;

        std::size_t j = i;
        switch (mode) {
            case QrMode::Numeric:
                while (j < n && IsDigit(t.At(j))) ++j;
                break;
            case QrMode::Alphanumeric:
                ++j;
                while (j < n && IsAlnum(t.At(j)) && !t.RunAtLeast(j, g.n4, IsDigit)) ++j;
                break;
            case QrMode::Byte:
                ++j;
                while (j < n && !t.KanjiAt(j) && !t.RunAtLeast(j, g.n5, IsDigit) && !t.RunAtLeast(j, g.n6, IsAlnum))
                    ++j;
                break;
            case QrMode::Kanji:
                while (t.KanjiAt(j)) j += 2;
                break;
        }
        if (!segments.empty() && segments.back().mode == mode && segments.back().begin + segments.back().length == i)
            segments.back().length += j - i;
        else
            segments.push_back({mode, i, j - i});
        i = j;
    }
    return segments;
}

std::optional<QrSymbol> EncodeQr(QrLevel level, int version, bool allowLarger, int mask, std::string_view text) {
    const int lv = static_cast<int>(level);
    if (lv < 0 || lv >= kLevels || version < 0 || version > kQrMaxVersion || mask < -1 || mask > 7 || text.empty())
        return std::nullopt;
    const int minVersion = version == 0 ? kQrMinVersion : version;
    const int maxVersion = (version == 0 || allowLarger) ? kQrMaxVersion : version;
    const TextView t(text);

    for (int group = GroupOfVersion(minVersion); group <= GroupOfVersion(maxVersion); ++group) {
        const GroupRules& g = kGroups[static_cast<std::size_t>(group)];
        const auto segments = SegmentQrText(text, group);
        std::size_t bits = 0;
        bool countsFit = true;
        for (const auto& s : segments) {
            const int countBits = g.countBits[static_cast<std::size_t>(s.mode)];
            if (SegmentCount(s) >= (std::size_t{1} << countBits)) countsFit = false;
            bits += SegmentBits(s, countBits);
        }
        if (!countsFit) continue;
        const std::size_t bytes = (bits + 7) / 8;
        const int from = std::max(minVersion, g.firstVersion);
        const int to = std::min(maxVersion, g.lastVersion);
        for (int v = from; v <= to; ++v) {
            if (bytes > static_cast<std::size_t>(DataCodewords(v, lv))) continue;
            BitBuffer bb;
            for (const auto& s : segments) AppendSegment(bb, s, t, g.countBits[static_cast<std::size_t>(s.mode)]);
            return DrawSymbol(bb.Finish(DataCodewords(v, lv)), v, lv, mask);
        }
    }
    return std::nullopt;
}

std::optional<QrSymbol> EncodeQrVersion10(std::string_view text) {
    constexpr int kVersion = 10;
    constexpr int kLevel = static_cast<int>(QrLevel::L);
    constexpr int kMask = 2;
    const QrSegment segment{QrMode::Alphanumeric, 0, text.size()};
    for (const char c : text)
        if (!IsAlnum(static_cast<std::uint8_t>(c))) return std::nullopt;
    const int capacity = DataCodewords(kVersion, kLevel);  // 274
    if (SegmentBits(segment, 11) > static_cast<std::size_t>(capacity) * 8) return std::nullopt;
    BitBuffer bb;
    AppendSegment(bb, segment, TextView(text), 11);
    return DrawSymbol(bb.Finish(capacity), kVersion, kLevel, kMask);
}

int QrPenaltyScore(const QrSymbol& symbol) {
    return Penalty(symbol.modules.data(), symbol.size);
}

}  // namespace tessarin
