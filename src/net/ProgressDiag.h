#pragma once
// Runs one service operation on a worker thread while a 500 ms tick follows
// its step counter: the status line, the progress position, the end of the
// run and the watchdog. The window itself belongs to the GUI; this is the
// run's logic, shown through IUserDialog.

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/LanguageTable.h"
#include "net/ServiceClient.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

enum ServiceOperation : int {
    kOpRegisterKey = 16,
    kOpFetchKey = 17,
    kOpTransferEncrypted = 18,
    kOpSendFiles = 19,
    kOpMyFolder = 20,
    kOpLogin = 21,
    kOpKeyStatus = 23,
    kOpServerKey = 255,
};

class CProgressDiag {
public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;
    static constexpr int kTimerId = 256;
    static constexpr std::chrono::milliseconds kTickPeriod{500};
    static constexpr std::uint32_t kWatchdogSeconds = 10;

    // Every status line, title and message comes from texts, which must
    // outlive the run.
    CProgressDiag(IUserDialog& ui, const LanguageTable& texts, IHost& host = DefaultHost());
    ~CProgressDiag();
    CProgressDiag(const CProgressDiag&) = delete;
    CProgressDiag& operator=(const CProgressDiag&) = delete;

    void SetCredentials(const std::string& mailAddress, const std::string& password);
    void SetPublicKeyPath(const std::filesystem::path& p) { m_client.SetPublicKeyPath(p); }
    void SetServerKeyPath(const std::filesystem::path& p) { m_client.SetServerKeyPath(p); }
    void SetServiceOperation(int code) { m_operation = code; }
    // For tests: a shorter tick than the window's 500 ms.
    void SetTickPeriod(std::chrono::milliseconds period) { m_tick = period; }

    // The client, for the inputs of the file operations and the results.
    CServiceClient& Client() { return m_client; }
    const CServiceClient& Client() const { return m_client; }

    // Runs the operation to its end; IDOK when it reached its last step,
    // IDCANCEL when the user or the watchdog stopped it. The worker has ended
    // when this returns.
    int DoModal();

    const std::string& Title() const { return m_title; }
    int ExpectedSteps() const { return m_expected; }
    bool WatchdogFired() const { return m_watchdogFired; }

    // The status line for an operation at a step; a registration that ended
    // with a status other than 0 does not claim to be complete.
    static std::string StatusLine(int operation, int step, const std::vector<std::filesystem::path>& files,
                                  const LanguageTable& texts, int status = kServiceOk);

private:
    void Worker();
    // Messages of the worker, shown on the caller's thread.
    void PostMessage(const std::string& text);
    void ShowQueuedMessages();
    void Finish();
    // The messages for what went wrong in a registration, a server key
    // download or the posts of a file operation.
    void ReportRegistration();
    void ReportServerKeyFailure();
    void ReportPostFailures();
    const std::string& Text(int slotNumber) const;
    void ShowStatus(std::string& shown, int step, int status);

    IUserDialog& m_ui;
    const LanguageTable& m_texts;
    CServiceClient m_client;
    int m_operation = 0;
    std::chrono::milliseconds m_tick = kTickPeriod;
    std::string m_title;
    int m_expected = 0;
    bool m_watchdogFired = false;
    std::thread m_worker;
    std::mutex m_messagesMutex;
    std::deque<std::string> m_messages;
};

}  // namespace tessarin
