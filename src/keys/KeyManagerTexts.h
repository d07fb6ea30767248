#pragma once
// Message texts and labels of the key manager, public key authentication and
// key set creation, kept in one place until the language table takes them
// over. Texts with conversions are formatted with FormatText.

#include <string_view>

namespace tessarin::keymgrtexts {

// Key list and member records.
inline constexpr std::string_view kParentFolderLabel = "上のリストに戻る";
inline constexpr std::string_view kSelfAuthKeyLabel = "自身のファイル暗号化用";
inline constexpr std::string_view kNoLimit = "期限未設定";
inline constexpr std::string_view kNeverUsed = "未使用";
inline constexpr std::string_view kMakerName = "Vorneloft";
inline constexpr std::string_view kMakerKeyMail = "keys@vorneloft.example";
inline constexpr std::string_view kFileNotFound = "%s was not found.";

// Finding unregistered keys and adding key files.
inline constexpr std::string_view kUnregisteredFound =
    "登録されていない鍵が%d個発見されました。これらの鍵を登録しますか？";
inline constexpr std::string_view kRegisterTitle = "鍵の登録";
inline constexpr std::string_view kNotUsableKey = "鍵ファイル %s はTZA-P2P/Tessarinで使用できる公開鍵ではありません。";
inline constexpr std::string_view kAuthKeyAlreadyListed = "既にこの認証鍵は宛先リストに登録されています。";
inline constexpr std::string_view kListedUnderOtherName = "%sは%sとして既に宛先リストに登録されています";
inline constexpr std::string_view kRegistered = "%sさんの鍵、\n%s\nを登録しました。";
inline constexpr std::string_view kAlreadyAuthKey = "%sは、既に認証済み公開鍵として登録されています";
inline constexpr std::string_view kAlreadyPublicKey = "%sは、既に公開鍵として登録されています";
inline constexpr std::string_view kOfferToFerrolo =
    "このファイルは配布可能な鍵（公開鍵）です。\nFerroloへ登録しますか？";

// Selecting a key pair from files.
inline constexpr std::string_view kChoosePrivateKey = "鍵の選択：秘密鍵ファイルを選択してください。";
inline constexpr std::string_view kPrivateKeyFilter = "Private Key File(*.vpri)|*.vpri|";
inline constexpr std::string_view kChoosePublicKey = "鍵の選択：公開鍵ファイルを選択してください。";
inline constexpr std::string_view kPublicKeyFilter = "Public Key File(*.vpub)|*.vpub|";
inline constexpr std::string_view kBadKeyPair = "現在選択されている鍵ペアの内容が異常です。";
inline constexpr std::string_view kKeyPairChanged = "公開鍵: %s\n秘密鍵: %s\n  に変更しました。";
inline constexpr std::string_view kKeyInfoTitle = "鍵情報の再設定";
inline constexpr std::string_view kKeyInfoText =
    "この鍵（%s）の情報を設定します。\nあなたの名前、メールアドレスを入力してください。";
inline constexpr std::string_view kKeyInfoOwner = "鍵の持ち主：";
inline constexpr std::string_view kKeyInfoMail = "Eメールアドレス：";

// Authentication.
inline constexpr std::string_view kMakeKeySetFirst =
    "まずはじめに「鍵セットの生成」を行う必要があります。\n鍵セットの生成を実施してください";
inline constexpr std::string_view kPublicKeyNotFound = "公開鍵ファイルが見つかりませんでした。";
inline constexpr std::string_view kAlreadyAuthenticated =
    "この公開鍵は過去に既に認証を行っています。再度認証を行いますか？";
inline constexpr std::string_view kAuthKeyWillBeOverwritten =
    "認証を行うと既に存在する認証済み公開鍵(%s)は上書きされます。よろしいですか？";
inline constexpr std::string_view kOutputExists = "作成されるファイル(%s)は既に存在します。\n上書きしますか？";
inline constexpr std::string_view kPrivateKeyNotOpened =
    "設定されている秘密鍵%sが開けませんでした。\n自分の秘密鍵が存在しません。";
inline constexpr std::string_view kPartnerEncryptFailed =
    "相手の公開鍵による暗号化に失敗しました。\n受信した公開鍵が破損していないかご確認ください。";
inline constexpr std::string_view kOwnPublicKeyNotOpened = "%sが開けませんでした。\n自分の公開鍵が存在しません。";
inline constexpr std::string_view kAuthKeyNotWritten = "%sが開けませんでした。\n認証鍵の生成に失敗しました。";
inline constexpr std::string_view kRefreshSelfAuthKeys =
    "この公開鍵は現在選択されている鍵ペアのものです。宛先リストに登録されている認証済み公開鍵を更新しますか？";
inline constexpr std::string_view kAuthMailSubject = "認証済み公開鍵の送信";
inline constexpr std::string_view kAuthMailBody =
    "TZA-P2P/Tessarinの認証済み公開鍵を送ります。\nTZA-P2P/Tessarinと同じフォルダにこのファイルを保存してください。\n"
    "よろしくお願いします。";

// Validity limit dialog.
inline constexpr std::string_view kLimitTitle = "公開鍵認証 - 認証済公開鍵の期限設定";
inline constexpr std::string_view kLimitText =
    "ここでは、今から認証する公開鍵に有効期限を設定することができます。\n期限を設定する場合には、下の項目から期限を設定"
    "してください。";
inline constexpr std::string_view kLimitNone = "認証済み公開鍵に期限を設定しない";
inline constexpr std::string_view kLimitSet = "認証済み公開鍵に期限を設定する";
inline constexpr std::string_view kLimitFromList = "既に定められている期間から選択する";
inline constexpr std::string_view kLimitDirect = "直接指定する";
inline constexpr std::string_view kLimitOneMonth = "１ヶ月間";
inline constexpr std::string_view kLimitOneYear = "１年間";
inline constexpr std::string_view kLimitEndOfYear = "今年末まで有効";
inline constexpr std::string_view kLimitEndOfFiscalYear = "今年度末まで有効";
inline constexpr std::string_view kLimitInPast = "今日より過去の日付が設定されています";
inline constexpr std::string_view kLimitOk = "認証実施";
inline constexpr std::string_view kLimitCancel = "キャンセル";

// Result dialog.
inline constexpr std::string_view kCompleteTitle = "鍵認証完了";
inline constexpr std::string_view kCompletePartnerKey = "この鍵は相手から送られてきた公開鍵です。";
inline constexpr std::string_view kCompletePrivateKey = "この鍵はあなたの持っている秘密鍵です。";
inline constexpr std::string_view kCompleteAuthKey =
    "この鍵は相手に送るための認証鍵です。\nこの鍵によって相手はあなた宛の暗号化されたファイルを作成する事ができます。\n"
    "この鍵を相手に送ってください。";
inline constexpr std::string_view kCompleteText =
    "鍵の認証が完了しました。\nこの認証鍵をメールで送る場合は「メール送信」をクリックしてください。";
inline constexpr std::string_view kCompleteFinish = "完了(&F)";
inline constexpr std::string_view kCompleteMail = "メール送信(&S)";
inline constexpr std::string_view kCompleteContinue = "続けて他の公開鍵を認証する";

// Expired auth keys report.
inline constexpr std::string_view kExpiredTitle = "Tessarin - 期限が切れた認証鍵一覧";
inline constexpr std::string_view kExpiredText = "期限の切れた鍵が発見されました。\n";
inline constexpr std::string_view kExpiredColumnName = "名前";
inline constexpr std::string_view kExpiredColumnFile = "鍵ファイル名";
inline constexpr std::string_view kExpiredColumnLimit = "設定期限";

// Key set creation.
inline constexpr std::string_view kUserInfoTitle = "ユーザー情報設定";
inline constexpr std::string_view kUserInfoText =
    "Tessarinを利用する、あなたのお名前とメールアドレスを記入してください。";
inline constexpr std::string_view kUserInfoName = "鍵の持ち主の名前：";
inline constexpr std::string_view kUserInfoMail = "Ｅメールアドレス：";
inline constexpr std::string_view kOwnerNameEmpty = "名前が未入力です。";
inline constexpr std::string_view kOwnerNameForbidden =
    "名前にスペース及び、以下の文字は使用できません。\n\n\t\\ / : * ? ' < > )| . \n\n再度入力してください。";

// Start-up creation: the key pair folder and key pairs found in it.
inline constexpr std::string_view kStartupTitle = "ファイルの暗号化に利用する鍵の作成";
inline constexpr std::string_view kStartupFolderLabel = "鍵を保管するフォルダ";
inline constexpr std::string_view kStartupFolderPrompt =
    "公開鍵・秘密鍵を管理するフォルダを選択してください。\n（鍵管理フォルダは、セキュリティ上、リムーバブルディスク等の"
    "外部記憶装置にしてください)";
inline constexpr std::string_view kExistingKeyFound =
    "別のTessarinシリーズで使われていた鍵が指定されたフォルダから見つかりました。\n"
    "以下の鍵ファイルを利用しますか？\n\n"
    "公開鍵ファイル名=%s\n"
    "秘密鍵ファイル名=%s\n";
inline constexpr std::string_view kExistKeySelectTitle = "鍵の選択";
inline constexpr std::string_view kNoKeySelected = "鍵が選択されていません。";

// The older generation dialog (program folder as key pair folder).
inline constexpr std::string_view kPubFileNameTitle = "公開鍵名";
inline constexpr std::string_view kPubFileNameLabel = "ファイル名:";
inline constexpr std::string_view kGenReportHeader = " 新しい鍵セット、及び自己認証鍵の生成に成功しました.\n\n";
inline constexpr std::string_view kGenReportReminder = " 忘れずに新しい公開鍵を送信先リストに送ってください.\n";
inline constexpr std::string_view kGenReportPublic =
    " 公開鍵: %s\n  相手に配布するファイルです。ファイルをやり取りしたい相手に送信してください。";
inline constexpr std::string_view kGenReportPrivate =
    " 秘密鍵: %s\n  自分が持っている鍵ファイルです。誰にも送信しないで自分で管理してください。";
inline constexpr std::string_view kGenReportAuth = " 認証鍵: %s\n  自分専用に暗号化するための鍵ファイルです。";
inline constexpr std::string_view kGenSendNow = "新しい鍵セットの生成に成功しました。\nこのキーをすぐに送信しますか？";
inline constexpr std::string_view kPublicKeyMailSubject = "TZA-P2P/Tessarin用公開鍵の送信";
inline constexpr std::string_view kPublicKeyMailBody =
    "TZA-P2P/Tessarinの公開鍵を送ります。\n添付されている鍵を、現在鍵を管理しているフォルダに保存し、TZA-P2P/"
    "Tessarinに登録してください。";
inline constexpr std::string_view kGenWarningNew = "新しい鍵を生成する";
inline constexpr std::string_view kGenWarningBackup = "バックアップ";
inline constexpr std::string_view kGenWarningClose = "閉じる";

}  // namespace tessarin::keymgrtexts
