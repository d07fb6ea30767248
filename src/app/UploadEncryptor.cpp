#include "app/UploadEncryptor.h"

#include "app/MainWindowState.h"
#include "platform/UserDialog.h"

namespace tessarin {

namespace {

// No mail program is ever started for an upload.
class NoMail final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>&) override { return false; }
};

}  // namespace

PipelineUploadEncryptor::PipelineUploadEncryptor(const IHost& host, OwnKeySet own, LanguageTable::Language language)
    : m_host(host), m_own(std::move(own)) {
    m_texts.FillJapanese();
    if (language == LanguageTable::Language::English) m_texts.FillEnglish();
}

bool PipelineUploadEncryptor::EncryptForUpload(const std::filesystem::path& source,
                                               const std::vector<std::filesystem::path>& recipientKeys,
                                               const std::filesystem::path& output) {
    // The pipeline names its output after the source; anything else cannot
    // be produced here.
    if (output.filename() != source.filename().string() + ".tza" || recipientKeys.empty()) return false;
    SilentUserDialog dialog;
    NoMail mail;
    MainWindowState state(m_host, dialog, m_texts, mail);
    state.publicKeyPath = m_own.publicKeyPath;
    state.privateKeyPath = m_own.privateKeyPath;
    state.selfAuthKeyPath = m_own.selfAuthKeyPath;
    state.userName = m_own.userName;
    state.mailAddress = m_own.mailAddress;
    state.recipients = recipientKeys;
    state.options.outputFolder = output.parent_path();
    state.files = {source};
    return state.EncryptFiles(kModeAddressBook) == 1 && state.WrittenContainers().size() == 1 &&
           state.WrittenContainers().front() == output;
}

}  // namespace tessarin
