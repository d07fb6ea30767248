// The decryption pipeline end to end: containers built as the writer builds
// them (and one from an independent implementation) decrypted with the
// shared CryptoAPI key sets.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "DecryptTestSupport.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerReader.h"
#include "container/DecryptPipeline.h"
#include "core/Crc64.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/KeyDirectory.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

using namespace container;

std::string Fmt(std::string_view f, std::initializer_list<FormatArg> args) {
    return FormatText(f, args);
}

class RecordingSender final : public ISenderFollowUp {
public:
    Status status = Status::Unknown;
    std::vector<std::string> calls;
    std::uint32_t lastCheck = 0;
    Lookup LookUp(std::uint32_t keyCheck, std::span<const std::uint8_t, 32>, const SenderIdentity& sender) override {
        lastCheck = keyCheck;
        calls.push_back("lookup " + sender.name + " " + sender.mail);
        return Lookup{status, {}};
    }
    bool Renew(std::uint32_t, const SenderIdentity& sender) override {
        calls.push_back("renew " + sender.name);
        return true;
    }
    bool Authenticate(const std::filesystem::path& c, const std::filesystem::path&, const SenderIdentity& sender,
                      std::span<const std::uint8_t, 32>) override {
        calls.push_back("authenticate " + sender.name + " " + c.filename().string() +
                        (std::filesystem::exists(c) ? " present" : " gone"));
        return true;
    }
};

class DecryptTest : public ::testing::Test {
protected:
    KeySet north = FixtureKeys("north");
    KeySet south = FixtureKeys("south");
    TempDir dir;
    FixedHost host;
    ScriptedUserDialog dialog;
    CStreamCipher cipher;

    SystemTime At(std::int64_t secondsFromNow) const {
        return SystemTimeFromTimeT(host.now + static_cast<std::time_t>(secondsFromNow));
    }
    ContainerSpec Spec(std::int64_t encryptedAgo = 100) const { return DefaultSpec(north, At(-encryptedAgo)); }

    std::filesystem::path Write(const ContainerSpec& spec, const std::string& name = "plain.txt.tza") {
        const auto path = dir / name;
        WriteContainer(spec, path);
        return path;
    }

    int Decrypt(const std::vector<std::filesystem::path>& files, int mode = kDecryptCommand,
                const std::function<void(DecryptRun&)>& configure = {}) {
        DecryptRun run(host, dialog, cipher, *texts);
        run.publicKeyPath = north.publicPath;
        run.privateKeyPath = north.privatePath;
        run.files = files;
        run.isOnCdRom = [](const std::filesystem::path&) { return false; };
        if (configure) configure(run);
        const int n = DecryptFiles(run, mode);
        lastDecrypted = run.decrypted;
        lastStopped = run.stopped;
        return n;
    }

    // Messages other than the final count.
    std::vector<std::string> Refusals() const {
        auto m = dialog.Messages();
        if (!m.empty() && m.back().find("Files succeed in decryption.") != std::string::npos) m.pop_back();
        return m;
    }

    std::vector<DecryptedFile> lastDecrypted;
    bool lastStopped = false;
    const LanguageTable* texts = &FilledTexts();  // the language the runs show
};

// ---------------------------------------------------------------------------
// Interop

TEST_F(DecryptTest, IndependentContainerDecryptsToItsSource) {
    // The fixture's authentication value is all zero and it carries the
    // sender block, so it passes on the zero-value rule alone; its private-key
    // digest and sender key check come from other built-in values and match
    // nothing here. The sender is therefore unknown to the key store.
    const auto container = dir / "south-to-north.txt.tza";
    WriteFileBytes(container, ReadFileBytes(FixturePath("containers/south-to-north.txt.tza")));
    RecordingSender sender;
    dialog.PlanNo();  // "authenticate this file creater?"
    EXPECT_EQ(Decrypt({container}, kDecryptCommand, [&](DecryptRun& r) { r.sender = &sender; }), 1);
    EXPECT_EQ(Refusals(), std::vector<std::string>{});
    EXPECT_EQ(ReadFileBytes(dir / "south-to-north.txt"), ReadFileBytes(FixturePath("containers/south-to-north.txt")));
    // The sender record continues the payload's keystream.
    EXPECT_EQ(sender.calls, std::vector<std::string>{"lookup ref-sender ref@example.invalid"});
    EXPECT_EQ(dialog.Questions().size(), 1u);
    EXPECT_EQ(dialog.Questions()[0],
              "ref-sender(ref@example.invalid)'s log is Encrypted file.\nDo you authenicate this file creater?");
    // No time limit: the container is left as it was.
    EXPECT_EQ(ReadFileBytes(container), ReadFileBytes(FixturePath("containers/south-to-north.txt.tza")));
}

TEST_F(DecryptTest, IndependentContainerIsNotForSouth) {
    const auto container = dir / "south-to-north.txt.tza";
    WriteFileBytes(container, ReadFileBytes(FixturePath("containers/south-to-north.txt.tza")));
    EXPECT_EQ(Decrypt({container}, kDecryptCommand,
                      [&](DecryptRun& r) {
                          r.publicKeyPath = south.publicPath;
                          r.privateKeyPath = south.privatePath;
                      }),
              0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(said::kNotAuthorized)});
    EXPECT_FALSE(std::filesystem::exists(dir / "south-to-north.txt"));
}

// ---------------------------------------------------------------------------
// Round trips

struct RoundTripCase {
    bool sender;
    bool history;
    std::uint32_t limit;
    std::size_t payloadSize;
};

class DecryptRoundTrip : public DecryptTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(DecryptRoundTrip, ReproducesPayloadAndStampsTime) {
    const auto c = GetParam();
    auto spec = Spec(100);
    spec.payload = PatternBytes(c.payloadSize, static_cast<std::uint32_t>(c.payloadSize));
    spec.withSender = c.sender;
    spec.senderPublicFile = south.publicFile;
    spec.withHistory = c.history;
    spec.recipients[0].limitSeconds = c.limit;
    const auto container = Write(spec);
    const auto before = ReadFileBytes(container);

    EXPECT_EQ(Decrypt({container}), 1);
    EXPECT_EQ(Refusals(), std::vector<std::string>{});
    const auto output = dir / "plain.txt";
    EXPECT_EQ(ReadFileBytes(output), spec.payload);
    struct stat st {};
    ASSERT_EQ(::stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, *SystemTimeToTimeT(spec.recipients[0].encryptionTime));
    EXPECT_EQ(dialog.Messages().back(), "1 Files succeed in decryption.");

    const auto after = ReadFileBytes(container);
    const auto prot = ProtectedBlockOf(after, 0, spec.fileKey);
    // The count is written back only when a limit is set.
    EXPECT_EQ(LoadLe32(prot.data() + kProtCount), c.limit ? 1u : 0u);
    if (c.history) {
        CArchiveHistoryMan history(host);
        history.Open(dir.Path());
        TailInfo tail;
        FileContainerStore store(container);
        ASSERT_EQ(CheckTail(store, tail), ReadStatus::Ok);
        history.SetContainer(container, tail.bytes, spec.fileKey);
        ASSERT_EQ(history.Load(), CArchiveHistoryMan::Loaded);
        ASSERT_EQ(history.RecordCount(), 2);
        EXPECT_EQ(history.RecordAt(1).operation, CArchiveHistoryMan::Decrypted);
        EXPECT_EQ(history.RecordAt(1).user, 0);
    } else if (!c.limit) {
        EXPECT_EQ(after, before);
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, DecryptRoundTrip,
                         ::testing::Values(RoundTripCase{false, false, 0, 5000}, RoundTripCase{true, false, 0, 5000},
                                           RoundTripCase{false, true, 0, 5000}, RoundTripCase{true, true, 0, 5000},
                                           RoundTripCase{false, false, 3600, 5000},
                                           RoundTripCase{true, false, 3600, 16}, RoundTripCase{false, true, 3600, 0},
                                           RoundTripCase{true, true, 3600, 1024000 + 17}));

TEST_F(DecryptTest, EmptySourceGivesThe304ByteContainerAndAnEmptyFile) {
    auto spec = Spec();
    spec.payload.clear();
    const auto container = Write(spec);
    EXPECT_EQ(std::filesystem::file_size(container), 304u);
    EXPECT_EQ(Decrypt({container}), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "plain.txt"), 0u);
}

TEST_F(DecryptTest, ReaderWhoseRecordIsNotFirstUpdatesOnlyItsOwnRecord) {
    auto spec = Spec();
    RecipientSpec other = spec.recipients[0];
    other.keys = &south;
    other.authValue = south.Digest();
    spec.recipients.insert(spec.recipients.begin(), other);
    for (auto& r : spec.recipients) r.limitSeconds = 3600;
    const auto container = Write(spec);
    const auto before = ReadFileBytes(container);
    EXPECT_EQ(Decrypt({container}), 1);
    const auto after = ReadFileBytes(container);
    ASSERT_EQ(after.size(), before.size());
    const std::size_t table = before.size() - 48 - 2 * 256;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(table + 256), after.begin()));
    EXPECT_EQ(LoadLe32(ProtectedBlockOf(after, 1, spec.fileKey).data() + kProtCount), 1u);
    EXPECT_EQ(LoadLe32(ProtectedBlockOf(after, 0, spec.fileKey).data() + kProtCount), 0u);
    // Outside the count, record 1 is unchanged too.
    for (std::size_t i = table + 256; i < before.size(); ++i) {
        const std::size_t off = i - table - 256;
        if (off >= kRecProtected + kProtCount && off < kRecProtected + kProtCount + 4) continue;
        ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }
}

TEST_F(DecryptTest, RecordVersion2003IsAccepted) {
    auto spec = Spec();
    spec.recipients[0].version = 0x2003;
    EXPECT_EQ(Decrypt({Write(spec)}), 1);
}

// ---------------------------------------------------------------------------
// Time

TEST_F(DecryptTest, LimitFromFirstDecryptionStoresStartThenMeasuresFromIt) {
    auto spec = Spec(7200);  // encrypted two hours ago, limit one hour
    spec.recipients[0].limitSeconds = 3600;
    spec.recipients[0].limitStart = spec.recipients[0].encryptionTime;
    const auto container = Write(spec);

    // First decryption: no expiry check, the start becomes now.
    ASSERT_EQ(Decrypt({container}), 1);
    auto prot = ProtectedBlockOf(ReadFileBytes(container), 0, spec.fileKey);
    EXPECT_EQ(SystemTime::FromBytes(prot.data() + kProtLimitStart), host.LocalTime());
    EXPECT_EQ(LoadLe32(prot.data() + kProtCount), 1u);

    // Half an hour later: measured from the stored start.
    host.now += 1800;
    dialog.PlanYes();  // overwrite the earlier output
    ASSERT_EQ(Decrypt({container}), 1);
    prot = ProtectedBlockOf(ReadFileBytes(container), 0, spec.fileKey);
    EXPECT_EQ(LoadLe32(prot.data() + kProtCount), 2u);
    EXPECT_EQ(SystemTime::FromBytes(prot.data() + kProtLimitStart), SystemTimeFromTimeT(host.now - 1800));

    // An hour after the first decryption: expired and wiped.
    host.now += 1800;
    std::filesystem::remove(dir / "plain.txt");
    dialog.ClearEvents();
    EXPECT_EQ(Decrypt({container}), 0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(said::kExpired)});
    EXPECT_FALSE(std::filesystem::exists(container));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain.txt"));
}

struct TimeCase {
    const char* what;
    std::int64_t encryptedAgo;  // negative: the encryption time lies ahead of this clock
    std::uint32_t limit;
    std::string_view refusal;  // empty: decrypts
    bool wiped;
};

class DecryptTime : public DecryptTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(DecryptTime, Table) {
    const auto c = GetParam();
    auto spec = Spec(c.encryptedAgo);
    spec.recipients[0].limitSeconds = c.limit;
    const auto container = Write(spec);
    const auto before = ReadFileBytes(container);
    const int n = Decrypt({container});
    if (c.refusal.empty()) {
        EXPECT_EQ(n, 1) << c.what;
        EXPECT_EQ(Refusals(), std::vector<std::string>{}) << c.what;
        return;
    }
    EXPECT_EQ(n, 0) << c.what;
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(c.refusal)}) << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir / "plain.txt")) << c.what;
    if (c.wiped) {
        EXPECT_FALSE(std::filesystem::exists(container)) << c.what;
    } else {
        EXPECT_EQ(ReadFileBytes(container), before) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, DecryptTime,
                         ::testing::Values(TimeCase{"within the limit", 59, 60, {}, false},
                                           TimeCase{"limit reached", 60, 60, said::kExpired, true},
                                           TimeCase{"long expired", 86400 * 400, 86400, said::kExpired, true},
                                           TimeCase{"clock 30 s behind passes", -30, 3600, {}, false},
                                           TimeCase{"clock 61 s behind fails", -61, 3600, said::kCheckClock, false},
                                           TimeCase{"no limit ignores the clock", -86400, 0, {}, false},
                                           TimeCase{"no limit never expires", 86400 * 4000, 0, {}, false}));

// ---------------------------------------------------------------------------
// Refusals

struct RefusalCase {
    const char* what;
    std::function<void(ContainerSpec&, const KeySet& north, const KeySet& south)> spec;
    std::function<void(std::vector<std::uint8_t>&)> bytes;
    std::string_view message;
};

void SetTail(std::vector<std::uint8_t>& b, std::size_t offset, std::uint32_t v, int width = 4) {
    std::uint8_t* p = b.data() + b.size() - 48 + offset;
    for (int i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class DecryptRefusal : public DecryptTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DecryptRefusal, ShowsOneMessageAndChangesNothing) {
    const auto& c = GetParam();
    auto spec = Spec();
    spec.recipients[0].limitSeconds = 3600;  // a decryption would write back
    if (c.spec) c.spec(spec, north, south);
    auto bytes = BuildContainer(spec);
    if (c.bytes) c.bytes(bytes);
    const auto container = dir / "plain.txt.tza";
    WriteFileBytes(container, bytes);
    EXPECT_EQ(Decrypt({container}), 0) << c.what;
    std::string expected(c.message);
    if (expected.find("%s") != std::string::npos) expected = Fmt(expected, {std::string("plain.txt.tza")});
    EXPECT_EQ(Refusals(), std::vector<std::string>{expected}) << c.what;
    EXPECT_EQ(ReadFileBytes(container), bytes) << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecryptRefusal,
    ::testing::Values(
        RefusalCase{"303 bytes", {}, [](auto& b) { b.erase(b.begin(), b.end() - 303); }, said::kBroken},
        RefusalCase{"bad magic", {}, [](auto& b) { b[b.size() - 48] = 'X'; }, said::kBroken},
        RefusalCase{"newer version", {}, [](auto& b) { b[b.size() - 48 + 27] = 0x20; }, said::kNewerVersion},
        RefusalCase{"version byte 24", {}, [](auto& b) { b[b.size() - 48 + 24] = 2; }, said::kNewerVersion},
        RefusalCase{"flag 4", {}, [](auto& b) { b[b.size() - 48 + 27] |= 4; }, said::kOldHistoryFormat},
        RefusalCase{"field 32 = 1", {}, [](auto& b) { SetTail(b, 32, 1, 2); }, said::kNotAuthorized},
        RefusalCase{"field 34 = 0", {}, [](auto& b) { SetTail(b, 34, 0, 2); }, said::kNewerVersion},
        RefusalCase{"field 36 = 1", {}, [](auto& b) { SetTail(b, 36, 1); }, said::kNewerVersion},
        RefusalCase{"count beyond the file", {}, [](auto& b) { SetTail(b, 4, 1000); }, said::kBroken},
        RefusalCase{"count overflowing", {}, [](auto& b) { SetTail(b, 4, 0x7FFFFFFF); }, said::kBroken},
        RefusalCase{"count negative", {}, [](auto& b) { SetTail(b, 4, 0x80000000u); }, said::kBroken},
        RefusalCase{"count zero", {}, [](auto& b) { SetTail(b, 4, 0); }, said::kBroken},
        RefusalCase{"P negative", {}, [](auto& b) { SetTail(b, 16, 0xFFFFFFF0u); }, said::kBroken},
        RefusalCase{"P beyond the records",
                    {},
                    [](auto& b) { SetTail(b, 16, static_cast<std::uint32_t>(b.size())); },
                    said::kBroken},
        RefusalCase{"not a recipient",
                    [](auto& s, const KeySet&, const KeySet& so) { s.recipients[0].keys = &so; },
                    {},
                    said::kNotAuthorized},
        RefusalCase{"damaged check value", {}, [](auto& b) { b[b.size() - 48 - 256 + 8] ^= 1; }, said::kNotAuthorized},
        RefusalCase{"spoofing",
                    [](auto& s, const KeySet&, const KeySet& so) {
                        s.recipients[0].authValue = so.Digest();
                        s.recipients[0].privateKeyDigest = so.Digest();
                    },
                    {},
                    said::kSpoofing},
        RefusalCase{"zero value without the sender block",
                    [](auto& s, const KeySet&, const KeySet& so) {
                        s.recipients[0].authValue = {};
                        s.recipients[0].privateKeyDigest = so.Digest();
                    },
                    {},
                    said::kSpoofing},
        RefusalCase{"record version 0x2004",
                    [](auto& s, const KeySet&, const KeySet&) { s.recipients[0].version = 0x2004; },
                    {},
                    said::kNewerVersion},
        RefusalCase{"stored name ..",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = ".."; },
                    {},
                    said::kBadStoredName},
        RefusalCase{"stored name a/..",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = "a/.."; },
                    {},
                    said::kBadStoredName},
        RefusalCase{"stored name ending in a separator",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = "x\\"; },
                    {},
                    said::kBadStoredName},
        RefusalCase{"empty stored name",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = ""; },
                    {},
                    said::kBadStoredName},
        RefusalCase{"control character",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = "a\nb.txt"; },
                    {},
                    said::kBadStoredName},
        RefusalCase{"stored name is the container's",
                    [](auto& s, const KeySet&, const KeySet&) { s.storedName = "plain.txt.tza"; },
                    {},
                    said::kOutputIsContainer}));

TEST_F(DecryptTest, StoredPathKeepsOnlyItsLastComponent) {
    // Names come from the file: nothing may land outside the container's folder.
    for (const std::string stored : {"../x", "a/b", "..\\..\\c", "/etc/d"}) {
        TempDir sub;
        const auto inner = sub.Path() / "in";
        std::filesystem::create_directory(inner);
        auto spec = Spec();
        spec.storedName = stored;
        const auto container = inner / "c.tza";
        WriteContainer(spec, container);
        dialog.ClearEvents();
        EXPECT_EQ(Decrypt({container}), 1) << stored;
        const std::string last = stored.substr(stored.find_last_of("/\\") + 1);
        EXPECT_EQ(ReadFileBytes(inner / last), spec.payload) << stored;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sub.Path()), std::filesystem::directory_iterator()),
                  1)
            << stored;
    }
}

TEST_F(DecryptTest, DoubleByteNameWithBackslashTrailByteIsKept) {
    auto spec = Spec();
    spec.storedName = "\x95\x5C.txt";  // 表.txt: the second byte is 0x5C
    const auto container = Write(spec);
    EXPECT_EQ(Decrypt({container}), 1);
    EXPECT_EQ(ReadFileBytes(dir / "表.txt"), spec.payload);
}

TEST_F(DecryptTest, RefusalsBeforeReading) {
    auto spec = Spec();
    const auto container = Write(spec);
    // CD-ROM.
    EXPECT_EQ(Decrypt({container}, kDecryptCommand, [](DecryptRun& r) { r.isOnCdRom = [](auto&) { return true; }; }),
              0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(said::kOnCdRom)});
    // Read-only container.
    dialog.ClearEvents();
    std::filesystem::permissions(container, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(Decrypt({container}), 0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(said::kContainerReadOnly)});
    // Not a container, outside and inside mode 5.
    dialog.ClearEvents();
    const auto other = dir / "notes.txt";
    WriteFileBytes(other, {1, 2, 3});
    EXPECT_EQ(Decrypt({other}), 0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{"notes.txtis not encrypted"});
    dialog.ClearEvents();
    EXPECT_EQ(Decrypt({other}, kDecryptFolder), 0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{});
    // No key set.
    dialog.ClearEvents();
    std::filesystem::permissions(container, std::filesystem::perms::owner_all);
    EXPECT_EQ(Decrypt({container}, kDecryptCommand, [&](DecryptRun& r) { r.privateKeyPath = dir / "missing.vpri"; }),
              0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{std::string(said::kKeyFileNotFound)});
    // Nothing selected.
    dialog.ClearEvents();
    EXPECT_EQ(Decrypt({}), 0);
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"No file selected."});
}

// ---------------------------------------------------------------------------
// Output and removal

TEST_F(DecryptTest, StatusTextsPerMode) {
    const auto a = Write(Spec(), "a.tza");
    auto spec = Spec();
    spec.storedName = "b.txt";
    const auto b = Write(spec, "b.tza");
    ASSERT_EQ(Decrypt({a, b}, kDecryptCommand, [](DecryptRun& r) { r.direct = true; }), 2);
    EXPECT_EQ(dialog.Statuses(),
              (std::vector<std::string>{"Decrypt Processing. Please wait a minute.", "Decrypting a file of 2 out of 1.",
                                        "a.tza is decrypting.....", "Decrypting a file of 2 out of 2.",
                                        "b.tza is decrypting....."}));
    EXPECT_EQ(dialog.Messages().back(), "2 Files succeed in decryption.");
    dialog.ClearEvents();
    auto specC = Spec();
    specC.storedName = "c.txt";
    const auto c = Write(specC, "c.tza");
    texts = &FilledTexts(LanguageTable::Language::Japanese);
    ASSERT_EQ(Decrypt({c}, kDecryptFolder, [](DecryptRun& r) { r.direct = true; }), 1);
    EXPECT_EQ(dialog.Statuses(), (std::vector<std::string>{
                                     "復号化処理中です。しばらくお待ちください。",
                                     "指定されたフォルダを復号化中です(1/1)・・・\n鍵の抜き挿しは行わないで下さい。"}));
}

TEST_F(DecryptTest, KeepContainerNameOption) {
    const auto container = Write(Spec(), "report.tza");
    EXPECT_EQ(Decrypt({container}, kDecryptDialog, [](DecryptRun& r) { r.keepContainerName = true; }), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "report"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain.txt"));
}

TEST_F(DecryptTest, RemovalByModeAndRunKind) {
    struct Case {
        int mode;
        bool option;
        bool direct;
        bool removed;
    };
    for (const Case c : {Case{kDecryptCommand, false, false, false}, Case{kDecryptCommand, true, false, true},
                         Case{kDecryptCommand, true, true, false}, Case{kDecryptDialog, true, false, true},
                         Case{kDecryptOpenResult, true, false, false}, Case{kDecryptFolder, false, false, true},
                         Case{kDecryptFolder, false, true, false}}) {
        std::filesystem::remove(dir / "plain.txt");
        const auto container = Write(Spec());
        dialog.ClearEvents();
        EXPECT_EQ(Decrypt({container}, c.mode,
                          [&](DecryptRun& r) {
                              r.removeAfterDecrypt = c.option;
                              r.direct = c.direct;
                          }),
                  1);
        EXPECT_EQ(std::filesystem::exists(container), !c.removed) << c.mode << c.option << c.direct;
        EXPECT_TRUE(std::filesystem::exists(dir / "plain.txt"));
    }
}

// Stands in for whatever keeps the container from being removed: after the
// output is complete it puts a non-empty folder under the container's name,
// which neither a wipe nor a plain removal can take away.
class BlockingSender final : public ISenderFollowUp {
public:
    std::filesystem::path container;
    Lookup LookUp(std::uint32_t, std::span<const std::uint8_t, 32>, const SenderIdentity&) override {
        std::filesystem::remove(container);
        std::filesystem::create_directory(container);
        WriteFileBytes(container / "inside", {1});
        return Lookup{Status::Known, {}};
    }
    bool Renew(std::uint32_t, const SenderIdentity&) override { return true; }
    bool Authenticate(const std::filesystem::path&, const std::filesystem::path&, const SenderIdentity&,
                      std::span<const std::uint8_t, 32>) override {
        return true;
    }
};

TEST_F(DecryptTest, ContainerThatCannotBeRemovedFailsTheItemWithAMessage) {
    struct Case {
        int mode;
        const char* message;
    };
    for (const Case c : {Case{kDecryptCommand, "plain.txt.tza is not a regular file and cannot be wiped."},
                         Case{kDecryptFolder, "It failed in the deletion of plain.txt.tza. "}}) {
        std::filesystem::remove_all(dir / "plain.txt.tza");
        std::filesystem::remove(dir / "plain.txt");
        const auto container = Write(Spec());
        BlockingSender sender;
        sender.container = container;
        dialog.ClearEvents();
        EXPECT_EQ(Decrypt({container}, c.mode,
                          [&](DecryptRun& r) {
                              r.sender = &sender;
                              r.removeAfterDecrypt = true;
                          }),
                  0)
            << c.mode;
        EXPECT_EQ(Refusals(), std::vector<std::string>{c.message}) << c.mode;
        EXPECT_EQ(dialog.Messages().back(), "0 Files succeed in decryption.") << c.mode;
        // The output is complete and stays.
        EXPECT_EQ(ReadFileBytes(dir / "plain.txt").size(), 5000u) << c.mode;
    }
}

TEST_F(DecryptTest, OverwriteQuestions) {
    const auto container = Write(Spec());
    WriteFileBytes(dir / "plain.txt", {9});
    // One file: a Yes/No box. No keeps the old file and the container.
    const auto before = ReadFileBytes(container);
    dialog.PlanNo();
    EXPECT_EQ(Decrypt({container}), 0);
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{"plain.txt\nOverwrite for same name file.\nDo you Decrypt?"});
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::OverwriteOutput});
    EXPECT_EQ(ReadFileBytes(dir / "plain.txt"), std::vector<std::uint8_t>{9});
    EXPECT_EQ(ReadFileBytes(container), before);
    // Yes overwrites.
    dialog.PlanYes();
    EXPECT_EQ(Decrypt({container}), 1);
    EXPECT_EQ(ReadFileBytes(dir / "plain.txt").size(), 5000u);

    // Several files: the continue-confirm dialog; "Overwrite all" stops asking.
    auto spec2 = Spec();
    spec2.storedName = "second.txt";
    const auto second = Write(spec2, "second.tza");
    WriteFileBytes(dir / "second.txt", {9});
    dialog.ClearEvents();
    dialog.PlanContinue(ContinueConfirm::All);
    EXPECT_EQ(Decrypt({container, second}), 2);
    EXPECT_EQ(dialog.LastContinue().title, "Overwrite");
    EXPECT_EQ(dialog.LastContinue().captions, (std::array<std::string, 4>{"Yes", "Overwrite all", "No", "Stop"}));
    EXPECT_EQ(dialog.Texts(ScriptedUserDialog::Event::Continue).size(), 1u);

    // "Stop" ends the run.
    dialog.ClearEvents();
    dialog.PlanContinue(ContinueConfirm::Stop);
    EXPECT_EQ(Decrypt({container, second}), 0);
    EXPECT_TRUE(lastStopped);
    EXPECT_EQ(dialog.Messages().back(), "0 Files succeed in decryption.");
}

TEST_F(DecryptTest, ReadOnlyDestinationIsNotOverwritten) {
    const auto container = Write(Spec());
    WriteFileBytes(dir / "plain.txt", {9});
    std::filesystem::permissions(dir / "plain.txt", std::filesystem::perms::owner_read);
    EXPECT_EQ(Decrypt({container}), 0);
    EXPECT_EQ(Refusals(), std::vector<std::string>{"plain.txt is read only file.\nCan't overwrite."});
    EXPECT_EQ(ReadFileBytes(dir / "plain.txt"), std::vector<std::uint8_t>{9});
}

TEST_F(DecryptTest, FailedRenameLeavesNoOutputAndTheContainerUnchanged) {
    auto spec = Spec();
    spec.recipients[0].limitSeconds = 3600;
    const auto container = Write(spec);
    const auto before = ReadFileBytes(container);
    // A non-empty folder under the output's name: the rename cannot replace it.
    std::filesystem::create_directory(dir / "plain.txt");
    WriteFileBytes(dir / "plain.txt" / "inside", {1});
    dialog.PlanYes();
    EXPECT_EQ(Decrypt({container}), 0);
    EXPECT_EQ(ReadFileBytes(container), before);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "plain.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 2);
}

TEST_F(DecryptTest, UsesLanguageTableTextsWhenGiven) {
    texts = &FilledTexts(LanguageTable::Language::Japanese);
    EXPECT_EQ(Decrypt({}, kDecryptCommand), 0);
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"工房内にファイルがありません。"});
}

// ---------------------------------------------------------------------------
// Sender follow-up

TEST_F(DecryptTest, UnknownSenderInOpenResultModeWipesTheOutputAndOffersAuthentication) {
    auto spec = Spec();
    spec.withSender = true;
    spec.senderPublicFile = south.publicFile;
    spec.recipients[0].senderKeyCheck = 0x12345678;
    const auto container = Write(spec);
    RecordingSender sender;
    dialog.PlanYes();
    EXPECT_EQ(Decrypt({container}, kDecryptOpenResult,
                      [&](DecryptRun& r) {
                          r.sender = &sender;
                          r.removeAfterDecrypt = true;
                      }),
              1);
    EXPECT_EQ(sender.lastCheck, 0x12345678u);
    EXPECT_EQ(sender.calls,
              (std::vector<std::string>{"lookup south south@example.com", "authenticate south plain.txt.tza present"}));
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{
                  "south(south@example.com)'s log is Encrypted file.\nDo you authenicate this file creater?"});
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::AuthenticateSender});
    EXPECT_FALSE(std::filesystem::exists(dir / "plain.txt"));
    // The output was only a viewing copy: the container is kept even with
    // the removal option on, or nothing of the file would be left.
    EXPECT_TRUE(std::filesystem::exists(container));
    EXPECT_TRUE(lastDecrypted.empty());
}

TEST_F(DecryptTest, SenderWhoseEntryDiffersIsOfferedARenewal) {
    auto spec = Spec();
    spec.withSender = true;
    spec.senderPublicFile = south.publicFile;
    const auto container = Write(spec);
    RecordingSender sender;
    sender.status = ISenderFollowUp::Status::Differs;
    dialog.PlanYes();
    EXPECT_EQ(Decrypt({container}, kDecryptCommand, [&](DecryptRun& r) { r.sender = &sender; }), 1);
    EXPECT_EQ(
        dialog.Questions(),
        std::vector<std::string>{
            "Succeed in Decryption.\nDo you renew KeyChainList?\n\nUserName:south\nMailAddress:south@example.com"});
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::RenewSender});
    EXPECT_EQ(sender.calls.back(), "renew south");
    EXPECT_TRUE(std::filesystem::exists(dir / "plain.txt"));
}

// ---------------------------------------------------------------------------
// The reader on its own

TEST_F(DecryptTest, ReadContainerKeysTheCipherAndReturnsTheName) {
    auto spec = Spec();
    spec.recipients[0].limitSeconds = 3600;
    const auto container = Write(spec);
    ReaderState state(cipher);
    state.publicKeyPath = north.publicPath;
    state.privateKeyPath = north.privatePath;
    std::string name;
    ASSERT_TRUE(ReadContainer(state, host, dialog, *texts, container, name, ReadPurpose::HistoryView, true));
    EXPECT_EQ(name, "plain.txt");
    EXPECT_TRUE(state.decryptMode);
    EXPECT_EQ(state.recordIndex, 0);
    std::array<std::uint32_t, 8> words{}, expected{};
    ASSERT_TRUE(cipher.GetKey(words.data()));
    CStreamCipher reference;
    reference.SetWordCount(CStreamCipher::kWordCount);
    reference.SetKey(spec.fileKey);
    ASSERT_TRUE(reference.GetKey(expected.data()));
    EXPECT_EQ(words, expected);
    EXPECT_EQ(LoadLe32(ProtectedBlockOf(ReadFileBytes(container), 0, spec.fileKey).data() + kProtCount), 1u);
}

TEST_F(DecryptTest, NotAuthorizedMessageDependsOnPurpose) {
    auto spec = Spec();
    spec.recipients[0].keys = &south;
    const auto container = Write(spec);
    ReaderState state(cipher);
    state.publicKeyPath = north.publicPath;
    state.privateKeyPath = north.privatePath;
    std::string name;
    EXPECT_FALSE(ReadContainer(state, host, dialog, *texts, container, name, ReadPurpose::Forward, false));
    EXPECT_FALSE(ReadContainer(state, host, dialog, *texts, container, name, ReadPurpose::HistoryView, false));
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{std::string(said::kNotAuthorizedForward),
                                                           std::string(said::kNotAuthorizedHistory)}));
}

}  // namespace
}  // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST_F(DecryptTest, UsbPromptDecryptsTheAutomaticFolderAndDeletesContainers) {
    const auto folder = dir / "auto";
    std::filesystem::create_directory(folder);
    auto spec = Spec();
    WriteContainer(spec, folder / "a.tza");
    WriteFileBytes(folder / "note.txt", {1});
    DecryptRun run(host, dialog, cipher, *texts);
    run.publicKeyPath = north.publicPath;
    run.privateKeyPath = north.privatePath;
    run.isOnCdRom = [](const std::filesystem::path&) { return false; };
    dialog.PlanNo();
    EXPECT_EQ(OfferUsbDecryption(run, folder), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "a.tza"));
    dialog.PlanYes();
    EXPECT_EQ(OfferUsbDecryption(run, folder), 1);
    EXPECT_EQ(dialog.Questions(), std::vector<std::string>(2, std::string(said::kUsbConnected)));
    EXPECT_FALSE(std::filesystem::exists(folder / "a.tza"));
    EXPECT_EQ(ReadFileBytes(folder / "plain.txt"), spec.payload);
    EXPECT_TRUE(std::filesystem::exists(folder / "note.txt"));
    EXPECT_EQ(Refusals(), std::vector<std::string>{});

    dialog.ClearEvents();
    EXPECT_TRUE(CheckAutomaticFolder(dialog, run.texts, folder));
    EXPECT_FALSE(CheckAutomaticFolder(dialog, run.texts, dir / "gone"));
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{std::string(said::kAutoFolderMissing)});
}

}  // namespace
}  // namespace tessarin::test

namespace tessarin::test {
namespace {

class OneSenderDirectory final : public IKeyDirectory {
public:
    std::uint32_t mark = 0;
    UserData entry;
    std::filesystem::path PublicKeyPath() const override { return {}; }
    std::filesystem::path PrivateKeyPath() const override { return {}; }
    std::string OwnerName() const override { return {}; }
    std::string OwnerEmail() const override { return {}; }
    std::vector<std::filesystem::path> RecipientFiles(int) const override { return {}; }
    RecipientKeyStatus RecipientKey(const std::filesystem::path&, RecipientKeyInfo&) const override {
        return RecipientKeyStatus::NotAKey;
    }
    std::optional<UserData> FindSender(std::uint32_t low) const override {
        if (low != mark) return std::nullopt;
        return entry;
    }
};

TEST(DecryptSenderLookup, KeyDirectoryStatus) {
    OneSenderDirectory keys;
    keys.mark = 0xABCD;
    keys.entry.name = "south";
    keys.entry.email = "south@example.jp";
    int renewed = 0;
    KeyDirectorySenderFollowUp follow(keys, [&](std::uint32_t, const SenderIdentity&) { return ++renewed > 0; });
    const std::array<std::uint8_t, 32> digest{};
    EXPECT_EQ(follow.LookUp(1, digest, {"south", "south@example.jp"}).status, ISenderFollowUp::Status::Unknown);
    EXPECT_EQ(follow.LookUp(0xABCD, digest, {"south", "south@example.jp"}).status, ISenderFollowUp::Status::Known);
    const auto differs = follow.LookUp(0xABCD, digest, {"south", "new@example.jp"});
    EXPECT_EQ(differs.status, ISenderFollowUp::Status::Differs);
    EXPECT_EQ(differs.stored.mail, "south@example.jp");
    // Without a sender block there is nothing to compare.
    EXPECT_EQ(follow.LookUp(0xABCD, digest, {}).status, ISenderFollowUp::Status::Known);
    EXPECT_TRUE(follow.Renew(0xABCD, {"south", "new@example.jp"}));
    EXPECT_EQ(renewed, 1);
    EXPECT_FALSE(follow.Authenticate({}, {}, {}, digest));
}

// ---------------------------------------------------------------------------
// One batch never overwrites what it wrote itself

struct SameOutputCase {
    const char* what;
    int mode;
    bool remove;
    bool sameContainerTwice;
};

class DecryptSameOutput : public DecryptTest, public ::testing::WithParamInterface<SameOutputCase> {};

TEST_P(DecryptSameOutput, LaterContainerIsRefusedAndKept) {
    const auto& c = GetParam();
    const auto first = Spec();  // stored name "plain.txt"
    auto second = Spec();
    second.payload = PatternBytes(700, 99);
    const auto a = Write(first, "a.tza");
    const auto b = c.sameContainerTwice ? a : Write(second, "b.tza");
    const auto bBefore = ReadFileBytes(b);
    // Whatever an overwrite question would be answered, it must not come to it.
    dialog.PlanContinue(ContinueConfirm::All);
    const int n = Decrypt({a, b}, c.mode, [&](DecryptRun& r) { r.removeAfterDecrypt = c.remove; });
    EXPECT_EQ(n, 1) << c.what;
    EXPECT_EQ(ReadFileBytes(dir / "plain.txt"), first.payload) << c.what;
    EXPECT_EQ(Refusals(),
              std::vector<std::string>{b.filename().string() + " decrypts to plain.txt, which this run has already "
                                                               "written from another TZA file.\nIt is not overwritten: "
                                                               "this TZA file was not decrypted and is kept as it is."})
        << c.what;
    EXPECT_EQ(dialog.Messages().back(), "1 Files succeed in decryption.") << c.what;
    EXPECT_EQ(ReadFileBytes(b), bBefore) << c.what;
    EXPECT_EQ(std::filesystem::exists(a), c.sameContainerTwice || !(c.remove || c.mode == kDecryptFolder)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Modes, DecryptSameOutput,
                         ::testing::Values(SameOutputCase{"command with removal", kDecryptCommand, true, false},
                                           SameOutputCase{"command keeping containers", kDecryptCommand, false, false},
                                           SameOutputCase{"dialog with removal", kDecryptDialog, true, false},
                                           SameOutputCase{"folder mode always removes", kDecryptFolder, false, false},
                                           SameOutputCase{"one container listed twice", kDecryptCommand, false, true}));

TEST_F(DecryptTest, AnOutputThatExistedBeforeTheRunIsStillAskedAbout) {
    // Only outputs of this run are refused outright; an older file is the
    // overwrite question's business.
    const auto a = Write(Spec(), "a.tza");
    WriteFileBytes(dir / "plain.txt", {1, 2, 3});
    dialog.PlanYes();
    EXPECT_EQ(Decrypt({a}), 1);
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{"plain.txt\nOverwrite for same name file.\nDo you Decrypt?"});
    EXPECT_EQ(ReadFileBytes(dir / "plain.txt"), Spec().payload);
}

// ---------------------------------------------------------------------------
// Expired containers: what the message says matches what happened

class UnerasableStore final : public IContainerStore {
public:
    explicit UnerasableStore(std::vector<std::uint8_t> bytes) : m_inner(std::move(bytes)) {}
    std::optional<std::int64_t> Size() override { return m_inner.Size(); }
    bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override { return m_inner.ReadAt(offset, out); }
    bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
        return m_inner.WriteAt(offset, bytes);
    }
    bool Wipe() override {
        ++wipeAttempts;
        return false;
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_inner.Bytes(); }
    int wipeAttempts = 0;

private:
    MemoryContainerStore m_inner;
};

TEST_F(DecryptTest, ExpiredContainerThatCannotBeErasedSaysSo) {
    auto spec = Spec(7200);
    spec.recipients[0].limitSeconds = 60;
    const auto bytes = BuildContainer(spec);
    UnerasableStore store(bytes);
    ContainerReader reader(host, dialog, *texts);
    EXPECT_EQ(reader.Read(store, *ReaderKeys::Load(north.publicPath, north.privatePath), ReadPurpose::Decrypt),
              ReadStatus::Expired);
    EXPECT_EQ(store.wipeAttempts, 1);
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{std::string(said::kExpiredNotErased)});
    EXPECT_EQ(store.Bytes(), bytes);
}

TEST_F(DecryptTest, ReaderThatOnlyLooksKeepsAnExpiredContainerAndItsStoredCount) {
    auto spec = Spec(7200);
    spec.recipients[0].limitSeconds = 60;
    spec.recipients[0].decryptionCount = 3;
    const auto bytes = BuildContainer(spec);
    UnerasableStore store(bytes);
    ContainerReader reader(host, dialog, *texts);
    reader.SetLookOnly(true);
    EXPECT_EQ(reader.Read(store, *ReaderKeys::Load(north.publicPath, north.privatePath), ReadPurpose::HistoryView),
              ReadStatus::Expired);
    EXPECT_EQ(store.wipeAttempts, 0);
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{std::string(said::kExpiredKept)});
    EXPECT_EQ(reader.Record().storedDecryptionCount, 3u);
    EXPECT_EQ(reader.Record().fileKey, spec.fileKey);
    EXPECT_EQ(store.Bytes(), bytes);
}

TEST_F(DecryptTest, ExpiredMessagesFollowTheLanguage) {
    const LanguageTable& japanese = FilledTexts(LanguageTable::Language::Japanese);
    auto spec = Spec(7200);
    spec.recipients[0].limitSeconds = 60;
    const auto keys = *ReaderKeys::Load(north.publicPath, north.privatePath);
    for (const bool lookOnly : {false, true}) {
        UnerasableStore store(BuildContainer(spec));
        ContainerReader reader(host, dialog, japanese);
        reader.SetLookOnly(lookOnly);
        EXPECT_EQ(reader.Read(store, keys, ReadPurpose::Decrypt), ReadStatus::Expired);
    }
    EXPECT_EQ(dialog.Messages(),
              (std::vector<std::string>{"有効期限を過ぎています。ファイルを消去できませんでした。",
                                        "有効期限を過ぎています。ファイルは消去せずにそのまま残しています。"}));
}

TEST_F(DecryptTest, StoredCountIsTheCountBeforeThisReading) {
    auto spec = Spec();
    spec.recipients[0].decryptionCount = 5;
    MemoryContainerStore store(BuildContainer(spec));
    ContainerReader reader(host, dialog, *texts);
    ASSERT_EQ(reader.Read(store, *ReaderKeys::Load(north.publicPath, north.privatePath), ReadPurpose::Decrypt),
              ReadStatus::Ok);
    EXPECT_EQ(reader.Record().storedDecryptionCount, 5u);
    EXPECT_EQ(reader.Record().decryptionCount, 6u);
}

}  // namespace
}  // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST_F(DecryptTest, OutputFolderTakesThePlaintextsAndStillRefusesItsOwnOutputs) {
    // Containers from two folders with one stored name, into a third folder:
    // the first is written there, the second refused; nothing lands beside
    // the containers.
    std::filesystem::create_directories(dir / "in1");
    std::filesystem::create_directories(dir / "in2");
    std::filesystem::create_directories(dir / "out");
    const auto a = Write(Spec(), "in1/a.tza");
    const auto b = Write(Spec(), "in2/b.tza");
    EXPECT_EQ(Decrypt({a, b}, kDecryptCommand, [&](DecryptRun& r) { r.outputFolder = dir / "out"; }), 1);
    EXPECT_EQ(ReadFileBytes(dir / "out" / "plain.txt"), Spec().payload);
    EXPECT_FALSE(std::filesystem::exists(dir / "in1" / "plain.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "in2" / "plain.txt"));
    ASSERT_EQ(Refusals().size(), 1u);
    EXPECT_EQ(Refusals()[0].substr(0, 32), "b.tza decrypts to plain.txt, whi");
}

}  // namespace
}  // namespace tessarin::test
