#pragma once
// Drives the modal windows a command opens one after another: each planned
// action runs once the modal window of its object name is the active one,
// inside that window's own event loop. A modal dialog nobody planned for is
// closed (rejected) after two seconds and named in `unexpected`, so that a
// test fails instead of waiting for a person.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>

namespace tessarin::test {

class ModalDriver {
public:
    using Action = std::function<void(QWidget*)>;

    ModalDriver() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }
    // Runs action on the next modal window named objectName.
    void Then(const QString& objectName, Action action) { m_plan.push_back({objectName, std::move(action)}); }
    // The windows still waited for (their names).
    QStringList Pending() const {
        QStringList out;
        for (const auto& step : m_plan) out << step.name;
        return out;
    }
    QStringList seen;        // the windows acted on, in order
    QStringList unexpected;  // the windows closed unplanned

private:
    struct Step {
        QString name;
        Action action;
    };
    void Poll() {
        if (m_running) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            m_strangerPolls = 0;
            return;
        }
        if (m_plan.empty() || modal->objectName() != m_plan.front().name) {
            if (++m_strangerPolls < 400) return;
            m_strangerPolls = 0;
            unexpected << modal->objectName();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            return;
        }
        m_strangerPolls = 0;
        Step step = std::move(m_plan.front());
        m_plan.pop_front();
        seen << step.name;
        m_running = true;
        step.action(modal);
        m_running = false;
    }

    std::deque<Step> m_plan;
    QTimer m_timer;
    bool m_running = false;
    int m_strangerPolls = 0;
};

}  // namespace tessarin::test
