#pragma once
// The desktop's IUserDialog. A job calls it on the worker thread; messages
// and questions are carried to the UI thread, shown there by the presenter,
// and the worker waits for the answer. Status and progress are kept here and
// handed to the windows at most 20 times a second as signals. Called on the
// UI thread itself, everything happens at once.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "gui/common/DialogPresenter.h"
#include "platform/UserDialog.h"

namespace tessarin::gui {

class CQtUserDialog final : public QObject, public IUserDialog {
    Q_OBJECT
public:
    // Lives on the thread that makes it: the UI thread.
    explicit CQtUserDialog(IDialogPresenter& presenter, QObject* parent = nullptr);
    ~CQtUserDialog() override;

    // The window message boxes belong to (the active main window).
    void SetWindow(QWidget* window) { m_window = window; }
    QWidget* Window() const { return m_window; }

    void ShowMessage(std::string_view text, MessageKind kind, std::string_view title) override;
    Answer Ask(QuestionId id, std::string_view text, QuestionButtons buttons, std::string_view title) override;
    int AskContinue(const ContinueConfirm& dialog) override;

    void SetStatus(std::string_view text) override;
    void SetProgressRange(std::int64_t total) override;
    void SetProgress(std::int64_t position) override;
    void StepProgress(std::int64_t step) override;
    void ReportBytes(std::string_view currentFile, std::int64_t done, std::int64_t total) override;
    bool CancelRequested() override { return m_cancel.load(); }

    // The wait window's Cancel (any thread).
    void RequestCancel() { m_cancel.store(true); }
    void ClearCancel() { m_cancel.store(false); }
    // Shutdown: a question waiting for the UI thread, and every one asked
    // from now on, gets the refusing answer (No, Cancel, stop) without a
    // window, and the cancel flag is set.
    void Abort();
    bool Aborted() const { return m_aborted.load(); }
    // Hands pending status and progress to the windows now (UI thread).
    void Flush();

signals:
    void StatusChanged(const QString& text);
    void ProgressChanged(qint64 position, qint64 total);
    void BytesChanged(const QString& file, qint64 done, qint64 total);

private:
    // Runs show on the UI thread and waits for it; `refused` when aborted.
    template <class Result>
    Result OnUiThread(std::function<Result()> show, Result refused);

    IDialogPresenter& m_presenter;
    QPointer<QWidget> m_window;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_aborted{false};

    // Waiting workers, woken by an answer or by Abort.
    std::mutex m_waitMutex;
    std::condition_variable m_answered;

    // Pending view state, coalesced by the timer.
    std::mutex m_viewMutex;
    QString m_status;
    std::int64_t m_position = 0;
    std::int64_t m_total = 0;
    QString m_bytesFile;
    std::int64_t m_bytesDone = 0;
    std::int64_t m_bytesTotal = 0;
    bool m_statusDirty = false;
    bool m_progressDirty = false;
    bool m_bytesDirty = false;
    QTimer m_flush;
};

}  // namespace tessarin::gui
