#pragma once
// The fixed parts of the QR text import block and of the file names the QR
// functions write. They are formats, not interface texts: the iアプリ writes
// the block's lines and other programs look for the file endings.

namespace tessarin::qrformat {

// QR text import block.
inline constexpr const char* kImportHeaderLine = "---- TZA-P2P QRCode Public Key ----";
inline constexpr const char* kImportEndLine = "--End of data--";

// File name endings.
inline constexpr const char* kQrBitmapSuffix = "-QRCode.bmp";
inline constexpr const char* kImportedKeySuffix = "-authQR.vpub";

}  // namespace tessarin::qrformat
