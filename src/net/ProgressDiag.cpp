#include "net/ProgressDiag.h"

#include <algorithm>
#include <cstdio>

#include "net/ServiceTexts.h"

namespace tessarin {

namespace text = service_text;

namespace {

const LanguageTable& JapaneseTexts() {
    static const LanguageTable table = [] {
        LanguageTable t;
        t.FillJapanese();
        return t;
    }();
    return table;
}

const std::string& TableText(const LanguageTable* texts, int slotNumber) {
    return (texts ? *texts : JapaneseTexts()).Text(slotNumber);
}

}  // namespace

CProgressDiag::CProgressDiag(IUserDialog& ui, IHost& host) : m_ui(ui), m_client(host) {}

CProgressDiag::~CProgressDiag() {
    if (m_worker.joinable()) {
        m_client.Cancel();
        m_worker.join();
    }
}

void CProgressDiag::SetCredentials(const std::string& mailAddress, const std::string& password) {
    m_client.SetCredentials(mailAddress, password);
}

const std::string& CProgressDiag::Text(int slotNumber) const {
    return TableText(m_texts, slotNumber);
}

std::string CProgressDiag::StatusLine(int operation, int step, const std::vector<std::filesystem::path>& files,
                                      int status, const LanguageTable* texts) {
    static const char* const kRegister[] = {text::kConnecting, text::kConnecting, text::kRegistering,
                                            text::kRegistered};
    static const char* const kLogin[] = {text::kCheckingConnection, text::kCheckingAccount, "", ""};
    static const char* const kKeyStatus[] = {text::kConnecting, text::kCheckingKey, text::kProcessing, ""};
    static const char* const kServerKey[] = {text::kConnecting, text::kCheckingStored, text::kWaitingAnswer,
                                             text::kProcessingPolite};
    if (step < 0) return {};
    const char* const* table = nullptr;
    switch (operation) {
        case kOpRegisterKey:
            if (step >= 3 && status != kServiceOk) return TableText(texts, slot::kServiceRegisterFailedLine);
            table = kRegister;
            break;
        case kOpLogin:
            table = kLogin;
            break;
        case kOpKeyStatus:
            table = kKeyStatus;
            break;
        case kOpServerKey:
            table = kServerKey;
            break;
        case kOpSendFiles:
        case kOpMyFolder: {
            const auto index = static_cast<std::size_t>(step);
            if (index >= files.size()) return text::kRegisteringFiles;
            const std::string name = files[index].filename().string();
            std::string line = text::kUploadingFormat;
            line.replace(line.find("%s"), 2, name);
            return line;
        }
        default:
            return {};
    }
    return step < 4 ? table[step] : std::string();
}

void CProgressDiag::PostMessage(const std::string& message) {
    std::lock_guard<std::mutex> lock(m_messagesMutex);
    m_messages.emplace_back(message);
}

void CProgressDiag::ShowQueuedMessages() {
    std::deque<std::string> pending;
    {
        std::lock_guard<std::mutex> lock(m_messagesMutex);
        pending.swap(m_messages);
    }
    for (const auto& m : pending) m_ui.ShowMessage(m, MessageKind::Error, text::kProductTitle);
}

void CProgressDiag::ReportRegistration() {
    const CServiceClient& c = m_client;
    // A missing key file sent nothing and made no step: the run waits for
    // the user, as it always has.
    if (c.Aborted() || c.StepCount() < m_expected) return;
    if (c.ServiceStatus() == kServiceDbError)
        PostMessage(FormatText(Text(slot::kServiceRegisterFailed), {c.LastProblem()}));
    else if (c.ServiceStatus() != kServiceOk)
        PostMessage(Text(slot::kServiceRegisterRefused));
}

void CProgressDiag::ReportServerKeyFailure() {
    const std::string path = m_client.ServerKeyPath().string();
    switch (m_client.LastServerKeyProblem()) {
        case ServerKeyProblem::OtherFileThere:
            PostMessage(FormatText(Text(slot::kServerKeyOtherFileThere), {path}));
            break;
        case ServerKeyProblem::NotWritten:
            PostMessage(FormatText(Text(slot::kServerKeyNotWritten), {path}));
            break;
        case ServerKeyProblem::None:
            PostMessage(text::kSystemError);
            break;
    }
}

void CProgressDiag::ReportPostFailures() {
    if (m_client.Aborted() || m_client.Cancelled()) return;
    for (const auto& f : m_client.PostFailures()) {
        const std::string detail = f.detail.empty() ? Text(slot::kServiceEmptyAnswer) : f.detail;
        if (f.item.empty())
            PostMessage(FormatText(Text(slot::kServiceFinishFailed), {detail}));
        else
            PostMessage(FormatText(Text(slot::kServicePostFailed), {f.item, detail}));
    }
}

void CProgressDiag::Worker() {
    CServiceClient& c = m_client;
    switch (m_operation) {
        case kOpRegisterKey:
            if (c.CheckConnection()) {
                (void)c.RegisterPublicKey();
                ReportRegistration();
            }
            break;
        case kOpTransferEncrypted:
            c.TransferEncrypted();
            ReportPostFailures();
            break;
        case kOpSendFiles:
            c.SendFilesByService();
            ReportPostFailures();
            break;
        case kOpMyFolder:
            c.UploadToMyFolder();
            ReportPostFailures();
            break;
        case kOpKeyStatus:
            if (c.CheckConnection()) c.GetKeyStatus();
            break;
        case kOpLogin:
            if (!c.CheckConnection(1)) {
                if (c.Aborted()) return;
                PostMessage(text::kConnectFailed);
                return;
            } else {
                const int r = c.Login();
                if (c.Aborted()) return;
                if (r == 2)
                    PostMessage(text::kWrongCredentials);
                else if (r == 255)
                    PostMessage(text::kSystemError);
            }
            break;
        case kOpServerKey: {
            if (!c.CheckConnection()) {
                if (c.Aborted()) {
                    c.SetServiceStatusIfOk(kServiceOtherError);
                    return;
                }
                c.SetServiceStatus(kServiceUnreachable);
                PostMessage(text::kConnectFailed);
                return;
            }
            const int r = c.DownloadServerKey();
            if (c.Aborted()) {
                // Stopped mid-way: never report a key that was not written.
                if (r != kServiceOk) c.SetServiceStatusIfOk(kServiceOtherError);
                return;
            }
            switch (r) {
                case 0:
                    c.SetServiceStatus(kServiceOk);
                    break;
                case 2:
                    c.SetServiceStatus(kServiceRejected);
                    PostMessage(text::kWrongCredentials);
                    break;
                case 4:
                    c.SetServiceStatus(kServiceNoKey);
                    break;
                case 5:
                    c.SetServiceStatus(kServiceKeyRegistered);
                    break;
                default:
                    c.SetServiceStatus(kServiceOtherError);
                    ReportServerKeyFailure();
                    break;
            }
            break;
        }
        default:
            break;
    }
}

void CProgressDiag::Finish() {
    if (m_worker.joinable()) m_worker.join();
    ShowQueuedMessages();
}

void CProgressDiag::ShowStatus(std::string& shown, int step, int status) {
    const std::string line = StatusLine(m_operation, step, m_client.Files(), status, m_texts);
    if (line != shown) {
        m_ui.SetStatus(line);
        shown = line;
    }
    m_ui.SetProgress(std::min(step, std::max(m_expected, 0)));
}

int CProgressDiag::DoModal() {
    m_ui.SetStatus(text::kStarting);
    m_client.Initialise();
    m_watchdogFired = false;

    bool startWorker = true;
    switch (m_operation) {
        case kOpRegisterKey:
            m_title = text::kTitleRegister;
            m_expected = 3;
            break;
        case kOpFetchKey:
            m_title = text::kTitleFetchKey;
            m_expected = 0;
            startWorker = false;
            break;
        case kOpTransferEncrypted:
            m_title = text::kTitleTransfer;
            m_expected = 100;
            break;
        case kOpSendFiles:
            m_title = text::kTitleSend;
            m_expected = static_cast<int>(m_client.Files().size()) + 1;
            break;
        case kOpMyFolder:
            m_title = text::kTitleMyFolder;
            m_expected = static_cast<int>(m_client.Files().size());
            break;
        case kOpLogin:
            m_title = text::kTitleLogin;
            m_expected = 2;
            break;
        case kOpKeyStatus:
            m_title = text::kTitleKeyStatus;
            m_expected = 3;
            break;
        case kOpServerKey:
            m_title = text::kTitleServerKey;
            m_expected = 4;
            break;
        default:
            m_title.clear();
            m_expected = 0;
            startWorker = false;
            break;
    }
    // The login and every key travel only over https: another service URL is
    // refused before anything is sent.
    if (startWorker && !m_client.BaseUrlAcceptable()) {
        m_client.SetServiceStatus(kServiceUnreachable);
        m_ui.ShowMessage(FormatText(Text(slot::kServiceUrlNotHttps), {m_client.BaseUrl()}), MessageKind::Error,
                         text::kProductTitle);
        return IDCANCEL;
    }
    m_ui.SetProgressRange(m_expected);
    m_ui.SetProgress(0);
    if (startWorker) m_worker = std::thread(&CProgressDiag::Worker, this);

    std::string shown = text::kStarting;
    for (;;) {
        std::this_thread::sleep_for(m_tick);
        ShowQueuedMessages();
        // The status is read before the step count: the worker writes them in
        // the other order, so a failure status comes with its final steps.
        const int status = m_client.ServiceStatus();
        const int step = m_client.StepCount();
        if (step >= m_expected) {
            // The last line shows the outcome, which is final once the
            // worker has ended.
            Finish();
            ShowStatus(shown, m_client.StepCount(), m_client.ServiceStatus());
            return IDOK;
        }
        ShowStatus(shown, step, status);
        const bool hung = m_client.ElapsedSeconds() > kWatchdogSeconds;
        if (hung || status == kServiceUnreachable) {
            if (hung) m_client.SetServiceStatusIfOk(kServiceUnreachable);
            m_watchdogFired = true;
            m_client.Cancel();
            Finish();
            m_ui.ShowMessage(text::kNetworkErrorText, MessageKind::Error, text::kNetworkErrorTitle);
            return IDCANCEL;
        }
        if (m_ui.CancelRequested()) {
            m_client.Cancel();
            Finish();
            return IDCANCEL;
        }
    }
}

}  // namespace tessarin
