#pragma once
// The decryption pipeline's own message texts, word for word. They live here,
// in one place, until the language table carries them; texts the table
// already holds are taken from it (see DecryptPipeline.cpp).

#include <string_view>

#include "core/LanguageTable.h"

namespace tessarin::container::decrypt_text {

// The table given, or the English texts when none is given.
inline const LanguageTable& TableOrEnglish(const LanguageTable* texts) {
    if (texts) return *texts;
    static const LanguageTable english = [] {
        LanguageTable table;
        table.FillJapanese();
        table.FillEnglish();
        return table;
    }();
    return english;
}

// Run set-up and status.
inline constexpr std::string_view kNoFileSelected = "No file selected.";
inline constexpr std::string_view kProcessing = "Decrypt Processing. Please wait a minute.";
inline constexpr std::string_view kDecryptingNofM = "Decrypting a file of %d out of %d.";  // total, position
inline constexpr std::string_view kIsDecrypting = "%s is decrypting.....";
inline constexpr std::string_view kFolderDecrypting =
    "指定されたフォルダを復号化中です(%d/%d)・・・\n鍵の抜き挿しは行わないで下さい。";  // position, total

// Refusals before reading.
inline constexpr std::string_view kOnCdRom =
    "Direct encryption of files in CD-ROM is not allowed in Tessarin.\nPlease move a TZA file to a hard disk "
    "before decryption..";
inline constexpr std::string_view kContainerReadOnly =
    "This TZA file is a read only.\n  Please change the attribution of the TZA file before decryption.";
inline constexpr std::string_view kIsNotEncrypted = "is not encrypted";  // appended to the name

// The reader.
inline constexpr std::string_view kBroken = "This file type is not TZA file or broken.";
inline constexpr std::string_view kNewerVersion = "This file is created by the new version of Tessarin.";
inline constexpr std::string_view kOldHistoryFormat =
    "このソフトウェアでは、TZA-P2P Ver1.03で履歴をつけて暗号化されたファイルを復号化することはできません。";
inline constexpr std::string_view kKeyFileNotFound =
    "Key file is not found. \n  Please make a key set before decryption.";
inline constexpr std::string_view kNotAuthorized = "You are not authorized to decrypt this file.";
inline constexpr std::string_view kNotAuthorizedForward =
    "This file cannot be transferred because the TZA file is not authorized to be decrypted.";
inline constexpr std::string_view kNotAuthorizedHistory = "復号権限がないTZAファイルの為、履歴表示ができません。";
inline constexpr std::string_view kSpoofing =
    "Since there is a possibility of spoofing now, current process is stopped.";
inline constexpr std::string_view kCheckClock = "Please check the time of the PC used for encryption.";
inline constexpr std::string_view kExpired = "It is over effective time. A file is erased.";
inline constexpr std::string_view kCryptApiError = "CryptAPIエラー: ";

// Output.
inline constexpr std::string_view kOverwriteDecrypt = "\nOverwrite for same name file.\nDo you Decrypt?";
inline constexpr std::string_view kOverwriteTitle = "Overwrite";
inline constexpr std::string_view kReadOnlyDestination = "%s is read only file.\nCan't overwrite.";
inline constexpr std::string_view kInputCannotOpen = "Input File cannot Open.";
inline constexpr std::string_view kOutputCannotOpen = "Output File cannot Open.";
inline constexpr std::string_view kSucceeded = "%d Files succeed in decryption.";
inline constexpr std::string_view kHappenToError = "Happen to Error.";
inline constexpr std::string_view kKeepContainerName = "Hereafter,Decrypt without Namechange.";
inline constexpr std::string_view kDialogTitle = "Decrypt";
inline constexpr std::string_view kDialogOkButton = "復号実施";

// Sender follow-up.
inline constexpr std::string_view kRenewKeyChain =
    "Succeed in Decryption.\nDo you renew KeyChainList?\n\nUserName:%s\nMailAddress:%s";
inline constexpr std::string_view kAuthenticateCreator =
    "%s(%s)'s log is Encrypted file.\nDo you authenicate this file creater?";

// USB memory and the automatic folder.
inline constexpr std::string_view kUsbConnected = "USBメモリが接続されました。復号化しますか？";
inline constexpr std::string_view kAutoFolderMissing =
    "自動暗号化・復号化に指定されているフォルダが見つかりませんでした。\nこのまま続けて起動します。";

// The view cycle.
inline constexpr std::string_view kViewerAlreadyRunning =
    "既に関連付けアプリケーションが起動しています。\n起動しているアプリケーションを終了させてから、再度実行してください"
    "。";

// Texts of this program's own making, for inputs the older program never
// met. Stored names come from the file and are untrusted.
inline constexpr std::string_view kBadStoredName =
    "The file name stored in %s cannot be used as a file name.\nThe file was not decrypted.";
inline constexpr std::string_view kOutputIsContainer =
    "The decrypted file would replace %s itself.\nThe file was not decrypted.";
inline constexpr std::string_view kWriteFailed = "Writing %s failed: %s\nThe file was not decrypted.";

}  // namespace tessarin::container::decrypt_text
