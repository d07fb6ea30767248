// The work area driven as a person would: the drive box, the folder tree and
// file list, ">>", "<<", "<<<", the keys of the lists, drops from the file
// manager and from the area's own lists, the context menus, and what it does
// with vanished files, closed folders, huge drops and names that are not
// UTF-8.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "GuiHarness.h"
#include "gui/common/GuiText.h"
#include "gui/main/CWorkArea.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;
using tessarin::test::WriteText;
namespace fs = std::filesystem;

namespace {

// A work area over folders of the test's own: a desktop with a few files, a
// documents folder with two folders, and two volumes.
struct Area {
    explicit Area(bool english = false) : h(english) {
        desktop = h.WorkFolder("Desktop");
        documents = h.WorkFolder("Documents");
        usb = h.WorkFolder("usb");
        fs::create_directories(documents / "Letters");
        fs::create_directories(documents / "Work");
        fs::create_directories(desktop / "photos");
        WriteText(desktop / "notes.txt", "notes");
        WriteText(desktop / "report.pdf", "pdf");
        WriteText(desktop / "mail.tza", "container");
        WriteText(desktop / ".hidden.txt", "hidden");
        WriteText(desktop / "photos" / "cat.jpg", "cat");
        area = std::make_unique<CWorkArea>(*h.context);
        const fs::path usbPath = usb;
        area->SetPlaces({desktop, documents, [usbPath] {
                             return std::vector<Volume>{{"/", "/dev/sda1", "ext4", VolumeType::Fixed},
                                                        {usbPath, "/dev/sdb1", "vfat", VolumeType::Removable}};
                         }});
        area->resize(520, 600);
        area->show();
        QApplication::setActiveWindow(area.get());
        if (!QTest::qWaitForWindowExposed(area.get())) qWarning("the work area was not shown");
    }

    template <class T>
    T* Find(const char* name) const {
        auto* w = area->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no widget %s", name);
        return w;
    }
    QListWidget* FileList() const { return Find<QListWidget>("fileList"); }
    QListWidget* WorkList() const { return Find<QListWidget>("workList"); }
    QTreeWidget* Tree() const { return Find<QTreeWidget>("folderTree"); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    QStringList FileNames() const {
        QStringList out;
        for (int i = 0; i < FileList()->count(); ++i) out << FileList()->item(i)->text();
        return out;
    }
    QStringList WorkEntries() const {
        QStringList out;
        for (int i = 0; i < WorkList()->count(); ++i) out << WorkList()->item(i)->text();
        return out;
    }
    void SelectFiles(const QStringList& names) const {
        FileList()->setFocus();
        FileList()->clearSelection();
        for (int i = 0; i < FileList()->count(); ++i)
            if (names.contains(FileList()->item(i)->text())) {
                FileList()->setCurrentItem(FileList()->item(i), QItemSelectionModel::Select);
            }
    }
    // A drop on the work list of the file manager's URLs (or the area's own
    // drag, when `own` names its source).
    void Drop(const QList<QUrl>& urls, const QByteArray& own = {}) const {
        QMimeData data;
        if (!urls.isEmpty()) data.setUrls(urls);
        if (!own.isEmpty()) data.setData(QStringLiteral("application/x-tessarin-workarea"), own);
        QWidget* target = WorkList()->viewport();
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) qWarning("the drag was refused");
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    std::vector<std::string> Messages() const { return h.presenter.Messages(); }

    GuiHarness h;
    fs::path desktop, documents, usb;
    std::unique_ptr<CWorkArea> area;
};

QUrl UrlOf(const fs::path& path) {
    return QUrl::fromLocalFile(PathText(path));
}

QStringList Texts(const std::vector<fs::path>& paths) {
    QStringList out;
    for (const auto& p : paths) out << PathText(p);
    return out;
}

}  // namespace

class WorkAreaTest : public QObject {
    Q_OBJECT

private slots:
    void theDriveBoxListsTheDesktopTheVolumesAndTheDocumentsFolders() {
        Area a;
        auto* box = a.Find<QComboBox>("driveBox");
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
        QCOMPARE(texts, (QStringList{"デスクトップ", "ハードディスクドライブ(/)",
                                     "リムーバブルディスクドライブ(" + PathText(a.usb) + ")", "マイドキュメント",
                                     "    Letters", "    Work"}));
        // The desktop is chosen first; the up button is off at a drive's root.
        QCOMPARE(a.area->CurrentFolder(), a.desktop);
        auto* up = a.Find<QToolButton>("upButton");
        QVERIFY(!up->isEnabled());

        box->setFocus();
        QTest::keyClick(box, Qt::Key_End);
        QCOMPARE(a.area->CurrentFolder(), a.documents / "Work");
        QCOMPARE(a.Tree()->topLevelItem(0)->text(0), QStringLiteral("Work"));
        QVERIFY(!up->isEnabled());

        a.h.language->Switch(LanguageTable::Language::English);
        QCOMPARE(box->itemText(0), QStringLiteral("Desktop"));
        QCOMPARE(box->itemText(3), QStringLiteral("My Documents"));
        QCOMPARE(box->currentIndex(), 5);
        QCOMPARE(a.Find<QCheckBox>("encryptedOnly")->text(), QStringLiteral("Encrypted Files Only"));
        QCOMPARE(a.Find<QLabel>("workListCaption")->text(), QStringLiteral("Cipher Studio (Selected files)"));
        QCOMPARE(a.Find<QAction>("listDecrypt")->text(), QStringLiteral("Decryption"));
        QCOMPARE(a.Find<QAction>("listWipe")->text(), QStringLiteral("Delete"));
        QCOMPARE(a.Find<QAction>("treeEncryptForSelf")->text(), QStringLiteral("Encryption for oneself"));
    }

    void theFileListHidesHiddenFilesAndCanShowContainersOnly() {
        Area a;
        QCOMPARE(a.FileNames(), (QStringList{"photos", "mail.tza", "notes.txt", "report.pdf"}));
        for (int i = 0; i < a.FileList()->count(); ++i) QVERIFY(!a.FileList()->item(i)->icon().isNull());
        auto* only = a.Find<QCheckBox>("encryptedOnly");
        QCOMPARE(only->text(), QStringLiteral("暗号化されたファイルのみ表示"));
        QVERIFY(!only->isChecked());
        const QPoint box(only->height() / 2, only->height() / 2);
        QTest::mouseClick(only, Qt::LeftButton, Qt::NoModifier, box);
        // Only containers: no folders either.
        QCOMPARE(a.FileNames(), (QStringList{"mail.tza"}));
        QTest::mouseClick(only, Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(a.FileNames().size(), 4);
    }

    void theFolderTreeFillsItsNodesWhenTheyAreExpanded() {
        Area a;
        fs::create_directories(a.desktop / "photos" / "2024");
        auto* top = a.Tree()->topLevelItem(0);
        QCOMPARE(top->childCount(), 1);
        auto* photos = top->child(0);
        QCOMPARE(photos->text(0), QStringLiteral("photos"));
        QCOMPARE(photos->childCount(), 0);
        photos->setExpanded(true);
        QCOMPARE(photos->childCount(), 1);
        QCOMPARE(photos->child(0)->text(0), QStringLiteral("2024"));
        a.Tree()->setCurrentItem(photos);
        QCOMPARE(a.area->CurrentFolder(), a.desktop / "photos");
        QCOMPARE(a.FileNames(), (QStringList{"2024", "cat.jpg"}));
        QVERIFY(a.Find<QToolButton>("upButton")->isEnabled());
    }

    void addingTwiceTellsThatTheFolderOrFileIsAlreadySelected() {
        for (bool english : {false, true}) {
            Area a(english);
            a.Tree()->setFocus();
            QTest::mouseClick(a.Button("addButton"), Qt::LeftButton);
            QCOMPARE(a.area->Entries(), (std::vector<fs::path>{a.desktop}));
            QVERIFY(a.Messages().empty());
            QTest::mouseClick(a.Button("addButton"), Qt::LeftButton);
            QCOMPARE(a.Messages().back(), std::string(english ? "This Folder has already been selected"
                                                              : "そのフォルダはすでに選択されています。"));

            a.SelectFiles({"notes.txt", "report.pdf"});
            QTest::mouseClick(a.Button("addButton"), Qt::LeftButton);
            QCOMPARE(a.area->Entries(),
                     (std::vector<fs::path>{a.desktop, a.desktop / "notes.txt", a.desktop / "report.pdf"}));
            QCOMPARE(a.Messages().size(), std::size_t{1});
            QTest::mouseClick(a.Button("addButton"), Qt::LeftButton);
            QCOMPARE(a.Messages().back(), std::string(english ? "This File has already been selected"
                                                              : "そのファイルはすでに選択されています。"));
            QCOMPARE(a.area->Entries().size(), std::size_t{3});
        }
    }

    void aVanishedFileIsToldAndTheListRefreshed() {
        Area a;
        a.SelectFiles({"notes.txt"});
        fs::remove(a.desktop / "notes.txt");
        QTest::mouseClick(a.Button("addButton"), Qt::LeftButton);
        QCOMPARE(a.Messages(),
                 (std::vector<std::string>{
                     "選択されたファイル(notes.txt)は、既に削除されているか他のフォルダに移動されています。"}));
        QVERIFY(a.area->Entries().empty());
        QVERIFY(!a.FileNames().contains("notes.txt"));
    }

    void keysAndDoubleClicksOfTheLists() {
        Area a;
        // Enter on a folder of the file list opens it; up goes back.
        a.SelectFiles({"photos"});
        QTest::keyClick(a.FileList(), Qt::Key_Return);
        QCOMPARE(a.area->CurrentFolder(), a.desktop / "photos");
        auto* up = a.Find<QToolButton>("upButton");
        QVERIFY(up->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(a.area->CurrentFolder(), a.desktop);
        QVERIFY(!up->isEnabled());

        // Enter on a file adds every selected file; a double-click does too.
        a.SelectFiles({"mail.tza", "notes.txt"});
        QTest::keyClick(a.FileList(), Qt::Key_Enter);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "mail.tza", a.desktop / "notes.txt"}));
        a.SelectFiles({"report.pdf"});
        const QRect reportRect = a.FileList()->visualItemRect(a.FileList()->currentItem());
        QTest::mouseClick(a.FileList()->viewport(), Qt::LeftButton, Qt::NoModifier, reportRect.center());
        QTest::mouseDClick(a.FileList()->viewport(), Qt::LeftButton, Qt::NoModifier, reportRect.center());
        QCOMPARE(a.WorkEntries().size(), 3);

        // Enter in the tree adds its folder.
        a.Tree()->setFocus();
        QTest::keyClick(a.Tree(), Qt::Key_Return);
        QCOMPARE(a.WorkEntries().size(), 4);
        QCOMPARE(a.WorkEntries().last(), PathText(a.desktop));

        // Enter or Delete in the work list removes the selection and keeps the
        // place.
        auto* work = a.WorkList();
        work->setFocus();
        work->setCurrentRow(1);
        QTest::keyClick(work, Qt::Key_Delete);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "mail.tza", a.desktop / "report.pdf", a.desktop}));
        QCOMPARE(work->currentRow(), 1);
        QTest::keyClick(work, Qt::Key_Return);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "mail.tza", a.desktop}));
        QCOMPARE(work->currentRow(), 1);
        const QPoint first = work->visualItemRect(work->item(0)).center();
        QTest::mouseClick(work->viewport(), Qt::LeftButton, Qt::NoModifier, first);
        QTest::mouseDClick(work->viewport(), Qt::LeftButton, Qt::NoModifier, first);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop}));
        // "<<" removes, "<<<" empties.
        a.Drop({UrlOf(a.desktop / "notes.txt")});
        work->setCurrentRow(0);
        QTest::mouseClick(a.Button("removeButton"), Qt::LeftButton);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "notes.txt"}));
        QTest::mouseClick(a.Button("clearButton"), Qt::LeftButton);
        QVERIFY(a.area->Entries().empty());
        QVERIFY(a.Messages().empty());
        // A removed entry can be added again.
        a.Drop({UrlOf(a.desktop / "notes.txt")});
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "notes.txt"}));
    }

    void dropsAddEachPathOnceWithoutMessagesAndTakeALinksTarget() {
        Area a;
        fs::create_symlink(a.desktop / "report.pdf", a.desktop / "report-link.pdf");
        fs::create_directory_symlink(a.desktop / "photos", a.desktop / "photos-link");
        const QList<QUrl> urls{UrlOf(a.desktop / "notes.txt"), UrlOf(a.desktop / "photos"),
                               UrlOf(a.desktop / "report-link.pdf"), UrlOf(a.desktop / "notes.txt")};
        a.Drop(urls);
        a.Drop(urls);
        a.Drop({UrlOf(a.desktop / "photos-link"), QUrl("https://example.com/x")});
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "notes.txt", a.desktop / "photos", a.desktop / "report.pdf"}));
        QVERIFY(a.Messages().empty());

        // The area's own drags add as ">>" does, with its messages.
        a.SelectFiles({"mail.tza"});
        a.Drop({}, "list");
        QCOMPARE(a.WorkEntries().last(), PathText(a.desktop / "mail.tza"));
        a.Drop({}, "tree");
        QCOMPARE(a.WorkEntries().last(), PathText(a.desktop));
        a.Drop({}, "tree");
        QCOMPARE(a.Messages(), (std::vector<std::string>{"そのフォルダはすでに選択されています。"}));
    }

    void aDropOfTenThousandFilesAddsEachOnce() {
        Area a;
        const auto folder = a.h.WorkFolder("many");
        QList<QUrl> urls;
        for (int i = 0; i < 10000; ++i) {
            const auto file = folder / ("file" + std::to_string(i) + ".txt");
            WriteText(file, "x");
            urls << UrlOf(file);
        }
        for (int i = 0; i < 10000; i += 3) urls << UrlOf(folder / ("file" + std::to_string(i) + ".txt"));
        a.Drop(urls);
        QCOMPARE(a.WorkList()->count(), 10000);
        const auto entries = a.area->Entries();
        QCOMPARE(entries.size(), std::size_t{10000});
        QCOMPARE(entries.front(), folder / "file0.txt");
        QCOMPARE(entries.back(), folder / "file9999.txt");
        QVERIFY(a.Messages().empty());
    }

    void pathsThatAreNotUtf8AreLeftOutWithAMessage() {
        Area a;
        const fs::path bad = a.desktop / std::string("bad\xff.txt");
        WriteText(bad, "bytes");
        // Not listed, so it cannot be chosen as another file's name.
        a.area->Refresh();
        QCOMPARE(a.FileNames(), (QStringList{"photos", "mail.tza", "notes.txt", "report.pdf"}));
        const QUrl url = QUrl::fromEncoded(QUrl::fromLocalFile(PathText(a.desktop)).toEncoded() + "/bad%FF.txt");
        a.Drop({url, UrlOf(a.desktop / "notes.txt")});
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "notes.txt"}));
        QCOMPARE(a.Messages().size(), std::size_t{1});
        QVERIFY(a.Messages()[0].starts_with("次のパス名には表示できない文字が含まれているため、扱いませんでした。\n"));
        // A vanished file dropped is told as well.
        a.Drop({UrlOf(a.desktop / "gone.txt")});
        QCOMPARE(a.Messages().back(), "選択されたファイル(" + (a.desktop / "gone.txt").string() +
                                          ")は、既に削除されているか他のフォルダに移動されています。");
        QCOMPARE(a.WorkEntries().size(), 1);
    }

    void aFolderWithoutPermissionIsToldWhenOpenedOrExpanded() {
        Area a;
        const auto closed = a.desktop / "closed";
        fs::create_directories(closed);
        WriteText(closed / "secret.txt", "s");
        fs::permissions(closed, fs::perms::none);
        a.area->Refresh();
        {
            test::WithoutRootRights user(a.desktop);
            a.SelectFiles({"closed"});
            QTest::keyClick(a.FileList(), Qt::Key_Return);
            a.area->AddPaths({closed});
            a.h.presenter.shown.clear();
            const auto expansion = a.area->Expand();
            QCOMPARE(expansion.folders, (std::vector<fs::path>{closed}));
            QVERIFY(expansion.files.empty());
        }
        fs::permissions(closed, fs::perms::owner_all);
        QCOMPARE(a.Messages(), (std::vector<std::string>{"フォルダ(" + closed.string() +
                                                         ")を開けませんでした。アクセス権を確認してください。"}));
    }

    void expandGivesAFolderAndTheFilesDirectlyInsideIt() {
        Area a;
        a.area->AddPaths({a.desktop / "notes.txt", a.desktop / "photos"});
        fs::create_directories(a.desktop / "photos" / "deeper");
        WriteText(a.desktop / "photos" / "deeper" / "x.txt", "x");
        const auto out = a.area->Expand();
        QCOMPARE(out.folders, (std::vector<fs::path>{a.desktop / "photos"}));
        QCOMPARE(out.files, (std::vector<fs::path>{a.desktop / "notes.txt", a.desktop / "photos" / "cat.jpg"}));
        QVERIFY(!out.cancelled);
        // The entries stay for the command to clear.
        QCOMPARE(a.area->Entries().size(), std::size_t{2});
    }

    void contextMenusAddTheItemsThenAskForTheCommand() {
        Area a;
        QSignalSpy encrypt(a.area.get(), &CWorkArea::EncryptForSelfRequested);
        QSignalSpy decrypt(a.area.get(), &CWorkArea::DecryptRequested);
        QSignalSpy wipe(a.area.get(), &CWorkArea::WipeRequested);

        auto* list = a.FileList();
        const QRect mail = list->visualItemRect(list->item(1));
        QContextMenuEvent click(QContextMenuEvent::Mouse, mail.center(), list->viewport()->mapToGlobal(mail.center()));
        QApplication::sendEvent(list->viewport(), &click);
        auto* listMenu = a.Find<QMenu>("listMenu");
        QTRY_VERIFY(listMenu->isVisible());
        QStringList labels;
        for (auto* action : listMenu->actions()) labels << action->text();
        QCOMPARE(labels, (QStringList{"自分宛に暗号化", "復号化", "削除"}));
        listMenu->hide();
        a.Find<QAction>("listDecrypt")->trigger();
        QCOMPARE(decrypt.count(), 1);
        QCOMPARE(a.WorkEntries(), Texts({a.desktop / "mail.tza"}));
        a.Find<QAction>("listWipe")->trigger();
        QCOMPARE(wipe.count(), 1);
        // A duplicate is no reason to stop the command.
        QCOMPARE(a.WorkEntries().size(), 1);
        QVERIFY(a.Messages().empty());

        auto* tree = a.Tree();
        const QRect top = tree->visualItemRect(tree->topLevelItem(0));
        QContextMenuEvent treeClick(QContextMenuEvent::Mouse, top.center(),
                                    tree->viewport()->mapToGlobal(top.center()));
        QApplication::sendEvent(tree->viewport(), &treeClick);
        auto* treeMenu = a.Find<QMenu>("treeMenu");
        QTRY_VERIFY(treeMenu->isVisible());
        treeMenu->hide();
        a.Find<QAction>("treeEncryptForSelf")->trigger();
        QCOMPARE(encrypt.count(), 1);
        QCOMPARE(a.WorkEntries().last(), PathText(a.desktop));

        a.area->SetCommandsEnabled(false);
        QVERIFY(!a.Find<QAction>("treeEncryptForSelf")->isEnabled());
        QVERIFY(!a.Find<QAction>("listWipe")->isEnabled());
        a.area->SetCommandsEnabled(true);
        QVERIFY(a.Find<QAction>("listWipe")->isEnabled());
    }

    void screens() {
        for (bool english : {false, true}) {
            Area a(english);
            a.area->AddPaths({a.desktop / "notes.txt", a.desktop / "photos", a.desktop / "report.pdf"});
            a.Tree()->topLevelItem(0)->setExpanded(true);
            QTest::qWait(20);
            test::SaveScreen(*a.area, "CWorkArea", a.h.texts);
        }
    }
};

QTEST_MAIN(WorkAreaTest)
#include "WorkAreaTest.moc"
