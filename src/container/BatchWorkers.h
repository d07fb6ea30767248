#pragma once
// BatchWorkers: the threads an encryption or decryption batch runs its
// per-file work on, each with its own cipher and digest. The batch's job
// thread hands the files out in list order and takes them back in the same
// order; every question, message and commit stays on the job thread, so a
// batch with several workers says and does exactly what it does with one.
//
// A task's payload reports its chunks as a cipher's file operations do. The
// job thread hands those reports, in order, to the observer and stop check of
// the batch's own cipher (BatchTask::RelayChunks) when the batch reaches the
// file, so a front end's progress display and cancel act on the file the
// batch is at, and a stop there stops the task in the middle.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/Sha512.h"
#include "core/StreamCipher.h"
#include "platform/UserDialog.h"

namespace tessarin {

// How many workers a batch runs for a setting: the setting when above zero,
// else one per core.
[[nodiscard]] int BatchWorkerCount(int setting);

// What each worker owns.
struct WorkerTools {
    CStreamCipher cipher;
    CSHA sha;
};

// The messages a step shows while it runs on a worker, kept for the job
// thread to show in the batch's order. A step on a worker asks nothing.
class DeferredMessages final : public IUserDialog {
public:
    void ShowMessage(std::string_view text, MessageKind kind, std::string_view title) override {
        m_messages.push_back({std::string(text), std::string(title), kind});
    }
    Answer Ask(QuestionId, std::string_view, QuestionButtons, std::string_view) override { return Answer::No; }
    int AskContinue(const ContinueConfirm&) override { return ContinueConfirm::Stop; }
    void SetStatus(std::string_view) override {}
    void SetProgressRange(std::int64_t) override {}
    void SetProgress(std::int64_t) override {}
    void StepProgress(std::int64_t) override {}
    bool CancelRequested() override { return false; }

    // Shows the kept messages on dialog, in order, and forgets them.
    void ShowOn(IUserDialog& dialog);

private:
    struct Message {
        std::string text;
        std::string title;
        MessageKind kind;
    };
    std::vector<Message> m_messages;
};

// One file's work on a worker. Its work may run one observed file operation
// on the worker's cipher; the task keeps that operation's chunk reports.
class BatchTask final {
public:
    // ---- The worker's side ------------------------------------------------
    // The stop check to install on the worker's cipher for the file
    // operation: publishes the chunk just observed and says whether the job
    // thread asked the task to stop.
    [[nodiscard]] bool PublishChunk();
    bool StopRequested() const { return m_stop.load(); }
    // The work's first part is done (a decryption's reading of the record,
    // which the job thread needs before the questions about the output).
    void ReachStage();

    // ---- The job thread's side --------------------------------------------
    // Hands the chunk reports to cipher's observer and stop check as they
    // come, until the task ends. False when they stopped the file: the task
    // is asked to stop and waited for; the caller drops what it wrote.
    [[nodiscard]] bool RelayChunks(CStreamCipher& cipher);
    void RequestStop() { m_stop.store(true); }
    // Waits until the work has ended (or was dropped unstarted after a stop).
    void Wait();
    // Waits until the work has reached its stage or ended.
    void WaitStage();
    // The exception the work ended by, if any (after Wait).
    std::exception_ptr Error() const { return m_error; }

private:
    friend class BatchWorkers;
    struct Report {
        std::int64_t done;
        bool last;
    };
    void NoteChunk(std::int64_t done) {
        m_pending = done;
        m_hasPending = true;
    }
    void Finish();

    std::function<void(WorkerTools&, BatchTask&)> m_work;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Report> m_reports;
    bool m_done = false;
    bool m_staged = false;
    std::exception_ptr m_error;
    std::atomic<bool> m_stop{false};
    // The worker's own: the count of the chunk the observer saw last.
    std::int64_t m_pending = 0;
    bool m_hasPending = false;
};

// The job thread's hold on a task: work it drops is stopped and waited for.
class OwnedTask final {
public:
    OwnedTask() = default;
    explicit OwnedTask(std::shared_ptr<BatchTask> task) : m_task(std::move(task)) {}
    OwnedTask(OwnedTask&&) noexcept = default;
    OwnedTask& operator=(OwnedTask&&) noexcept = default;
    ~OwnedTask() { StopAndWait(); }
    BatchTask* operator->() const { return m_task.get(); }
    void StopAndWait() {
        if (!m_task) return;
        m_task->RequestStop();
        m_task->Wait();
    }

private:
    std::shared_ptr<BatchTask> m_task;
};

class BatchWorkers final {
public:
    explicit BatchWorkers(int count);
    ~BatchWorkers();
    BatchWorkers(const BatchWorkers&) = delete;
    BatchWorkers& operator=(const BatchWorkers&) = delete;

    using Work = std::function<void(WorkerTools&, BatchTask&)>;
    // Queues work; tasks start in the order they are submitted.
    [[nodiscard]] OwnedTask Submit(Work work);
    int Count() const { return static_cast<int>(m_threads.size()); }

private:
    void Serve();

    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<std::shared_ptr<BatchTask>> m_queue;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};

}  // namespace tessarin
