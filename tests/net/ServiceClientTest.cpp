#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "net/ServiceClient.h"

namespace tessarin {
namespace {

using test::kMailEscaped;
using test::kPasswordEscaped;
using test::ReadFileBytes;
using test::SamplePublicKeyHex;
using test::ScriptedAnswer;
using test::ServiceTest;

ScriptedAnswer Status(int status) {
    return {status, "", 0, std::nullopt};
}

using ServiceClientTest = ServiceTest;

TEST(ServiceClientText, CredentialEscaping) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a+b@example.com", "a%2Bb%40example%2Ecom"},
        {"pass word\t1", "pass+word+1"},
        {"x_y-z.w", "x%5Fy%2Dz%2Ew"},
        {"\xe3\x81\x82", "%82%A0"},  // UTF-8 in, the code page's bytes out
    };
    for (const auto& c : cases) EXPECT_EQ(CServiceClient::EscapeCredential(c.in), c.out) << c.in;
}

TEST(ServiceClientText, PublicKeyHexBothWays) {
    test::TempDir dir;
    const auto path = dir / "k.vpub";
    test::WriteFileBytes(path, test::SamplePublicKeyFile());
    EXPECT_EQ(CServiceClient::PublicKeyHex(path), SamplePublicKeyHex());
    EXPECT_EQ(CServiceClient::PublicKeyFileFromHex(SamplePublicKeyHex()), test::SamplePublicKeyFile());
    std::string upper = SamplePublicKeyHex();
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(CServiceClient::PublicKeyFileFromHex(upper), test::SamplePublicKeyFile());
    // A missing, short, long or foreign file gives no hex.
    EXPECT_EQ(CServiceClient::PublicKeyHex(dir / "none.vpub"), "");
    auto bytes = test::SamplePublicKeyFile();
    bytes.pop_back();
    test::WriteFileBytes(path, bytes);
    EXPECT_EQ(CServiceClient::PublicKeyHex(path), "");
    bytes = test::SamplePublicKeyFile();
    bytes.push_back(0);
    test::WriteFileBytes(path, bytes);
    EXPECT_EQ(CServiceClient::PublicKeyHex(path), "");
    bytes = test::SamplePublicKeyFile();
    bytes[12] = 'X';
    test::WriteFileBytes(path, bytes);
    EXPECT_EQ(CServiceClient::PublicKeyHex(path), "");
}

TEST_F(ServiceClientTest, ConnectionCheck) {
    const struct {
        ScriptedAnswer answer;
        bool ok;
    } cases[] = {{ScriptedAnswer::Text("connect"), true},
                 {ScriptedAnswer::Text("connected"), false},
                 {ScriptedAnswer::Text(""), false},
                 {{500, "connect", 0, {}}, false}};
    for (const auto& c : cases) {
        Script({{"connectcheck", {c.answer}}});
        auto client = Client();
        EXPECT_EQ(client->CheckConnection(), c.ok) << c.answer.body;
        EXPECT_EQ(client->StepCount(), 1);
        EXPECT_EQ(client->ServiceStatus(), c.ok ? 0 : 1);
    }
    const auto r = Service().Requests();
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r[0].target, "/?action_api_common_connectcheck=true");
    EXPECT_EQ(r[0].userAgent, "Tessarin - build20081030-00");
}

TEST_F(ServiceClientTest, LoginAnswers) {
    const struct {
        ScriptedAnswer answer;
        int result;
    } cases[] = {{ScriptedAnswer::Text("success"), 0},
                 {ScriptedAnswer::Text("fail"), 2},
                 {ScriptedAnswer::Text("Success"), 255},
                 {Status(500), 255}};
    for (const auto& c : cases) {
        Script({{"login", {c.answer}}});
        auto client = Client();
        EXPECT_EQ(client->Login(), c.result);
        EXPECT_EQ(client->LoggedIn(), c.result == 0);
        EXPECT_EQ(client->StepCount(), 1);
        const auto r = Service().Requests("login");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].target, std::string("/api/?c=login&ma=") + kMailEscaped + "&pw=" + kPasswordEscaped);
        EXPECT_EQ(r[0].Query("ma"), "a+b@example.com");
        EXPECT_EQ(r[0].Query("pw"), "pass word");
    }
}

TEST_F(ServiceClientTest, KeyStatusAnswers) {
    const struct {
        ScriptedAnswer answer;
        int status;
    } cases[] = {
        {ScriptedAnswer::Text("fail"), 2},       {ScriptedAnswer::Text("dberr"), 3},
        {ScriptedAnswer::Text("nonkey"), 4},     {ScriptedAnswer::Text("keyreg"), 5},
        {ScriptedAnswer::Text("samekeyreg"), 6}, {ScriptedAnswer::Text("passkeyold"), 7},
        {ScriptedAnswer::Text("httperror"), 1},  {Status(503), 1},
        {ScriptedAnswer::Text("maybe"), 0},      {ScriptedAnswer::Text("keyreg\n"), 0},
    };
    for (const auto& c : cases) {
        Script({{"getkeystatus", {c.answer}}});
        auto client = Client();
        client->SetPublicKeyPath(OwnKey());
        client->GetKeyStatus();
        EXPECT_EQ(client->ServiceStatus(), c.status) << c.answer.body;
        EXPECT_EQ(client->StepCount(), 2);
        const auto r = Service().Requests("getkeystatus");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].target, std::string("/api/?c=getkeystatus&ma=") + kMailEscaped + "&pw=" + kPasswordEscaped +
                                   "&pk=" + SamplePublicKeyHex());
    }
}

TEST_F(ServiceClientTest, RegistrationAnswersAndMissingKey) {
    const struct {
        ScriptedAnswer answer;
        int status;
    } cases[] = {{ScriptedAnswer::Text("success"), 0}, {Status(500), 3}, {ScriptedAnswer::Text("ok"), 255}};
    for (const auto& c : cases) {
        Script({{"regkey", {c.answer}}});
        auto client = Client();
        client->SetPublicKeyPath(OwnKey());
        const std::string answer = client->RegisterPublicKey();
        EXPECT_EQ(answer, c.answer.status == 200 ? c.answer.body : "httperror");
        EXPECT_EQ(client->ServiceStatus(), c.status);
        EXPECT_EQ(client->StepCount(), 2);
        const auto r = Service().Requests("regkey");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].target, std::string("/?action_api_key_regkey=true&ma=") + kMailEscaped +
                                   "&pw=" + kPasswordEscaped + "&pubkey=" + SamplePublicKeyHex());
    }
    // Without a key file nothing is sent and no step is made.
    Script({{"regkey", {ScriptedAnswer::Text("success")}}});
    auto client = Client();
    client->SetPublicKeyPath(m_dir / "none.vpub");
    EXPECT_EQ(client->RegisterPublicKey(), "fail");
    EXPECT_EQ(client->StepCount(), 0);
    EXPECT_TRUE(Service().Requests().empty());
}

TEST_F(ServiceClientTest, FetchPublicKeyWritesTheKeyFile) {
    Script({{"getkey", {ScriptedAnswer::Text(SamplePublicKeyHex())}}});
    auto client = Client();
    const auto target = m_dir / "partner.vpub";
    test::WriteFileBytes(target, {1, 2, 3});  // replaced
    ASSERT_TRUE(client->FetchPublicKey("x+y@z.example", target));
    EXPECT_EQ(ReadFileBytes(target), test::SamplePublicKeyFile());
    const auto r = Service().Requests("getkey");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].target, "/?action_api_key_getkey=true&ma=x%2By%40z%2Eexample");
    EXPECT_EQ(r[0].Query("ma"), "x+y@z.example");
}

TEST_F(ServiceClientTest, FetchPublicKeyRefusesAnythingButTheKey) {
    const std::string hex = SamplePublicKeyHex();
    const struct {
        const char* what;
        ScriptedAnswer answer;
        int status;
    } cases[] = {
        {"one digit short", ScriptedAnswer::Text(hex.substr(1)), 255},
        {"one digit long", ScriptedAnswer::Text(hex + "0"), 255},
        {"not hex", ScriptedAnswer::Text("g" + hex.substr(1)), 255},
        {"trailing line break", ScriptedAnswer::Text(hex.substr(1) + "\n"), 255},
        {"empty", ScriptedAnswer::Text(""), 255},
        {"oversize", ScriptedAnswer::Text(std::string(200000, 'a')), 0},
        {"truncated", {200, hex, 0, 100}, 0},
        {"server error", {500, hex, 0, {}}, 0},
    };
    for (const auto& c : cases) {
        Script({{"getkey", {c.answer}}});
        auto client = Client();
        const auto target = m_dir / "partner.vpub";
        test::WriteFileBytes(target, {9, 9});
        EXPECT_FALSE(client->FetchPublicKey("p@example.com", target)) << c.what;
        EXPECT_EQ(ReadFileBytes(target), (std::vector<std::uint8_t>{9, 9})) << c.what;
        EXPECT_EQ(client->ServiceStatus(), c.status) << c.what;
    }
    // Nothing but the target was ever created in the folder.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir.Path())) ++files;
    EXPECT_EQ(files, 1u);
}

TEST_F(ServiceClientTest, ServerKeyDownloadWritesExactly648Bytes) {
    const std::string key = test::SamplePrivateKeyFile();
    Script({{"getsrvgenkey", {ScriptedAnswer::Text("hash-12AB")}}, {"getsrvgenkey2", {ScriptedAnswer::Text(key)}}});
    auto client = Client();
    const auto target = m_dir / "mePrivate.vpri";
    client->SetServerKeyPath(target);
    EXPECT_EQ(client->DownloadServerKey(), 0);
    EXPECT_EQ(client->StepCount(), 3);
    const auto written = ReadFileBytes(target);
    EXPECT_TRUE(std::string(written.begin(), written.end()) == key);
    const auto perms = std::filesystem::status(target).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_read);
    const auto r = Service().Requests();
    ASSERT_EQ(r.size(), 2u);
    const std::string step1 = std::string("/api/?c=getsrvgenkey&ma=") + kMailEscaped + "&pw=" + kPasswordEscaped;
    EXPECT_EQ(r[0].target, step1);
    EXPECT_EQ(r[1].target, step1 + "&srvkeyhash=hash-12AB");
}

TEST_F(ServiceClientTest, ServerKeyNeverReplacesAnotherPrivateKeyFile) {
    const std::string key = test::SamplePrivateKeyFile();
    const auto target = m_dir / "mePrivate.vpri";
    // An earlier key set's private key under the same name is kept.
    const std::vector<std::uint8_t> earlier = {'o', 'l', 'd'};
    test::WriteFileBytes(target, earlier);
    Script({{"getsrvgenkey", {ScriptedAnswer::Text("h")}}, {"getsrvgenkey2", {ScriptedAnswer::Text(key)}}});
    auto client = Client();
    client->SetServerKeyPath(target);
    EXPECT_EQ(client->DownloadServerKey(), 255);
    EXPECT_EQ(client->LastServerKeyProblem(), ServerKeyProblem::OtherFileThere);
    EXPECT_EQ(ReadFileBytes(target), earlier);
    // The same key already there is taken as written.
    test::WriteFileBytes(target, std::vector<std::uint8_t>(key.begin(), key.end()));
    Script({{"getsrvgenkey", {ScriptedAnswer::Text("h")}}, {"getsrvgenkey2", {ScriptedAnswer::Text(key)}}});
    auto again = Client();
    again->SetServerKeyPath(target);
    EXPECT_EQ(again->DownloadServerKey(), 0);
    EXPECT_EQ(again->LastServerKeyProblem(), ServerKeyProblem::None);
    // A folder that is not there: the key cannot be written, which is said
    // as such.
    Script({{"getsrvgenkey", {ScriptedAnswer::Text("h")}}, {"getsrvgenkey2", {ScriptedAnswer::Text(key)}}});
    auto nowhere = Client();
    nowhere->SetServerKeyPath(m_dir / "gone" / "mePrivate.vpri");
    EXPECT_EQ(nowhere->DownloadServerKey(), 255);
    EXPECT_EQ(nowhere->LastServerKeyProblem(), ServerKeyProblem::NotWritten);
}

TEST_F(ServiceClientTest, ServerKeyWordsAndBadAnswers) {
    const std::string key = test::SamplePrivateKeyFile();
    const struct {
        const char* what;
        ScriptedAnswer step1;
        ScriptedAnswer step2;
        int result;
        bool step2Sent;
    } cases[] = {
        {"fail", ScriptedAnswer::Text("fail"), ScriptedAnswer::Text(key), 2, false},
        {"nonkey", ScriptedAnswer::Text("nonkey"), ScriptedAnswer::Text(key), 4, false},
        {"pubkeyreg", ScriptedAnswer::Text("pubkeyreg"), ScriptedAnswer::Text(key), 5, false},
        {"step 1 http error", Status(500), ScriptedAnswer::Text(key), 255, false},
        {"hash with a blank", ScriptedAnswer::Text("a b"), ScriptedAnswer::Text(key), 255, false},
        {"hash with an ampersand", ScriptedAnswer::Text("a&pw=x"), ScriptedAnswer::Text(key), 255, false},
        {"empty hash", ScriptedAnswer::Text(""), ScriptedAnswer::Text(key), 255, false},
        {"key one byte short", ScriptedAnswer::Text("h"), ScriptedAnswer::Text(key.substr(1)), 255, true},
        {"key one byte long", ScriptedAnswer::Text("h"), ScriptedAnswer::Text(key + "x"), 255, true},
        {"key oversize", ScriptedAnswer::Text("h"), ScriptedAnswer::Text(std::string(100000, 'k')), 255, true},
        {"key truncated", ScriptedAnswer::Text("h"), {200, key, 0, 300}, 255, true},
        {"key not found", ScriptedAnswer::Text("h"), {404, key, 0, {}}, 255, true},
        {"key empty", ScriptedAnswer::Text("h"), ScriptedAnswer::Text(""), 255, true},
    };
    for (const auto& c : cases) {
        Script({{"getsrvgenkey", {c.step1}}, {"getsrvgenkey2", {c.step2}}});
        auto client = Client();
        const auto target = m_dir / "mePrivate.vpri";
        client->SetServerKeyPath(target);
        EXPECT_EQ(client->DownloadServerKey(), c.result) << c.what;
        EXPECT_EQ(client->StepCount(), 3) << c.what;
        EXPECT_FALSE(std::filesystem::exists(target)) << c.what;
        EXPECT_EQ(Service().Requests("getsrvgenkey2").size(), c.step2Sent ? 1u : 0u) << c.what;
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(ServiceClientTest, MyFolderUploadOnePostPerFile) {
    const auto f1 = m_dir / "one.txt";
    const auto f2 = m_dir / "two.txt";
    test::WriteFileBytes(f1, {'1'});
    test::WriteFileBytes(f2, {'2', '2'});
    Script({{"myfolder", {ScriptedAnswer::Text("ok")}}});
    auto client = Client();
    client->SetSubject("件名");
    client->SetMessage("body text");
    client->SetTags({"t1", "t2"});
    client->SetFiles({f1, f2});
    client->UploadToMyFolder();
    EXPECT_EQ(client->StepCount(), 2);
    const auto r = Service().Requests("myfolder");
    ASSERT_EQ(r.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(r[i].parseError, "");
        EXPECT_EQ(r[i].FieldNames(), (std::vector<std::string>{"action_api_myfolder_postfile", "ma", "pw", "subject",
                                                               "message", "tag[]", "tag[]", "upfile[]"}));
        EXPECT_EQ(r[i].Values("ma")[0], kMailEscaped);
        EXPECT_EQ(r[i].Values("pw")[0], kPasswordEscaped);
        EXPECT_EQ(r[i].Values("subject")[0], "\x8c\x8f\x96\xbc");  // the code page's bytes
        EXPECT_EQ(r[i].Values("tag[]"), (std::vector<std::string>{"t1", "t2"}));
        EXPECT_TRUE(r[i].fields.back().isFile);
    }
    EXPECT_EQ(r[0].fields.back().fileName, f1.string());
    EXPECT_EQ(r[1].fields.back().value, "22");
}

TEST_F(ServiceClientTest, SendFilesSkipsFilesTheStoreRefused) {
    const auto a = m_dir / "a.txt";
    const auto b = m_dir / "b.txt";
    const auto c = m_dir / "c.bin";
    test::WriteFileBytes(a, {'a'});
    test::WriteFileBytes(b, {'b', 'b'});
    test::WriteFileBytes(c, std::vector<std::uint8_t>(3000, 7));
    Script({{"savefile", {ScriptedAnswer::Text("tmpA"), ScriptedAnswer::Text(""), ScriptedAnswer::Text("tmpC")}},
            {"finish", {ScriptedAnswer::Text("done")}}});
    auto client = Client();
    client->SetRecipients({"r1@example.com", "r+2@example.com"});
    client->SetSubject("subj");
    client->SetMessage("msg");
    client->SetFiles({a, b, c});
    client->SendFilesByService();
    EXPECT_EQ(client->StepCount(), 4);

    const auto stores = Service().Requests("savefile");
    ASSERT_EQ(stores.size(), 3u);
    EXPECT_EQ(stores[0].FieldNames(),
              (std::vector<std::string>{"action_top_ezsendto2_savefile", "client", "sendfile"}));
    EXPECT_EQ(stores[0].Values("client")[0], "1");
    EXPECT_EQ(stores[2].fields[2].fileName, c.string());

    const auto finish = Service().Requests("finish");
    ASSERT_EQ(finish.size(), 1u);
    const auto& f = finish[0];
    EXPECT_EQ(f.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(f.parseError, "");
    EXPECT_EQ(f.FieldNames(),
              (std::vector<std::string>{"action_top_ezsendto2_finish", "sendfrom_adrs", "sendto_adrs[]",
                                        "sendto_adrs[]", "subject", "message", "filename1", "tmpfilename1", "filesize1",
                                        "filename2", "tmpfilename2", "filesize2"}));
    EXPECT_EQ(f.Values("sendfrom_adrs")[0], kMailEscaped);
    EXPECT_NE(f.body.find("sendfrom%5Fadrs=a%252Bb%2540example%252Ecom&"), std::string::npos);
    EXPECT_EQ(f.Values("sendto_adrs[]"), (std::vector<std::string>{"r1@example.com", "r+2@example.com"}));
    EXPECT_EQ(f.Values("filename1")[0], "a.txt");
    EXPECT_EQ(f.Values("tmpfilename1")[0], "tmpA");
    EXPECT_EQ(f.Values("filesize1")[0], "1");
    EXPECT_EQ(f.Values("filename2")[0], "c.bin");
    EXPECT_EQ(f.Values("tmpfilename2")[0], "tmpC");
    EXPECT_EQ(f.Values("filesize2")[0], "3000");
}

// An error page is never an answer: it must not become a stored file's name.
TEST_F(ServiceClientTest, PostsTakeOnlyA200AnswerAndRecordWhatFailed) {
    const auto a = m_dir / "a.txt";
    const auto b = m_dir / "b.txt";
    const auto c = m_dir / "c.txt";
    for (const auto& f : {a, b, c}) test::WriteFileBytes(f, {'x'});
    Script(
        {{"savefile",
          {ScriptedAnswer::Text("tmpA"), {500, "<html>Internal Server Error</html>", 0, {}}, ScriptedAnswer::Text("")}},
         {"finish", {{503, "busy", 0, {}}}}});
    auto client = Client();
    client->SetRecipients({"r@example.com"});
    client->SetFiles({a, b, c});
    client->SendFilesByService();
    EXPECT_EQ(client->StepCount(), 4);
    const auto finish = Service().Requests("finish");
    ASSERT_EQ(finish.size(), 1u);
    EXPECT_EQ(finish[0].Values("tmpfilename1"), (std::vector<std::string>{"tmpA"}));
    EXPECT_TRUE(finish[0].Values("tmpfilename2").empty());
    EXPECT_EQ(finish[0].body.find("Internal"), std::string::npos);
    const auto& failures = client->PostFailures();
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0].item, "b.txt");
    EXPECT_EQ(failures[0].detail, "HTTP 500");
    EXPECT_EQ(failures[1].item, "c.txt");
    EXPECT_EQ(failures[1].detail, "");
    EXPECT_EQ(failures[2].item, "");
    EXPECT_EQ(failures[2].detail, "HTTP 503");

    // My Folder: one refused file of two.
    Script({{"myfolder", {ScriptedAnswer::Text("ok"), {404, "<html>Not Found</html>", 0, {}}}}});
    auto folder = Client();
    folder->SetFiles({a, b});
    folder->UploadToMyFolder();
    ASSERT_EQ(folder->PostFailures().size(), 1u);
    EXPECT_EQ(folder->PostFailures()[0].item, "b.txt");
    EXPECT_EQ(folder->PostFailures()[0].detail, "HTTP 404");
}

// The login travels only over https: any other base URL sends nothing.
TEST_F(ServiceClientTest, NothingIsSentToABaseUrlThatIsNotHttps) {
    test::PlainListener listener;
    const auto file = m_dir / "one.txt";
    test::WriteFileBytes(file, {'1'});
    auto client = Client();
    EXPECT_TRUE(client->BaseUrlAcceptable());
    client->SetBaseUrl("http://127.0.0.1:" + std::to_string(listener.Port()) + "/");
    EXPECT_FALSE(client->BaseUrlAcceptable());
    EXPECT_FALSE(client->CheckConnection());
    EXPECT_EQ(client->Login(), 255);
    EXPECT_FALSE(client->LastProblem().empty());
    client->SetServerKeyPath(m_dir / "mePrivate.vpri");
    EXPECT_EQ(client->DownloadServerKey(), 255);
    client->SetFiles({file});
    client->UploadToMyFolder();
    ASSERT_EQ(client->PostFailures().size(), 1u);
    EXPECT_EQ(client->PostFailures()[0].item, "one.txt");
    EXPECT_FALSE(listener.Contacted());
}

TEST_F(ServiceClientTest, CertificateForAnotherHostNameIsAnHttpError) {
    Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}});
    auto client = Client();
    const std::string query = "?action_api_common_connectcheck=true";
    EXPECT_EQ(client->FetchText(Service().BaseUrl() + query), "connect");
    EXPECT_EQ(client->FetchText(Service().WrongNameBaseUrl() + query), "httperror");
    EXPECT_FALSE(client->LastProblem().empty());
    EXPECT_EQ(Service().Requests().size(), 1u);
}

class RecordingEncryptor final : public IUploadEncryptor {
public:
    bool EncryptForUpload(const std::filesystem::path& source, const std::vector<std::filesystem::path>& keys,
                          const std::filesystem::path& output) override {
        for (const auto& k : keys) keySizes.push_back(std::filesystem::file_size(k));
        keyPaths = keys;
        sources.push_back(source);
        test::WriteFileBytes(output, {'T', 'Z', 'A'});
        return true;
    }
    std::vector<std::uintmax_t> keySizes;
    std::vector<std::filesystem::path> keyPaths;
    std::vector<std::filesystem::path> sources;
};

TEST_F(ServiceClientTest, EncryptedTransferUsesFetchedKeysAndRemovesThem) {
    const auto src = m_dir / "report.pdf";
    test::WriteFileBytes(src, {'%', 'P', 'D', 'F'});
    Script({{"getkey", {ScriptedAnswer::Text(SamplePublicKeyHex()), ScriptedAnswer::Text("nonsense")}},
            {"transfer", {ScriptedAnswer::Text("ok")}}});
    auto client = Client();
    RecordingEncryptor encryptor;
    client->SetEncryptor(&encryptor);
    client->SetRecipients({"p1@example.com", "p2@example.com"});
    client->SetSubject("s");
    client->SetMessage("m");
    client->SetFiles({src});
    client->TransferEncrypted();
    EXPECT_EQ(client->StepCount(), 1);
    // Only the key that came back whole was used.
    EXPECT_EQ(encryptor.keySizes, (std::vector<std::uintmax_t>{152}));
    ASSERT_EQ(encryptor.keyPaths.size(), 1u);
    EXPECT_EQ(encryptor.keyPaths[0].filename().string().substr(0, 3), "vpk");
    EXPECT_EQ(encryptor.keyPaths[0].extension(), ".vpub");
    EXPECT_FALSE(std::filesystem::exists(encryptor.keyPaths[0]));
    const auto out = m_dir / "report.pdf.tza";
    EXPECT_TRUE(std::filesystem::exists(out));

    const auto r = Service().Requests("transfer");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].FieldNames(), (std::vector<std::string>{"action_api_transfer_nonenc", "ma", "pw", "subject",
                                                           "message", "address[]", "address[]", "upfile[]"}));
    EXPECT_EQ(r[0].Values("address[]"), (std::vector<std::string>{"p1@example.com", "p2@example.com"}));
    EXPECT_EQ(r[0].fields.back().fileName, out.string());
    EXPECT_EQ(r[0].fields.back().value, "TZA");
}

TEST_F(ServiceClientTest, RefusedTransferNamesTheFiles) {
    const auto src = m_dir / "report.pdf";
    test::WriteFileBytes(src, {'%', 'P', 'D', 'F'});
    Script({{"getkey", {ScriptedAnswer::Text(SamplePublicKeyHex())}}, {"transfer", {Status(500)}}});
    auto client = Client();
    RecordingEncryptor encryptor;
    client->SetEncryptor(&encryptor);
    client->SetRecipients({"p1@example.com"});
    client->SetFiles({src});
    client->TransferEncrypted();
    ASSERT_EQ(client->PostFailures().size(), 1u);
    EXPECT_EQ(client->PostFailures()[0].item, "report.pdf");
    EXPECT_EQ(client->PostFailures()[0].detail, "HTTP 500");
}

TEST_F(ServiceClientTest, UntrustedCertificateIsAnHttpError) {
    Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}});
    auto client = Client();
    client->SetCaFile("/etc/ssl/certs/ca-certificates.crt");
    EXPECT_EQ(client->FetchText(Service().BaseUrl() + "?action_api_common_connectcheck=true"), "httperror");
}

}  // namespace
}  // namespace tessarin
