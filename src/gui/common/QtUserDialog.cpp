#include "gui/common/QtUserDialog.h"

#include <QThread>
#include <memory>

#include "gui/common/GuiText.h"

namespace tessarin::gui {

namespace {
constexpr int kFlushMilliseconds = 50;  // at most 20 view updates a second
}

CQtUserDialog::CQtUserDialog(IDialogPresenter& presenter, QObject* parent) : QObject(parent), m_presenter(presenter) {
    m_flush.setInterval(kFlushMilliseconds);
    connect(&m_flush, &QTimer::timeout, this, &CQtUserDialog::Flush);
    m_flush.start();
}

CQtUserDialog::~CQtUserDialog() {
    Abort();
}

template <class Result>
Result CQtUserDialog::OnUiThread(std::function<Result()> show, Result refused) {
    if (m_aborted.load()) return refused;
    if (QThread::currentThread() == thread()) return show();

    struct Call {
        Result result;
        bool done = false;
    };
    auto call = std::make_shared<Call>(Call{refused});
    QMetaObject::invokeMethod(
        this,
        [this, call, show = std::move(show)] {
            Result result = call->result;
            if (!m_aborted.load()) result = show();
            {
                std::lock_guard lock(m_waitMutex);
                call->result = result;
                call->done = true;
            }
            m_answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_waitMutex);
    m_answered.wait(lock, [&] { return call->done || m_aborted.load(); });
    return call->done ? call->result : refused;
}

void CQtUserDialog::ShowMessage(std::string_view text, MessageKind kind, std::string_view title) {
    MessageRequest request{std::string(text), kind, std::string(title)};
    (void)OnUiThread<bool>(
        [this, request] {
            Flush();
            m_presenter.ShowMessage(m_window, request);
            return true;
        },
        false);
}

Answer CQtUserDialog::Ask(QuestionId id, std::string_view text, QuestionButtons buttons, std::string_view title) {
    QuestionRequest request{id, std::string(text), buttons, std::string(title)};
    const auto refused = buttons == QuestionButtons::YesNo ? Answer::No : Answer::Cancel;
    return OnUiThread<Answer>(
        [this, request] {
            Flush();
            return m_presenter.Ask(m_window, request);
        },
        refused);
}

int CQtUserDialog::AskContinue(const ContinueConfirm& dialog) {
    return OnUiThread<int>(
        [this, dialog] {
            Flush();
            return m_presenter.AskContinue(m_window, dialog);
        },
        ContinueConfirm::Stop);
}

void CQtUserDialog::SetStatus(std::string_view text) {
    std::lock_guard lock(m_viewMutex);
    m_status = Qs(text);
    m_statusDirty = true;
}

void CQtUserDialog::SetProgressRange(std::int64_t total) {
    std::lock_guard lock(m_viewMutex);
    m_total = total;
    m_position = 0;
    m_progressDirty = true;
}

void CQtUserDialog::SetProgress(std::int64_t position) {
    std::lock_guard lock(m_viewMutex);
    m_position = position;
    m_progressDirty = true;
}

void CQtUserDialog::StepProgress(std::int64_t step) {
    std::lock_guard lock(m_viewMutex);
    m_position += step;
    m_progressDirty = true;
}

void CQtUserDialog::ReportBytes(std::string_view currentFile, std::int64_t done, std::int64_t total) {
    std::lock_guard lock(m_viewMutex);
    m_bytesFile = Qs(currentFile);
    m_bytesDone = done;
    m_bytesTotal = total;
    m_bytesDirty = true;
}

void CQtUserDialog::Abort() {
    m_cancel.store(true);
    {
        std::lock_guard lock(m_waitMutex);
        m_aborted.store(true);
    }
    m_answered.notify_all();
}

void CQtUserDialog::Flush() {
    QString status;
    QString bytesFile;
    std::int64_t position = 0, total = 0, bytesDone = 0, bytesTotal = 0;
    bool statusDirty = false, progressDirty = false, bytesDirty = false;
    {
        std::lock_guard lock(m_viewMutex);
        std::swap(statusDirty, m_statusDirty);
        std::swap(progressDirty, m_progressDirty);
        std::swap(bytesDirty, m_bytesDirty);
        status = m_status;
        position = m_position;
        total = m_total;
        bytesFile = m_bytesFile;
        bytesDone = m_bytesDone;
        bytesTotal = m_bytesTotal;
    }
    if (statusDirty) emit StatusChanged(status);
    if (progressDirty) emit ProgressChanged(position, total);
    if (bytesDirty) emit BytesChanged(bytesFile, bytesDone, bytesTotal);
}

}  // namespace tessarin::gui
