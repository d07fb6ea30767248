// The encryption pipeline: a batch of source files to containers.

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
#include "app/MainWindowState.h"
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

void MainWindowState::ShowError(int slotNumber) {
    m_dialog.ShowMessage(m_texts[slotNumber], MessageKind::Error);
}
void MainWindowState::ShowError(const std::string& text) {
    m_dialog.ShowMessage(text, MessageKind::Error);
}

void MainWindowState::ResetBatch() {
    m_keys = std::make_unique<BatchKeys>();
    m_written.clear();
    m_v = 0;
    m_historyManaged = false;
    m_ownKeyIncluded = false;
    m_limitSeconds = 0;
    m_limitFromFirstDecryption = false;
    m_batchRecipients.clear();
}

bool MainWindowState::LoadOwnPrivateKey() {
    if (m_keys->privateKey) return true;
    auto priv = ReadPrivateKeyFile(privateKeyPath);
    std::optional<std::string> text;
    std::optional<std::array<std::uint8_t, 32>> digest;
    if (priv) {
        text = container::KeyTextFromPrivateKey(priv->bytes);
        digest = container::PrivateKeyDigest(priv->bytes);
    }
    if (!priv || !text || !digest) {
        ShowError(FormatText(m_texts[slot::kCannotOpenPrivateKey], {privateKeyPath.string()}));
        m_keys->fatal = true;
        return false;
    }
    m_keys->keyText = std::move(*text);
    m_keys->privateKeyDigest = *digest;
    m_keys->privateKey = std::move(priv.Value());
    return true;
}

bool MainWindowState::PrepareBatchKeys() {
    BatchKeys& k = *m_keys;
    if (k.prepared) return true;
    const bool held = m_mode == kModeFolder;
    ByteVector ownBlob;
    if (held) {
        if (!m_held.loaded) {
            ShowError(FormatText(m_texts[slot::kCannotOpenPrivateKey], {privateKeyPath.string()}));
            return false;
        }
        k.privateKeyDigest = m_held.privateKeyDigest;
        k.ownPublicKeyFile = m_held.publicKeyFile;
    } else {
        if (!LoadOwnPrivateKey()) return false;
        auto pub = ReadPublicKeyFile(publicKeyPath);
        if (!pub) {
            ShowError(FormatText(m_texts[slot::kKeyNotFound], {publicKeyPath.string()}));
            return false;
        }
        k.ownPublicKeyFile = BuildPublicKeyFile(pub->blob);
    }
    ownBlob.assign(k.ownPublicKeyFile.begin() + 4, k.ownPublicKeyFile.end());
    k.senderKeyCheck = container::SenderKeyCheck(ownBlob);
    k.machineDigest = container::MachineDigest(machineValue, m_host.UserName(), m_host.ComputerName());

    if (m_mode == kModeFolder) {
        RecipientKey r;
        r.path = selfAuthKeyPath;
        r.blob = ownBlob;
        r.authValue = m_held.authValue;
        r.isOwn = true;
        k.recipients.push_back(std::move(r));
    } else if (m_mode == kModeBackup) {
        if (makerPublicKeyFile.size() <= 4) {
            ShowError(m_texts[slot::kNoAvailablePublicKey]);
            return false;
        }
        RecipientKey r;
        r.blob.assign(makerPublicKeyFile.begin() + 4, makerPublicKeyFile.end());
        k.recipients.push_back(std::move(r));
    } else {
        for (const auto& path : m_batchRecipients) {
            RecipientKey r;
            r.path = path;
            r.isOwn = SamePath(path, selfAuthKeyPath);
            if (IsAuthKeyFileName(path.filename().string())) {
                auto auth = ReadAuthKeyFile(path);
                if (!auth) {
                    ShowError(auth.Status() == KeyFileStatus::Missing || auth.Status() == KeyFileStatus::Unreadable
                                  ? slot::kAuthKeyNotFound
                                  : slot::kNotAuthenticated);
                    return false;
                }
                auto record = DecryptAuthRecord(k.privateKey->Blob(), auth->recordCipher);
                if (!record) {
                    ShowError(slot::kUseRightPublicKey);
                    return false;
                }
                r.blob = auth->issuerBlob;
                r.authValue = record->secret;
                r.name = record->name;
                r.mail = record->email;
            } else {
                auto blob = ReadFirstKeyBlob(path);
                if (!blob) {
                    ShowError(slot::kAuthKeyNotFound);
                    return false;
                }
                r.blob = std::move(blob.Value());
                r.name = container::StoredName(path.stem().string());
            }
            k.recipients.push_back(std::move(r));
        }
    }
    for (auto& r : k.recipients) r.fingerprint = KeyFingerprint(r.blob);
    k.prepared = true;
    return true;
}

bool MainWindowState::EncryptOneFile(const fs::path& source, const fs::path& destination, bool useHeldKeys) {
    if (!m_keys) m_keys = std::make_unique<BatchKeys>();
    std::string_view part3;
    if (useHeldKeys) {
        if (!m_held.loaded) {
            ShowError(FormatText(m_texts[slot::kCannotOpenPrivateKey], {privateKeyPath.string()}));
            m_keys->fatal = true;
            return false;
        }
        part3 = m_held.keyText;
    } else {
        if (!LoadOwnPrivateKey()) return false;
        part3 = m_keys->keyText;
    }
    // File key: SHA-512 over time, tick count, path and private key bytes.
    std::string text = container::FileKeyText(m_host.LocalTime(), m_host.TickCount(), source.string(), part3);
    m_sha.Init();
    m_sha.Update({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    auto digest = m_sha.Final();
    SecureWipe(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    m_cipher.SetWordCount(CStreamCipher::kWordCount);
    m_cipher.SetKey(std::span<const std::uint8_t>(digest.data(), container::kFileKeySize));
    SecureWipe(digest);

    auto in = OpenFile(source, "rb");
    if (!in) {
        ShowError(slot::kInputCannotOpen);
        return false;
    }
    auto out = OpenFile(destination, "wb");
    if (!out) {
        ShowError(slot::kOutputCannotOpen);
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = m_cipher.CryptFile(in.get(), out.get());
    in.reset();
    const bool closed = std::fclose(out.release()) == 0;
    if (!ok || !closed) {
        ShowError(slot::kOutputCannotOpen);
        return false;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::error_code ec;
    const auto size = static_cast<long long>(fs::file_size(source, ec));
    const double mbit = ms > 0 ? static_cast<double>(size) * 8.0 / (ms / 1000.0) / 1024.0 / 1024.0 : 0.0;
    m_throughput = FormatText(m_texts[slot::kThroughputNote], {ms, size, mbit});
    return true;
}

bool MainWindowState::WriteRecipients(const fs::path& containerPath, const std::string& sourceName, int mode) {
    m_mode = mode;
    if (!m_keys) m_keys = std::make_unique<BatchKeys>();
    if (!PrepareBatchKeys()) return false;
    BatchKeys& k = *m_keys;
    if (k.recipients.empty()) {
        ShowError(slot::kNoAvailablePublicKey);
        return false;
    }

    std::array<std::uint32_t, 8> words{};
    if (!m_cipher.GetKey(words.data())) return false;
    std::array<std::uint8_t, container::kFileKeySize> fileKey{};
    for (std::size_t i = 0; i < words.size(); ++i) StoreLe32(fileKey.data() + 4 * i, words[i]);
    SecureWipe(reinterpret_cast<std::uint8_t*>(words.data()), sizeof words);

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

    bool ok = true;
    if (flags & container::kFlagSender) {
        auto sender = container::BuildSenderRecord(container::StoredName(userName), container::StoredName(mailAddress));
        m_cipher.Crypt(sender.data(), sender.size(), sender.data());
        ok = std::fwrite(sender.data(), 1, sender.size(), file.get()) == sender.size() &&
             std::fwrite(k.ownPublicKeyFile.data(), 1, k.ownPublicKeyFile.size(), file.get()) ==
                 k.ownPublicKeyFile.size();
    }

    container::RecipientFields f;
    f.fileKey = fileKey;
    f.name = container::BuildNameField(container::StoredName(sourceName));
    f.machineDigest = k.machineDigest;
    f.encryptionTime = m_host.LocalTime();
    const bool noLimit = mode == kModeBackup || mode == kModeFolder;
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
            ShowError(m_texts[slot::kCryptApiError] + (rsa ? std::string("Bad Length.") : rsa.Error()));
            SecureWipe(fileKey);
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
            CArchiveHistoryMan history(m_host);
            history.Open(containerPath.parent_path());
            // One user per record, in record order: a reader logs itself
            // under the index of the record it decrypted.
            std::vector<CArchiveHistoryMan::UserEntry> users;
            std::int32_t creator = 0;
            for (const auto& r : k.recipients) {
                if (r.isOwn) {
                    creator = static_cast<std::int32_t>(users.size());
                    users.push_back({container::StoredName(userName), container::StoredName(mailAddress)});
                } else {
                    users.push_back({r.name, r.mail});
                }
            }
            history.SetUsers(std::move(users));
            history.AppendRecord(creator, CArchiveHistoryMan::Created);
            history.SetContainer(containerPath, tail, fileKey);
            ok = history.AppendNewHistory();
        }
    } else if (ok) {
        ok = std::fwrite(tail.data(), 1, tail.size(), file.get()) == tail.size() && std::fclose(file.release()) == 0;
    }
    SecureWipe(fileKey);
    if (!ok) ShowError(slot::kOutputCannotOpen);
    return ok;
}

int MainWindowState::EncryptFiles(int mode) {
    ResetBatch();
    m_mode = mode;

    // 1. Shortcuts and hidden files leave the list.
    std::vector<fs::path> list;
    bool hadShortcut = false, hadHidden = false;
    for (const auto& f : files) {
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

    // The option value V and the limit.
    TimeLimitResult limit;
    const bool limitApplies = mode == kModeCommand || mode == kModeSelf || mode == kModeAddressBook ||
                              (mode == kModeOptions && options.optionsLimitChecked);
    if (limitApplies) {
        limit = ComputeTimeLimit(options.timeLimit, m_host);
        if (limit.problem != TimeLimitResult::Problem::None) {
            if (limit.messageSlot != 0) m_dialog.ShowMessage(m_texts[limit.messageSlot], MessageKind::Warning);
            return 0;
        }
    }
    m_limitSeconds = limit.seconds;
    m_limitFromFirstDecryption = limit.fromFirstDecryption;
    switch (mode) {
        case kModeCommand:
        case kModeAddressBook:
            m_v = (m_limitSeconds ? container::kOptionTimeLimit : 0) +
                  (options.manageLogs ? container::kOptionHistory : 0);
            break;
        case kModeSelf:
            m_v = container::kOptionHistory;
            break;
        case kModeOptions:
            m_v = !optionsCheckBox ? container::kOptionHistory
                                   : (m_limitSeconds ? container::kOptionTimeLimit : 0) +
                                         (options.manageLogs ? container::kOptionHistory : 0);
            break;
        default:
            m_v = 0;
            break;
    }

    // Recipients: the chosen keys plus the own self auth key unless left out.
    const bool addOwn =
        mode == kModeSelf ||
        ((mode == kModeCommand || mode == kModeAddressBook || mode == kModeOptions) && !options.withoutMyAddress);
    if (mode != kModeBackup && mode != kModeFolder) {
        if (mode != kModeSelf) m_batchRecipients = recipients;
        if (addOwn) {
            std::error_code ec;
            if (!fs::exists(selfAuthKeyPath, ec)) {
                m_dialog.ShowMessage(m_texts[slot::kNoSelfAuthKey], MessageKind::Error);
                return 0;
            }
            m_batchRecipients.insert(m_batchRecipients.begin(), selfAuthKeyPath);
        }
        // The same key twice would give two records and break the history's
        // one-user-per-record count.
        std::vector<fs::path> unique;
        for (const auto& r : m_batchRecipients)
            if (std::none_of(unique.begin(), unique.end(), [&](const fs::path& u) { return SamePath(u, r); }))
                unique.push_back(r);
        m_batchRecipients = std::move(unique);
        if (std::any_of(m_batchRecipients.begin(), m_batchRecipients.end(),
                        [](const fs::path& p) { return !IsAuthKeyFileName(p.filename().string()); }))
            m_v += container::kOptionSender;
        // 3. Missing key files are dropped.
        std::string missing;
        std::vector<fs::path> present;
        for (const auto& r : m_batchRecipients) {
            std::error_code ec;
            if (fs::is_regular_file(r, ec))
                present.push_back(r);
            else
                missing += FormatText(m_texts[slot::kKeyNotFound], {r.filename().string()});
        }
        if (!missing.empty()) m_dialog.ShowMessage(missing, MessageKind::Warning);
        m_batchRecipients = std::move(present);
        if (m_batchRecipients.empty()) {
            m_dialog.ShowMessage(m_texts[slot::kNoAvailablePublicKey], MessageKind::Error);
            return 0;
        }
        m_ownKeyIncluded = std::any_of(m_batchRecipients.begin(), m_batchRecipients.end(),
                                       [&](const fs::path& p) { return SamePath(p, selfAuthKeyPath); });
    } else if (mode == kModeBackup) {
        m_v += container::kOptionSender;
    }
    m_historyManaged = (m_v & container::kOptionHistory) != 0 && mode != kModeBackup && mode != kModeFolder;

    // 4. Progress and the wait window.
    const auto total = static_cast<long long>(list.size());
    if (mode != kModeAddressBook && mode != kModeBackup && mode != kModeFolder) {
        m_dialog.SetProgressRange(total);
    }
    m_dialog.SetStatus(m_texts[slot::kEncryptProcessing]);

    // The output folder.
    fs::path outputFolder;
    {
        std::error_code ec;
        const bool useOutput = mode == kModeOptions ? optionsCheckBox : true;
        if (useOutput && !options.outputFolder.empty() && fs::is_directory(options.outputFolder, ec))
            outputFolder = options.outputFolder;
    }

    struct Written {
        fs::path source;
        bool durable = false;  // the container is on the disk under its name
    };
    std::vector<Written> sources;
    std::set<fs::path> writtenHere;  // the containers written, resolved
    bool overwriteAll = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (m_dialog.CancelRequested()) break;
        const fs::path& source = list[i];
        const std::string name = source.filename().string();
        const auto position = static_cast<long long>(i + 1);
        if (mode == kModeFolder) {
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
            m_dialog.ShowMessage(m_texts[slot::kInputCannotOpen], MessageKind::Error);
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
        if (mode != kModeFolder && fs::exists(fs::symlink_status(destination, ec))) {
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
        if (!EncryptOneFile(source, temp->Path(), mode == kModeFolder)) {
            m_cipher.Clear(false);
            if (m_keys->fatal) break;
            m_dialog.StepProgress(1);
            continue;
        }

        // History pre-check.
        if (mode != kModeBackup && mode != kModeFolder && m_historyManaged && !m_ownKeyIncluded) {
            if (m_dialog.AskYesNo(QuestionId::NoCreatorInAddress, m_texts[slot::kNoCreatorInAddress])) {
                m_v -= container::kOptionHistory;
                m_historyManaged = false;
            } else {
                (void)WipeFile(temp->Path());
                temp->Discard();
                m_cipher.Clear(false);
                break;
            }
        }

        if (!WriteRecipients(temp->Path(), name, mode)) {
            (void)WipeFile(temp->Path());
            temp->Discard();
            m_cipher.Clear(false);
            break;
        }
        // On the disk before any source is wiped for it.
        if (auto error = temp->Commit(destination, options.deleteSource)) {
            ShowError(m_texts[slot::kOutputCannotOpen]);
            m_cipher.Clear(false);
            m_dialog.StepProgress(1);
            continue;
        }
        m_written.push_back(destination);
        writtenHere.insert(Resolved(destination));
        // The renamed entry reaches the disk before the source may go, so a
        // power loss cannot leave neither.
        sources.push_back({source, !options.deleteSource || syncFolder(destination.parent_path())});
        m_cipher.Clear(false);
        m_dialog.StepProgress(1);
    }

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
    const long long succeeded = count - failedWipes;
    m_dialog.ShowMessage(FormatText(m_texts[slot::kEncryptSucceeded], {succeeded}));
    m_keys.reset();
    return static_cast<int>(succeeded);
}

int MainWindowState::EncryptFolder(const fs::path& folder) {
    std::vector<fs::path> collected;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) collected.push_back(it->path());
    }
    std::sort(collected.begin(), collected.end());
    if (collected.size() > 1000 && !m_dialog.AskYesNo(QuestionId::ManyFiles, m_texts[slot::kOver1000Files])) return 0;

    bool noticeSuppressed = false;
    // The notice dialog: OK, or its check box that hides it for the rest of the run.
    auto notice = [&](int textSlot) {
        if (noticeSuppressed) return;
        ContinueConfirm box{};
        box.id = QuestionId::FilesInUse;
        box.title = m_texts[slot::kContinuesCheckTitle];
        box.text = m_texts[textSlot];
        box.captions = {m_texts[slot::kCaptionOk], m_texts[slot::kDoNotShowAgain], "", ""};
        if (m_dialog.AskContinue(box) == ContinueConfirm::All) noticeSuppressed = true;
    };

    files.clear();
    for (const auto& f : collected) {
        if (IsReadOnlyFile(f)) {
            notice(slot::kReadOnlyInFolder);
            continue;
        }
        bool dropped = false;
        while (IsInUse(f)) {
            if (noticeInsteadOfRepeat) {
                notice(slot::kOpenedFileInFolder);
                dropped = true;
                break;
            }
            m_dialog.ShowMessage(m_texts[slot::kOpenedFileInFolder], MessageKind::Warning);
            if (m_dialog.CancelRequested()) {
                dropped = true;
                break;
            }
        }
        if (!dropped) files.push_back(f);
    }
    if (files.empty()) return 0;
    return EncryptFiles(kModeFolder);
}

}  // namespace tessarin
