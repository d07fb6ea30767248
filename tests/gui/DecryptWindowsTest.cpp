// The decryption windows: the decrypt file dialog in its plain form and
// with "Hereafter,Decrypt without Namechange.", and the whole path of
// StartDecryptCommand from the chooser to the file on disk, back to the
// bytes that were encrypted.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "Controls.h"
#include "GuiHarness.h"
#include "ModalDriver.h"
#include "gui/decrypt/CDecryptFileDialog.h"
#include "gui/decrypt/CFileDialogWithContDec.h"
#include "gui/decrypt/DecryptCommand.h"
#include "gui/encrypt/EncryptCommand.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::Child;
using tessarin::test::Click;
using tessarin::test::GuiHarness;
using tessarin::test::ModalDriver;
using tessarin::test::ReadAll;
namespace fs = std::filesystem;

namespace {

// Bytes that are not text: every byte value, twice.
std::string Binary() {
    std::string bytes;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

// Encrypts file to the own key through the encrypt command (no window) and
// removes the source; the container's path.
fs::path EncryptedForSelf(GuiHarness& h, const fs::path& file, const std::string& bytes) {
    test::WriteText(file, bytes);
    bool ok = false;
    if (!StartEncryptCommand(*h.context, nullptr, {EncryptMode::Self, {file}, {}},
                             [&](const JobResult& r) { ok = r.Ok(); }) ||
        !h.WaitIdle() || !ok)
        qFatal("the container could not be made");
    fs::remove(file);
    h.presenter.shown.clear();
    fs::path container = file;
    container += ".tza";
    return container;
}

}  // namespace

class DecryptWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theDecryptCommandChoosesContainersAndGivesBackTheBytes() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("path");
        const auto container = EncryptedForSelf(h, folder / "data.bin", Binary());
        h.chooser.opens.push_back({container});
        ModalDriver driver;
        driver.Then("CFileDialogWithContDec", [&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Decrypt"));
            QCOMPARE(Child(w, "ok")->text(), QStringLiteral("Decrypt"));
            QCOMPARE(Child(w, "keepContainerName")->text(), QStringLiteral("Hereafter,Decrypt without Namechange."));
            auto* list = Child<QListWidget>(w, "files");
            QCOMPARE(list->count(), 1);
            QCOMPARE(list->item(0)->text(), QString::fromStdString(container.string()));
            Click(w, "ok");
        });
        JobResult last;
        int doneCalls = 0;
        QVERIFY(StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::Command, {}}, [&](const JobResult& r) {
            ++doneCalls;
            last = r;
        }));
        QVERIFY(h.WaitIdle());
        QCOMPARE(driver.seen, QStringList{"CFileDialogWithContDec"});
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(doneCalls, 1);
        QVERIFY(last.Ok());
        QCOMPARE(ReadAll(folder / "data.bin"), Binary());
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"1 Files succeed in decryption."}));
        // The chooser was asked for containers.
        QCOMPARE(h.chooser.asked.back().title, QStringLiteral("Decrypt"));
        QVERIFY(h.chooser.asked.back().filter.contains(QStringLiteral("*.tza")));
    }

    void withoutNamechangeTheOutputTakesTheContainersName() {
        GuiHarness h;
        const auto folder = h.WorkFolder("keep");
        const auto container = EncryptedForSelf(h, folder / "original.txt", "kept name\n");
        const auto renamed = folder / "renamed.txt.tza";
        fs::rename(container, renamed);
        h.chooser.opens.push_back({renamed});
        ModalDriver driver;
        driver.Then("CFileDialogWithContDec", [](QWidget* w) {
            QCOMPARE(Child(w, "ok")->text(), QStringLiteral("復号実施"));
            QCOMPARE(w->windowTitle(), QStringLiteral("復号化"));
            Click(w, "keepContainerName");
            Click(w, "ok");
        });
        QVERIFY(StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::Command, {}}));
        QVERIFY(h.WaitIdle());
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(ReadAll(folder / "renamed.txt"), std::string("kept name\n"));
        QVERIFY(!fs::exists(folder / "original.txt"));
    }

    void encryptThenDecryptThroughTheCommandsOverAnExistingFile() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("roundtrip");
        const auto source = folder / "notes.txt";
        const std::string original = "line one\nline two\n";
        test::WriteText(source, original);
        ModalDriver encrypt;
        encrypt.Then("CFileDialogWithTimeSet", [](QWidget* w) { Click(w, "ok"); });
        QVERIFY(
            StartEncryptCommand(*h.context, nullptr, {EncryptMode::Command, {source}, {h.core->SelfAuthKeyPath()}}));
        QVERIFY(h.WaitIdle());
        const auto container = folder / "notes.txt.tza";
        QVERIFY(fs::exists(container));
        test::WriteText(source, "edited meanwhile");

        // No: the file there stays as it is.
        h.presenter.shown.clear();
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::No);
        QVERIFY(StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::Command, {container}}));
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.presenter.Questions(), std::vector<QuestionId>{QuestionId::OverwriteOutput});
        QCOMPARE(h.presenter.shown.front().text,
                 std::string("notes.txt\nOverwrite for same name file.\nDo you Decrypt?"));
        QCOMPARE(ReadAll(source), std::string("edited meanwhile"));

        // Yes: the bytes that were encrypted.
        h.presenter.shown.clear();
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::Yes);
        QVERIFY(StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::Command, {container}}));
        QVERIFY(h.WaitIdle());
        QCOMPARE(ReadAll(source), original);
        QCOMPARE(h.presenter.Messages().back(), std::string("1 Files succeed in decryption."));
    }

    void cancelWritesNothingAndCallsNoDone() {
        struct Case {
            const char* name;
            bool chooserCancels;
            DecryptCommandMode mode;
            const char* dialog;  // the window whose Cancel is pressed
        } cases[] = {
            {"chooser", true, DecryptCommandMode::Command, nullptr},
            {"dialog with the name choice", false, DecryptCommandMode::Command, "CFileDialogWithContDec"},
            {"plain dialog", false, DecryptCommandMode::SmallWindow, "CDecryptFileDialog"},
        };
        for (const auto& c : cases) {
            GuiHarness h;
            const auto folder = h.WorkFolder("cancel");
            const auto container = EncryptedForSelf(h, folder / "a.txt", "a");
            if (!c.chooserCancels) h.chooser.opens.push_back({container});
            ModalDriver driver;
            if (c.dialog) driver.Then(QString::fromLatin1(c.dialog), [](QWidget* w) { Click(w, "cancel"); });
            bool done = false;
            QVERIFY2(!StartDecryptCommand(*h.context, nullptr, {c.mode, {}}, [&](const JobResult&) { done = true; }),
                     c.name);
            QVERIFY(h.WaitIdle());
            QVERIFY2(!done, c.name);
            QVERIFY2(driver.unexpected.isEmpty(), c.name);
            QCOMPARE(driver.seen.size(), c.dialog ? 1 : 0);
            QCOMPARE(test::FilesIn(folder), std::vector<fs::path>{container});
            QVERIFY2(h.presenter.shown.empty(), c.name);
        }
    }

    void thePlainDialogHasNoNameChoiceAndRefusesAnEmptyList() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("plain");
        const auto container = EncryptedForSelf(h, folder / "a.txt", "plain");
        h.chooser.opens.push_back({container});
        ModalDriver driver;
        driver.Then("CDecryptFileDialog", [&](QWidget* w) {
            QVERIFY(!w->findChild<QCheckBox*>("keepContainerName"));
            auto* list = Child<QListWidget>(w, "files");
            list->item(0)->setSelected(true);
            Click(w, "removeFiles");
            Click(w, "ok");
            QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"No file selected."}));
            QVERIFY(w->isVisible());
            // Adding it again through the chooser.
            h.chooser.opens.push_back({container});
            Click(w, "addFiles");
            QCOMPARE(list->count(), 1);
            Click(w, "ok");
        });
        QVERIFY(StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::SmallWindow, {}}));
        QVERIFY(h.WaitIdle());
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(ReadAll(folder / "a.txt"), std::string("plain"));
    }

    void aContainerNotAddressedToTheUserIsRefusedAndNothingIsWritten() {
        GuiHarness h(true);
        const auto folder = h.WorkFolder("foreign");
        test::WriteText(folder / "not-a-container.tza", std::string(400, 'x'));
        QVERIFY(
            StartDecryptCommand(*h.context, nullptr, {DecryptCommandMode::Command, {folder / "not-a-container.tza"}}));
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.presenter.Messages().front(), std::string("This file type is not TZA file or broken."));
        QCOMPARE(test::FilesIn(folder), std::vector<fs::path>{folder / "not-a-container.tza"});
    }

    void theDialogsRelabelOnALanguageSwitch() {
        GuiHarness h(false, false);
        CFileDialogWithContDec dialog(*h.context, {}, true);
        const auto labels = [&] {
            return QStringList{dialog.windowTitle(),
                               Child<QLabel>(&dialog, "filesLabel")->text(),
                               Child(&dialog, "addFiles")->text(),
                               Child(&dialog, "removeFiles")->text(),
                               Child(&dialog, "keepContainerName")->text(),
                               Child(&dialog, "ok")->text(),
                               Child(&dialog, "cancel")->text()};
        };
        const QStringList japanese{
            "復号化",   "復号化するファイル", "ファイルの追加...", "一覧から外す", "以後、名前を変更せずに復号化する。",
            "復号実施", "キャンセル"};
        QCOMPARE(labels(), japanese);
        QVERIFY(Child<QCheckBox>(&dialog, "keepContainerName")->isChecked());
        h.language->Switch(LanguageTable::Language::English);
        QCOMPARE(labels(), (QStringList{"Decrypt", "Files to decrypt", "Add Files...", "Remove from List",
                                        "Hereafter,Decrypt without Namechange.", "Decrypt", "Cancel"}));
        h.language->Switch(LanguageTable::Language::Japanese);
        QCOMPARE(labels(), japanese);
    }

    void screens() {
        for (bool english : {false, true}) {
            GuiHarness h(english, false);
            const auto folder = h.WorkFolder("screens");
            const std::vector<fs::path> files = {folder / "report.pdf.tza", folder / "見積書.xlsx.tza"};
            CDecryptFileDialog plain(*h.context, files);
            plain.adjustSize();
            test::SaveScreen(plain, "CDecryptFileDialog", h.texts);
            CFileDialogWithContDec withName(*h.context, files, false);
            withName.adjustSize();
            test::SaveScreen(withName, "CFileDialogWithContDec", h.texts);
        }
    }
};

QTEST_MAIN(DecryptWindowsTest)
#include "DecryptWindowsTest.moc"
