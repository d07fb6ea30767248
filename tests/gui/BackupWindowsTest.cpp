// The key repair window, the restore of a private key from the two backup
// shares, and the service registration window.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "GuiHarness.h"
#include "gui/backup/CKeyRepair.h"
#include "gui/backup/CKeyRestoreDlg.h"
#include "gui/service/CVpubRegWithTessarinNetDlg.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;
namespace fs = std::filesystem;

namespace {

template <class T>
T* Child(QWidget* w, const char* name) {
    auto* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

void Click(QWidget* w, const char* name) {
    QTest::mouseClick(Child<QPushButton>(w, name), Qt::LeftButton);
}

void SetField(QWidget* w, const char* name, const fs::path& path) {
    Child<QLineEdit>(w, name)->setText(QString::fromStdString(path.string()));
}

}  // namespace

class BackupWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theRepairWindowMailsTheFragmentOrSaysWhatIsMissing() {
        GuiHarness h;
        {
            CKeyRepair repair(*h.context);
            QCOMPARE(repair.windowTitle(), QStringLiteral("鍵の修復依頼"));
            QCOMPARE(Child<QLabel>(&repair, "question")->text(),
                     QStringLiteral("鍵の修復依頼をして公開鍵と秘密鍵の復元を行いますか(メールソフト起動)？"));
            QVERIFY(Child<QLabel>(&repair, "readMe")->text().contains(QStringLiteral("メールソフトが起動しない場合")));
            emit Child<QLabel>(&repair, "readMe")->linkActivated(QStringLiteral("readme"));
            QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
            const auto readMe = h.presenter.Messages()[0];
            QVERIFY(readMe.starts_with("Read meを表示します\n\n"));
            QVERIFY(readMe.find("keyFragment.vbky") != std::string::npos);

            // No share yet: nothing to send.
            h.presenter.shown.clear();
            Click(&repair, "yes");
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.presenter.Messages(),
                     (std::vector<std::string>{"秘密分散された自己鍵が所定の位置にありません"}));
            QVERIFY(h.mail.calls.empty());
        }
        QVERIFY(h.core->BackupKey(false).Ok());
        CKeyRepair repair(*h.context);
        Click(&repair, "yes");
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.mail.calls.size(), std::size_t{1});
        QVERIFY(fs::exists(h.Home() / "keyFragment.vbky"));
    }

    void theRestoreWindowRebuildsThePrivateKeyFromBothShares() {
        GuiHarness h;
        const auto backup = h.core->BackupKey(false);
        QVERIFY(backup.Ok());
        const auto privateKey = test::ReadFileBytes(h.core->Keys().PrivateKeyPath());
        const auto out = h.WorkFolder("restore") / "restoredPrivate.vpri";

        CKeyRestoreDlg restore(*h.context);
        QCOMPARE(restore.windowTitle(), QStringLiteral("半鍵からの秘密鍵の復元"));
        QCOMPARE(Child<QLineEdit>(&restore, "userShare")->text().toStdString(), backup.shares.user.string());
        QCOMPARE(Child<QLineEdit>(&restore, "makerShare")->text().toStdString(), backup.shares.maker.string());

        // The shares the wrong way round give no key file.
        SetField(&restore, "userShare", backup.shares.maker);
        SetField(&restore, "makerShare", backup.shares.user);
        h.chooser.saves.push_back(out);
        Click(&restore, "outputBrowse");
        QCOMPARE(Child<QLineEdit>(&restore, "output")->text().toStdString(), out.string());
        Click(&restore, "ok");
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
        QVERIFY(h.presenter.Messages()[0].starts_with("半鍵から秘密鍵を復元できませんでした。"));
        QVERIFY(!fs::exists(out));

        h.presenter.shown.clear();
        SetField(&restore, "userShare", backup.shares.user);
        SetField(&restore, "makerShare", backup.shares.maker);
        Click(&restore, "ok");
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"秘密鍵を復元しました。\n" + out.string()}));
        QCOMPARE(test::ReadFileBytes(out), privateKey);
        QCOMPARE(fs::status(out).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
        QCOMPARE(restore.result(), int(QDialog::Accepted));

        // An existing file is never replaced.
        CKeyRestoreDlg again(*h.context);
        const auto taken = h.WorkFolder("restore") / "taken.vpri";
        test::WriteText(taken, "keep me");
        SetField(&again, "output", taken);
        h.presenter.shown.clear();
        Click(&again, "ok");
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
        QCOMPARE(test::ReadFileBytes(taken), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    }

    void theRegistrationWindowChecksNameAndAddressThenOpensThePage() {
        GuiHarness h;
        CVpubRegWithTessarinNetDlg reg(*h.context, "Taro Test", "");
        QCOMPARE(reg.windowTitle(), QStringLiteral("公開鍵をFerroloへ登録"));
        QCOMPARE(Child<QLabel>(&reg, "prompt")->text(),
                 QStringLiteral("Ferroloに登録する公開鍵の情報を設定してください："));
        QCOMPARE(Child<QLineEdit>(&reg, "name")->text(), QStringLiteral("Taro Test"));
        Click(&reg, "ok");
        Child<QLineEdit>(&reg, "name")->clear();
        Click(&reg, "ok");
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"公開鍵の持ち主のメールアドレスを指定してください",
                                                                   "公開鍵の持ち主の名前を指定してください"}));
        QVERIFY(h.desktop.opened.empty());
        QCOMPARE(reg.result(), 0);

        Child<QLineEdit>(&reg, "name")->setText(QStringLiteral("Taro Test"));
        Child<QLineEdit>(&reg, "mail")->setText(QStringLiteral("taro+tza@example.com"));
        Click(&reg, "ok");
        QCOMPARE(h.desktop.opened.size(), std::size_t{1});
        const auto url = h.desktop.opened[0].toString(QUrl::FullyEncoded);
        QVERIFY2(url.contains(QStringLiteral("d/?pk=")), qPrintable(url));
        QVERIFY2(url.contains(QStringLiteral("&ma=taro%2Btza%40example.com&nm=")), qPrintable(url));
        QCOMPARE(reg.result(), int(QDialog::Accepted));

        h.language->Switch(LanguageTable::Language::English);
        QCOMPARE(reg.windowTitle(), QStringLiteral("Register Public Key With Ferrolo"));
    }

    void screens() {
        for (const bool english : {false, true}) {
            GuiHarness h(english);
            CKeyRepair repair(*h.context);
            repair.adjustSize();
            test::SaveScreen(repair, "CKeyRepair", h.texts);
            CKeyRestoreDlg restore(*h.context);
            restore.adjustSize();
            test::SaveScreen(restore, "CKeyRestoreDlg", h.texts);
            CVpubRegWithTessarinNetDlg reg(*h.context, "Taro Test", "taro@example.com");
            reg.adjustSize();
            test::SaveScreen(reg, "CVpubRegWithTessarinNetDlg", h.texts);
        }
    }
};

QTEST_MAIN(BackupWindowsTest)
#include "BackupWindowsTest.moc"
