#include "app/MainWindowState.h"

#include "app/EncryptionBatch.h"
#include "container/ContainerFormat.h"
#include "keys/KeyFiles.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

MainWindowState::MainWindowState(const IHost& host, IUserDialog& dialog, LanguageTable& texts,
                                 IMailLauncher& mailLauncher)
    : m_host(host), m_dialog(dialog), m_texts(texts), m_mailLauncher(mailLauncher) {}

MainWindowState::~MainWindowState() {
    SecureWipe(m_held.authValue);
    SecureWipe(m_held.privateKeyDigest);
    SecureWipe(reinterpret_cast<std::uint8_t*>(m_held.keyText.data()), m_held.keyText.size());
}

bool MainWindowState::LoadHeldKeyMaterial() {
    m_held = HeldKeyMaterial{};
    auto refuse = [&](EncryptRefusal kind, const std::filesystem::path& path = {}) {
        m_dialog.ShowMessage(RefusalText(m_texts, {kind, path.string()}), MessageKind::Error);
        return false;
    };
    auto priv = ReadPrivateKeyFile(privateKeyPath);
    if (!priv) return refuse(EncryptRefusal::PrivateKeyUnreadable, privateKeyPath);
    auto pub = ReadPublicKeyFile(publicKeyPath);
    if (!pub) return refuse(EncryptRefusal::PublicKeyUnreadable, publicKeyPath);
    auto self = ReadAuthKeyFile(selfAuthKeyPath);
    if (!self) return refuse(AuthKeyRefusal(self.Status()));
    auto record = DecryptAuthRecord(priv->Blob(), self->recordCipher);
    if (!record) return refuse(EncryptRefusal::WrongKey);
    auto digest = container::PrivateKeyDigest(priv->bytes);
    auto text = container::KeyTextFromPrivateKey(priv->bytes);
    if (!digest || !text) return false;
    m_held.publicKeyFile = BuildPublicKeyFile(pub->blob);
    m_held.authValue = record->secret;
    m_held.privateKeyDigest = *digest;
    m_held.keyText = std::move(*text);
    m_held.loaded = true;
    return true;
}

int MainWindowState::EncryptFiles(EncryptMode mode) {
    EncryptionBatch batch(*this, mode);
    const int succeeded = batch.Run();
    m_lastWritten = batch.WrittenContainers();
    m_lastThroughput = batch.ThroughputNote();
    return succeeded;
}

int MainWindowState::EncryptFolder(const std::filesystem::path& folder) {
    files = EncryptionBatch::CollectFolder(*this, folder);
    if (files.empty()) return 0;
    return EncryptFiles(kModeFolder);
}

}  // namespace tessarin
