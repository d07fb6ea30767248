#pragma once
// LanguageTable: the 634 text slots every visible text comes from, filled in
// Japanese or English. Neither fill routine clears the table first; the
// English routine writes fewer slots, so a slot without an English text keeps
// the Japanese text written before it (the Japanese routine always runs at
// process start). All texts are UTF-8.
//
// Texts containing printf-style conversions (%s, %d, %f with flags, width and
// precision) are formatted with FormatText, which checks each argument's type
// against its conversion and never reads past the arguments given.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tessarin {

class LanguageTable final {
public:
    static constexpr int kSlotCount = 634;
    enum class Language { Japanese, English };

    LanguageTable() = default;

    void FillJapanese();
    void FillEnglish();
    void Fill(Language language) { language == Language::English ? FillEnglish() : FillJapanese(); }

    // The text of a slot; empty for a slot never written or out of range.
    const std::string& Text(int slot) const;
    const std::string& operator[](int slot) const { return Text(slot); }
    void Set(int slot, std::string text);

    // The language of the last fill.
    Language Current() const { return m_language; }

private:
    std::array<std::string, kSlotCount> m_slots{};
    Language m_language = Language::Japanese;
};

using FormatArg = std::variant<long long, double, std::string>;

// printf-style formatting of a table text. %s takes a string, %d/%i/%u/%x a
// whole number, %f/%g/%e a floating value; a mismatched or missing argument
// is written as an empty field instead of being read as something else; "%%"
// is a percent sign.
std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

// Slot numbers of the texts the program's subsystems show. Slots the
// subsystems cite by number keep that number; the others were assigned here
// once and must keep their numbers.
namespace slot {
// Main window and lists.
inline constexpr int kProductName = 2;
inline constexpr int kNoRecipientChosen = 140;      // "暗号化相手が設定されていません。"
inline constexpr int kNoFileSelected = 444;         // "工房内にファイルがありません。"
inline constexpr int kFileVanished = 448;           // "選択されたファイル(%s)は、…"

// Encryption batch.
inline constexpr int kRemoveHiddenAndLnk = 450;
inline constexpr int kRemoveLnk = 451;
inline constexpr int kRemoveHidden = 452;
inline constexpr int kNoFileInStudio = 453;
inline constexpr int kNoSelfAuthKey = 454;
inline constexpr int kKeyNotFound = 455;            // "%s was not found.\n"
inline constexpr int kNoAvailablePublicKey = 456;
inline constexpr int kEncryptProcessing = 457;
inline constexpr int kOver1000Files = 458;          // Japanese only
inline constexpr int kReadOnlyInFolder = 459;
inline constexpr int kOpenedFileInFolder = 460;
inline constexpr int kContinuesCheckTitle = 461;
inline constexpr int kDoNotShowAgain = 462;
inline constexpr int kFolderEncrypting = 463;       // Japanese only, "(%d/%d)"
inline constexpr int kEncryptingNofM = 464;         // total first, done second
inline constexpr int kIsEncrypting = 465;           // "%s is encrypting....."
inline constexpr int kAlreadyEncrypted = 466;
inline constexpr int kIsPrivateKeyFile = 467;
inline constexpr int kEditedByAnotherProgram = 468;
inline constexpr int kOverwriteSameName = 469;      // appended to the name
inline constexpr int kOverwriteTitle = 470;
inline constexpr int kCaptionYes = 471;
inline constexpr int kCaptionOverwriteAll = 472;
inline constexpr int kCaptionNo = 473;
inline constexpr int kCaptionStop = 474;
inline constexpr int kReadOnlyCantOverwrite = 475;
inline constexpr int kCannotOpenPrivateKey = 476;
inline constexpr int kInputCannotOpen = 477;
inline constexpr int kOutputCannotOpen = 478;
inline constexpr int kThroughputNote = 479;
inline constexpr int kNoCreatorInAddress = 480;
inline constexpr int kAuthKeyNotFound = 481;
inline constexpr int kNotAuthenticated = 482;
inline constexpr int kUseRightPublicKey = 483;
inline constexpr int kCryptApiError = 484;
inline constexpr int kDeleteSourcesQuestion = 485;
inline constexpr int kDeletionFailed = 486;
inline constexpr int kEncryptSucceeded = 487;
inline constexpr int kTimeRange = 488;
inline constexpr int kTimeLimitAfterNow = 489;
inline constexpr int kUnitYears = 490;
inline constexpr int kUnitWeeks = 491;
inline constexpr int kUnitDays = 492;
inline constexpr int kUnitHours = 493;
inline constexpr int kUnitMinutes = 494;
inline constexpr int kUnitSeconds = 495;
inline constexpr int kLimitAfterEncryption = 496;
inline constexpr int kLimitAfterFirstDecryption = 497;
inline constexpr int kDirectLimitSetting = 498;
inline constexpr int kWithoutMyAddress = 499;
inline constexpr int kManageLogs = 500;
inline constexpr int kDeleteSourceOption = 501;
inline constexpr int kSendByMailOption = 502;
inline constexpr int kEncryptButton = 503;
inline constexpr int kEncryptOptionsTitle = 504;
inline constexpr int kOutputFolder = 505;
inline constexpr int kSameFolderNote = 506;
inline constexpr int kChangeFolder = 507;
// Decryption: an output this run already wrote, and expired containers.
inline constexpr int kDecryptOutputWrittenInRun = 624;  // container, output
inline constexpr int kExpiredNotErased = 625;
inline constexpr int kExpiredKept = 626;  // a reader that only looks

// Wiping.
inline constexpr int kIsPerfectDeleting = 508;      // "%s is perfect deleting....."
inline constexpr int kDeleteThisFile = 509;
inline constexpr int kReadOnlyCannotDelete = 510;
inline constexpr int kDeleteTitle = 511;
inline constexpr int kCaptionDeleteAll = 512;
inline constexpr int kContinueConfirmTitle = 513;   // the dialog's own title
inline constexpr int kSourceTooLarge = 514;         // "%s" 2 GiB and more
inline constexpr int kOverwriteAllDefault = 515;    // the dialog's own "全て上書き"
inline constexpr int kCaptionOk = 516;

// History and mail.
inline constexpr int kHistoryNoFile = 436;
inline constexpr int kHistoryNoRecipients = 437;
inline constexpr int kNoAddressTicked = 441;
inline constexpr int kHistoryNotTza = 446;
inline constexpr int kOperationCreated = 612;
inline constexpr int kOperationUpdated = 613;
inline constexpr int kOperationViewed = 614;
inline constexpr int kOperationDecrypted = 615;
inline constexpr int kOperationUnknown = 616;
inline constexpr int kRepairSubject = 401;
inline constexpr int kRepairBody = 402;
inline constexpr int kPublicKeySubject = 569;
inline constexpr int kBackupSubject = 570;
inline constexpr int kBackupBody = 571;
inline constexpr int kAuthKeySubject = 572;
inline constexpr int kForwardSubject = 573;
inline constexpr int kPublicKeyBody = 574;
inline constexpr int kAuthKeyBody = 577;
inline constexpr int kEncryptedMailBody = 578;
inline constexpr int kForwardBody = 579;
}  // namespace slot

}  // namespace tessarin
