#pragma once
// The fixed texts of the public key QR functions, in one place until they move
// into the language table.

namespace tessarin::qrtext {

// Put in front of the mobile registration link in the on-screen QR code.
inline constexpr const char* kQrViewSentence = "これは、FerroloのURLと登録する公開鍵情報(1024bit)です。";

// QR text import block.
inline constexpr const char* kImportHeaderLine = "---- TZA-P2P QRCode Public Key ----";
inline constexpr const char* kImportEndLine = "--End of data--";

// Import results 2 and 3, any other failure, and a file error while writing.
inline constexpr const char* kImportTooShort = "読み取られた公開鍵の長さが短すぎます。";
inline constexpr const char* kImportNoHeader =
    "iアプリから送信された公開鍵をテキストフィールドにコピー＆ペーストしてください";
inline constexpr const char* kImportBroken = "取り込まれた２次元バーコードが異常です。";
inline constexpr const char* kFileException = "ファイル例外が発生しました";

// Saving the view's bitmap failed.
inline constexpr const char* kFileOpenError = "ファイルオープンエラー";

// File name endings.
inline constexpr const char* kQrBitmapSuffix = "-QRCode.bmp";
inline constexpr const char* kImportedKeySuffix = "-authQR.vpub";

}  // namespace tessarin::qrtext
