#include <gtest/gtest.h>

#include "core/LanguageTable.h"

namespace tessarin {
namespace {

TEST(LanguageTable, EnglishKeepsJapaneseWhereItHasNoText) {
    LanguageTable t;
    EXPECT_EQ(t[slot::kOver1000Files], "");
    t.FillJapanese();
    EXPECT_EQ(t[2], "Tessarin");
    EXPECT_EQ(t[14], "暗号化する相手候補一覧");
    EXPECT_EQ(t[slot::kNoFileSelected], "工房内にファイルがありません。");
    t.FillEnglish();
    EXPECT_EQ(t[14], "List of candidates for encryption");
    EXPECT_EQ(t[26], "&Encryption\tCtrl+E");
    EXPECT_EQ(t[slot::kNoFileSelected], "No file selected.");
    // Japanese-only texts stay.
    EXPECT_EQ(t[slot::kOver1000Files], "暗号化ファイル数が1000個を超えています。このまま暗号化処理を行いますか？");
    EXPECT_EQ(t[slot::kFolderEncrypting], "指定されたフォルダを暗号化中です(%d/%d)・・・");
    EXPECT_EQ(t[28], "各種設定");
    EXPECT_EQ(t.Current(), LanguageTable::Language::English);
    // And back.
    t.FillJapanese();
    EXPECT_EQ(t[14], "暗号化する相手候補一覧");
    EXPECT_EQ(t[slot::kForwardSubject], "暗号化ファイルを転送します");
}

TEST(LanguageTable, OutOfRangeSlotsAreEmptyAndIgnored) {
    LanguageTable t;
    t.Set(-1, "x");
    t.Set(LanguageTable::kSlotCount, "x");
    t.Set(LanguageTable::kSlotCount - 1, "last");
    EXPECT_EQ(t[-1], "");
    EXPECT_EQ(t[LanguageTable::kSlotCount], "");
    EXPECT_EQ(t[LanguageTable::kSlotCount - 1], "last");
}

TEST(FormatText, ConversionsTakeTheirOwnTypesOnly) {
    struct Case {
        const char* format;
        std::initializer_list<FormatArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"%s was not found.\n", {std::string("k.vpub")}, "k.vpub was not found.\n"},
        {"Encrypting a file of %d out of %d.", {10LL, 3LL}, "Encrypting a file of 10 out of 3."},
        {"%6.6f ms, %d bytes, %f MBit/Sec", {1.5, 1024LL, 2.0}, "1.500000 ms, 1024 bytes, 2.000000 MBit/Sec"},
        {"100%% %s", {std::string("x")}, "100% x"},
        // A missing or mismatched argument gives an empty field, never a read.
        {"%s and %s", {std::string("one")}, "one and "},
        {"%d", {std::string("text")}, ""},
        {"%s", {5LL}, ""},
        {"(%2d)", {7LL}, "( 7)"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatText(c.format, c.args), c.expected) << c.format;
}

}  // namespace
}  // namespace tessarin
