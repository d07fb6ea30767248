#include "gui/common/JobRunner.h"

#include <exception>
#include <optional>
#include <string>

#include "core/LanguageTable.h"
#include "gui/common/QtUserDialog.h"

namespace tessarin::gui {

CJobRunner::CJobRunner(CQtUserDialog& dialog, const LanguageTable& texts, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_texts(texts) {
    m_thread.setObjectName(QStringLiteral("job"));
    m_worker = new QObject;  // owned by the thread's finished signal below
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

CJobRunner::~CJobRunner() {
    Shutdown();
}

void CJobRunner::Shutdown() {
    if (!m_thread.isRunning()) return;
    m_dialog.Abort();
    m_thread.quit();
    m_thread.wait();
}

bool CJobRunner::Start(std::function<void()> job, std::function<void()> done) {
    if (m_busy || !m_thread.isRunning()) return false;
    m_busy = true;
    m_dialog.ClearCancel();
    emit BusyChanged(true);
    QMetaObject::invokeMethod(
        m_worker,
        [this, job = std::move(job), done = std::move(done)] {
            std::optional<std::string> failure;
            try {
                job();
            } catch (const std::exception& e) {
                failure = e.what();
            } catch (...) {
                failure = std::string();
            }
            if (failure) {
                m_dialog.ShowMessage(FormatText(m_texts[slot::kUnexpectedError], {*failure}), MessageKind::Error, {});
            }
            QMetaObject::invokeMethod(
                this, [this, done] { Done(done); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void CJobRunner::Done(const std::function<void()>& done) {
    m_dialog.Flush();
    m_busy = false;
    emit BusyChanged(false);
    if (done) done();
    emit Finished();
}

}  // namespace tessarin::gui
