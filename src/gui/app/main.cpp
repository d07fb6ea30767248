// Tessarin, the desktop program: fills the language table as the settings
// say, opens the key set the settings name and runs the main window, or the
// small window first when the settings ask for it. Closing the main window
// ends the program after the job in progress has been stopped.

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdlib>

#include "app/AppCore.h"
#include "app/MailMessage.h"
#include "gui/common/DialogPresenter.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/main/CVantrelDlg.h"
#include "platform/Host.h"

using namespace tessarin;
using namespace tessarin::gui;

namespace {

// Milliseconds after start at which $TESSARIN_EXIT_AFTER_START (set for the
// program's start test) gives the Exit command.
constexpr int kExitAfterStartMs = 500;

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program ends with the main window, not with its last window: the
    // small window runs while the main window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/gui/icon.png")));

    LanguageTable texts;
    texts.FillJapanese();
    CQtDialogPresenter presenter(texts);
    CQtUserDialog dialog(presenter);
    SpawnMailLauncher mail;
    AppCore core(DefaultHost(), dialog, texts, mail);
    core.LoadSettings();
    CLanguageBinding language(texts);
    language.Switch(core.settings.English() ? LanguageTable::Language::English : LanguageTable::Language::Japanese);
    QApplication::setApplicationDisplayName(Text(texts, slot::kProductName));
    const bool keySet = core.UseKeySetFromSettings();

    CJobRunner jobs(dialog, texts);
    CQtFileChooser chooser;
    CQtDesktop desktop;
    GuiContext context{core, language, dialog, jobs, chooser, desktop};
    CVantrelDlg window(context);
    QObject::connect(&window, &CVantrelDlg::Closed, &app, &QApplication::quit);

    if (!keySet) {
        // Every command that needs a key set is off until there is one.
        window.show();
        dialog.ShowMessage(texts[slot::kNoKeySetAtStart], MessageKind::Warning, {});
    } else if (core.settings.useSmallMenu == 1) {
        if (!window.RunSmallWindow()) {
            jobs.Shutdown();
            return 0;
        }
    } else {
        window.show();
    }
    if (std::getenv("TESSARIN_EXIT_AFTER_START") != nullptr) {
        QTimer::singleShot(kExitAfterStartMs, &window, [&window] {
            if (auto* exit = window.CommandAction(CVantrelDlg::kExit)) exit->trigger();
        });
    }
    const int status = QApplication::exec();
    jobs.Shutdown();
    return status;
}
