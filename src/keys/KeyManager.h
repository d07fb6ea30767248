#pragma once
// CKeyManager: the in-memory model of one open key folder: the auth keys and
// partner public keys lying in it, which of them are registered in its member
// lists, who owns the key set, the address book folders inside it and the key
// folders beside it.
//
// The two member lists are addressed as one sequence: an index below the auth
// list's size is an auth key, the rest are public keys. Every change (register,
// delete, move, the unregistered-key pass) saves both lists at once.
// Texts handed in and out are UTF-8; the records keep CP932 bytes.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LanguageTable.h"
#include "keys/KeyDirectory.h"
#include "keys/KeyFiles.h"
#include "keys/MemberList.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

class CKeyManager final : public IKeyDirectory {
public:
    using UserData = tessarin::UserData;

    // The other-folders entry that stands for the parent folder inside an
    // address book folder; shown as "上のリストに戻る".
    static constexpr std::string_view kParentFolderMarker = "..";

    enum RegisterResult : int {
        Registered = 0,
        Refused = 1,               // texts too long or not storable, or the file is no complete key file
                                   // with a usable key
        NotInFolder = 2,           // the file is not (and could not be moved) in the open folder
        AuthRecordUnreadable = 3,  // an auth key whose record the own private key cannot read
        SaveFailed = 4,            // the member list could not be written; nothing listed
        NameTaken = 5,             // a different key file of that name is already in the folder; nothing moved
    };
    // What ExtractSenderKey found.
    enum class SenderKeyStatus {
        Written,      // the key file was written, or the same key was already there
        NameRefused,  // the name is no usable sender key set name
        NameTaken,    // a different file is already there under that name
        NoKey,        // the container holds no complete public key file
        WriteFailed,
    };
    enum AuthRecordResult : int {
        AuthRecordOk = 0,
        AuthRecordBad = 1,          // the auth key file cannot be read or its record not deciphered
        AuthPrivateKeyMissing = 3,  // the own private key file is missing or unusable
        AuthKeyFileMissing = 4,
    };

    // One line of the expired list: name, key file name, limit.
    struct ExpiredKey {
        std::string name;
        std::string file;
        std::string limit;
        std::filesystem::path folder;
    };

    // Every message and label comes from texts, in the user's language.
    CKeyManager(IUserDialog& dialog, const IHost& host, const LanguageTable& texts)
        : m_dialog(dialog), m_host(host), m_texts(texts) {}
    CKeyManager(const CKeyManager&) = delete;
    CKeyManager& operator=(const CKeyManager&) = delete;

    const LanguageTable& Texts() const { return m_texts; }

    // The active key set: the key pair folder (keyPairRoot) and the names of
    // its key files (PublicKeyName, PrivateKeyName).
    void SetKeyPair(const std::filesystem::path& keyPairFolder, std::string publicKeyName, std::string privateKeyName);
    const std::filesystem::path& KeyPairFolder() const { return m_keyPairFolder; }
    const std::string& PublicKeyName() const { return m_publicKeyName; }
    const std::string& PrivateKeyName() const { return m_privateKeyName; }

    // --- Opening and scanning ------------------------------------------------

    // Opens a key folder: sets the key folder path, derives the key set name
    // (the folder name behind its first underscore: KeyList_a_b gives a_b),
    // refreshes the key folder list and scans. 0 on success, 1 when the folder
    // cannot be listed (nothing changes then).
    int OpenFolder(const std::filesystem::path& keyFolder);
    // Scans a folder (the key folder or an address book folder inside it) as
    // the open folder, then loads its lists, compares and reads
    // personalinfo.dat of the key folder. 0 or 1 as OpenFolder.
    int Scan(const std::filesystem::path& folder);
    // Opens an entry of OtherFolders(): a sub-folder, or the parent for the
    // marker. 0, or 1 when it cannot be listed or the entry is unknown.
    int OpenOtherFolder(std::string_view entry);

    // Reads both member lists of the open folder (a missing list is empty, a
    // damaged one keeps the records read before the damage).
    void LoadLists();
    // Writes both lists; an empty list removes its file. The sum of the two
    // writers' results (2 when both succeeded); 0, writing nothing, when
    // either list could not be read (Unreadable or BadCount), and Register,
    // Delete and Move refuse then too.
    int SaveLists();
    MemberListStatus AuthListStatus() const { return m_authListStatus; }
    MemberListStatus PublicListStatus() const { return m_publicListStatus; }

    // --- Records -----------------------------------------------------------

    // Registers one key file in the open folder, moving it in from elsewhere.
    // A different key file of that name already in the folder is never
    // replaced (NameTaken); the same bytes again are fine. The file must be a
    // complete public or auth key file with a usable key. A file already
    // registered under the same name has its record replaced instead of
    // doubled.
    [[nodiscard]] int Register(std::string_view name, std::string_view email, const std::filesystem::path& file);
    // The same with CP932 texts (taken from auth records and member lists).
    [[nodiscard]] int RegisterCp932(std::string_view name, std::string_view email, const std::filesystem::path& file);
    // Removes a record; with removeFile its key file in the open folder is
    // deleted first. False for a bad index, a file that could not go or lists
    // that could not be saved.
    [[nodiscard]] bool Delete(int index, bool removeFile);
    // Moves a record's key file into another folder and registers it there.
    // A key file of that name already in the target is never replaced. Either
    // everything happens (file moved, record here removed, record there added,
    // both lists saved) or nothing does: a step that fails puts the file and
    // both lists back as they were.
    [[nodiscard]] bool Move(int index, const std::filesystem::path& targetFolder);

    int Count() const { return static_cast<int>(m_authList.size() + m_publicList.size()); }
    int AuthCount() const { return static_cast<int>(m_authList.size()); }
    const UserData* Record(int index) const;
    bool IsAuthIndex(int index) const { return index >= 0 && index < AuthCount(); }
    // The three texts of a record; empty beyond the total count.
    std::string Name(int index) const;
    std::string Email(int index) const;
    std::string File(int index) const;
    // Name, e-mail, file, registration time "%Y/%m/%d %H:%M", limit
    // "%Y/%m/%d" or "期限未設定", third date "%Y/%m/%d" or "未使用".
    std::array<std::string, 6> Row(int index) const;

    int CurrentIndex() const { return m_currentIndex; }
    void SetCurrentIndex(int index) { m_currentIndex = (index >= 0 && index < Count()) ? index : -1; }

    // --- Key files -----------------------------------------------------------

    // File names in the open folder: mode 0 <key set name>))*.vpub, mode 1
    // other *.vpub except auth keys and the own public key.
    std::vector<std::string> ListFiles(int mode) const;
    // The key mark of a key file, or of the sender key a container carries.
    // A file that does not exist shows "%s was not found.".
    std::optional<std::uint64_t> KeyMark(const std::filesystem::path& file);
    // The first record over every key folder (auth list first) whose key
    // mark's low word equals the file's. 1 with the record, or 0 with a
    // cleared record. The open folder stays as it was.
    int FindByKeyMark(const std::filesystem::path& file, UserData& out);
    std::optional<UserData> FindByKeyMarkLow(std::uint32_t low, std::filesystem::path* folder = nullptr) const;

    // The sender follow-up of a decryption: updates name and e-mail of the
    // first record over every key folder whose key mark's low word is
    // keyMarkLow and saves that folder's lists. False when there is none or
    // saving failed.
    [[nodiscard]] bool RenewRecord(std::uint32_t keyMarkLow, std::string_view name, std::string_view email);
    // Writes the sender's public key file a container carries (behind its
    // sender record) as <folder>/<name>.vpub, read-only, for authentication.
    // The name comes from the container and must pass
    // IsUsableSenderKeySetName. A different file already there is left alone
    // (empty result); the same key already there is returned. Empty when the
    // container holds no complete public key file or writing failed. status,
    // when given, says which.
    static std::optional<std::filesystem::path> ExtractSenderKey(const std::filesystem::path& container,
                                                                 const std::filesystem::path& folder,
                                                                 std::string_view name,
                                                                 SenderKeyStatus* status = nullptr);

    // Deciphers an auth key's record with the own private key. Without
    // wantSecret the secret in `out` is left zero.
    int ReadAuthRecord(const std::filesystem::path& authKey, AuthRecord& out, bool wantSecret) const;

    // personalinfo.dat of the key folder; false when no key folder is set or
    // the file is missing or cannot be written.
    bool ReadPersonalInfo();
    [[nodiscard]] bool WritePersonalInfo(std::string_view name, std::string_view email);

    // Fills the expired list from the auth lists of every key folder; returns
    // its size.
    int ExpiredAuthKeys();
    const std::vector<ExpiredKey>& ExpiredList() const { return m_expired; }

    // Found key files of the open folder not yet in its lists.
    std::vector<std::string> UnregisteredFiles() const;
    // Asks whether to register them and registers those that qualify, with
    // their messages. Returns the number registered.
    int RegisterUnregisteredKeys();
    // Adds dropped or chosen key files: checks each, offers plain public keys
    // to the service (offer is called on Yes; may be empty) and registers it
    // in the open folder. Returns the number registered.
    // With owner given (the add dialog's answers, UTF-8), plain public keys
    // are registered under that name and e-mail and nothing is offered to
    // the service.
    using ServiceOffer = std::function<void(const std::filesystem::path&)>;
    struct PlainKeyOwner {
        std::string name;
        std::string email;
    };
    int AddKeyFiles(const std::vector<std::filesystem::path>& files, const ServiceOffer& offer,
                    const PlainKeyOwner* owner = nullptr);

    // Opens a key folder chosen in the key list and moves a self auth key
    // still lying in the key pair folder into it. 0 or 1 as OpenFolder.
    int OpenKeyFolderOnSelection(const std::filesystem::path& keyFolder);
    // Moves <name>))<name>-auth.vpub from the key pair folder into the key
    // folder and registers it with the label "自身のファイル暗号化用". False
    // when there is none or registering failed.
    bool AdoptSelfAuthKey();

    // --- State -----------------------------------------------------------

    const std::vector<UserData>& AuthList() const { return m_authList; }
    const std::vector<UserData>& PublicList() const { return m_publicList; }
    const std::vector<std::string>& FoundAuthKeys() const { return m_foundAuth; }
    const std::vector<std::string>& FoundPublicKeys() const { return m_foundPublic; }
    const std::vector<std::string>& OtherFolders() const { return m_otherFolders; }
    // The text the key list shows for an other-folders entry.
    std::string FolderLabel(std::string_view entry) const;
    const std::filesystem::path& OpenFolderPath() const { return m_openFolder; }
    const std::filesystem::path& KeyFolderPath() const { return m_keyFolder; }
    const std::string& KeySetName() const { return m_keySetName; }
    const std::vector<std::string>& KeyFolderList() const { return m_keyFolderList; }
    const std::string& FolderPrefix() const { return m_folderPrefix; }
    // Full paths of every KeyList_* folder of the key pair folder.
    std::vector<std::filesystem::path> KeyFolders() const;

    // IKeyDirectory
    std::filesystem::path PublicKeyPath() const override;
    std::filesystem::path PrivateKeyPath() const override;
    std::string OwnerName() const override { return m_ownerName; }
    std::string OwnerEmail() const override { return m_ownerEmail; }
    std::vector<std::filesystem::path> RecipientFiles(int mode) const override;
    RecipientKeyStatus RecipientKey(const std::filesystem::path& file, RecipientKeyInfo& out) const override;
    std::optional<UserData> FindSender(std::uint32_t keyMarkLow) const override { return FindByKeyMarkLow(keyMarkLow); }

    // The key set name a key folder's name gives (behind the first underscore).
    static std::string KeySetNameOfFolder(std::string_view folderName);

private:
    // Register with the choice to replace a different file of the same name
    // (only the own self auth key, made anew, may replace its older copy).
    int RegisterFile(std::string_view name, std::string_view email, const std::filesystem::path& file,
                     bool replaceSameName);
    // The message for a registration that failed, naming the file.
    void ShowRegisterFailure(int result, std::string_view fileName);
    int ScanInto(const std::filesystem::path& folder);
    void RefreshKeyFolderList();
    std::vector<UserData>& ListOf(bool auth) { return auth ? m_authList : m_publicList; }
    bool IsRegisteredName(std::string_view fileName) const;
    void ShowFormatted(std::string_view format, std::string_view arg);

    IUserDialog& m_dialog;
    const IHost& m_host;
    const LanguageTable& m_texts;

    std::vector<UserData> m_authList;
    std::vector<UserData> m_publicList;
    std::vector<std::string> m_foundAuth;
    std::vector<std::string> m_foundPublic;
    std::vector<std::string> m_otherFolders;
    std::filesystem::path m_openFolder;
    std::filesystem::path m_keyFolder;
    std::string m_keySetName;
    std::string m_ownerName;   // UTF-8
    std::string m_ownerEmail;  // UTF-8
    std::filesystem::path m_keyPairFolder;
    std::string m_publicKeyName;
    std::string m_privateKeyName;
    int m_currentIndex = -1;
    std::vector<ExpiredKey> m_expired;
    std::vector<std::string> m_keyFolderList;
    std::string m_folderPrefix;
    MemberListStatus m_authListStatus = MemberListStatus::Ok;
    MemberListStatus m_publicListStatus = MemberListStatus::Ok;
};

// Moves a file, replacing an existing target; across file systems it is
// copied (through a temporary file in the target folder) and the source
// removed. False when it could not be moved; the source then stays.
[[nodiscard]] bool MoveFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// The same, but never replaces: false, changing nothing, when a file of that
// name is already at `to` (checked atomically at the last step).
[[nodiscard]] bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// ASCII lower-case copy, for comparing file name endings.
std::string LowerAscii(std::string_view text);

}  // namespace tessarin
