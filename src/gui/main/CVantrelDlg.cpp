#include "gui/main/CVantrelDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <optional>

#include "app/HelpPage.h"
#include "gui/backup/CKeyRestoreDlg.h"
#include "gui/common/CWait.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/decrypt/DecryptCommand.h"
#include "gui/encrypt/EncryptCommand.h"
#include "gui/main/CAboutDlg.h"
#include "gui/main/CVantrelDialogMini.h"
#include "gui/main/CWorkArea.h"
#include "gui/qr/CQRCodeFuncSelDlg.h"
#include "gui/qr/CQrcodeViewDlg.h"

namespace tessarin::gui {

namespace fs = std::filesystem;

namespace {

enum Menu : int { kFileMenu, kKeysMenu, kToolsMenu, kLanguageMenu, kHelpMenu };
constexpr int kMenuTitles[] = {slot::kMenuFile, slot::kMenuKeys, slot::kMenuTools, slot::kMenuLanguage,
                               slot::kMenuHelp};

struct MenuItem {
    int menu;
    int id;  // 0: a separator
    int label;
    // False for a command whose window is not part of the program yet: it
    // is shown, but off.
    bool available;
};

constexpr MenuItem kMenuItems[] = {
    {kFileMenu, CVantrelDlg::kEncrypt, slot::kMenuEncrypt, true},
    {kFileMenu, CVantrelDlg::kDecrypt, slot::kMenuDecrypt, true},
    {kFileMenu, 0, 0, true},
    {kFileMenu, CVantrelDlg::kHistory, slot::kMenuHistory, false},  // the history view of the work list
    {kFileMenu, CVantrelDlg::kForward, slot::kMenuForward, false},  // forwarding the work list
    {kFileMenu, 0, 0, true},
    {kFileMenu, CVantrelDlg::kExit, slot::kExitCommand, true},
    {kKeysMenu, CVantrelDlg::kCreateKeySet, slot::kMenuCreateKey, false},               // key set creation
    {kKeysMenu, CVantrelDlg::kAuthenticateRequest, slot::kAuthenticateRequest, false},  // the authenticate request mail
    {kKeysMenu, CVantrelDlg::kAuthenticate, slot::kMenuAuthenticate, false},            // public key authentication
    {kKeysMenu, CVantrelDlg::kShowQrCode, slot::kShowQrCode, true},
    {kKeysMenu, CVantrelDlg::kQrFunctions, slot::kQrFuncTitle, true},
    {kKeysMenu, CVantrelDlg::kAddressBook, slot::kMenuAddressBook, false},  // the address book
    {kKeysMenu, 0, 0, true},
    {kKeysMenu, CVantrelDlg::kKeyBackup, slot::kMenuKeyBackup, true},
    {kKeysMenu, CVantrelDlg::kKeyRepair, slot::kKeyRepairTitle, true},
    {kKeysMenu, CVantrelDlg::kRestoreKey, slot::kRestoreTitle, true},
    {kToolsMenu, CVantrelDlg::kOptions, slot::kMenuOptions, false},  // the options dialog
    {kToolsMenu, CVantrelDlg::kSmallWindow, slot::kUseSmallWindow, true},
    {kLanguageMenu, CVantrelDlg::kJapanese, slot::kMenuJapanese, true},
    {kLanguageMenu, CVantrelDlg::kEnglish, slot::kMenuEnglish, true},
    {kHelpMenu, CVantrelDlg::kHelp, slot::kMenuHelpContents, true},
    {kHelpMenu, CVantrelDlg::kAbout, slot::kMenuAbout, true},
};

bool Available(int id) {
    for (const auto& item : kMenuItems)
        if (item.id == id) return item.available;
    return false;
}

// The commands that start a job or touch what a job reads: all but leaving,
// help and the About box.
bool NeedsIdle(int id) {
    return id != CVantrelDlg::kExit && id != CVantrelDlg::kHelp && id != CVantrelDlg::kAbout;
}

bool NeedsKeySet(int id) {
    return id == CVantrelDlg::kEncrypt || id == CVantrelDlg::kDecrypt || id == CVantrelDlg::kShowQrCode ||
           id == CVantrelDlg::kQrFunctions || id == CVantrelDlg::kKeyBackup || id == CVantrelDlg::kKeyRepair;
}

// Where a key list item keeps its key file.
constexpr int kKeyFileRole = Qt::UserRole;

fs::path KeyFileOf(const QListWidgetItem& item) {
    const auto bytes = item.data(kKeyFileRole).toByteArray();
    return fs::path(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QByteArray KeyFileData(const fs::path& file) {
    const auto& text = file.native();
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

template <class Widget>
Widget* Named(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The central pane: our own picture behind the controls, scaled to cover.
class BackgroundPane final : public QWidget {
public:
    explicit BackgroundPane(QWidget* parent) : QWidget(parent), m_picture(QStringLiteral(":/gui/background.png")) {
        setObjectName(QStringLiteral("background"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_picture.isNull()) return;
        QPainter painter(this);
        const auto scaled = m_picture.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
        painter.drawPixmap(QRect(QPoint(0, 0), scaled), m_picture);
    }

private:
    QPixmap m_picture;
};

}  // namespace

CVantrelDlg::CVantrelDlg(GuiContext& context, QWidget* parent) : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("CVantrelDlg"));
    setWindowIcon(QIcon(QStringLiteral(":/gui/icon.png")));
    BuildMenu();
    BuildControls();
    BuildTray();

    connect(&m_context.language, &CLanguageBinding::Changed, this, &CVantrelDlg::Relabel);
    connect(&m_context.jobs, &CJobRunner::BusyChanged, this, &CVantrelDlg::OnBusyChanged);
    connect(&m_context.dialog, &CQtUserDialog::ProgressChanged, this, &CVantrelDlg::ShowProgress);
    connect(&m_context.dialog, &CQtUserDialog::StatusChanged, m_status, &QLabel::setText);
    m_context.dialog.SetWindow(this);

    Relabel();
    RefreshKeyLists();
    UpdateCommands();
    resize(sizeHint().expandedTo(QSize(960, 640)));
}

CVantrelDlg::~CVantrelDlg() {
    if (m_context.dialog.Window() == this) m_context.dialog.SetWindow(nullptr);
}

// ---- Building ---------------------------------------------------------------

void CVantrelDlg::BuildMenu() {
    std::vector<QMenu*> menus;
    for (const int title : kMenuTitles) {
        auto* menu = menuBar()->addMenu(QString());
        menu->setObjectName(QStringLiteral("menu%1").arg(title));
        m_menus.emplace_back(menu, title);
        menus.push_back(menu);
    }
    m_languages = new QActionGroup(this);
    m_languages->setExclusive(true);
    for (const auto& item : kMenuItems) {
        auto* menu = menus[static_cast<std::size_t>(item.menu)];
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        auto* action = menu->addAction(QString());
        action->setObjectName(QStringLiteral("command%1").arg(item.id));
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_commands[id] = action;
    }
    for (const int id : {kJapanese, kEnglish}) {
        m_commands[id]->setCheckable(true);
        m_languages->addAction(m_commands[id]);
    }
    m_commands[kExit]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
}

void CVantrelDlg::BuildControls() {
    auto* pane = new BackgroundPane(this);
    setCentralWidget(pane);

    m_work = new CWorkArea(m_context, pane);
    connect(m_work, &CWorkArea::EncryptForSelfRequested, this, &CVantrelDlg::EncryptForSelf);
    connect(m_work, &CWorkArea::DecryptRequested, this, &CVantrelDlg::DecryptFromContextMenu);
    connect(m_work, &CWorkArea::WipeRequested, this, &CVantrelDlg::WipeFromContextMenu);

    m_candidateCaption = Named<QLabel>(pane, "candidateCaption");
    m_candidates = Named<QListWidget>(pane, "candidateKeys");
    m_choose = Named<QPushButton>(pane, "chooseKeys");
    m_unchoose = Named<QPushButton>(pane, "unchooseKeys");
    m_chosenCaption = Named<QLabel>(pane, "chosenCaption");
    m_chosenList = Named<QListWidget>(pane, "chosenKeys");
    for (auto* list : {m_candidates, m_chosenList}) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_mail = Named<QCheckBox>(pane, "mailSwitch");
    m_detail = Named<QCheckBox>(pane, "detailSwitch");
    m_addressBook = Named<QPushButton>(pane, "addressBook");
    m_progress = Named<QProgressBar>(pane, "progress");
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_status = Named<QLabel>(this, "statusText");
    statusBar()->addWidget(m_status, 1);

    connect(m_choose, &QPushButton::clicked, this, [this] { ChooseKeys(m_candidates->selectedItems()); });
    connect(m_unchoose, &QPushButton::clicked, this, [this] { UnchooseKeys(m_chosenList->selectedItems()); });
    connect(m_candidates, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { ChooseKeys({item}); });
    connect(m_chosenList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { UnchooseKeys({item}); });
    m_mail->setChecked(m_context.core.settings.tzaSendMailCheck != 0);
    connect(m_mail, &QCheckBox::toggled, this,
            [this](bool on) { m_context.core.settings.tzaSendMailCheck = on ? 1 : 0; });
    m_detail->setChecked(m_context.core.State().optionsCheckBox);
    connect(m_detail, &QCheckBox::toggled, this, [this](bool on) { m_context.core.State().optionsCheckBox = on; });

    auto* moves = new QHBoxLayout;
    moves->addStretch(1);
    moves->addWidget(m_choose);
    moves->addWidget(m_unchoose);
    moves->addStretch(1);
    auto* switches = new QHBoxLayout;
    switches->addWidget(m_mail);
    switches->addWidget(m_detail);
    switches->addStretch(1);
    switches->addWidget(m_addressBook);
    auto* keys = new QVBoxLayout;
    keys->addWidget(m_candidateCaption);
    keys->addWidget(m_candidates, 1);
    keys->addLayout(moves);
    keys->addWidget(m_chosenCaption);
    keys->addWidget(m_chosenList, 1);
    keys->addLayout(switches);
    auto* halves = new QHBoxLayout;
    halves->addWidget(m_work, 3);
    halves->addLayout(keys, 2);
    auto* layout = new QVBoxLayout(pane);
    layout->addLayout(halves, 1);
    layout->addWidget(m_progress);
}

void CVantrelDlg::BuildTray() {
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    m_trayShow = m_trayMenu->addAction(QString());
    m_trayShow->setObjectName(QStringLiteral("trayShow"));
    m_trayExit = m_trayMenu->addAction(QString());
    m_trayExit->setObjectName(QStringLiteral("trayExit"));
    connect(m_trayShow, &QAction::triggered, this, &CVantrelDlg::ShowFromTray);
    connect(m_trayExit, &QAction::triggered, this, [this] { OnCommand(kExit); });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) ShowFromTray();
    });
    m_tray->show();
}

// ---- Texts ------------------------------------------------------------------

void CVantrelDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kProductName));
    for (auto& [menu, title] : m_menus) menu->setTitle(Text(texts, title));
    for (const auto& item : kMenuItems)
        if (item.id != 0) SetMenuText(*m_commands.at(item.id), texts[item.label]);
    const bool english = m_context.language.Current() == LanguageTable::Language::English;
    m_commands.at(english ? kEnglish : kJapanese)->setChecked(true);

    struct Caption {
        QWidget* control;
        int text;
        int tip;  // 0: none
    };
    const Caption captions[] = {
        {m_candidateCaption, slot::kCandidateKeys, 0},
        {m_chosenCaption, slot::kChosenKeys, 0},
        {m_candidates, 0, slot::kTipCandidateKeys},
        {m_chosenList, 0, slot::kTipChosenKeys},
        {m_choose, slot::kChooseKeys, slot::kTipChooseKeys},
        {m_unchoose, slot::kUnchooseKeys, slot::kTipUnchooseKeys},
        {m_mail, slot::kMailSwitch, slot::kTipMailSwitch},
        {m_detail, slot::kDetailSwitch, slot::kTipDetailSwitch},
        {m_addressBook, slot::kMenuAddressBook, slot::kTipAddressBook},
    };
    for (const auto& c : captions) {
        if (c.text != 0) {
            if (auto* label = qobject_cast<QLabel*>(c.control))
                label->setText(Text(texts, c.text));
            else if (auto* button = qobject_cast<QAbstractButton*>(c.control))
                button->setText(Text(texts, c.text));
        }
        if (c.tip != 0) c.control->setToolTip(Text(texts, c.tip));
    }
    m_work->Relabel();
    FillKeyLists();

    m_trayShow->setText(Text(texts, slot::kTrayShow));
    m_trayExit->setText(Text(texts, slot::kExitCommand));
    if (m_tray != nullptr) m_tray->setToolTip(Text(texts, slot::kProductName));
}

QAction* CVantrelDlg::CommandAction(int id) const {
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

// ---- Commands ---------------------------------------------------------------

void CVantrelDlg::OnCommand(int id) {
    const auto* action = CommandAction(id);
    if (action != nullptr && !action->isEnabled()) return;
    switch (id) {
        case kEncrypt:
            Encrypt();
            break;
        case kDecrypt:
            Decrypt();
            break;
        case kExit:
            close();
            break;
        case kHelp:
            (void)m_context.desktop.OpenUrl(QUrl(QString::fromLatin1(kHelpPageUrl)));
            break;
        case kAbout:
            ShowAbout();
            break;
        case kJapanese:
            SwitchLanguage(LanguageTable::Language::Japanese);
            break;
        case kEnglish:
            SwitchLanguage(LanguageTable::Language::English);
            break;
        case kSmallWindow:
            if (!RunSmallWindow()) close();
            break;
        case kShowQrCode: {
            CQrcodeViewDlg view(m_context, this);
            view.exec();
            break;
        }
        case kQrFunctions: {
            CQRCodeFuncSelDlg functions(m_context, m_context.core.QrWorkingBitmapPath(), this);
            functions.exec();
            break;
        }
        case kRestoreKey: {
            CKeyRestoreDlg restore(m_context, this);
            restore.exec();
            break;
        }
        case kKeyBackup:
        case kKeyRepair:
            RunKeyJob(id);
            break;
        default:
            break;
    }
}

void CVantrelDlg::RunKeyJob(int id) {
    auto& core = m_context.core;
    if (id == kKeyBackup) {
        (void)m_context.jobs.Run<BackupResult>([&core] { return core.BackupKey(true); }, {});
    } else {
        (void)m_context.jobs.Run<JobResult>([&core] { return core.RequestKeyRepair(); }, {});
    }
}

void CVantrelDlg::UpdateCommands() {
    const bool idle = !m_context.jobs.Busy();
    const bool keys = m_context.core.HasKeySet();
    for (auto& [id, action] : m_commands) {
        bool on = Available(id);
        if (NeedsIdle(id)) on = on && idle;
        if (NeedsKeySet(id)) on = on && keys;
        action->setEnabled(on);
    }
    for (auto* control : std::initializer_list<QWidget*>{m_choose, m_unchoose, m_candidates, m_chosenList})
        control->setEnabled(idle);
    // The address book's window is not part of the program yet.
    m_addressBook->setEnabled(false);
    m_work->SetCommandsEnabled(idle);
}

void CVantrelDlg::OnBusyChanged(bool busy) {
    UpdateCommands();
    if (busy) {
        if (m_wait == nullptr && isVisible()) {
            auto& dialog = m_context.dialog;
            m_wait = new CWait(
                m_context.Texts(), [&dialog] { dialog.RequestCancel(); }, this);
            m_wait->setAttribute(Qt::WA_DeleteOnClose);
            m_wait->show();
        }
    } else if (m_wait != nullptr) {
        m_wait->close();
    }
}

void CVantrelDlg::Encrypt() {
    if (m_chosen.empty()) {
        m_context.dialog.ShowMessage(m_context.Texts()[slot::kNoRecipientChosen], MessageKind::Warning, {});
        return;
    }
    auto files = FilesOfWorkList();
    if (!files || files->empty()) return;
    m_work->ClearWorkList();
    auto recipients = std::move(m_chosen);
    m_chosen.clear();
    FillKeyLists();
    (void)StartEncryptCommand(m_context, this, {EncryptMode::Options, std::move(*files), std::move(recipients)},
                              [this](const JobResult&) { AfterJob(); });
}

void CVantrelDlg::Decrypt() {
    auto files = FilesOfWorkList();
    if (!files) return;
    (void)StartDecryptCommand(m_context, this, {DecryptCommandMode::Command, std::move(*files)},
                              [this](const JobResult&) { AfterJob(); });
}

std::optional<std::vector<fs::path>> CVantrelDlg::FilesOfWorkList() {
    if (m_context.jobs.Busy()) return std::nullopt;
    auto expansion = m_work->Expand();
    if (expansion.cancelled) return std::nullopt;
    return std::move(expansion.files);
}

void CVantrelDlg::EncryptForSelf() {
    auto files = FilesOfWorkList();
    if (!files || files->empty()) return;
    (void)StartEncryptCommand(m_context, this, {EncryptMode::Self, std::move(*files), {}},
                              [this](const JobResult&) { AfterJob(); });
}

void CVantrelDlg::DecryptFromContextMenu() {
    auto files = FilesOfWorkList();
    if (!files || files->empty()) return;
    (void)StartDecryptCommand(m_context, this, {DecryptCommandMode::ContextMenu, std::move(*files)},
                              [this](const JobResult&) { AfterJob(); });
}

void CVantrelDlg::WipeFromContextMenu() {
    auto files = FilesOfWorkList();
    if (!files || files->empty()) return;
    auto& core = m_context.core;
    auto& dialog = m_context.dialog;
    (void)m_context.jobs.Run<JobResult>([&core, files = std::move(*files)] { return core.Wipe(files); },
                                        [this, &core, &dialog](JobResult result) {
                                            if (const auto text = core.RefusalText(result); !text.empty())
                                                dialog.ShowMessage(text, MessageKind::Warning, {});
                                            AfterJob();
                                        });
}

void CVantrelDlg::AfterJob() {
    RefreshKeyLists();
    m_work->Refresh();
}

void CVantrelDlg::SwitchLanguage(LanguageTable::Language language) {
    // The choice reaches Values.dat with the next settings write.
    m_context.core.settings.languageSel = language == LanguageTable::Language::English ? "EN" : "JP";
    m_context.language.Switch(language);
}

void CVantrelDlg::ShowAbout() {
    CAboutDlg about(m_context.Texts(), this);
    connect(&m_context.language, &CLanguageBinding::Changed, &about, &CAboutDlg::Relabel);
    about.exec();
}

void CVantrelDlg::ShowFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void CVantrelDlg::closeEvent(QCloseEvent* event) {
    if (m_wait != nullptr) m_wait->close();
    if (m_tray != nullptr) m_tray->hide();
    event->accept();
    emit Closed();
}

// ---- The small window -------------------------------------------------------

bool CVantrelDlg::RunSmallWindow() {
    auto& settings = m_context.core.settings;
    settings.useSmallMenu = 1;
    const bool wasShown = isVisible();
    const QRect place = geometry();
    hide();
    ResetState();
    {
        CVantrelDialogMini mini(m_context);
        connect(&mini, &CVantrelDialogMini::AboutRequested, &mini, [this, &mini] {
            CAboutDlg about(m_context.Texts(), &mini);
            about.exec();
        });
        mini.exec();
    }
    m_context.dialog.SetWindow(this);
    if (settings.useSmallMenu == 1) return false;
    show();
    if (wasShown) setGeometry(place);
    ResetState();
    return true;
}

void CVantrelDlg::ResetState() {
    auto& state = m_context.core.State();
    state.files.clear();
    state.folders.clear();
    m_chosen.clear();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_status->clear();
    m_work->Refresh();
    RefreshKeyLists();
}

void CVantrelDlg::ShowProgress(qint64 position, qint64 total) {
    if (total <= 0) {
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        return;
    }
    // The bar counts in int: large totals are shown in steps.
    constexpr qint64 kLargest = std::numeric_limits<int>::max();
    const qint64 step = total / kLargest + 1;
    m_progress->setRange(0, static_cast<int>(total / step));
    m_progress->setValue(static_cast<int>(std::clamp<qint64>(position, 0, total) / step));
}

// ---- Key lists --------------------------------------------------------------

void CVantrelDlg::RefreshKeyLists() {
    m_rows.clear();
    if (m_context.core.HasKeySet() && !m_context.core.JobRunning()) {
        for (auto& row : m_context.core.ListKeys())
            if (row.auth) m_rows.push_back(std::move(row));
    }
    // A chosen key that is no longer listed is no longer chosen.
    std::erase_if(m_chosen, [this](const fs::path& file) {
        return std::none_of(m_rows.begin(), m_rows.end(), [&](const KeyRow& row) { return row.file == file; });
    });
    FillKeyLists();
}

QString CVantrelDlg::KeyLabel(const KeyRow& row) const {
    // The own self auth key stands for oneself.
    if (row.file.filename() == m_context.core.SelfAuthKeyPath().filename())
        return Text(m_context.Texts(), slot::kSelfRecipient);
    return Qs(row.columns[0]);
}

void CVantrelDlg::FillKeyLists() {
    m_candidates->clear();
    m_chosenList->clear();
    auto add = [this](QListWidget& list, const KeyRow& row) {
        auto* item = new QListWidgetItem(KeyLabel(row), &list);
        item->setData(kKeyFileRole, KeyFileData(row.file));
        item->setToolTip(Qs(row.columns[0]) + u'\n' + Qs(row.columns[1]) + u'\n' + Qs(row.columns[2]));
    };
    for (const auto& row : m_rows)
        if (std::find(m_chosen.begin(), m_chosen.end(), row.file) == m_chosen.end()) add(*m_candidates, row);
    for (const auto& file : m_chosen) {
        const auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const KeyRow& row) { return row.file == file; });
        if (it != m_rows.end()) add(*m_chosenList, *it);
    }
}

void CVantrelDlg::ChooseKeys(const QList<QListWidgetItem*>& items) {
    if (m_context.jobs.Busy()) return;
    std::vector<fs::path> files;
    for (const auto* item : items) files.push_back(KeyFileOf(*item));
    for (const auto& file : files) {
        if (std::find(m_chosen.begin(), m_chosen.end(), file) != m_chosen.end()) continue;
        if (const auto refusal = m_context.core.RecipientRefusal(file); !refusal.empty()) {
            m_context.dialog.ShowMessage(refusal, MessageKind::Warning, {});
            continue;
        }
        m_chosen.push_back(file);
    }
    FillKeyLists();
}

void CVantrelDlg::UnchooseKeys(const QList<QListWidgetItem*>& items) {
    if (m_context.jobs.Busy()) return;
    std::vector<fs::path> files;
    for (const auto* item : items) files.push_back(KeyFileOf(*item));
    std::erase_if(m_chosen,
                  [&](const fs::path& file) { return std::find(files.begin(), files.end(), file) != files.end(); });
    FillKeyLists();
}

}  // namespace tessarin::gui
