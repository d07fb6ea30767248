// Member lists and personalinfo.dat.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Fixtures.h"
#include "keys/MemberList.h"
#include "platform/ByteIo.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

UserData Member(const std::string& name, std::uint64_t mark) {
    UserData u;
    u.name = name;
    u.email = name + "@example.com";
    u.fileName = name + "))me-auth.vpub";
    u.limit = SystemTime{2027, 1, 5, 1, 23, 59, 59, 0};
    u.registered = SystemTime{2026, 12, 4, 10, 3, 4, 5, 6};
    u.keyMark = mark;
    return u;
}

// A list file with a given count field followed by the records.
ByteVector ListFile(std::int32_t count, const std::vector<UserData>& records, std::size_t cutLast = 0) {
    ByteVector out;
    ByteWriter w(out);
    w.I32(count);
    for (const auto& r : records) {
        const auto b = r.ToBytes();
        w.Bytes(std::span<const std::uint8_t>(b).first(UserData::kStoredSize));
    }
    out.resize(out.size() - cutLast);
    return out;
}

TEST(MemberList, RoundTripStores447BytesPerRecord) {
    TempDir dir;
    UserData longTexts = Member("x", 0x0102030405060708ULL);
    longTexts.name = std::string(128, 'N');   // a full field has no terminator
    longTexts.email = std::string(200, 'E');  // cut to 128
    longTexts.reserved1 = {1, 2, 3, 4};
    const std::vector<UserData> records = {Member("south", 0xAABBCCDDEEFF1122ULL), longTexts};
    ASSERT_TRUE(WriteMemberList(dir / "member.dat", records));
    const ByteVector file = ReadFileBytes(dir / "member.dat");
    ASSERT_EQ(file.size(), 4 + 2 * 447u);
    EXPECT_EQ(LoadLeI32(file.data()), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + 4)), "south");
    EXPECT_EQ(LoadLe32(file.data() + 4 + 440), 0xEEFF1122u);  // key mark, low word first

    std::vector<UserData> back;
    EXPECT_EQ(ReadMemberList(dir / "member.dat", back), MemberListStatus::Ok);
    ASSERT_EQ(back.size(), 2u);
    // The 448th byte (the key mark's top byte) is not stored.
    EXPECT_EQ(back[0].keyMark, 0x00BBCCDDEEFF1122ULL);
    EXPECT_EQ(back[0].KeyMarkLow(), 0xEEFF1122u);
    UserData expected = records[0];
    expected.keyMark = 0x00BBCCDDEEFF1122ULL;
    EXPECT_EQ(back[0], expected);
    EXPECT_EQ(back[1].name, std::string(128, 'N'));
    EXPECT_EQ(back[1].email, std::string(128, 'E'));
    EXPECT_EQ(back[1].reserved1, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_TRUE(back[1].HasLimit());
}

// Every field of a stored record at its offset, against bytes written out by
// hand from the record layout (not from the writer's own encoding).
TEST(MemberList, FieldsLieAtTheirOffsetsAsLittleEndianBytes) {
    TempDir dir;
    UserData u;
    u.name = "south";
    u.email = "s@x.jp";
    u.fileName = "a))b-auth.vpub";
    u.limit = SystemTime{2027, 3, 3, 31, 23, 59, 59, 0};         // year 2027 = 0x07EB
    u.registered = SystemTime{2026, 12, 4, 10, 9, 30, 15, 250};  // 2026 = 0x07EA
    u.used = SystemTime{2028, 2, 2, 29, 1, 2, 3, 4};             // 2028 = 0x07EC
    u.keyMark = 0x1122334455667788ULL;
    ASSERT_TRUE(WriteMemberList(dir / "member.dat", std::vector<UserData>{u}));
    const ByteVector file = ReadFileBytes(dir / "member.dat");
    ASSERT_EQ(file.size(), 451u);
    const ByteVector count = {1, 0, 0, 0};
    EXPECT_EQ(ByteVector(file.begin(), file.begin() + 4), count);
    const auto at = [&](std::size_t offset, std::size_t size) {
        const auto from = file.begin() + static_cast<std::ptrdiff_t>(4 + offset);
        return ByteVector(from, from + static_cast<std::ptrdiff_t>(size));
    };
    const auto text = [](std::string_view s, std::size_t width) {
        ByteVector out(width, 0);
        std::copy(s.begin(), s.end(), out.begin());
        return out;
    };
    const struct {
        const char* field;
        std::size_t offset;
        ByteVector expected;
    } cases[] = {
        {"name at 0", 0, text("south", 128)},
        {"e-mail at 128", 128, {'s', '@', 'x', '.', 'j', 'p', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"rest of the e-mail field", 144, ByteVector(112, 0)},
        {"file name at 256", 256, text("a))b-auth.vpub", 128)},
        {"reserved at 384", 384, {0, 0, 0, 0}},
        {"limit at 388",
         388,
         {0xEB, 0x07, 0x03, 0x00, 0x03, 0x00, 0x1F, 0x00, 0x17, 0x00, 0x3B, 0x00, 0x3B, 0x00, 0x00, 0x00}},
        {"registration time at 404",
         404,
         {0xEA, 0x07, 0x0C, 0x00, 0x04, 0x00, 0x0A, 0x00, 0x09, 0x00, 0x1E, 0x00, 0x0F, 0x00, 0xFA, 0x00}},
        {"third date at 420",
         420,
         {0xEC, 0x07, 0x02, 0x00, 0x02, 0x00, 0x1D, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00}},
        {"reserved at 436", 436, {0, 0, 0, 0}},
        {"key mark at 440, low byte first, top byte not stored", 440, {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(at(c.offset, c.expected.size()), c.expected);
    }
}

TEST(MemberList, EmptyListDeletesTheFileAndMissingFileIsEmpty) {
    TempDir dir;
    ASSERT_TRUE(WriteMemberList(dir / "pubkey_member.dat", std::vector<UserData>{Member("a", 1)}));
    ASSERT_TRUE(fs::exists(dir / "pubkey_member.dat"));
    EXPECT_TRUE(WriteMemberList(dir / "pubkey_member.dat", std::span<const UserData>{}));
    EXPECT_FALSE(fs::exists(dir / "pubkey_member.dat"));
    EXPECT_TRUE(WriteMemberList(dir / "pubkey_member.dat", std::span<const UserData>{}));

    std::vector<UserData> records = {Member("stale", 1)};
    EXPECT_EQ(ReadMemberList(dir / "pubkey_member.dat", records), MemberListStatus::Ok);
    EXPECT_TRUE(records.empty());
}

TEST(MemberList, BadCountsAndShortFilesKeepWhatWasRead) {
    TempDir dir;
    const std::vector<UserData> two = {Member("a", 1), Member("b", 2)};
    const struct {
        const char* what;
        ByteVector file;
        MemberListStatus status;
        std::size_t kept;
    } cases[] = {
        {"count matches", ListFile(2, two), MemberListStatus::Ok, 2},
        {"count zero", ListFile(0, {}), MemberListStatus::Ok, 0},
        {"negative count", ListFile(-1, two), MemberListStatus::BadCount, 0},
        {"most negative count", ListFile(INT32_MIN, two), MemberListStatus::BadCount, 0},
        {"huge count, two records", ListFile(INT32_MAX, two), MemberListStatus::Truncated, 2},
        {"count three, two records", ListFile(3, two), MemberListStatus::Truncated, 2},
        {"second record cut short", ListFile(2, two, 100), MemberListStatus::Truncated, 1},
        {"empty file", ByteVector{}, MemberListStatus::Truncated, 0},
        {"two bytes", ByteVector{1, 0}, MemberListStatus::Truncated, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(dir / "member.dat", c.file);
        std::vector<UserData> records;
        EXPECT_EQ(ReadMemberList(dir / "member.dat", records), c.status);
        ASSERT_EQ(records.size(), c.kept);
        if (c.kept > 0) {
            EXPECT_EQ(records[0].name, "a");
        }
        // Reading never changes the file.
        EXPECT_EQ(ReadFileBytes(dir / "member.dat"), c.file);
    }
    fs::create_directory(dir / "folder.dat");
    std::vector<UserData> records;
    EXPECT_NE(ReadMemberList(dir / "folder.dat", records), MemberListStatus::Ok);
}

TEST(MemberList, UnusedLimitNeverCounts) {
    UserData u;
    EXPECT_FALSE(u.HasLimit());
    u.limit.year = 1899;
    EXPECT_FALSE(u.HasLimit());
    u.limit.year = 1900;
    EXPECT_TRUE(u.HasLimit());
}

TEST(PersonalInfo, TwoLinesEachEndedByALineFeed) {
    TempDir dir;
    const PersonalInfo info{"\x8E\x52\x93\x63", "yamada@example.jp"};  // 山田 in CP932
    ASSERT_TRUE(WritePersonalInfo(dir / "personalinfo.dat", info));
    const ByteVector file = ReadFileBytes(dir / "personalinfo.dat");
    EXPECT_EQ(std::string(file.begin(), file.end()), "\x8E\x52\x93\x63\nyamada@example.jp\n");
    auto back = ReadPersonalInfo(dir / "personalinfo.dat");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, info.name);
    EXPECT_EQ(back->email, info.email);
    EXPECT_EQ(Cp932ForDisplay(back->name), "\xE5\xB1\xB1\xE7\x94\xB0");

    WriteFileBytes(dir / "crlf.dat", {'a', '\r', '\n', 'b'});
    back = ReadPersonalInfo(dir / "crlf.dat");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "a");
    EXPECT_EQ(back->email, "b");
    WriteFileBytes(dir / "one.dat", {'a', '\n'});
    EXPECT_EQ(ReadPersonalInfo(dir / "one.dat")->email, "");
    EXPECT_FALSE(ReadPersonalInfo(dir / "missing.dat"));
}

TEST(PersonalInfo, UnconvertibleBytesShowAsQuestionMarks) {
    EXPECT_EQ(Cp932ForDisplay("ab"), "ab");
    EXPECT_EQ(Cp932ForDisplay(std::string("a\x81", 2)), "a?");
}

}  // namespace
}  // namespace tessarin
