#include "gui/main/CVantrelDialogMini.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "app/SmallWindow.h"
#include "app/WebPages.h"
#include "gui/common/DropPaths.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/SlotMessage.h"

namespace tessarin::gui {

namespace fs = std::filesystem;

namespace {

// Paths a message lists at most.
constexpr std::size_t kListedPaths = 10;

// Steps run one after another: each starts a job and calls `next` when it
// has ended; a step that started nothing hands over at once.
class StepChain final : public std::enable_shared_from_this<StepChain> {
public:
    using Step = std::function<bool(std::function<void()>)>;
    StepChain(std::vector<Step> steps, std::function<void()> finish)
        : m_steps(std::move(steps)), m_finish(std::move(finish)) {}

    void Advance() {
        while (m_next < m_steps.size()) {
            auto self = shared_from_this();
            if (m_steps[m_next++]([self] { self->Advance(); })) return;
        }
        if (m_finish) std::exchange(m_finish, nullptr)();
    }

private:
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    std::function<void()> m_finish;
};

}  // namespace

struct CVantrelDialogMini::Widgets {
    QMenuBar* menuBar = nullptr;
    QMenu* settingsMenu = nullptr;
    QAction* option = nullptr;
    QAction* japanese = nullptr;
    QAction* english = nullptr;
    QAction* about = nullptr;
    QAction* help = nullptr;
    QLabel* dropHint = nullptr;
    QPushButton* file = nullptr;
    QPushButton* files = nullptr;
    QPushButton* maximize = nullptr;
    QPushButton* registerKey = nullptr;
    QPushButton* webHome = nullptr;
    QPushButton* webSupport = nullptr;
    QPushButton* webFaq = nullptr;
    bool handling = false;
};

CVantrelDialogMini::CVantrelDialogMini(GuiContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_ui(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("CVantrelDialogMini"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    m_commands.encrypt = [this](EncryptCommandRequest request, std::function<void(const JobResult&)> done) {
        return StartEncryptCommand(m_context, this, std::move(request), std::move(done));
    };
    m_commands.decrypt = [this](DecryptCommandRequest request, std::function<void(const JobResult&)> done) {
        return StartDecryptCommand(m_context, this, std::move(request), std::move(done));
    };
    Build();
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CVantrelDialogMini::Relabel);
    connect(&m_context.jobs, &CJobRunner::BusyChanged, this, &CVantrelDialogMini::SetBusy);
    Relabel();
    SetBusy(m_context.jobs.Busy());
    Place();
}

CVantrelDialogMini::~CVantrelDialogMini() = default;

void CVantrelDialogMini::Build() {
    auto& ui = *m_ui;
    ui.menuBar = new QMenuBar(this);
    ui.menuBar->setObjectName(QStringLiteral("menuBar"));
    ui.settingsMenu = ui.menuBar->addMenu(QString());
    ui.settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    const auto action = [&](const char* name) {
        auto* a = ui.settingsMenu->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    ui.option = action("optionAction");
    // The options dialog is not part of this program yet.
    ui.option->setEnabled(false);
    ui.settingsMenu->addSeparator();
    ui.japanese = action("japaneseAction");
    ui.english = action("englishAction");
    auto* languages = new QActionGroup(this);
    for (auto* a : {ui.japanese, ui.english}) {
        a->setCheckable(true);
        languages->addAction(a);
    }
    ui.settingsMenu->addSeparator();
    ui.about = action("aboutAction");
    ui.help = action("helpAction");

    ui.dropHint = new QLabel(this);
    ui.dropHint->setObjectName(QStringLiteral("dropHint"));
    ui.dropHint->setWordWrap(true);
    ui.dropHint->setAlignment(Qt::AlignCenter);
    ui.dropHint->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ui.dropHint->setMinimumHeight(ui.dropHint->fontMetrics().height() * 4);
    ui.dropHint->setMargin(ui.dropHint->fontMetrics().height() / 2);

    const auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    ui.file = button("fileButton");
    ui.files = button("filesButton");
    ui.maximize = button("maximizeButton");
    ui.registerKey = button("registerButton");
    // The registration window is not part of this program yet.
    ui.registerKey->setEnabled(false);
    ui.webHome = button("webHomeButton");
    ui.webSupport = button("webSupportButton");
    ui.webFaq = button("webFaqButton");

    auto* grid = new QGridLayout;
    grid->addWidget(ui.file, 0, 0);
    grid->addWidget(ui.files, 0, 1);
    grid->addWidget(ui.maximize, 1, 0);
    grid->addWidget(ui.registerKey, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    auto* pages = new QHBoxLayout;
    for (auto* b : {ui.webHome, ui.webSupport, ui.webFaq}) pages->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(ui.menuBar);
    layout->addWidget(ui.dropHint, 1);
    layout->addLayout(grid);
    layout->addLayout(pages);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    connect(ui.file, &QPushButton::clicked, this, [this] { ChooseFiles(false); });
    connect(ui.files, &QPushButton::clicked, this, [this] { ChooseFiles(true); });
    connect(ui.maximize, &QPushButton::clicked, this, &CVantrelDialogMini::SwitchToFullWindow);
    connect(ui.japanese, &QAction::triggered, this, [this] { SwitchLanguage(false); });
    connect(ui.english, &QAction::triggered, this, [this] { SwitchLanguage(true); });
    connect(ui.about, &QAction::triggered, this, &CVantrelDialogMini::AboutRequested);
    const auto page = [this](QObject* sender, MakerPage which) {
        const auto open = [this, which] { m_context.desktop.OpenUrl(QUrl(Qs(MakerPageUrl(which)))); };
        if (auto* a = qobject_cast<QAction*>(sender))
            connect(a, &QAction::triggered, this, open);
        else if (auto* b = qobject_cast<QPushButton*>(sender))
            connect(b, &QPushButton::clicked, this, open);
    };
    page(ui.help, MakerPage::Help);
    page(ui.webHome, MakerPage::Home);
    page(ui.webSupport, MakerPage::Support);
    page(ui.webFaq, MakerPage::Faq);
}

void CVantrelDialogMini::Relabel() {
    const auto& texts = m_context.Texts();
    auto& ui = *m_ui;
    setWindowTitle(Text(texts, slot::kProductName));
    ui.settingsMenu->setTitle(Text(texts, slot::kMiniSettingsMenu));
    ui.option->setText(Text(texts, slot::kMenuOptions));
    ui.japanese->setText(Text(texts, slot::kMenuJapanese));
    ui.english->setText(Text(texts, slot::kMenuEnglish));
    ui.about->setText(Text(texts, slot::kMenuAbout));
    ui.help->setText(Text(texts, slot::kMenuHelpContents));
    const bool english = m_context.language.Current() == LanguageTable::Language::English;
    ui.english->setChecked(english);
    ui.japanese->setChecked(!english);
    ui.dropHint->setText(Text(texts, slot::kMiniDropHint));
    ui.file->setText(Text(texts, slot::kMiniChooseFile));
    ui.files->setText(Text(texts, slot::kMiniChooseFiles));
    ui.maximize->setText(Text(texts, slot::kMiniMaximize));
    ui.registerKey->setText(Text(texts, slot::kMiniRegisterKey));
    ui.webHome->setText(Text(texts, slot::kMiniWebHome));
    ui.webSupport->setText(Text(texts, slot::kMiniWebSupport));
    ui.webFaq->setText(Text(texts, slot::kMiniWebFaq));
}

void CVantrelDialogMini::SetCommands(Commands commands) {
    m_commands = std::move(commands);
}

void CVantrelDialogMini::HandlePaths(const std::vector<fs::path>& paths) {
    if (m_ui->handling || m_context.jobs.Busy() || paths.empty()) return;
    m_ui->handling = true;
    m_context.dialog.ClearCancel();
    const auto drop = ClassifySmallWindowDrop(paths, m_context.core.State().privateKeyPath, [this] {
        QCoreApplication::processEvents();
        return m_context.dialog.CancelRequested();
    });
    m_ui->handling = false;
    if (!drop.tooLong.empty()) ShowMessage(slot::kPathTooLong);
    if (!drop.unshowable.empty()) ShowMessage(slot::kPathsNotShowable, PathLines(drop.unshowable));
    if (!drop.missing.empty()) ShowMessage(slot::kFileVanished, PathText(drop.missing.front()).toStdString());
    for (const auto& folder : drop.unreadable) ShowMessage(slot::kFolderNotOpened, PathText(folder).toStdString());
    if (drop.cancelled) return;

    auto& core = m_context.core;
    // A use case of the core as a step: its refusal is told, then the next.
    const auto job = [this](std::function<JobResult()> run) -> StepChain::Step {
        return [this, run = std::move(run)](std::function<void()> next) {
            return m_context.jobs.Run<JobResult>(run, [this, next](JobResult result) {
                if (const auto text = m_context.core.RefusalText(result); !text.empty())
                    m_context.dialog.ShowMessage(text, MessageKind::Warning, {});
                next();
            });
        };
    };
    std::vector<StepChain::Step> steps;
    if (drop.backupPrivateKey)
        steps.push_back(job([&core] {
            // The backup's own messages have told how it ended; only a refusal is left.
            JobResult result;
            result.status = core.BackupKey().status;
            return result;
        }));
    if (!drop.registerKeys.empty())
        steps.push_back(job([&core, keys = drop.registerKeys] { return core.RegisterKeys(keys); }));
    if (!drop.decrypt.empty()) {
        steps.push_back([this, files = drop.decrypt](std::function<void()> next) {
            return m_commands.decrypt({DecryptCommandMode::SmallWindow, files}, [next](const JobResult&) { next(); });
        });
    }
    if (!drop.encrypt.empty()) {
        const auto mode = core.settings.ddSelfEncrypt != 0 ? EncryptMode::Self : EncryptMode::Command;
        steps.push_back([this, mode, files = drop.encrypt](std::function<void()> next) {
            return m_commands.encrypt({mode, files, {}}, [next](const JobResult&) { next(); });
        });
    }
    // The window may have ended before the last job did.
    auto chain = std::make_shared<StepChain>(std::move(steps), [window = QPointer<CVantrelDialogMini>(this)] {
        if (window) window->ApplyTopmost();
    });
    chain->Advance();
}

void CVantrelDialogMini::Place() {
    const auto& settings = m_context.core.settings;
    adjustSize();
    if (const QScreen* here = screen()) {
        const QRect area = here->availableGeometry();
        const QRect frame = frameGeometry();
        const auto place =
            SmallWindowPlace(settings.smallMenuPosition, {area.x(), area.y(), area.width(), area.height()},
                             frame.width(), frame.height(), {settings.smallMenuPositionX, settings.smallMenuPositionY});
        move(place.x, place.y);
    }
    ApplyTopmost();
}

void CVantrelDialogMini::ApplyTopmost() {
    const bool on = m_context.core.settings.smallMenuTopmost != 0;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();
}

void CVantrelDialogMini::ChooseFiles(bool multiple) {
    const auto& texts = m_context.Texts();
    ChooserRequest request;
    request.title = Text(texts, slot::kSelectFilesTitle);
    request.filter = Text(texts, slot::kAllFilesFilter);
    const auto files = m_context.chooser.OpenFiles(this, request, multiple);
    if (!files.empty()) HandlePaths(files);
}

void CVantrelDialogMini::SwitchToFullWindow() {
    m_context.core.settings.useSmallMenu = 0;
    done(QDialog::Accepted);
}

void CVantrelDialogMini::SwitchLanguage(bool english) {
    m_context.core.settings.languageSel = english ? "EN" : "JP";
    m_context.language.Switch(english ? LanguageTable::Language::English : LanguageTable::Language::Japanese);
}

void CVantrelDialogMini::SetBusy(bool busy) {
    auto& ui = *m_ui;
    for (auto* b : {ui.file, ui.files, ui.maximize}) b->setEnabled(!busy);
    setAcceptDrops(!busy);
}

void CVantrelDialogMini::ShowMessage(int slotNumber, const std::string& argument) {
    ShowSlotMessage(m_context, slotNumber, MessageKind::Warning, argument);
}

void CVantrelDialogMini::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void CVantrelDialogMini::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_context.jobs.Busy() && event->mimeData() && CarriesPaths(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CVantrelDialogMini::dropEvent(QDropEvent* event) {
    if (!event->mimeData()) return;
    event->acceptProposedAction();
    HandlePaths(DroppedPaths(*event->mimeData()));
}

void CVantrelDialogMini::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && windowState().testFlag(Qt::WindowMaximized)) {
        // The maximise box shows the full window instead.
        setWindowState(windowState() & ~Qt::WindowMaximized);
        QTimer::singleShot(0, this, &CVantrelDialogMini::SwitchToFullWindow);
    }
}

void CVantrelDialogMini::done(int result) {
    const QPoint at = pos();
    (void)m_context.core.SaveSmallWindowPosition(at.x(), at.y());
    QDialog::done(result);
}

}  // namespace tessarin::gui
