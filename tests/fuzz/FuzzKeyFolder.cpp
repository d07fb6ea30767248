// Targets "memberlist", "personalinfo" and "authhistory": the records of a
// key folder.
//
// memberlist: the first byte picks member.dat or pubkey_member.dat, the rest
// is the list. Read alone, what is read is written back with the same fixed
// fields and reads the same; opened in a key folder by the key manager, a
// list it refuses (a bad count or an unreadable file) is left byte for byte.
// personalinfo, authhistory: read, write, read again gives the same values;
// reading changes no byte.

#include <algorithm>

#include "FuzzSupport.h"
#include "core/LanguageTable.h"
#include "keys/AuthManager.h"
#include "keys/KeyManager.h"
#include "keys/MemberList.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin::fuzz {
namespace {

// The texts the key store is given; nothing is shown.
const LanguageTable& JapaneseTexts() {
    static const LanguageTable table = [] {
        LanguageTable t;
        t.FillJapanese();
        return t;
    }();
    return table;
}

std::vector<std::uint8_t> Copy(Bytes b) {
    return {b.begin(), b.end()};
}

// The bytes of a fixed-width record outside its text fields.
bool SameOutside(Bytes a, Bytes b, std::size_t textEnd) {
    return a.size() == b.size() && std::equal(a.begin() + static_cast<std::ptrdiff_t>(textEnd), a.end(),
                                              b.begin() + static_cast<std::ptrdiff_t>(textEnd));
}

void CheckListRoundTrip(Bytes list, const std::filesystem::path& folder) {
    const auto path = folder / "read.dat";
    WriteAll(path, list);
    std::vector<UserData> records;
    const auto status = ReadMemberList(path, records);
    Check(ReadAll(path) == Copy(list), "reading a list changes no byte");
    Check(list.size() >= 4 || records.empty(), "no records without a count");
    Check(records.size() <= (list.size() < 4 ? 0 : (list.size() - 4) / UserData::kStoredSize),
          "no more records than the file holds");
    if (status != MemberListStatus::Ok && status != MemberListStatus::Truncated) return;
    const auto out = folder / "written.dat";
    Check(WriteMemberList(out, records), "a read list can be written");
    if (records.empty()) {
        Check(!std::filesystem::exists(out), "an empty list is no file");
        return;
    }
    const auto written = ReadAll(out);
    Check(written.size() == 4 + records.size() * UserData::kStoredSize, "written size is count and records");
    for (std::size_t i = 0; i < records.size() && status == MemberListStatus::Ok; ++i) {
        const std::size_t at = 4 + i * UserData::kStoredSize;
        Check(SameOutside(Bytes(written).subspan(at, UserData::kStoredSize), list.subspan(at, UserData::kStoredSize),
                          3 * UserData::kTextWidth),
              "fixed fields are written as read");
    }
    std::vector<UserData> again;
    Check(ReadMemberList(out, again) == MemberListStatus::Ok && again == records, "a written list reads the same");
}

}  // namespace

std::string RunMemberList(Bytes input) {
    static const FixedHost host;
    InputReader in(input);
    const bool publicList = (in.U8() & 1) != 0;
    const Bytes list = in.Rest();
    const auto root = FreshScratch();
    CheckListRoundTrip(list, root);

    const auto folder = root / "KeyList_north";
    std::filesystem::create_directories(folder);
    const auto path = folder / (publicList ? kPublicKeyMemberListName : kAuthMemberListName);
    WriteAll(path, list);
    SilentUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    keys.SetKeyPair(root, "north.vpub", "northPrivate.vpri");
    (void)keys.OpenFolder(folder);
    const auto status = publicList ? keys.PublicListStatus() : keys.AuthListStatus();
    const bool refused = status == MemberListStatus::BadCount || status == MemberListStatus::Unreadable;
    (void)keys.SaveLists();
    if (refused) {
        Check(ReadAll(path) == Copy(list), "a refused list is left as it was");
        return "refused";
    }
    return status == MemberListStatus::Ok ? "read" : "truncated";
}

std::string RunPersonalInfo(Bytes input) {
    const auto folder = FreshScratch();
    const auto path = folder / kPersonalInfoName;
    WriteAll(path, input);
    const auto info = ReadPersonalInfo(path);
    Check(ReadAll(path) == Copy(input), "reading changes no byte");
    Check(info.has_value(), "an existing file reads");
    if (!info) return "refused";
    const auto out = folder / "written.dat";
    Check(WritePersonalInfo(out, *info), "what was read can be written");
    const auto again = ReadPersonalInfo(out);
    Check(again && again->name == info->name && again->email == info->email, "written, it reads the same");
    return "read";
}

std::string RunAuthHistory(Bytes input) {
    const auto folder = FreshScratch();
    const auto path = folder / kAuthHistoryName;
    WriteAll(path, input);
    CAuthManager history;
    const auto status = history.load(path);
    Check(ReadAll(path) == Copy(input), "loading changes no byte");
    const auto& entries = history.Entries();
    Check(entries.size() <= (input.size() < 4 ? 0 : (input.size() - 4) / CAuthManager::AuthHistoryData::kSize),
          "no more entries than the file holds");
    (void)history.rows(JapaneseTexts());
    if (status == CAuthManager::LoadStatus::BadCount || status == CAuthManager::LoadStatus::Unreadable)
        return "refused";
    const auto out = folder / "written.dat";
    Check(history.save(out) == 1, "what was loaded can be saved");
    const auto written = ReadAll(out);
    Check(written.size() == 4 + entries.size() * CAuthManager::AuthHistoryData::kSize, "written size");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = 4 + i * CAuthManager::AuthHistoryData::kSize;
        const Bytes w = Bytes(written).subspan(at, CAuthManager::AuthHistoryData::kSize);
        const Bytes r = input.subspan(at, CAuthManager::AuthHistoryData::kSize);
        Check(std::equal(w.begin(), w.begin() + 16, r.begin()) && std::equal(w.begin() + 280, w.end(), r.begin() + 280),
              "times, hash and limit are written as read");
    }
    CAuthManager again;
    Check(again.load(out) == CAuthManager::LoadStatus::Ok && again.Entries() == entries, "saved, it loads the same");
    return status == CAuthManager::LoadStatus::Ok ? "read" : "truncated";
}

}  // namespace tessarin::fuzz
