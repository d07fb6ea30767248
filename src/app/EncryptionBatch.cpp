// The encryption pipeline: a batch of source files to containers.

#include "app/EncryptionBatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "app/EncryptBatch.h"
#include "app/WorkList.h"
#include "container/ArchiveHistoryMan.h"
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

bool IsShortcut(const fs::path& p) {
    std::error_code ec;
    return EndsWith(p.filename().string(), ".lnk") || fs::is_symlink(fs::symlink_status(p, ec));
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
    for (auto& r : k.recipients) r.fingerprint = KeyFingerprint(r.blob);
    if (k.recipients.empty()) return Refusal{EncryptRefusal::NoAvailablePublicKey, {}};
    k.prepared = true;
    return std::nullopt;
}

PayloadStatus EncryptionBatch::EncryptOneFile(const fs::path& source, const fs::path& destination, FileKey& key) {
    CStreamCipher& cipher = m_in.Cipher();
    std::string_view part3;
    if (m_mode == EncryptMode::Folder) {
        if (!m_in.HeldKeys().loaded) {
            m_fatal = true;
            Refuse({EncryptRefusal::PrivateKeyUnreadable, m_in.privateKeyPath.string()});
            return PayloadStatus::Refused;
        }
        part3 = m_in.HeldKeys().keyText;
    } else {
        if (auto refusal = LoadOwnPrivateKey()) {
            Refuse(*refusal);
            return PayloadStatus::Refused;
        }
        part3 = m_keys->keyText;
    }
    // File key: SHA-512 over time, tick count, path and private key bytes.
    const IHost& host = m_in.Host();
    std::string text = container::FileKeyText(host.LocalTime(), host.TickCount(), source.string(), part3);
    CSHA& sha = m_in.Sha();
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

    auto in = OpenFile(source, "rb");
    if (!in) {
        Refuse({EncryptRefusal::InputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    auto out = OpenFile(destination, "wb");
    if (!out) {
        Refuse({EncryptRefusal::OutputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    const auto start = std::chrono::steady_clock::now();
    bool ok = false;
    {
        // The cancel flag is asked after every chunk, so a long file stops
        // in the middle.
        CStreamCipher::ScopedStopCheck stop(cipher, [this] { return m_dialog.CancelRequested(); });
        std::error_code ec;
        const auto size = static_cast<std::int64_t>(fs::file_size(source, ec));
        CStreamCipher::ScopedChunkReport bytes(
            cipher, [&](std::int64_t done) { m_dialog.ReportBytes(source.filename().string(), done, ec ? 0 : size); });
        ok = cipher.CryptFile(in.get(), out.get());
    }
    in.reset();
    const bool closed = std::fclose(out.release()) == 0;
    if (cipher.Stopped()) return PayloadStatus::Stopped;
    if (!ok || !closed) {
        Refuse({EncryptRefusal::OutputCannotOpen, {}});
        return PayloadStatus::Refused;
    }
    // The keystream the sender record is enciphered with continues the payload's.
    key.senderKeystream.fill(0);
    cipher.Crypt(key.senderKeystream.data(), key.senderKeystream.size(), key.senderKeystream.data());

    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::error_code ec;
    const auto size = static_cast<long long>(fs::file_size(source, ec));
    const double mbit = ms > 0 ? static_cast<double>(size) * 8.0 / (ms / 1000.0) / 1024.0 / 1024.0 : 0.0;
    m_throughput = FormatText(m_texts[slot::kThroughputNote], {ms, size, mbit});
    return PayloadStatus::Written;
}

bool EncryptionBatch::WriteRecipients(const fs::path& containerPath, const std::string& sourceName,
                                      const FileKey& key) {
    if (auto refusal = PrepareKeys()) {
        Refuse(*refusal);
        return false;
    }
    const Keys& k = *m_keys;

    auto file = OpenFile(containerPath, "r+b");
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        ShowError(slot::kOutputCannotOpen);
        return false;
    }
    const auto payload = static_cast<std::int64_t>(ftello(file.get()));
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
        ok = std::fwrite(sender.data(), 1, sender.size(), file.get()) == sender.size() &&
             std::fwrite(k.ownPublicKeyFile.data(), 1, k.ownPublicKeyFile.size(), file.get()) ==
                 k.ownPublicKeyFile.size();
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
        auto rsa = RsaEncryptBlock(r.blob, plain);
        SecureWipe(plain);
        if (!rsa || rsa->size() != 128) {
            Refuse({EncryptRefusal::RsaFailure, rsa ? std::string("Bad Length.") : rsa.Error()});
            SecureWipe(f.fileKey);
            return false;
        }
        const auto record =
            container::BuildRecord(f, r.fingerprint, std::span<const std::uint8_t, 128>(rsa->data(), 128));
        ok = std::fwrite(record.data(), 1, record.size(), file.get()) == record.size();
    }
    SecureWipe(f.fileKey);

    if (ok && m_historyManaged && (flags & container::kFlagHistory)) {
        ok = std::fclose(file.release()) == 0;
        if (ok) {
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
            ok = history.AppendNewHistory();
        }
    } else if (ok) {
        ok = std::fwrite(tail.data(), 1, tail.size(), file.get()) == tail.size() && std::fclose(file.release()) == 0;
    }
    if (!ok) ShowError(slot::kOutputCannotOpen);
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

int EncryptionBatch::Run() {
    const EncryptOptions& options = m_in.options;
    const EncryptMode mode = m_mode;

    // 1. Shortcuts and hidden files leave the list.
    std::vector<fs::path> list;
    bool hadShortcut = false, hadHidden = false;
    for (const auto& f : m_in.files) {
        const bool shortcut = IsShortcut(f);
        const bool hidden = IsHidden(f);
        hadShortcut |= shortcut;
        hadHidden |= hidden;
        if (!shortcut && !hidden) list.push_back(f);
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

        // Files that are not encrypted.
        const std::string ext = source.extension().string();
        if (Lower(ext) == container::kExtension) {
            m_dialog.ShowMessage(name + m_texts[slot::kAlreadyEncrypted]);
            m_dialog.StepProgress(1);
            continue;
        }
        if (ext.size() > 1 && Upper(ext.substr(1)) == "VPRI") {
            m_dialog.ShowMessage(name + m_texts[slot::kIsPrivateKeyFile]);
            m_dialog.StepProgress(1);
            continue;
        }
        std::error_code ec;
        if (!fs::is_regular_file(source, ec)) {
            // A folder, device or pipe is no file to encrypt (and opening a
            // pipe would block the batch).
            Refuse({EncryptRefusal::InputCannotOpen, {}});
            m_dialog.StepProgress(1);
            continue;
        }
        if (IsInUse(source)) {
            m_dialog.ShowMessage(FormatText(m_texts[slot::kEditedByAnotherProgram], {name}));
            m_dialog.StepProgress(1);
            continue;
        }
        const auto size = fs::file_size(source, ec);
        if (ec || size > static_cast<std::uintmax_t>(container::kMaxPayloadLength)) {
            m_dialog.ShowMessage(
                ec ? m_texts[slot::kInputCannotOpen] : FormatText(m_texts[slot::kSourceTooLarge], {name}),
                MessageKind::Error);
            m_dialog.StepProgress(1);
            continue;
        }

        // Destination and the overwrite questions.
        const fs::path folder = outputFolder.empty() ? source.parent_path() : outputFolder;
        const fs::path destination = folder / (name + std::string(container::kExtension));
        const std::string destName = destination.filename().string();
        // What this batch wrote itself is never replaced (two sources of
        // the same name into one output folder): refused, source kept.
        if (writtenHere.count(Resolved(destination)) != 0) {
            m_dialog.ShowMessage(FormatText(m_texts[slot::kWrittenEarlierInBatch], {destination.string()}),
                                 MessageKind::Error);
            m_dialog.StepProgress(1);
            continue;
        }
        if (mode != EncryptMode::Folder && fs::exists(fs::symlink_status(destination, ec))) {
            if (IsReadOnlyFile(destination)) {
                m_dialog.ShowMessage(FormatText(m_texts[slot::kReadOnlyCantOverwrite], {destName}),
                                     MessageKind::Warning);
                m_dialog.StepProgress(1);
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
        auto temp = TempFile::CreateBeside(destination);
        if (!temp || !temp->CloseStream()) {
            ShowError(slot::kOutputCannotOpen);
            m_dialog.StepProgress(1);
            continue;
        }
        FileKey key;
        const PayloadStatus payload = EncryptOneFile(source, temp->Path(), key);
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
        if (mode != EncryptMode::Backup && mode != EncryptMode::Folder && m_historyManaged && !m_ownKeyIncluded) {
            if (m_dialog.AskYesNo(QuestionId::NoCreatorInAddress, m_texts[slot::kNoCreatorInAddress])) {
                m_v -= container::kOptionHistory;
                m_historyManaged = false;
            } else {
                (void)WipeFile(temp->Path());
                temp->Discard();
                break;
            }
        }

        if (!WriteRecipients(temp->Path(), name, key)) {
            (void)WipeFile(temp->Path());
            temp->Discard();
            break;
        }
        // On the disk before any source is wiped for it.
        if (auto error = temp->Commit(destination, options.deleteSource)) {
            ShowError(slot::kOutputCannotOpen);
            m_dialog.StepProgress(1);
            continue;
        }
        m_written.push_back(destination);
        writtenHere.insert(Resolved(destination));
        // The renamed entry reaches the disk before the source may go, so a
        // power loss cannot leave neither.
        sources.push_back({source, !options.deleteSource || m_in.syncFolder(destination.parent_path())});
        m_dialog.StepProgress(1);
    }

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
