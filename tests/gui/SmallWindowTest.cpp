// The small main window driven as a person would: drops of every kind of
// path, the file buttons, the switch to the full window and the close box,
// its placement and always-on-top state, its menu and its web pages.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QUrl>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "GuiHarness.h"
#include "app/SettingsRecord.h"
#include "gui/common/GuiText.h"
#include "gui/main/CVantrelDialogMini.h"
#include "keys/KeyBackup.h"
#include "platform/Paths.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;
using tessarin::test::WriteText;
namespace fs = std::filesystem;

namespace {

struct Mini {
    explicit Mini(bool english = false, bool recordCommands = true) : h(english) {
        ::setenv("TESSARIN_SERVICE_URL", "https://service.test/", 1);
        folder = h.WorkFolder("drop");
        window = std::make_unique<CVantrelDialogMini>(*h.context);
        if (recordCommands) {
            window->SetCommands({[this](EncryptCommandRequest r, std::function<void(const JobResult&)> done) {
                                     encrypts.push_back(std::move(r));
                                     done(JobResult{});
                                     return true;
                                 },
                                 [this](DecryptCommandRequest r, std::function<void(const JobResult&)> done) {
                                     decrypts.push_back(std::move(r));
                                     done(JobResult{});
                                     return true;
                                 }});
        }
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) qWarning("the small window was not shown");
    }
    ~Mini() { ::unsetenv("TESSARIN_SERVICE_URL"); }

    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(20, 40);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted()) qWarning("the drag was refused");
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        h.WaitIdle();
    }
    void DropPaths(const std::vector<fs::path>& paths) {
        QList<QUrl> urls;
        for (const auto& p : paths) urls << QUrl::fromLocalFile(PathText(p));
        Drop(urls);
    }
    fs::path File(const std::string& name, const std::string& text = "data") const {
        const auto path = folder / name;
        fs::create_directories(path.parent_path());
        WriteText(path, text);
        return path;
    }
    template <class T>
    T* Find(const char* name) const {
        auto* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no widget %s", name);
        return w;
    }
    std::vector<std::string> Messages() const { return h.presenter.Messages(); }

    GuiHarness h;
    fs::path folder;
    std::unique_ptr<CVantrelDialogMini> window;
    std::vector<EncryptCommandRequest> encrypts;
    std::vector<DecryptCommandRequest> decrypts;
};

SettingsRecord WrittenSettings() {
    SettingsRecord written;
    written.Read(SettingsFilePath());
    return written;
}

}  // namespace

class SmallWindowTest : public QObject {
    Q_OBJECT

private slots:
    void dropsGoToTheCommandOfTheirKind() {
        struct Case {
            const char* name;
            bool selfEncrypt;
            std::vector<std::string> dropped;  // names in the drop folder
            std::vector<std::string> encrypted;
            EncryptMode mode;
            std::vector<std::string> decrypted;
        };
        const std::vector<Case> cases = {
            {"a file is encrypted", false, {"report.pdf"}, {"report.pdf"}, EncryptMode::Command, {}},
            {"at once to oneself with DDSelfEncrypt", true, {"report.pdf"}, {"report.pdf"}, EncryptMode::Self, {}},
            {"a container in any case is decrypted",
             false,
             {"mail.TZA", "b.tza"},
             {},
             EncryptMode::Command,
             {"mail.TZA", "b.tza"}},
            {"a folder gives the entries directly inside it",
             false,
             {"box"},
             {"box/inner.txt", "box/key.vpub"},
             EncryptMode::Command,
             {"box/inner.tza"}},
            {"a link is taken as its target", false, {"link.pdf"}, {"report.pdf"}, EncryptMode::Command, {}},
        };
        for (const auto& c : cases) {
            Mini m;
            m.h.core->settings.ddSelfEncrypt = c.selfEncrypt ? 1 : 0;
            m.File("report.pdf");
            m.File("mail.TZA");
            m.File("b.tza");
            m.File("box/inner.txt");
            m.File("box/inner.tza");
            m.File("box/key.vpub");
            m.File("box/sub/deep.txt");
            fs::create_symlink(m.folder / "report.pdf", m.folder / "link.pdf");
            std::vector<fs::path> dropped;
            for (const auto& n : c.dropped) dropped.push_back(m.folder / n);
            m.DropPaths(dropped);
            const QString name = QString::fromLatin1(c.name);
            if (c.encrypted.empty()) {
                QVERIFY2(m.encrypts.empty(), qPrintable(name));
            } else {
                QCOMPARE(m.encrypts.size(), std::size_t{1});
                std::vector<fs::path> expected;
                for (const auto& n : c.encrypted) expected.push_back(m.folder / n);
                QCOMPARE(m.encrypts[0].sources, expected);
                QCOMPARE(m.encrypts[0].mode, c.mode);
            }
            if (c.decrypted.empty()) {
                QVERIFY2(m.decrypts.empty(), qPrintable(name));
            } else {
                QCOMPARE(m.decrypts.size(), std::size_t{1});
                std::vector<fs::path> expected;
                for (const auto& n : c.decrypted) expected.push_back(m.folder / n);
                QCOMPARE(m.decrypts[0].files, expected);
                QCOMPARE(m.decrypts[0].mode, DecryptCommandMode::SmallWindow);
            }
            QVERIFY2(m.Messages().empty(), qPrintable(name));
        }
    }

    void aDroppedPublicKeyIsRegistered() {
        Mini m;
        const auto key = m.folder / "south.vpub";
        fs::copy_file(test::FixturePath("cryptoapi/south.vpub"), key);
        const auto before = m.h.core->ListKeys().size();
        m.DropPaths({key});
        QVERIFY(m.encrypts.empty());
        QVERIFY(m.decrypts.empty());
        QCOMPARE(m.h.core->ListKeys().size(), before + 1);
    }

    void theOwnPrivateKeyStartsTheBackupAndNothingElse() {
        Mini m;
        const auto privateKey = m.h.core->State().privateKeyPath;
        const auto other = m.File("report.pdf");
        m.DropPaths({other, privateKey});
        QVERIFY(m.encrypts.empty());
        const auto shares = BackupSharePaths(DataHome(), m.h.core->State().publicKeyPath.stem().string());
        QVERIFY(fs::exists(shares.user));
        QVERIFY(fs::exists(shares.maker));
        QCOMPARE(m.h.presenter.Questions(), (std::vector<QuestionId>{QuestionId::SendBackupShare}));
    }

    void badPathsAreLeftOutWithAMessage() {
        Mini m;
        const auto good = m.File("good.txt");
        const fs::path longPath = m.folder / std::string(300, 'a');
        const auto bad = m.folder / std::string("bad\xff.txt");
        WriteText(bad, "x");
        QUrl badUrl = QUrl::fromEncoded(QUrl::fromLocalFile(PathText(m.folder)).toEncoded() + "/bad%FF.txt");
        m.Drop({QUrl::fromLocalFile(PathText(longPath)), badUrl, QUrl::fromLocalFile(PathText(m.folder / "gone.txt")),
                QUrl::fromLocalFile(PathText(good))});
        QCOMPARE(m.encrypts.size(), std::size_t{1});
        QCOMPARE(m.encrypts[0].sources, (std::vector<fs::path>{good}));
        const auto messages = m.Messages();
        QCOMPARE(messages.size(), std::size_t{3});
        QCOMPARE(messages[0], std::string("パス名が長すぎます。\nファイル名およびパス名を短くしてください。"));
        QVERIFY(messages[1].starts_with("次のパス名には表示できない文字が含まれているため、扱いませんでした。\n"));
        QCOMPARE(messages[2], "選択されたファイル(" + (m.folder / "gone.txt").string() +
                                  ")は、既に削除されているか他のフォルダに移動されています。");
    }

    void aFolderWithoutPermissionIsTold() {
        Mini m;
        const auto closed = m.folder / "closed";
        m.File("closed/secret.txt");
        fs::permissions(closed, fs::perms::none);
        {
            test::WithoutRootRights user(m.folder);
            m.DropPaths({closed});
        }
        fs::permissions(closed, fs::perms::owner_all);
        QVERIFY(m.encrypts.empty());
        QCOMPARE(m.Messages(), (std::vector<std::string>{"フォルダ(" + closed.string() +
                                                         ")を開けませんでした。アクセス権を確認してください。"}));
    }

    void droppedFilesAreEncryptedForOneselfAtOnce() {
        Mini m(false, false);
        m.h.core->settings.ddSelfEncrypt = 1;
        const auto source = m.File("plan.txt", "the plan");
        m.DropPaths({source});
        QVERIFY(m.h.WaitIdle());
        bool container = false;
        for (const auto& e : fs::directory_iterator(m.folder))
            if (e.path().extension() == ".tza") container = true;
        QVERIFY(container);
        QVERIFY(fs::exists(source));
    }

    void theFileButtonsChooseFilesAndHandleThemLikeADrop() {
        Mini m;
        const auto a = m.File("a.txt");
        const auto b = m.File("b.tza");
        m.h.chooser.opens.push_back({a});
        QTest::mouseClick(m.Find<QPushButton>("fileButton"), Qt::LeftButton);
        m.h.chooser.opens.push_back({a, b});
        QTest::mouseClick(m.Find<QPushButton>("filesButton"), Qt::LeftButton);
        QTest::mouseClick(m.Find<QPushButton>("filesButton"), Qt::LeftButton);  // cancelled
        QCOMPARE(m.h.chooser.asked.size(), std::size_t{3});
        QCOMPARE(m.h.chooser.asked[0].filter, QStringLiteral("全てのファイル(*.*)|*.*||"));
        QCOMPARE(m.h.chooser.asked[0].title, QStringLiteral("暗号化/復号化するファイルの選択"));
        QCOMPARE(m.encrypts.size(), std::size_t{2});
        QCOMPARE(m.encrypts[1].sources, (std::vector<fs::path>{a}));
        QCOMPARE(m.decrypts.size(), std::size_t{1});
        QCOMPARE(m.decrypts[0].files, (std::vector<fs::path>{b}));
    }

    void maximiseShowsTheFullWindowAndTheCloseBoxEndsTheProgram() {
        {
            Mini m;
            auto* button = m.Find<QPushButton>("maximizeButton");
            QCOMPARE(button->text(), QStringLiteral("最大化"));
            m.window->move(40, 30);
            const QPoint at = m.window->pos();
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(m.window->result(), int(QDialog::Accepted));
            QVERIFY(!m.window->isVisible());
            QCOMPARE(m.h.core->settings.useSmallMenu, 0);
            QCOMPARE(WrittenSettings().smallMenuPositionX, at.x());
            QCOMPARE(WrittenSettings().smallMenuPositionY, at.y());
            // Only the position was written; the program writes the rest.
            QCOMPARE(WrittenSettings().useSmallMenu, 1);
        }
        {
            Mini m;
            m.window->setWindowState(Qt::WindowMaximized);
            QTRY_VERIFY(!m.window->isVisible());
            QCOMPARE(m.window->result(), int(QDialog::Accepted));
            QCOMPARE(m.h.core->settings.useSmallMenu, 0);
        }
        {
            Mini m;
            m.window->close();
            QCOMPARE(m.window->result(), int(QDialog::Rejected));
            QCOMPARE(m.h.core->settings.useSmallMenu, 1);
        }
    }

    void placementAndAlwaysOnTopFollowTheSettings() {
        Mini m;
        auto& settings = m.h.core->settings;
        const QRect area = m.window->screen()->availableGeometry();
        settings.smallMenuPositionX = 70;
        settings.smallMenuPositionY = 60;
        for (int position : {1, 2, 3, 4, 5, 0}) {
            settings.smallMenuPosition = position;
            m.window->Place();
            const QRect frame = m.window->frameGeometry();
            const QString which = QString::number(position);
            switch (position) {
                case 1:
                    QCOMPARE(frame.topLeft(), area.topLeft());
                    break;
                case 2:
                    QCOMPARE(frame.topRight(), area.topRight());
                    break;
                case 3:
                    QCOMPARE(frame.bottomLeft(), area.bottomLeft());
                    break;
                case 4:
                    QCOMPARE(frame.bottomRight(), area.bottomRight());
                    break;
                default:
                    QCOMPARE(frame.topLeft(), QPoint(70, 60));
                    break;
            }
        }
        settings.smallMenuTopmost = 1;
        m.window->Place();
        QVERIFY(m.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        settings.smallMenuTopmost = 0;
        m.window->Place();
        QVERIFY(!m.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(m.window->isVisible());
    }

    void theMenuSwitchesLanguageOpensPagesAndAsksForTheAboutBox() {
        Mini m;
        QVERIFY(!m.Find<QAction>("optionAction")->isEnabled());
        QVERIFY(!m.Find<QPushButton>("registerButton")->isEnabled());
        QCOMPARE(m.Find<QMenu>("settingsMenu")->title(), QStringLiteral("設定"));
        m.Find<QAction>("englishAction")->trigger();
        QCOMPARE(m.Find<QPushButton>("maximizeButton")->text(), QStringLiteral("Maximize"));
        QCOMPARE(m.Find<QMenu>("settingsMenu")->title(), QStringLiteral("Settings"));
        QVERIFY(m.Find<QAction>("englishAction")->isChecked());
        QCOMPARE(m.h.core->settings.languageSel, std::string("EN"));
        m.Find<QAction>("japaneseAction")->trigger();
        QCOMPARE(m.Find<QPushButton>("maximizeButton")->text(), QStringLiteral("最大化"));
        QCOMPARE(m.h.core->settings.languageSel, std::string("JP"));

        QSignalSpy about(m.window.get(), &CVantrelDialogMini::AboutRequested);
        m.Find<QAction>("aboutAction")->trigger();
        QCOMPARE(about.count(), 1);
        m.Find<QAction>("helpAction")->trigger();
        for (const char* name : {"webHomeButton", "webSupportButton", "webFaqButton"})
            QTest::mouseClick(m.Find<QPushButton>(name), Qt::LeftButton);
        QCOMPARE(m.h.desktop.opened,
                 (std::vector<QUrl>{QUrl("https://service.test/tessarin/help/"), QUrl("https://service.test/tessarin/"),
                                    QUrl("https://service.test/tessarin/support/"),
                                    QUrl("https://service.test/tessarin/faq/")}));
    }

    void screens() {
        for (bool english : {false, true}) {
            Mini m(english);
            m.window->adjustSize();
            test::SaveScreen(*m.window, "CVantrelDialogMini", m.h.texts);
        }
    }
};

QTEST_MAIN(SmallWindowTest)
#include "SmallWindowTest.moc"
