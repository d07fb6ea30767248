#include "net/ServiceClient.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/ByteIo.h"
#include "platform/Cp932.h"
#include "platform/FormEscape.h"
#include "platform/ServiceUrl.h"
#include "platform/TempFile.h"

namespace tessarin {
namespace {

// Key files are left read-only for their owner, as the key store leaves them.
constexpr unsigned kKeyFileMode = 0400;

constexpr std::size_t kModulusOffset = 24;
constexpr std::size_t kModulusSize = 128;
constexpr std::uint8_t kPublicKeyHeader[kModulusOffset] = {
    0x94, 0x00, 0x00, 0x00, 0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00,
    0x52, 0x53, 0x41, 0x31, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A key hash from the service goes back in a URL as it came; refuse one that
// would change the URL's shape.
bool UsableKeyHash(const std::string& hash) {
    if (hash.empty() || hash.size() > 1024) return false;
    for (const char ch : hash) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) return false;
        if (std::strchr("&#%\"<>\\^`{|}", ch)) return false;
    }
    return true;
}

// Serialises "is the run cancelled?" with writing a file, so that once Cancel
// has returned no key file appears.
std::mutex& CommitMutex() {
    static std::mutex m;
    return m;
}

std::string HttpStatusProblem(long status) {
    return "HTTP " + std::to_string(status);
}

enum class Existing { None, Same, Different };

// Whether a file is at path, and whether it holds exactly bytes.
Existing ExistingFileIs(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found)
        return Existing::None;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Existing::Different;
    std::vector<std::uint8_t> present(bytes.size() + 1);
    const std::size_t got = std::fread(present.data(), 1, present.size(), f);
    std::fclose(f);
    const bool same = got == bytes.size() && std::memcmp(present.data(), bytes.data(), got) == 0;
    std::memset(present.data(), 0, present.size());
    return same ? Existing::Same : Existing::Different;
}

}  // namespace

CServiceClient::CServiceClient(IHost& host) : CHttpClientT(), m_host(host) {
    SetAbortFlag(&m_cancel);
}

CServiceClient::CServiceClient(IHost& host, const GuidSource& guidSource) : CHttpClientT(guidSource), m_host(host) {
    SetAbortFlag(&m_cancel);
}

void CServiceClient::Cancel() {
    std::lock_guard<std::mutex> lock(CommitMutex());
    m_cancel.store(true);
}

void CServiceClient::Initialise() {
    m_baseUrl = ServiceBaseUrl();
    char agent[128];
    std::snprintf(agent, sizeof agent, kUserAgentFormat, kProductName);
    m_userAgent = agent;
    SetInternetSettings(m_userAgent, 0, {}, {}, 0);
    m_stepCount.store(0);
    m_loggedIn.store(0);
    m_busy.store(false);
}

std::string CServiceClient::EscapeCredential(std::string_view text) {
    const std::optional<std::string> cp932 = Utf8ToCp932(text);
    return FormEscape(cp932 ? *cp932 : std::string(text), FormBlanks::AnyWhitespace);
}

void CServiceClient::SetCredentials(const std::string& mailAddress, const std::string& password) {
    m_mail = EscapeCredential(mailAddress);
    m_password = EscapeCredential(password);
}

std::string CServiceClient::Wire(const std::string& utf8) const {
    const std::optional<std::string> cp932 = Utf8ToCp932(utf8);
    return cp932 ? *cp932 : utf8;
}

std::filesystem::path CServiceClient::TempFolder() const {
    if (!m_tempFolder.empty()) return m_tempFolder;
    std::error_code ec;
    const auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : p;
}

std::uint32_t CServiceClient::ElapsedSeconds() const {
    if (!m_busy.load()) return 0;
    return (m_host.TickCount() - m_startTick.load()) / 1000;
}

bool CServiceClient::BaseUrlAcceptable() const {
    return IsHttpsUrl(m_baseUrl);
}

bool CServiceClient::Sendable(const std::string& url) {
    if (IsHttpsUrl(url)) return true;
    m_lastProblem = "not an https URL";
    return false;
}

std::string CServiceClient::FetchText(const std::string& url) {
    m_lastProblem.clear();
    if (!Sendable(url)) return kHttpError;
    m_startTick.store(m_host.TickCount());
    m_busy.store(true);
    if (m_cancel.load()) {
        m_aborted.store(true);
        m_busy.store(false);
        return kHttpError;
    }
    HttpGetResult r = HttpGet(url, Options(), kMaxTextAnswer, &m_cancel);
    m_busy.store(false);
    if (r.aborted) m_aborted.store(true);
    if (!r.transferred) {
        m_lastProblem = r.error;
        return kHttpError;
    }
    if (r.status != 200) {
        m_lastProblem = HttpStatusProblem(r.status);
        return kHttpError;
    }
    return std::move(r.body);
}

bool CServiceClient::FetchBinary(const std::string& url, std::span<std::uint8_t> buffer, std::size_t& received) {
    received = 0;
    m_lastProblem.clear();
    if (!Sendable(url)) return false;
    m_startTick.store(m_host.TickCount());
    m_busy.store(true);
    if (m_cancel.load()) {
        m_aborted.store(true);
        m_busy.store(false);
        return false;
    }
    HttpGetResult r = HttpGet(url, Options(), buffer.size(), &m_cancel);
    m_busy.store(false);
    if (r.aborted) m_aborted.store(true);
    if (!r.transferred || r.status != 200) {
        m_lastProblem = r.transferred ? HttpStatusProblem(r.status) : r.error;
        return false;
    }
    std::memcpy(buffer.data(), r.body.data(), r.body.size());
    received = r.body.size();
    return true;
}

bool CServiceClient::CheckConnection(int extraStepsOnFailure) {
    const std::string answer = FetchText(m_baseUrl + "?action_api_common_connectcheck=true");
    if (answer != "connect") {
        // The steps are visible before the status, so a reader that sees the
        // failure also sees the step count it comes with.
        m_stepCount.fetch_add(1 + extraStepsOnFailure);
        m_status.store(kServiceUnreachable);
        return false;
    }
    AddStep();
    return true;
}

int CServiceClient::Login() {
    const std::string answer = FetchText(m_baseUrl + "api/?c=login&ma=" + m_mail + "&pw=" + m_password);
    AddStep();
    if (answer == "success") {
        m_loggedIn.store(1);
        return 0;
    }
    m_loggedIn.store(0);
    return answer == "fail" ? 2 : 255;
}

void CServiceClient::GetKeyStatus() {
    const std::string hex = PublicKeyHex(m_publicKeyPath);
    AddStep();
    if (hex.empty()) {
        // No readable key to ask about: nothing is sent.
        m_status.store(kServiceOtherError);
        AddStep();
        return;
    }
    const std::string answer =
        FetchText(m_baseUrl + "api/?c=getkeystatus&ma=" + m_mail + "&pw=" + m_password + "&pk=" + hex);
    AddStep();
    if (answer == "fail")
        m_status.store(kServiceRejected);
    else if (answer == "dberr")
        m_status.store(kServiceDbError);
    else if (answer == "nonkey")
        m_status.store(kServiceNoKey);
    else if (answer == "keyreg")
        m_status.store(kServiceKeyRegistered);
    else if (answer == kHttpError)
        m_status.store(kServiceUnreachable);
    else if (answer == "samekeyreg")
        m_status.store(kServiceSameKey);
    else if (answer == "passkeyold")
        m_status.store(kServiceKeyNewer);
}

std::string CServiceClient::RegisterPublicKey() {
    const std::string hex = PublicKeyHex(m_publicKeyPath);
    if (hex.empty()) return "fail";
    AddStep();
    const std::string answer =
        FetchText(m_baseUrl + "?action_api_key_regkey=true&ma=" + m_mail + "&pw=" + m_password + "&pubkey=" + hex);
    AddStep();
    if (answer == "success")
        m_status.store(kServiceOk);
    else if (answer == kHttpError)
        m_status.store(kServiceDbError);
    else
        m_status.store(kServiceOtherError);
    return answer;
}

bool CServiceClient::FetchPublicKey(const std::string& address, const std::filesystem::path& target) {
    const std::string answer = FetchText(m_baseUrl + "?action_api_key_getkey=true&ma=" + EscapeCredential(address));
    if (answer == kHttpError) return false;
    const std::vector<std::uint8_t> file = PublicKeyFileFromHex(answer);
    if (file.empty()) {
        m_status.store(kServiceOtherError);
        return false;
    }
    std::lock_guard<std::mutex> lock(CommitMutex());
    if (m_cancel.load()) return false;
    if (!WriteFileAtomically(target, file, kKeyFileMode)) {
        m_status.store(kServiceOtherError);
        return false;
    }
    return true;
}

int CServiceClient::DownloadServerKey() {
    m_serverKeyProblem = ServerKeyProblem::None;
    const std::string query = m_baseUrl + "api/?c=getsrvgenkey&ma=" + m_mail + "&pw=" + m_password;
    AddStep();
    const std::string answer = FetchText(query);
    AddStep();
    if (answer == "fail") {
        AddStep();
        return 2;
    }
    if (answer == "nonkey") {
        AddStep();
        return 4;
    }
    if (answer == "pubkeyreg") {
        AddStep();
        return 5;
    }
    if (answer == kHttpError || !UsableKeyHash(answer)) {
        AddStep();
        return kServiceOtherError;
    }
    std::uint8_t key[kPrivateKeyFileSize];
    std::size_t received = 0;
    const bool fetched = FetchBinary(query + "&srvkeyhash=" + answer, key, received);
    int result = kServiceOtherError;
    if (fetched && received == kPrivateKeyFileSize) {
        std::lock_guard<std::mutex> lock(CommitMutex());
        // A private key file already there (an earlier key set's) may be the
        // only copy of its key: it is never replaced. The same key already
        // there counts as written.
        const auto present = ExistingFileIs(m_serverKeyPath, key);
        if (!m_cancel.load()) {
            if (present == Existing::Same)
                result = kServiceOk;
            else if (present == Existing::Different)
                m_serverKeyProblem = ServerKeyProblem::OtherFileThere;
            else if (WriteFileAtomically(m_serverKeyPath, key, kKeyFileMode))
                result = kServiceOk;
            else
                m_serverKeyProblem = ServerKeyProblem::NotWritten;
        }
    }
    std::memset(key, 0, sizeof key);
    AddStep();
    return result;
}

CServiceClient::PostAnswer CServiceClient::Post(bool multipart) {
    PostAnswer result;
    if (!Sendable(m_baseUrl)) {
        result.problem = m_lastProblem;
        return result;
    }
    try {
        if (multipart)
            StartMultipartPost(m_baseUrl, false);
        else
            StartUrlEncodedPost(m_baseUrl, false);
        std::unique_ptr<CHttpResponseT> response;
        while (!(response = ContinuePost(1024))) {
        }
        std::uint64_t length = 0;
        (void)response->GetContentLength(length);
        std::string answer;
        std::uint8_t buffer[10240];
        std::size_t n = 0;
        while ((n = response->ReadContent(buffer, sizeof buffer - 1)) > 0) {
            buffer[n] = 0;
            answer += reinterpret_cast<const char*>(buffer);
        }
        // An error page is not an answer: its text must never be taken for,
        // say, a stored file's name.
        const long status = response->GetStatus();
        if (status != 200) {
            result.problem = HttpStatusProblem(status);
            return result;
        }
        result.delivered = true;
        result.body = std::move(answer);
    } catch (const httpclientexceptionA& e) {
        result.problem = e.GetErrMsg();
    }
    return result;
}

std::optional<std::string> CServiceClient::PostAndRecord(bool multipart, const std::string& item) {
    PostAnswer answer = Post(multipart);
    if (!answer.delivered) {
        if (!m_cancel.load()) m_postFailures.push_back({item, std::move(answer.problem)});
        return std::nullopt;
    }
    return std::move(answer.body);
}

void CServiceClient::UploadToMyFolder() {
    m_postFailures.clear();
    for (const auto& file : m_files) {
        ClearParam();
        AddParam("action_api_myfolder_postfile", "true");
        AddParam("ma", m_mail);
        AddParam("pw", m_password);
        AddParam("subject", Wire(m_subject));
        AddParam("message", Wire(m_message));
        for (const auto& tag : m_tags) AddParam("tag[]", Wire(tag));
        AddParam("upfile[]", file.string(), true);
        (void)PostAndRecord(true, file.filename().string());
        AddStep();
    }
}

void CServiceClient::SendFilesByService() {
    struct Stored {
        std::string name;
        std::string tmpName;
        std::uintmax_t size;
    };
    std::vector<Stored> stored;
    m_postFailures.clear();
    for (const auto& file : m_files) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(file, ec);
        ClearParam();
        AddParam("action_top_ezsendto2_savefile", "true");
        AddParam("client", "1");
        AddParam("sendfile", file.string(), true);
        std::optional<std::string> answer = PostAndRecord(true, file.filename().string());
        AddStep();
        if (!answer) continue;
        if (answer->empty()) {
            // Nothing stored: the file is left out of the finish post.
            m_postFailures.push_back({file.filename().string(), {}});
            continue;
        }
        stored.push_back({Wire(file.filename().string()), std::move(*answer), ec ? 0 : size});
    }
    ClearParam();
    AddParam("action_top_ezsendto2_finish", "true");
    AddParam("sendfrom_adrs", m_mail);
    for (const auto& r : m_recipients) AddParam("sendto_adrs[]", Wire(r));
    AddParam("subject", Wire(m_subject));
    AddParam("message", Wire(m_message));
    for (std::size_t k = 0; k < stored.size(); ++k) {
        const std::string n = std::to_string(k + 1);
        AddParam("filename" + n, stored[k].name);
        AddParam("tmpfilename" + n, stored[k].tmpName);
        AddParam("filesize" + n, std::to_string(stored[k].size));
    }
    (void)PostAndRecord(false, {});
    AddStep();
}

void CServiceClient::TransferEncrypted() {
    const std::filesystem::path temp = TempFolder();
    m_tempKeys.clear();
    m_postFailures.clear();
    for (const auto& address : m_recipients) {
        std::string tmpl = (temp / "vpkXXXXXX").string();
        const int fd = mkstemp(tmpl.data());
        if (fd < 0) continue;
        ::close(fd);
        ::unlink(tmpl.c_str());
        const std::filesystem::path keyPath = tmpl + ".vpub";
        if (FetchPublicKey(address, keyPath)) m_tempKeys.push_back(keyPath);
    }

    m_encryptedOutputs.clear();
    for (const auto& file : m_files) {
        const std::filesystem::path out = temp / (file.filename().string() + ".tza");
        std::error_code ec;
        std::filesystem::remove(out, ec);
        if (m_encryptor && !m_cancel.load() && m_encryptor->EncryptForUpload(file, m_tempKeys, out))
            m_encryptedOutputs.push_back(out);
        AddStep();
    }

    ClearParam();
    AddParam("action_api_transfer_nonenc", "true");
    AddParam("ma", m_mail);
    AddParam("pw", m_password);
    AddParam("subject", Wire(m_subject));
    AddParam("message", Wire(m_message));
    for (const auto& r : m_recipients) AddParam("address[]", Wire(r));
    for (const auto& out : m_encryptedOutputs) AddParam("upfile[]", out.string(), true);
    // A failure names the files the user meant to send.
    std::string names;
    for (const auto& file : m_files) names += (names.empty() ? "" : ", ") + file.filename().string();
    (void)PostAndRecord(true, names);

    for (const auto& key : m_tempKeys) {
        std::error_code ec;
        std::filesystem::remove(key, ec);
    }
    m_tempKeys.clear();
}

std::string CServiceClient::PublicKeyHex(const std::filesystem::path& publicKeyFile) {
    std::FILE* f = std::fopen(publicKeyFile.c_str(), "rb");
    if (!f) return {};
    std::uint8_t file[kPublicKeyFileSize + 1];
    const std::size_t got = std::fread(file, 1, sizeof file, f);
    std::fclose(f);
    // Exactly one 152-byte public key file: its length field and "RSA1".
    if (got != kPublicKeyFileSize || LoadLe32(file) != kPublicKeyFileSize - 4 || std::memcmp(file + 12, "RSA1", 4) != 0)
        return {};
    std::string hex;
    hex.reserve(2 * kModulusSize);
    char pair[3];
    for (std::size_t i = 0; i < kModulusSize; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", file[kModulusOffset + kModulusSize - 1 - i]);
        hex += pair;
    }
    return hex;
}

std::vector<std::uint8_t> CServiceClient::PublicKeyFileFromHex(std::string_view hex) {
    if (hex.size() != 2 * kModulusSize) return {};
    std::vector<std::uint8_t> file(kPublicKeyHeader, kPublicKeyHeader + kModulusOffset);
    file.resize(kPublicKeyFileSize);
    for (std::size_t i = 0; i < kModulusSize; ++i) {
        const int hi = HexValue(hex[2 * i]);
        const int lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return {};
        file[kModulusOffset + kModulusSize - 1 - i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return file;
}

}  // namespace tessarin
