#include "app/MainWindowState.h"

#include "app/EncryptBatch.h"
#include "container/ContainerFormat.h"
#include "keys/KeyFiles.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

MainWindowState::MainWindowState(const IHost& host, IUserDialog& dialog, LanguageTable& texts,
                                 IMailLauncher& mailLauncher)
    : m_host(host), m_dialog(dialog), m_texts(texts), m_mail(mailLauncher) {}

MainWindowState::~MainWindowState() {
    SecureWipe(m_held.authValue);
    SecureWipe(m_held.privateKeyDigest);
    SecureWipe(reinterpret_cast<std::uint8_t*>(m_held.keyText.data()), m_held.keyText.size());
}

bool MainWindowState::LoadHeldKeyMaterial() {
    m_held = HeldKeyMaterial{};
    auto priv = ReadPrivateKeyFile(privateKeyPath);
    if (!priv) {
        m_dialog.ShowMessage(FormatText(m_texts[slot::kCannotOpenPrivateKey], {privateKeyPath.string()}),
                             MessageKind::Error);
        return false;
    }
    auto pub = ReadPublicKeyFile(publicKeyPath);
    if (!pub) {
        m_dialog.ShowMessage(FormatText(m_texts[slot::kKeyNotFound], {publicKeyPath.string()}), MessageKind::Error);
        return false;
    }
    auto self = ReadAuthKeyFile(selfAuthKeyPath);
    if (!self) {
        m_dialog.ShowMessage(
            m_texts[self.Status() == KeyFileStatus::Missing || self.Status() == KeyFileStatus::Unreadable
                        ? slot::kAuthKeyNotFound
                        : slot::kNotAuthenticated],
            MessageKind::Error);
        return false;
    }
    auto record = DecryptAuthRecord(priv->Blob(), self->recordCipher);
    if (!record) {
        m_dialog.ShowMessage(m_texts[slot::kUseRightPublicKey], MessageKind::Error);
        return false;
    }
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

}  // namespace tessarin
