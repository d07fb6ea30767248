#pragma once
// The job runner: runs each use case on its one worker thread while the
// windows stay responsive, one job at a time. A window starts a job with
// Start (or Run, which hands the job's result to `done`); while Busy the
// commands that would start another are disabled (BusyChanged). The job's
// questions and messages reach the UI through CQtUserDialog; `done` runs on
// the UI thread after the job has ended.

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

class CQtUserDialog;

class CJobRunner final : public QObject {
    Q_OBJECT
public:
    CJobRunner(CQtUserDialog& dialog, const LanguageTable& texts, QObject* parent = nullptr);
    // Aborts the dialog's waits and the running job's loops, then waits for
    // the worker to end.
    ~CJobRunner() override;

    bool Busy() const { return m_busy; }

    // Runs job on the worker thread, then done on the UI thread. Refused
    // (false, nothing started) while another job runs. The cancel flag is
    // cleared before the job starts.
    bool Start(std::function<void()> job, std::function<void()> done = {});

    template <class Result>
    bool Run(std::function<Result()> job, std::function<void(Result)> done) {
        auto result = std::make_shared<std::optional<Result>>();
        return Start([result, job = std::move(job)] { result->emplace(job()); },
                     [result, done = std::move(done)] {
                         if (done && result->has_value()) done(std::move(**result));
                     });
    }

    // Stops the worker: waits for the job in progress after aborting it.
    void Shutdown();

signals:
    void BusyChanged(bool busy);
    void Finished();

private:
    void Done(const std::function<void()>& done);

    CQtUserDialog& m_dialog;
    const LanguageTable& m_texts;
    QThread m_thread;
    QObject* m_worker = nullptr;  // lives on m_thread
    bool m_busy = false;
};

}  // namespace tessarin::gui
