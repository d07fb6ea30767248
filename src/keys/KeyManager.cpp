#include "keys/KeyManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/LimitDates.h"
#include "keys/MemberRecordData.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAuthEnding = "-auth.vpub";
constexpr std::string_view kPublicEnding = ".vpub";
// Largest key file RecipientKey reads whole; key files are a few hundred bytes.
constexpr std::uintmax_t kMaxRecipientFile = 64 * 1024;

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

bool StartsWithLower(std::string_view lowerText, std::string_view lowerHead) {
    return lowerText.size() >= lowerHead.size() && lowerText.substr(0, lowerHead.size()) == lowerHead;
}

// UTF-8 text to its stored CP932 form; empty optional when it does not convert.
std::optional<std::string> ToStored(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

// A stored file name as a name on this system; names read from lists are
// untrusted, so anything that is not a plain file name is refused.
std::optional<fs::path> ChildOf(const fs::path& folder, std::string_view storedName) {
    if (storedName.empty() || storedName == "." || storedName == "..") return std::nullopt;
    if (storedName.find('/') != std::string_view::npos || storedName.find('\\') != std::string_view::npos ||
        storedName.find('\0') != std::string_view::npos)
        return std::nullopt;
    auto utf8 = Cp932ToUtf8(storedName);
    if (!utf8 || utf8->empty()) return std::nullopt;
    return folder / *utf8;
}

std::string StoredToUtf8(std::string_view stored) {
    auto utf8 = Cp932ToUtf8(stored);
    return utf8 ? *utf8 : Cp932ForDisplay(stored);
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec1, ec2;
    const fs::path ca = fs::weakly_canonical(a, ec1);
    const fs::path cb = fs::weakly_canonical(b, ec2);
    if (ec1 || ec2) return a.lexically_normal() == b.lexically_normal();
    return ca == cb;
}

// The local last-write time of a file.
std::optional<SystemTime> LastWriteTime(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return SystemTimeFromTimeT(st.st_mtime);
}

// A list that could not be read, or whose count is negative, may hold records
// nobody has seen: writing the lists would drop them, so nothing that would
// rewrite them goes ahead.
bool ListsRewritable(MemberListStatus auth, MemberListStatus pub) {
    const auto ok = [](MemberListStatus s) { return s == MemberListStatus::Ok || s == MemberListStatus::Truncated; };
    return ok(auth) && ok(pub);
}

bool IsRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

std::string Format1(std::string_view format, std::string_view a) {
    return FormatText(format, {std::string(a)});
}
std::string Format2(std::string_view format, std::string_view a, std::string_view b) {
    return FormatText(format, {std::string(a), std::string(b)});
}

// Two small files with the same bytes (key files are a few hundred bytes).
bool SameFileBytes(const fs::path& a, const fs::path& b) {
    auto read = [](const fs::path& p) -> std::optional<ByteVector> {
        std::error_code ec;
        const auto size = fs::file_size(p, ec);
        if (ec || size > kMaxRecipientFile) return std::nullopt;
        ByteVector bytes(static_cast<std::size_t>(size));
        std::ifstream in(p, std::ios::binary);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            return std::nullopt;
        return bytes;
    };
    const auto x = read(a);
    const auto y = read(b);
    return x && y && *x == *y;
}

// rename() that never replaces: 0, or the errno (EEXIST when `to` is taken).
int RenameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // Without the flag a hard link refuses an existing name just as well.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool MoveFileReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!IsRegularFile(from)) return false;
    fs::rename(from, to, ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) return false;
    // Another file system: copy through a temporary file beside the target.
    fs::path temp = to;
    temp += ".tmp-move";
    fs::remove(temp, ec);
    if (!fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(temp, ec);
        return false;
    }
    fs::rename(temp, to, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    fs::remove(from, ec);
    return true;
}

bool MoveFileNoReplace(const fs::path& from, const fs::path& to) {
    if (!IsRegularFile(from)) return false;
    const int error = RenameNoReplace(from, to);
    if (error == 0) return true;
    if (error != EXDEV) return false;
    // Another file system: copy through a temporary file beside the target.
    std::error_code ec;
    fs::path temp = to;
    temp += ".tmp-move";
    fs::remove(temp, ec);
    if (!fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec) || RenameNoReplace(temp, to) != 0) {
        fs::remove(temp, ec);
        return false;
    }
    fs::remove(from, ec);
    return true;
}

// ---------------------------------------------------------------------------
// Key pair and folders

void CKeyManager::SetKeyPair(const fs::path& keyPairFolder, std::string publicKeyName, std::string privateKeyName) {
    m_keyPairFolder = keyPairFolder;
    m_publicKeyName = std::move(publicKeyName);
    m_privateKeyName = std::move(privateKeyName);
    RefreshKeyFolderList();
}

fs::path CKeyManager::PublicKeyPath() const {
    return m_keyPairFolder / m_publicKeyName;
}
fs::path CKeyManager::PrivateKeyPath() const {
    return m_keyPairFolder / m_privateKeyName;
}

std::string CKeyManager::KeySetNameOfFolder(std::string_view folderName) {
    const auto at = folderName.find('_');
    return std::string(at == std::string_view::npos ? folderName : folderName.substr(at + 1));
}

std::string CKeyManager::FolderLabel(std::string_view entry) const {
    return entry == kParentFolderMarker ? m_texts[slot::kParentFolderLabel] : std::string(entry);
}

void CKeyManager::RefreshKeyFolderList() {
    m_keyFolderList.clear();
    if (m_keyPairFolder.empty()) return;
    const std::string prefix = LowerAscii(kKeyFolderPrefix);
    std::error_code ec;
    for (fs::directory_iterator it(m_keyPairFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code dirEc;
        if (!it->is_directory(dirEc)) continue;
        const std::string name = it->path().filename().string();
        if (StartsWithLower(LowerAscii(name), prefix)) m_keyFolderList.push_back(name);
    }
    std::sort(m_keyFolderList.begin(), m_keyFolderList.end());
}

std::vector<fs::path> CKeyManager::KeyFolders() const {
    // Listed afresh: a key folder made since the last open counts too.
    std::vector<fs::path> out;
    if (m_keyPairFolder.empty()) return out;
    const std::string prefix = LowerAscii(kKeyFolderPrefix);
    std::error_code ec;
    for (fs::directory_iterator it(m_keyPairFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code dirEc;
        if (it->is_directory(dirEc) && StartsWithLower(LowerAscii(it->path().filename().string()), prefix))
            out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

int CKeyManager::OpenFolder(const fs::path& keyFolder) {
    fs::path folder = keyFolder;
    if (!folder.has_filename()) folder = folder.parent_path();  // drop a trailing separator
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return 1;
    m_keyFolder = folder;
    m_keySetName = KeySetNameOfFolder(folder.filename().string());
    m_folderPrefix = std::string(kKeyFolderPrefix) + m_keySetName;
    RefreshKeyFolderList();
    return Scan(folder);
}

int CKeyManager::Scan(const fs::path& folder) {
    if (ScanInto(folder) != 0) return 1;
    LoadLists();
    ReadPersonalInfo();
    m_currentIndex = -1;
    return 0;
}

int CKeyManager::ScanInto(const fs::path& folderIn) {
    fs::path folder = folderIn;
    if (!folder.has_filename()) folder = folder.parent_path();
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return 1;
    std::vector<std::string> foundAuth, foundPublic, others;
    const std::string ownPublic = LowerAscii(PublicKeyFileName(m_keySetName));
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (it->is_directory(typeEc)) {
            others.push_back(name);
            continue;
        }
        if (!it->is_regular_file(typeEc)) continue;
        const std::string lower = LowerAscii(name);
        if (EndsWith(lower, kAuthEnding))
            foundAuth.push_back(name);
        else if (EndsWith(lower, kPublicEnding) && lower != ownPublic)
            foundPublic.push_back(name);
    }
    std::sort(foundAuth.begin(), foundAuth.end());
    std::sort(foundPublic.begin(), foundPublic.end());
    std::sort(others.begin(), others.end());
    // Inside an address book folder the parent comes first, as the marker.
    if (!m_keyFolder.empty() && !SameFolder(folder, m_keyFolder))
        others.insert(others.begin(), std::string(kParentFolderMarker));
    m_openFolder = folder;
    m_foundAuth = std::move(foundAuth);
    m_foundPublic = std::move(foundPublic);
    m_otherFolders = std::move(others);
    return 0;
}

int CKeyManager::OpenOtherFolder(std::string_view entry) {
    if (std::find(m_otherFolders.begin(), m_otherFolders.end(), entry) == m_otherFolders.end()) return 1;
    if (entry == kParentFolderMarker) return Scan(m_openFolder.parent_path());
    const std::string name(entry);
    if (name == "." || name == ".." || name.find('/') != std::string::npos) return 1;
    return Scan(m_openFolder / name);
}

// ---------------------------------------------------------------------------
// Lists

void CKeyManager::LoadLists() {
    m_authList.clear();
    m_publicList.clear();
    if (m_openFolder.empty()) return;
    m_authListStatus = ReadMemberList(m_openFolder / kAuthMemberListName, m_authList);
    m_publicListStatus = ReadMemberList(m_openFolder / kPublicKeyMemberListName, m_publicList);
    if (m_currentIndex >= Count()) m_currentIndex = -1;
}

int CKeyManager::SaveLists() {
    if (m_openFolder.empty() || !ListsRewritable(m_authListStatus, m_publicListStatus)) return 0;
    int result = 0;
    result += WriteMemberList(m_openFolder / kAuthMemberListName, m_authList) ? 1 : 0;
    result += WriteMemberList(m_openFolder / kPublicKeyMemberListName, m_publicList) ? 1 : 0;
    return result;
}

const UserData* CKeyManager::Record(int index) const {
    if (index < 0) return nullptr;
    const auto i = static_cast<std::size_t>(index);
    if (i < m_authList.size()) return &m_authList[i];
    if (i - m_authList.size() < m_publicList.size()) return &m_publicList[i - m_authList.size()];
    return nullptr;
}

std::string CKeyManager::Name(int index) const {
    const UserData* r = Record(index);
    return r ? Cp932ForDisplay(r->name) : std::string();
}

std::string CKeyManager::Email(int index) const {
    const UserData* r = Record(index);
    return r ? Cp932ForDisplay(r->email) : std::string();
}

std::string CKeyManager::File(int index) const {
    const UserData* r = Record(index);
    return r ? StoredToUtf8(r->fileName) : std::string();
}

std::array<std::string, 6> CKeyManager::Row(int index) const {
    const UserData* r = Record(index);
    if (!r) return {};
    // The own self auth key's record carries a fixed label as its name; it is
    // shown in the current language.
    const bool selfLabel = ToStored(member_data::kSelfAuthKeyLabel) == std::optional<std::string>(r->name);
    return {selfLabel ? m_texts[slot::kSelfAuthKeyRow] : Cp932ForDisplay(r->name),
            Cp932ForDisplay(r->email),
            StoredToUtf8(r->fileName),
            FormatDateTime(r->registered),
            r->limit.IsZero() ? m_texts[slot::kNoLimit] : FormatDate(r->limit),
            r->used.IsZero() ? m_texts[slot::kNeverUsed] : FormatDate(r->used)};
}

bool CKeyManager::IsRegisteredName(std::string_view fileName) const {
    const std::string lower = LowerAscii(fileName);
    for (const auto* list : {&m_authList, &m_publicList})
        for (const auto& r : *list)
            if (LowerAscii(StoredToUtf8(r.fileName)) == lower) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Register, delete, move

int CKeyManager::Register(std::string_view name, std::string_view email, const fs::path& file) {
    auto storedName = ToStored(name);
    auto storedEmail = ToStored(email);
    if (!storedName || !storedEmail) return Refused;
    return RegisterCp932(*storedName, *storedEmail, file);
}

int CKeyManager::RegisterCp932(std::string_view name, std::string_view email, const fs::path& file) {
    return RegisterFile(name, email, file, false);
}

int CKeyManager::RegisterFile(std::string_view name, std::string_view email, const fs::path& fileIn,
                              bool replaceSameName) {
    if (m_openFolder.empty()) return NotInFolder;
    if (!ListsRewritable(m_authListStatus, m_publicListStatus)) return SaveFailed;
    const std::string fileName = fileIn.filename().string();
    auto storedFile = ToStored(fileName);
    // The three texts must fit their 128-byte fields whole.
    if (name.size() > UserData::kTextWidth || email.size() > UserData::kTextWidth || !storedFile ||
        storedFile->empty() || storedFile->size() > UserData::kTextWidth)
        return Refused;
    const bool isAuth = IsAuthKeyFileName(fileName);

    // Everything that can refuse the file is checked before it moves.
    const fs::path file = m_openFolder / fileName;
    const bool outside = !fileIn.parent_path().empty() && !SameFolder(fileIn.parent_path(), m_openFolder);
    const fs::path source = outside ? fileIn : file;
    if (!IsRegularFile(source)) return NotInFolder;
    // Only a complete key file with a usable key is ever listed.
    if (ClassifyKeyFile(source) != (isAuth ? KeyFileKind::AuthKey : KeyFileKind::PublicKey)) return Refused;
    // A different key file of that name already here (another partner's key)
    // is never replaced.
    std::error_code existsEc;
    const bool taken = outside && fs::exists(fs::symlink_status(file, existsEc));
    if (taken && !replaceSameName && !SameFileBytes(source, file)) return NameTaken;

    UserData record;
    record.name = std::string(name);
    record.email = std::string(email);
    record.fileName = *storedFile;
    const auto mark = KeyMarkOfFile(source);
    if (!mark) return Refused;
    record.keyMark = *mark & 0x00FFFFFFFFFFFFFFULL;  // the top byte is not stored
    if (isAuth) {
        AuthRecord auth;
        if (ReadAuthRecord(source, auth, false) != AuthRecordOk) return AuthRecordUnreadable;
        record.limit = auth.limit;
    }
    if (outside && !(taken ? MoveFileReplacing(source, file) : MoveFileNoReplace(source, file)))
        return taken || !fs::exists(fs::symlink_status(file, existsEc)) ? NotInFolder : NameTaken;
    const auto written = LastWriteTime(file);
    if (!written) return NotInFolder;
    record.registered = *written;

    // A file registered again replaces its old record.
    auto& list = ListOf(isAuth);
    const std::string lower = LowerAscii(fileName);
    auto same = std::find_if(list.begin(), list.end(),
                             [&](const UserData& r) { return LowerAscii(StoredToUtf8(r.fileName)) == lower; });
    const std::vector<UserData> before = list;
    if (same != list.end())
        *same = std::move(record);
    else
        list.push_back(std::move(record));
    if (SaveLists() != 2) {
        list = before;                                                 // what is listed is what is stored
        if (outside && !taken) (void)MoveFileNoReplace(file, source);  // and the file goes back
        return SaveFailed;
    }
    return Registered;
}

bool CKeyManager::Delete(int index, bool removeFile) {
    const UserData* r = Record(index);
    if (!r || !ListsRewritable(m_authListStatus, m_publicListStatus)) return false;
    if (removeFile) {
        auto path = ChildOf(m_openFolder, r->fileName);
        if (!path) return false;
        std::error_code ec;
        if (fs::exists(*path, ec)) {
            ClearReadOnly(*path);
            if (!fs::remove(*path, ec)) return false;
        }
    }
    const auto i = static_cast<std::size_t>(index);
    if (i < m_authList.size())
        m_authList.erase(m_authList.begin() + static_cast<std::ptrdiff_t>(i));
    else
        m_publicList.erase(m_publicList.begin() + static_cast<std::ptrdiff_t>(i - m_authList.size()));
    m_currentIndex = -1;
    return SaveLists() == 2;
}

bool CKeyManager::Move(int index, const fs::path& targetFolder) {
    const UserData* r = Record(index);
    if (!r || !ListsRewritable(m_authListStatus, m_publicListStatus)) return false;
    const UserData record = *r;
    auto source = ChildOf(m_openFolder, record.fileName);
    std::error_code ec;
    if (!source || !fs::is_directory(targetFolder, ec) || SameFolder(targetFolder, m_openFolder)) return false;
    const fs::path target = targetFolder / source->filename();
    // A key file of that name in the target (another partner's key) stays.
    if (fs::exists(fs::symlink_status(target, ec))) return false;

    // The target folder as a key manager of its own, its lists as they are.
    CKeyManager targetManager(m_dialog, m_host, m_texts);
    targetManager.m_keyPairFolder = m_keyPairFolder;
    targetManager.m_publicKeyName = m_publicKeyName;
    targetManager.m_privateKeyName = m_privateKeyName;
    targetManager.m_keyFolder = m_keyFolder;
    targetManager.m_keySetName = m_keySetName;
    if (targetManager.ScanInto(targetFolder) != 0) return false;
    targetManager.LoadLists();
    if (!ListsRewritable(targetManager.m_authListStatus, targetManager.m_publicListStatus)) return false;
    const std::vector<UserData> targetAuthBefore = targetManager.m_authList;
    const std::vector<UserData> targetPublicBefore = targetManager.m_publicList;
    // An auth key the own private key cannot read would be refused there:
    // refuse before anything moves.
    if (IsAuthKeyFileName(source->filename().string())) {
        AuthRecord auth;
        if (ReadAuthRecord(*source, auth, false) != AuthRecordOk) return false;
    }

    if (!MoveFileNoReplace(*source, target)) return false;
    const auto putFileBack = [&] { (void)MoveFileNoReplace(target, *source); };
    if (targetManager.RegisterCp932(record.name, record.email, target) != Registered) {
        putFileBack();
        return false;
    }

    const std::vector<UserData> authBefore = m_authList;
    const std::vector<UserData> publicBefore = m_publicList;
    const auto i = static_cast<std::size_t>(index);
    if (i < m_authList.size())
        m_authList.erase(m_authList.begin() + static_cast<std::ptrdiff_t>(i));
    else
        m_publicList.erase(m_publicList.begin() + static_cast<std::ptrdiff_t>(i - m_authList.size()));
    if (SaveLists() != 2) {
        // Back as it was: this folder's record, the target's lists, the file.
        m_authList = authBefore;
        m_publicList = publicBefore;
        (void)SaveLists();
        targetManager.m_authList = targetAuthBefore;
        targetManager.m_publicList = targetPublicBefore;
        (void)targetManager.SaveLists();
        putFileBack();
        return false;
    }
    m_currentIndex = -1;
    ScanInto(m_openFolder);
    return true;
}

// ---------------------------------------------------------------------------
// Key files

std::vector<std::string> CKeyManager::ListFiles(int mode) const {
    std::vector<std::string> out;
    if (m_openFolder.empty()) return out;
    const std::string ownPrefix = LowerAscii(m_keySetName + "))");
    const std::string ownPublic = LowerAscii(PublicKeyFileName(m_keySetName));
    std::error_code ec;
    for (fs::directory_iterator it(m_openFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        const std::string name = it->path().filename().string();
        const std::string lower = LowerAscii(name);
        if (!EndsWith(lower, kPublicEnding)) continue;
        if (mode == 0) {
            if (StartsWithLower(lower, ownPrefix)) out.push_back(name);
        } else if (mode == 1) {
            if (!EndsWith(lower, kAuthEnding) && lower != ownPublic) out.push_back(name);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<fs::path> CKeyManager::RecipientFiles(int mode) const {
    std::vector<fs::path> out;
    for (const auto& name : ListFiles(mode)) out.push_back(m_openFolder / name);
    return out;
}

void CKeyManager::ShowFormatted(std::string_view format, std::string_view arg) {
    m_dialog.ShowMessage(Format1(format, arg), MessageKind::Warning);
}

std::optional<std::uint64_t> CKeyManager::KeyMark(const fs::path& file) {
    if (!IsRegularFile(file)) {
        ShowFormatted(m_texts[slot::kKeyFileMissing], file.string());
        return std::nullopt;
    }
    return KeyMarkOfFile(file);
}

std::optional<UserData> CKeyManager::FindByKeyMarkLow(std::uint32_t low, fs::path* folderOut) const {
    // Every key folder in turn, read without disturbing the open one; when no
    // key pair folder is known, the open key folder alone.
    std::vector<fs::path> folders = KeyFolders();
    if (folders.empty() && !m_keyFolder.empty()) folders.push_back(m_keyFolder);
    for (const auto& folder : folders) {
        for (auto listName : {kAuthMemberListName, kPublicKeyMemberListName}) {
            std::vector<UserData> list;
            (void)ReadMemberList(folder / listName, list);
            for (const auto& r : list) {
                if (r.KeyMarkLow() == low) {
                    if (folderOut) *folderOut = folder;
                    return r;
                }
            }
        }
    }
    return std::nullopt;
}

int CKeyManager::FindByKeyMark(const fs::path& file, UserData& out) {
    out = UserData{};
    const auto mark = KeyMark(file);
    if (!mark) return 0;
    auto found = FindByKeyMarkLow(static_cast<std::uint32_t>(*mark));
    if (!found) return 0;
    out = *found;
    return 1;
}

bool CKeyManager::RenewRecord(std::uint32_t keyMarkLow, std::string_view name, std::string_view email) {
    auto storedName = ToStored(name);
    auto storedEmail = ToStored(email);
    if (!storedName || !storedEmail || storedName->size() > UserData::kTextWidth ||
        storedEmail->size() > UserData::kTextWidth)
        return false;
    fs::path folder;
    if (!FindByKeyMarkLow(keyMarkLow, &folder)) return false;
    for (auto listName : {kAuthMemberListName, kPublicKeyMemberListName}) {
        std::vector<UserData> list;
        if (ReadMemberList(folder / listName, list) != MemberListStatus::Ok) continue;
        auto it =
            std::find_if(list.begin(), list.end(), [&](const UserData& r) { return r.KeyMarkLow() == keyMarkLow; });
        if (it == list.end()) continue;
        it->name = *storedName;
        it->email = *storedEmail;
        if (!WriteMemberList(folder / listName, list)) return false;
        if (SameFolder(folder, m_openFolder)) LoadLists();
        return true;
    }
    return false;
}

std::optional<fs::path> CKeyManager::ExtractSenderKey(const fs::path& container, const fs::path& folder,
                                                      std::string_view name, SenderKeyStatus* status) {
    SenderKeyStatus ignored;
    SenderKeyStatus& result = status ? *status : ignored;
    // The name comes from the container: one that spells an auth key's name
    // never becomes a path.
    result = SenderKeyStatus::NameRefused;
    if (!IsUsableSenderKeySetName(name)) return std::nullopt;
    result = SenderKeyStatus::NoKey;
    std::error_code ec;
    const auto size = fs::file_size(container, ec);
    if (ec || size < 32) return std::nullopt;
    std::ifstream in(container, std::ios::binary);
    std::uint8_t field[4];
    if (!in.seekg(static_cast<std::streamoff>(size - 32)) || !in.read(reinterpret_cast<char*>(field), 4))
        return std::nullopt;
    const std::uint64_t at = static_cast<std::uint64_t>(LoadLe32(field)) + 80;
    if (at + kPublicKeyFileSize > size) return std::nullopt;
    ByteVector keyFile(kPublicKeyFileSize);
    if (!in.seekg(static_cast<std::streamoff>(at)) ||
        !in.read(reinterpret_cast<char*>(keyFile.data()), static_cast<std::streamsize>(keyFile.size())))
        return std::nullopt;
    if (!IsCompletePublicKeyFile(keyFile)) return std::nullopt;
    const fs::path out = folder / PublicKeyFileName(name);
    // A key file already there under that name (another partner's key) is
    // never replaced. The same key already there is taken as it is.
    result = SenderKeyStatus::Written;
    const auto written = WriteNewFile(out, keyFile, true);
    if (written.Ok()) return out;
    result = written.Detail() == "exists" ? SenderKeyStatus::NameTaken : SenderKeyStatus::WriteFailed;
    if (result != SenderKeyStatus::NameTaken) return std::nullopt;
    std::ifstream existing(out, std::ios::binary);
    ByteVector present(kPublicKeyFileSize + 1);
    existing.read(reinterpret_cast<char*>(present.data()), static_cast<std::streamsize>(present.size()));
    present.resize(static_cast<std::size_t>(existing.gcount()));
    if (present != keyFile) return std::nullopt;
    result = SenderKeyStatus::Written;
    return out;
}

int CKeyManager::ReadAuthRecord(const fs::path& authKey, AuthRecord& out, bool wantSecret) const {
    out = AuthRecord{};
    if (!IsRegularFile(authKey)) return AuthKeyFileMissing;
    auto priv = ReadPrivateKeyFile(PrivateKeyPath());
    if (!priv) return AuthPrivateKeyMissing;
    auto auth = ReadAuthKeyFile(authKey);
    if (!auth) return AuthRecordBad;
    auto record = DecryptAuthRecord(priv->Blob(), auth->recordCipher);
    if (!record) return AuthRecordBad;
    out = std::move(record.Value());
    if (!wantSecret) SecureWipe(out.secret);
    return AuthRecordOk;
}

RecipientKeyStatus CKeyManager::RecipientKey(const fs::path& file, RecipientKeyInfo& out) const {
    out = RecipientKeyInfo{};
    out.file = file;
    out.isAuthKey = IsAuthKeyFileName(file.filename().string());
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec || !IsRegularFile(file))
        return out.isAuthKey ? RecipientKeyStatus::AuthKeyMissing : RecipientKeyStatus::NotAKey;
    if (size > kMaxRecipientFile) return RecipientKeyStatus::NotAKey;
    ByteVector bytes(static_cast<std::size_t>(size));
    {
        std::ifstream in(file, std::ios::binary);
        if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            return out.isAuthKey ? RecipientKeyStatus::AuthKeyMissing : RecipientKeyStatus::NotAKey;
    }
    auto blob = ReadFirstKeyBlob(bytes);
    if (!blob) return RecipientKeyStatus::NotAKey;
    out.publicBlob = blob.Value();
    if (!out.isAuthKey) return RecipientKeyStatus::Ok;

    // The second part: a 32-bit length and the enciphered record.
    const std::size_t second = 4 + out.publicBlob.size();
    if (bytes.size() < second + 4) return RecipientKeyStatus::NotAuthenticated;
    const std::uint64_t length = LoadLe32(bytes.data() + second);
    if (length == 0 || length > bytes.size() - second - 4) return RecipientKeyStatus::NotAuthenticated;
    auto priv = ReadPrivateKeyFile(PrivateKeyPath());
    if (!priv) return RecipientKeyStatus::PrivateKeyMissing;
    auto record = DecryptAuthRecord(priv->Blob(), std::span<const std::uint8_t>(bytes).subspan(second + 4, length));
    if (!record) return RecipientKeyStatus::WrongKey;
    out.authValue = record->secret;
    SecureWipe(record->secret);
    return RecipientKeyStatus::Ok;
}

// ---------------------------------------------------------------------------
// Personal information

bool CKeyManager::ReadPersonalInfo() {
    m_ownerName.clear();
    m_ownerEmail.clear();
    if (m_keyFolder.empty()) return false;
    auto info = tessarin::ReadPersonalInfo(m_keyFolder / kPersonalInfoName);
    if (!info) return false;
    m_ownerName = Cp932ForDisplay(info->name);
    m_ownerEmail = Cp932ForDisplay(info->email);
    return true;
}

bool CKeyManager::WritePersonalInfo(std::string_view name, std::string_view email) {
    if (m_keyFolder.empty()) return false;
    auto storedName = ToStored(name);
    auto storedEmail = ToStored(email);
    if (!storedName || !storedEmail) return false;
    if (!tessarin::WritePersonalInfo(m_keyFolder / kPersonalInfoName, {*storedName, *storedEmail})) return false;
    m_ownerName = std::string(name);
    m_ownerEmail = std::string(email);
    return true;
}

// ---------------------------------------------------------------------------
// Expiry scan

int CKeyManager::ExpiredAuthKeys() {
    m_expired.clear();
    const SystemTime now = m_host.LocalTime();
    RefreshKeyFolderList();
    std::vector<fs::path> folders = KeyFolders();
    if (folders.empty() && !m_keyFolder.empty()) folders.push_back(m_keyFolder);
    for (const auto& folder : folders) {
        std::vector<UserData> list;
        (void)ReadMemberList(folder / kAuthMemberListName, list);
        for (const auto& r : list) {
            if (!LimitExpired(r.limit, now)) continue;
            m_expired.push_back({Cp932ForDisplay(r.name), StoredToUtf8(r.fileName), FormatDate(r.limit), folder});
        }
    }
    return static_cast<int>(m_expired.size());
}

// ---------------------------------------------------------------------------
// Unregistered keys and added key files

std::vector<std::string> CKeyManager::UnregisteredFiles() const {
    std::vector<std::string> out;
    for (const auto* found : {&m_foundAuth, &m_foundPublic})
        for (const auto& name : *found)
            if (!IsRegisteredName(name)) out.push_back(name);
    return out;
}

int CKeyManager::RegisterUnregisteredKeys() {
    const auto files = UnregisteredFiles();
    if (files.empty()) return 0;
    const std::string question = FormatText(m_texts[slot::kUnregisteredFound], {static_cast<long long>(files.size())});
    if (!m_dialog.AskYesNo(QuestionId::RegisterFoundKeys, question, m_texts[slot::kRegisterKeysTitle])) return 0;

    const bool inKeyPairFolder = !m_keyPairFolder.empty() && SameFolder(m_openFolder, m_keyPairFolder);
    int registered = 0;
    for (const auto& name : files) {
        const fs::path file = m_openFolder / name;
        const KeyFileKind kind = ClassifyKeyFile(file);
        if (!IsRegistrableKeyKind(kind)) {
            ShowFormatted(m_texts[slot::kNotUsableKey], name);
            continue;
        }
        const bool isAuth = kind == KeyFileKind::AuthKey;
        const auto mark = KeyMarkOfFile(file);
        if (!mark) {
            ShowFormatted(m_texts[slot::kNotUsableKey], name);
            continue;
        }
        const auto low = static_cast<std::uint32_t>(*mark);
        const auto& sameList = ListOf(isAuth);
        auto same =
            std::find_if(sameList.begin(), sameList.end(), [&](const UserData& r) { return r.KeyMarkLow() == low; });
        if (same != sameList.end()) {
            if (isAuth)
                m_dialog.ShowMessage(m_texts[slot::kAuthKeyAlreadyListed], MessageKind::Information);
            else
                m_dialog.ShowMessage(Format2(m_texts[slot::kListedUnderOtherName], name, StoredToUtf8(same->fileName)),
                                     MessageKind::Information);
            continue;
        }
        std::string ownerName, ownerEmail;  // CP932
        if (isAuth) {
            AuthRecord record;
            if (ReadAuthRecord(file, record, false) != AuthRecordOk) {
                ShowFormatted(m_texts[slot::kNotUsableKey], name);
                continue;
            }
            ownerName = record.name;
            ownerEmail = record.email;
        } else if (inKeyPairFolder) {
            ownerName = std::string(member_data::kMakerName);
            ownerEmail = std::string(member_data::kMakerKeyMail);
        }
        if (const int result = RegisterCp932(ownerName, ownerEmail, file); result != Registered) {
            ShowRegisterFailure(result, name);
            continue;
        }
        ++registered;
        m_dialog.ShowMessage(Format2(m_texts[slot::kKeyRegistered], Cp932ForDisplay(ownerName), name),
                             MessageKind::Information);
    }
    SaveLists();
    return registered;
}

void CKeyManager::ShowRegisterFailure(int result, std::string_view fileName) {
    const auto show = [&](int textSlot) { ShowFormatted(Texts()[textSlot], fileName); };
    switch (result) {
        case SaveFailed:
            show(slot::kMemberListNotWritten);
            break;
        case NameTaken:
            show(slot::kKeyFileNameTaken);
            break;
        case NotInFolder:
            show(slot::kKeyFileNotMovedIn);
            break;
        default:
            ShowFormatted(m_texts[slot::kNotUsableKey], fileName);
            break;
    }
}

int CKeyManager::AddKeyFiles(const std::vector<fs::path>& files, const ServiceOffer& offer,
                             const PlainKeyOwner* owner) {
    int registered = 0;
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        const KeyFileKind kind = ClassifyKeyFile(file);
        if (!IsRegistrableKeyKind(kind)) {
            ShowFormatted(m_texts[slot::kNotUsableKey], name);
            continue;
        }
        const bool isAuth = kind == KeyFileKind::AuthKey;
        const auto mark = KeyMarkOfFile(file);
        if (!mark) {
            ShowFormatted(m_texts[slot::kNotUsableKey], name);
            continue;
        }
        if (FindByKeyMarkLow(static_cast<std::uint32_t>(*mark))) {
            ShowFormatted(m_texts[isAuth ? slot::kAlreadyAuthKey : slot::kAlreadyPublicKey], name);
            continue;
        }
        // Refused before anything is asked: another key file of that name
        // in the folder is never replaced.
        const fs::path inFolder = m_openFolder / name;
        std::error_code ec;
        if (!SameFolder(file.parent_path(), m_openFolder) && fs::exists(fs::symlink_status(inFolder, ec)) &&
            !SameFileBytes(file, inFolder)) {
            ShowRegisterFailure(NameTaken, name);
            continue;
        }
        std::string ownerName, ownerEmail;  // CP932
        if (isAuth) {
            AuthRecord record;
            if (ReadAuthRecord(file, record, false) != AuthRecordOk) {
                ShowFormatted(m_texts[slot::kNotUsableKey], name);
                continue;
            }
            ownerName = record.name;
            ownerEmail = record.email;
        } else if (owner) {
            const auto storedName = ToStored(owner->name);
            const auto storedEmail = ToStored(owner->email);
            if (!storedName || !storedEmail) {
                ShowRegisterFailure(Refused, name);
                continue;
            }
            ownerName = *storedName;
            ownerEmail = *storedEmail;
        } else if (m_dialog.AskYesNo(QuestionId::RegisterWithService, m_texts[slot::kOfferToFerrolo]) && offer) {
            offer(file);
        }
        const int result = RegisterCp932(ownerName, ownerEmail, file);
        if (result == Registered)
            ++registered;
        else
            ShowRegisterFailure(result, name);
    }
    ScanInto(m_openFolder);
    return registered;
}

// ---------------------------------------------------------------------------
// Key folder selection

int CKeyManager::OpenKeyFolderOnSelection(const fs::path& keyFolder) {
    const int result = OpenFolder(keyFolder);
    if (result != 0) return result;
    AdoptSelfAuthKey();
    return 0;
}

bool CKeyManager::AdoptSelfAuthKey() {
    if (m_keyPairFolder.empty() || m_keyFolder.empty() || m_keySetName.empty()) return false;
    // Authentication names the self auth key after the own public key file
    // (without ".vpub"), which is the key set name for every key set made
    // here; a pair chosen from files may differ in what follows a full stop.
    fs::path loose = m_keyPairFolder / SelfAuthKeyFileName(m_keySetName);
    if (!IsRegularFile(loose) && LowerAscii(m_publicKeyName).ends_with(kPublicEnding)) {
        const std::string stem = m_publicKeyName.substr(0, m_publicKeyName.size() - kPublicEnding.size());
        loose = m_keyPairFolder / SelfAuthKeyFileName(stem);
    }
    if (!IsRegularFile(loose)) return false;
    // Register in the key folder itself, even when an address book folder is open.
    if (!SameFolder(m_openFolder, m_keyFolder)) {
        if (ScanInto(m_keyFolder) != 0) return false;
        LoadLists();
    }
    // A self auth key made anew replaces its older copy in the key folder.
    const auto label = ToStored(member_data::kSelfAuthKeyLabel);
    const auto email = ToStored(m_ownerEmail);
    const bool ok = label && email && RegisterFile(*label, *email, loose, true) == Registered;
    ScanInto(m_openFolder);
    return ok;
}

}  // namespace tessarin
