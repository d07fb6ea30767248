// Target "service": the service's answers as the client takes them, over the
// scripted Internet stand-in.
//
// Input: an options byte, then answers, each a flags byte (200, 404, or a
// failed request), a 16-bit length and the body. One run goes through every
// request the client makes: connect check, login, key status, registration,
// key look-up, server key download, the file posts and the encrypted
// transfer. Every answer word leads to its own status, nothing else; a key
// file is written only from a well-formed answer, and a different key file
// already at the server key path stays as it was; no temporary key is left.

#include <algorithm>
#include <set>

#include "FakeInternet.h"
#include "FuzzKeys.h"
#include "FuzzSupport.h"
#include "keys/KeyFiles.h"
#include "net/ServiceClient.h"
#include "platform/Host.h"

namespace tessarin::fuzz {
namespace {

constexpr std::size_t kMaxAnswerLength = 1100;

std::vector<FakeAnswer> ParseScript(InputReader& in) {
    std::vector<FakeAnswer> answers;
    while (in.Left() > 0) {
        const std::uint8_t flags = in.U8();
        const std::size_t length = in.U16() % kMaxAnswerLength;
        FakeAnswer a;
        a.status = (flags & 3) == 2 ? 404 : 200;
        a.transferred = (flags & 3) != 3;
        a.body = std::string(AsText(in.Take(length)));
        answers.push_back(std::move(a));
    }
    return answers;
}

// The text FetchText gives for an exchange.
std::string TextOf(const FakeExchange& e) {
    if (!e.answer.transferred || e.answer.status != 200 || e.answer.body.size() > CServiceClient::kMaxTextAnswer)
        return CServiceClient::kHttpError;
    return e.answer.body;
}

// The exchanges made since `from`.
std::vector<FakeExchange> Since(std::size_t from) {
    const auto& all = InternetExchanges();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
}

bool IsKnownStatus(int s) {
    static const std::set<int> known{0, 1, 2, 3, 4, 5, 6, 7, 255};
    return known.count(s) != 0;
}

bool IsHexText(std::string_view s) {
    return s.size() == 256 &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// What the client keeps of a post's answer: the body up to its first NUL,
// nothing when the post failed.
std::string PostAnswer(const FakeExchange& e) {
    if (!e.answer.transferred) return {};
    return e.answer.body.substr(0, e.answer.body.find('\0'));
}

void CheckKeyStatus(CServiceClient& client, std::size_t from, int before) {
    const auto made = Since(from);
    if (made.empty()) {
        Check(client.ServiceStatus() == kServiceOtherError, "no key to ask about is an error");
        return;
    }
    static const std::pair<const char*, int> kWords[] = {{"fail", 2},      {"dberr", 3},     {"nonkey", 4},
                                                         {"keyreg", 5},    {"httperror", 1}, {"samekeyreg", 6},
                                                         {"passkeyold", 7}};
    const std::string answer = TextOf(made.front());
    int expected = before;
    for (const auto& [word, status] : kWords)
        if (answer == word) expected = status;
    Check(client.ServiceStatus() == expected, "the key status follows the answer word");
}

void CheckServerKey(int result, const std::filesystem::path& path, const std::vector<std::uint8_t>& oldKey,
                    std::size_t from) {
    const auto made = Since(from);
    Check(!made.empty(), "the server key is asked for");
    const std::string first = made.empty() ? std::string() : TextOf(made.front());
    if (first == "fail") Check(result == 2, "fail gives 2");
    if (first == "nonkey") Check(result == 4, "nonkey gives 4");
    if (first == "pubkeyreg") Check(result == 5, "pubkeyreg gives 5");
    const bool existed = !oldKey.empty();
    if (existed) {
        Check(ReadAll(path) == oldKey, "a key file already there stays as it was");
        Check(result != 0, "a different key file already there is not reported as written");
        return;
    }
    Check(std::filesystem::exists(path) == (result == 0), "a key file exactly when the download succeeded");
    if (result == 0) {
        Check(made.size() == 2, "the key comes with the second request");
        Check(made.size() == 2 &&
                  ReadAll(path) == std::vector<std::uint8_t>(made[1].answer.body.begin(), made[1].answer.body.end()),
              "the key file holds the answer");
        Check(ReadAll(path).size() == kPrivateKeyFileSize, "a downloaded key is 648 bytes");
    }
}

}  // namespace

std::string RunService(Bytes input) {
    static FixedHost host;
    InputReader in(input);
    const std::uint8_t options = in.U8();
    ScriptInternet(ParseScript(in));

    const auto dir = FreshScratch();
    const auto own = dir / "own.vpub";
    if ((options & 1) == 0) WriteAll(own, test::FuzzReaderKeys().publicKeyFile);
    const auto serverKey = dir / "server.vpri";
    std::vector<std::uint8_t> oldKey;
    if ((options & 2) != 0) {
        oldKey.assign(kPrivateKeyFileSize, 0x5A);
        WriteAll(serverKey, oldKey);
    }
    const auto temp = dir / "temp";
    std::filesystem::create_directories(temp);
    const auto upload = dir / "upload.txt";
    WriteAll(upload, AsBytes("upload"));

    CServiceClient client(host);
    client.Initialise();
    client.SetBaseUrl("https://service.invalid/");
    client.SetCredentials("a+b@example.com", "pass word");
    client.SetPublicKeyPath(own);
    client.SetServerKeyPath(serverKey);
    client.SetTempFolder(temp);

    std::size_t from = InternetExchanges().size();
    const bool reachable = client.CheckConnection();
    Check(reachable == (TextOf(Since(from).at(0)) == "connect"), "only \"connect\" means reachable");

    from = InternetExchanges().size();
    const int login = client.Login();
    const std::string loginAnswer = TextOf(Since(from).at(0));
    Check(login == (loginAnswer == "success" ? 0 : loginAnswer == "fail" ? 2 : 255), "login follows the answer");
    Check(client.LoggedIn() == (login == 0), "logged in exactly on success");

    int before = client.ServiceStatus();
    from = InternetExchanges().size();
    client.GetKeyStatus();
    CheckKeyStatus(client, from, before);

    from = InternetExchanges().size();
    const std::string registered = client.RegisterPublicKey();
    if (!Since(from).empty()) {
        const std::string answer = TextOf(Since(from).front());
        Check(registered == answer, "registration returns the answer");
        Check(client.ServiceStatus() == (answer == "success"     ? 0
                                         : answer == "httperror" ? 3
                                                                 : 255),
              "registration status follows the answer");
    }

    const auto fetched = dir / "fetched.vpub";
    from = InternetExchanges().size();
    const bool gotKey = client.FetchPublicKey("c@example.com", fetched);
    const std::string keyAnswer = TextOf(Since(from).at(0));
    Check(gotKey == IsHexText(keyAnswer), "a key is taken from 256 hexadecimal digits only");
    Check(std::filesystem::exists(fetched) == gotKey, "a key file exactly when a key was taken");
    if (gotKey) {
        const auto file = ReadAll(fetched);
        Check(ParsePublicKeyFile(file).Ok(), "a fetched key is a public key file");
        Check(
            CServiceClient::PublicKeyHex(fetched) ==
                [&] {
                    std::string lower = keyAnswer;
                    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    return lower;
                }(),
            "the fetched key's modulus is the answer");
    }

    const int stepsBefore = client.StepCount();
    from = InternetExchanges().size();
    const int download = client.DownloadServerKey();
    Check(client.StepCount() == stepsBefore + 3, "a download takes three steps");
    CheckServerKey(download, serverKey, oldKey, from);

    client.SetFiles({upload, dir / "missing.txt", upload});
    client.SetRecipients({"c@example.com", "d@example.com"});
    client.SetSubject("subject");
    client.SetMessage("message");
    client.SetTags({"tag"});
    client.UploadToMyFolder();

    from = InternetExchanges().size();
    client.SendFilesByService();
    const auto sent = Since(from);
    std::size_t stored = 0;
    for (std::size_t i = 0; i + 1 < sent.size(); ++i)
        if (!PostAnswer(sent[i]).empty()) ++stored;
    if (!sent.empty() && sent.back().post) {
        const std::string& finish = sent.back().requestBody;
        for (std::size_t k = 1; k <= stored + 1; ++k) {
            const bool named = finish.find("tmpfilename" + std::to_string(k) + "=") != std::string::npos;
            Check(named == (k <= stored), "the finish post numbers the stored files from 1");
        }
    }

    client.TransferEncrypted();
    for (const auto& entry : std::filesystem::directory_iterator(temp))
        Check(!entry.path().filename().string().starts_with("vpk"), "no temporary key is left");

    Check(IsKnownStatus(client.ServiceStatus()), "the status is one of the known codes");
    return download == 0 ? "key downloaded" : "ran";
}

}  // namespace tessarin::fuzz
