// Stopping a job in the middle of a file, and a file key that does not live
// in the shared cipher between the payload and the records.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "PipelineFixture.h"
#include "container/DecryptPipeline.h"
#include "platform/ByteIo.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kChunk = static_cast<std::int64_t>(CStreamCipher::kBufferSize);

// Records the cipher's chunk reports and asks for cancel after the first.
struct CancelAfterFirstChunk {
    explicit CancelAfterFirstChunk(ScriptedUserDialog& d) : dialog(d) {}
    void Install(CStreamCipher& cipher) {
        cipher.SetChunkObserver([this](std::int64_t done) {
            seen.push_back(done);
            dialog.CancelAfterPolls(0);  // the cancel button, pressed now
        });
    }
    ScriptedUserDialog& dialog;
    std::vector<std::int64_t> seen;
};

struct FileStamp {
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp Stamp(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return {static_cast<std::uintmax_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

TEST_F(PipelineTest, CancelStopsALargeSourceAfterItsFirstChunkAndLeavesNothing) {
    // 1.5 GiB, sparse: nothing to write, much to encrypt.
    const fs::path source = dir / "src" / "big.bin";
    {
        const int fd = ::open(source.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{3} << 29), 0);
        ::close(fd);
    }
    const FileStamp before = Stamp(source);
    state->files = {source};
    CancelAfterFirstChunk cancel(dialog);
    cancel.Install(state->Cipher());

    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    // Stopped after the first chunk: nothing beyond it was enciphered.
    ASSERT_FALSE(cancel.seen.empty());
    EXPECT_EQ(cancel.seen.front(), kChunk);
    EXPECT_LE(*std::max_element(cancel.seen.begin(), cancel.seen.end()), kChunk);
    EXPECT_LE(cancel.seen.size(), 2u);  // the chunk, and the closing count
    // No container, no temporary: only the source, as it was.
    EXPECT_EQ(Listing(dir / "src"), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(Stamp(source), before);
    EXPECT_TRUE(state->WrittenContainers().empty());
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"0 files succeeded encryption."});
    EXPECT_FALSE(state->Cipher().HasState());  // no file key left behind
}

TEST_F(PipelineTest, CancelStopsADecryptionInTheMiddleAndKeepsTheContainer) {
    // Three chunks and a bit.
    std::string content(static_cast<std::size_t>(3 * kChunk + 1234), '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 3);
    state->files = {Source("long.txt", content)};
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 1);
    const fs::path container = dir / "src" / "long.txt.tza";
    fs::remove(dir / "src" / "long.txt");
    const auto containerBytes = ReadFileBytes(container);
    const FileStamp before = Stamp(container);

    ScriptedUserDialog decryptDialog;
    CStreamCipher cipher;
    CancelAfterFirstChunk cancel(decryptDialog);
    cancel.Install(cipher);
    container::DecryptRun run(host, decryptDialog, cipher, texts);
    run.publicKeyPath = dir / "keys" / "north.vpub";
    run.privateKeyPath = dir / "keys" / "northPrivate.vpri";
    run.files = {container};
    run.isOnCdRom = [](const fs::path&) { return false; };
    run.removeAfterDecrypt = true;  // must not happen to a stopped container

    EXPECT_EQ(container::DecryptFiles(run, container::kDecryptCommand), 0);
    EXPECT_TRUE(run.stopped);
    ASSERT_FALSE(cancel.seen.empty());
    EXPECT_EQ(cancel.seen.front(), kChunk);
    EXPECT_LE(*std::max_element(cancel.seen.begin(), cancel.seen.end()), kChunk);
    EXPECT_LE(cancel.seen.size(), 2u);
    EXPECT_EQ(Listing(dir / "src"), std::vector<std::string>{"long.txt.tza"});
    EXPECT_EQ(ReadFileBytes(container), containerBytes);
    EXPECT_EQ(Stamp(container), before);
    EXPECT_TRUE(run.decrypted.empty());
}

TEST_F(PipelineTest, TheFileKeyDoesNotDependOnTheCipherBetweenPayloadAndRecords) {
    // Logs without the own key: the history question comes between the
    // payload and the records; a plain key adds the sender record, whose
    // keystream continues the payload's.
    // Another job uses the shared cipher while the batch waits for the answer.
    std::unique_ptr<MainWindowState> s;
    ActingDialog meddling(dialog);
    meddling.onQuestion = [&] {
        const std::array<std::uint8_t, 32> other{9, 9, 9};
        s->Cipher().SetWordCount(CStreamCipher::kWordCount);
        s->Cipher().SetKey(other);
        std::uint8_t scratch[4096] = {};
        s->Cipher().Crypt(scratch, sizeof scratch, scratch);
    };
    s = std::make_unique<MainWindowState>(host, meddling, texts, launcher);
    s->publicKeyPath = state->publicKeyPath;
    s->privateKeyPath = state->privateKeyPath;
    s->selfAuthKeyPath = state->selfAuthKeyPath;
    s->userName = "north";
    s->mailAddress = "north@example.jp";
    const std::string text(70000, 'k');
    s->files = {Source("k.txt", text)};
    s->recipients = {southPlain};
    s->options.withoutMyAddress = true;
    s->options.manageLogs = true;
    dialog.PlanYes();  // encrypt without recording
    ASSERT_EQ(s->EncryptFiles(kModeCommand), 1) << ::testing::PrintToString(dialog.Messages());
    ASSERT_EQ(dialog.Questions().size(), 1u);

    const auto d = Decode(dir / "src" / "k.txt.tza", south);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.payload, Bytes(text));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.senderRecord.data())), "north");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.senderRecord.data() + 20)), "north@example.jp");
}

}  // namespace
}  // namespace tessarin::test
