// Replays every fuzz target over its seed corpus (tests/fuzz/corpus/<target>)
// and its findings (tests/fuzz/findings/<target>). A finding is a vector
// file: "expect: <outcome>", comment lines, a blank line, then the raw
// input; the target must give that outcome. Other files there are raw inputs
// that must simply pass every check.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <stdexcept>

#include "Fixtures.h"
#include "FuzzSupport.h"

namespace tessarin::test {
namespace {

using fuzz::AllTargets;

const std::filesystem::path kFuzzDir = std::filesystem::path(TESSARIN_TEST_DATA_DIR).parent_path() / "fuzz";

struct PropertyFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowOnFailure(const char* what) {
    throw PropertyFailure(what);
}

class FuzzReplay : public ::testing::Test {
protected:
    void SetUp() override { fuzz::SetCheckHandler(&ThrowOnFailure); }
    void TearDown() override { fuzz::SetCheckHandler(nullptr); }
};

struct Vector {
    std::string expect;
    std::vector<std::uint8_t> input;
};

Vector LoadVector(const std::filesystem::path& path) {
    const auto raw = ReadFileBytes(path);
    const std::string text(raw.begin(), raw.end());
    const auto split = text.find("\n\n");
    if (split == std::string::npos) throw std::runtime_error("no blank line in " + path.string());
    Vector v;
    for (std::size_t pos = 0; pos < split;) {
        const auto end = std::min(text.find('\n', pos), split);
        const std::string line = text.substr(pos, end - pos);
        if (line.rfind("expect: ", 0) == 0) v.expect = line.substr(8);
        pos = end + 1;
    }
    v.input.assign(raw.begin() + static_cast<std::ptrdiff_t>(split + 2), raw.end());
    return v;
}

std::string RunOne(const fuzz::FuzzTarget& target, const std::vector<std::uint8_t>& input) {
    try {
        return target.run(input);
    } catch (const PropertyFailure& e) {
        ADD_FAILURE() << target.name << ": " << e.what();
        return "property failed";
    }
}

TEST_F(FuzzReplay, EveryTargetPassesItsSeeds) {
    for (const auto& target : AllTargets()) {
        SCOPED_TRACE(std::string(target.name));
        const auto seeds = FilesIn(kFuzzDir / "corpus" / std::string(target.name));
        EXPECT_FALSE(seeds.empty()) << "no seeds for " << target.name;
        for (const auto& f : seeds) {
            SCOPED_TRACE(f.filename().string());
            (void)RunOne(target, ReadFileBytes(f));
        }
    }
}

// With TESSARIN_FUZZ_REPLAY_PENDING set, the findings waiting for a fix
// (pending/<target>) are replayed too, to check a fix before moving them.
std::vector<std::filesystem::path> FindingsOf(const fuzz::FuzzTarget& target) {
    auto files = FilesIn(kFuzzDir / "findings" / std::string(target.name));
    if (const char* pending = std::getenv("TESSARIN_FUZZ_REPLAY_PENDING"); pending && *pending)
        for (const auto& f : FilesIn(kFuzzDir / "pending" / std::string(target.name))) files.push_back(f);
    return files;
}

TEST_F(FuzzReplay, EveryFindingGivesItsExpectedOutcome) {
    for (const auto& target : AllTargets()) {
        for (const auto& f : FindingsOf(target)) {
            SCOPED_TRACE(std::string(target.name) + "/" + f.filename().string());
            if (f.extension() != ".tzv") {
                (void)RunOne(target, ReadFileBytes(f));
                continue;
            }
            const Vector v = LoadVector(f);
            ASSERT_FALSE(v.expect.empty()) << "no expect line";
            EXPECT_EQ(RunOne(target, v.input), v.expect);
        }
    }
}

TEST_F(FuzzReplay, SeedOutcomesShowTheTargetsGetPastTheirParsers) {
    // Each target's seeds reach its accepting path at least once: a corpus
    // that only ever gets refused would fuzz nothing but the first check.
    const std::map<std::string, std::vector<std::string>> accepted{
        {"history", {"loaded"}},
        {"keyfile", {"public", "private", "auth"}},
        {"authrecord", {"record", "deciphered"}},
        {"memberlist", {"read"}},
        {"personalinfo", {"read"}},
        {"authhistory", {"read"}},
        {"ini", {"set"}},
        {"qrimport", {"complete"}},
        {"service", {"key downloaded"}},
        {"cp932", {"cp932"}},
        {"bignumber", {"hex"}},
        {"backupshare", {"restored", "refused", "user share refused"}},
    };
    for (const auto& target : AllTargets()) {
        const auto it = accepted.find(std::string(target.name));
        if (it == accepted.end()) continue;
        std::set<std::string> seen;
        for (const auto& f : FilesIn(kFuzzDir / "corpus" / std::string(target.name)))
            seen.insert(RunOne(target, ReadFileBytes(f)));
        for (const auto& want : it->second) EXPECT_TRUE(seen.count(want)) << target.name << " never gives " << want;
    }
}

}  // namespace
}  // namespace tessarin::test
