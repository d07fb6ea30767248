// The offline picture "CM/cm.jpg" in the data folder: written when missing,
// rewritten when it differs from the embedded one, kept when equal. And the
// language the viewer takes from the main program's settings.

#include <sys/stat.h>

#include <QtTest>
#include <fstream>

#include "ViewerSupport.h"
#include "adviewer/CTessarin_CMApp.h"
#include "adviewer/CmPicture.h"
#include "platform/IniFile.h"

namespace fs = std::filesystem;
namespace test = tessarin::test;
using namespace tessarin::adviewer;

namespace {

ino_t Inode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

int FilesIn(const fs::path& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
    return n;
}

}  // namespace

class CmPictureTest : public QObject {
    Q_OBJECT

private slots:
    void thePictureLivesInTheDataFolder() {
        test::ScopedHome home;
        QCOMPARE(QString::fromStdString(CmPicturePath().string()),
                 QString::fromStdString((home.Path() / "CM" / "cm.jpg").string()));
    }

    void theEmbeddedAdvertisementsAreOurs() {
        QCOMPARE(EmbeddedResource(132).toStdString(), test::FileText(test::AssetFile("cm.jpg")));
        QCOMPARE(EmbeddedResource(131).toStdString(), test::FileText(test::AssetFile("ad.gif")));
        QVERIFY(EmbeddedResource(132).startsWith("\xFF\xD8\xFF"));  // a JPEG
        QVERIFY(EmbeddedResource(131).startsWith("GIF89a"));
        QVERIFY(EmbeddedResource(133).isEmpty());
    }

    void theResourceFollowsTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("resource");
        QTest::newRow("jpg") << "cm.jpg" << 132;
        QTest::newRow("swf") << "cm.swf" << 131;
        QTest::newRow("SWF") << "cm.SWF" << 131;
        QTest::newRow("Swf") << "cm.Swf" << 132;
        QTest::newRow("no extension") << "cm" << 132;
    }
    void theResourceFollowsTheName() {
        QFETCH(QString, name);
        QFETCH(int, resource);
        QCOMPARE(ResourceForName(name.toStdString()), resource);
    }

    void thePictureIsMadeEqualToTheEmbeddedOne_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("no CM folder") << "none";
        QTest::newRow("empty CM folder") << "folder";
        QTest::newRow("CM is a file") << "file";
        QTest::newRow("modified picture") << "modified";
        QTest::newRow("modified read-only picture") << "readonly";
        QTest::newRow("picture cut short") << "short";
        QTest::newRow("same size, other bytes") << "samesize";
    }
    void thePictureIsMadeEqualToTheEmbeddedOne() {
        QFETCH(QString, before);
        test::ScopedHome home;
        const auto folder = home.Path() / "CM";
        const auto picture = folder / "cm.jpg";
        const std::string ours = test::FileText(test::AssetFile("cm.jpg"));
        if (before == "file") std::ofstream(folder) << "not a folder";
        if (before != "none" && before != "file") fs::create_directory(folder);
        if (before == "modified" || before == "readonly") std::ofstream(picture) << "someone else's picture";
        if (before == "readonly") fs::permissions(picture, fs::perms::owner_read);
        if (before == "short") std::ofstream(picture, std::ios::binary) << ours.substr(0, ours.size() - 1);
        if (before == "samesize") {
            std::string other = ours;
            other[other.size() / 2] = static_cast<char>(other[other.size() / 2] ^ 0x55);
            std::ofstream(picture, std::ios::binary) << other;
        }

        QCOMPARE(PrepareOfflinePicture(), picture);
        QVERIFY(fs::is_directory(folder));
        QVERIFY(test::FileText(picture) == ours);
        QCOMPARE(FilesIn(folder), 1);  // no temporary file left
    }

    void anEqualPictureIsKept() {
        test::ScopedHome home;
        QVERIFY(WriteResourceToFile(CmPicturePath()));
        const ino_t first = Inode(CmPicturePath());
        RefreshPictureFile();
        QCOMPARE(Inode(CmPicturePath()), first);
        QCOMPARE(PrepareOfflinePicture(), CmPicturePath());
        QCOMPARE(Inode(CmPicturePath()), first);
        QCOMPARE(FilesIn(home.Path() / "CM"), 1);
    }

    void refreshingWithoutAFolderCreatesNothing() {
        test::ScopedHome home;
        RefreshPictureFile();
        QVERIFY(!fs::exists(home.Path() / "CM"));
    }

    void aPictureThatCannotBeWrittenLeavesNoFile() {
        test::ScopedHome home;
        fs::create_directory(home.Path() / "CM");
        fs::permissions(home.Path() / "CM", fs::perms::owner_read | fs::perms::owner_exec);
        if (::access((home.Path() / "CM").c_str(), W_OK) == 0) QSKIP("running with rights that ignore permissions");
        QVERIFY(!WriteResourceToFile(CmPicturePath()));
        QCOMPARE(PrepareOfflinePicture(), CmPicturePath());
        QVERIFY(!fs::exists(CmPicturePath()));
        fs::permissions(home.Path() / "CM", fs::perms::owner_all);
    }

    void theLanguageFollowsTheMainProgramsSetting_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("english");
        QTest::newRow("EN") << "EN" << true;
        QTest::newRow("JP") << "JP" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("lower case en") << "en" << false;
        QTest::newRow("no setting") << "<none>" << false;
    }
    void theLanguageFollowsTheMainProgramsSetting() {
        QFETCH(QString, value);
        QFETCH(bool, english);
        test::TempDir dir;
        const auto file = dir / "Values.dat";
        if (value != "<none>")
            QVERIFY(tessarin::WritePrivateProfileString("TZA", "LanguageSel", value.toStdString(), file));
        QCOMPARE(ViewerLanguage(file) == tessarin::LanguageTable::Language::English, english);
    }
};

int RunCmPictureTest(int argc, char** argv) {
    CmPictureTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CmPictureTest.moc"
