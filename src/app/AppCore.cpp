#include "app/AppCore.h"

#include <system_error>

#include "keys/Authentication.h"
#include "keys/KeyFiles.h"
#include "platform/Paths.h"

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

    m_state.publicKeyPath = pub;
    m_state.privateKeyPath = priv;
    m_state.selfAuthKeyPath = SelfAuthKeyPath();
    m_state.userName = m_keys.OwnerName();
    m_state.mailAddress = m_keys.OwnerEmail();
    m_keySetReady = true;
    return true;
}

bool AppCore::UseKeySetFromSettings() {
    if (settings.publicKeyName.empty() || settings.privateKeyName.empty()) return false;
    return UseKeySet(settings.keyPairRoot, settings.publicKeyName, settings.privateKeyName);
}

KeySetCreationResult AppCore::CreateKeySet(const fs::path& keyPairFolder, const KeySetIdentity& identity) {
    CKeySetCreation creation(m_keys, m_dialog, m_host);
    bool asked = false;
    KeySetCreationResult result = creation.CreateFromMainWindow(keyPairFolder, [&]() -> std::optional<KeySetIdentity> {
        if (asked) return std::nullopt;  // a refused name ends the flow here
        asked = true;
        return identity;
    });
    if (!result.Ok()) return result;
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

}  // namespace tessarin
