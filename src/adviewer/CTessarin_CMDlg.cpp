#include "adviewer/CTessarin_CMDlg.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "adviewer/CAboutDlg.h"
#include "adviewer/CAdPlayer.h"
#include "adviewer/CmPicture.h"
#include "core/LanguageTable.h"

namespace tessarin::adviewer {

CTessarin_CMDlg::CTessarin_CMDlg(const LanguageTable& texts, CmTimings timings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_texts(texts),
      m_timings(timings),
      m_player(new CAdPlayer(timings.still, timings.maxAdBytes, this)),
      m_status(new QLabel(this)),
      m_close(new QPushButton(this)),
      m_menuButton(new QToolButton(this)),
      m_menu(new QMenu(this)),
      m_aboutAction(new QAction(this)) {
    setObjectName(QStringLiteral("viewerDialog"));
    m_player->setObjectName(QStringLiteral("player"));
    m_status->setObjectName(QStringLiteral("statusText"));
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_menuButton->setObjectName(QStringLiteral("menuButton"));
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));

    const QIcon icon(QStringLiteral(":/cm/icon.png"));
    setWindowIcon(icon);
    m_menuButton->setIcon(icon);
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setMenu(m_menu);
    m_menu->addAction(m_aboutAction);
    connect(m_aboutAction, &QAction::triggered, this, &CTessarin_CMDlg::ShowAbout);
    // The key that opens a window's system menu opens this one.
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, m_menuButton, &QToolButton::showMenu);

    m_close->setEnabled(false);
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    m_status->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_menuButton);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_player, 0, Qt::AlignHCenter);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_mainTimer.setTimerType(Qt::PreciseTimer);
    m_capTimer.setSingleShot(true);
    connect(&m_mainTimer, &QTimer::timeout, this, &CTessarin_CMDlg::OnMainTimer);
    connect(&m_capTimer, &QTimer::timeout, this, &CTessarin_CMDlg::Finish);
    connect(&m_probe, &QFutureWatcher<AdSource>::finished, this, [this] { ApplySource(m_probe.result()); });
    Relabel();
}

CTessarin_CMDlg::~CTessarin_CMDlg() {
    m_abort->store(true);
    m_probe.waitForFinished();
}

void CTessarin_CMDlg::Relabel() {
    setWindowTitle(QString::fromStdString(m_texts[slot::kViewerTitle]));
    m_close->setText(QString::fromStdString(m_texts[slot::kViewerClose]));
    m_aboutAction->setText(QString::fromStdString(m_texts[slot::kViewerAboutMenu]));
    m_menuButton->setToolTip(QString::fromStdString(m_texts[slot::kViewerMenuButton]));
    m_menuButton->setAccessibleName(m_menuButton->toolTip());
    // Kept to one line's height, shown or cleared, so the window does not jump.
    m_status->setMinimumHeight(m_status->fontMetrics().height());
    m_status->setText(m_preparing ? QString::fromStdString(m_texts[slot::kViewerPreparing]) : QString());
    if (m_about) m_about->Relabel();
}

void CTessarin_CMDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started) return;
    m_started = true;
    if (const QScreen* desktop = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(desktop->availableGeometry().center());
        move(frame.topLeft());
    }
    Start();
}

void CTessarin_CMDlg::Start() {
    // The probes may take seconds: they run off the window's thread, which
    // keeps showing "preparing" meanwhile.
    m_probe.setFuture(QtConcurrent::run([abort = m_abort] { return ChooseAdSource(abort.get()); }));
}

void CTessarin_CMDlg::ApplySource(const AdSource& source) {
    m_source = source;
    m_sourceChosen = true;
    if (source.kind == AdSource::Kind::Offline)
        m_player->SetMovie(QString::fromStdString(PrepareOfflinePicture().string()));
    else
        m_player->LoadMovie(source.url);
    m_preparing = false;
    m_status->clear();
    if (source.Online()) {
        m_mainTimer.start(m_timings.poll);
        m_capTimer.start(m_timings.cap);
    } else {
        m_mainTimer.setSingleShot(true);
        m_mainTimer.start(m_timings.offline);
    }
}

void CTessarin_CMDlg::OnMainTimer() {
    if (Online() && m_player->Playing()) return;
    Finish();
}

void CTessarin_CMDlg::Finish() {
    m_close->setEnabled(true);
    m_mainTimer.stop();
    m_capTimer.stop();
    if (m_about) m_about->done(QDialog::Accepted);
    accept();
}

void CTessarin_CMDlg::ShowAbout() {
    if (!m_about) {
        m_about = new CAboutDlg(m_texts, this);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->open();
}

}  // namespace tessarin::adviewer
