#pragma once
// QR Code model 2 encoders: a general one that chooses segments, version and
// mask itself, and the fixed version-10 one behind the public key bitmap.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tessarin {

// Error-correction levels, numbered as the callers number them.
enum class QrLevel : int { L = 0, M = 1, Q = 2, H = 3 };

enum class QrMode : std::uint8_t { Numeric, Alphanumeric, Byte, Kanji };

// One encoded symbol: size × size modules, row-major, 1 = dark.
struct QrSymbol {
    int version = 0;
    int size = 0;
    QrLevel level = QrLevel::L;
    int mask = 0;
    std::vector<std::uint8_t> modules;

    bool Dark(int x, int y) const { return modules[static_cast<std::size_t>(y) * size + x] != 0; }
};

// A run of the text encoded in one mode; begin and length count bytes.
struct QrSegment {
    QrMode mode;
    std::size_t begin;
    std::size_t length;
};

inline constexpr int kQrMinVersion = 1;
inline constexpr int kQrMaxVersion = 40;
inline constexpr int kQrMaxSize = 4 * kQrMaxVersion + 17;

// The error-correction block structure of a version and level.
struct QrBlockLayout {
    int blocks;
    int eccPerBlock;
    int dataCodewords;  // all blocks together
};
QrBlockLayout QrBlocks(int version, QrLevel level);

// Splits Shift-JIS text into segments with the thresholds of a version group
// (0: versions 1-9, 1: 10-26, 2: 27-40).
std::vector<QrSegment> SegmentQrText(std::string_view text, int versionGroup);

// The general encoder. version 0 chooses the smallest version that holds the
// text; another version is the minimum, and allowLarger lets the encoder go
// beyond it. mask -1 scores all eight patterns and keeps the best; 0-7 forces
// one. No symbol for empty text, text that fits no allowed version, or
// arguments out of range.
[[nodiscard]] std::optional<QrSymbol> EncodeQr(QrLevel level, int version, bool allowLarger, int mask,
                                               std::string_view text);

// The fixed encoder: version 10, level L, one alphanumeric segment, mask 2.
// No symbol when the text holds a character outside the alphanumeric set or is
// longer than the 395 characters version 10-L holds.
[[nodiscard]] std::optional<QrSymbol> EncodeQrVersion10(std::string_view text);

// The penalty score of a finished symbol under the standard's four rules.
int QrPenaltyScore(const QrSymbol& symbol);

}  // namespace tessarin
