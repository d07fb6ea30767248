// The viewer beside the main program: found by name, started with no
// arguments and not waited for.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "Fixtures.h"
#include "platform/ViewerLauncher.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& text, unsigned mode) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
}

// Waits for a file the started program writes; the test fails after a minute.
std::string AwaitFile(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ViewerLauncher, TheViewerIsNamedTessarinCmInTheGivenFolder) {
    EXPECT_EQ(ViewerPath("/opt/tessarin"), fs::path("/opt/tessarin/Tessarin_CM"));
}

TEST(ViewerLauncher, TheProgramFolderIsTheFolderOfTheRunningExecutable) {
    EXPECT_TRUE(fs::exists(ProgramFolder() / fs::read_symlink("/proc/self/exe").filename()));
}

TEST(ViewerLauncher, OnlyAnExecutableFileCountsAsTheViewer) {
    test::TempDir dir;
    EXPECT_FALSE(ViewerExists(dir.Path()));
    fs::create_directory(dir / "Tessarin_CM");
    EXPECT_FALSE(ViewerExists(dir.Path())) << "a folder of that name";
    fs::remove(dir / "Tessarin_CM");
    WriteScript(dir / "Tessarin_CM", "#!/bin/sh\n", 0644);
    EXPECT_FALSE(ViewerExists(dir.Path())) << "not executable";
    ::chmod((dir / "Tessarin_CM").c_str(), 0755);
    EXPECT_TRUE(ViewerExists(dir.Path()));
}

TEST(ViewerLauncher, StartsTheViewerWithoutArgumentsAndDoesNotWaitForIt) {
    test::TempDir dir;
    // The stand-in viewer writes its argument count and then blocks until the
    // test lets it go: StartViewer can only return while it still runs.
    WriteScript(dir / "Tessarin_CM",
                "#!/bin/sh\n"
                "echo \"$#\" > \"$(dirname \"$0\")/args.tmp\"\n"
                "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n"
                "while [ ! -e \"$(dirname \"$0\")/release\" ]; do sleep 0.05; done\n"
                "touch \"$(dirname \"$0\")/ended\"\n",
                0755);
    ASSERT_TRUE(StartViewer(dir.Path()));
    EXPECT_EQ(AwaitFile(dir / "args"), "0\n");
    EXPECT_FALSE(fs::exists(dir / "ended"));
    std::ofstream(dir / "release").close();
    AwaitFile(dir / "ended");
    EXPECT_TRUE(fs::exists(dir / "ended"));
}

TEST(ViewerLauncher, AMissingViewerIsReportedAsNotStarted) {
    test::TempDir dir;
    EXPECT_FALSE(StartViewer(dir.Path()));
}

}  // namespace
}  // namespace tessarin
