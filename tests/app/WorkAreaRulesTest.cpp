// The work area's rules without a window: the work list's one-entry-per-path
// rule, the expansion a command receives, links dropped as what they point
// to, the browsing lists (hidden entries, containers only), the drive box,
// and how the small window sorts what is dropped on it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "app/DriveBox.h"
#include "app/SmallWindow.h"
#include "app/WebPages.h"
#include "app/WorkListBox.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
}

std::vector<std::string> Names(const FolderListing& listing) {
    std::vector<std::string> out;
    for (const auto& e : listing.entries) out.push_back(e.path.filename().string() + (e.folder ? "/" : ""));
    return out;
}

TEST(WorkListEntries, APathIsListedOnceWhateverItsSpelling) {
    WorkListEntries list;
    EXPECT_EQ(list.Add("/data/report.pdf"), AddOutcome::Added);
    EXPECT_EQ(list.Add("/data/./report.pdf"), AddOutcome::Duplicate);
    EXPECT_EQ(list.Add("/data/folder/"), AddOutcome::Added);
    EXPECT_EQ(list.Add("/data/folder"), AddOutcome::Duplicate);
    // Names that differ by case are different files here.
    EXPECT_EQ(list.Add("/data/Report.pdf"), AddOutcome::Added);
    EXPECT_EQ(list.Entries(), (std::vector<fs::path>{"/data/report.pdf", "/data/folder", "/data/Report.pdf"}));
    list.Remove(0);
    EXPECT_FALSE(list.Contains("/data/report.pdf"));
    EXPECT_EQ(list.Add("/data/report.pdf"), AddOutcome::Added);
    list.Remove(17);
    EXPECT_EQ(list.Size(), 3u);
    list.Clear();
    EXPECT_EQ(list.Add("/data/folder"), AddOutcome::Added);
}

TEST(WorkListEntries, TenThousandPathsWithRepeatsAreEachAddedOnce) {
    std::vector<fs::path> paths;
    for (int i = 0; i < 10000; ++i) paths.push_back("/drop/file" + std::to_string(i) + ".txt");
    for (int i = 0; i < 10000; i += 7) paths.push_back("/drop/file" + std::to_string(i) + ".txt");
    WorkListEntries list;
    EXPECT_EQ(list.AddAll(paths), 10000u);
    EXPECT_EQ(list.Size(), 10000u);
    EXPECT_EQ(list.Entries()[9999], fs::path("/drop/file9999.txt"));
}

TEST(ExpandWorkList, AFolderGivesItselfAndTheEntriesDirectlyInsideIt) {
    TempDir dir;
    const auto folder = dir / "folder";
    Touch(folder / "b.txt");
    Touch(folder / "a.txt");
    Touch(folder / ".hidden");
    Touch(folder / "desktop.ini");
    Touch(folder / "Thumbs.db");
    Touch(folder / "sub" / "deep.txt");
    Touch(dir / "single.txt");
    const auto out = ExpandWorkList({dir / "single.txt", folder});
    EXPECT_EQ(out.folders, (std::vector<fs::path>{folder}));
    EXPECT_EQ(out.files, (std::vector<fs::path>{dir / "single.txt", folder / ".hidden", folder / "Thumbs.db",
                                                folder / "a.txt", folder / "b.txt", folder / "desktop.ini"}));
    EXPECT_FALSE(out.cancelled);
    EXPECT_TRUE(out.unreadable.empty());
}

TEST(ExpandWorkList, StopEndsWithWhatWasCollected) {
    TempDir dir;
    Touch(dir / "one.txt");
    Touch(dir / "two.txt");
    int asked = 0;
    const auto out = ExpandWorkList({dir / "one.txt", dir / "two.txt"}, [&] { return ++asked == 2; });
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(out.files, (std::vector<fs::path>{dir / "one.txt"}));
}

TEST(ExpandWorkList, AFolderWithoutPermissionIsReportedAndAVanishedFileStays) {
    TempDir dir;
    const auto closed = dir / "closed";
    Touch(closed / "secret.txt");
    fs::permissions(closed, fs::perms::none);
    WorkListExpansion out;
    {
        WithoutRootRights user(dir.Path());
        out = ExpandWorkList({closed, dir / "gone.txt"});
    }
    fs::permissions(closed, fs::perms::owner_all);
    EXPECT_EQ(out.folders, (std::vector<fs::path>{closed}));
    EXPECT_EQ(out.unreadable, (std::vector<fs::path>{closed}));
    // The command decides what a vanished file means.
    EXPECT_EQ(out.files, (std::vector<fs::path>{dir / "gone.txt"}));
}

TEST(DroppedPathTarget, ALinkStandsForWhatItPointsTo) {
    TempDir dir;
    Touch(dir / "real" / "file.txt");
    fs::create_symlink("real/file.txt", dir / "link");
    fs::create_symlink(dir / "link", dir / "link2");
    fs::create_directory_symlink(dir / "real", dir / "folderlink");
    fs::create_symlink("nowhere", dir / "dangling");
    fs::create_symlink("loop", dir / "loop");
    EXPECT_EQ(DroppedPathTarget(dir / "link"), dir / "real" / "file.txt");
    EXPECT_EQ(DroppedPathTarget(dir / "link2"), dir / "real" / "file.txt");
    EXPECT_EQ(DroppedPathTarget(dir / "folderlink"), dir / "real");
    EXPECT_EQ(DroppedPathTarget(dir / "real" / "file.txt"), dir / "real" / "file.txt");
    EXPECT_EQ(DroppedPathTarget(dir / "dangling"), std::nullopt);
    EXPECT_EQ(DroppedPathTarget(dir / "loop"), std::nullopt);
    EXPECT_EQ(DroppedPathTarget(dir / "missing.txt"), std::nullopt);
}

TEST(IsUtf8, TellsNamesThatCanBeShown) {
    struct Case {
        std::string text;
        bool utf8;
    };
    for (const auto& c : std::vector<Case>{{"plain.txt", true},
                                           {"日本語.txt", true},
                                           {"\xF0\x9F\x98\x80", true},
                                           {"bad\xff.txt", false},
                                           {"cut\xE6\x97", false},
                                           {"\xC0\xAF", false},
                                           {"\xED\xA0\x80", false},
                                           {"\xF4\x90\x80\x80", false}}) {
        EXPECT_EQ(IsUtf8(c.text), c.utf8) << c.text;
    }
}

TEST(ListFolder, HiddenEntriesAreNotListedAndContainersOnlyLeavesOutFolders) {
    TempDir dir;
    Touch(dir / "b.txt");
    Touch(dir / "A.tza");
    Touch(dir / "c.TZA");
    Touch(dir / ".secret.tza");
    Touch(dir / std::string("bad\xff.tza"));
    fs::create_directories(dir / "Sub");
    fs::create_directories(dir / "box.tza");
    fs::create_directories(dir / ".cache");
    const auto all = ListFolder(dir.Path(), false);
    EXPECT_EQ(Names(all), (std::vector<std::string>{"box.tza/", "Sub/", "A.tza", "b.txt", "c.TZA"}));
    EXPECT_EQ(all.unshowable, 1u);
    EXPECT_TRUE(all.readable);
    EXPECT_EQ(Names(ListFolder(dir.Path(), true)), (std::vector<std::string>{"A.tza", "c.TZA"}));
    EXPECT_EQ(Names(SubFolders(dir.Path())), (std::vector<std::string>{"box.tza/", "Sub/"}));
    EXPECT_FALSE(ListFolder(dir / "missing", false).readable);
}

TEST(DriveBox, DesktopVolumesThenDocumentsAndTheirFolders) {
    TempDir dir;
    const auto desktop = dir / "Desktop";
    const auto documents = dir / "Documents";
    fs::create_directories(desktop);
    fs::create_directories(documents / "Work");
    fs::create_directories(documents / "Letters");
    fs::create_directories(documents / ".private");
    Touch(documents / "notes.txt");
    DrivePlaces places{desktop,
                       documents,
                       {{"/", "/dev/sda1", "ext4", VolumeType::Fixed},
                        {"/media/usb", "/dev/sdb1", "vfat", VolumeType::Removable},
                        {"/media/cd", "/dev/sr0", "iso9660", VolumeType::Optical},
                        {"/tmp", "tmpfs", "tmpfs", VolumeType::Ram},
                        {"/mnt/nas", "//nas/share", "cifs", VolumeType::Network}}};
    struct Row {
        std::string text;
        fs::path folder;
    };
    const std::vector<Row> japanese = {
        {"デスクトップ", desktop},
        {"ハードディスクドライブ(/)", "/"},
        {"リムーバブルディスクドライブ(/media/usb)", "/media/usb"},
        {"DVD/CD-ROMドライブ(/media/cd)", "/media/cd"},
        {"RAMドライブ(/tmp)", "/tmp"},
        {"ネットワークドライブ(/mnt/nas)", "/mnt/nas"},
        {"マイドキュメント", documents},
        {"    Letters", documents / "Letters"},
        {"    Work", documents / "Work"},
    };
    const auto entries = DriveBoxEntries(places, JapaneseTexts());
    ASSERT_EQ(entries.size(), japanese.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].text, japanese[i].text);
        EXPECT_EQ(entries[i].folder, japanese[i].folder);
    }
    const auto english = DriveBoxEntries(places, FilledTexts());
    EXPECT_EQ(english[0].text, "Desktop");
    EXPECT_EQ(english[1].text, "Hard Disk Drive(/)");
    EXPECT_EQ(english[2].text, "Removable Disk Drive(/media/usb)");
    EXPECT_EQ(english[6].text, "My Documents");

    // A desktop or documents folder that does not exist is left out.
    const auto bare = DriveBoxEntries({dir / "none", dir / "none", {}}, JapaneseTexts());
    EXPECT_TRUE(bare.empty());
}

TEST(SmallWindowDrop, EachKindOfPathGoesWhereItBelongs) {
    TempDir dir;
    const auto privateKey = dir / "keys" / "TaroPrivate.vpri";
    Touch(privateKey);
    Touch(dir / "report.pdf");
    Touch(dir / "mail.TZA");
    Touch(dir / "partner.vpub");
    Touch(dir / "folder" / "inner.tza");
    Touch(dir / "folder" / "inner.txt");
    Touch(dir / "folder" / "key.vpub");
    Touch(dir / "folder" / "sub" / "deep.txt");
    fs::create_symlink(dir / "report.pdf", dir / "report-link");
    fs::create_directories(dir / "box.tza");
    Touch(dir / "box.tza" / "x.txt");
    const fs::path longPath = dir / std::string(300, 'a');
    const fs::path badName = dir / std::string("bad\xff.txt");
    Touch(badName);

    struct Case {
        const char* name;
        std::vector<fs::path> dropped;
        std::vector<fs::path> decrypt, encrypt, registerKeys;
        bool backup = false;
        std::vector<fs::path> tooLong, missing, unshowable;
    };
    const std::vector<Case> cases = {
        {"plain file", {dir / "report.pdf"}, {}, {dir / "report.pdf"}, {}, false, {}, {}, {}},
        {"container in capitals", {dir / "mail.TZA"}, {dir / "mail.TZA"}, {}, {}, false, {}, {}, {}},
        {"public key", {dir / "partner.vpub"}, {}, {}, {dir / "partner.vpub"}, false, {}, {}, {}},
        {"folder: one level, containers to decrypt, keys encrypted",
         {dir / "folder"},
         {dir / "folder" / "inner.tza"},
         {dir / "folder" / "inner.txt", dir / "folder" / "key.vpub"},
         {},
         false,
         {},
         {},
         {}},
        {"a folder named like a container is a folder",
         {dir / "box.tza"},
         {},
         {dir / "box.tza" / "x.txt"},
         {},
         false,
         {},
         {},
         {}},
        {"link taken as its target", {dir / "report-link"}, {}, {dir / "report.pdf"}, {}, false, {}, {}, {}},
        {"private key alone runs the backup, nothing else",
         {dir / "report.pdf", privateKey, dir / "mail.TZA"},
         {},
         {},
         {},
         true,
         {},
         {},
         {}},
        {"private key through another spelling",
         {dir / "keys" / "." / "TaroPrivate.vpri"},
         {},
         {},
         {},
         true,
         {},
         {},
         {}},
        {"too long, vanished and unshowable are left out",
         {longPath, dir / "gone.txt", badName, dir / "report.pdf"},
         {},
         {dir / "report.pdf"},
         {},
         false,
         {longPath},
         {dir / "gone.txt"},
         {badName}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = ClassifySmallWindowDrop(c.dropped, privateKey);
        EXPECT_EQ(out.backupPrivateKey, c.backup);
        EXPECT_EQ(out.decrypt, c.decrypt);
        EXPECT_EQ(out.encrypt, c.encrypt);
        EXPECT_EQ(out.registerKeys, c.registerKeys);
        EXPECT_EQ(out.tooLong, c.tooLong);
        EXPECT_EQ(out.missing, c.missing);
        EXPECT_EQ(out.unshowable, c.unshowable);
    }
}

TEST(SmallWindowDrop, TheLengthRuleCountsCharactersNotBytes) {
    const fs::path japanese = "/" + [] {
        std::string s;
        for (int i = 0; i < 259; ++i) s += "あ";
        return s;
    }();
    EXPECT_EQ(PathLength(japanese), 260u);
    EXPECT_EQ(ClassifySmallWindowDrop({japanese}, {}).tooLong.size(), 0u);
    EXPECT_EQ(ClassifySmallWindowDrop({japanese / "x"}, {}).tooLong.size(), 1u);
}

TEST(SmallWindowPlace, CornersOfTheWorkAreaOrTheLastPosition) {
    const ScreenRect area{0, 30, 1920, 1050};
    struct Case {
        int position;
        ScreenPoint expected;
    };
    for (const auto& c : std::vector<Case>{
             {1, {0, 30}}, {2, {1620, 30}}, {3, {0, 880}}, {4, {1620, 880}}, {5, {0, 0}}, {0, {0, 0}}, {9, {0, 0}}}) {
        EXPECT_EQ(SmallWindowPlace(c.position, area, 300, 200, {0, 0}), c.expected) << c.position;
    }
    EXPECT_EQ(SmallWindowPlace(5, area, 300, 200, {640, 480}), (ScreenPoint{640, 480}));
}

TEST(WebPages, EveryPageLivesUnderTheServiceRoot) {
    ::setenv("TESSARIN_SERVICE_URL", "https://service.test/", 1);
    EXPECT_EQ(MakerPageUrl(MakerPage::Home), "https://service.test/tessarin/");
    EXPECT_EQ(MakerPageUrl(MakerPage::Support), "https://service.test/tessarin/support/");
    EXPECT_EQ(MakerPageUrl(MakerPage::Faq), "https://service.test/tessarin/faq/");
    EXPECT_EQ(MakerPageUrl(MakerPage::Help), "https://service.test/tessarin/help/");
    ::unsetenv("TESSARIN_SERVICE_URL");
}

}  // namespace
}  // namespace tessarin::test
