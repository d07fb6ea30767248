#include "net/ProgressDiag.h"

#include <algorithm>
#include <cstdio>

namespace tessarin {

CProgressDiag::CProgressDiag(IUserDialog& ui, const LanguageTable& texts, IHost& host)
    : m_ui(ui), m_texts(texts), m_client(host) {}

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
    return m_texts[slotNumber];
}

std::string CProgressDiag::StatusLine(int operation, int step, const std::vector<std::filesystem::path>& files,
                                      const LanguageTable& texts, int status) {
    // The slots of steps 0 to 3; 0 for a step that shows no line.
    static constexpr int kRegister[] = {slot::kServiceConnecting, slot::kServiceConnecting, slot::kServiceRegistering,
                                        slot::kServiceRegistered};
    static constexpr int kLogin[] = {slot::kServiceCheckingConnection, slot::kServiceCheckingAccount, 0, 0};
    static constexpr int kKeyStatus[] = {slot::kServiceConnecting, slot::kServiceCheckingKey, slot::kServiceProcessing,
                                         0};
    static constexpr int kServerKey[] = {slot::kServiceConnecting, slot::kServiceCheckingStored,
                                         slot::kServiceWaitingAnswer, slot::kServiceProcessingPolite};
    if (step < 0) return {};
    const int* table = nullptr;
    switch (operation) {
        case kOpRegisterKey:
            if (step >= 3 && status != kServiceOk) return texts[slot::kServiceRegisterFailedLine];
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
            if (index >= files.size()) return texts[slot::kServiceRegisteringFiles];
            return FormatText(texts[slot::kServiceUploading], {files[index].filename().string()});
        }
        default:
            return {};
    }
    return step < 4 && table[step] != 0 ? texts[table[step]] : std::string();
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
    for (const auto& m : pending) m_ui.ShowMessage(m, MessageKind::Error, Text(slot::kProductName));
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
            PostMessage(Text(slot::kServiceSystemError));
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
                PostMessage(Text(slot::kServiceConnectFailed));
                return;
            } else {
                const int r = c.Login();
                if (c.Aborted()) return;
                if (r == 2)
                    PostMessage(Text(slot::kServiceWrongCredentials));
                else if (r == 255)
                    PostMessage(Text(slot::kServiceSystemError));
            }
            break;
        case kOpServerKey: {
            if (!c.CheckConnection()) {
                if (c.Aborted()) {
                    c.SetServiceStatusIfOk(kServiceOtherError);
                    return;
                }
                c.SetServiceStatus(kServiceUnreachable);
                PostMessage(Text(slot::kServiceConnectFailed));
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
                    PostMessage(Text(slot::kServiceWrongCredentials));
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
    const std::string line = StatusLine(m_operation, step, m_client.Files(), m_texts, status);
    if (line != shown) {
        m_ui.SetStatus(line);
        shown = line;
    }
    m_ui.SetProgress(std::min(step, std::max(m_expected, 0)));
}

int CProgressDiag::DoModal() {
    m_ui.SetStatus(Text(slot::kServiceStarting));
    m_client.Initialise();
    m_watchdogFired = false;

    bool startWorker = true;
    switch (m_operation) {
        case kOpRegisterKey:
            m_title = Text(slot::kServiceTitleRegister);
            m_expected = 3;
            break;
        case kOpFetchKey:
            m_title = Text(slot::kServiceTitleFetchKey);
            m_expected = 0;
            startWorker = false;
            break;
        case kOpTransferEncrypted:
            m_title = Text(slot::kServiceTitleTransfer);
            m_expected = 100;
            break;
        case kOpSendFiles:
            m_title = Text(slot::kServiceTitleSend);
            m_expected = static_cast<int>(m_client.Files().size()) + 1;
            break;
        case kOpMyFolder:
            m_title = Text(slot::kServiceTitleMyFolder);
            m_expected = static_cast<int>(m_client.Files().size());
            break;
        case kOpLogin:
            m_title = Text(slot::kServiceTitleLogin);
            m_expected = 2;
            break;
        case kOpKeyStatus:
            m_title = Text(slot::kServiceTitleKeyStatus);
            m_expected = 3;
            break;
        case kOpServerKey:
            m_title = Text(slot::kServiceTitleServerKey);
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
                         Text(slot::kProductName));
        return IDCANCEL;
    }
    m_ui.SetProgressRange(m_expected);
    m_ui.SetProgress(0);
    if (startWorker) m_worker = std::thread(&CProgressDiag::Worker, this);

    std::string shown = Text(slot::kServiceStarting);
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
            m_ui.ShowMessage(Text(slot::kNetworkErrorText), MessageKind::Error, Text(slot::kNetworkErrorTitle));
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
