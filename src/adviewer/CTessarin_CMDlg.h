#pragma once
// CTessarin_CMDlg: the viewer's window. Topmost and centred, it shows
// "preparing" while the advertisement source is chosen, plays the
// advertisement and closes itself: from the first address when the movie
// stops or at the cap, otherwise after the offline time. Escape and the
// window's close command do nothing; the close button is enabled only as the
// window closes. The version box is reached through the menu button (or
// Alt+Space), which stands in for the title bar's system menu.

#include <QDialog>
#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>

#include "adviewer/AdSource.h"
#include "adviewer/CAboutDlg.h"

class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QAction;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::adviewer {

class CAdPlayer;

struct CmTimings {
    std::chrono::milliseconds poll{1};        // "still playing" checks, online
    std::chrono::milliseconds cap{30000};     // the longest online showing
    std::chrono::milliseconds offline{5000};  // the showing otherwise
    std::chrono::milliseconds still{5000};    // a still picture's play time
    std::size_t maxAdBytes = kMaxAdBytes;
};

class CTessarin_CMDlg final : public QDialog {
    Q_OBJECT

public:
    CTessarin_CMDlg(const LanguageTable& texts, CmTimings timings = {}, QWidget* parent = nullptr);
    ~CTessarin_CMDlg() override;
    Q_DISABLE_COPY(CTessarin_CMDlg)

    void Relabel();

    // The source chosen, once the probes are done.
    bool SourceChosen() const { return m_sourceChosen; }
    const AdSource& Source() const { return m_source; }
    bool Online() const { return m_source.Online(); }
    CAdPlayer* Player() const { return m_player; }
    CAboutDlg* About() const { return m_about; }

public slots:
    // Escape and the window's close command: nothing happens.
    void reject() override {}
    void ShowAbout();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Start();
    void ApplySource(const AdSource& source);
    void OnMainTimer();
    void Finish();

    const LanguageTable& m_texts;
    CmTimings m_timings;
    CAdPlayer* m_player;
    QLabel* m_status;
    QPushButton* m_close;
    QToolButton* m_menuButton;
    QMenu* m_menu;
    QAction* m_aboutAction;
    QPointer<CAboutDlg> m_about;
    QTimer m_mainTimer;  // polling online, the offline time otherwise
    QTimer m_capTimer;
    bool m_started = false;
    bool m_preparing = true;
    bool m_sourceChosen = false;
    AdSource m_source;
    std::shared_ptr<std::atomic<bool>> m_abort = std::make_shared<std::atomic<bool>>(false);
    QFutureWatcher<AdSource> m_probe;
};

}  // namespace tessarin::adviewer
