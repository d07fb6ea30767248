// The pieces every window stands on: the Qt user dialog carrying a job's
// questions from the worker to the UI thread and back, the job runner's one
// job at a time, the message boxes and the continue-confirm dialog with the
// product's captions, the wait window's cancel, menu labels with their
// shortcuts and the product's file filters.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "GuiHarness.h"
#include "gui/common/CContinueConfirmDialog.h"
#include "gui/common/CWait.h"
#include "gui/common/DialogPresenter.h"
#include "gui/common/GuiText.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;

namespace {

// Runs `act` on the modal window that opens next.
void OnNextModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        act(QApplication::activeModalWidget());
    });
}

}  // namespace

class CommonTest : public QObject {
    Q_OBJECT

private slots:
    void questionsOfAWorkerAreAnsweredOnTheUiThread() {
        GuiHarness h(false, false);
        QWidget window;
        h.dialog->SetWindow(&window);
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::Yes);
        h.presenter.PlanContinue(QuestionId::DeleteSources, ContinueConfirm::All);
        std::vector<int> answers;
        std::thread::id workerThread;
        QSignalSpy busy(h.jobs.get(), &CJobRunner::BusyChanged);
        QVERIFY(h.jobs->Start([&] {
            workerThread = std::this_thread::get_id();
            h.dialog->ShowMessage("first", MessageKind::Warning, {});
            answers.push_back(
                static_cast<int>(h.dialog->Ask(QuestionId::OverwriteOutput, "replace?", QuestionButtons::YesNo, {})));
            answers.push_back(h.dialog->AskContinue({QuestionId::DeleteSources, "", "wipe?", {}}));
            answers.push_back(static_cast<int>(
                h.dialog->Ask(QuestionId::RenewSender, "unplanned", QuestionButtons::YesNoCancel, {})));
        }));
        QVERIFY(h.jobs->Busy());
        QVERIFY(h.WaitIdle());
        QVERIFY(workerThread != std::this_thread::get_id());
        QCOMPARE(answers, (std::vector<int>{static_cast<int>(Answer::Yes), ContinueConfirm::All,
                                            static_cast<int>(Answer::Cancel)}));
        QCOMPARE(h.presenter.shown.size(), std::size_t{4});
        QCOMPARE(h.presenter.shown[0].text, std::string("first"));
        QCOMPARE(h.presenter.shown[0].messageKind, MessageKind::Warning);
        QCOMPARE(
            h.presenter.Questions(),
            (std::vector<QuestionId>{QuestionId::OverwriteOutput, QuestionId::DeleteSources, QuestionId::RenewSender}));
        for (auto* parent : h.presenter.parents) QCOMPARE(parent, &window);
        QCOMPARE(busy.count(), 2);
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
    }

    void aSecondJobIsRefusedWhileOneRuns() {
        GuiHarness h(false, false);
        std::atomic<bool> release{false};
        int ran = 0;
        QVERIFY(h.jobs->Start([&] {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ++ran;
        }));
        QVERIFY(!h.jobs->Start([&] { ran += 10; }));
        release.store(true);
        QVERIFY(h.WaitIdle());
        QCOMPARE(ran, 1);
        int result = 0;
        QVERIFY(h.jobs->Run<int>([] { return 7; }, [&](int r) { result = r; }));
        QVERIFY(h.WaitIdle());
        QCOMPARE(result, 7);
    }

    void theCancelFlagIsClearedForEachJobAndSetByTheWaitWindow() {
        GuiHarness h(false, false);
        CWait wait(h.texts, [&] { h.dialog->RequestCancel(); });
        wait.show();
        QCOMPARE(wait.findChild<QLabel*>("text")->text(), QStringLiteral("処理中です。しばらくお待ちください。"));
        auto* cancel = wait.findChild<QPushButton*>("cancel");
        QCOMPARE(cancel->text(), QStringLiteral("キャンセル"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(h.dialog->CancelRequested());
        QVERIFY(!wait.isVisible());
        bool seen = true;
        QVERIFY(h.jobs->Start([&] { seen = h.dialog->CancelRequested(); }));
        QVERIFY(h.WaitIdle());
        QVERIFY(!seen);
    }

    void abortReleasesAWorkerWaitingForAnAnswer() {
        GuiHarness h(false, false);
        h.presenter.Plan(QuestionId::OverwriteOutput, Answer::Yes);
        std::atomic<int> answer{-1};
        QVERIFY(h.jobs->Start([&] {
            answer =
                static_cast<int>(h.dialog->Ask(QuestionId::OverwriteOutput, "replace?", QuestionButtons::YesNo, {}));
        }));
        // The UI thread does not dispatch: the question waits until Abort.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        h.dialog->Abort();
        for (int i = 0; i < 500 && answer.load() < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QCOMPARE(answer.load(), static_cast<int>(Answer::No));
        QVERIFY(h.dialog->CancelRequested());
        QVERIFY(h.WaitIdle());
        QVERIFY(h.presenter.shown.empty());
    }

    void progressReachesTheWindowCoalescedAndComplete() {
        GuiHarness h(false, false);
        QSignalSpy progress(h.dialog.get(), &CQtUserDialog::ProgressChanged);
        QSignalSpy status(h.dialog.get(), &CQtUserDialog::StatusChanged);
        QVERIFY(h.jobs->Start([&] {
            h.dialog->SetStatus("working");
            h.dialog->SetProgressRange(20000);
            for (int i = 0; i < 20000; ++i) h.dialog->StepProgress(1);
        }));
        QVERIFY(h.WaitIdle());
        QVERIFY(progress.count() >= 1);
        QVERIFY(progress.count() < 1000);
        QCOMPARE(progress.last().at(0).toLongLong(), 20000);
        QCOMPARE(progress.last().at(1).toLongLong(), 20000);
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("working"));
    }

    void aJobThatThrowsEndsWithAnErrorMessage() {
        GuiHarness h(true, false);
        bool done = false;
        QVERIFY(h.jobs->Start([] { throw std::runtime_error("disk on fire"); }, [&] { done = true; }));
        QVERIFY(h.WaitIdle());
        QVERIFY(done);
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"An unexpected error occurred.\ndisk on fire"}));
        QCOMPARE(h.presenter.shown[0].messageKind, MessageKind::Error);
    }

    void messageBoxesCarryTheKindsIconTheProgramTitleAndTheTablesCaptions() {
        LanguageTable texts;
        texts.FillJapanese();
        texts.FillEnglish();
        CQtDialogPresenter presenter(texts);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, button;
        OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            icon = box->icon();
            title = box->windowTitle();
            button = box->buttons().front()->text();
            box->buttons().front()->click();
        });
        presenter.ShowMessage(nullptr, {"stop", MessageKind::Error, ""});
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(title, QStringLiteral("Tessarin"));
        QCOMPARE(button, QStringLiteral("OK"));

        QStringList captions;
        OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            for (auto* b : box->buttons()) captions << b->text();
            for (auto* b : box->buttons())
                if (b->text() == QStringLiteral("No")) b->click();
        });
        QCOMPARE(presenter.Ask(nullptr, {QuestionId::OverwriteOutput, "replace?", QuestionButtons::YesNoCancel, "T"}),
                 Answer::No);
        captions.sort();
        QCOMPARE(captions, (QStringList{"Cancel", "No", "Yes"}));

        OnNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(presenter.Ask(nullptr, {QuestionId::OverwriteOutput, "replace?", QuestionButtons::YesNo, ""}),
                 Answer::No);
    }

    void theContinueConfirmDialogAnswersTheIndexOfItsButton() {
        LanguageTable texts;
        texts.FillJapanese();
        CContinueConfirmDialog own(texts);
        QCOMPARE(own.windowTitle(), QStringLiteral("連続上書き確認ダイアログ"));
        QStringList defaults;
        for (const char* name : {"first", "all", "third", "stop"})
            defaults << own.findChild<QPushButton*>(name)->text();
        QCOMPARE(defaults, (QStringList{"はい", "全て上書き", "いいえ", "中止"}));

        struct Case {
            const char* button;
            int expected;
        };
        for (const auto& c : {Case{"first", 0}, Case{"all", 1}, Case{"third", 2}, Case{"stop", 3}, Case{"", 3}}) {
            CContinueConfirmDialog dialog(texts);
            dialog.Set({QuestionId::OverwriteOutput, "Title", "a.txt exists", {"Yes", "Overwrite all", "No", "Stop"}});
            QCOMPARE(dialog.findChild<QPushButton*>("all")->text(), QStringLiteral("Overwrite all"));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Title"));
            const std::string name = c.button;
            QTimer::singleShot(0, &dialog, [&dialog, name] {
                if (name.empty())
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                else
                    dialog.findChild<QPushButton*>(QString::fromStdString(name))->click();
            });
            QCOMPARE(dialog.Run(), c.expected);
        }
    }

    void menuLabelsCarryTheirShortcutAndFiltersBecomeQtFilters() {
        QAction action;
        SetMenuText(action, "暗号化\tCtrl+&E");
        QCOMPARE(action.text(), QStringLiteral("暗号化"));
        QCOMPARE(action.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        SetMenuText(action, "&Decryption\tCtrl+D");
        QCOMPARE(action.text(), QStringLiteral("&Decryption"));
        QCOMPARE(action.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));

        QCOMPARE(QtFilterOf("全てのファイル(*.*)|*.*||"), QStringLiteral("全てのファイル (*.*)"));
        QCOMPARE(QtFilterOf("公開鍵ファイル(*.vpub)|*.vpub|全て(*.*)|*.*||"),
                 QStringLiteral("公開鍵ファイル (*.vpub);;全て (*.*)"));
        QCOMPARE(QtFilterOf("Keys|*.vpub;*.vpri||"), QStringLiteral("Keys (*.vpub *.vpri)"));
    }

    void pathsThatAreNotUtf8AreNotShowable() {
        QVERIFY(IsShowable("/tmp/日本語.txt"));
        QVERIFY(!IsShowable(std::string("/tmp/bad\xff\xfe.txt")));
    }

    void screens() {
        for (bool english : {false, true}) {
            LanguageTable texts;
            texts.FillJapanese();
            if (english) texts.FillEnglish();
            CContinueConfirmDialog confirm(texts);
            confirm.Set({QuestionId::OverwriteOutput,
                         "",
                         english ? "report.pdf.tza already exists. Overwrite it?"
                                 : "report.pdf.tzaは既に存在します。上書きしますか？",
                         {}});
            confirm.adjustSize();
            test::SaveScreen(confirm, "CContinueConfirmDialog", texts);
            CWait wait(texts, [] {});
            wait.adjustSize();
            test::SaveScreen(wait, "CWait", texts);
        }
    }
};

QTEST_MAIN(CommonTest)
#include "CommonTest.moc"
