#include <gtest/gtest.h>

#include "Fixtures.h"
#include "PipelineFixture.h"
#include "app/MailMessage.h"

namespace tessarin::test {
namespace {

TEST(MailMessage, RecipientsGrowByFive) {
    RecordingLauncher launcher;
    MailMessage m(launcher);
    EXPECT_EQ(m.RecipientCapacity(), 5u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.AddRecipient("p" + std::to_string(i) + "@x"), 1);
    EXPECT_EQ(m.RecipientCapacity(), 10u);
    EXPECT_EQ(m.AddRecipient(""), 0);
    EXPECT_EQ(m.AddRecipient("a@x", 3), 0);
    EXPECT_EQ(m.AddRecipient("-x", 0), 0);
    EXPECT_EQ(m.AddRecipient("cc@x", MailMessage::Cc), 1);
    EXPECT_EQ(m.AddRecipient("bcc@x", MailMessage::Bcc), 1);
    EXPECT_EQ(m.Recipients().back().recipientClass, MailMessage::kClassBcc);
    m.Reset();
    EXPECT_TRUE(m.Recipients().empty());
    EXPECT_EQ(m.RecipientCapacity(), 5u);
}

TEST(MailMessage, FoldersAndMissingFilesAreLeftOutAndTheMessageStillGoes) {
    TempDir dir;
    WriteFileBytes(dir / "a.tza", {1, 2, 3});
    std::filesystem::create_directory(dir / "sub");
    RecordingLauncher launcher;
    MailMessage m(launcher);
    EXPECT_EQ(m.AddAttachment(dir / "a.tza"), 1);
    EXPECT_EQ(m.AddAttachment(dir / "sub"), 0);
    EXPECT_EQ(m.AddAttachment(dir / "none"), 0);
    m.AddRecipient("to@x");
    m.AddRecipient("cc@x", MailMessage::Cc);
    EXPECT_EQ(m.Send("Subject", "Body\n"), 1);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0],
              (std::vector<std::string>{"xdg-email", "--utf8", "--cc", "cc@x", "--subject", "Subject", "--body",
                                        "Body\n", "--attach", (dir / "a.tza").string(), "to@x"}));
    launcher.result = false;
    EXPECT_EQ(m.Send("s", "b"), 0);
}

TEST(MailMessage, AMissingMailProgramGivesZero) {
    SpawnMailLauncher launcher;
    EXPECT_FALSE(launcher.Run({"tessarin-no-such-mail-program-xyz"}));
    EXPECT_FALSE(launcher.Run({}));
}

}  // namespace
}  // namespace tessarin::test
