#include <gtest/gtest.h>

#include <fstream>

#include "Fixtures.h"
#include "app/SettingsRecord.h"
#include "platform/IniFile.h"

namespace tessarin {
namespace {

TEST(SettingsRecord, MissingFileGivesTheDefaults) {
    test::TempDir dir;
    SettingsRecord s;
    s.useSmallMenu = 0;
    s.Read(dir / "Values.dat");
    EXPECT_EQ(s.useSmallMenu, 1);
    EXPECT_EQ(s.smallMenuPosition, 4);
    EXPECT_EQ(s.firstStart, 1);
    EXPECT_EQ(s.inquireUsb, 1);
    EXPECT_EQ(s.languageSel, "JP");
    EXPECT_EQ(s.batchWorkers, 0);  // one per core
    EXPECT_FALSE(s.English());
    EXPECT_TRUE(s.PublicKeyPath().empty());
}

TEST(SettingsRecord, WriteThenReadKeepsEveryWrittenKey) {
    test::TempDir dir;
    const auto file = dir / "Values.dat";
    SettingsRecord s;
    s.destPath1 = "/home/u/out";
    s.keyPairRoot = "/home/u/keys";
    s.publicKeyName = "/elsewhere/north.vpub";  // stored without its folder
    s.privateKeyName = "northPrivate.vpri";
    s.limitUnit = 3;
    s.languageSel = "EN";
    s.firstStart = 0;
    s.noUseContextMenu = 1;  // never written
    s.batchWorkers = 3;
    ASSERT_TRUE(s.Write(file));
    EXPECT_EQ(GetPrivateProfileString("TZA", "BatchWorkers", "", file), "3");
    EXPECT_EQ(GetPrivateProfileString("TZA", "keyPairRoot", "", file), "/home/u/keys");
    EXPECT_EQ(GetPrivateProfileString("TZA", "NoUseContextMenu", "absent", file), "absent");

    SettingsRecord back;
    back.Read(file);
    EXPECT_EQ(back.destPath1, "/home/u/out");
    EXPECT_EQ(back.publicKeyName, "north.vpub");
    EXPECT_EQ(back.PublicKeyPath(), std::filesystem::path("/home/u/keys/north.vpub"));
    EXPECT_EQ(back.PrivateKeyPath(), std::filesystem::path("/home/u/keys/northPrivate.vpri"));
    EXPECT_EQ(back.limitUnit, 3);
    EXPECT_TRUE(back.English());
    EXPECT_EQ(back.firstStart, 0);
    EXPECT_EQ(back.batchWorkers, 3);
}

TEST(SettingsRecord, AnEmptyLanguageCountsAsJapanese) {
    test::TempDir dir;
    const auto file = dir / "Values.dat";
    std::ofstream(file) << "[TZA]\r\nLanguageSel=\r\nlimitunit=12 days\r\n";
    SettingsRecord s;
    s.Read(file);
    EXPECT_EQ(s.languageSel, "JP");
    EXPECT_EQ(s.limitUnit, 12);
}

}  // namespace
}  // namespace tessarin
