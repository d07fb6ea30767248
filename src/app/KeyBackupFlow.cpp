#include "app/KeyBackupFlow.h"

#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

#include "app/MainWindowState.h"
#include "container/WipeFile.h"
#include "core/LanguageTable.h"
#include "keys/KeyFiles.h"
#include "keys/KeySetCreation.h"
#include "keys/MakerKeys.h"
#include "keys/MemberRecordData.h"
#include "platform/UserDialog.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// A folder of its own (owner-only) for the container of one send, removed
// with whatever is left in it.
class SendFolder final {
public:
    explicit SendFolder(const fs::path& parent) {
        std::error_code ec;
        fs::create_directories(parent, ec);
        std::string pattern = (parent / ".keysend-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~SendFolder() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    SendFolder(const SendFolder&) = delete;
    SendFolder& operator=(const SendFolder&) = delete;
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

// The state's batch inputs, put back when a send is done with them.
class BatchInputsGuard final {
public:
    explicit BatchInputsGuard(MainWindowState& state)
        : m_state(state),
          m_files(std::move(state.files)),
          m_options(std::move(state.options)),
          m_maker(std::move(state.makerPublicKeyFile)) {}
    ~BatchInputsGuard() {
        m_state.files = std::move(m_files);
        m_state.options = std::move(m_options);
        m_state.makerPublicKeyFile = std::move(m_maker);
    }
    BatchInputsGuard(const BatchInputsGuard&) = delete;
    BatchInputsGuard& operator=(const BatchInputsGuard&) = delete;

private:
    MainWindowState& m_state;
    std::vector<fs::path> m_files;
    EncryptOptions m_options;
    std::vector<std::uint8_t> m_maker;
};

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

}  // namespace

KeyBackupFlow::KeyBackupFlow(MainWindowState& state, IMailLauncher& mailLauncher, fs::path dataFolder)
    : m_state(state), m_mail(mailLauncher), m_dataFolder(std::move(dataFolder)) {}

std::string KeyBackupFlow::KeySetName() const {
    return m_state.publicKeyPath.stem().string();
}

SharePaths KeyBackupFlow::Paths() const {
    return BackupSharePaths(m_dataFolder, KeySetName());
}

std::string KeyBackupFlow::SenderLine() const {
    std::string id;
    if (auto pub = ReadPublicKeyFile(m_state.publicKeyPath)) id = BackupIdentificationText(pub->blob);
    return FormatText(m_state.Texts()[slot::kShareSenderLine], {m_state.userName, m_state.mailAddress, id});
}

std::optional<BigNumber> KeyBackupFlow::UserPointOfKeySet() const {
    if (!IsMatchingKeyPair(m_state.publicKeyPath, m_state.privateKeyPath)) return std::nullopt;
    auto pub = ReadPublicKeyFile(m_state.publicKeyPath);
    if (!pub) return std::nullopt;
    return UserPoint(BackupIdentificationText(pub->blob));
}

bool KeyBackupFlow::MakeShares() {
    const auto x1 = UserPointOfKeySet();
    std::error_code ec;
    fs::create_directories(m_dataFolder, ec);
    if (!x1 || WriteKeyShares(m_state.privateKeyPath, *x1, Paths()) != ShareWriteStatus::Ok) {
        m_state.Dialog().ShowMessage(m_state.Texts()[slot::kBackupFailed], MessageKind::Warning);
        return false;
    }
    return true;
}

KeyBackupFlow::Outcome KeyBackupFlow::Backup() {
    IUserDialog& dialog = m_state.Dialog();
    const LanguageTable& texts = m_state.Texts();
    const SharePaths paths = Paths();
    if (Exists(paths.user)) {
        const auto x1 = UserPointOfKeySet();
        if (offerSending && x1 && SharesRestoreFile(paths, *x1, m_state.privateKeyPath)) {
            // Both made earlier for this key: send those instead of splitting
            // again. Shares of an earlier key of the same name are never
            // offered: the overwrite question comes instead.
            if (!dialog.AskYesNo(QuestionId::SendBackupShare, texts[slot::kBackupSendExisting]))
                return Outcome::Declined;
            return SendShare(paths.maker, ShareKind::Backup) ? Outcome::Sent : Outcome::Failed;
        }
        if (!dialog.AskYesNo(QuestionId::OverwriteBackupShares, texts[slot::kBackupOverwrite]))
            return Outcome::Declined;
    }
    if (!MakeShares()) return Outcome::Failed;
    if (!offerSending || !dialog.AskYesNo(QuestionId::SendBackupShare, texts[slot::kBackupSendQuestion]))
        return Outcome::SharesMade;
    return SendShare(paths.maker, ShareKind::Backup) ? Outcome::Sent : Outcome::Failed;
}

bool KeyBackupFlow::RequestRepair() {
    IUserDialog& dialog = m_state.Dialog();
    const SharePaths paths = Paths();
    std::error_code ec;
    if (!fs::is_regular_file(paths.user, ec)) {
        dialog.ShowMessage(m_state.Texts()[slot::kNoUserShare], MessageKind::Warning);
        return false;
    }
    if (!dialog.AskYesNo(QuestionId::SendRepairRequest, m_state.Texts()[slot::kRepairSendQuestion])) return false;
    return SendShare(paths.user, ShareKind::Repair);
}

bool KeyBackupFlow::SendShare(const fs::path& share, ShareKind kind) {
    IUserDialog& dialog = m_state.Dialog();
    const LanguageTable& texts = m_state.Texts();
    const SendFolder folder(m_dataFolder);
    if (folder.Path().empty()) {
        dialog.ShowMessage(texts[slot::kOutputCannotOpen], MessageKind::Error);
        return false;
    }
    fs::path container;
    {
        const BatchInputsGuard guard(m_state);
        m_state.files = {share};
        // No wiping, no mail of its own, no limit: only the folder of this send.
        m_state.options = EncryptOptions{};
        m_state.options.outputFolder = folder.Path();
        const auto maker = MakerPublicKeyFile(kClientMakerKeyId);
        m_state.makerPublicKeyFile.assign(maker.begin(), maker.end());
        if (m_state.EncryptFiles(kModeBackup) == 1 && m_state.WrittenContainers().size() == 1)
            container = m_state.WrittenContainers().front();
    }
    if (container.empty()) return false;

    const bool backup = kind == ShareKind::Backup;
    m_mail.Reset();
    m_mail.AddRecipient(member_data::kMakerKeyMail, MailMessage::To);
    m_mail.AddAttachment(container);
    const std::string body =
        texts[backup ? slot::kBackupShareBody : slot::kRepairShareBody] + "\n" + SenderLine() + "\n";
    const bool sent = m_mail.Send(texts[backup ? slot::kBackupSubject : slot::kRepairShareSubject], body, true) == 1;
    // The mail program reads the attachment while its compose window is
    // open; the container goes only once the user says the mail is sent.
    if (sent) dialog.ShowMessage(texts[slot::kMailSentThenWipe], MessageKind::Information);
    const WipeResult wiped = WipeFileWithStatus(container);
    if (!wiped.Ok())
        dialog.ShowMessage(WipeFailureText(wiped, container.filename().string(), texts), MessageKind::Error);
    return sent;
}

bool KeyBackupFlow::SendRepairFragment(std::string_view keySetName) {
    IUserDialog& dialog = m_state.Dialog();
    const LanguageTable& texts = m_state.Texts();
    const fs::path fragment = m_dataFolder / kRepairFragmentFileName;
    const fs::path userShare = BackupSharePaths(m_dataFolder, keySetName).user;
    std::error_code ec;
    if (!keySetName.empty() && fs::is_regular_file(userShare, ec)) {
        // The repair copy of the user's share.
        const auto share = ReadShareFile(userShare);
        if (!share) {
            dialog.ShowMessage(FormatText(texts[slot::kShareUnreadable], {userShare.string()}), MessageKind::Error);
            return false;
        }
        if (!WriteOwnerOnlyFile(fragment, EncodeShareFile(*share), 0600)) {
            dialog.ShowMessage(texts[slot::kBackupFailed], MessageKind::Warning);
            return false;
        }
    } else if (!fs::is_regular_file(fragment, ec)) {
        dialog.ShowMessage(texts[slot::kNoUserShare], MessageKind::Warning);
        return false;
    } else if (!ReadShareFile(fragment)) {
        dialog.ShowMessage(FormatText(texts[slot::kShareUnreadable], {fragment.string()}), MessageKind::Error);
        return false;
    }
    m_mail.Reset();
    m_mail.AddRecipient(member_data::kMakerKeyMail, MailMessage::To);
    m_mail.AddAttachment(fragment);
    return m_mail.Send(texts[slot::kRepairSubject], texts[slot::kRepairBody], true) == 1;
}

}  // namespace tessarin
