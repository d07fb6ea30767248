#pragma once
// Texts of the service client, its progress run and the account flows, kept in
// one place until they move into the language table. UTF-8.

namespace tessarin::service_text {

// Progress run.
inline constexpr const char* kStarting = "処理を開始します...";
inline constexpr const char* kConnectFailed = "Ferroloへの接続に失敗しました";
inline constexpr const char* kWrongCredentials = "メールアドレス及びパスワードに誤りがあります";
inline constexpr const char* kSystemError = "システムエラーです";
inline constexpr const char* kNetworkErrorText =
    "ネットワークに接続できません。\nネットワークの設定及び、InternetExplorerの設定をご確認ください。";
inline constexpr const char* kNetworkErrorTitle = "ネットワークに接続できません - Tessarin";

// Window titles by operation.
inline constexpr const char* kTitleRegister = "公開鍵の登録";
inline constexpr const char* kTitleFetchKey = "公開鍵の取得";
inline constexpr const char* kTitleTransfer = "公開鍵暗号化処理中....";
inline constexpr const char* kTitleSend = "ファイルをアップロード中...";
inline constexpr const char* kTitleMyFolder = "マイフォルダへアップロード中...";
inline constexpr const char* kTitleLogin = "Ferroloへアカウント確認中...";
inline constexpr const char* kTitleKeyStatus = "鍵の登録状況を確認中...";
inline constexpr const char* kTitleServerKey = "鍵の準備中です...";

// Status lines.
inline constexpr const char* kConnecting = "Ferroloに接続中です...";
inline constexpr const char* kRegistering = "Ferroloに鍵を登録中です...";
inline constexpr const char* kRegistered = "登録が完了しました";
inline constexpr const char* kCheckingConnection = "Ferroloと接続確認中...";
inline constexpr const char* kCheckingAccount = "Ferroloへアカウント照合中...";
inline constexpr const char* kCheckingKey = "鍵の情報を確認中です...";
inline constexpr const char* kProcessing = "処理中...";
inline constexpr const char* kCheckingStored = "Ferroloに登録してある情報の確認中";
inline constexpr const char* kWaitingAnswer = "応答を待っています...";
inline constexpr const char* kProcessingPolite = "処理中です...";
inline constexpr const char* kUploadingFormat = "%sをアップロード中です...";
inline constexpr const char* kRegisteringFiles = "ファイルを登録しています...";

// Account flows.
inline constexpr const char* kInvalidLoginInput = "パスワード又はメールアドレスが正しく入力されていません。";
inline constexpr const char* kProductTitle = "Tessarin";
inline constexpr const char* kEmptyPassword = "パスワードが入力されていません。";
inline constexpr const char* kInterrupted = "処理が中断されました。";
inline constexpr const char* kNoNetwork = "ネットワークに接続できません。";
inline constexpr const char* kWrongPassword = "パスワードが正しくありません。";
inline constexpr const char* kServiceFault =
    "Ferroloのサービスサーバに障害が発生しています。\n時間を置いて再度お試しください。";
inline constexpr const char* kAskRegisterLatest =
    "現在、Tessarinで利用されている公開鍵が最新です。\nこの公開鍵をFerroloへ登録しますか？";
inline constexpr const char* kAlreadyRegistered = "既にこの公開鍵はFerroloに登録されています。";
inline constexpr const char* kAskReconfigure =
    "Ferroloで公開鍵の更新が行われました。\nTessarinでこの公開鍵を利用するためには、再度設定を行う必要があります。\n再"
    "設定を行いますか？";

inline constexpr const char* kFolderMissing = "指定されたフォルダが存在しません。再度選択してください";
inline constexpr const char* kRegNameMissing = "公開鍵の持ち主の名前を指定してください";
inline constexpr const char* kRegNameMissingEn = "Set User Name of This Public Key.";
inline constexpr const char* kRegAddressMissing = "公開鍵の持ち主のメールアドレスを指定してください";
inline constexpr const char* kRegAddressMissingEn = "Set E-mail Address of This Public Key.";

}  // namespace tessarin::service_text
