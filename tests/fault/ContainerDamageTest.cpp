// A damaged container through the decryption pipeline: cut at every length,
// and every single bit of its last 512 bytes after the payload (tail,
// history block, records, sender block) flipped. Each one is refused, leaving the container byte for
// byte as it was and nothing else in its folder, or decrypted to the
// original bytes. The one other ending is the designed one for a record
// whose time limit has passed: the container is wiped, and nothing is left.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "DecryptTestSupport.h"
#include "FilledTexts.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "container/DecryptPipeline.h"
#include "core/StreamCipher.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

using namespace container;

constexpr std::size_t kTailBytes = 512;
constexpr std::string_view kExpiredWords = "It is over effective time.";

enum class Ending { Refused, Decrypted, Expired };

struct Counts {
    std::map<Ending, int> endings;
    int failures = 0;
};

struct DamageCase {
    const char* name;
    bool withSender;
    bool withHistory;
    std::uint32_t limitSeconds;  // 0: none
    bool limitFromFirst;
};

const DamageCase kCases[] = {
    {"sender and history, no limit", true, true, 0, false},
    {"history, a day from the first decryption", false, true, 86400, true},
    {"plain, a day from encryption", false, false, 86400, false},
};

// The cases' folders live in memory where the system offers it: the history
// saves bring the container to the disk, thousands of times here.
[[maybe_unused]] const bool kFoldersInMemory = [] {
    return ::access("/dev/shm", W_OK) == 0 && ::setenv("TMPDIR", "/dev/shm", 1) == 0;
}();

void Clear(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove_all(e.path(), ec);
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ContainerDamage : public ::testing::TestWithParam<DamageCase> {
protected:
    KeySet north = FixtureKeys("north");
    FixedHost host;
    CStreamCipher cipher;
    ContainerSpec spec;
    std::vector<std::uint8_t> good;
    TempDir dir;

    void SetUp() override {
        const DamageCase& c = GetParam();
        spec = DefaultSpec(north, SystemTimeFromTimeT(host.now - 100));
        spec.withSender = c.withSender;
        if (c.withSender) spec.senderPublicFile = north.publicFile;
        spec.withHistory = c.withHistory;
        spec.recipients[0].limitSeconds = c.limitSeconds;
        if (c.limitFromFirst) spec.recipients[0].limitStart = spec.recipients[0].encryptionTime;
        good = BuildContainer(spec);
        ASSERT_GT(good.size(), kTailBytes + spec.payload.size() / 2);
    }

    // Decrypts `bytes` as the only file of a fresh folder and checks how it
    // ended; `what` names the damage in failure messages.
    void Check(const std::vector<std::uint8_t>& bytes, const std::string& what, Counts& counts) {
        Clear(dir.Path());
        const auto container = dir / "plain.txt.tza";
        WriteFileBytes(container, bytes);
        ScriptedUserDialog dialog;
        DecryptRun run(host, dialog, cipher, FilledTexts());
        run.publicKeyPath = north.publicPath;
        run.privateKeyPath = north.privatePath;
        run.files = {container};
        run.isOnCdRom = [](const std::filesystem::path&) { return false; };
        int decrypted = 0;
        try {
            decrypted = DecryptFiles(run, kDecryptCommand);
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
            ++counts.failures;
            return;
        }
        const auto names = FolderNames(dir.Path());
        const auto messages = dialog.Messages();
        const bool expired = std::any_of(messages.begin(), messages.end(), [](const std::string& m) {
            return m.find(kExpiredWords) != std::string::npos;
        });
        bool ok = true;
        if (decrypted == 1) {
            const bool both = names == std::vector<std::string>{"plain.txt", "plain.txt.tza"};
            const auto output = both ? ReadFileBytes(dir / "plain.txt") : std::vector<std::uint8_t>{};
            ok = both && output == spec.payload;
            ++counts.endings[Ending::Decrypted];
        } else if (expired && names.empty()) {
            ++counts.endings[Ending::Expired];
        } else {
            ok = decrypted == 0 && names == std::vector<std::string>{"plain.txt.tza"} &&
                 ReadFileBytes(container) == bytes && messages.size() >= 2;  // the refusal and the count
            ++counts.endings[Ending::Refused];
        }
        if (!ok) {
            ++counts.failures;
            std::string said;
            for (const auto& m : messages) said += "\n  | " + m;
            std::string left;
            for (const auto& n : names) left += " " + n;
            ADD_FAILURE() << what << ": decrypted " << decrypted << ", left:" << left << said;
        }
    }

    static void Report(const char* kind, const Counts& counts) {
        const auto at = [&](Ending e) {
            const auto it = counts.endings.find(e);
            return it == counts.endings.end() ? 0 : it->second;
        };
        std::printf("%s: %d cases run (%d refused, %d decrypted, %d expired and wiped), %d failures\n", kind,
                    at(Ending::Refused) + at(Ending::Decrypted) + at(Ending::Expired), at(Ending::Refused),
                    at(Ending::Decrypted), at(Ending::Expired), counts.failures);
    }
};

TEST_P(ContainerDamage, TheWholeContainerDecrypts) {
    Counts counts;
    Check(good, "undamaged", counts);
    EXPECT_EQ(counts.endings[Ending::Decrypted], 1);
}

TEST_P(ContainerDamage, EveryShorterLengthIsRefused) {
    Counts counts;
    for (std::size_t length = 0; length < good.size(); ++length)
        Check(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)),
              "cut to " + std::to_string(length) + " bytes", counts);
    Report("truncations", counts);
    EXPECT_EQ(counts.failures, 0);
    // A cut container lost its tail: none of them may decrypt.
    EXPECT_EQ(counts.endings[Ending::Decrypted], 0);
    EXPECT_EQ(counts.endings[Ending::Expired], 0);
}

TEST_P(ContainerDamage, EveryBitFlipOfTheTailIsRefusedOrHarmless) {
    Counts counts;
    // The payload has no check of its own: a flipped bit there is a flipped
    // bit of the plaintext.
    const std::size_t first = std::max(good.size() - kTailBytes, spec.payload.size());
    for (std::size_t offset = first; offset < good.size(); ++offset) {
        for (int bit = 0; bit < 8; ++bit) {
            auto bytes = good;
            bytes[offset] ^= static_cast<std::uint8_t>(1u << bit);
            Check(bytes, "bit " + std::to_string(bit) + " of byte " + std::to_string(offset), counts);
        }
    }
    Report("bit flips", counts);
    EXPECT_EQ(counts.failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Containers, ContainerDamage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& param) {
                             std::string name;
                             for (const char* p = param.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name.push_back(*p);
                             return name;
                         });

}  // namespace
}  // namespace tessarin::test
