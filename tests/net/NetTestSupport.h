#pragma once
// Shared pieces of the service tests: a scratch folder, the user's own public
// key file, and quick progress runs.

#include <gtest/gtest.h>

#include <chrono>

#include "Fixtures.h"
#include "StandInService.h"
#include "net/ServiceClient.h"

namespace tessarin::test {

// The texts the service runs and dialogs show, word for word.
namespace shown {
inline constexpr const char* kAlreadyRegistered = "既にこの公開鍵はFerroloに登録されています。";
inline constexpr const char* kAskReconfigure =
    "Ferroloで公開鍵の更新が行われました。\nTessarinでこの公開鍵を利用するためには、再度設定を行う必要があります。\n再"
    "設定を行いますか？";
inline constexpr const char* kAskRegisterLatest =
    "現在、Tessarinで利用されている公開鍵が最新です。\nこの公開鍵をFerroloへ登録しますか？";
inline constexpr const char* kConnectFailed = "Ferroloへの接続に失敗しました";
inline constexpr const char* kEmptyPassword = "パスワードが入力されていません。";
inline constexpr const char* kFolderMissing = "指定されたフォルダが存在しません。再度選択してください";
inline constexpr const char* kInterrupted = "処理が中断されました。";
inline constexpr const char* kInvalidLoginInput = "パスワード又はメールアドレスが正しく入力されていません。";
inline constexpr const char* kNetworkErrorText =
    "ネットワークに接続できません。\nネットワークの設定及び、InternetExplorerの設定をご確認ください。";
inline constexpr const char* kNetworkErrorTitle = "ネットワークに接続できません - Tessarin";
inline constexpr const char* kNoNetwork = "ネットワークに接続できません。";
inline constexpr const char* kServiceFault =
    "Ferroloのサービスサーバに障害が発生しています。\n時間を置いて再度お試しください。";
inline constexpr const char* kStarting = "処理を開始します...";
inline constexpr const char* kSystemError = "システムエラーです";
inline constexpr const char* kWrongCredentials = "メールアドレス及びパスワードに誤りがあります";
inline constexpr const char* kWrongPassword = "パスワードが正しくありません。";
}  // namespace shown

inline constexpr std::chrono::milliseconds kFastTick{20};
inline constexpr const char* kMail = "a+b@example.com";
inline constexpr const char* kMailEscaped = "a%2Bb%40example%2Ecom";
inline constexpr const char* kPassword = "pass word";
inline constexpr const char* kPasswordEscaped = "pass+word";

// 648 bytes standing for a private key file from the service.
inline std::string SamplePrivateKeyFile() {
    std::string key(648, '\0');
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return key;
}

class ServiceTest : public ::testing::Test {
protected:
    // Starts the stand-in first, so no client ever sees the compiled-in URL.
    void SetUp() override { (void)Service(); }
    StandInService& Service() { return StandInService::Get(); }
    void Script(const std::map<std::string, std::vector<ScriptedAnswer>>& answers) { Service().Script(answers); }
    // The own public key file, written into the scratch folder.
    std::filesystem::path OwnKey() {
        const auto p = m_dir / "own.vpub";
        if (!std::filesystem::exists(p)) WriteFileBytes(p, SamplePublicKeyFile());
        return p;
    }
    // A client ready to talk to the stand-in service.
    std::unique_ptr<CServiceClient> Client() {
        (void)Service();
        auto c = std::make_unique<CServiceClient>();
        c->Initialise();
        c->SetCredentials(kMail, kPassword);
        c->SetTempFolder(m_dir.Path());
        return c;
    }
    TempDir m_dir;
};

}  // namespace tessarin::test
