// Writes the seed corpus of every fuzz target (except the container reader's,
// which test_decrypt writes) into the source tree, with the project's own
// writers. Run by hand after a format change:
//   test_fuzz_replay --gtest_also_run_disabled_tests --gtest_filter=*WriteSeeds*

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "FuzzSupport.h"
#include "container/ArchiveHistoryMan.h"
#include "core/BigNumber.h"
#include "keys/AuthManager.h"
#include "keys/Authentication.h"
#include "keys/KeyBackup.h"
#include "keys/KeyFiles.h"
#include "keys/MemberList.h"
#include "net/ServiceClient.h"
#include "platform/Cp932.h"
#include "platform/Host.h"
#include "platform/IniFile.h"
#include "qr/PublicKeyQr.h"

namespace tessarin::test {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(TESSARIN_TEST_DATA_DIR).parent_path() / "fuzz" / "corpus";

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

void Seed(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(kCorpus / target);
    WriteFileBytes(kCorpus / target / name, bytes);
}

// A selector or length prefix in front of a file the code wrote.
std::vector<std::uint8_t> Prefixed(std::vector<std::uint8_t> prefix, const std::vector<std::uint8_t>& file) {
    prefix.insert(prefix.end(), file.begin(), file.end());
    return prefix;
}

void AppendAnswer(std::vector<std::uint8_t>& script, std::string_view body, std::uint8_t flags = 0) {
    script.push_back(flags);
    script.push_back(static_cast<std::uint8_t>(body.size()));
    script.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    script.insert(script.end(), body.begin(), body.end());
}

TEST(FuzzSeeds, DISABLED_WriteSeeds) {
    const FixedHost host;
    TempDir dir;
    const auto northPublic = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    const auto northPrivate = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    const auto publicBlob = *ReadFirstKeyBlob(northPublic);
    const auto privateBlob = *ReadFirstKeyBlob(northPrivate);
    const SystemTime now = host.LocalTime();
    SystemTime limit = now;
    limit.year = static_cast<std::uint16_t>(limit.year + 1);

    // history: a container's history block appended by the encryption
    // hand-over, and the same block deciphered.
    {
        const auto path = dir / "history.tza";
        WriteFileBytes(path, std::vector<std::uint8_t>(2 * container::kRecordSize, 0x42));
        CArchiveHistoryMan man(host);
        man.Open(dir.Path());
        std::array<std::uint8_t, container::kFileKeySize> key{};
        std::copy(fuzz::HistoryFuzzKey().begin(), fuzz::HistoryFuzzKey().end(), key.begin());
        man.SetContainer(path, container::BuildTail(2, 0, container::kFlagHistory), key);
        man.SetUsers({{"north", "north@example.com"}, {"south", "south@example.com"}});
        man.Record(0, CArchiveHistoryMan::Created);
        man.Record(1, CArchiveHistoryMan::Decrypted);
        ASSERT_TRUE(man.AppendNewHistory());
        Seed("history", "two-users.tza", ReadFileBytes(path));
        Seed("history", "two-users.block", man.PaddedBlock());
    }

    // keyfile and authrecord: the three files of a key set and the record.
    const auto tag = KeySetTag(4242);
    const auto privateFile = BuildPrivateKeyFile(privateBlob, now, tag);
    const auto record = BuildAuthRecord(privateFile, "north", "north@example.com", now, limit);
    ASSERT_TRUE(record.has_value());
    const auto cipher = EncryptAuthRecord(publicBlob, *record);
    ASSERT_TRUE(cipher.Ok());
    Seed("keyfile", "north.vpub", BuildPublicKeyFile(publicBlob));
    Seed("keyfile", "northPrivate.vpri", privateFile);
    Seed("keyfile", "north))north-auth.vpub", BuildAuthKeyFile(publicBlob, *cipher));
    const auto recordBytes = record->ToBytes();
    Seed("authrecord", "record.bin", {recordBytes.begin(), recordBytes.end()});
    Seed("authrecord", "record.north.ct", *cipher);

    // memberlist: an auth list and a public key list as the key manager
    // writes them, behind the selector byte.
    {
        UserData a;
        a.name = "north";
        a.email = "north@example.com";
        a.fileName = "north))north-auth.vpub";
        a.limit = limit;
        a.registered = now;
        a.keyMark = KeyMark(publicBlob) & 0x00FFFFFFFFFFFFFFull;
        UserData b = a;
        b.name = "south";
        b.fileName = "south.vpub";
        b.limit = {};
        ASSERT_TRUE(WriteMemberList(dir / "member.dat", std::vector<UserData>{a, b}));
        ASSERT_TRUE(WriteMemberList(dir / "pubkey_member.dat", std::vector<UserData>{b}));
        Seed("memberlist", "member.dat", Prefixed({0}, ReadFileBytes(dir / "member.dat")));
        Seed("memberlist", "pubkey_member.dat", Prefixed({1}, ReadFileBytes(dir / "pubkey_member.dat")));
    }

    // personalinfo
    ASSERT_TRUE(WritePersonalInfo(dir / "personalinfo.dat", {*Utf8ToCp932("北 太郎"), "north@example.com"}));
    Seed("personalinfo", "personalinfo.dat", ReadFileBytes(dir / "personalinfo.dat"));

    // authhistory: two authentications of one key, one with a limit.
    {
        WriteFileBytes(dir / "south.vpub", ReadFileBytes(FixturePath("cryptoapi/south.vpub")));
        CAuthManager history;
        ASSERT_TRUE(history.add(dir / "south.vpub", {}, now));
        ASSERT_TRUE(history.add(dir / "south.vpub", limit, now));
        ASSERT_EQ(history.save(dir / "authhistory.dat"), 1);
        Seed("authhistory", "authhistory.dat", ReadFileBytes(dir / "authhistory.dat"));
    }

    // ini: a settings file written by the editor, with a key and a value to set.
    {
        IniEditor editor(dir / "Values.dat");
        editor.Set("TZA", "DestPath1", "/home/user/encrypted");
        editor.Set("TZA", "LanguageSel", "JP");
        editor.Set("TZA", "FirstStart", "0");
        editor.Set("TZA", "keyPairRoot", "/media/usb/keys/");
        ASSERT_TRUE(editor.Save());
        const std::string key = "UseTimer";
        const std::string value = "1";
        std::vector<std::uint8_t> prefix{static_cast<std::uint8_t>(key.size()),
                                         static_cast<std::uint8_t>(value.size())};
        prefix.insert(prefix.end(), key.begin(), key.end());
        prefix.insert(prefix.end(), value.begin(), value.end());
        Seed("ini", "Values.dat", Prefixed(prefix, ReadFileBytes(dir / "Values.dat")));
    }

    // qrimport: the key text of north's QR bitmap text, in lines of 64 as a
    // phone sends it back.
    {
        WriteFileBytes(dir / "north.vpub", northPublic);
        const std::string keyText = PublicKeyQrText(dir / "north.vpub").substr(48);
        ASSERT_EQ(keyText.size(), kQrImportKeyTextLength);
        std::string block = "Subject: key\n---- TZA-P2P QRCode Public Key ----\n";
        for (std::size_t at = 0; at < keyText.size(); at += 64) block += "  " + keyText.substr(at, 64) + "\n";
        block += "--End of data--\n";
        Seed("qrimport", "north.txt", Bytes(block));
    }

    // service: a run where every request succeeds, and one where the service
    // refuses everything.
    {
        std::vector<std::uint8_t> ok{0};
        for (const char* word : {"connect", "success", "keyreg", "success"}) AppendAnswer(ok, word);
        AppendAnswer(ok, CServiceClient::PublicKeyHex(dir / "north.vpub"));
        AppendAnswer(ok, "3f2a9c");
        AppendAnswer(ok, std::string(privateFile.begin(), privateFile.end()));
        for (const char* word : {"", "", "tmp-1", "tmp-2", ""}) AppendAnswer(ok, word);
        Seed("service", "all-succeed.bin", ok);
        std::vector<std::uint8_t> refused{2};
        for (const char* word : {"connect", "fail", "nonkey", "error", "httperror", "pubkeyreg"})
            AppendAnswer(refused, word);
        AppendAnswer(refused, "", 2);
        Seed("service", "all-refused.bin", refused);
    }

    // cp932: texts as the key store keeps them.
    Seed("cp932", "name.txt", Bytes(*Utf8ToCp932("鍵ファイル表示\\北 太郎")));
    Seed("cp932", "path.txt", Bytes(*Utf8ToCp932("C:\\ソフト\\予定表.xls")));

    // bignumber: north's modulus as hexadecimal text, and as numbers.
    {
        const auto modulus = BigNumber::FromBytesLittleEndian(std::span(publicBlob).subspan(20, 128));
        Seed("bignumber", "modulus.hex", Bytes(modulus.ToHex()));
        std::vector<std::uint8_t> numbers{64};
        const auto be = *modulus.ToBytesBigEndian(128);
        numbers.insert(numbers.end(), be.begin(), be.begin() + 64);
        for (int part = 0; part < 3; ++part) {
            numbers.push_back(40);
            numbers.insert(numbers.end(), be.begin() + 40 * part, be.begin() + 40 * (part + 1));
        }
        numbers.push_back(3);
        numbers.insert(numbers.end(), {0x01, 0x00, 0x01});
        Seed("bignumber", "numbers.bin", numbers);
    }
}

// backupshare: north's private key split as a backup makes it; the same
// shares in the wrong order; a user share cut short.
TEST(FuzzSeeds, DISABLED_WriteSeedsBackupShare) {
    const auto northPublic = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    const auto northPrivate = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    const auto x1 = UserPoint(BackupIdentificationText(*ReadFirstKeyBlob(northPublic)));
    ASSERT_TRUE(x1);
    const auto x2 = *BigNumber::FromHex(kMakerPointHex);
    const auto shares = SplitSecret(northPrivate, *x1, x2);
    ASSERT_TRUE(shares);
    const auto user = EncodeShareFile(shares->user);
    const auto maker = EncodeShareFile(shares->maker);
    auto pair = [](const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second) {
        std::vector<std::uint8_t> out(2 + first.size() + second.size());
        out[0] = static_cast<std::uint8_t>(first.size());
        out[1] = static_cast<std::uint8_t>(first.size() >> 8);
        std::copy(first.begin(), first.end(), out.begin() + 2);
        std::copy(second.begin(), second.end(), out.begin() + 2 + static_cast<std::ptrdiff_t>(first.size()));
        return out;
    };
    Seed("backupshare", "restored.bin", pair(user, maker));
    Seed("backupshare", "swapped.bin", pair(maker, user));
    Seed("backupshare", "short.bin", pair({user.begin(), user.begin() + 40}, maker));
}

}  // namespace
}  // namespace tessarin::test
