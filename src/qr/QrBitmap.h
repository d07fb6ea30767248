#pragma once
// Windows bitmap files of QR symbols: the 24-bit public key bitmap and the
// 1-bit picture of the registration code view.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "qr/QrEncoder.h"

namespace tessarin {

// --- The public key bitmap: 65 x 65 pixels, 24 bits ---------------------------------

inline constexpr int kQrQuietZone = 4;
inline constexpr int kPublicKeyBitmapSide = 57 + 2 * kQrQuietZone;                                         // 65
inline constexpr std::size_t kPublicKeyBitmapRowBytes = kPublicKeyBitmapSide * 3 + 1;                      // 196
inline constexpr std::size_t kPublicKeyBitmapImageSize = kPublicKeyBitmapRowBytes * kPublicKeyBitmapSide;  // 12,740
inline constexpr std::size_t kPublicKeyBitmapFileSize = 54 + kPublicKeyBitmapImageSize;                    // 12,794

// The bitmap file of a version-10 symbol: one pixel per module, a 4-module
// white quiet zone, rows bottom-up. Empty for a symbol of another size.
std::vector<std::uint8_t> BuildPublicKeyBitmapFile(const QrSymbol& symbol);

// --- The view's picture: W x W pixels, W = symbol size + 8 ---------------------------

// One byte per pixel, row 0 at the top, 1 = black.
struct QrViewBitmap {
    int width = 0;
    std::vector<std::uint8_t> pixels;

    bool Black(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] != 0; }
};

// White W x W picture with every dark module (x, y) black at (x + 4, y + 4).
QrViewBitmap MakeQrViewBitmap(const QrSymbol& symbol);

// Bytes of the pixel rows of the saved 2W x 2W picture: rows of 1-bit pixels,
// each padded to a multiple of 4 bytes.
std::size_t QrViewSavedImageSize(int viewWidth);

// The saved picture: the view doubled to 2W x 2W (each pixel 2 x 2) as a 1-bit
// bitmap file of 62 + S bytes. The colour table has black at index 0 and white
// at index 1.
std::vector<std::uint8_t> BuildQrViewBitmapFile(const QrViewBitmap& view);
// The same picture as a device-independent bitmap for the clipboard: the file
// without its 14-byte file header.
std::vector<std::uint8_t> BuildQrViewDib(const QrViewBitmap& view);

// Writes the saved picture through a temporary file; false when it cannot be
// written (the caller shows "ファイルオープンエラー").
[[nodiscard]] bool SaveQrViewBitmap(const QrViewBitmap& view, const std::filesystem::path& path);

}  // namespace tessarin
