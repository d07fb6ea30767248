#pragma once
// One operation against the Ferrolo service: GETs for the account and key
// requests, form posts for file uploads. StepCount and ServiceStatus are read
// by the progress run on another thread while a worker writes them.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "platform/Host.h"

namespace tessarin {

// Encrypts one file for upload to the given recipients' public key files. The
// encryption pipeline fills this in; the service client only names the
// output and collects it.
class IUploadEncryptor {
public:
    virtual ~IUploadEncryptor() = default;
    [[nodiscard]] virtual bool EncryptForUpload(const std::filesystem::path& source,
                                                const std::vector<std::filesystem::path>& recipientKeys,
                                                const std::filesystem::path& output) = 0;
};

// Result codes of an operation.
enum ServiceStatusCode : int {
    kServiceOk = 0,
    kServiceUnreachable = 1,
    kServiceRejected = 2,
    kServiceDbError = 3,
    kServiceNoKey = 4,
    kServiceKeyRegistered = 5,
    kServiceSameKey = 6,
    kServiceKeyNewer = 7,
    kServiceOtherError = 255,
};

// A form post that did not deliver what it carried: its item (the file
// names, or empty for the finish post of a send) and what went wrong (the
// HTTP status or the transfer's error text; empty for an empty answer).
struct PostFailure {
    std::string item;
    std::string detail;
};

// Why a downloaded server key was not kept.
enum class ServerKeyProblem {
    None,
    OtherFileThere,  // a different private key file is at the path
    NotWritten,      // the file could not be written
};

class CServiceClient final : public CHttpClientT {
public:
    static constexpr const char* kUserAgentFormat = "%s - build20081030-00";
    static constexpr const char* kProductName = "Tessarin";
    static constexpr const char* kHttpError = "httperror";
    static constexpr std::size_t kPublicKeyFileSize = 152;
    static constexpr std::size_t kPrivateKeyFileSize = 648;
    static constexpr std::size_t kMaxTextAnswer = 64 * 1024;

    explicit CServiceClient(IHost& host = DefaultHost());
    CServiceClient(IHost& host, const GuidSource& guidSource);

    // Base URL, user agent, StepCount 0, logged-in flag 0, busy flag 0.
    void Initialise();
    void SetBaseUrl(const std::string& url) { m_baseUrl = url; }
    const std::string& BaseUrl() const { return m_baseUrl; }
    // Only an https base URL is ever sent to; requests to any other fail
    // before a connection is made.
    bool BaseUrlAcceptable() const;
    const std::string& UserAgent() const { return m_userAgent; }

    // Stores both escaped: letters and digits stay, white space becomes "+",
    // every other byte "%XX". UTF-8 input goes out in the code page.
    void SetCredentials(const std::string& mailAddress, const std::string& password);
    const std::string& EscapedMailAddress() const { return m_mail; }
    const std::string& EscapedPassword() const { return m_password; }
    void SetPublicKeyPath(const std::filesystem::path& p) { m_publicKeyPath = p; }
    void SetServerKeyPath(const std::filesystem::path& p) { m_serverKeyPath = p; }
    const std::filesystem::path& ServerKeyPath() const { return m_serverKeyPath; }
    void SetRecipients(std::vector<std::string> v) { m_recipients = std::move(v); }
    void SetSubject(std::string s) { m_subject = std::move(s); }
    void SetMessage(std::string s) { m_message = std::move(s); }
    void SetTags(std::vector<std::string> v) { m_tags = std::move(v); }
    void SetFiles(std::vector<std::filesystem::path> v) { m_files = std::move(v); }
    const std::vector<std::filesystem::path>& Files() const { return m_files; }
    void SetEncryptor(IUploadEncryptor* e) { m_encryptor = e; }
    // Where temporary keys and encrypted uploads go; the system's by default.
    void SetTempFolder(const std::filesystem::path& p) { m_tempFolder = p; }

    // Stops every running and later request; files are no longer written.
    void Cancel();
    bool Cancelled() const { return m_cancel.load(); }
    // True once a request was cut off by Cancel.
    bool Aborted() const { return m_aborted.load(); }

    // The body of a 200 answer, else "httperror"; LastProblem() then says why.
    std::string FetchText(const std::string& url);
    // The body into buffer; received is its length. False for a status other
    // than 200, a failure, or a body longer than the buffer.
    bool FetchBinary(const std::string& url, std::span<std::uint8_t> buffer, std::size_t& received);

    // extraStepsOnFailure: steps a caller adds when the check fails, counted
    // before the failure status is set.
    bool CheckConnection(int extraStepsOnFailure = 0);
    int Login();
    void GetKeyStatus();
    std::string RegisterPublicKey();
    bool FetchPublicKey(const std::string& address, const std::filesystem::path& target);
    // 0 once the 648-byte private key file is at the server key path; a
    // different file already there is kept and gives 255.
    int DownloadServerKey();
    void UploadToMyFolder();
    void SendFilesByService();
    void TransferEncrypted();

    int StepCount() const { return m_stepCount.load(); }
    void AddStep() { m_stepCount.fetch_add(1); }
    int ServiceStatus() const { return m_status.load(); }
    void SetServiceStatus(int s) { m_status.store(s); }
    // Sets s only while the status is still 0.
    void SetServiceStatusIfOk(int s) {
        int expected = kServiceOk;
        m_status.compare_exchange_strong(expected, s);
    }
    bool LoggedIn() const { return m_loggedIn.load() != 0; }
    // Why the last GET gave no answer: "HTTP <status>" or the transfer's
    // error text; empty after an answer. Read on the worker's thread.
    const std::string& LastProblem() const { return m_lastProblem; }
    // The posts of the last file operation that failed, in order.
    const std::vector<PostFailure>& PostFailures() const { return m_postFailures; }
    ServerKeyProblem LastServerKeyProblem() const { return m_serverKeyProblem; }
    // Whole seconds the running GET has taken; 0 when none runs.
    std::uint32_t ElapsedSeconds() const;

    // The public key file's modulus, most significant byte first, as 256
    // lower-case hex digits; empty when the file is missing or malformed.
    static std::string PublicKeyHex(const std::filesystem::path& publicKeyFile);
    // The 152-byte public key file for a modulus given most significant byte
    // first as 256 hex digits; empty when the text is anything else.
    static std::vector<std::uint8_t> PublicKeyFileFromHex(std::string_view hex);
    static std::string EscapeCredential(std::string_view text);

    // The answers the last posts gave, for the finish post and for tests.
    const std::vector<std::filesystem::path>& EncryptedOutputs() const { return m_encryptedOutputs; }

private:
    struct PostAnswer {
        bool delivered = false;  // a 200 answer came back
        std::string body;
        std::string problem;
    };
    // Sends the parameters to the base URL; an answer with a status other
    // than 200 is never taken as the service's answer.
    [[nodiscard]] PostAnswer Post(bool multipart);
    // Sends the parameters and records a failure under item; the answer's
    // body when it was delivered.
    [[nodiscard]] std::optional<std::string> PostAndRecord(bool multipart, const std::string& item);
    // Refuses a URL that is not https, with LastProblem() set.
    [[nodiscard]] bool Sendable(const std::string& url);
    std::string Wire(const std::string& utf8) const;
    std::filesystem::path TempFolder() const;

    IHost& m_host;
    std::string m_baseUrl;
    std::string m_userAgent;
    std::string m_mail;
    std::string m_password;
    std::filesystem::path m_publicKeyPath;
    std::filesystem::path m_serverKeyPath;
    std::vector<std::string> m_recipients;
    std::string m_subject;
    std::string m_message;
    std::vector<std::string> m_tags;
    std::vector<std::filesystem::path> m_files;
    std::vector<std::filesystem::path> m_tempKeys;
    std::vector<std::filesystem::path> m_encryptedOutputs;
    std::filesystem::path m_tempFolder;
    IUploadEncryptor* m_encryptor = nullptr;
    std::string m_lastProblem;
    std::vector<PostFailure> m_postFailures;
    ServerKeyProblem m_serverKeyProblem = ServerKeyProblem::None;

    std::atomic<int> m_stepCount{0};
    std::atomic<int> m_status{0};
    std::atomic<int> m_loggedIn{0};
    std::atomic<bool> m_busy{false};
    std::atomic<std::uint32_t> m_startTick{0};
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_aborted{false};
};

}  // namespace tessarin
