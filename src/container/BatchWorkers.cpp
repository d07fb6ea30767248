#include "container/BatchWorkers.h"

#include <algorithm>

namespace tessarin {

int BatchWorkerCount(int setting) {
    if (setting > 0) return setting;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void DeferredMessages::ShowOn(IUserDialog& dialog) {
    for (const auto& m : m_messages) dialog.ShowMessage(m.text, m.kind, m.title);
    m_messages.clear();
}

bool BatchTask::PublishChunk() {
    {
        std::lock_guard lock(m_mutex);
        m_reports.push_back({m_pending, false});
        m_hasPending = false;
    }
    m_changed.notify_all();
    return m_stop.load();
}

void BatchTask::Finish() {
    {
        std::lock_guard lock(m_mutex);
        if (m_hasPending) m_reports.push_back({m_pending, true});
        m_hasPending = false;
        m_done = true;
    }
    m_changed.notify_all();
}

void BatchTask::ReachStage() {
    {
        std::lock_guard lock(m_mutex);
        m_staged = true;
    }
    m_changed.notify_all();
}

void BatchTask::WaitStage() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_staged || m_done; });
}

void BatchTask::Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
}

bool BatchTask::RelayChunks(CStreamCipher& cipher) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_reports.empty() || m_done; });
        if (m_reports.empty()) return true;
        const Report report = m_reports.front();
        m_reports.pop_front();
        lock.unlock();
        const bool go = cipher.ReportChunk(report.done, report.last);
        if (!go) {
            RequestStop();
            // As a stopped file operation does: the count so far, observed once more.
            (void)cipher.ReportChunk(report.done, true);
            Wait();
            return false;
        }
        lock.lock();
    }
}

BatchWorkers::BatchWorkers(int count) {
    for (int i = 0; i < std::max(1, count); ++i) m_threads.emplace_back([this] { Serve(); });
}

BatchWorkers::~BatchWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        // Work not started is dropped; whoever waits for it is released.
        for (auto& task : m_queue) task->Finish();
        m_queue.clear();
    }
    m_queued.notify_all();
    for (auto& t : m_threads) t.join();
}

OwnedTask BatchWorkers::Submit(Work work) {
    auto task = std::make_shared<BatchTask>();
    task->m_work = std::move(work);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(task);
    }
    m_queued.notify_one();
    return OwnedTask(std::move(task));
}

void BatchWorkers::Serve() {
    WorkerTools tools;
    for (;;) {
        std::shared_ptr<BatchTask> task;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty()) return;
            task = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (!task->StopRequested()) {
            BatchTask& t = *task;
            tools.cipher.SetChunkObserver([&t](std::int64_t done) {
                t.NoteChunk(done);
                return true;
            });
            try {
                t.m_work(tools, t);
            } catch (...) {
                t.m_error = std::current_exception();
            }
            tools.cipher.SetChunkObserver(CStreamCipher::ChunkObserver{});
            tools.cipher.Clear(false);
        }
        task->m_work = nullptr;
        task->Finish();
    }
}

}  // namespace tessarin
