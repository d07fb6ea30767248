// The main window: its menu in the product's words and both languages, the
// recipient lists, a whole encryption and decryption driven through it, its
// commands while a job runs, the small window switch, the About box, the
// help page, the tray menu and the progress bar.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <fstream>
#include <sstream>

#include "GuiHarness.h"
#include "gui/common/CWait.h"
#include "gui/common/GuiText.h"
#include "gui/main/CAboutDlg.h"
#include "gui/main/CVantrelDialogMini.h"
#include "gui/main/CVantrelDlg.h"
#include "gui/main/CWorkArea.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

QString Label(const CVantrelDlg& window, int id) {
    return window.CommandAction(id)->text();
}

// Every title and label of the menu bar, in order.
QStringList MenuLabels(CVantrelDlg& window) {
    QStringList out;
    for (auto* top : window.menuBar()->actions()) {
        out << top->text();
        if (top->menu() == nullptr) continue;
        for (auto* item : top->menu()->actions())
            if (!item->isSeparator()) out << item->text() + u'|' + item->shortcut().toString();
    }
    return out;
}

QListWidget& List(CVantrelDlg& window, const char* name) {
    return *window.findChild<QListWidget*>(QString::fromLatin1(name));
}

QStringList Items(QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

void DoubleClick(QListWidget& list, int row) {
    const auto at = list.visualItemRect(list.item(row)).center();
    // The view takes a double-click on the item its press went to.
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

void Click(CVantrelDlg& window, const char* button) {
    QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

// Shows the window and makes it the active one, so that its accelerators work.
void ShowActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// The windows a command shows on its way (options, file choices) are taken
// as they come, with OK; the test checks what ends up on disk.
class ModalAcceptor {
public:
    ModalAcceptor() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theMenuCarriesTheProductsWordsAndTheirAccelerators() {
        GuiHarness h;
        CVantrelDlg window(*h.context);
        struct Case {
            int id;
            const char* label;
            QKeySequence keys;
        };
        const Case japanese[] = {
            {CVantrelDlg::kEncrypt, "暗号化", QKeySequence(Qt::CTRL | Qt::Key_E)},
            {CVantrelDlg::kDecrypt, "復号化", QKeySequence(Qt::CTRL | Qt::Key_D)},
            {CVantrelDlg::kAddressBook, "宛先リスト", {}},
            {CVantrelDlg::kHistory, "ファイルの履歴表示", {}},
            {CVantrelDlg::kCreateKeySet, "鍵セット生成", {}},
            {CVantrelDlg::kAuthenticate, "公開鍵認証", {}},
            {CVantrelDlg::kForward, "ファイルを転送", {}},
            {CVantrelDlg::kOptions, "各種設定", {}},
            {CVantrelDlg::kKeyBackup, "鍵のバックアップ", {}},
            {CVantrelDlg::kAuthenticateRequest, "Authenticate request", {}},
            {CVantrelDlg::kShowQrCode, "Show QR-Code", {}},
            {CVantrelDlg::kExit, "Exit", QKeySequence(Qt::CTRL | Qt::Key_X)},
            {CVantrelDlg::kHelp, "目次", {}},
            {CVantrelDlg::kJapanese, "日本語", {}},
            {CVantrelDlg::kEnglish, "English", {}},
            {CVantrelDlg::kSmallWindow, "ミニ工房を利用する", {}},
        };
        for (const auto& c : japanese) {
            QCOMPARE(Label(window, c.id), QString::fromUtf8(c.label));
            QCOMPARE(window.CommandAction(c.id)->shortcut(), c.keys);
        }
        QVERIFY(window.CommandAction(CVantrelDlg::kJapanese)->isChecked());
        // The key set creation comes just before the authenticate request.
        auto* keysMenu =
            qobject_cast<QMenu*>(window.CommandAction(CVantrelDlg::kAuthenticateRequest)->associatedObjects().value(0));
        QVERIFY(keysMenu != nullptr);
        const auto keyItems = keysMenu->actions();
        QCOMPARE(keyItems.indexOf(window.CommandAction(CVantrelDlg::kCreateKeySet)) + 1,
                 keyItems.indexOf(window.CommandAction(CVantrelDlg::kAuthenticateRequest)));
        // Commands whose windows are not part of the program yet are shown, but off.
        for (const int id :
             {CVantrelDlg::kCreateKeySet, CVantrelDlg::kAuthenticateRequest, CVantrelDlg::kAuthenticate,
              CVantrelDlg::kAddressBook, CVantrelDlg::kHistory, CVantrelDlg::kForward, CVantrelDlg::kOptions})
            QVERIFY2(!window.CommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
        for (const int id :
             {CVantrelDlg::kEncrypt, CVantrelDlg::kDecrypt, CVantrelDlg::kExit, CVantrelDlg::kHelp, CVantrelDlg::kAbout,
              CVantrelDlg::kJapanese, CVantrelDlg::kEnglish, CVantrelDlg::kSmallWindow, CVantrelDlg::kShowQrCode,
              CVantrelDlg::kQrFunctions, CVantrelDlg::kKeyBackup, CVantrelDlg::kKeyRepair, CVantrelDlg::kRestoreKey})
            QVERIFY2(window.CommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!window.findChild<QPushButton*>("addressBook")->isEnabled());
        QCOMPARE(window.findChild<QPushButton*>("addressBook")->text(), QStringLiteral("宛先リスト"));
        QCOMPARE(window.findChild<QCheckBox*>("mailSwitch")->text(), QStringLiteral("メール添付"));
        QCOMPARE(window.findChild<QCheckBox*>("detailSwitch")->text(), QStringLiteral("詳細設定"));
        QCOMPARE(window.findChild<QPushButton*>("chooseKeys")->text(), QStringLiteral(">>>"));
        QCOMPARE(window.findChild<QPushButton*>("unchooseKeys")->text(), QStringLiteral("<<<"));
        QCOMPARE(window.findChild<QLabel*>("candidateCaption")->text(), QStringLiteral("暗号化する相手候補一覧"));
        QCOMPARE(window.findChild<QLabel*>("chosenCaption")->text(), QStringLiteral("今回の暗号化相手"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Tessarin"));
        QVERIFY(!window.findChild<QListWidget*>("candidateKeys")->toolTip().isEmpty());
    }

    void switchingTheLanguageTwiceReturnsEveryLabelAndWritesNoSettings() {
        GuiHarness h;
        const auto settingsFile = SettingsFilePath();
        const std::string settingsBefore = ReadAll(settingsFile);
        CVantrelDlg window(*h.context);
        const QStringList first = MenuLabels(window);
        const QString firstTip = window.findChild<QPushButton*>("chooseKeys")->toolTip();

        window.CommandAction(CVantrelDlg::kEnglish)->trigger();
        struct Case {
            int id;
            const char* label;
        };
        const Case english[] = {
            {CVantrelDlg::kEncrypt, "&Encryption"},
            {CVantrelDlg::kDecrypt, "&Decryption"},
            {CVantrelDlg::kAddressBook, "KeyChain List"},
            {CVantrelDlg::kHistory, "Show File Logs"},
            {CVantrelDlg::kCreateKeySet, "Create Key"},
            {CVantrelDlg::kSmallWindow, "Use Mini size Menu"},
            {CVantrelDlg::kExit, "Exit"},
        };
        for (const auto& c : english) QCOMPARE(Label(window, c.id), QString::fromUtf8(c.label));
        QCOMPARE(window.CommandAction(CVantrelDlg::kEncrypt)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QVERIFY(window.CommandAction(CVantrelDlg::kEnglish)->isChecked());
        QVERIFY(!window.CommandAction(CVantrelDlg::kJapanese)->isChecked());
        QCOMPARE(window.findChild<QLabel*>("candidateCaption")->text(),
                 QStringLiteral("List of candidates for encryption"));
        QCOMPARE(window.findChild<QLabel*>("chosenCaption")->text(),
                 QStringLiteral("Selected candidates for encryption"));
        QCOMPARE(Items(List(window, "candidateKeys")), QStringList{"(for oneself)"});
        QVERIFY(MenuLabels(window) != first);
        QCOMPARE(h.core->settings.languageSel, std::string("EN"));

        window.CommandAction(CVantrelDlg::kJapanese)->trigger();
        QCOMPARE(MenuLabels(window), first);
        QCOMPARE(window.findChild<QPushButton*>("chooseKeys")->toolTip(), firstTip);
        window.CommandAction(CVantrelDlg::kEnglish)->trigger();
        window.CommandAction(CVantrelDlg::kJapanese)->trigger();
        QCOMPARE(MenuLabels(window), first);
        QVERIFY(window.CommandAction(CVantrelDlg::kJapanese)->isChecked());
        QCOMPARE(Items(List(window, "candidateKeys")), QStringList{"(自分用)"});
        // The choice reaches Values.dat only with the next settings write.
        QCOMPARE(ReadAll(settingsFile), settingsBefore);
    }

    void encryptingWithoutARecipientSaysSoAndKeepsTheWorkList() {
        GuiHarness h;
        const auto file = h.WorkFolder("plain") / "a.txt";
        test::WriteText(file, "alpha");
        CVantrelDlg window(*h.context);
        window.WorkArea().AddPaths({file});
        ShowActive(window);
        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"暗号化相手が設定されていません。"}));
        QCOMPARE(window.WorkArea().Entries(), (std::vector<fs::path>{file}));
        QVERIFY(!h.jobs->Busy());
        QVERIFY(!fs::exists(file.string() + ".tza"));
    }

    void aFileIsEncryptedAndDecryptedThroughTheMainWindow() {
        GuiHarness h;
        ModalAcceptor acceptor;
        const auto folder = h.WorkFolder("round");
        const auto file = folder / "report.txt";
        const std::string content = "the quarterly figures\n\x01\x02\xff binary tail";
        test::WriteText(file, content);
        CVantrelDlg window(*h.context);
        ShowActive(window);
        window.WorkArea().AddPaths({file});

        auto& candidates = List(window, "candidateKeys");
        QCOMPARE(Items(candidates), QStringList{"(自分用)"});
        DoubleClick(candidates, 0);
        QCOMPARE(Items(List(window, "chosenKeys")), QStringList{"(自分用)"});
        QCOMPARE(window.ChosenKeys().size(), std::size_t{1});

        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(h.WaitIdle());
        const fs::path container = folder / "report.txt.tza";
        QVERIFY2(fs::exists(container), "no container written");
        QVERIFY(ReadAll(container) != content);
        // The work list and the chosen recipients were used up.
        QVERIFY(window.WorkArea().Entries().empty());
        QVERIFY(window.ChosenKeys().empty());
        QCOMPARE(Items(candidates), QStringList{"(自分用)"});

        fs::rename(file, folder / "original.txt");
        window.WorkArea().AddPaths({container});
        ShowActive(window);  // the wait window had the focus
        QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(h.WaitIdle());
        QVERIFY2(fs::exists(file), "nothing decrypted");
        QCOMPARE(ReadAll(file), content);
    }

    void commandsThatStartAJobAreOffWhileOneRuns() {
        GuiHarness h;
        CVantrelDlg window(*h.context);
        window.show();
        std::atomic<bool> release{false};
        QVERIFY(h.jobs->Start([&] {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }));
        const int starters[] = {CVantrelDlg::kEncrypt, CVantrelDlg::kDecrypt, CVantrelDlg::kJapanese,
                                CVantrelDlg::kEnglish, CVantrelDlg::kSmallWindow};
        for (const int id : starters) QVERIFY2(!window.CommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
        for (const char* name : {"chooseKeys", "unchooseKeys"})
            QVERIFY(!window.findChild<QPushButton*>(name)->isEnabled());
        QVERIFY(!List(window, "candidateKeys").isEnabled());
        QVERIFY(window.CommandAction(CVantrelDlg::kExit)->isEnabled());
        QVERIFY(window.CommandAction(CVantrelDlg::kAbout)->isEnabled());
        // A second encryption by its accelerator does nothing meanwhile.
        window.CommandAction(CVantrelDlg::kEncrypt)->trigger();
        QVERIFY(h.presenter.shown.empty());

        auto* wait = window.findChild<CWait*>();
        QVERIFY(wait != nullptr && wait->isVisible());
        QTest::mouseClick(wait->findChild<QPushButton*>("cancel"), Qt::LeftButton);
        QVERIFY(h.dialog->CancelRequested());
        release.store(true);
        QVERIFY(h.WaitIdle());
        QTRY_VERIFY(window.findChild<CWait*>() == nullptr);
        for (const int id : starters) QVERIFY2(window.CommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(List(window, "candidateKeys").isEnabled());
    }

    void keysMoveBetweenTheListsBothWays() {
        GuiHarness h;
        CVantrelDlg window(*h.context);
        window.show();
        auto& candidates = List(window, "candidateKeys");
        auto& chosen = List(window, "chosenKeys");
        QCOMPARE(Items(candidates), QStringList{"(自分用)"});
        QVERIFY(chosen.count() == 0);

        candidates.item(0)->setSelected(true);
        Click(window, "chooseKeys");
        QCOMPARE(candidates.count(), 0);
        QCOMPARE(Items(chosen), QStringList{"(自分用)"});
        QCOMPARE(window.ChosenKeys(), (std::vector<fs::path>{h.core->SelfAuthKeyPath()}));

        chosen.item(0)->setSelected(true);
        Click(window, "unchooseKeys");
        QCOMPARE(Items(candidates), QStringList{"(自分用)"});
        QCOMPARE(chosen.count(), 0);

        DoubleClick(candidates, 0);
        QCOMPARE(Items(chosen), QStringList{"(自分用)"});
        DoubleClick(chosen, 0);
        QCOMPARE(Items(candidates), QStringList{"(自分用)"});
        QVERIFY(window.ChosenKeys().empty());
        QVERIFY(h.presenter.shown.empty());
    }

    void aKeyThatNoLongerOpensIsNotChosen() {
        struct Case {
            const char* what;
            bool remove;  // else: only the public key part is left
            const char* message;
        };
        const Case cases[] = {
            {"removed", true, "認証済み公開鍵が見つかりません。\n移動または削除された可能性があります。"},
            {"not authenticated", false, "この公開鍵は認証されていません。相手に鍵の認証を依頼してください。"},
        };
        for (const auto& c : cases) {
            GuiHarness h;
            CVantrelDlg window(*h.context);
            window.show();
            const auto self = h.core->SelfAuthKeyPath();
            fs::permissions(self, fs::perms::owner_write, fs::perm_options::add);
            if (c.remove) {
                fs::remove(self);
            } else {
                const auto pub = ReadAll(h.core->settings.PublicKeyPath());
                fs::remove(self);
                test::WriteText(self, pub);
            }
            DoubleClick(List(window, "candidateKeys"), 0);
            QVERIFY2(window.ChosenKeys().empty(), c.what);
            QCOMPARE(List(window, "chosenKeys").count(), 0);
            QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{c.message}));
        }
    }

    void withoutAKeySetTheKeyCommandsAreOff() {
        GuiHarness h(false, false);
        CVantrelDlg window(*h.context);
        QVERIFY(!window.CommandAction(CVantrelDlg::kEncrypt)->isEnabled());
        QVERIFY(!window.CommandAction(CVantrelDlg::kDecrypt)->isEnabled());
        QVERIFY(window.CommandAction(CVantrelDlg::kExit)->isEnabled());
        for (const int id :
             {CVantrelDlg::kShowQrCode, CVantrelDlg::kQrFunctions, CVantrelDlg::kKeyBackup, CVantrelDlg::kKeyRepair})
            QVERIFY2(!window.CommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
        // Restoring a lost private key needs no key set.
        QVERIFY(window.CommandAction(CVantrelDlg::kRestoreKey)->isEnabled());
        QCOMPARE(List(window, "candidateKeys").count(), 0);
    }

    void theKeyCommandsOpenTheirWindowsAndRunTheirJobs() {
        GuiHarness h;
        CVantrelDlg window(*h.context);
        window.show();
        // Key backup: the shares are made; the send offer is answered No.
        window.CommandAction(CVantrelDlg::kKeyBackup)->trigger();
        QVERIFY(h.WaitIdle());
        const auto shares = h.core->OwnSharePaths();
        QVERIFY(fs::exists(shares.user));
        QVERIFY(fs::exists(shares.maker));
        QCOMPARE(h.presenter.Questions(), (std::vector<QuestionId>{QuestionId::SendBackupShare}));
        QVERIFY(h.mail.calls.empty());

        struct Case {
            int command;
            const char* window;
        };
        for (const auto& c :
             {Case{CVantrelDlg::kShowQrCode, "CQrcodeViewDlg"}, Case{CVantrelDlg::kQrFunctions, "CQRCodeFuncSelDlg"},
              Case{CVantrelDlg::kRestoreKey, "CKeyRestoreDlg"}}) {
            QString opened;
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
                opened = QApplication::activeModalWidget()->objectName();
                QApplication::activeModalWidget()->close();
            });
            window.CommandAction(c.command)->trigger();
            QCOMPARE(opened, QString::fromLatin1(c.window));
        }
    }

    void theSmallWindowTakesOverAndGivesBack() {
        GuiHarness h;
        h.core->settings.useSmallMenu = 0;
        CVantrelDlg window(*h.context);
        window.show();
        const auto file = h.WorkFolder("mini") / "a.txt";
        test::WriteText(file, "alpha");
        window.WorkArea().AddPaths({file});
        DoubleClick(List(window, "candidateKeys"), 0);
        QVERIFY(!window.ChosenKeys().empty());
        h.core->State().files = {file};
        QSignalSpy closed(&window, &CVantrelDlg::Closed);

        // Its maximise: the full window again, its state reset.
        bool hiddenMeanwhile = false;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<CVantrelDialogMini*>(QApplication::activeModalWidget()) != nullptr);
            hiddenMeanwhile = !window.isVisible();
            QCOMPARE(h.core->settings.useSmallMenu, 1);
            h.core->settings.useSmallMenu = 0;
            QApplication::activeModalWidget()->close();
        });
        window.CommandAction(CVantrelDlg::kSmallWindow)->trigger();
        QVERIFY(hiddenMeanwhile);
        QVERIFY(window.isVisible());
        QCOMPARE(closed.count(), 0);
        QVERIFY(window.ChosenKeys().empty());
        QVERIFY(h.core->State().files.empty());
        QCOMPARE(Items(List(window, "candidateKeys")), QStringList{"(自分用)"});

        // Its close box: the program closes.
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(qobject_cast<CVantrelDialogMini*>(QApplication::activeModalWidget()) != nullptr);
            QApplication::activeModalWidget()->close();
        });
        window.CommandAction(CVantrelDlg::kSmallWindow)->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void aboutHelpAndTheTrayMenu() {
        GuiHarness h(true);
        h.language->Switch(LanguageTable::Language::English);
        CVantrelDlg window(*h.context);
        window.show();
        QString title, name, version, ok;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()) != nullptr);
            auto* about = QApplication::activeModalWidget();
            title = about->windowTitle();
            name = about->findChild<QLabel*>("productName")->text();
            version = about->findChild<QLabel*>("versionText")->text();
            ok = about->findChild<QPushButton*>("okButton")->text();
            QTest::mouseClick(about->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        window.CommandAction(CVantrelDlg::kAbout)->trigger();
        QCOMPARE(title, QStringLiteral("About Tessarin"));
        QCOMPARE(name, QStringLiteral("Tessarin"));
        QVERIFY2(version.startsWith(QStringLiteral("Version ")) && version.size() > 8, qPrintable(version));
        QCOMPARE(ok, QStringLiteral("OK"));

        window.CommandAction(CVantrelDlg::kHelp)->trigger();
        QCOMPARE(h.desktop.opened, (std::vector<QUrl>{QUrl(QStringLiteral("https://www.tessarin.example/help/"))}));

        auto* show = window.TrayMenu().findChild<QAction*>("trayShow");
        auto* exit = window.TrayMenu().findChild<QAction*>("trayExit");
        QCOMPARE(show->text(), QStringLiteral("Show"));
        QCOMPARE(exit->text(), QStringLiteral("Exit"));
        window.hide();
        show->trigger();
        QVERIFY(window.isVisible());
        QSignalSpy closed(&window, &CVantrelDlg::Closed);
        exit->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void theProgressBarFollowsTheJobAndTheWindowKeepsItsMinimum() {
        GuiHarness h;
        CVantrelDlg window(*h.context);
        window.show();
        QVERIFY(h.jobs->Start([&] {
            h.dialog->SetStatus("report.txt");
            h.dialog->SetProgressRange(200);
            h.dialog->SetProgress(50);
        }));
        QVERIFY(h.WaitIdle());
        auto* bar = window.findChild<QProgressBar*>("progress");
        QCOMPARE(bar->maximum(), 200);
        QCOMPARE(bar->value(), 50);
        QCOMPARE(window.findChild<QLabel*>("statusText")->text(), QStringLiteral("report.txt"));
        // Totals beyond the bar's range are shown in proportion.
        QVERIFY(h.jobs->Start([&] {
            h.dialog->SetProgressRange(std::int64_t{1} << 40);
            h.dialog->SetProgress(std::int64_t{1} << 39);
        }));
        QVERIFY(h.WaitIdle());
        QVERIFY(bar->maximum() > 0);
        QVERIFY(std::abs(bar->value() * 2 - bar->maximum()) <= 2);

        window.resize(100, 100);
        QTRY_VERIFY(window.width() >= window.minimumSizeHint().width());
        QVERIFY(window.height() >= window.minimumSizeHint().height());
        QVERIFY(window.minimumSizeHint().width() > 300);
    }

    void screens() {
        for (bool english : {false, true}) {
            GuiHarness h(english);
            h.language->Switch(english ? LanguageTable::Language::English : LanguageTable::Language::Japanese);
            CVantrelDlg window(*h.context);
            const auto folder = h.WorkFolder("screens");
            test::WriteText(folder / "report.pdf", "x");
            window.WorkArea().AddPaths({folder / "report.pdf"});
            window.resize(window.minimumSizeHint().expandedTo(QSize(960, 640)));
            window.show();
            QTest::qWait(20);
            test::SaveScreen(window, "CVantrelDlg", h.texts);
            // Each menu as it drops down.
            int n = 0;
            for (auto* top : window.menuBar()->actions()) {
                auto* menu = top->menu();
                menu->adjustSize();
                test::SaveScreen(*menu, QStringLiteral("CVantrelDlgMenu%1").arg(++n), h.texts);
            }
            CAboutDlg about(h.texts);
            about.show();
            QTest::qWait(20);
            test::SaveScreen(about, "CAboutDlg", h.texts);
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
