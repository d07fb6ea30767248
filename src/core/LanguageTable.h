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
// The desktop program's own.
inline constexpr int kUnexpectedError = 3;          // "%s": what went wrong
inline constexpr int kWaitText = 4;                 // the wait window
inline constexpr int kRegisterPartnersFirst = 272;  // no authenticated key at all
inline constexpr int kNoRecipientChosen = 140;      // "暗号化相手が設定されていません。"
inline constexpr int kNoFileSelected = 444;         // "工房内にファイルがありません。"
inline constexpr int kFileVanished = 448;           // "選択されたファイル(%s)は、…"
// The main window: its menu, key lists, switches and tooltips, the tray
// icon and the About box.
inline constexpr int kNoKeySetAtStart = 5;
inline constexpr int kMenuFile = 6;
inline constexpr int kMenuKeys = 7;
inline constexpr int kMenuTools = 8;
inline constexpr int kMenuLanguage = 9;
inline constexpr int kMenuHelp = 10;
inline constexpr int kAuthenticateRequest = 11;  // "Authenticate request"
inline constexpr int kShowQrCode = 12;           // "Show QR-Code"
inline constexpr int kExitCommand = 13;          // "Exit"
inline constexpr int kCandidateKeys = 14;
inline constexpr int kChosenKeys = 15;
inline constexpr int kTipCandidateKeys = 17;
inline constexpr int kTipChosenKeys = 18;
inline constexpr int kTipChooseKeys = 19;
inline constexpr int kTipUnchooseKeys = 20;
inline constexpr int kTipMailSwitch = 22;
inline constexpr int kTipDetailSwitch = 23;
inline constexpr int kTipAddressBook = 24;
inline constexpr int kAboutVersion = 25;  // "%s": the version number
inline constexpr int kMenuEncrypt = 26;
inline constexpr int kMenuDecrypt = 27;
inline constexpr int kMenuOptions = 28;
inline constexpr int kMenuAddressBook = 29;
inline constexpr int kMenuAuthenticate = 31;
inline constexpr int kMenuForward = 35;
inline constexpr int kMenuHistory = 36;
inline constexpr int kMenuJapanese = 38;
inline constexpr int kMenuEnglish = 39;
inline constexpr int kMenuHelpContents = 41;
inline constexpr int kMenuAbout = 42;
inline constexpr int kMenuKeyBackup = 43;
inline constexpr int kMenuCreateKey = 46;
inline constexpr int kTrayShow = 123;
inline constexpr int kMailSwitch = 124;    // "メール添付"
inline constexpr int kDetailSwitch = 125;  // "詳細設定"
inline constexpr int kChooseKeys = 126;    // ">>>"
inline constexpr int kUnchooseKeys = 127;  // "<<<"
inline constexpr int kAboutDescription = 128;
inline constexpr int kSelfRecipient = 196;  // "(自分用)"
inline constexpr int kUseSmallWindow = 305;

// The encryption and decryption windows.
inline constexpr int kEncryptFilesTitle = 141;
inline constexpr int kEncryptFilesLabel = 142;
inline constexpr int kAddFiles = 143;
inline constexpr int kRemoveFromList = 144;
inline constexpr int kTermOfValidity = 145;
inline constexpr int kLimitPeriod = 146;
inline constexpr int kLimitDate = 147;
inline constexpr int kLimitTime = 148;
inline constexpr int kKeyListSelTitle = 149;
inline constexpr int kKeyListSelAdd = 150;     // "加える"
inline constexpr int kKeyListSelRemove = 151;  // "はずす"
inline constexpr int kDecryptFilesLabel = 152;
inline constexpr int kContainerFilter = 153;       // filter: description|pattern|...||
inline constexpr int kOutputFolderNotFound = 158;  // "%s": the folder as typed
inline constexpr int kOptionsGroup = 159;
inline constexpr int kFileAlreadySelected = 110;
inline constexpr int kSelfForRecipientLists = 196;  // "(自分用)"
inline constexpr int kNoPartnerSelected = 273;
inline constexpr int kListCandidates = 14;
inline constexpr int kListChosen = 15;

// Key files and the sender follow-up of a decryption.
inline constexpr int kKeyFileNameTaken = 341;            // "%s": the key file name
inline constexpr int kMemberListNotWritten = 342;        // "%s": the key file name
inline constexpr int kKeyFileNotMovedIn = 343;           // "%s": the key file name
inline constexpr int kSenderNameRefused = 344;           // "%s": the sender's name
inline constexpr int kSenderKeyNameTaken = 345;          // "%s": the public key file name
inline constexpr int kSenderAlreadyAuthenticated = 346;  // "%s": the sender's name
inline constexpr int kSenderAuthKeyExists = 347;         // "%s" sender's name, "%s" auth key file name
inline constexpr int kSenderQuestionAnsweredNo = 348;    // the terminal's note

// Encryption batch.
inline constexpr int kRemoveHiddenAndLnk = 450;
inline constexpr int kRemoveLnk = 451;
inline constexpr int kRemoveHidden = 452;
inline constexpr int kNoFileInStudio = 453;
inline constexpr int kNoSelfAuthKey = 454;
inline constexpr int kKeyNotFound = 455;  // "%s was not found.\n"
inline constexpr int kNoAvailablePublicKey = 456;
inline constexpr int kEncryptProcessing = 457;
inline constexpr int kOver1000Files = 458;  // Japanese only
inline constexpr int kReadOnlyInFolder = 459;
inline constexpr int kOpenedFileInFolder = 460;
inline constexpr int kContinuesCheckTitle = 461;
inline constexpr int kDoNotShowAgain = 462;
inline constexpr int kFolderEncrypting = 463;  // Japanese only, "(%d/%d)"
inline constexpr int kEncryptingNofM = 464;    // total first, done second
inline constexpr int kIsEncrypting = 465;      // "%s is encrypting....."
inline constexpr int kAlreadyEncrypted = 466;
inline constexpr int kIsPrivateKeyFile = 467;
inline constexpr int kEditedByAnotherProgram = 468;
inline constexpr int kOverwriteSameName = 469;  // appended to the name
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
inline constexpr int kIsPerfectDeleting = 508;  // "%s is perfect deleting....."
inline constexpr int kDeleteThisFile = 509;
inline constexpr int kReadOnlyCannotDelete = 510;
inline constexpr int kDeleteTitle = 511;
inline constexpr int kCaptionDeleteAll = 512;
inline constexpr int kContinueConfirmTitle = 513;  // the dialog's own title
inline constexpr int kSourceTooLarge = 514;        // "%s" 2 GiB and more
inline constexpr int kOverwriteAllDefault = 515;   // the dialog's own "全て上書き"
inline constexpr int kCaptionOk = 516;

// Service client.
inline constexpr int kServiceRegisterRefused = 353;
inline constexpr int kServiceRegisterFailed = 354;      // "%s": what went wrong
inline constexpr int kServiceRegisterFailedLine = 355;  // status line
inline constexpr int kServerKeyOtherFileThere = 356;    // "%s": the private key path
inline constexpr int kServerKeyNotWritten = 357;        // "%s": the private key path
inline constexpr int kServicePostFailed = 358;          // file name, what went wrong
inline constexpr int kServiceUrlNotHttps = 631;         // "%s": the URL
inline constexpr int kServiceFinishFailed = 632;        // "%s": what went wrong
inline constexpr int kServiceEmptyAnswer = 633;

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
// Refusals of the encryption batch, history saving and wiping.
inline constexpr int kWrittenEarlierInBatch = 617;   // "%s": the output name
inline constexpr int kHistoryNotSaved = 618;         // "%s" container, "%s" reason
inline constexpr int kWipeSymbolicLink = 619;        // "%s"
inline constexpr int kWipeNotRegularFile = 620;      // "%s"
inline constexpr int kWipeReadOnlyFileSystem = 621;  // "%s"
inline constexpr int kWipeFailedWithError = 622;     // "%s" name, "%s" reason
inline constexpr int kContainerNotDurable = 623;     // "%s": the source name
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

// Decryption pipeline.
inline constexpr int kViewerAlreadyRunning = 154;
inline constexpr int kDecryptProcessing = 541;
inline constexpr int kDecryptingNofM = 542;  // total first, position second
inline constexpr int kIsDecrypting = 543;
inline constexpr int kFolderDecrypting = 544;  // position first, total second
inline constexpr int kOnCdRom = 545;
inline constexpr int kContainerReadOnly = 546;
inline constexpr int kIsNotEncrypted = 547;  // appended to the name
inline constexpr int kNotTzaOrBroken = 548;
inline constexpr int kNewerVersion = 549;
inline constexpr int kOldHistoryFormat = 550;
inline constexpr int kDecryptKeyFileNotFound = 551;
inline constexpr int kNotAuthorized = 552;
inline constexpr int kNotAuthorizedForward = 553;
inline constexpr int kNotAuthorizedHistory = 554;
inline constexpr int kSpoofing = 555;
inline constexpr int kCheckClock = 556;
inline constexpr int kOverEffectiveTime = 557;
inline constexpr int kOverwriteDecrypt = 558;  // appended to the name
inline constexpr int kDecryptSucceeded = 559;
inline constexpr int kHappenToError = 560;
inline constexpr int kKeepContainerName = 561;
inline constexpr int kDecryptDialogTitle = 562;
inline constexpr int kDecryptDialogOk = 563;
inline constexpr int kRenewKeyChain = 564;        // name, mail address
inline constexpr int kAuthenticateCreator = 565;  // name, mail address
inline constexpr int kUsbConnected = 566;
inline constexpr int kAutoFolderMissing = 567;
inline constexpr int kBadStoredName = 568;
inline constexpr int kOutputIsContainer = 580;
inline constexpr int kWriteFailed = 581;  // name, reason
// The own self auth key's row; its record stores the Japanese words as data.
inline constexpr int kSelfAuthKeyRow = 582;

// Key manager, public key authentication and key set creation.
inline constexpr int kNotUsableKey = 169;
inline constexpr int kBadKeyPair = 261;
inline constexpr int kAlreadyAuthKey = 610;
inline constexpr int kAlreadyPublicKey = 611;
inline constexpr int kParentFolderLabel = 47;
inline constexpr int kNoLimit = 48;
inline constexpr int kNeverUsed = 49;
inline constexpr int kKeyFileMissing = 50;  // the path
inline constexpr int kUnregisteredFound = 51;
inline constexpr int kRegisterKeysTitle = 52;
inline constexpr int kAuthKeyAlreadyListed = 53;
inline constexpr int kListedUnderOtherName = 54;  // name, the file registered
inline constexpr int kKeyRegistered = 55;         // name, file
inline constexpr int kOfferToFerrolo = 56;
inline constexpr int kChoosePrivateKey = 57;
inline constexpr int kPrivateKeyFilter = 58;  // filter: description|pattern|
inline constexpr int kChoosePublicKey = 59;
inline constexpr int kPublicKeyFilter = 60;  // filter: description|pattern|
inline constexpr int kKeyPairChanged = 61;   // public key, private key
inline constexpr int kKeyInfoTitle = 62;
inline constexpr int kKeyInfoText = 63;
inline constexpr int kKeyInfoOwner = 64;
inline constexpr int kKeyInfoMail = 65;
inline constexpr int kMakeKeySetFirst = 66;
inline constexpr int kPublicKeyNotFound = 67;
inline constexpr int kAlreadyAuthenticated = 68;
inline constexpr int kAuthKeyWillBeOverwritten = 69;
inline constexpr int kAuthOutputExists = 70;
inline constexpr int kPrivateKeyNotOpened = 71;
inline constexpr int kPartnerEncryptFailed = 72;
inline constexpr int kOwnPublicKeyNotOpened = 73;
inline constexpr int kAuthKeyNotWritten = 74;
inline constexpr int kRefreshSelfAuthKeys = 75;
inline constexpr int kLimitTitle = 76;
inline constexpr int kLimitText = 77;
inline constexpr int kLimitNone = 78;
inline constexpr int kLimitSet = 79;
inline constexpr int kLimitFromList = 80;
inline constexpr int kLimitDirect = 81;
inline constexpr int kLimitOneMonth = 82;
inline constexpr int kLimitOneYear = 83;
inline constexpr int kLimitEndOfYear = 84;
inline constexpr int kLimitEndOfFiscalYear = 85;
inline constexpr int kLimitInPast = 86;
inline constexpr int kLimitOk = 87;
inline constexpr int kCaptionCancel = 88;
inline constexpr int kCompleteTitle = 89;
inline constexpr int kCompletePartnerKey = 90;
inline constexpr int kCompletePrivateKey = 91;
inline constexpr int kCompleteAuthKey = 92;
inline constexpr int kCompleteText = 93;
inline constexpr int kCompleteFinish = 94;
inline constexpr int kCompleteMail = 95;
inline constexpr int kCompleteContinue = 208;
inline constexpr int kExpiredTitle = 209;
inline constexpr int kExpiredText = 210;
inline constexpr int kExpiredColumnName = 211;
inline constexpr int kExpiredColumnFile = 212;
inline constexpr int kExpiredColumnLimit = 213;
inline constexpr int kUserInfoTitle = 214;
inline constexpr int kUserInfoText = 215;
inline constexpr int kUserInfoName = 216;
inline constexpr int kUserInfoMail = 217;
inline constexpr int kOwnerNameEmpty = 218;
inline constexpr int kOwnerNameForbidden = 219;
inline constexpr int kStartupTitle = 220;
inline constexpr int kStartupFolderLabel = 221;
inline constexpr int kStartupFolderPrompt = 222;
inline constexpr int kExistingKeyFound = 223;  // public key file, private key file
inline constexpr int kExistKeySelectTitle = 224;
inline constexpr int kNoKeySelected = 225;
inline constexpr int kPubFileNameTitle = 226;
inline constexpr int kPubFileNameLabel = 227;
inline constexpr int kGenReportHeader = 228;
inline constexpr int kGenReportReminder = 229;
inline constexpr int kGenReportPublic = 230;
inline constexpr int kGenReportPrivate = 231;
inline constexpr int kGenReportAuth = 232;
inline constexpr int kGenSendNow = 233;
inline constexpr int kGenWarningNew = 234;
inline constexpr int kGenWarningBackup = 235;
inline constexpr int kCaptionClose = 236;

// Key files and key backup.
inline constexpr int kKeyNameEmpty = 111;
inline constexpr int kKeyNameTooLong = 112;
inline constexpr int kKeyNameForbidden = 113;
inline constexpr int kKeyFilesExist = 114;
inline constexpr int kKeyFileWriteFailed = 115;
inline constexpr int kBackupNoKeys = 116;
inline constexpr int kBackupFolderPrompt = 117;
inline constexpr int kBackupDone = 118;
inline constexpr int kBackupPathLine = 119;
inline constexpr int kBackupHint1 = 120;  // followed by kBackupHint2
inline constexpr int kBackupHint2 = 121;
// Key backup shares, repair requests and restoring.
inline constexpr int kRepairShareSubject = 571;  // the subject of a share sent for repair
inline constexpr int kBackupShareBody = 408;
inline constexpr int kRepairShareBody = 409;
inline constexpr int kShareSenderLine = 410;  // name, mail address, identification text
inline constexpr int kBackupOverwrite = 411;
inline constexpr int kBackupSendExisting = 412;
inline constexpr int kBackupSendQuestion = 413;
inline constexpr int kBackupFailed = 414;
inline constexpr int kNoUserShare = 415;
inline constexpr int kRepairSendQuestion = 416;
inline constexpr int kRepairRequestQuestion = 417;
inline constexpr int kMailSentThenWipe = 418;
inline constexpr int kRestoreRefused = 419;
inline constexpr int kShareUnreadable = 420;  // the share file

// Service client, its progress run and the account flows.
inline constexpr int kOwnerNameMissing = 291;
inline constexpr int kOwnerAddressMissing = 292;
inline constexpr int kServiceStarting = 367;
inline constexpr int kServiceConnectFailed = 368;
inline constexpr int kServiceWrongCredentials = 369;
inline constexpr int kServiceSystemError = 370;
inline constexpr int kNetworkErrorText = 371;
inline constexpr int kNetworkErrorTitle = 372;
inline constexpr int kServiceTitleRegister = 373;
inline constexpr int kServiceTitleFetchKey = 374;
inline constexpr int kServiceTitleTransfer = 375;
inline constexpr int kServiceTitleSend = 376;
inline constexpr int kServiceTitleMyFolder = 377;
inline constexpr int kServiceTitleLogin = 378;
inline constexpr int kServiceTitleKeyStatus = 379;
inline constexpr int kServiceTitleServerKey = 380;
inline constexpr int kServiceConnecting = 381;
inline constexpr int kServiceRegistering = 382;
inline constexpr int kServiceRegistered = 383;
inline constexpr int kServiceCheckingConnection = 384;
inline constexpr int kServiceCheckingAccount = 385;
inline constexpr int kServiceCheckingKey = 386;
inline constexpr int kServiceProcessing = 387;
inline constexpr int kServiceCheckingStored = 388;
inline constexpr int kServiceWaitingAnswer = 389;
inline constexpr int kServiceProcessingPolite = 390;
inline constexpr int kServiceUploading = 391;  // file name
inline constexpr int kServiceRegisteringFiles = 392;
inline constexpr int kInvalidLoginInput = 393;
inline constexpr int kEmptyPassword = 394;
inline constexpr int kServiceInterrupted = 395;
inline constexpr int kNoNetwork = 396;
inline constexpr int kWrongPassword = 397;
inline constexpr int kServiceFault = 398;
inline constexpr int kAskRegisterLatest = 399;
inline constexpr int kAlreadyRegisteredWithService = 400;
inline constexpr int kAskReconfigure = 406;
inline constexpr int kServiceFolderMissing = 407;

// Public key QR code.
inline constexpr int kQrViewSentence = 130;
inline constexpr int kQrImportTooShort = 131;
inline constexpr int kQrImportNoHeader = 132;
inline constexpr int kQrImportBroken = 133;
inline constexpr int kQrFileException = 134;
inline constexpr int kQrFileOpenError = 135;
// The QR code windows.
inline constexpr int kQrViewTitle = 421;
inline constexpr int kQrViewRegister = 422;
inline constexpr int kQrViewSave = 423;
inline constexpr int kQrViewCopy = 424;
inline constexpr int kQrViewClose = 425;
inline constexpr int kQrViewExplanation = 426;
inline constexpr int kBitmapFilter = 427;
inline constexpr int kQrFuncTitle = 428;
inline constexpr int kQrFuncText = 429;
inline constexpr int kQrFuncGenerate = 430;
inline constexpr int kQrFuncImport = 431;
inline constexpr int kQrMadeTitle = 432;
inline constexpr int kQrMadeText = 433;
inline constexpr int kQrMadeSave = 434;
inline constexpr int kQrMadeCopy = 435;
inline constexpr int kQrImportTitle = 438;
inline constexpr int kQrImportText = 439;
inline constexpr int kQrImportMake = 440;
inline constexpr int kQrImportWritten = 445;  // "%s": the key file made
// The key repair, restore and service registration windows.
inline constexpr int kKeyRepairTitle = 447;
inline constexpr int kKeyRepairLink = 449;
inline constexpr int kKeyRepairReadMe = 517;
inline constexpr int kKeyRepairHowTo = 30;  // "%s" the maker's address, the file to attach, the subject
inline constexpr int kVpubRegTitle = 518;
inline constexpr int kVpubRegPrompt = 575;
inline constexpr int kVpubRegName = 576;
inline constexpr int kVpubRegMail = 403;
inline constexpr int kRestoreTitle = 404;
inline constexpr int kRestoreUserShare = 99;
inline constexpr int kRestoreMakerShare = 100;
inline constexpr int kRestorePublicKey = 101;
inline constexpr int kRestoreOutput = 106;
inline constexpr int kBrowse = 107;
inline constexpr int kRestoreDone = 108;  // "%s": the private key file written
// Start-up.
inline constexpr int kAlreadyRunning = 155;
inline constexpr int kHandOverNoText = 156;
inline constexpr int kHandOverNoClipboard = 170;
inline constexpr int kHandOverUnexpected = 171;
inline constexpr int kErrorCaption = 175;
inline constexpr int kViewerMissing = 184;

// History view columns.
inline constexpr int kHistoryColumnDate = 537;
inline constexpr int kHistoryColumnOperation = 538;
inline constexpr int kHistoryColumnUser = 539;
inline constexpr int kHistoryColumnMail = 540;
// History view: the term of validity.
inline constexpr int kValidityNone = 598;
inline constexpr int kValidityFromFirstDecryption = 599;  // days, hours, minutes, seconds
inline constexpr int kValidityUntil = 600;                // year, month, day, weekday, hour, minute, second
inline constexpr int kWeekdaySunday = 601;                // to Saturday at 607
// Application jobs.
inline constexpr int kJobRunning = 597;
inline constexpr int kDecryptOutputFolderMissing = 608;  // the folder

// Command-line tool (tza).
inline constexpr int kCliNoKeyPairIn = 313;
inline constexpr int kCliSeveralKeyPairs = 314;
inline constexpr int kCliNoCompleteKeyPair = 315;  // name, folder
inline constexpr int kCliNoKeySetInUse = 316;
inline constexpr int kCliNoAnswerGiven = 317;
inline constexpr int kCliLimitNotChoice = 318;
inline constexpr int kCliNoKeyForRecipient = 319;
inline constexpr int kCliNoRecipient = 320;
inline constexpr int kCliDeadlineNotMoment = 321;
inline constexpr int kCliNoKeySetMade = 322;
inline constexpr int kCliNoHistory = 323;
inline constexpr int kCliHistoryUnreadable = 324;
inline constexpr int kCliNoPublicKey = 609;
// tza's help, option and usage-error texts: "key<TAB>text" lines (see
// src/cli/HelpTexts.h).
inline constexpr int kCliHelpGeneral = 583;
inline constexpr int kCliHelpKeyCommands = 584;
inline constexpr int kCliHelpFileCommands = 585;
// tza's prompts: the answer words, space-separated, any of them accepted.
inline constexpr int kCliYesNoPrompt = 586;
inline constexpr int kCliYesWords = 587;
inline constexpr int kCliNoWords = 588;
inline constexpr int kCliChoicePrompt = 589;
inline constexpr int kCliReplaceActiveKeySet = 590;  // name, folder, new name
inline constexpr int kCliKeySetNotActivated = 591;   // name in use, new folder
inline constexpr int kCliKeyNotAuthenticated = 592;  // recipient, key file
inline constexpr int kCliSelfOrTo = 593;
inline constexpr int kCliProgressLine = 594;  // done, total, rate, time left
inline constexpr int kCliKeysHeader = 595;    // tab-separated column titles
inline constexpr int kCliStdinNeedsName = 596;
inline constexpr int kCliLabelName = 627;
inline constexpr int kCliLabelEmail = 628;
inline constexpr int kCliLabelFolder = 629;
inline constexpr int kCliLabelFingerprint = 630;
// tza info: the labels end in ':', the caller pads them.
inline constexpr int kInfoFileLength = 325;
inline constexpr int kInfoPayloadLength = 326;
inline constexpr int kInfoRecordCount = 327;
inline constexpr int kInfoFlags = 328;
inline constexpr int kInfoTail = 329;
inline constexpr int kInfoOwnRecord = 330;
inline constexpr int kInfoNoKeySet = 331;
inline constexpr int kInfoNotAddressed = 332;
inline constexpr int kInfoStoredName = 333;
inline constexpr int kInfoRecordVersion = 334;
inline constexpr int kInfoEncryptedAt = 335;
inline constexpr int kInfoTimeLimit = 336;
inline constexpr int kInfoLimitSeconds = 293;  // "%u s"
inline constexpr int kInfoNoLimit = 294;
inline constexpr int kInfoFromFirstDecryption = 295;
inline constexpr int kInfoDecryptions = 296;
inline constexpr int kInfoState = 297;
inline constexpr int kInfoExpired = 298;
inline constexpr int kInfoFlagTimeLimit = 299;
inline constexpr int kInfoFlagSender = 300;
inline constexpr int kInfoFlagHistory = 301;
// Advertisement viewer.
inline constexpr int kViewerTitle = 359;       // "Tessarin"
inline constexpr int kViewerPreparing = 360;   // "表示準備中です..."
inline constexpr int kViewerClose = 361;       // "閉じる"
inline constexpr int kViewerAboutMenu = 362;   // "バージョン情報 Tessarin_CM(&A)..."
inline constexpr int kViewerAboutTitle = 363;  // "バージョン情報 Tessarin_CM"
inline constexpr int kViewerVersion = 364;     // "Tessarin_CM Version 1.0"
inline constexpr int kViewerAboutOk = 365;     // "OK"
inline constexpr int kViewerMenuButton = 366;  // the menu button's tooltip
// The work area: drive box, browsing, the work list and its buttons.
inline constexpr int kWorkListCaption = 16;         // "工房(選択されたファイル)"
inline constexpr int kFolderAlreadySelected = 109;  // "そのフォルダはすでに選択されています。"
inline constexpr int kMenuEncryptForSelf = 172;     // "自分宛に暗号化"
inline constexpr int kContextDecrypt = 173;         // "復号化"
inline constexpr int kMenuDelete = 174;             // "削除"
inline constexpr int kEncryptedFilesOnly = 176;     // "暗号化されたファイルのみ表示"
inline constexpr int kDriveDesktop = 237;           // "デスクトップ"
inline constexpr int kDriveRemovable = 238;         // "リムーバブルディスクドライブ"
inline constexpr int kDriveFixed = 239;             // "ハードディスクドライブ"
inline constexpr int kDriveOptical = 240;           // "DVD/CD-ROMドライブ"
inline constexpr int kDriveRam = 241;               // "RAMドライブ"
inline constexpr int kDriveDocuments = 242;         // "マイドキュメント"
inline constexpr int kDriveNetwork = 243;
inline constexpr int kAddToWorkList = 244;       // ">>"
inline constexpr int kRemoveFromWorkList = 245;  // "<<"
inline constexpr int kClearWorkList = 246;       // "<<<"
inline constexpr int kUpFolderTip = 247;
inline constexpr int kPathsNotShowable = 267;  // "%s": the paths, one a line
inline constexpr int kFolderNotOpened = 268;   // "%s": the folder
// The small main window.
inline constexpr int kPathTooLong = 102;      // "パス名が長すぎます。…"
inline constexpr int kSelectFilesTitle = 21;  // "暗号化/復号化するファイルの選択"
inline constexpr int kMiniSettingsMenu = 269;
inline constexpr int kMiniChooseFile = 270;
inline constexpr int kMiniChooseFiles = 271;
inline constexpr int kMiniMaximize = 287;  // "最大化"
inline constexpr int kMiniRegisterKey = 288;
inline constexpr int kMiniWebHome = 289;
inline constexpr int kMiniWebSupport = 290;
inline constexpr int kMiniWebFaq = 136;
inline constexpr int kMiniDropHint = 137;
inline constexpr int kAllFilesFilter = 138;  // "全てのファイル(*.*)|*.*||"
}  // namespace slot

}  // namespace tessarin
