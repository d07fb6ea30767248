// The encryption windows: the recipient selection, the encrypt file dialog
// with its term of validity and options, the encryption options dialog, and
// the whole path of StartEncryptCommand from the first window to the
// container on disk.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <thread>

#include "Controls.h"
#include "GuiHarness.h"
#include "ModalDriver.h"
#include "gui/encrypt/CEncryptOptDlg.h"
#include "gui/encrypt/CFileDialogWithTimeSet.h"
#include "gui/encrypt/CKeyListSel.h"
#include "gui/encrypt/EncryptCommand.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::Child;
using tessarin::test::Click;
using tessarin::test::GuiHarness;
using tessarin::test::ModalDriver;
using tessarin::test::ReadAll;
using tessarin::test::Type;
namespace fs = std::filesystem;

namespace {

QStringList Texts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Selects the candidate named `name` and presses "加える".
void ChooseRecipient(QWidget* window, const QString& name) {
    auto* candidates = Child<QTreeWidget>(window, "candidates");
    const auto found = candidates->findItems(name, Qt::MatchExactly, 0);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    candidates->clearSelection();
    found.front()->setSelected(true);
    Click(window, "add");
}

}  // namespace

class EncryptWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theRecipientSelectionMovesKeysBothWaysAndRefusesOkWithoutOne() {
        GuiHarness h;
        CKeyListSel choice(*h.context);
        choice.show();
        QVERIFY(QTest::qWaitForWindowExposed(&choice));
        QCOMPARE(choice.windowTitle(), QStringLiteral("暗号化する相手の選択"));
        QCOMPARE(Child<QLabel>(&choice, "candidatesLabel")->text(), QStringLiteral("暗号化する相手候補一覧"));
        QCOMPARE(Child<QLabel>(&choice, "chosenLabel")->text(), QStringLiteral("今回の暗号化相手"));
        QCOMPARE(Child(&choice, "add")->text(), QStringLiteral("加える"));
        QCOMPARE(Child(&choice, "remove")->text(), QStringLiteral("はずす"));
        auto* candidates = Child<QTreeWidget>(&choice, "candidates");
        auto* chosen = Child<QTreeWidget>(&choice, "chosen");
        QCOMPARE(candidates->topLevelItemCount(), 1);
        QCOMPARE(candidates->topLevelItem(0)->text(0), QStringLiteral("(自分用)"));
        QCOMPARE(candidates->topLevelItem(0)->text(1), QStringLiteral("taro@example.com"));

        Click(&choice, "ok");
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"暗号化する相手が選択されてません"}));
        QVERIFY(choice.isVisible());

        ChooseRecipient(&choice, QStringLiteral("(自分用)"));
        QCOMPARE(candidates->topLevelItemCount(), 0);
        QCOMPARE(chosen->topLevelItemCount(), 1);
        // A double-click moves it back, and "加える" over again.
        const QRect cell = chosen->visualItemRect(chosen->topLevelItem(0));
        QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(chosen->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(chosen->topLevelItemCount(), 0);
        QCOMPARE(candidates->topLevelItemCount(), 1);
        ChooseRecipient(&choice, QStringLiteral("(自分用)"));
        Click(&choice, "remove");
        QCOMPARE(candidates->topLevelItemCount(), 1);
        ChooseRecipient(&choice, QStringLiteral("(自分用)"));

        // The own key's label follows the language.
        h.language->Switch(LanguageTable::Language::English);
        QCOMPARE(chosen->topLevelItem(0)->text(0), QStringLiteral("(for oneself)"));
        QCOMPARE(Child(&choice, "add")->text(), QStringLiteral("Add"));
        QCOMPARE(Child(&choice, "remove")->text(), QStringLiteral("Remove"));

        Click(&choice, "ok");
        QCOMPARE(choice.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(choice.Chosen(), (std::vector<fs::path>{h.core->SelfAuthKeyPath()}));
        QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
    }

    void theTermOfValidityIsCheckedWhenEncryptionIsPressed() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("limits");
        test::WriteText(folder / "a.txt", "a");
        const SystemTime now = h.core->Host().LocalTime();
        const QDate today(now.year, now.month, now.day);
        struct Case {
            const char* name;
            const char* base;  // the limit box checked, nullptr for none
            const char* value;
            bool direct;
            QDate date;
            const char* hour;
            const char* minute;
            const char* second;
            const char* message;  // the words shown, empty for none
            const char* focus;    // the control that has the focus after a refusal
            bool accepted;
            const char* valueShown;
        } cases[] = {
            // clang-format off
            {"value 100", "limitAfterEncryption", "100", false, {}, "0", "0", "0",
             "The range that can set time is 1 to 99.", "limitValue", false, "100"},
            {"value 0", "limitAfterFirstDecryption", "0", false, {}, "0", "0", "0",
             "The range that can set time is 1 to 99.", "limitValue", false, "0"},
            {"empty value", "limitAfterEncryption", "", false, {}, "0", "0", "0",
             "The range that can set time is 1 to 99.", "limitValue", false, ""},
            {"value 99", "limitAfterEncryption", "99", false, {}, "0", "0", "0", "", nullptr, true, "99"},
            {"no limit, value 0", nullptr, "0", false, {}, "0", "0", "0", "", nullptr, true, "1"},
            {"no limit, value 250", nullptr, "250", false, {}, "0", "0", "0", "", nullptr, true, "1"},
            {"hour 24", "limitAfterEncryption", "5", true, today.addDays(2), "24", "0", "0", "", "limitHour", false, "5"},
            {"minute 60", "limitAfterEncryption", "5", true, today.addDays(2), "10", "60", "0", "", "limitMinute", false, "5"},
            {"second 75", "limitAfterFirstDecryption", "5", true, today.addDays(2), "10", "0", "75", "", "limitSecond", false, "5"},
            {"yesterday", "limitAfterEncryption", "5", true, today.addDays(-1), "23", "59", "59",
             "Please specify timelimit after this time.", nullptr, false, "5"},
            {"today at midnight", "limitAfterEncryption", "5", true, today, "0", "0", "0",
             "Please specify timelimit after this time.", nullptr, false, "5"},
            {"in two days", "limitAfterEncryption", "500", true, today.addDays(2), "12", "0", "0", "", nullptr, true, "500"},
            // clang-format on
        };
        for (const auto& c : cases) {
            h.presenter.shown.clear();
            CFileDialogWithTimeSet dialog(*h.context, {folder / "a.txt"}, {}, nullptr);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.activateWindow();
            if (c.base) Click(&dialog, c.base);
            Type(&dialog, "limitValue", QString::fromLatin1(c.value));
            if (c.direct) {
                Click(&dialog, "limitDirect");
                Child<QDateEdit>(&dialog, "limitDate")->setDate(c.date);
                Type(&dialog, "limitHour", QString::fromLatin1(c.hour));
                Type(&dialog, "limitMinute", QString::fromLatin1(c.minute));
                Type(&dialog, "limitSecond", QString::fromLatin1(c.second));
            }
            Click(&dialog, "ok");
            const std::string expected = c.message;
            QCOMPARE(h.presenter.Messages(),
                     expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
            QVERIFY2((dialog.result() == QDialog::Accepted) == c.accepted, c.name);
            QVERIFY2(dialog.isVisible() != c.accepted, c.name);
            QCOMPARE(Child<QLineEdit>(&dialog, "limitValue")->text(), QString::fromLatin1(c.valueShown));
            if (c.focus) {
                QTRY_VERIFY2(QApplication::focusWidget() == Child<QLineEdit>(&dialog, c.focus), c.name);
            }
            if (c.accepted && !c.base) QCOMPARE(dialog.Options().timeLimit.kind, TimeLimitInput::Kind::None);
        }
    }

    void theDirectSettingIsUsableOnlyWhileALimitIsChosen() {
        GuiHarness h;
        CFileDialogWithTimeSet dialog(*h.context, {}, {}, nullptr);
        dialog.show();
        auto* value = Child<QLineEdit>(&dialog, "limitValue");
        auto* hour = Child<QLineEdit>(&dialog, "limitHour");
        auto* direct = Child<QCheckBox>(&dialog, "limitDirect");
        auto* afterEncryption = Child<QCheckBox>(&dialog, "limitAfterEncryption");
        auto* afterFirst = Child<QCheckBox>(&dialog, "limitAfterFirstDecryption");
        QVERIFY(!value->isEnabled() && !direct->isEnabled() && !hour->isEnabled());
        Click(&dialog, "limitAfterEncryption");
        QVERIFY(value->isEnabled() && direct->isEnabled() && !hour->isEnabled());
        Click(&dialog, "limitAfterFirstDecryption");
        QVERIFY(!afterEncryption->isChecked() && afterFirst->isChecked());
        Click(&dialog, "limitDirect");
        QVERIFY(!value->isEnabled() && hour->isEnabled());
        Click(&dialog, "limitAfterFirstDecryption");
        QVERIFY(!value->isEnabled() && !direct->isEnabled() && !hour->isEnabled());
        // The units in list order.
        auto* unit = Child<QComboBox>(&dialog, "limitUnit");
        QStringList units;
        for (int i = 0; i < unit->count(); ++i) units << unit->itemText(i);
        QCOMPARE(units, (QStringList{"年", "週", "日", "時間", "分", "秒"}));
        h.language->Switch(LanguageTable::Language::English);
        units.clear();
        for (int i = 0; i < unit->count(); ++i) units << unit->itemText(i);
        QCOMPARE(units, (QStringList{"Years", "Weeks", "Days", "Hours", "Minutes", "Seconds"}));
        QCOMPARE(Child(&dialog, "ok")->text(), QStringLiteral("Encryption"));
        QCOMPARE(Child(&dialog, "withoutMyAddress")->text(), QStringLiteral("Without Adding My address."));
        QCOMPARE(Child(&dialog, "manageLogs")->text(), QStringLiteral("Manage Logs"));
        QCOMPARE(Child(&dialog, "deleteSource")->text(), QStringLiteral("The Encryption file is completely deleted."));
        QCOMPARE(Child(&dialog, "sendByMail")->text(), QStringLiteral("Send encrypted files by e-mail."));
        QCOMPARE(afterEncryption->text(), QStringLiteral("TimeLimit After Encryption"));
        QCOMPARE(afterFirst->text(), QStringLiteral("TimeLimit After First Decryption"));
        QCOMPARE(direct->text(), QStringLiteral("Direct setting Decryption time limit"));
        // Encryption without a file is refused.
        Click(&dialog, "ok");
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"No file selected."}));
        QVERIFY(dialog.isVisible());
    }

    void theFileListTakesChosenFilesOnceAndLetsThemGo() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("list");
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) test::WriteText(folder / n, n);
        CFileDialogWithTimeSet dialog(*h.context, {folder / "a.txt"}, {}, nullptr);
        dialog.show();
        h.chooser.opens.push_back({folder / "b.txt", folder / "a.txt", folder / "c.txt"});
        Click(&dialog, "addFiles");
        auto* list = Child<QListWidget>(&dialog, "files");
        QCOMPARE(Texts(list).size(), 3);
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"This File has already been selected"}));
        QCOMPARE(h.chooser.asked.back().title, QStringLiteral("Select Files to Encrypt"));
        list->item(0)->setSelected(true);
        Click(&dialog, "removeFiles");
        QCOMPARE(dialog.Files(), (std::vector<fs::path>{folder / "b.txt", folder / "c.txt"}));
    }

    void encryptCommandRunsRecipientChoiceFileChoiceAndTermToTheContainer() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("path");
        test::WriteText(folder / "report.txt", "quarterly numbers\n");
        h.chooser.opens.push_back({folder / "report.txt"});
        ModalDriver driver;
        driver.Then("CKeyListSel", [](QWidget* w) {
            ChooseRecipient(w, QStringLiteral("(for oneself)"));
            Click(w, "ok");
        });
        driver.Then("CFileDialogWithTimeSet", [&](QWidget* w) {
            QCOMPARE(Texts(Child<QListWidget>(w, "files")),
                     QStringList{QString::fromStdString((folder / "report.txt").string())});
            Click(w, "limitAfterFirstDecryption");
            Type(w, "limitValue", "2");
            Child<QComboBox>(w, "limitUnit")->setCurrentIndex(2);  // Days
            Click(w, "ok");
        });
        int doneCalls = 0;
        JobResult last;
        QVERIFY(StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {}, {}}, [&](const JobResult& r) {
            ++doneCalls;
            last = r;
        }));
        QVERIFY(h.WaitIdle());
        QCOMPARE(driver.seen, (QStringList{"CKeyListSel", "CFileDialogWithTimeSet"}));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(doneCalls, 1);
        QVERIFY(last.Ok());
        QVERIFY(fs::exists(folder / "report.txt.tza"));
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"1 files succeeded encryption."}));
        // The term of validity reached the container.
        ContainerInfo info;
        QVERIFY(h.core->Inspect(folder / "report.txt.tza", info).Ok());
        QCOMPARE(info.limitSeconds, 2u * 86400u);
        QVERIFY(info.limitFromFirstDecryption);
        QCOMPARE(info.storedName, std::string("report.txt"));
    }

    void aSecondEncryptionAsksBeforeOverwriting() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("again");
        const auto source = folder / "a.txt";
        test::WriteText(source, "first");
        const EncryptCommandRequest request{EncryptMode::Command, {source}, {h.core->SelfAuthKeyPath()}};
        const auto run = [&](bool expectQuestion) {
            ModalDriver driver;
            driver.Then("CFileDialogWithTimeSet", [](QWidget* w) { Click(w, "ok"); });
            QVERIFY(StartEncryptCommand(*h.context, nullptr, request));
            QVERIFY(h.WaitIdle());
            QVERIFY(driver.unexpected.isEmpty());
            const bool asked = !h.presenter.Questions().empty();
            QCOMPARE(asked, expectQuestion);
        };
        run(false);
        const std::string firstContainer = ReadAll(folder / "a.txt.tza");
        test::WriteText(source, "second, longer text");

        h.presenter.shown.clear();
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::No);
        run(true);
        QCOMPARE(h.presenter.shown.front().text,
                 std::string("a.txt.tza\nOverwrite for same name file.\nDo you Encrypt?"));
        QCOMPARE(ReadAll(folder / "a.txt.tza"), firstContainer);

        h.presenter.shown.clear();
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::Yes);
        run(true);
        QVERIFY(ReadAll(folder / "a.txt.tza") != firstContainer);
        QCOMPARE(h.presenter.Messages().back(), std::string("1 files succeeded encryption."));
    }

    void cancelInAnyWindowWritesNothingAndCallsNoDone() {
        struct Case {
            const char* name;
            bool chooserCancels;
            const char* cancelIn;  // the window whose Cancel is pressed
        } cases[] = {
            {"recipient selection", false, "CKeyListSel"},
            {"file chooser", true, nullptr},
            {"encrypt file dialog", false, "CFileDialogWithTimeSet"},
        };
        for (const auto& c : cases) {
            GuiHarness h;
            const auto folder = h.WorkFolder("cancel");
            test::WriteText(folder / "a.txt", "a");
            if (!c.chooserCancels) h.chooser.opens.push_back({folder / "a.txt"});
            ModalDriver driver;
            const QString cancelIn = c.cancelIn ? QString::fromLatin1(c.cancelIn) : QString();
            driver.Then("CKeyListSel", [&](QWidget* w) {
                if (cancelIn == "CKeyListSel") return Click(w, "cancel");
                ChooseRecipient(w, QStringLiteral("(自分用)"));
                Click(w, "ok");
            });
            if (cancelIn == "CFileDialogWithTimeSet")
                driver.Then("CFileDialogWithTimeSet", [](QWidget* w) { Click(w, "cancel"); });
            bool done = false;
            QVERIFY2(!StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {}, {}},
                                          [&](const JobResult&) { done = true; }),
                     c.name);
            QVERIFY(h.WaitIdle());
            QVERIFY2(!done, c.name);
            QVERIFY2(driver.unexpected.isEmpty(), c.name);
            QCOMPARE(test::FilesIn(folder), std::vector<fs::path>{folder / "a.txt"});
            QVERIFY2(h.presenter.shown.empty(), c.name);
        }
    }

    void theOptionsDialogRunsOnlyWhileTheDetailSwitchIsOn() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("options");
        const auto out = h.WorkFolder("out");
        test::WriteText(folder / "a.txt", "a");
        const EncryptCommandRequest request{EncryptMode::Options, {folder / "a.txt"}, {h.core->SelfAuthKeyPath()}};

        // Switch off: no window, the container beside its source.
        h.core->State().optionsCheckBox = false;
        {
            ModalDriver driver;
            QVERIFY(StartEncryptCommand(*h.context, nullptr, request));
            QVERIFY(h.WaitIdle());
            QVERIFY(driver.unexpected.isEmpty());
        }
        QVERIFY(fs::exists(folder / "a.txt.tza"));
        fs::remove(folder / "a.txt.tza");

        // Switch on: the dialog; a folder that does not exist is refused, the
        // one chosen with "Change Folder" takes the container, the limit counts.
        h.core->State().optionsCheckBox = true;
        h.presenter.shown.clear();
        h.chooser.folders.push_back(out);
        ModalDriver driver;
        driver.Then("CEncryptOptDlg", [&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Setting of encryption in details"));
            QCOMPARE(Child<QGroupBox>(w, "outputFolderBox")->title(), QStringLiteral("Output Folder"));
            QCOMPARE(Child<QLabel>(w, "outputFolderNote")->text(),
                     QStringLiteral("It preserve in the same folder without specifing."));
            QCOMPARE(Child(w, "changeFolder")->text(), QStringLiteral("Change Folder"));
            const QString missing = QString::fromStdString((folder / "missing").string());
            Type(w, "outputFolder", missing);
            Click(w, "ok");
            QCOMPARE(h.presenter.Messages(),
                     std::vector<std::string>{"The output folder " + missing.toStdString() + " does not exist."});
            QVERIFY(w->isVisible());
            Click(w, "changeFolder");
            QCOMPARE(Child<QLineEdit>(w, "outputFolder")->text(), QString::fromStdString(out.string()));
            Click(w, "limitAfterEncryption");
            Type(w, "limitValue", "3");
            Child<QComboBox>(w, "limitUnit")->setCurrentIndex(3);  // Hours
            Click(w, "ok");
        });
        QVERIFY(StartEncryptCommand(*h.context, nullptr, request));
        QVERIFY(h.WaitIdle());
        QCOMPARE(driver.seen, QStringList{"CEncryptOptDlg"});
        QVERIFY(!fs::exists(folder / "a.txt.tza"));
        QVERIFY(fs::exists(out / "a.txt.tza"));
        ContainerInfo info;
        QVERIFY(h.core->Inspect(out / "a.txt.tza", info).Ok());
        QCOMPARE(info.limitSeconds, 3u * 3600u);
        QVERIFY(!info.limitFromFirstDecryption);

        // Cancel there runs nothing.
        fs::remove(out / "a.txt.tza");
        ModalDriver cancel;
        cancel.Then("CEncryptOptDlg", [](QWidget* w) { Click(w, "cancel"); });
        bool done = false;
        QVERIFY(!StartEncryptCommand(*h.context, nullptr, request, [&](const JobResult&) { done = true; }));
        QVERIFY(h.WaitIdle());
        QVERIFY(!done);
        QVERIFY(!fs::exists(out / "a.txt.tza") && !fs::exists(folder / "a.txt.tza"));
    }

    void aRefusedBatchShowsItsReason() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("refused");
        test::WriteText(folder / "a.txt", "a");
        bool done = false;
        // A recipient key that is not there.
        QVERIFY(StartEncryptCommand(*h.context, nullptr,
                                    {EncryptMode::AddressBook, {folder / "a.txt"}, {folder / "gone-auth.vpub"}},
                                    [&](const JobResult& r) {
                                        done = true;
                                        QCOMPARE(r.status, JobStatus::RecipientNotFound);
                                    }));
        QVERIFY(h.WaitIdle());
        QVERIFY(done);
        QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
        QVERIFY(h.presenter.Messages().front().find("gone-auth.vpub") != std::string::npos);
        QVERIFY(!fs::exists(folder / "a.txt.tza"));
        // The address book without a partner: nothing runs.
        h.presenter.shown.clear();
        QVERIFY(!StartEncryptCommand(*h.context, nullptr, {EncryptMode::AddressBook, {folder / "a.txt"}, {}}));
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"No partner for encryption has been selected"}));
    }

    void noWindowOpensWhileAJobRunsOrWithoutAKeySet() {
        {
            GuiHarness h(true);
            const auto folder = h.WorkFolder("busy");
            test::WriteText(folder / "a.txt", "a");
            std::atomic<bool> release{false};
            QVERIFY(h.jobs->Start([&] {
                while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }));
            ModalDriver driver;
            QVERIFY(!StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {folder / "a.txt"}, {}}));
            release.store(true);
            QVERIFY(h.WaitIdle());
            QVERIFY(driver.unexpected.isEmpty());
            QCOMPARE(h.presenter.Messages(),
                     (std::vector<std::string>{"Another job is running. Try again when it has finished."}));
            QCOMPARE(test::FilesIn(folder), std::vector<fs::path>{folder / "a.txt"});
        }
        GuiHarness h(false, false);
        ModalDriver driver;
        QVERIFY(!StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {}, {}}));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(h.presenter.Messages(),
                 (std::vector<std::string>{"まずはじめに「鍵セットの生成」を行う必要があります。\n"
                                           "鍵セットの生成を実施してください"}));
    }

    void aFileWhoseNameIsNotUtf8IsEncryptedUnderItsOwnName() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("bytes");
        const fs::path odd = folder / std::string("odd\xff\xfe.txt");
        test::WriteText(odd, "odd bytes");
        h.chooser.opens.push_back({odd});
        ModalDriver driver;
        driver.Then("CFileDialogWithTimeSet", [](QWidget* w) {
            QCOMPARE(Child<QListWidget>(w, "files")->count(), 1);
            Click(w, "ok");
        });
        QVERIFY(StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {}, {h.core->SelfAuthKeyPath()}}));
        QVERIFY(h.WaitIdle());
        QVERIFY(driver.unexpected.isEmpty());
        fs::path container = odd;
        container += ".tza";
        QVERIFY(fs::exists(container));
        QCOMPARE(ReadAll(odd), std::string("odd bytes"));
    }

    void screens() {
        for (bool english : {false, true}) {
            GuiHarness h(english);
            const auto folder = h.WorkFolder("screens");
            CKeyListSel choice(*h.context);
            ChooseRecipient(&choice, english ? QStringLiteral("(for oneself)") : QStringLiteral("(自分用)"));
            choice.adjustSize();
            test::SaveScreen(choice, "CKeyListSel", h.texts);
            EncryptOptions defaults;
            defaults.timeLimit.kind = TimeLimitInput::Kind::Relative;
            CFileDialogWithTimeSet files(*h.context, {folder / "report.pdf", folder / "見積書.xlsx"}, defaults);
            files.adjustSize();
            test::SaveScreen(files, "CFileDialogWithTimeSet", h.texts);
            CEncryptOptDlg options(*h.context, defaults);
            Click(&options, "limitDirect");
            options.adjustSize();
            test::SaveScreen(options, "CEncryptOptDlg", h.texts);
        }
    }
};

QTEST_MAIN(EncryptWindowsTest)
#include "EncryptWindowsTest.moc"
