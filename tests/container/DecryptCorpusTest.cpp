// Replays the fuzz target's seed corpus and every past finding through the
// same entry function, and checks the malformed container vectors of
// tests/data/decrypt (one fault per file: "expect: <outcome>", comments, a
// blank line, then the raw bytes).

#include <gtest/gtest.h>

#include <map>

#include "DecryptTestSupport.h"
#include "Fixtures.h"
#include "FuzzKeys.h"
#include "ScriptedUserDialog.h"
#include "VectorFile.h"
#include "container/ContainerReader.h"
#include "container/DecryptPipeline.h"
#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

using namespace container;

const std::filesystem::path kFuzzDir = std::filesystem::path(TESSARIN_TEST_DATA_DIR).parent_path() / "fuzz";

// What the reader says about each seed and finding. A new file needs its
// expected outcome here.
const std::map<std::string, ReadStatus> kExpectedOutcomes{
    {"plain.tza", ReadStatus::Ok},
    {"limit-from-first.tza", ReadStatus::Ok},
    {"sender-history-two.tza", ReadStatus::Ok},
    {"empty.tza", ReadStatus::Ok},
};

TEST(DecryptCorpus, SeedsAndFindingsRunThroughTheReader) {
    const auto keys = FuzzReaderKeys();
    ASSERT_FALSE(keys.privateKeyFile.empty());
    const FixedHost host;
    auto files = FilesIn(kFuzzDir / "corpus" / "container");
    ASSERT_FALSE(files.empty());
    for (const auto& f : FilesIn(kFuzzDir / "findings" / "container")) files.push_back(f);
    for (const auto& f : files) {
        const std::string name = f.filename().string();
        SCOPED_TRACE(name);
        const auto expected = kExpectedOutcomes.find(name);
        ASSERT_NE(expected, kExpectedOutcomes.end()) << "no expected outcome for " << name;
        const auto bytes = ReadFileBytes(f);
        EXPECT_EQ(ReadContainerBytesForFuzzing(bytes, keys, host), expected->second);
    }
}

struct Vector {
    std::string expect;
    std::vector<std::uint8_t> bytes;
};

Vector LoadVector(const std::filesystem::path& path) {
    const auto raw = ReadFileBytes(path);
    const std::string head(raw.begin(),
                           raw.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(raw.size(), 4096)));
    const auto split = head.find("\n\n");
    if (split == std::string::npos) throw std::runtime_error("no blank line in " + path.string());
    Vector v;
    std::size_t pos = 0;
    while (pos < split) {
        const auto end = head.find('\n', pos);
        const std::string line = head.substr(pos, end - pos);
        if (line.rfind("expect: ", 0) == 0) v.expect = line.substr(8);
        pos = end + 1;
    }
    v.bytes.assign(raw.begin() + static_cast<std::ptrdiff_t>(split + 2), raw.end());
    return v;
}

// Each vector, as a file, through the whole decryption run: the text-form
// lookup and the reader show their own refusal, and nothing is written.
TEST(DecryptCorpus, MalformedVectorsAreRefusedWithTheirMessage) {
    const std::map<std::string, std::string_view> messages{
        {"not a container", said::kBroken},
        {"newer version", said::kNewerVersion},
        {"old history format", said::kOldHistoryFormat},
        {"not authorized", said::kNotAuthorized},
        {"spoofing", said::kSpoofing},
        {"clock behind", said::kCheckClock},
    };
    const KeySet north = FixtureKeys("north");
    const FixedHost host;
    int seen = 0;
    for (const auto& path : FilesIn(std::filesystem::path(TESSARIN_TEST_DATA_DIR) / "decrypt")) {
        if (path.extension() != ".tzv") continue;
        SCOPED_TRACE(path.filename().string());
        const auto v = LoadVector(path);
        ASSERT_TRUE(messages.count(v.expect)) << v.expect;
        ++seen;
        TempDir dir;
        const auto container = dir / "vector.tza";
        WriteFileBytes(container, v.bytes);
        ScriptedUserDialog dialog;
        CStreamCipher cipher;
        DecryptRun run(host, dialog, cipher, FilledTexts());
        run.publicKeyPath = north.publicPath;
        run.privateKeyPath = north.privatePath;
        run.files = {container};
        run.isOnCdRom = [](const std::filesystem::path&) { return false; };
        EXPECT_EQ(DecryptFiles(run, kDecryptCommand), 0);
        EXPECT_EQ(dialog.Messages(),
                  (std::vector<std::string>{std::string(messages.at(v.expect)), "0 Files succeed in decryption."}));
        EXPECT_EQ(ReadFileBytes(container), v.bytes);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
                  1);
    }
    EXPECT_GT(seen, 0);
}

// Writes the seed corpus and the malformed vectors into the source tree.
// Run by hand after a format change: test_decrypt
// --gtest_also_run_disabled_tests --gtest_filter=*WriteSeeds*
TEST(DecryptCorpus, DISABLED_WriteSeeds) {
    const KeySet north = FixtureKeys("north");
    const KeySet south = FixtureKeys("south");
    const FixedHost host;
    const SystemTime encrypted = SystemTimeFromTimeT(host.now - 100);
    const auto seeds = kFuzzDir / "corpus" / "container";
    std::filesystem::create_directories(seeds);

    auto plain = DefaultSpec(north, encrypted);
    plain.payload = PatternBytes(300, 1);
    WriteContainer(plain, seeds / "plain.tza");
    auto limited = plain;
    limited.recipients[0].limitSeconds = 3600;
    limited.recipients[0].limitStart = encrypted;
    WriteContainer(limited, seeds / "limit-from-first.tza");
    auto full = limited;
    full.withSender = true;
    full.withHistory = true;
    full.senderPublicFile = south.publicFile;
    RecipientSpec other = full.recipients[0];
    other.keys = &south;
    full.recipients.insert(full.recipients.begin(), other);
    WriteContainer(full, seeds / "sender-history-two.tza");
    auto empty = plain;
    empty.payload.clear();
    WriteContainer(empty, seeds / "empty.tza");

    // One fault per vector.
    const auto data = std::filesystem::path(TESSARIN_TEST_DATA_DIR) / "decrypt";
    const auto base = BuildContainer(plain);
    auto write = [&](const std::string& name, const std::string& expect, const std::string& comment,
                     std::vector<std::uint8_t> bytes) {
        std::string head = "expect: " + expect + "\n# " + comment + "\n\n";
        std::vector<std::uint8_t> out(head.begin(), head.end());
        out.insert(out.end(), bytes.begin(), bytes.end());
        WriteFileBytes(data / (name + ".tzv"), out);
    };
    auto tail = [](std::vector<std::uint8_t> b, std::size_t off, std::uint32_t v, int width) {
        for (int i = 0; i < width; ++i)
            b[b.size() - 48 + off + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        return b;
    };
    write("short-303", "not a container", "303 bytes: one short of a tail and one record",
          std::vector<std::uint8_t>(base.end() - 303, base.end()));
    write("bad-magic", "not a container", "tail magic TZA? instead of TZA!", tail(base, 3, '?', 1));
    write("count-overflow", "not a container", "record count 0x7FFFFFFF: 256 times it overflows 32 bits",
          tail(base, 4, 0x7FFFFFFF, 4));
    write("count-negative", "not a container", "record count -1", tail(base, 4, 0xFFFFFFFF, 4));
    write("payload-negative", "not a container", "payload length -1", tail(base, 16, 0xFFFFFFFF, 4));
    write("payload-beyond", "not a container", "payload length runs into the record table",
          tail(base, 16, static_cast<std::uint32_t>(base.size()), 4));
    write("payload-bit-flip", "not a container",
          "payload length 300 with bit 2 flipped (296): shorter than the bytes in front of the records",
          tail(base, 16, 300u ^ 4u, 4));
    write("version-newer", "newer version", "tail bytes 24-27 read 1,0,0,0x20", tail(base, 27, 0x20, 1));
    write("field34-zero", "newer version", "the 16-bit field at 34 must be 1", tail(base, 34, 0, 2));
    write("flag4", "old history format", "flag 4 of the older history format", tail(base, 27, 0x04, 1));
    write("field32-one", "not authorized", "the 16-bit field at 32 set to 1", tail(base, 32, 1, 2));
    auto foreign = plain;
    foreign.recipients[0].keys = &south;
    write("not-recipient", "not authorized", "the only record is for south", BuildContainer(foreign));
    auto spoof = plain;
    spoof.recipients[0].authValue = south.Digest();
    spoof.recipients[0].privateKeyDigest = south.Digest();
    write("spoofing", "spoofing", "neither digest is north's and there is no sender block", BuildContainer(spoof));
    auto ahead = plain;
    ahead.recipients[0].encryptionTime = SystemTimeFromTimeT(host.now + 3600);
    ahead.recipients[0].limitSeconds = 60;
    write("clock-behind", "clock behind", "encrypted an hour after the reader's clock, with a limit",
          BuildContainer(ahead));
}

}  // namespace
}  // namespace tessarin::test
