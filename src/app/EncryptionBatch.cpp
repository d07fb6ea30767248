// The encryption pipeline: a batch of source files to containers.

#include "app/EncryptionBatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <set>
#include <utility>

#include "app/EncryptBatch.h"
#include "app/WorkList.h"
#include "container/ArchiveHistoryMan.h"
#include "container/BatchWorkers.h"
#include "container/ContainerFormat.h"
#include "container/WipeFile.h"
#include "core/Crc64.h"
#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"
#include "platform/TempFile.h"
#include "platform/UserDialog.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// The file in work's bytes reported to the dialog as the batch's own cipher
// sees its chunks (run by itself, or relayed from a worker).
CStreamCipher::ScopedChunkReport ReportBytes(CStreamCipher& cipher, IUserDialog& dialog, const fs::path& source) {
    std::error_code ec;
    const auto size = static_cast<std::int64_t>(fs::file_size(source, ec));
    return CStreamCipher::ScopedChunkReport(cipher, [&dialog, name = source.filename().string(), size = ec ? 0 : size](
                                                        std::int64_t done) { dialog.ReportBytes(name, done, size); });
}

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const fs::path& p, const char* mode) {
    return FilePtr(std::fopen(p.c_str(), mode), &std::fclose);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

bool IsHidden(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name.front() == '.';
}

// "In use": the file cannot be opened for reading, or another open file
// holds a write lock on it.
bool IsInUse(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return true;
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

// The path with links and dot segments resolved, as far as it exists.
fs::path Resolved(const fs::path& p) {
    std::error_code ec;
    fs::path r = fs::weakly_canonical(p, ec);
    return ec ? p : r;
}

bool SamePath(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

bool SyncFolderToDisk(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

std::string RefusalText(const LanguageTable& texts, const Refusal& refusal) {
    switch (refusal.kind) {
        case EncryptRefusal::PrivateKeyUnreadable:
            return FormatText(texts[slot::kCannotOpenPrivateKey], {refusal.detail});
        case EncryptRefusal::PublicKeyUnreadable:
            return FormatText(texts[slot::kKeyNotFound], {refusal.detail});
        case EncryptRefusal::AuthKeyMissing:
            return texts[slot::kAuthKeyNotFound];
        case EncryptRefusal::NotAuthenticated:
            return texts[slot::kNotAuthenticated];
        case EncryptRefusal::WrongKey:
            return texts[slot::kUseRightPublicKey];
        case EncryptRefusal::NoAvailablePublicKey:
            return texts[slot::kNoAvailablePublicKey];
        case EncryptRefusal::RsaFailure:
            return texts[slot::kCryptApiError] + refusal.detail;
        case EncryptRefusal::InputCannotOpen:
            return texts[slot::kInputCannotOpen];
        case EncryptRefusal::OutputCannotOpen:
            return texts[slot::kOutputCannotOpen];
    }
    return {};
}

EncryptRefusal AuthKeyRefusal(KeyFileStatus status) {
    return status == KeyFileStatus::Missing || status == KeyFileStatus::Unreadable ? EncryptRefusal::AuthKeyMissing
                                                                                   : EncryptRefusal::NotAuthenticated;
}

FileKey::~FileKey() {
    SecureWipe(key);
    SecureWipe(senderKeystream);
}

EncryptionBatch::EncryptionBatch(MainWindowState& inputs, EncryptMode mode)
    : m_in(inputs),
      m_dialog(inputs.Dialog()),
      m_texts(inputs.Texts()),
      m_mode(mode),
      m_keys(std::make_unique<Keys>()),
      m_mail(inputs.MailLauncher()) {}

EncryptionBatch::~EncryptionBatch() = default;

void EncryptionBatch::ShowError(int slotNumber) {
    m_dialog.ShowMessage(m_texts[slotNumber], MessageKind::Error);
}
void EncryptionBatch::Refuse(const Refusal& refusal) {
    m_dialog.ShowMessage(RefusalText(m_texts, refusal), MessageKind::Error);
}

std::optional<Refusal> EncryptionBatch::LoadOwnPrivateKey() {
    if (m_keys->privateKey) return std::nullopt;
    auto priv = ReadPrivateKeyFile(m_in.privateKeyPath);
    std::optional<std::string> text;
    std::optional<std::array<std::uint8_t, 32>> digest;
    if (priv) {
        text = container::KeyTextFromPrivateKey(priv->bytes);
        digest = container::PrivateKeyDigest(priv->bytes);
    }
    if (!priv || !text || !digest) {
        m_fatal = true;
        return Refusal{EncryptRefusal::PrivateKeyUnreadable, m_in.privateKeyPath.string()};
    }
    m_keys->keyText = std::move(*text);
    m_keys->privateKeyDigest = *digest;
    m_keys->privateKey = std::move(priv.Value());
    return std::nullopt;
}

std::optional<Refusal> EncryptionBatch::PrepareKeys() {
    Keys& k = *m_keys;
    if (k.prepared) return std::nullopt;
    k.recipients.clear();  // what a refused attempt left
    const HeldKeyMaterial& held = m_in.HeldKeys();
    ByteVector ownBlob;
    if (m_mode == EncryptMode::Folder) {
        if (!held.loaded) return Refusal{EncryptRefusal::PrivateKeyUnreadable, m_in.privateKeyPath.string()};
        k.privateKeyDigest = held.privateKeyDigest;
        k.ownPublicKeyFile = held.publicKeyFile;
    } else {
        if (auto refusal = LoadOwnPrivateKey()) return refusal;
        auto pub = ReadPublicKeyFile(m_in.publicKeyPath);
        if (!pub) return Refusal{EncryptRefusal::PublicKeyUnreadable, m_in.publicKeyPath.string()};
        k.ownPublicKeyFile = BuildPublicKeyFile(pub->blob);
    }
    ownBlob.assign(k.ownPublicKeyFile.begin() + 4, k.ownPublicKeyFile.end());
    k.senderKeyCheck = container::SenderKeyCheck(ownBlob);
    k.machineDigest = container::MachineDigest(m_in.machineValue, m_in.Host().UserName(), m_in.Host().ComputerName());

    if (m_mode == EncryptMode::Folder) {
        Keys::Recipient r;
        r.path = m_in.selfAuthKeyPath;
        r.blob = ownBlob;
        r.authValue = held.authValue;
        r.isOwn = true;
        k.recipients.push_back(std::move(r));
    } else if (m_mode == EncryptMode::Backup) {
        if (m_in.makerPublicKeyFile.size() <= 4) return Refusal{EncryptRefusal::NoAvailablePublicKey, {}};
        Keys::Recipient r;
        r.blob.assign(m_in.makerPublicKeyFile.begin() + 4, m_in.makerPublicKeyFile.end());
        k.recipients.push_back(std::move(r));
    } else {
        for (const auto& path : m_recipients) {
            Keys::Recipient r;
            r.path = path;
            r.isOwn = SamePath(path, m_in.selfAuthKeyPath);
            if (IsAuthKeyFileName(path.filename().string())) {
                auto auth = ReadAuthKeyFile(path);
                if (!auth) return Refusal{AuthKeyRefusal(auth.Status()), {}};
                auto record = DecryptAuthRecord(k.privateKey->Blob(), auth->recordCipher);
                if (!record) return Refusal{EncryptRefusal::WrongKey, {}};
                r.blob = auth->issuerBlob;
                r.authValue = record->secret;
                r.name = record->name;
                r.mail = record->email;
            } else {
                auto blob = ReadFirstKeyBlob(path);
                if (!blob) return Refusal{EncryptRefusal::AuthKeyMissing, {}};
                r.blob = std::move(blob.Value());
                r.name = container::StoredName(path.stem().string());
            }
            k.recipients.push_back(std::move(r));
        }
    }
    for (auto& r : k.recipients) {
        r.fingerprint = KeyFingerprint(r.blob);
        if (auto imported = RsaKey::Import(r.blob)) r.rsa = std::make_shared<const RsaKey>(std::move(*imported));
    }
    if (k.recipients.empty()) return Refusal{EncryptRefusal::NoAvailablePublicKey, {}};
    k.prepared = true;
    return std::nullopt;
}

PayloadStatus EncryptionBatch::EncryptOneFile(const StepContext& ctx, const fs::path& source, int sourceFd,
                                              TempFile& container, FileKey& key, std::string& throughput) {
    CStreamCipher& cipher = ctx.cipher;
    auto refuse = [&](const Refusal& refusal) {
        ctx.say.ShowMessage(RefusalText(m_texts, refusal), MessageKind::Error);
    };
    std::string_view part3;
    if (m_mode == EncryptMode::Folder) {
        if (!m_in.HeldKeys().loaded) {
            m_fatal = true;
            refuse({EncryptRefusal::PrivateKeyUnreadable, m_in.privateKeyPath.string()});
            return PayloadStatus::Refused;
        }
        part3 = m_in.HeldKeys().keyText;
    } else {
        if (auto refusal = LoadOwnPrivateKey()) {
            refuse(*refusal);
            return PayloadStatus::Refused;
        }
        part3 = m_keys->keyText;
    }
    // File key: SHA-512 over time, tick count, path and private key bytes.
    const IHost& host = m_in.Host();
    std::string text = container::FileKeyText(host.LocalTime(), host.TickCount(), source.string(), part3);
    CSHA& sha = ctx.sha;
    sha.Init();
    sha.Update({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    auto digest = sha.Final();
    SecureWipe(reinterpret_cast<std::uint8_t*>(text.data()), text.size());

    // The cipher holds the key only while this payload runs.
    struct ClearOnExit {
        CStreamCipher& cipher;
        ~ClearOnExit() { cipher.Clear(false); }
    } clear{cipher};
    cipher.SetWordCount(CStreamCipher::kWordCount);
    cipher.SetKey(std::span<const std::uint8_t>(digest.data(), container::kFileKeySize));
    SecureWipe(digest);
    // The records carry the key as set (GetKey), not the raw digest bytes.
    std::array<std::uint32_t, 8> words{};
    (void)cipher.GetKey(words.data());
    for (std::size_t i = 0; i < words.size(); ++i) StoreLe32(key.key.data() + 4 * i, words[i]);
    SecureWipe(reinterpret_cast<std::uint8_t*>(words.data()), sizeof words);

    // The source is read through the descriptor its checks opened.
    FilePtr in = sourceFd >= 0 ? FilePtr(::fdopen(sourceFd, "rb"), &std::fclose) : OpenFile(source, "rb");
    if (!in) {
        if (sourceFd >= 0) ::close(sourceFd);
        refuse({EncryptRefusal::InputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    std::FILE* out = container.Stream();
    if (!out) {
        refuse({EncryptRefusal::OutputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    const auto start = std::chrono::steady_clock::now();
    bool ok = false;
    {
        // The stop check is asked after every chunk, so a long file stops
        // in the middle.
        CStreamCipher::ScopedStopCheck stop(cipher, ctx.stop);
        ok = cipher.CryptFile(in.get(), out);
    }
    in.reset();
    const off_t size = ok ? ::ftello(out) : -1;
    if (cipher.Stopped()) return PayloadStatus::Stopped;
    if (!ok || size < 0 || std::ferror(out)) {
        refuse({EncryptRefusal::OutputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    // The keystream the sender record is enciphered with continues the payload's.
    key.senderKeystream.fill(0);
    cipher.Crypt(key.senderKeystream.data(), key.senderKeystream.size(), key.senderKeystream.data());
    key.payloadLength = static_cast<std::int64_t>(size);

    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double mbit = ms > 0 ? static_cast<double>(size) * 8.0 / (ms / 1000.0) / 1024.0 / 1024.0 : 0.0;
    throughput = FormatText(m_texts[slot::kThroughputNote], {ms, static_cast<long long>(size), mbit});
    return PayloadStatus::Written;
}

bool EncryptionBatch::WriteRecipients(const StepContext& ctx, TempFile& containerFile, const std::string& sourceName,
                                      const FileKey& key) {
    auto refuse = [&](const Refusal& refusal) {
        ctx.say.ShowMessage(RefusalText(m_texts, refusal), MessageKind::Error);
    };
    auto showError = [&](int textSlot) { ctx.say.ShowMessage(m_texts[textSlot], MessageKind::Error); };
    if (auto refusal = PrepareKeys()) {
        refuse(*refusal);
        return false;
    }
    const Keys& k = *m_keys;

    // The records follow the payload in the same stream.
    std::FILE* file = containerFile.Stream();
    if (!file) {
        showError(slot::kOutputCannotOpen);
        return false;
    }
    const std::int64_t payload = key.payloadLength;
    if (payload < 0 || payload > container::kMaxPayloadLength) return false;
    const auto n = static_cast<std::int32_t>(k.recipients.size());
    const std::uint8_t flags = FlagsNow();
    container::Tail tail = container::BuildTail(n, static_cast<std::int32_t>(payload), flags);
    const std::string userName = container::StoredName(m_in.userName);
    const std::string mailAddress = container::StoredName(m_in.mailAddress);

    bool ok = true;
    if (flags & container::kFlagSender) {
        auto sender = container::BuildSenderRecord(userName, mailAddress);
        for (std::size_t i = 0; i < sender.size(); ++i) sender[i] ^= key.senderKeystream[i];
        ok = std::fwrite(sender.data(), 1, sender.size(), file) == sender.size() &&
             std::fwrite(k.ownPublicKeyFile.data(), 1, k.ownPublicKeyFile.size(), file) == k.ownPublicKeyFile.size();
    }

    container::RecipientFields f;
    f.fileKey = key.key;
    f.name = container::BuildNameField(container::StoredName(sourceName));
    f.machineDigest = k.machineDigest;
    f.encryptionTime = m_in.Host().LocalTime();
    const bool noLimit = m_mode == EncryptMode::Backup || m_mode == EncryptMode::Folder;
    f.limitSeconds = noLimit ? 0 : m_limitSeconds;
    if (f.limitSeconds != 0 && m_limitFromFirstDecryption) f.limitStart = f.encryptionTime;
    f.privateKeyDigest = k.privateKeyDigest;
    f.senderKeyCheck = k.senderKeyCheck;

    for (const auto& r : k.recipients) {
        if (!ok) break;
        f.authValue = r.authValue;
        auto plain = container::RsaPlaintext(f);
        auto rsa = r.rsa ? r.rsa->Encrypt(plain) : RsaEncryptBlock(r.blob, plain);
        SecureWipe(plain);
        if (!rsa || rsa->size() != 128) {
            refuse({EncryptRefusal::RsaFailure, rsa ? std::string("Bad Length.") : rsa.Error()});
            SecureWipe(f.fileKey);
            return false;
        }
        const auto record =
            container::BuildRecord(f, r.fingerprint, std::span<const std::uint8_t, 128>(rsa->data(), 128));
        ok = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    }
    SecureWipe(f.fileKey);

    if (ok && m_historyManaged && (flags & container::kFlagHistory)) {
        // The history appends its block and the tail to the same stream.
        {
            const fs::path containerPath = containerFile.Path();
            CArchiveHistoryMan history(m_in.Host());
            history.Open(containerPath.parent_path());
            // One user per record, in record order: a reader logs itself
            // under the index of the record it decrypted.
            std::vector<CArchiveHistoryMan::UserEntry> users;
            std::int32_t creator = 0;
            for (const auto& r : k.recipients) {
                if (r.isOwn) {
                    creator = static_cast<std::int32_t>(users.size());
                    users.push_back({userName, mailAddress});
                } else {
                    users.push_back({r.name, r.mail});
                }
            }
            history.SetUsers(std::move(users));
            history.AppendRecord(creator, CArchiveHistoryMan::Created);
            history.SetContainer(containerPath, tail, key.key);
            ok = history.AppendNewHistory(file);
        }
    } else if (ok) {
        ok = std::fwrite(tail.data(), 1, tail.size(), file) == tail.size() && std::fflush(file) == 0;
    }
    if (!ok) showError(slot::kOutputCannotOpen);
    return ok;
}

bool EncryptionBatch::ComputeOptionValue() {
    const EncryptOptions& options = m_in.options;
    TimeLimitResult limit;
    const bool limitApplies = m_mode == EncryptMode::Command || m_mode == EncryptMode::Self ||
                              m_mode == EncryptMode::AddressBook ||
                              (m_mode == EncryptMode::Options && options.optionsLimitChecked);
    if (limitApplies) {
        limit = ComputeTimeLimit(options.timeLimit, m_in.Host());
        if (limit.problem != TimeLimitResult::Problem::None) {
            if (limit.messageSlot != 0) m_dialog.ShowMessage(m_texts[limit.messageSlot], MessageKind::Warning);
            return false;
        }
    }
    m_limitSeconds = limit.seconds;
    m_limitFromFirstDecryption = limit.fromFirstDecryption;
    const int fromDialog =
        (m_limitSeconds ? container::kOptionTimeLimit : 0) + (options.manageLogs ? container::kOptionHistory : 0);
    switch (m_mode) {
        case EncryptMode::Command:
        case EncryptMode::AddressBook:
            m_v = fromDialog;
            break;
        case EncryptMode::Self:
            m_v = container::kOptionHistory;
            break;
        case EncryptMode::Options:
            m_v = !m_in.optionsCheckBox ? container::kOptionHistory : fromDialog;
            break;
        case EncryptMode::Backup:
        case EncryptMode::Folder:
            m_v = 0;
            break;
    }
    return true;
}

bool EncryptionBatch::ChooseRecipients() {
    if (m_mode == EncryptMode::Backup) {
        m_v += container::kOptionSender;
        return true;
    }
    if (m_mode == EncryptMode::Folder) return true;
    // The chosen keys plus the own self auth key unless left out.
    const fs::path& selfAuth = m_in.selfAuthKeyPath;
    const bool addOwn = m_mode == EncryptMode::Self || !m_in.options.withoutMyAddress;
    if (m_mode != EncryptMode::Self) m_recipients = m_in.recipients;
    if (addOwn) {
        std::error_code ec;
        if (!fs::exists(selfAuth, ec)) {
            m_dialog.ShowMessage(m_texts[slot::kNoSelfAuthKey], MessageKind::Error);
            return false;
        }
        m_recipients.insert(m_recipients.begin(), selfAuth);
    }
    // The same key twice would give two records and break the history's
    // one-user-per-record count.
    std::vector<fs::path> unique;
    for (const auto& r : m_recipients)
        if (std::none_of(unique.begin(), unique.end(), [&](const fs::path& u) { return SamePath(u, r); }))
            unique.push_back(r);
    m_recipients = std::move(unique);
    if (std::any_of(m_recipients.begin(), m_recipients.end(),
                    [](const fs::path& p) { return !IsAuthKeyFileName(p.filename().string()); }))
        m_v += container::kOptionSender;
    // Missing key files are dropped.
    std::string missing;
    std::vector<fs::path> present;
    for (const auto& r : m_recipients) {
        std::error_code ec;
        if (fs::is_regular_file(r, ec))
            present.push_back(r);
        else
            missing += FormatText(m_texts[slot::kKeyNotFound], {r.filename().string()});
    }
    if (!missing.empty()) m_dialog.ShowMessage(missing, MessageKind::Warning);
    m_recipients = std::move(present);
    if (m_recipients.empty()) {
        Refuse({EncryptRefusal::NoAvailablePublicKey, {}});
        return false;
    }
    m_ownKeyIncluded =
        std::any_of(m_recipients.begin(), m_recipients.end(), [&](const fs::path& p) { return SamePath(p, selfAuth); });
    return true;
}

// A source opened by its checks, handed on to the payload.
class SourceFd final {
public:
    SourceFd() = default;
    explicit SourceFd(int fd) : m_fd(fd) {}
    SourceFd(SourceFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    SourceFd& operator=(SourceFd&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~SourceFd() { Close(); }
    int Release() { return std::exchange(m_fd, -1); }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

struct EncryptionBatch::Front {
    enum class Check { Ok, AlreadyEncrypted, PrivateKeyFile, NotRegular, InUse, TooLarge };
    Check check = Check::Ok;
    SourceFd source;  // open for reading while the file is still to be encrypted
    fs::path destination;
    fs::path committed;  // the destination's resolved spelling once written
    fs::path resolved;   // where the destination leads now
    bool destExists = false;
    bool destReadOnly = false;
};

// A file whose payload and records run on a worker.
struct EncryptionBatch::Ahead {
    std::size_t index = 0;
    fs::path source;
    Front front;
    std::unique_ptr<TempFile> temp;
    FileKey key;
    PayloadStatus payload = PayloadStatus::Refused;
    bool recordsOk = false;
    std::string throughput;
    DeferredMessages messages;
    OwnedTask task;  // last: work the batch does not take is stopped before its temporary file goes
};

// The files the batch has looked at ahead of the one it is at: those whose
// work runs, in list order, and the checks of the others.
struct EncryptionBatch::Lookahead {
    std::deque<std::unique_ptr<Ahead>> running;
    std::map<std::size_t, Front> examined;
    std::size_t next = 0;  // the first file not looked at yet
    std::size_t window = 0;
};

namespace {

// Partly written: overwritten and removed.
void WipeTemp(TempFile& temp) {
    if (temp.CloseStream()) (void)WipeFile(temp.Path());
    temp.Discard();
}

}  // namespace

const fs::path& EncryptionBatch::ResolvedFolder(const fs::path& folder) {
    auto it = m_resolvedFolders.find(folder);
    if (it == m_resolvedFolders.end()) it = m_resolvedFolders.emplace(folder, Resolved(folder)).first;
    return it->second;
}

EncryptionBatch::Front EncryptionBatch::Examine(const fs::path& source, const fs::path& outputFolder,
                                                const struct stat* status) {
    using Check = Front::Check;
    Front f;
    const std::string name = source.filename().string();
    const std::string ext = source.extension().string();
    if (Lower(ext) == container::kExtension) {
        f.check = Check::AlreadyEncrypted;
        return f;
    }
    if (ext.size() > 1 && Upper(ext.substr(1)) == "VPRI") {
        f.check = Check::PrivateKeyFile;
        return f;
    }
    // A folder, device or pipe is no file to encrypt (and opening a pipe
    // would block the batch): only a regular file is opened.
    if (!status || !S_ISREG(status->st_mode)) {
        f.check = Check::NotRegular;
        return f;
    }
    // "In use": the file cannot be opened for reading, or another open file
    // holds a write lock on it.
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    f.source = SourceFd(fd);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || (::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)) {
        f.source.Close();
        f.check = Check::InUse;
        return f;
    }
    if (status->st_size > static_cast<off_t>(container::kMaxPayloadLength)) {
        f.source.Close();
        f.check = Check::TooLarge;
        return f;
    }
    const fs::path folder = outputFolder.empty() ? source.parent_path() : outputFolder;
    f.destination = folder / (name + std::string(container::kExtension));
    f.committed = ResolvedFolder(folder) / f.destination.filename();
    f.resolved = f.committed;
    struct stat dest {};
    if (::lstat(f.destination.c_str(), &dest) == 0) {
        f.destExists = true;
        f.destReadOnly = (dest.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        if (S_ISLNK(dest.st_mode)) f.resolved = Resolved(f.destination);
    }
    return f;
}

bool EncryptionBatch::KeysReadyForWorkers() {
    if (m_mode == EncryptMode::Folder && !m_in.HeldKeys().loaded) return false;
    if (m_mode != EncryptMode::Folder && LoadOwnPrivateKey()) {
        m_fatal = false;  // said, if at all, where the first file needs the key
        return false;
    }
    return !PrepareKeys().has_value();
}

bool EncryptionBatch::HistoryQuestionPending() const {
    return m_mode != EncryptMode::Backup && m_mode != EncryptMode::Folder && m_historyManaged && !m_ownKeyIncluded;
}

std::unique_ptr<EncryptionBatch::Ahead> EncryptionBatch::StartWork(std::size_t index, const fs::path& source,
                                                                   Front&& front) {
    auto a = std::make_unique<Ahead>();
    a->index = index;
    a->source = source;
    a->front = std::move(front);
    Ahead* p = a.get();
    a->task = m_workers->Submit([this, p](WorkerTools& tools, BatchTask& task) {
        const StepContext ctx{tools.cipher, tools.sha, p->messages, [&task] { return task.PublishChunk(); }};
        p->temp = TempFile::CreateBeside(p->front.destination);
        if (!p->temp) {
            p->messages.ShowMessage(m_texts[slot::kOutputCannotOpen], MessageKind::Error, {});
            return;
        }
        p->payload = EncryptOneFile(ctx, p->source, p->front.source.Release(), *p->temp, p->key, p->throughput);
        if (p->payload == PayloadStatus::Written)
            p->recordsOk = WriteRecipients(ctx, *p->temp, p->source.filename().string(), p->key);
    });
    return a;
}

void EncryptionBatch::StartAhead(Lookahead& ahead, std::size_t next, const std::vector<fs::path>& list,
                                 const std::vector<std::optional<struct stat>>& status, const fs::path& outputFolder,
                                 const std::set<fs::path>& writtenHere, bool overwriteAll) {
    if (!m_workers || HistoryQuestionPending()) return;
    ahead.next = std::max(ahead.next, next);
    while (ahead.running.size() < ahead.window && ahead.next < list.size()) {
        const std::size_t j = ahead.next++;
        Front f = Examine(list[j], outputFolder, status[j] ? &*status[j] : nullptr);
        // Only work no answer can change: a file that will be asked about,
        // or whose destination another file of the batch may take first,
        // waits until the batch reaches it.
        bool start = f.check == Front::Check::Ok && writtenHere.count(f.resolved) == 0 &&
                     (m_mode == EncryptMode::Folder || !f.destExists || (overwriteAll && !f.destReadOnly));
        for (const auto& r : ahead.running)
            if (start && (r->front.resolved == f.resolved || r->front.committed == f.committed)) start = false;
        if (start) {
            ahead.running.push_back(StartWork(j, list[j], std::move(f)));
        } else {
            f.source.Close();
            ahead.examined.emplace(j, std::move(f));
        }
    }
}

int EncryptionBatch::Run() {
    const EncryptOptions& options = m_in.options;
    const EncryptMode mode = m_mode;

    // 1. Shortcuts and hidden files leave the list.
    std::vector<fs::path> list;
    std::vector<std::optional<struct stat>> status;  // each listed file as found here
    bool hadShortcut = false, hadHidden = false;
    for (const auto& f : m_in.files) {
        struct stat st {};
        const bool found = ::lstat(f.c_str(), &st) == 0;
        const bool shortcut = EndsWith(f.filename().string(), ".lnk") || (found && S_ISLNK(st.st_mode));
        const bool hidden = IsHidden(f);
        hadShortcut |= shortcut;
        hadHidden |= hidden;
        if (!shortcut && !hidden) {
            list.push_back(f);
            status.push_back(found ? std::optional<struct stat>(st) : std::nullopt);
        }
    }
    if (hadShortcut && hadHidden)
        m_dialog.ShowMessage(m_texts[slot::kRemoveHiddenAndLnk]);
    else if (hadShortcut)
        m_dialog.ShowMessage(m_texts[slot::kRemoveLnk]);
    else if (hadHidden)
        m_dialog.ShowMessage(m_texts[slot::kRemoveHidden]);
    if (list.empty()) {
        m_dialog.ShowMessage(m_texts[slot::kNoFileInStudio]);
        return 0;
    }

    // 2. and 3. The option value V, the limit and the recipients.
    if (!ComputeOptionValue() || !ChooseRecipients()) return 0;
    m_historyManaged =
        (m_v & container::kOptionHistory) != 0 && mode != EncryptMode::Backup && mode != EncryptMode::Folder;

    // 4. Progress and the wait window.
    const auto total = static_cast<long long>(list.size());
    if (mode != EncryptMode::AddressBook && mode != EncryptMode::Backup && mode != EncryptMode::Folder) {
        m_dialog.SetProgressRange(total);
    }
    m_dialog.SetStatus(m_texts[slot::kEncryptProcessing]);

    // The output folder.
    fs::path outputFolder;
    {
        std::error_code ec;
        const bool useOutput = mode == EncryptMode::Options ? m_in.optionsCheckBox : true;
        if (useOutput && !options.outputFolder.empty() && fs::is_directory(options.outputFolder, ec))
            outputFolder = options.outputFolder;
    }
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_createMode = 0666 & ~static_cast<unsigned>(mask);
    }

    const int workerCount = BatchWorkerCount(m_in.workers);
    if (workerCount > 1 && list.size() > 1 && KeysReadyForWorkers())
        m_workers = std::make_unique<BatchWorkers>(workerCount);
    Lookahead ahead;
    ahead.window = 2 * static_cast<std::size_t>(workerCount);

    std::vector<Written> sources;
    std::set<fs::path> writtenHere;  // the containers written, resolved
    bool overwriteAll = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (m_dialog.CancelRequested()) break;
        const fs::path& source = list[i];
        const std::string name = source.filename().string();
        const auto position = static_cast<long long>(i + 1);
        if (mode == EncryptMode::Folder) {
            m_dialog.SetStatus(FormatText(m_texts[slot::kFolderEncrypting], {position, total}));
        } else {
            m_dialog.SetStatus(FormatText(m_texts[slot::kEncryptingNofM], {total, position}));
            m_dialog.SetStatus(FormatText(m_texts[slot::kIsEncrypting], {name}));
        }

        // The file's checks: made when it was looked at ahead, or now.
        std::unique_ptr<Ahead> work;
        Front front;
        if (!ahead.running.empty() && ahead.running.front()->index == i) {
            work = std::move(ahead.running.front());
            ahead.running.pop_front();
        } else if (auto it = ahead.examined.find(i); it != ahead.examined.end()) {
            front = std::move(it->second);
            ahead.examined.erase(it);
        } else {
            front = Examine(source, outputFolder, status[i] ? &*status[i] : nullptr);
            ahead.next = std::max(ahead.next, i + 1);
        }
        const Front& f = work ? work->front : front;

        // Files that are not encrypted.
        auto skip = [&](const std::string& message, MessageKind kind) {
            m_dialog.ShowMessage(message, kind);
            m_dialog.StepProgress(1);
        };
        switch (f.check) {
            case Front::Check::Ok:
                break;
            case Front::Check::AlreadyEncrypted:
                skip(name + m_texts[slot::kAlreadyEncrypted], MessageKind::Information);
                continue;
            case Front::Check::PrivateKeyFile:
                skip(name + m_texts[slot::kIsPrivateKeyFile], MessageKind::Information);
                continue;
            case Front::Check::NotRegular:
                skip(RefusalText(m_texts, {EncryptRefusal::InputCannotOpen, {}}), MessageKind::Error);
                continue;
            case Front::Check::InUse:
                skip(FormatText(m_texts[slot::kEditedByAnotherProgram], {name}), MessageKind::Information);
                continue;
            case Front::Check::TooLarge:
                skip(FormatText(m_texts[slot::kSourceTooLarge], {name}), MessageKind::Error);
                continue;
        }

        // Destination and the overwrite questions.
        const fs::path destination = f.destination;
        const fs::path committed = f.committed;
        const std::string destName = destination.filename().string();
        // What this batch wrote itself is never replaced (two sources of
        // the same name into one output folder): refused, source kept.
        if (writtenHere.count(f.resolved) != 0) {
            skip(FormatText(m_texts[slot::kWrittenEarlierInBatch], {destination.string()}), MessageKind::Error);
            continue;
        }
        if (mode != EncryptMode::Folder && f.destExists) {
            if (f.destReadOnly) {
                skip(FormatText(m_texts[slot::kReadOnlyCantOverwrite], {destName}), MessageKind::Warning);
                continue;
            }
            if (!overwriteAll) {
                const std::string question = destName + m_texts[slot::kOverwriteSameName];
                if (list.size() == 1) {
                    if (!m_dialog.AskYesNo(QuestionId::OverwriteOutput, question)) {
                        m_dialog.StepProgress(1);
                        continue;
                    }
                } else {
                    ContinueConfirm box{};
                    box.id = QuestionId::OverwriteOutput;
                    box.title = m_texts[slot::kOverwriteTitle];
                    box.text = question;
                    box.captions = {m_texts[slot::kCaptionYes], m_texts[slot::kCaptionOverwriteAll],
                                    m_texts[slot::kCaptionNo], m_texts[slot::kCaptionStop]};
                    const int answer = m_dialog.AskContinue(box);
                    if (answer == ContinueConfirm::Stop) break;
                    if (answer == ContinueConfirm::Third) {
                        m_dialog.StepProgress(1);
                        continue;
                    }
                    if (answer == ContinueConfirm::All) overwriteAll = true;
                }
            }
        }

        // The container is written under a temporary name beside its final one.
        std::unique_ptr<TempFile> temp;
        if (m_workers && !HistoryQuestionPending()) {
            // On a worker: the file's chunk reports go to the shared
            // cipher's observer and the cancel flag as they come.
            if (!work) work = StartWork(i, source, std::move(front));
            StartAhead(ahead, i + 1, list, status, outputFolder, writtenHere, overwriteAll);
            bool go = true;
            {
                CStreamCipher::ScopedStopCheck stop(m_in.Cipher(), [this] { return m_dialog.CancelRequested(); });
                const auto bytes = ReportBytes(m_in.Cipher(), m_dialog, source);
                go = work->task->RelayChunks(m_in.Cipher());
            }
            work->task->Wait();
            if (auto error = work->task->Error()) std::rethrow_exception(error);
            if (!go || work->payload == PayloadStatus::Stopped) break;  // the partial container goes with it
            work->messages.ShowOn(m_dialog);
            if (work->payload != PayloadStatus::Written) {
                m_dialog.StepProgress(1);
                continue;
            }
            m_throughput = work->throughput;
            if (!work->recordsOk) {
                WipeTemp(*work->temp);
                break;
            }
            temp = std::move(work->temp);
        } else {
            temp = TempFile::CreateBeside(destination);
            if (!temp) {
                ShowError(slot::kOutputCannotOpen);
                m_dialog.StepProgress(1);
                continue;
            }
            const StepContext ctx{m_in.Cipher(), m_in.Sha(), m_dialog, [this] { return m_dialog.CancelRequested(); }};
            const auto bytes = ReportBytes(m_in.Cipher(), m_dialog, source);
            FileKey key;
            const PayloadStatus payload = EncryptOneFile(ctx, source, front.source.Release(), *temp, key, m_throughput);
            if (payload == PayloadStatus::Stopped) {
                // Cancelled in the middle: the partial container goes, the source stays.
                temp->Discard();
                break;
            }
            if (payload != PayloadStatus::Written) {
                if (m_fatal) break;
                m_dialog.StepProgress(1);
                continue;
            }

            // History pre-check.
            if (HistoryQuestionPending()) {
                if (m_dialog.AskYesNo(QuestionId::NoCreatorInAddress, m_texts[slot::kNoCreatorInAddress])) {
                    m_v -= container::kOptionHistory;
                    m_historyManaged = false;
                } else {
                    WipeTemp(*temp);
                    break;
                }
            }

            if (!WriteRecipients(ctx, *temp, name, key)) {
                WipeTemp(*temp);
                break;
            }
        }
        // On the disk before any source is wiped for it.
        (void)temp->SetPermissions(m_createMode);
        if (auto error = temp->Commit(destination, options.deleteSource)) {
            ShowError(slot::kOutputCannotOpen);
            m_dialog.StepProgress(1);
            continue;
        }
        m_written.push_back(destination);
        writtenHere.insert(committed);
        // The renamed entry reaches the disk before the source may go, so a
        // power loss cannot leave neither.
        sources.push_back({source, !options.deleteSource || m_in.syncFolder(destination.parent_path())});
        m_dialog.StepProgress(1);
    }
    // Work ahead of where the batch ended is dropped with its temporary files.
    ahead.running.clear();
    m_workers.reset();

    const long long succeeded = static_cast<long long>(m_written.size()) - FinishBatch(sources);
    m_dialog.ShowMessage(FormatText(m_texts[slot::kEncryptSucceeded], {succeeded}));
    m_keys.reset();
    return static_cast<int>(succeeded);
}

long long EncryptionBatch::FinishBatch(const std::vector<Written>& sources) {
    const EncryptOptions& options = m_in.options;
    const auto count = static_cast<long long>(m_written.size());
    // After the batch: wipe the sources, mail the containers. A requested
    // wipe that did not happen fails its item: the plaintext is still there.
    long long failedWipes = 0;
    if (options.deleteSource && count > 0 &&
        m_dialog.AskYesNo(QuestionId::DeleteSources, FormatText(m_texts[slot::kDeleteSourcesQuestion], {count}))) {
        for (const auto& w : sources) {
            const std::string shown = w.source.filename().string();
            if (!w.durable) {
                m_dialog.ShowMessage(FormatText(m_texts[slot::kContainerNotDurable], {shown}), MessageKind::Error);
                ++failedWipes;
            } else if (!WipeFile(w.source)) {
                m_dialog.ShowMessage(FormatText(m_texts[slot::kDeletionFailed], {shown}), MessageKind::Error);
                ++failedWipes;
            }
        }
    }
    if (options.sendByMail && count > 0) {
        m_mail.Reset();
        m_mail.AddRecipient(options.mailRecipient, MailMessage::To);
        std::string body = m_texts[slot::kEncryptedMailBody];
        for (const auto& c : m_written) {
            m_mail.AddAttachment(c);
            body += c.filename().string() + "\n";
        }
        (void)m_mail.Send(m_texts[slot::kForwardSubject], body, true);
    }
    return failedWipes;
}

std::vector<fs::path> EncryptionBatch::CollectFolder(MainWindowState& inputs, const fs::path& folder) {
    IUserDialog& dialog = inputs.Dialog();
    const LanguageTable& texts = inputs.Texts();
    const std::vector<fs::path> collected = FilesBelowFolder(folder);
    if (collected.size() > 1000 && !dialog.AskYesNo(QuestionId::ManyFiles, texts[slot::kOver1000Files])) return {};

    bool noticeSuppressed = false;
    // The notice dialog: OK, or its check box that hides it for the rest of the run.
    auto notice = [&](int textSlot) {
        if (noticeSuppressed) return;
        ContinueConfirm box{};
        box.id = QuestionId::FilesInUse;
        box.title = texts[slot::kContinuesCheckTitle];
        box.text = texts[textSlot];
        box.captions = {texts[slot::kCaptionOk], texts[slot::kDoNotShowAgain], "", ""};
        if (dialog.AskContinue(box) == ContinueConfirm::All) noticeSuppressed = true;
    };

    std::vector<fs::path> files;
    for (const auto& f : collected) {
        if (IsReadOnlyFile(f)) {
            notice(slot::kReadOnlyInFolder);
            continue;
        }
        bool dropped = false;
        while (IsInUse(f)) {
            if (inputs.noticeInsteadOfRepeat) {
                notice(slot::kOpenedFileInFolder);
                dropped = true;
                break;
            }
            dialog.ShowMessage(texts[slot::kOpenedFileInFolder], MessageKind::Warning);
            if (dialog.CancelRequested()) {
                dropped = true;
                break;
            }
        }
        if (!dropped) files.push_back(f);
    }
    return files;
}

}  // namespace tessarin
