// The rules of the encryption and decryption windows: the recipients the
// recipient selection offers, the files a dialog lists and the options
// dialog's output folder.

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "app/CommandDialogRules.h"
#include "core/LanguageTable.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;

KeyRow Row(const std::string& name, const std::string& mail, const fs::path& file, bool auth) {
    KeyRow row;
    row.columns = {name, mail, file.filename().string(), "", "", ""};
    row.file = file;
    row.auth = auth;
    return row;
}

TEST(CommandDialogRules, OnlyAuthenticatedKeysAreOfferedAndTheOwnOneUnderItsLabel) {
    LanguageTable texts;
    texts.FillJapanese();
    const fs::path folder = "/keys/KeyList_Taro";
    const std::vector<KeyRow> rows = {
        Row("自身のファイル暗号化用", "taro@example.com", folder / "Taro))Taro-auth.vpub", true),
        Row("Hanako", "hanako@example.com", folder / "Hanako))Taro-auth.vpub", true),
        Row("Jiro", "jiro@example.com", folder / "Jiro.vpub", false),
        Row("Saburo", "saburo@example.com", folder / "sub/../Saburo))Taro-auth.vpub", true),
    };
    auto candidates = RecipientCandidates(rows, folder / "." / "Taro))Taro-auth.vpub", texts);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].name, "(自分用)");
    EXPECT_EQ(candidates[0].file, folder / "Taro))Taro-auth.vpub");
    EXPECT_EQ(candidates[1].name, "Hanako");
    EXPECT_EQ(candidates[1].mail, "hanako@example.com");
    EXPECT_EQ(candidates[2].name, "Saburo");

    texts.FillEnglish();
    candidates = RecipientCandidates(rows, folder / "Taro))Taro-auth.vpub", texts);
    EXPECT_EQ(candidates[0].name, "(for oneself)");
    // Without an own self auth key every authenticated key keeps its name.
    candidates = RecipientCandidates(rows, {}, texts);
    EXPECT_EQ(candidates[0].name, "自身のファイル暗号化用");
}

TEST(CommandDialogRules, RefusalsOfOk) {
    LanguageTable texts;
    texts.FillJapanese();
    EXPECT_EQ(texts[RecipientChoiceRefusal(0)], "暗号化する相手が選択されてません");
    EXPECT_EQ(RecipientChoiceRefusal(1), 0);
    texts.FillEnglish();
    EXPECT_EQ(texts[FileListRefusal(0)], "No file selected.");
    EXPECT_EQ(FileListRefusal(3), 0);
}

TEST(CommandDialogRules, ChosenFilesAreListedOnce) {
    std::vector<fs::path> list;
    EXPECT_EQ(AddChosenFiles(list, {"/w/a.txt", "/w/b.txt", "/w/./a.txt"}), 1u);
    EXPECT_EQ(AddChosenFiles(list, {"/w/sub/../b.txt", "/w/c.txt"}), 1u);
    EXPECT_EQ(list, (std::vector<fs::path>{"/w/a.txt", "/w/b.txt", "/w/c.txt"}));
    // A relative choice is listed as the absolute path it names.
    EXPECT_EQ(AddChosenFiles(list, {"rel.txt"}), 0u);
    EXPECT_EQ(list.back(), (fs::current_path() / "rel.txt").lexically_normal());
}

TEST(CommandDialogRules, OutputFolder) {
    test::TempDir dir;
    const fs::path folder = dir / "out";
    fs::create_directories(folder);
    test::WriteFileBytes(dir / "file.txt", {1});
    LanguageTable texts;
    texts.FillJapanese();
    texts.FillEnglish();
    struct Case {
        std::string text;
        bool ok;
        fs::path folder;
        const char* message;  // formatted with the text
    } cases[] = {
        {"", true, {}, ""},
        {folder.string(), true, folder, ""},
        {folder.string() + "/", true, folder / "", ""},
        {(dir / "missing").string(), false, {}, "The output folder %s does not exist."},
        {(dir / "file.txt").string(), false, {}, "The output folder %s does not exist."},
    };
    for (const auto& c : cases) {
        const auto check = CheckOutputFolder(c.text);
        EXPECT_EQ(check.ok, c.ok) << c.text;
        EXPECT_EQ(check.folder, c.folder) << c.text;
        EXPECT_EQ(texts[check.messageSlot], std::string(c.message)) << c.text;
    }
}

}  // namespace
}  // namespace tessarin
