#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Fixtures.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerFormat.h"
#include "core/StreamCipher.h"
#include "platform/Host.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using Man = CArchiveHistoryMan;

std::array<std::uint8_t, 32> Key() {
    std::array<std::uint8_t, 32> k{};
    for (std::size_t i = 0; i < k.size(); ++i) k[i] = static_cast<std::uint8_t>(0x30 + i);
    return k;
}

std::vector<std::uint8_t> Decrypt(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out(bytes.size());
    CStreamCipher c;
    c.SetWordCount(8);
    const auto k = Key();
    c.SetKey(std::span<const std::uint8_t>(k));
    c.Crypt(bytes.data(), bytes.size(), out.data());
    return out;
}

TEST(ArchiveHistoryMan, BlockCountAlwaysLeavesPadding) {
    EXPECT_EQ(Man::BlockCount(1, 0), 1);   // 88 bytes
    EXPECT_EQ(Man::BlockCount(0, 0), 1);   // 8 bytes
    EXPECT_EQ(Man::BlockCount(3, 0), 1);   // 248
    EXPECT_EQ(Man::BlockCount(2, 3), 1);   // 243
    EXPECT_EQ(Man::BlockCount(2, 4), 2);   // 268
    EXPECT_EQ(Man::BlockCount(6, 0), 2);   // 488
    EXPECT_EQ(Man::BlockCount(0, 20), 2);  // 508
    EXPECT_EQ(Man::BlockCount(2, 24), 4);  // exactly 768: a whole extra unit
}

TEST(ArchiveHistoryMan, OpenRecordAndOrder) {
    FixedHost host;
    Man m(host);
    m.Open("/some/folder");
    EXPECT_EQ(m.Folder().string(), "/some/folder/");
    EXPECT_EQ(m.UserCount(), 1);
    EXPECT_EQ(m.RecordCount(), 0);
    EXPECT_EQ(m.PaddedBlock().size(), 256u);

    m.Record(0, Man::Created);
    host.now += 60;
    m.Record(0, Man::Decrypted);
    host.now += 60;
    m.Record(0, Man::Viewed);
    host.now += 60;
    m.Record(0, Man::Decrypted);
    ASSERT_EQ(m.RecordCount(), 4);
    // Decryptions newest first at the front, the rest oldest first after them.
    EXPECT_EQ(m.RecordAt(0).operation, Man::Decrypted);
    EXPECT_EQ(m.RecordAt(1).operation, Man::Decrypted);
    EXPECT_EQ(m.RecordAt(2).operation, Man::Created);
    EXPECT_EQ(m.RecordAt(3).operation, Man::Viewed);
    EXPECT_EQ(m.RecordAt(0).time, SystemTimeFromTimeT(host.now));

    Man a(host);
    a.Open("/f");
    a.AppendRecord(0, Man::Created);
    a.AppendRecord(0, Man::Decrypted);
    EXPECT_EQ(a.RecordAt(0).operation, Man::Created);
    EXPECT_EQ(a.RecordAt(1).operation, Man::Decrypted);
    EXPECT_EQ(a.RecordAt(1).flag, 1);
}

TEST(ArchiveHistoryMan, BlockBytes) {
    FixedHost host;
    Man m(host);
    m.Open("/f");
    m.SetUsers({{std::string(20, 'N'), "mail@example.jp"}});
    m.AppendRecord(0, Man::Created);
    const auto c = m.Content();
    ASSERT_EQ(c.size(), 8u + 80 + 25);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[4], 1);
    EXPECT_EQ(c[8 + 19], 'N');
    EXPECT_EQ(c[8 + 20], 'm');  // a 20-byte name has no NUL in its field
    const auto t = SystemTimeFromTimeT(host.now).ToBytes();
    EXPECT_EQ(0, std::memcmp(c.data() + 88, t.data(), 16));
    EXPECT_EQ(c[88 + 24], 1);  // flag
    // Reading back stops at 20 bytes.
    Man r(host);
    r.Open("/f");
    ASSERT_TRUE(r.ParseBlock(m.PaddedBlock()));
    EXPECT_EQ(r.UserName(0), std::string(20, 'N'));
    EXPECT_EQ(r.MailAddress(0), "mail@example.jp");
    // Counts that do not fit are refused.
    auto bad = m.PaddedBlock();
    bad[0] = 200;
    EXPECT_FALSE(r.ParseBlock(bad));
}

// A container body with N records, history appended, then loaded, extended
// and saved in place.
TEST(ArchiveHistoryMan, AppendLoadSaveInPlace) {
    test::TempDir dir;
    const fs::path path = dir / "x.tza";
    std::vector<std::uint8_t> body(100 + 2 * 256, 0x77);
    test::WriteFileBytes(path, body);
    FixedHost host;
    const auto key = Key();
    const auto tail = container::BuildTail(2, 100, 0x10);

    Man w(host);
    w.Open(dir.Path());
    w.SetUsers({{"me", "me@x"}, {"you", "you@x"}});
    w.AppendRecord(0, Man::Created);
    w.SetContainer(path, tail, key);
    ASSERT_TRUE(w.AppendNewHistory());
    auto bytes = test::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), body.size() + 256 + 48);
    // Count field U + B = 3; the block decrypts as one keystream.
    EXPECT_EQ(bytes[bytes.size() - 44], 3);
    const auto block = Decrypt(std::span<const std::uint8_t>(bytes).subspan(body.size(), 256));
    EXPECT_EQ(block[0], 2);
    EXPECT_EQ(block[4], 1);
    EXPECT_TRUE(Man::HasHistory(path));

    Man r(host);
    r.Open(dir.Path());
    r.SetContainer(path, tail, key);
    ASSERT_EQ(r.Load(), Man::Loaded);
    EXPECT_EQ(r.UserCount(), 2);
    EXPECT_EQ(r.UserName(1), "you");
    EXPECT_EQ(r.RecordCount(), 1);
    EXPECT_EQ(r.LoadedBlockCount(), 1);
    EXPECT_EQ(r.SaveInPlace(), Man::NothingNew);
    // Enough records to need a second unit.
    for (int i = 0; i < 8; ++i) r.AppendRecord(1, Man::Viewed);
    ASSERT_EQ(r.SaveInPlace(), Man::Saved);
    bytes = test::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), body.size() + 512 + 48);
    EXPECT_EQ(bytes[bytes.size() - 44], 4);
    EXPECT_EQ(0, std::memcmp(bytes.data(), body.data(), body.size()));

    Man again(host);
    again.Open(dir.Path());
    again.SetContainer(path, tail, key);
    ASSERT_EQ(again.Load(), Man::Loaded);
    EXPECT_EQ(again.RecordCount(), 9);
    EXPECT_EQ(again.RecordAt(8).operation, Man::Viewed);
}

TEST(ArchiveHistoryMan, HistoryWithoutUsersLoads) {
    test::TempDir dir;
    const fs::path path = dir / "u0.tza";
    test::WriteFileBytes(path, std::vector<std::uint8_t>(300, 1));
    FixedHost host;
    const auto key = Key();
    Man w(host);
    w.Open(dir.Path());
    w.SetUsers({});
    w.SetContainer(path, container::BuildTail(0, 44, 0x10), key);
    ASSERT_TRUE(w.AppendNewHistory());
    EXPECT_EQ(fs::file_size(path), 300u + 256 + 48);
    Man r(host);
    r.Open(dir.Path());
    r.SetContainer(path, container::BuildTail(0, 0, 0), key);
    ASSERT_EQ(r.Load(), Man::Loaded);
    EXPECT_EQ(r.UserCount(), 0);
    EXPECT_EQ(r.RecordCount(), 0);
}

// A history-flagged container of `units` units of holes and its tail; with
// blockUnits, a block head (U = 0, R filling exactly that many units) where
// that block would start.
fs::path SparseHistoryContainer(const fs::path& path, std::int64_t units, std::int32_t count,
                                std::int32_t blockUnits = 0) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    if (blockUnits > 0) {
        const std::int32_t r = (256 * (blockUnits - 1) - 8 + 24) / 25;  // BlockCount(0, r) == blockUnits
        std::vector<std::uint8_t> head(8, 0);
        head[4] = static_cast<std::uint8_t>(r);
        head[5] = static_cast<std::uint8_t>(r >> 8);
        head[6] = static_cast<std::uint8_t>(r >> 16);
        const auto cipher = Decrypt(head);  // the same keystream both ways
        ::fseeko(f, static_cast<off_t>((units - blockUnits) * 256), SEEK_SET);
        std::fwrite(cipher.data(), 1, cipher.size(), f);
    }
    const auto tail = container::BuildTail(count, 0, 0x10);
    ::fseeko(f, static_cast<off_t>(units * 256), SEEK_SET);
    std::fwrite(tail.data(), 1, tail.size(), f);
    std::fclose(f);
    return path;
}

TEST(ArchiveHistoryMan, LoadKeepsTheBlockSearchBounded) {
    test::TempDir dir;
    FixedHost host;
    const auto key = Key();
    const auto load = [&](const fs::path& path) {
        Man m(host);
        m.Open(dir.Path());
        m.SetContainer(path, container::BuildTail(1, 0, 0), key);
        return m.Load();
    };
    // The count field claims the most blocks there can be: every unit in
    // front of the tail is a candidate, and the search still finishes at once
    // (it used to read and decipher B × 256 bytes for each B, quadratic in
    // the file's size) and finds nothing.
    EXPECT_EQ(load(SparseHistoryContainer(dir / "count.tza", 40000, INT32_MAX)), Man::OpenFailed);
    // A block that fits within the bound loads; one above it is not read.
    EXPECT_EQ(load(SparseHistoryContainer(dir / "fits.tza", 40000, 30000, 30000)), Man::Loaded);
    const std::int32_t over = Man::kMaxLoadUnits + 1;
    EXPECT_EQ(load(SparseHistoryContainer(dir / "over.tza", over + 10, over, over)), Man::OpenFailed);
}

TEST(ArchiveHistoryMan, LoadAndSaveResults) {
    test::TempDir dir;
    FixedHost host;
    const auto key = Key();
    Man m(host);
    m.Open(dir.Path());
    m.SetContainer(dir / "missing.tza", container::BuildTail(1, 0, 0), key);
    EXPECT_EQ(m.Load(), Man::OpenFailed);
    m.AppendRecord(0, Man::Viewed);
    EXPECT_EQ(m.SaveInPlace(), Man::NotLoaded);

    // A container without history.
    std::vector<std::uint8_t> plain(256, 0);
    const auto tail = container::BuildTail(1, 0, 0);
    plain.insert(plain.end(), tail.begin(), tail.end());
    test::WriteFileBytes(dir / "plain.tza", plain);
    EXPECT_FALSE(Man::HasHistory(dir / "plain.tza"));
    Man p(host);
    p.Open(dir.Path());
    p.SetContainer(dir / "plain.tza", tail, key);
    EXPECT_EQ(p.Load(), Man::NoHistory);
}

TEST(ArchiveHistoryMan, WriteWithContentPutsTheHistoryInFront) {
    test::TempDir dir;
    FixedHost host;
    const fs::path path = dir / "c.tza";
    std::vector<std::uint8_t> original(3000);
    for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<std::uint8_t>(i * 7);
    test::WriteFileBytes(path, original);
    Man m(host);
    m.Open(dir.Path());
    m.SetUsers({{"me", "me@x"}});
    m.Record(0, Man::Decrypted);
    const auto key = Key();
    ASSERT_FALSE(m.WriteWithContent(key, path).has_value());
    const auto bytes = test::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 8 + 80 + 25 + original.size());
    const auto head = Decrypt(std::span<const std::uint8_t>(bytes).first(113));
    EXPECT_EQ(head[0], 1);
    EXPECT_EQ(head[4], 1);
    EXPECT_EQ(head[88 + 20], Man::Decrypted);
    EXPECT_EQ(0, std::memcmp(bytes.data() + 113, original.data(), original.size()));
    // Nothing else left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 1);
    // A missing container: error text, nothing written.
    EXPECT_TRUE(m.WriteWithContent(key, dir / "none.tza").has_value());
    EXPECT_FALSE(fs::exists(dir / "none.tza"));
}

}  // namespace
}  // namespace tessarin

namespace tessarin {
namespace {

// The system calls of a save in place, one of which fails once: either with
// nothing done, or after writing only the first `partial` bytes.
class FailingCalls final : public IHistoryFileCalls {
public:
    enum class Step { Reserve, Write, Sync };
    FailingCalls(Step step, int error, std::size_t partial = 0) : m_step(step), m_error(error), m_partial(partial) {}
    int Reserve(int fd, std::int64_t offset, std::int64_t length) override {
        if (Fails(Step::Reserve)) return -1;
        return IHistoryFileCalls::Reserve(fd, offset, length);
    }
    std::int64_t WriteAt(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset) override {
        if (m_step != Step::Write || m_failed) return IHistoryFileCalls::WriteAt(fd, bytes, offset);
        m_failed = true;
        if (m_partial > 0) return IHistoryFileCalls::WriteAt(fd, bytes.first(m_partial), offset);
        errno = m_error;
        return -1;
    }
    int Sync(int fd) override {
        if (Fails(Step::Sync)) return -1;
        return IHistoryFileCalls::Sync(fd);
    }

private:
    bool Fails(Step step) {
        if (m_step != step || m_failed) return false;
        m_failed = true;
        errno = m_error;
        return true;
    }
    Step m_step;
    int m_error;
    std::size_t m_partial;
    bool m_failed = false;
};

// A container with a one-unit history of one user and one record.
class SaveInPlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileBytes(path, std::vector<std::uint8_t>(400, 7));
        Man w(host);
        w.Open(dir.Path());
        w.SetUsers({{"me", "me@x"}});
        w.AppendRecord(0, Man::Created);
        w.SetContainer(path, tail, key);
        ASSERT_TRUE(w.AppendNewHistory());
        before = test::ReadFileBytes(path);
    }
    // A manager with the history loaded and eight more records, which need
    // a second unit.
    std::unique_ptr<Man> Grown() {
        auto m = std::make_unique<Man>(host);
        m->Open(dir.Path());
        m->SetContainer(path, tail, key);
        EXPECT_EQ(m->Load(), Man::Loaded);
        for (int i = 0; i < 8; ++i) m->AppendRecord(0, Man::Viewed);
        return m;
    }
    int LoadedRecords() {
        Man m(host);
        m.Open(dir.Path());
        m.SetContainer(path, tail, key);
        return m.Load() == Man::Loaded ? m.RecordCount() : -1;
    }

    test::TempDir dir;
    const fs::path path = dir / "h.tza";
    FixedHost host;
    const std::array<std::uint8_t, 32> key = Key();
    const container::Tail tail = container::BuildTail(1, 100, 0x10);
    std::vector<std::uint8_t> before;
};

TEST_F(SaveInPlaceTest, SaveThatCannotGrowLeavesTheContainerAsItWas) {
    auto r = Grown();
    // The file may grow by 100 bytes only, as on a disk that is nearly full:
    // the longer block would overwrite the old tail and then stop short.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 100;
    const bool limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    const auto result = r->SaveInPlace();
    (void)::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(limited);
    EXPECT_EQ(result, Man::WriteFailed);
    EXPECT_EQ(r->LastError(), EFBIG);
    EXPECT_EQ(test::ReadFileBytes(path), before);
    // With room, the same save goes through.
    EXPECT_EQ(r->SaveInPlace(), Man::Saved);
    EXPECT_EQ(fs::file_size(path), before.size() + 256);
}

TEST_F(SaveInPlaceTest, AFailedSaveLeavesTheOldContainerAndSaysWhy) {
    using Step = FailingCalls::Step;
    struct Case {
        const char* label;
        Step step;
        int error;
        std::size_t partial;
        int reported;
    };
    const std::size_t newSize = 512 + 48;  // two units and the tail
    const Case cases[] = {
        {"no room can be reserved", Step::Reserve, ENOSPC, 0, ENOSPC},
        {"the write fails at once", Step::Write, EIO, 0, EIO},
        {"the write stops in the block", Step::Write, 0, 200, EIO},
        {"the write stops over the old tail", Step::Write, 0, 300, EIO},
        {"the write stops one byte short", Step::Write, 0, newSize - 1, EIO},
        {"the sync fails", Step::Sync, EIO, 0, EIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        test::WriteFileBytes(path, before);
        auto m = Grown();
        FailingCalls calls(c.step, c.error, c.partial);
        m->SetFileCalls(calls);
        EXPECT_EQ(m->SaveInPlace(), Man::WriteFailed);
        EXPECT_EQ(m->LastError(), c.reported);
        EXPECT_EQ(test::ReadFileBytes(path), before);
        EXPECT_EQ(LoadedRecords(), 1);
        // The same manager saves once the calls work again.
        IHistoryFileCalls working;
        m->SetFileCalls(working);
        EXPECT_EQ(m->SaveInPlace(), Man::Saved);
        EXPECT_EQ(fs::file_size(path), before.size() + 256);
        EXPECT_EQ(LoadedRecords(), 9);
    }
}

// A process killed during the save leaves the old container or the new one,
// never one in between (the old save first grew the file with zeros over
// where the tail must be).
TEST_F(SaveInPlaceTest, AKilledSaveLeavesTheOldOrTheNewContainer) {
    class KillingCalls final : public IHistoryFileCalls {
    public:
        explicit KillingCalls(bool afterWrite) : m_afterWrite(afterWrite) {}
        std::int64_t WriteAt(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset) override {
            if (!m_afterWrite) std::raise(SIGKILL);
            return IHistoryFileCalls::WriteAt(fd, bytes, offset);
        }
        int Sync(int) override {
            std::raise(SIGKILL);
            return -1;
        }

    private:
        bool m_afterWrite;
    };
    for (const bool afterWrite : {false, true}) {
        SCOPED_TRACE(afterWrite ? "killed after the write" : "killed before the write");
        test::WriteFileBytes(path, before);
        auto m = Grown();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            KillingCalls calls(afterWrite);
            m->SetFileCalls(calls);
            (void)m->SaveInPlace();
            std::_Exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        if (afterWrite) {
            EXPECT_EQ(fs::file_size(path), before.size() + 256);
            EXPECT_EQ(LoadedRecords(), 9);
        } else {
            EXPECT_EQ(test::ReadFileBytes(path), before);
            EXPECT_EQ(LoadedRecords(), 1);
        }
    }
}

}  // namespace
}  // namespace tessarin
