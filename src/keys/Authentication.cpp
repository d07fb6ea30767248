#include "keys/Authentication.h"

#include <algorithm>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/AuthManager.h"
#include "keys/AuthSecret.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAuthEnding = "-auth.vpub";

std::string Stem(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

std::string StoredText(std::string_view utf8) {
    auto cp932 = Utf8ToCp932(utf8);
    return cp932 ? *cp932 : std::string(utf8);
}

std::string Format1(std::string_view format, const std::string& a) {
    return FormatText(format, {a});
}

}  // namespace

std::string AuthKeyOutputName(std::string_view chosen, std::string_view ownPublicKeyName) {
    const std::string lower = LowerAscii(chosen);
    if (lower.size() > kAuthEnding.size() && lower.ends_with(kAuthEnding)) {
        const std::string_view core = chosen.substr(0, chosen.size() - kAuthEnding.size());
        const auto sep = core.find("))");
        if (sep != std::string_view::npos && sep > 0 && sep + 2 < core.size())
            return AuthKeyFileName(core.substr(sep + 2), core.substr(0, sep));
    }
    return AuthKeyFileName(Stem(chosen), KeySetNameOfPublicKeyFile(ownPublicKeyName));
}

std::optional<AuthRecord> BuildAuthRecord(std::span<const std::uint8_t> issuerPrivateKeyFile, std::string_view name,
                                          std::string_view email, const SystemTime& now, const SystemTime& limit) {
    auto secret = AuthSecret(issuerPrivateKeyFile);
    if (!secret) return std::nullopt;
    AuthRecord record;
    record.secret = *secret;
    SecureWipe(*secret);
    record.name = StoredText(name).substr(0, AuthRecord::kNameWidth);
    record.email = StoredText(email).substr(0, AuthRecord::kEmailWidth);
    record.created = now;
    record.reserved = 1;
    record.limit = limit;
    return record;
}

bool CPublicKeyAuthenticator::KeySetExists() const {
    if (m_keys.KeyPairFolder().empty() || m_keys.PublicKeyName().empty() || m_keys.PrivateKeyName().empty())
        return false;
    return ReadPublicKeyFile(m_keys.PublicKeyPath()).Ok() && ReadPrivateKeyFile(m_keys.PrivateKeyPath()).Ok();
}

fs::path CPublicKeyAuthenticator::authenticate(const fs::path& chosen, bool silent) {
    const LanguageTable& texts = m_keys.Texts();
    m_lastChoice = {};
    // 1. A key set must exist.
    if (!KeySetExists()) {
        m_dialog.ShowMessage(texts[slot::kMakeKeySetFirst], MessageKind::Warning);
        return {};
    }
    // 2. The chosen key file.
    std::error_code ec;
    if (!fs::is_regular_file(chosen, ec)) {
        m_dialog.ShowMessage(texts[slot::kPublicKeyNotFound], MessageKind::Warning);
        return {};
    }
    auto partnerBlob = ReadFirstKeyBlob(chosen);
    auto ownPublic = ReadPublicKeyFile(m_keys.PublicKeyPath());
    const bool ownKey = partnerBlob && ownPublic && partnerBlob.Value() == ownPublic->blob;

    // 3. The history of the active key folder.
    const fs::path keyFolder =
        m_keys.KeyFolderPath().empty()
            ? KeyFolderPath(m_keys.KeyPairFolder(), KeySetNameOfPublicKeyFile(m_keys.PublicKeyName()))
            : m_keys.KeyFolderPath();
    const fs::path historyPath = keyFolder / kAuthHistoryName;
    CAuthManager history;
    // A damaged history keeps what it could read; one that could not be read
    // at all (or has a negative count) is never written over.
    const auto historyStatus = history.load(historyPath);
    const bool historyWritable =
        historyStatus == CAuthManager::LoadStatus::Ok || historyStatus == CAuthManager::LoadStatus::Truncated;
    if (history.contains(chosen) &&
        !(m_sender ? m_dialog.AskYesNo(QuestionId::AuthenticateSender, m_sender->alreadyAuthenticatedQuestion)
                   : m_dialog.AskYesNo(QuestionId::AuthenticateAgain, texts[slot::kAlreadyAuthenticated])))
        return {};

    // 4. The validity limit.
    SystemTime limit;
    if (!ownKey && m_limitDialog) {
        for (;;) {
            const auto choice = m_limitDialog();
            if (!choice) return {};
            if (choice->status == AuthLimit::PickedInPast || choice->status == AuthLimit::Invalid) {
                m_dialog.ShowMessage(texts[slot::kLimitInPast], MessageKind::Warning);
                continue;
            }
            limit = choice->status == AuthLimit::Set ? choice->limit : SystemTime{};
            break;
        }
    }

    // 5. The output name, in the folder of the chosen file.
    const fs::path output =
        chosen.parent_path() / AuthKeyOutputName(chosen.filename().string(), m_keys.PublicKeyName());
    const bool outputExisted = fs::exists(fs::symlink_status(output, ec));
    if (outputExisted && m_sender) {
        m_dialog.ShowMessage(m_sender->outputExistsMessage(output.filename().string()), MessageKind::Warning);
        return {};
    }
    if (outputExisted &&
        !m_dialog.AskYesNo(QuestionId::OverwriteAuthKey,
                           Format1(texts[slot::kAuthKeyWillBeOverwritten], output.filename().string())))
        return {};

    // 6. The auth secret from the own private key file.
    auto privateFile = ReadPrivateKeyFile(m_keys.PrivateKeyPath());
    std::optional<AuthRecord> record;
    if (privateFile) {
        // 7. The record.
        record =
            BuildAuthRecord(privateFile->bytes, m_keys.OwnerName(), m_keys.OwnerEmail(), m_host.LocalTime(), limit);
    }
    if (!record) {
        m_dialog.ShowMessage(Format1(texts[slot::kPrivateKeyNotOpened], m_keys.PrivateKeyPath().string()),
                             MessageKind::Error);
        return {};
    }

    // 8. Enciphered for the partner.
    std::optional<ByteVector> cipher;
    if (partnerBlob) {
        auto encrypted = EncryptAuthRecord(partnerBlob.Value(), *record);
        if (encrypted) cipher = std::move(encrypted.Value());
    }
    SecureWipe(record->secret);
    if (!cipher) {
        m_dialog.ShowMessage(texts[slot::kPartnerEncryptFailed], MessageKind::Error);
        return {};
    }

    // 9. The own public key.
    if (!ownPublic) {
        m_dialog.ShowMessage(Format1(texts[slot::kOwnPublicKeyNotOpened], m_keys.PublicKeyPath().string()),
                             MessageKind::Error);
        return {};
    }

    // 10. The auth key file, read-only; for a sender never over a file there.
    const ByteVector authFile = BuildAuthKeyFile(ownPublic->blob, *cipher);
    if (m_sender) {
        const auto written = WriteNewFile(output, authFile, true);
        if (!written.Ok()) {
            if (written.Detail() == "exists")
                m_dialog.ShowMessage(m_sender->outputExistsMessage(output.filename().string()), MessageKind::Warning);
            else
                m_dialog.ShowMessage(Format1(texts[slot::kAuthKeyNotWritten], output.string()), MessageKind::Error);
            return {};
        }
    } else {
        if (fs::exists(output, ec) &&
            !m_dialog.AskYesNo(QuestionId::OverwriteAuthKey,
                               Format1(texts[slot::kAuthOutputExists], output.filename().string())))
            return {};
        if (!WriteFileReplacing(output, authFile, true).Ok()) {
            m_dialog.ShowMessage(Format1(texts[slot::kAuthKeyNotWritten], output.string()), MessageKind::Error);
            return {};
        }
    }

    // 11. The history entry.
    if (historyWritable && history.add(chosen, limit, m_host.LocalTime())) (void)history.save(historyPath);

    // 12. Registered copies of the self auth key.
    if (ownKey) RefreshSelfAuthKeys(output);

    // 13. The result dialog.
    if (!silent && m_completeDialog) m_lastChoice = m_completeDialog(chosen, m_keys.PrivateKeyPath(), output);
    return output;
}

bool CPublicKeyAuthenticator::RefreshSelfAuthKeys(const fs::path& newAuthKey) {
    const std::string selfName = newAuthKey.filename().string();
    const std::string selfLower = LowerAscii(selfName);
    std::vector<fs::path> copies;
    std::error_code ec;
    for (const auto& folder : m_keys.KeyFolders()) {
        std::vector<UserData> list;
        (void)ReadMemberList(folder / kAuthMemberListName, list);
        const bool registered = std::any_of(list.begin(), list.end(), [&](const UserData& r) {
            auto utf8 = Cp932ToUtf8(r.fileName);
            return utf8 && LowerAscii(*utf8) == selfLower;
        });
        const fs::path copy = folder / selfName;
        if (registered && fs::is_regular_file(copy, ec) && !fs::equivalent(copy, newAuthKey, ec))
            copies.push_back(copy);
    }
    if (copies.empty()) return false;
    if (!m_dialog.AskYesNo(QuestionId::RefreshSelfAuthKeys, m_keys.Texts()[slot::kRefreshSelfAuthKeys])) return false;
    auto bytes = ReadAuthKeyFile(newAuthKey);
    if (!bytes) return false;
    const ByteVector file = BuildAuthKeyFile(bytes->issuerBlob, bytes->recordCipher);
    bool ok = true;
    for (const auto& copy : copies) ok = WriteFileReplacing(copy, file, true).Ok() && ok;
    return ok;
}

std::vector<fs::path> CPublicKeyAuthenticator::AuthenticateCommand(const FilePicker& pick, const Mailer& mail) {
    std::vector<fs::path> made;
    for (;;) {
        if (!KeySetExists()) {
            m_dialog.ShowMessage(m_keys.Texts()[slot::kMakeKeySetFirst], MessageKind::Warning);
            break;
        }
        const auto chosen = pick ? pick() : std::nullopt;
        if (!chosen) break;
        const fs::path output = authenticate(*chosen, false);
        if (output.empty()) break;
        made.push_back(output);
        if (m_lastChoice.mail && mail)
            mail(m_keys.Texts()[slot::kAuthKeySubject], m_keys.Texts()[slot::kAuthKeyBody], made);
        if (!m_lastChoice.continueWithOther) break;
    }
    return made;
}

}  // namespace tessarin
