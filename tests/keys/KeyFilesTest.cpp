// Key files, records, completeness and name rules.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "Fixtures.h"
#include "core/Sha512.h"
#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::FixturePath;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

ByteVector Fixture(const std::string& name) {
    return ReadFileBytes(FixturePath("cryptoapi/" + name));
}
ByteVector Blob(const ByteVector& file, std::size_t size) {
    return ByteVector(file.begin() + 4, file.begin() + 4 + static_cast<std::ptrdiff_t>(size));
}

AuthRecord SampleRecord() {
    AuthRecord r;
    for (std::size_t i = 0; i < r.secret.size(); ++i) r.secret[i] = static_cast<std::uint8_t>(0xA0 + i);
    r.name = "south";
    r.email = "south@example.com";
    r.created = SystemTime{2026, 12, 4, 10, 3, 4, 5, 6};
    r.limit = SystemTime{2027, 3, 3, 31, 23, 59, 59, 0};
    return r;
}

// An auth key issued by north for south: north's public key and a record only
// south can read.
ByteVector NorthForSouthAuthKey() {
    auto cipher = EncryptAuthRecord(Blob(Fixture("south.vpub"), kPublicKeyBlobSize), SampleRecord());
    EXPECT_TRUE(cipher) << cipher.Error();
    return BuildAuthKeyFile(Blob(Fixture("north.vpub"), kPublicKeyBlobSize), *cipher);
}

TEST(KeyFileFixtures, CryptoApiFilesReadAndRebuildByteForByte) {
    for (const char* name : {"north", "south"}) {
        SCOPED_TRACE(name);
        const ByteVector pubFile = Fixture(std::string(name) + ".vpub");
        const ByteVector priFile = Fixture(std::string(name) + "Private.vpri");
        auto pub = ReadPublicKeyFile(FixturePath(std::string("cryptoapi/") + name + ".vpub"));
        ASSERT_TRUE(pub) << pub.Detail();
        EXPECT_EQ(BuildPublicKeyFile(pub->blob), pubFile);

        auto pri = ReadPrivateKeyFile(FixturePath(std::string("cryptoapi/") + name + "Private.vpri"));
        ASSERT_TRUE(pri) << pri.Detail();
        std::array<std::uint8_t, kKeySetTagSize> tag{};
        std::copy(pri->Tag().begin(), pri->Tag().end(), tag.begin());
        EXPECT_EQ(BuildPrivateKeyFile(pri->Blob(), pri->WrittenAt(), tag), priFile);

        // The same bytes come back through the RSA service.
        auto key = RsaKey::Import(pri->Blob());
        ASSERT_TRUE(key);
        auto exported = key->ExportPrivateBlob();
        ASSERT_TRUE(exported);
        EXPECT_TRUE(std::equal(exported->begin(), exported->end(), pri->Blob().begin()));
    }
}

TEST(KeyFileFixtures, TagIsBytes16To47OfSha512OfTheTickText) {
    const std::pair<const char*, std::uint32_t> cases[] = {{"northPrivate.vpri", 123456},
                                                           {"southPrivate.vpri", 987654}};
    for (const auto& [file, tick] : cases) {
        SCOPED_TRACE(file);
        auto pri = ReadPrivateKeyFile(FixturePath(std::string("cryptoapi/") + file));
        ASSERT_TRUE(pri);
        const auto tag = KeySetTag(tick);
        EXPECT_TRUE(std::equal(tag.begin(), tag.end(), pri->Tag().begin()));
        const auto digest = CSHA::Of(std::string_view(std::to_string(tick)));
        EXPECT_TRUE(std::equal(tag.begin(), tag.end(), digest.begin() + 16));
    }
    // A tick count above 2^31 is written as "%d" writes it: negative.
    const auto digest = CSHA::Of(std::string_view("-1"));
    const auto tag = KeySetTag(0xFFFFFFFFu);
    EXPECT_TRUE(std::equal(tag.begin(), tag.end(), digest.begin() + 16));
}

TEST(KeyFileFixtures, PrivateKeyTrailerHoldsTheWrittenTime) {
    auto pri = ReadPrivateKeyFile(FixturePath("cryptoapi/northPrivate.vpri"));
    ASSERT_TRUE(pri);
    const ByteVector file = Fixture("northPrivate.vpri");
    EXPECT_EQ(pri->WrittenAt(), SystemTime::FromBytes(file.data() + 600));
    EXPECT_EQ(pri->WrittenAt().year, 2026);
    EXPECT_EQ(pri->Trailer().size(), 48u);
}

struct CompletenessCase {
    const char* what;
    ByteVector bytes;
    bool publicComplete;
    bool privateComplete;
    bool authComplete;
};

TEST(KeyFileCompleteness, TableOfCases) {
    const ByteVector pub = Fixture("north.vpub");
    const ByteVector pri = Fixture("northPrivate.vpri");
    const ByteVector auth = NorthForSouthAuthKey();
    auto with = [](ByteVector b, int delta) {
        if (delta > 0)
            b.insert(b.end(), static_cast<std::size_t>(delta), 0x00);
        else
            b.resize(b.size() - static_cast<std::size_t>(-delta));
        return b;
    };
    auto changed = [](ByteVector b, std::size_t at, std::uint8_t v) {
        b[at] = v;
        return b;
    };
    ByteVector shortLength = pub;  // length 147 and 151 bytes: the size rule holds, the blob does not
    StoreLe32(shortLength.data(), 147);
    shortLength.pop_back();
    ByteVector hugeLength = pub;
    StoreLe32(hugeLength.data(), 0xFFFFFFFFu);
    ByteVector authBadSecondLength = auth;
    StoreLe32(authBadSecondLength.data() + 152, 127);
    // The key's numbers: bit length at file bytes 16..19, exponent at 20..23,
    // modulus at 24..151 (least significant byte first).
    auto withBytes = [](ByteVector b, std::size_t at, std::size_t count, std::uint8_t v) {
        std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at), count, v);
        return b;
    };
    auto withExponent = [](ByteVector b, std::uint32_t e) {
        StoreLe32(b.data() + 20, e);
        return b;
    };

    const CompletenessCase cases[] = {
        {"public key file, 152 bytes", pub, true, false, false},
        {"public key file with an extra byte", with(pub, 1), false, false, false},
        {"public key file a byte short", with(pub, -1), false, false, false},
        {"public key file, length 147 in 151 bytes", shortLength, false, false, false},
        {"public key file, length 0xFFFFFFFF", hugeLength, false, false, false},
        {"public key file, private blob type", changed(pub, 4, 0x07), false, false, false},
        {"public key file, magic RSA2", changed(pub, 15, '2'), false, false, false},
        {"public key file, 2048 bits", changed(pub, 17, 0x08), false, false, false},
        {"public key file, signature algorithm", changed(pub, 9, 0x24), false, false, false},
        {"public key file, bit length zeroed", withBytes(pub, 16, 4, 0), false, false, false},
        {"public key file, modulus all zero", withBytes(pub, 24, 128, 0), false, false, false},
        {"public key file, even modulus", changed(pub, 24, static_cast<std::uint8_t>(pub[24] & 0xFE)), false, false,
         false},
        {"public key file, modulus shorter than 1024 bits", changed(pub, 151, 0x7F), false, false, false},
        {"public key file, exponent 0", withExponent(pub, 0), false, false, false},
        {"public key file, exponent 1", withExponent(pub, 1), false, false, false},
        {"public key file, even exponent", withExponent(pub, 65536), false, false, false},
        {"public key file, exponent 3", withExponent(pub, 3), true, false, false},
        {"private key file, 648 bytes", pri, false, true, false},
        {"private key file, 647 bytes", with(pri, -1), false, false, false},
        {"private key file, 649 bytes", with(pri, 1), false, false, false},
        {"private key file without its trailer", with(pri, -48), false, false, false},
        {"private key file, public blob type", changed(pri, 4, 0x06), false, false, false},
        {"auth key file, 284 bytes", auth, false, false, true},
        {"auth key file, 283 bytes", with(auth, -1), false, false, false},
        {"auth key file, 285 bytes", with(auth, 1), false, false, false},
        {"auth key file, second length 127", authBadSecondLength, false, false, false},
        {"auth key file, issuer blob of the wrong type", changed(auth, 4, 0x07), false, false, false},
        {"auth key file, issuer modulus all zero", withBytes(auth, 24, 128, 0), false, false, false},
        {"empty file", ByteVector{}, false, false, false},
        {"three bytes", ByteVector{0x94, 0, 0}, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsCompletePublicKeyFile(c.bytes), c.publicComplete);
        EXPECT_EQ(IsCompletePrivateKeyFile(c.bytes), c.privateComplete);
        EXPECT_EQ(IsCompleteAuthKeyFile(c.bytes), c.authComplete);
    }
}

TEST(KeyFileCompleteness, FoundFilesAreClassifiedByNameAndRule) {
    TempDir dir;
    const ByteVector pub = Fixture("north.vpub");
    const ByteVector pri = Fixture("northPrivate.vpri");
    ByteVector pubExtra = pub;
    pubExtra.push_back(0);
    const struct {
        const char* name;
        ByteVector bytes;
        KeyFileKind kind;
    } cases[] = {
        {"north.vpub", pub, KeyFileKind::PublicKey},
        {"NORTH.VPUB", pub, KeyFileKind::PublicKey},
        {"extra.vpub", pubExtra, KeyFileKind::NotAKey},
        {"X))Y-AUTH.VPUB", NorthForSouthAuthKey(), KeyFileKind::AuthKey},
        {"short))y-auth.vpub", ByteVector(283, 0), KeyFileKind::NotAKey},
        {"pub))y-auth.vpub", pub, KeyFileKind::NotAKey},  // a public key file named as an auth key
        {"northPrivate.vpri", pri, KeyFileKind::PrivateKey},
        {"pubAsPrivate.vpri", pub, KeyFileKind::NotAKey},  // length + 4 is not the private rule
        {"north.txt", pub, KeyFileKind::NotAKey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir / c.name, c.bytes);
        EXPECT_EQ(ClassifyKeyFile(dir / c.name), c.kind);
    }
    EXPECT_EQ(ClassifyKeyFile(dir / "missing.vpub"), KeyFileKind::NotAKey);
    EXPECT_FALSE(IsRegistrableKeyKind(KeyFileKind::PrivateKey));
    EXPECT_TRUE(IsRegistrableKeyKind(KeyFileKind::AuthKey));
    EXPECT_TRUE(IsAuthKeyFileName("a))b-Auth.Vpub"));
    EXPECT_FALSE(IsAuthKeyFileName("a))b-auth.vpub.bak"));
}

TEST(KeyFileReaders, BadInputFailsClearly) {
    TempDir dir;
    const ByteVector pub = Fixture("north.vpub");
    WriteFileBytes(dir / "truncated.vpub", ByteVector(pub.begin(), pub.begin() + 100));
    ByteVector huge = pub;
    StoreLe32(huge.data(), 0x7FFFFFFF);
    WriteFileBytes(dir / "huge.vpub", huge);
    WriteFileBytes(dir / "empty.vpub", {});
    ByteVector wrongType = pub;
    wrongType[4] = 0x01;
    WriteFileBytes(dir / "type.vpub", wrongType);
    fs::create_directory(dir / "folder.vpub");

    EXPECT_EQ(ReadPublicKeyFile(dir / "missing.vpub").Status(), KeyFileStatus::Missing);
    EXPECT_EQ(ReadPublicKeyFile(dir / "truncated.vpub").Status(), KeyFileStatus::Incomplete);
    EXPECT_EQ(ReadPublicKeyFile(dir / "huge.vpub").Status(), KeyFileStatus::Incomplete);
    EXPECT_EQ(ReadPublicKeyFile(dir / "empty.vpub").Status(), KeyFileStatus::Incomplete);
    auto typed = ReadPublicKeyFile(dir / "type.vpub");
    EXPECT_EQ(typed.Status(), KeyFileStatus::BadBlob);
    EXPECT_EQ(typed.Detail(), "Invalid type specified.");
    EXPECT_EQ(ReadPublicKeyFile(dir / "folder.vpub").Status(), KeyFileStatus::Unreadable);
    EXPECT_EQ(ReadPrivateKeyFile(FixturePath("cryptoapi/north.vpub")).Status(), KeyFileStatus::Incomplete);
    EXPECT_EQ(ReadAuthKeyFile(FixturePath("cryptoapi/north.vpub")).Status(), KeyFileStatus::Incomplete);

    // The general reader ignores what follows the blob but never reads past the end.
    EXPECT_EQ(ReadFirstKeyBlob(dir / "huge.vpub").Status(), KeyFileStatus::Incomplete);
    EXPECT_EQ(ReadFirstKeyBlob(dir / "truncated.vpub").Status(), KeyFileStatus::Incomplete);
    EXPECT_EQ(ReadFirstKeyBlob(dir / "empty.vpub").Status(), KeyFileStatus::Incomplete);
    auto fromPrivate = ReadFirstKeyBlob(FixturePath("cryptoapi/northPrivate.vpri"));
    ASSERT_TRUE(fromPrivate);
    EXPECT_EQ(fromPrivate->size(), kPrivateKeyBlobSize);
    auto fromAuth = ReadFirstKeyBlob(NorthForSouthAuthKey());
    ASSERT_TRUE(fromAuth);
    EXPECT_EQ(*fromAuth, Blob(pub, kPublicKeyBlobSize));

    // Nothing was written by any of this.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 5u);
}

TEST(AuthRecords, LayoutAndRoundTripThroughTheOwnersKey) {
    AuthRecord r = SampleRecord();
    r.name = "a-name-longer-than-twenty-bytes";
    r.email = "an-address-longer-than-thirty-bytes@example.com";
    const auto bytes = r.ToBytes();
    ASSERT_EQ(bytes.size(), 115u);
    EXPECT_EQ(bytes[0], 0xA0);
    EXPECT_EQ(std::string(bytes.begin() + 32, bytes.begin() + 52), "a-name-longer-than-t");
    EXPECT_EQ(std::string(bytes.begin() + 52, bytes.begin() + 82), "an-address-longer-than-thirty-");
    EXPECT_EQ(LoadLe16(bytes.data() + 82), 2026);
    EXPECT_EQ(bytes[98], 1);
    EXPECT_EQ(LoadLe16(bytes.data() + 99), 2027);

    auto cipher = EncryptAuthRecord(Blob(Fixture("south.vpub"), kPublicKeyBlobSize), r);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(cipher->size(), kAuthRecordCipherSize);
    auto back = DecryptAuthRecord(Blob(Fixture("southPrivate.vpri"), kPrivateKeyBlobSize), *cipher);
    ASSERT_TRUE(back) << back.Error();
    EXPECT_EQ(back->name, "a-name-longer-than-t");
    EXPECT_EQ(back->email, "an-address-longer-than-thirty-");
    EXPECT_EQ(back->secret, r.secret);
    EXPECT_EQ(back->created, r.created);
    EXPECT_EQ(back->limit, r.limit);
    EXPECT_EQ(back->reserved, 1);
    EXPECT_EQ(back->SecretWords()[0], 0xA3A2A1A0u);
    // Only the owner reads it.
    EXPECT_FALSE(DecryptAuthRecord(Blob(Fixture("northPrivate.vpri"), kPrivateKeyBlobSize), *cipher));
    EXPECT_FALSE(AuthRecord::FromBytes(ByteVector(114, 0)));

    auto file = ParseAuthKeyFile(NorthForSouthAuthKey());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->issuerBlob, Blob(Fixture("north.vpub"), kPublicKeyBlobSize));
    EXPECT_TRUE(DecryptAuthRecord(Blob(Fixture("southPrivate.vpri"), kPrivateKeyBlobSize), file->recordCipher));
}

TEST(KeyMarks, FixedKeyGivesAStableMarkDistinctFromTheFingerprint) {
    const ByteVector blob = Blob(Fixture("north.vpub"), kPublicKeyBlobSize);
    // Pinned: stored member lists and containers carry this value.
    EXPECT_EQ(KeyMark(blob), 0xe1cd4006b36dd87bULL);
    EXPECT_EQ(KeyFingerprint(blob), 0xb2834f2687cfd2f8ULL);
    EXPECT_EQ(KeyMarkLow(blob), 0xb36dd87bu);
    for (std::uint32_t w : KeyMarkKeyWords()) EXPECT_LT(w, 1u << 20);
}

TEST(KeyMarks, OfFilesPublicAuthAndContainer) {
    TempDir dir;
    const ByteVector pub = Fixture("north.vpub");
    const std::uint64_t mark = KeyMark(Blob(pub, kPublicKeyBlobSize));
    EXPECT_EQ(KeyMarkOfFile(FixturePath("cryptoapi/north.vpub")), mark);
    WriteFileBytes(dir / "south))north-AUTH.vpub", NorthForSouthAuthKey());
    EXPECT_EQ(KeyMarkOfFile(dir / "south))north-AUTH.vpub"), mark);

    // A container: payload, the sender's key file at d + 80, and the offset d
    // in the field 32 bytes before the end.
    const std::uint32_t d = 120;
    ByteVector container(d + 80 + pub.size() + 64, 0x55);
    std::copy(pub.begin(), pub.end(), container.begin() + d + 80);
    StoreLe32(container.data() + container.size() - 32, d);
    WriteFileBytes(dir / "file.tza", container);
    EXPECT_EQ(KeyMarkOfFile(dir / "file.tza"), mark);

    // Offsets and lengths that leave the file give nothing.
    StoreLe32(container.data() + container.size() - 32, 0xFFFFFF00u);
    WriteFileBytes(dir / "bad.tza", container);
    EXPECT_FALSE(KeyMarkOfFile(dir / "bad.tza"));
    WriteFileBytes(dir / "tiny.tza", ByteVector(10, 0));
    EXPECT_FALSE(KeyMarkOfFile(dir / "tiny.tza"));
    ByteVector badLength = pub;
    StoreLe32(badLength.data(), 5000);
    WriteFileBytes(dir / "bad.vpub", badLength);
    EXPECT_FALSE(KeyMarkOfFile(dir / "bad.vpub"));
    EXPECT_FALSE(KeyMarkOfFile(dir / "missing.vpub"));
}

TEST(KeySetNames, TableOfCases) {
    const std::string a = "\xE3\x81\x82";  // あ, two bytes in CP932
    const struct {
        const char* what;
        std::string utf8;
        KeySetNameCheck expected;
    } cases[] = {
        {"plain", "north", KeySetNameCheck::Ok},
        {"60 bytes", std::string(60, 'n'), KeySetNameCheck::Ok},
        {"61 bytes", std::string(61, 'n'), KeySetNameCheck::TooLong},
        {"30 double-byte characters",
         [&] {
             std::string s;
             for (int i = 0; i < 30; ++i) s += a;
             return s;
         }(),
         KeySetNameCheck::Ok},
        {"30 double-byte characters and one more byte",
         [&] {
             std::string s;
             for (int i = 0; i < 30; ++i) s += a;
             return s + "x";
         }(),
         KeySetNameCheck::TooLong},
        {"second byte is a backslash (表)", "\xE8\xA1\xA8", KeySetNameCheck::Ok},
        {"second byte is a backslash (ソ)",
         "\xE3\x82\xBD"
         "ft",
         KeySetNameCheck::Ok},
        {"second byte is a vertical bar (ポ)", "\xE3\x83\x9D", KeySetNameCheck::Ok},
        {"empty", "", KeySetNameCheck::Empty},
        {"61 bytes with a slash", std::string(60, 'n') + "/", KeySetNameCheck::TooLong},
        {"full stop and apostrophe are allowed", "o'neil.x", KeySetNameCheck::Ok},
        {"tab", "a\tb", KeySetNameCheck::ForbiddenCharacter},
        {"not in CP932", "\xF0\x9F\x98\x80", KeySetNameCheck::NotConvertible},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CheckKeySetName(c.utf8), c.expected);
    }
    for (char forbidden : kForbiddenNameCharacters) {
        SCOPED_TRACE(std::string(1, forbidden));
        EXPECT_EQ(CheckKeySetName(std::string("ab") + forbidden + "cd"), KeySetNameCheck::ForbiddenCharacter);
    }
    EXPECT_EQ(kForbiddenNameCharacters.size(), 9u);
    // The check works on CP932 bytes: the trail byte 0x5C of 0x95 0x5C is not a backslash.
    EXPECT_EQ(CheckKeySetNameCp932("\x95\x5C"), KeySetNameCheck::Ok);
    EXPECT_EQ(CheckKeySetNameCp932("a\\"), KeySetNameCheck::ForbiddenCharacter);
    EXPECT_EQ(CheckKeySetNameCp932("a\x95"), KeySetNameCheck::NotConvertible);
}

TEST(KeySetNames, NewNamesHoldNoFullStopAndOneRuleNamesAnExistingPair) {
    EXPECT_EQ(CheckNewKeySetName("my.keys"), KeySetNameCheck::ForbiddenCharacter);
    EXPECT_EQ(CheckNewKeySetName("."), KeySetNameCheck::ForbiddenCharacter);
    EXPECT_EQ(CheckNewKeySetName("my_keys"), KeySetNameCheck::Ok);
    EXPECT_EQ(CheckNewKeySetName("a/b"), KeySetNameCheck::ForbiddenCharacter);
    EXPECT_EQ(CheckNewKeySetName(std::string(61, 'n')), KeySetNameCheck::TooLong);
    EXPECT_EQ(CheckNewKeySetName(""), KeySetNameCheck::Empty);
    // An existing pair: the public key file's name without ".vpub".
    EXPECT_EQ(KeySetNameOfPublicKeyFile("my.keys.vpub"), "my.keys");
    EXPECT_EQ(KeySetNameOfPublicKeyFile("North.VPUB"), "North");
    EXPECT_EQ(KeySetNameOfPublicKeyFile("a.b.c.vpub"), "a.b.c");
}

TEST(KeySetNames, NamesFromContainersNeverSpellAnAuthKey) {
    const struct {
        const char* name;
        bool usable;
    } cases[] = {
        {"south", true},       {"South_Owner", true}, {"south))north-auth", false},
        {"a))b", false},       {"))", false},         {"x-auth", false},
        {"X-AUTH", false},     {"x-Auth", false},     {"x-authority", true},
        {"north)south", true}, {"a/b", false},        {"", false},
        {"-auth", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsUsableSenderKeySetName(c.name), c.usable);
    }
}

TEST(KeySetNames, FileAndFolderNames) {
    EXPECT_EQ(PublicKeyFileName("north"), "north.vpub");
    EXPECT_EQ(PrivateKeyFileName("north"), "northPrivate.vpri");
    EXPECT_EQ(MemberTextFileName("north"), "northMember.txt");
    EXPECT_EQ(AuthKeyFileName("south", "north"), "south))north-auth.vpub");
    EXPECT_EQ(SelfAuthKeyFileName("north"), "north))north-auth.vpub");

    TempDir dir;
    EXPECT_EQ(KeyFolderPath(dir.Path(), "north"), dir / "KeyList_north");
    fs::create_directory(dir / "keyList_south");  // the older spelling is the same folder
    EXPECT_EQ(KeyFolderPath(dir.Path(), "south"), dir / "keyList_south");
    fs::create_directory(dir / "KeyList_north");
    EXPECT_EQ(KeyFolderPath(dir.Path(), "north"), dir / "KeyList_north");
}

mode_t ModeBits(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

TEST(KeyFileWriting, PrivateKeyFilesAndKeyFoldersAreTheOwnersOnly) {
    TempDir dir;
    const ByteVector bytes(10, 1);
    ASSERT_TRUE(WriteNewFile(dir / "aPrivate.vpri", bytes, FileAccess::OwnerReadOnly));
    EXPECT_EQ(ModeBits(dir / "aPrivate.vpri"), 0400u);
    ASSERT_TRUE(WriteFileReplacing(dir / "bPrivate.vpri", bytes, FileAccess::OwnerReadOnly));
    EXPECT_EQ(ModeBits(dir / "bPrivate.vpri"), 0400u);
    ASSERT_TRUE(WriteNewFile(dir / "a.vpub", bytes, true));
    EXPECT_EQ(ModeBits(dir / "a.vpub"), 0444u);  // public keys may stay readable for all
    ASSERT_TRUE(WriteNewFile(dir / "member.dat", bytes, false));
    EXPECT_EQ(ModeBits(dir / "member.dat"), 0644u);

    const mode_t oldMask = ::umask(0);  // even a permissive umask gives 0700
    const bool made = CreateKeyFolder(dir / "keys" / "KeyList_a");
    ::umask(oldMask);
    ASSERT_TRUE(made);
    EXPECT_EQ(ModeBits(dir / "keys"), 0700u);
    EXPECT_EQ(ModeBits(dir / "keys" / "KeyList_a"), 0700u);
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms(0755));
    EXPECT_TRUE(CreateKeyFolder(dir / "shared"));
    EXPECT_EQ(ModeBits(dir / "shared"), 0755u);  // a folder already there keeps its bits
    EXPECT_FALSE(CreateKeyFolder(dir / "a.vpub" / "sub"));
}

TEST(KeyFileWriting, ReplacesReadOnlyFilesAndLeavesNoTemporaries) {
    TempDir dir;
    const ByteVector first(10, 1), second(20, 2);
    ASSERT_TRUE(WriteFileReplacing(dir / "k.vpub", first, true));
    EXPECT_TRUE(IsReadOnly(dir / "k.vpub"));
    ASSERT_TRUE(WriteFileReplacing(dir / "k.vpub", second, true));
    EXPECT_EQ(ReadFileBytes(dir / "k.vpub"), second);
    EXPECT_TRUE(IsReadOnly(dir / "k.vpub"));

    auto refused = WriteNewFile(dir / "k.vpub", first, true);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Detail(), "exists");
    EXPECT_EQ(ReadFileBytes(dir / "k.vpub"), second);
    EXPECT_TRUE(WriteNewFile(dir / "n.vpub", first, false));
    EXPECT_FALSE(IsReadOnly(dir / "n.vpub"));

    EXPECT_FALSE(WriteFileReplacing(dir / "no-such-folder" / "k.vpub", first, true));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 2u);
}

}  // namespace
}  // namespace tessarin
