#include "app/AppCore.h"

#include <system_error>

#include "app/EncryptionBatch.h"
#include "keys/Authentication.h"
#include "keys/KeyBackup.h"
#include "keys/KeyFiles.h"
#include "keys/MemberRecordData.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "qr/PublicKeyQr.h"

namespace tessarin {

namespace fs = std::filesystem;

AppCore::AppCore(const IHost& host, IUserDialog& dialog, LanguageTable& texts, IMailLauncher& mailLauncher)
    : m_host(host),
      m_dialog(dialog),
      m_texts(texts),
      m_keys(dialog, host, texts),
      m_state(host, dialog, texts, mailLauncher) {}

void AppCore::LoadSettings() {
    settings.Read(SettingsFilePath());
}

bool AppCore::SaveSettings() {
    std::error_code ec;
    fs::create_directories(DataHome(), ec);
    return settings.Write(SettingsFilePath());
}

bool AppCore::SaveSmallWindowPosition(int x, int y) {
    settings.smallMenuPositionX = x;
    settings.smallMenuPositionY = y;
    std::error_code ec;
    fs::create_directories(DataHome(), ec);
    IniEditor ini(SettingsFilePath());
    ini.Set(SettingsRecord::kSection, "SmallMenuPositionX", std::to_string(x));
    ini.Set(SettingsRecord::kSection, "SmallMenuPositionY", std::to_string(y));
    return ini.Save();
}

bool AppCore::UseKeySet(const fs::path& keyPairFolder, const std::string& publicKeyName,
                        const std::string& privateKeyName) {
    m_keySetReady = false;
    const fs::path pub = keyPairFolder / publicKeyName;
    const fs::path priv = keyPairFolder / privateKeyName;
    if (!IsMatchingKeyPair(pub, priv)) return false;
    m_keys.SetKeyPair(keyPairFolder, publicKeyName, privateKeyName);
    const std::string name = KeySetNameOfPublicKeyFile(publicKeyName);
    const fs::path keyFolder = KeyFolderPath(keyPairFolder, name);
    std::error_code ec;
    if (fs::is_directory(keyFolder, ec)) (void)m_keys.OpenFolder(keyFolder);

    RefreshDerivedState();
    m_keySetReady = true;
    return true;
}

bool AppCore::UseKeySetFromSettings() {
    if (settings.publicKeyName.empty() || settings.privateKeyName.empty()) return false;
    return UseKeySet(settings.keyPairRoot, settings.publicKeyName, settings.privateKeyName);
}

KeySetCreationResult AppCore::CreateKeySet(const fs::path& keyPairFolder, const KeySetIdentity& identity,
                                           bool activate) {
    CKeySetCreation creation(m_keys, m_dialog, m_host);
    bool asked = false;
    KeySetCreationResult result = creation.CreateFromMainWindow(keyPairFolder, [&]() -> std::optional<KeySetIdentity> {
        if (asked) return std::nullopt;  // a refused name ends the flow here
        asked = true;
        return identity;
    });
    if (!result.Ok()) return result;
    if (!activate) {
        // The key set in use stays the one the settings name.
        if (!UseKeySetFromSettings()) m_keySetReady = false;
        return result;
    }
    settings.keyPairRoot = keyPairFolder.string();
    settings.publicKeyName = result.publicKeyName;
    settings.privateKeyName = result.privateKeyName;
    settings.firstStart = 0;
    if (!SaveSettings()) result.status = KeySetCreationResult::FolderFailed;
    UseKeySet(keyPairFolder, result.publicKeyName, result.privateKeyName);
    return result;
}

std::unique_ptr<container::ISenderFollowUp> AppCore::MakeSenderFollowUp() {
    auto renew = [this](std::uint32_t keyCheck, const container::SenderIdentity& sender) {
        return m_keys.RenewRecord(keyCheck, sender.name, sender.mail);
    };
    auto authenticate = [this](const fs::path& containerPath, const fs::path&, const container::SenderIdentity& sender,
                               std::span<const std::uint8_t, 32>) {
        if (m_keys.KeyFolderPath().empty()) return false;
        // The name is the container's: it names the key file only when it
        // cannot spell an auth key's name.
        const std::string name = KeySetNameFromOwner(sender.name);
        const auto warn = [this](std::string text) { m_dialog.ShowMessage(text, MessageKind::Warning); };
        CKeyManager::SenderKeyStatus status = CKeyManager::SenderKeyStatus::NoKey;
        const auto key = CKeyManager::ExtractSenderKey(containerPath, m_keys.KeyFolderPath(), name, &status);
        if (!key) {
            if (status == CKeyManager::SenderKeyStatus::NameRefused)
                warn(FormatText(m_texts[slot::kSenderNameRefused], {sender.name}));
            else if (status == CKeyManager::SenderKeyStatus::NameTaken)
                warn(FormatText(m_texts[slot::kSenderKeyNameTaken], {PublicKeyFileName(name)}));
            return false;
        }
        CPublicKeyAuthenticator authenticator(m_keys, m_dialog, m_host);
        authenticator.SetSenderFollowUp(
            {FormatText(m_texts[slot::kSenderAlreadyAuthenticated], {sender.name}),
             [this, sender](const std::string& authKey) {
                 return FormatText(m_texts[slot::kSenderAuthKeyExists], {sender.name, authKey});
             }});
        return !authenticator.authenticate(*key, true).empty();
    };
    return std::make_unique<container::KeyDirectorySenderFollowUp>(m_keys, renew, authenticate);
}

fs::path AppCore::SelfAuthKeyPath() const {
    if (m_keys.KeyFolderPath().empty()) return {};
    return m_keys.KeyFolderPath() / SelfAuthKeyFileName(m_keys.KeySetName());
}

// ---- Key operations ----------------------------------------------------------

KeySetOpenResult AppCore::SwitchKeySet(const fs::path& folder, const std::string& name) {
    KeySetOpenResult result;
    if (folder.empty()) {
        result.status = UseKeySetFromSettings() ? KeySetOpenStatus::Opened : KeySetOpenStatus::NoneInSettings;
        return result;
    }
    result.name = name;
    if (result.name.empty()) {
        const auto pairs = CKeySetCreation::FindKeyPairs(folder);
        if (pairs.size() != 1) {
            result.status = pairs.empty() ? KeySetOpenStatus::NoKeyPairIn : KeySetOpenStatus::SeveralKeyPairs;
            return result;
        }
        result.name = KeySetNameOfPublicKeyFile(pairs[0].first);
    }
    result.status = UseKeySet(folder, PublicKeyFileName(result.name), PrivateKeyFileName(result.name))
                        ? KeySetOpenStatus::Opened
                        : KeySetOpenStatus::Incomplete;
    return result;
}

std::string AppCore::KeySetOpenText(const KeySetOpenResult& result, const fs::path& folder) const {
    switch (result.status) {
        case KeySetOpenStatus::Opened:
            return {};
        case KeySetOpenStatus::NoKeyPairIn:
            return FormatText(m_texts[slot::kCliNoKeyPairIn], {folder.string()});
        case KeySetOpenStatus::SeveralKeyPairs:
            return FormatText(m_texts[slot::kCliSeveralKeyPairs], {folder.string()});
        case KeySetOpenStatus::Incomplete:
            return FormatText(m_texts[slot::kCliNoCompleteKeyPair], {result.name, folder.string()});
        case KeySetOpenStatus::NoneInSettings:
            break;
    }
    return m_texts[slot::kCliNoKeySetInUse];
}

std::optional<JobStatus> AppCore::BeginJob(const JobGuard& job, bool needsKeySet) {
    if (!job) return JobStatus::Busy;
    if (needsKeySet && !m_keySetReady) return JobStatus::NoKeySet;
    if (m_keySetReady) RefreshDerivedState();
    return std::nullopt;
}

namespace {

// The result of a job of one item: refused before it started, or done or failed.
JobResult OneItem(std::optional<JobStatus> refused, const fs::path& item, const fs::path& output, bool ok) {
    JobResult result;
    result.requested = 1;
    if (refused) {
        result.status = *refused;
        return result;
    }
    result.items.push_back({item, ok ? output : fs::path{}, ok ? ItemOutcome::Done : ItemOutcome::Failed});
    result.succeeded = ok ? 1 : 0;
    result.status = ok ? JobStatus::Done : JobStatus::ItemsFailed;
    return result;
}

}  // namespace

JobResult AppCore::CreateKeys(const fs::path& keyPairFolder, const KeySetIdentity& identity, KeySetCreationResult& out,
                              bool activate) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return OneItem(refused, keyPairFolder, {}, false);
    (void)CreateKeyFolder(keyPairFolder);  // the generator reports a folder it cannot write to
    out = CreateKeySet(keyPairFolder, identity, activate);
    return OneItem(std::nullopt, keyPairFolder, keyPairFolder / out.publicKeyName, out.Ok());
}

AuthenticateResult AppCore::Authenticate(const fs::path& publicKey, AuthLimitChoice choice,
                                         std::optional<SystemTime> pickedDay) {
    AuthenticateResult result;
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) {
        result.status = *refused;
        return result;
    }
    CPublicKeyAuthenticator authenticator(m_keys, m_dialog, m_host);
    bool asked = false;
    authenticator.SetLimitDialog([&]() -> std::optional<AuthLimit> {
        if (asked) return std::nullopt;  // a refused day ends here instead of asking again
        asked = true;
        return ComputeAuthLimit(choice, m_host.LocalTime(), pickedDay);
    });
    result.authKey = authenticator.authenticate(fs::absolute(publicKey), true);
    result.status = result.authKey.empty() ? JobStatus::ItemsFailed : JobStatus::Done;
    return result;
}

JobResult AppCore::RegisterKeys(const std::vector<fs::path>& keyFiles) {
    return RegisterKeys(keyFiles, std::nullopt);
}

JobResult AppCore::RegisterKeys(const std::vector<fs::path>& keyFiles, const KeyOwner& owner) {
    return RegisterKeys(keyFiles, std::optional<KeyOwner>(owner));
}

bool AppCore::IsPlainPublicKey(const fs::path& keyFile) const {
    return ClassifyKeyFile(keyFile) == KeyFileKind::PublicKey;
}

JobResult AppCore::RegisterKeys(const std::vector<fs::path>& keyFiles, const std::optional<KeyOwner>& owner) {
    JobResult result;
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) {
        result.status = *refused;
        return result;
    }
    // Every answer is in before anything moves: a plain public key without
    // its owner refuses the whole registration.
    if (owner && (owner->name.empty() || owner->email.empty())) {
        for (const auto& f : keyFiles) {
            if (!IsPlainPublicKey(f)) continue;
            result.status = JobStatus::OwnerMissing;
            result.detail = owner->name.empty() ? "name" : "email";
            return result;
        }
    }
    result.requested = static_cast<int>(keyFiles.size());
    for (const auto& f : keyFiles) {
        const fs::path path = fs::absolute(f);
        const CKeyManager::PlainKeyOwner given{owner ? owner->name : std::string(),
                                               owner ? owner->email : std::string()};
        const bool added = m_keys.AddKeyFiles({path}, {}, owner ? &given : nullptr) == 1;
        result.items.push_back({path, {}, added ? ItemOutcome::Done : ItemOutcome::Failed});
        if (added) ++result.succeeded;
    }
    result.status = result.succeeded == result.requested ? JobStatus::Done : JobStatus::ItemsFailed;
    return result;
}

std::optional<bool> AppCore::RecipientAuthenticated(const RecipientSpec& spec, fs::path* keyFile) const {
    if (spec.kind == RecipientKind::Self) return true;
    const auto found = FindRecipient(spec);
    if (!found) return std::nullopt;
    if (keyFile) *keyFile = *found;
    return IsAuthKeyFileName(found->filename().string());
}

std::optional<KeySetView> AppCore::ActiveKeySet() const {
    if (!m_keySetReady) return std::nullopt;
    KeySetView view;
    view.keySetName = KeySetNameOfPublicKeyFile(m_keys.PublicKeyName());
    view.ownerName = m_keys.OwnerName();
    view.ownerEmail = m_keys.OwnerEmail();
    view.folder = m_keys.KeyPairFolder();
    view.publicKey = m_keys.PublicKeyPath();
    if (const auto blob = ReadFirstKeyBlob(view.publicKey)) view.fingerprint = KeyFingerprint(*blob);
    return view;
}

KeySetOpenResult AppCore::ActivateKeySet(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    KeySetOpenResult result = SwitchKeySet(absolute, name);
    if (!result.Ok()) return result;
    settings.keyPairRoot = absolute.string();
    settings.publicKeyName = m_keys.PublicKeyName();
    settings.privateKeyName = m_keys.PrivateKeyName();
    if (!SaveSettings()) result.status = KeySetOpenStatus::NoneInSettings;
    return result;
}

JobResult AppCore::OwnQrJob(QrViewBitmap& out, const fs::path& saveTo) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) return OneItem(refused, {}, {}, false);
    const auto view = OwnQrView();
    if (view.picture.width == 0) return OneItem(std::nullopt, view.publicKey, {}, false);
    out = view.picture;
    if (saveTo.empty()) return OneItem(std::nullopt, view.publicKey, {}, true);
    const bool saved = SaveQrViewPicture(out, saveTo);
    if (!saved) m_dialog.ShowMessage(m_texts[slot::kQrFileOpenError] + ": " + saveTo.string(), MessageKind::Error);
    return OneItem(std::nullopt, view.publicKey, saveTo, saved);
}

std::vector<KeyRow> AppCore::ListKeys() const {
    std::vector<KeyRow> rows;
    for (int i = 0; i < m_keys.Count(); ++i)
        rows.push_back({m_keys.Row(i), m_keys.OpenFolderPath() / m_keys.File(i), m_keys.IsAuthIndex(i)});
    return rows;
}

std::string AppCore::RecipientRefusal(const fs::path& keyFile) const {
    RecipientKeyInfo info;
    switch (m_keys.RecipientKey(keyFile, info)) {
        case RecipientKeyStatus::Ok:
            return {};
        case RecipientKeyStatus::AuthKeyMissing:
            return tessarin::RefusalText(m_texts, {EncryptRefusal::AuthKeyMissing, {}});
        case RecipientKeyStatus::NotAuthenticated:
            return tessarin::RefusalText(m_texts, {EncryptRefusal::NotAuthenticated, {}});
        case RecipientKeyStatus::WrongKey:
            return tessarin::RefusalText(m_texts, {EncryptRefusal::WrongKey, {}});
        case RecipientKeyStatus::PrivateKeyMissing:
            return tessarin::RefusalText(m_texts,
                                         {EncryptRefusal::PrivateKeyUnreadable, m_keys.PrivateKeyPath().string()});
        case RecipientKeyStatus::NotAKey:
            break;
    }
    return FormatText(m_texts[slot::kNotUsableKey], {keyFile.filename().string()});
}

std::optional<fs::path> AppCore::PublicKeyOfKeySet(const fs::path& folder, const std::string& name) const {
    if (folder.empty()) {
        if (settings.publicKeyName.empty()) return std::nullopt;
        return fs::path(settings.keyPairRoot) / settings.publicKeyName;
    }
    if (!name.empty()) return folder / PublicKeyFileName(name);
    // The one public key of the folder's own key set.
    std::optional<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string file = e.path().filename().string();
        if (e.path().extension() != ".vpub" || IsAuthKeyFileName(file)) continue;
        if (found) return std::nullopt;
        found = e.path();
    }
    return found;
}

BackupResult AppCore::BackupKey(bool offerSending) {
    JobGuard job(m_jobRunning);
    BackupResult result;
    if (const auto refused = BeginJob(job, true)) {
        result.status = *refused;
        return result;
    }
    KeyBackupFlow flow(m_state, m_state.MailLauncher(), DataHome());
    flow.offerSending = offerSending;
    result.outcome = flow.Backup();
    result.shares = flow.Paths();
    return result;
}

JobResult AppCore::RequestKeyRepair() {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) return OneItem(refused, {}, {}, false);
    KeyBackupFlow flow(m_state, m_state.MailLauncher(), DataHome());
    const bool sent = flow.RequestRepair();
    return OneItem(std::nullopt, flow.Paths().user, {}, sent);
}

JobResult AppCore::SendRepairFragment() {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return OneItem(refused, {}, {}, false);
    KeyBackupFlow flow(m_state, m_state.MailLauncher(), DataHome());
    const auto fragment = flow.DataFolder() / kRepairFragmentFileName;
    const bool sent = flow.SendRepairFragment(m_keySetReady ? flow.KeySetName() : std::string());
    return OneItem(std::nullopt, fragment, {}, sent);
}

std::string AppCore::RepairHowToText() const {
    return FormatText(m_texts[slot::kKeyRepairHowTo],
                      {std::string(member_data::kMakerKeyMail), (DataHome() / kRepairFragmentFileName).string(),
                       m_texts[slot::kRepairSubject]});
}

SharePaths AppCore::OwnSharePaths() const {
    if (!m_keySetReady) return {};
    return BackupSharePaths(DataHome(), m_keys.PublicKeyPath().stem().string());
}

std::string AppCore::CheckRegistrationInput(std::string_view name, std::string_view mailAddress) const {
    if (name.empty()) return m_texts[slot::kOwnerNameMissing];
    if (mailAddress.empty()) return m_texts[slot::kOwnerAddressMissing];
    return {};
}

std::string AppCore::RegistrationPageUrl(std::string_view name, std::string_view mailAddress) const {
    return BuildRegistrationUrl(false, {std::string(mailAddress), std::string(name), m_keys.PublicKeyPath()});
}

JobResult AppCore::RestoreKey(const fs::path& userShare, const fs::path& makerShare, const fs::path& publicKey,
                              const fs::path& out) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return OneItem(refused, out, {}, false);
    std::string message;
    switch (RestorePrivateKeyFile(userShare, makerShare, publicKey, out)) {
        case KeyRestoreStatus::Ok:
            break;
        case KeyRestoreStatus::UserShareUnreadable:
            message = FormatText(m_texts[slot::kShareUnreadable], {userShare.string()});
            break;
        case KeyRestoreStatus::MakerShareUnreadable:
            message = FormatText(m_texts[slot::kShareUnreadable], {makerShare.string()});
            break;
        case KeyRestoreStatus::PublicKeyUnreadable:
            message = m_texts[slot::kPublicKeyNotFound] + " (" + publicKey.string() + ")";
            break;
        case KeyRestoreStatus::NoMatch:
            message = m_texts[slot::kRestoreRefused];
            break;
        case KeyRestoreStatus::OutputExists:
            message = m_texts[slot::kKeyFilesExist];
            break;
        case KeyRestoreStatus::WriteFailed:
            message = m_texts[slot::kKeyFileWriteFailed];
            break;
    }
    if (!message.empty()) m_dialog.ShowMessage(message, MessageKind::Error, {});
    return OneItem(std::nullopt, out, out, message.empty());
}

}  // namespace tessarin
