#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "container/WipeFile.h"
#include "core/LanguageTable.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUserDialog;
using test::TempDir;

void MakeFile(const fs::path& p, std::size_t size, std::uint8_t fill = 0x5A) {
    test::WriteFileBytes(p, std::vector<std::uint8_t>(size, fill));
}

// Runs f with writes beyond `bytes` failing (EFBIG, the signal ignored).
template <class F>
auto WithFileSizeLimit(rlim_t bytes, F f) {
    struct rlimit old {};
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

TEST(WipeFile, DeletesFilesOfEverySize) {
    TempDir dir;
    // Empty, one byte, one buffer and one byte more than a buffer.
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, kWipeBufferSize, kWipeBufferSize + 1}) {
        const fs::path p = dir / ("f" + std::to_string(size));
        MakeFile(p, size);
        EXPECT_TRUE(WipeFile(p)) << size;
        EXPECT_FALSE(fs::exists(p)) << size;
    }
}

struct WriteLog final : IWipeObserver {
    void OnWrite(int pass, std::uint8_t fill, std::size_t bytes) override { writes.push_back({pass, fill, bytes}); }
    struct Write {
        int pass;
        std::uint8_t fill;
        std::size_t bytes;
    };
    std::vector<Write> writes;
};

TEST(WipeFile, WritesWholeBuffersThenTheRestInEveryPass) {
    TempDir dir;
    MakeFile(dir / "f", 1024001);
    WriteLog log;
    ASSERT_TRUE(WipeFile(dir / "f", &log));
    ASSERT_EQ(log.writes.size(), 20u);
    for (int pass = 0; pass < kWipePasses; ++pass) {
        EXPECT_EQ(log.writes[2 * pass].pass, pass);
        EXPECT_EQ(log.writes[2 * pass].bytes, 1024000u);
        EXPECT_EQ(log.writes[2 * pass + 1].bytes, 1u);
        EXPECT_LT(log.writes[2 * pass].fill, 255);
        EXPECT_EQ(log.writes[2 * pass].fill, log.writes[2 * pass + 1].fill);
    }
    // An empty file is deleted without any write.
    MakeFile(dir / "e", 0);
    WriteLog none;
    EXPECT_TRUE(WipeFile(dir / "e", &none));
    EXPECT_TRUE(none.writes.empty());
    EXPECT_FALSE(fs::exists(dir / "e"));
}

TEST(WipeFile, RefusesWhatIsNotAFileAndLeavesItAlone) {
    TempDir dir;
    EXPECT_FALSE(WipeFile(dir / "missing"));
    EXPECT_FALSE(fs::exists(dir / "missing"));  // never created
    fs::create_directory(dir / "sub");
    EXPECT_FALSE(WipeFile(dir / "sub"));
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    MakeFile(dir / "target", 10);
    fs::create_symlink(dir / "target", dir / "link");
    EXPECT_FALSE(WipeFile(dir / "link"));
    EXPECT_EQ(test::ReadFileBytes(dir / "target"), std::vector<std::uint8_t>(10, 0x5A));
}

TEST(WipeFile, WriteFailureLeavesTheFile) {
    TempDir dir;
    const fs::path p = dir / "big";
    MakeFile(p, 8192);
    // A file size limit below the file's size makes the overwrite fail.
    EXPECT_FALSE(WithFileSizeLimit(4096, [&] { return WipeFile(p); }));
    ASSERT_TRUE(fs::exists(p));
    EXPECT_EQ(fs::file_size(p), 8192u);
}

TEST(WipeFile, OverwritesBeforeDeleting) {
    // A second hard link keeps the inode visible after the delete, so the
    // overwritten bytes can be seen: one value in 0..254 over the whole file.
    TempDir dir;
    const fs::path p = dir / "victim";
    MakeFile(p, kWipeBufferSize + 1, 0xFF);
    fs::create_hard_link(p, dir / "witness");
    ASSERT_TRUE(WipeFile(p));
    EXPECT_FALSE(fs::exists(p));
    const auto bytes = test::ReadFileBytes(dir / "witness");
    ASSERT_EQ(bytes.size(), kWipeBufferSize + 1);
    EXPECT_NE(bytes[0], 0xFF);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), bytes[0]), static_cast<long>(bytes.size()));
}

class WipeCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        texts.FillJapanese();
        texts.FillEnglish();
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) MakeFile(dir / n, 100);
    }
    TempDir dir;
    LanguageTable texts;
    ScriptedUserDialog dialog;
    std::vector<std::string> names{"a.txt", "b.txt", "c.txt"};
};

TEST_F(WipeCommandTest, AsksWithTheFourButtonDialogThenAYesNoBoxForTheLast) {
    dialog.PlanContinue(ContinueConfirm::First);
    dialog.PlanContinue(ContinueConfirm::Third);
    dialog.PlanYes();
    EXPECT_EQ(WipeCommand(dir.Path(), names, dialog, texts), 2);
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_TRUE(fs::exists(dir / "b.txt"));
    EXPECT_FALSE(fs::exists(dir / "c.txt"));
    const auto& box = dialog.LastContinue();
    EXPECT_EQ(box.title, "Delete");
    EXPECT_EQ(box.text, "b.txt\nDelete this file,is this true?");
    EXPECT_EQ(box.captions, (std::array<std::string, 4>{"Yes", "Delete all", "No", "Stop"}));
    EXPECT_EQ(dialog.Questions(), std::vector<std::string>{"c.txt\nDelete this file,is this true?"});
    EXPECT_EQ(dialog.Statuses(),
              (std::vector<std::string>{"a.txt is perfect deleting.....", "b.txt is perfect deleting.....",
                                        "c.txt is perfect deleting....."}));
    EXPECT_EQ(dialog.Progress(), 3);
    EXPECT_TRUE(dialog.AllAnswersUsed());
}

TEST_F(WipeCommandTest, DeleteAllStopsAskingAndStopKeepsTheRest) {
    {
        dialog.PlanContinue(ContinueConfirm::All);
        EXPECT_EQ(WipeCommand(dir.Path(), names, dialog, texts), 3);
        EXPECT_TRUE(dialog.AllAnswersUsed());
    }
    for (const auto& n : names) MakeFile(dir / n, 100);
    ScriptedUserDialog stopper;
    stopper.PlanContinue(ContinueConfirm::First);
    stopper.PlanContinue(ContinueConfirm::Stop);
    EXPECT_EQ(WipeCommand(dir.Path(), names, stopper, texts), 1);
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_TRUE(fs::exists(dir / "b.txt"));
    EXPECT_TRUE(fs::exists(dir / "c.txt"));
}

TEST_F(WipeCommandTest, ReadOnlyFileIsNotTouched) {
    fs::permissions(dir / "a.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    dialog.PlanYes();
    EXPECT_EQ(WipeCommand(dir.Path(), {"a.txt"}, dialog, texts), 0);
    EXPECT_TRUE(fs::exists(dir / "a.txt"));
    EXPECT_EQ(dialog.Messages(),
              std::vector<std::string>{(dir / "a.txt").string() + "This file is read only,cannot delete."});
}

}  // namespace
}  // namespace tessarin

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::ScriptedUserDialog;
using test::TempDir;

TEST(WipeFileWithStatus, SaysWhyAWipeDidNotHappen) {
    TempDir dir;
    // A pipe is refused before it is opened: opening it for writing would
    // wait for a reader for ever.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    EXPECT_EQ(WipeFileWithStatus(dir / "pipe").status, WipeStatus::NotRegularFile);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    fs::create_directory(dir / "sub");
    EXPECT_EQ(WipeFileWithStatus(dir / "sub").status, WipeStatus::NotRegularFile);
    EXPECT_EQ(WipeFileWithStatus(dir / "missing").status, WipeStatus::Missing);
    // A link is not followed: neither it nor its target is touched.
    MakeFile(dir / "target", 10);
    fs::create_symlink(dir / "target", dir / "link");
    EXPECT_EQ(WipeFileWithStatus(dir / "link").status, WipeStatus::SymbolicLink);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(test::ReadFileBytes(dir / "target"), std::vector<std::uint8_t>(10, 0x5A));
    fs::create_symlink(dir / "pipe", dir / "pipe-link");
    EXPECT_EQ(WipeFileWithStatus(dir / "pipe-link").status, WipeStatus::SymbolicLink);

    // A write error names its cause.
    MakeFile(dir / "big", 8192);
    const WipeResult result = WithFileSizeLimit(4096, [&] { return WipeFileWithStatus(dir / "big"); });
    EXPECT_EQ(result.status, WipeStatus::Failed);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_TRUE(fs::exists(dir / "big"));
    EXPECT_TRUE(WipeFileWithStatus(dir / "big").Ok());
}

TEST(WipeFileWithStatus, EachFailureHasItsMessage) {
    LanguageTable texts;
    texts.FillJapanese();
    texts.FillEnglish();
    struct Case {
        WipeResult result;
        std::string expected;
    };
    const Case cases[] = {
        {{WipeStatus::SymbolicLink, ELOOP},
         "f.txt is a symbolic link and is not wiped. The file it points to is left alone."},
        {{WipeStatus::NotRegularFile, 0}, "f.txt is not a regular file and cannot be wiped."},
        {{WipeStatus::ReadOnlyFileSystem, EROFS}, "f.txt is on a read-only file system and cannot be wiped."},
        {{WipeStatus::Failed, EIO}, "f.txt could not be wiped (Input/output error)."},
        {{WipeStatus::Missing, ENOENT}, "f.txt could not be wiped (No such file or directory)."},
        {{WipeStatus::Wiped, 0}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(WipeFailureText(c.result, "f.txt", texts), c.expected);
    texts.FillJapanese();
    EXPECT_EQ(WipeFailureText({WipeStatus::ReadOnlyFileSystem, EROFS}, "f.txt", texts),
              "f.txtは読み込み専用のファイルシステム上にあるため、完全削除できません。");
}

TEST(WipeCommandMessages, ALinkOrAPipeGetsAMessageAndIsLeftAlone) {
    TempDir dir;
    LanguageTable texts;
    texts.FillJapanese();
    texts.FillEnglish();
    MakeFile(dir / "target", 10);
    fs::create_symlink(dir / "target", dir / "link");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    ScriptedUserDialog dialog;
    dialog.PlanContinue(ContinueConfirm::All);
    EXPECT_EQ(WipeCommand(dir.Path(), {"link", "pipe"}, dialog, texts), 0);
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{
                                     (dir / "link").string() +
                                         " is a symbolic link and is not wiped. The file it points to is left alone.",
                                     (dir / "pipe").string() + " is not a regular file and cannot be wiped."}));
    EXPECT_EQ(test::ReadFileBytes(dir / "target"), std::vector<std::uint8_t>(10, 0x5A));
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
}

}  // namespace
}  // namespace tessarin
