#pragma once
// Message texts of the key store, kept in one place until the language table
// takes them over.

#include <string_view>

namespace tessarin::keytexts {

// Prefix of every message that shows the RSA service's own error text.
inline constexpr std::string_view kCryptApiError = "CryptAPIエラー: ";

inline constexpr std::string_view kNameEmpty = "鍵ファイル名が未入力です。\nファイル名を入力してください";
inline constexpr std::string_view kNameTooLong = "鍵ファイル名が長すぎます。半角60文字以内にしてください。";
inline constexpr std::string_view kNameForbidden =
    "鍵ファイル名に以下の文字は使用できません。\n\n\t\\ / : * ? ' < > | . \n\nファイル名を確認してください";
inline constexpr std::string_view kKeyFilesExist = "鍵ファイルがすでに存在しています。別の名前を指定してください。";
inline constexpr std::string_view kKeyFileWriteFailed = "鍵ファイル出力に失敗しました。\nファイル名を確認してください";

inline constexpr std::string_view kBackupNoKeys = "バックアップする公開鍵と秘密鍵がありません。";
inline constexpr std::string_view kBackupFolderPrompt = "フォルダを選んでください";
inline constexpr std::string_view kBackupDone = "鍵の保存に成功しました.\n\n";
inline constexpr std::string_view kBackupPathLine = " %s\n\n";
inline constexpr std::string_view kBackupHint1 =
    "古い鍵を使用するにはバックアップされたPublic keyファイルとPrivate key";
inline constexpr std::string_view kBackupHint2 = "ファイルをアプリケーションフォルダにコピーしてください.\n";

}  // namespace tessarin::keytexts
