// The desktop program's command-line forms, the comma-separated hand-over
// and its messages.

#include <gtest/gtest.h>

#include "FilledTexts.h"
#include "app/StartupArgs.h"

namespace tessarin::test {
namespace {

using Paths = std::vector<std::filesystem::path>;

TEST(StartupArgs, EveryFormOfTheCommandLine) {
    const std::string longPath(261, 'a');
    const std::string longestPath(260, 'a');
    struct Case {
        std::vector<std::string> args;
        StartKind kind;
        std::optional<StartJob> job;
        Paths paths;
        bool fromClipboard;
    };
    const std::vector<Case> cases = {
        {{}, StartKind::Normal, {}, {}, false},
        {{"/home/u/report.pdf"}, StartKind::OnePath, {}, {"/home/u/report.pdf"}, false},
        {{"-E"}, StartKind::Job, StartJob::Encrypt, {}, true},
        {{"-D"}, StartKind::Job, StartJob::Decrypt, {}, true},
        {{"-T"}, StartKind::Job, StartJob::Forward, {}, true},
        {{"-H"}, StartKind::Job, StartJob::History, {}, true},
        {{"-K"}, StartKind::Job, StartJob::Wipe, {}, true},
        {{"-R"}, StartKind::Repair, {}, {}, false},
        {{"/Install"}, StartKind::Install, {}, {}, false},
        {{"/Uninstall"}, StartKind::Uninstall, {}, {}, false},
        // Exact and case-sensitive: anything else alone is a path.
        {{"-e"}, StartKind::OnePath, {}, {"-e"}, false},
        {{"/install"}, StartKind::OnePath, {}, {"/install"}, false},
        {{"-E", "/a/b.txt,/a/c d.txt,,"}, StartKind::Job, StartJob::Encrypt, {"/a/b.txt", "/a/c d.txt"}, false},
        {{"-D", longestPath}, StartKind::Job, StartJob::Decrypt, {longestPath}, false},
        {{"-D", longPath}, StartKind::PathTooLong, {}, {}, false},
        {{"-X", "/a/b.txt"}, StartKind::UnknownFlag, {}, {}, false},
        {{"-R", "/a/b.txt"}, StartKind::UnknownFlag, {}, {}, false},
        // A file manager's selection: one path per argument, commas kept.
        {{"-K", "/a/x,y.txt", "/a/z.txt"}, StartKind::Job, StartJob::Wipe, {"/a/x,y.txt", "/a/z.txt"}, false},
        {{"-H", "/a/x.tza", longPath}, StartKind::PathTooLong, {}, {}, false},
    };
    for (const auto& c : cases) {
        const auto got = ParseStartArguments(c.args);
        const std::string name = c.args.empty() ? "(none)" : c.args.front() + " +" + std::to_string(c.args.size() - 1);
        EXPECT_EQ(got.kind, c.kind) << name;
        EXPECT_EQ(got.job, c.job) << name;
        EXPECT_EQ(got.paths, c.paths) << name;
        EXPECT_EQ(got.fromClipboard, c.fromClipboard) << name;
    }
}

TEST(StartupArgs, ASecondStartDoesItsOwnJobOnlyWithOneArgumentOrAJobFlag) {
    EXPECT_FALSE(RunsBesideRunningInstance({}));
    EXPECT_TRUE(RunsBesideRunningInstance({"-R"}));
    EXPECT_TRUE(RunsBesideRunningInstance({"/home/u/a.tza"}));
    EXPECT_TRUE(RunsBesideRunningInstance({"-E", "/a,/b"}));
    EXPECT_TRUE(RunsBesideRunningInstance({"-K", "/a", "/b"}));
    EXPECT_FALSE(RunsBesideRunningInstance({"/home/u/a.txt", "/a"}));
    EXPECT_FALSE(RunsBesideRunningInstance({"-R", "/a"}));
}

TEST(StartupArgs, HandOverMessages) {
    const auto& ja = JapaneseTexts();
    EXPECT_EQ(ClipboardReadMessage(ja, ClipboardRead::Ok), "");
    EXPECT_EQ(ClipboardReadMessage(ja, ClipboardRead::NoText),
              "Tessarin System Error!! \n\nShell extension dll error.");
    EXPECT_EQ(ClipboardReadMessage(ja, ClipboardRead::CannotOpen), "Tessarin System Error!! \n\nClip board API error.");
    EXPECT_EQ(ClipboardReadMessage(ja, static_cast<ClipboardRead>(7)),
              "Tessarin System Error!! \n\nUnexpected circumstances error.");
}

}  // namespace
}  // namespace tessarin::test
