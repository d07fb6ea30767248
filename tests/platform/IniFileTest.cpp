#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "Fixtures.h"
#include "platform/IniFile.h"

namespace tessarin {
namespace {

TEST(IniFile, MissingFileOrKeyGivesTheDefault) {
    test::TempDir dir;
    const auto file = dir / "Values.dat";
    EXPECT_EQ(GetPrivateProfileString("TZA", "DestPath1", "dflt", file), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("TZA", "UseSmallMenu", 1, file), 1);
}

TEST(IniFile, ReadsAreCaseInsensitiveAndFollowTheProfileRules) {
    test::TempDir dir;
    const auto file = dir / "Values.dat";
    std::ofstream(file) << "; comment\r\n[Other]\r\nkey=wrong\r\n[tza]\r\nkeyPairRoot = /home/u/keys \r\n"
                        << "LimitUnit=12abc\r\nNeg=-4\r\nQuoted=\"a b\"\r\nLong=" << std::string(300, 'x') << "\r\n";
    EXPECT_EQ(GetPrivateProfileString("TZA", "KeyPairRoot", "", file), "/home/u/keys");
    EXPECT_EQ(GetPrivateProfileInt("TZA", "limitunit", 0, file), 12);
    EXPECT_EQ(GetPrivateProfileInt("TZA", "Neg", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("TZA", "Quoted", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileString("TZA", "Quoted", "", file), "a b");
    EXPECT_EQ(GetPrivateProfileString("TZA", "Long", "", file).size(), 255u);
    EXPECT_EQ(GetPrivateProfileString("TZA", "key", "none", file), "none");
}

TEST(IniFile, WritesReplaceInPlaceAndKeepOtherLines) {
    test::TempDir dir;
    const auto file = dir / "Values.dat";
    ASSERT_TRUE(WritePrivateProfileString("TZA", "DestPath1", "/a", file));
    ASSERT_TRUE(WritePrivateProfileString("TZA", "FirstStart", "0", file));
    ASSERT_TRUE(WritePrivateProfileString("tza", "destpath1", "/b", file));
    ASSERT_TRUE(WritePrivateProfileString("Other", "x", "1", file));
    EXPECT_EQ(GetPrivateProfileString("TZA", "DestPath1", "", file), "/b");
    EXPECT_EQ(GetPrivateProfileInt("TZA", "FirstStart", 1, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("Other", "x", 0, file), 1);
    std::ifstream in(file);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "[TZA]\r\ndestpath1=/b\r\nFirstStart=0\r\n[Other]\r\nx=1\r\n");
    // No temporary files are left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 1);
}

TEST(IniFile, ValuesTheReaderWouldChangeReadBackAsWritten) {
    // Folder names may end in a blank or carry quotes; the reader trims
    // blanks and takes off one pair of quotes, so such values are written
    // quoted.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/home/u/My Folder ", "DestPath1=\"/home/u/My Folder \""},
        {"\t/lead", "DestPath1=\"\t/lead\""},
        {"\"quoted\"", "DestPath1=\"\"quoted\"\""},
        {"'single'", "DestPath1=\"'single'\""},
        {"\"", "DestPath1=\""},
        {"a \"b\" c", "DestPath1=a \"b\" c"},
        {"", "DestPath1="},
        {"x\r", "DestPath1=\"x\r\""},
    };
    for (const auto& [value, line] : cases) {
        SCOPED_TRACE(value);
        test::TempDir dir;
        const auto file = dir / "Values.dat";
        ASSERT_TRUE(WritePrivateProfileString("TZA", "DestPath1", value, file));
        EXPECT_EQ(GetPrivateProfileString("TZA", "DestPath1", "none", file), value);
        std::ifstream in(file);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(all, "[TZA]\r\n" + line + "\r\n");
    }
}

TEST(IniFile, ATextWithALineBreakIsRefusedAndChangesNothing) {
    // Written as it is, "x\nkeyPairRoot=/elsewhere" would add a key line.
    for (const std::string value : {"x\nkeyPairRoot=/elsewhere", "x\r\n", "\n[Other]"}) {
        test::TempDir dir;
        const auto file = dir / "Values.dat";
        std::ofstream(file) << "[TZA]\r\nDestPath1=/a\r\n";
        EXPECT_FALSE(WritePrivateProfileString("TZA", "DestPath1", value, file));
        IniEditor editor(file);
        editor.Set("TZA", "FirstStart", "0");
        editor.Set("TZA", "DestPath2", value);
        EXPECT_FALSE(editor.Save());
        EXPECT_FALSE(WritePrivateProfileString("TZA", "Dest\nPath1", "/b", file));
        std::ifstream in(file);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(all, "[TZA]\r\nDestPath1=/a\r\n");
        EXPECT_EQ(GetPrivateProfileString("TZA", "keyPairRoot", "none", file), "none");
    }
}

TEST(IniFile, AnUnwritableFolderFailsAndChangesNothing) {
    EXPECT_FALSE(WritePrivateProfileString("TZA", "k", "v", "/nonexistent-folder/Values.dat"));
}

}  // namespace
}  // namespace tessarin
