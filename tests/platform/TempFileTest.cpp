// Temporary output files: owner-only while written, unnamed where the file
// system allows it, and removed when the process is told to stop.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "platform/TempFile.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned ModeOf(std::FILE* stream) {
    struct stat st {};
    EXPECT_EQ(::fstat(fileno(stream), &st), 0);
    return st.st_mode & 07777;
}

unsigned ModeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(TempFile& temp, const std::string& text) {
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), temp.Stream()), text.size());
}

// Runs each test with the unnamed form allowed and with the named form only.
class TempFileTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        TempFile::SetUnnamedFilesAllowed(GetParam());
        m_umask = ::umask(0);  // nothing masks the bits the file is created with
    }
    void TearDown() override {
        ::umask(m_umask);
        TempFile::SetUnnamedFilesAllowed(true);
    }
    TempDir dir;
    mode_t m_umask = 0;
};

TEST_P(TempFileTest, WhileWrittenTheFileIsTheOwnersOnly) {
    auto temp = TempFile::CreateBeside(dir / "out.txt", ".tza-dec-");
    ASSERT_TRUE(temp);
    Write(*temp, "plaintext");
    EXPECT_EQ(ModeOf(temp->Stream()), 0600u);
    for (const auto& name : Entries(dir.Path())) EXPECT_EQ(ModeOf(dir / name), 0600u) << name;
}

TEST_P(TempFileTest, CommittedFileGetsTheUsualModeOrTheOneSet) {
    ::umask(022);
    auto temp = TempFile::CreateBeside(dir / "out.txt");
    ASSERT_TRUE(temp);
    Write(*temp, "one");
    EXPECT_FALSE(temp->Commit(dir / "out.txt").has_value());
    EXPECT_EQ(ModeOf(dir / "out.txt"), 0644u);
    EXPECT_EQ(Contents(dir / "out.txt"), "one");

    auto key = TempFile::CreateBeside(dir / "key");
    ASSERT_TRUE(key);
    Write(*key, "secret");
    ASSERT_TRUE(key->SetPermissions(0400));
    EXPECT_FALSE(key->Commit(dir / "key").has_value());
    EXPECT_EQ(ModeOf(dir / "key"), 0400u);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"key", "out.txt"}));
}

TEST_P(TempFileTest, CommitReplacesTheTargetAndDiscardLeavesNothing) {
    std::ofstream(dir / "out.txt") << "old";
    {
        auto temp = TempFile::CreateBeside(dir / "out.txt");
        ASSERT_TRUE(temp);
        Write(*temp, "new");
        EXPECT_FALSE(temp->Commit(dir / "out.txt").has_value());
    }
    EXPECT_EQ(Contents(dir / "out.txt"), "new");
    {
        auto dropped = TempFile::CreateBeside(dir / "out.txt");
        ASSERT_TRUE(dropped);
        Write(*dropped, "partial");
    }
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(Contents(dir / "out.txt"), "new");
}

TEST_P(TempFileTest, ClosedStreamLeavesAFileOthersReopenByPath) {
    auto temp = TempFile::CreateBeside(dir / "out.tza", ".tza-");
    ASSERT_TRUE(temp);
    ASSERT_TRUE(temp->CloseStream());
    EXPECT_FALSE(temp->Unnamed());
    EXPECT_EQ(temp->Path().parent_path(), dir.Path());
    EXPECT_EQ(temp->Path().filename().string().rfind(".tza-", 0), 0u);
    EXPECT_EQ(ModeOf(temp->Path()), 0600u);
    std::ofstream(temp->Path(), std::ios::binary) << "by path";
    EXPECT_FALSE(temp->Commit(dir / "out.tza").has_value());
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.tza"});
    EXPECT_EQ(Contents(dir / "out.tza"), "by path");
}

INSTANTIATE_TEST_SUITE_P(Forms, TempFileTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "UnnamedAllowed" : "NamedOnly"; });

TEST(TempFileUnnamed, NothingIsInTheFolderUntilCommitted) {
    TempDir dir;
    auto temp = TempFile::CreateBeside(dir / "out.txt");
    ASSERT_TRUE(temp);
    if (!temp->Unnamed()) GTEST_SKIP() << "the file system has no unnamed files";
    Write(*temp, "data");
    ASSERT_EQ(std::fflush(temp->Stream()), 0);
    EXPECT_TRUE(Entries(dir.Path()).empty());
    EXPECT_EQ(Contents(temp->Path()), "data");  // reopened through its descriptor
    EXPECT_FALSE(temp->Commit(dir / "out.txt").has_value());
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.txt"});
}

// A child process writes a temporary file and then gets a signal; the
// parent looks at how it ended and what is left in the folder.
struct Ending {
    bool signalled = false;
    int signal = 0;
};

template <typename Body>
Ending RunChild(Body body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    return Ending{WIFSIGNALED(status), WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status)};
}

class TempFileSignal : public ::testing::TestWithParam<int> {};

TEST_P(TempFileSignal, StopsTheJobAndRemovesNamedTemporaries) {
    TempDir dir;
    const int signo = GetParam();
    const Ending ending = RunChild([&] {
        InstallTerminationCleanup();
        TempFile::SetUnnamedFilesAllowed(false);
        auto temp = TempFile::CreateBeside(dir / "out.txt", ".tza-dec-");
        if (!temp || std::fputs("decrypted beginning", temp->Stream()) < 0 || std::fflush(temp->Stream()) != 0)
            ::_exit(3);
        ::raise(signo);
        // The job sees the stop mark; the file is already gone.
        if (!TerminationRequested() || TerminationSignal() != signo) ::_exit(4);
        if (fs::exists(temp->Path())) ::_exit(5);
        EndByTerminationSignal();
        ::_exit(6);
    });
    EXPECT_TRUE(ending.signalled) << "exit status " << ending.signal;
    EXPECT_EQ(ending.signal, signo);
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, TempFileSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& param) { return std::string(sigabbrev_np(param.param)); });

TEST(TempFileSignalAgain, ASecondSignalEndsTheProcessAtOnce) {
    TempDir dir;
    const Ending ending = RunChild([&] {
        InstallTerminationCleanup();
        TempFile::SetUnnamedFilesAllowed(false);
        auto temp = TempFile::CreateBeside(dir / "out.txt");
        ::raise(SIGTERM);
        ::raise(SIGTERM);
        ::_exit(7);  // not reached
    });
    EXPECT_TRUE(ending.signalled) << "exit status " << ending.signal;
    EXPECT_EQ(ending.signal, SIGTERM);
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

TEST(TempFileUnnamed, EvenAKilledProcessLeavesNothing) {
    TempDir dir;
    {
        auto probe = TempFile::CreateBeside(dir / "probe");
        ASSERT_TRUE(probe);
        if (!probe->Unnamed()) GTEST_SKIP() << "the file system has no unnamed files";
    }
    const Ending ending = RunChild([&] {
        auto temp = TempFile::CreateBeside(dir / "out.txt");
        if (!temp || std::fputs("decrypted beginning", temp->Stream()) < 0 || std::fflush(temp->Stream()) != 0)
            ::_exit(3);
        ::raise(SIGKILL);
    });
    EXPECT_TRUE(ending.signalled);
    EXPECT_EQ(ending.signal, SIGKILL);
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

}  // namespace
}  // namespace tessarin::test
