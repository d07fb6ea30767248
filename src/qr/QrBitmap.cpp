#include "qr/QrBitmap.h"

#include <algorithm>

#include "platform/ByteIo.h"
#include "qr/QrFiles.h"

namespace tessarin {
namespace {

constexpr std::uint32_t kPixelsPerMetre = 3780;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void AppendFileHeader(ByteWriter& w, std::size_t fileSize, std::size_t pixelOffset) {
    w.U8('B')
        .U8('M')
        .U32(static_cast<std::uint32_t>(fileSize))
        .U16(0)
        .U16(0)
        .U32(static_cast<std::uint32_t>(pixelOffset));
}

void AppendInfoHeader(ByteWriter& w, int width, int height, std::uint16_t bitsPerPixel, std::size_t imageSize) {
    w.U32(kInfoHeaderSize)
        .I32(width)
        .I32(height)
        .U16(1)
        .U16(bitsPerPixel)
        .U32(0)  // no compression
        .U32(static_cast<std::uint32_t>(imageSize))
        .U32(kPixelsPerMetre)
        .U32(kPixelsPerMetre)
        .U32(0)
        .U32(0);
}

// Info header, colour table and rows of the doubled 1-bit picture.
void AppendQrViewDib(ByteWriter& w, const QrViewBitmap& view) {
    const int side = 2 * view.width;
    const std::size_t rowBytes = static_cast<std::size_t>((side + 31) / 32) * 4;
    AppendInfoHeader(w, side, side, 1, QrViewSavedImageSize(view.width));
    w.U32(0x00000000).U32(0x00FFFFFF);  // index 0 black, index 1 white
    std::vector<std::uint8_t> row(rowBytes);
    for (int py = side - 1; py >= 0; --py) {
        std::fill(row.begin(), row.end(), 0);
        for (int px = 0; px < side; ++px)
            if (!view.Black(px / 2, py / 2))
                row[static_cast<std::size_t>(px / 8)] |= static_cast<std::uint8_t>(0x80 >> (px % 8));
        w.Bytes(row);
    }
}

}  // namespace

std::vector<std::uint8_t> BuildPublicKeyBitmapFile(const QrSymbol& symbol) {
    std::vector<std::uint8_t> out;
    if (symbol.size + 2 * kQrQuietZone != kPublicKeyBitmapSide) return out;
    out.reserve(kPublicKeyBitmapFileSize);
    ByteWriter w(out);
    AppendFileHeader(w, kPublicKeyBitmapFileSize, kFileHeaderSize + kInfoHeaderSize);
    AppendInfoHeader(w, kPublicKeyBitmapSide, kPublicKeyBitmapSide, 24, kPublicKeyBitmapImageSize);
    for (int py = kPublicKeyBitmapSide - 1; py >= 0; --py) {
        for (int px = 0; px < kPublicKeyBitmapSide; ++px) {
            const int x = px - kQrQuietZone, y = py - kQrQuietZone;
            const bool dark = x >= 0 && y >= 0 && x < symbol.size && y < symbol.size && symbol.Dark(x, y);
            const std::uint8_t v = dark ? 0x00 : 0xFF;
            w.U8(v).U8(v).U8(v);
        }
        w.U8(0);
    }
    return out;
}

QrViewBitmap MakeQrViewBitmap(const QrSymbol& symbol) {
    QrViewBitmap view;
    view.width = symbol.size + 2 * kQrQuietZone;
    view.pixels.assign(static_cast<std::size_t>(view.width) * view.width, 0);
    for (int y = 0; y < symbol.size; ++y)
        for (int x = 0; x < symbol.size; ++x)
            if (symbol.Dark(x, y))
                view.pixels[static_cast<std::size_t>(y + kQrQuietZone) * view.width + x + kQrQuietZone] = 1;
    return view;
}

std::size_t QrViewSavedImageSize(int viewWidth) {
    const std::size_t side = 2 * static_cast<std::size_t>(viewWidth);
    return (side + 31) / 32 * 4 * side;
}

std::vector<std::uint8_t> BuildQrViewBitmapFile(const QrViewBitmap& view) {
    std::vector<std::uint8_t> out;
    constexpr std::size_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + 8;  // 62
    out.reserve(kPixelOffset + QrViewSavedImageSize(view.width));
    ByteWriter w(out);
    AppendFileHeader(w, kPixelOffset + QrViewSavedImageSize(view.width), kPixelOffset);
    AppendQrViewDib(w, view);
    return out;
}

std::vector<std::uint8_t> BuildQrViewDib(const QrViewBitmap& view) {
    std::vector<std::uint8_t> out;
    ByteWriter w(out);
    AppendQrViewDib(w, view);
    return out;
}

bool SaveQrViewBitmap(const QrViewBitmap& view, const std::filesystem::path& path) {
    return WriteFileAtomically(path, BuildQrViewBitmapFile(view));
}

}  // namespace tessarin
