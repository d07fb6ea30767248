#include "keys/KeySetCreation.h"

#include <algorithm>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/KeyGenerator.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

std::string Underscored(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '.', '_');
    std::replace(out.begin(), out.end(), ' ', '_');
    return out;
}

std::optional<ByteVector> ReadBlobOf(const fs::path& file, bool isPrivate) {
    if (isPrivate) {
        auto f = ReadPrivateKeyFile(file);
        if (!f) return std::nullopt;
        auto blob = f->Blob();
        return ByteVector(blob.begin(), blob.end());
    }
    auto f = ReadPublicKeyFile(file);
    if (!f) return std::nullopt;
    return f->blob;
}

}  // namespace

OwnerNameCheck CheckOwnerName(std::string_view utf8Name) {
    if (utf8Name.empty()) return OwnerNameCheck::Empty;
    const auto cp932 = Utf8ToCp932(utf8Name);
    if (!cp932) return OwnerNameCheck::Forbidden;
    if (Cp932FindAnyOf(*cp932, kForbiddenNameCharacters) != std::string_view::npos) return OwnerNameCheck::Forbidden;
    return OwnerNameCheck::Ok;
}

std::string KeySetNameFromOwner(std::string_view ownerName) {
    return Underscored(ownerName);
}

std::string KeySetNameFromEmail(std::string_view email) {
    const auto at = email.find('@');
    return Underscored(at == std::string_view::npos ? email : email.substr(0, at));
}

bool IsMatchingKeyPair(const fs::path& publicKey, const fs::path& privateKey) {
    auto pub = ReadBlobOf(publicKey, false);
    auto priv = ReadBlobOf(privateKey, true);
    if (!pub || !priv) return false;
    // Public exponent (bytes 16..19) and modulus (20..147) of both blobs.
    const bool same = pub->size() >= kPublicKeyBlobSize && priv->size() >= kPublicKeyBlobSize &&
                      std::equal(pub->begin() + 16, pub->begin() + kPublicKeyBlobSize, priv->begin() + 16);
    SecureWipe(*priv);
    return same;
}

KeySetCreationResult CKeySetCreation::FinishKeySet(const fs::path& keyPairFolder, const std::string& keySetName,
                                                   const std::string& publicKeyName, const std::string& privateKeyName,
                                                   const KeySetIdentity& identity) {
    KeySetCreationResult result;
    result.keySetName = keySetName;
    result.keyPairFolder = keyPairFolder;
    result.publicKeyName = publicKeyName;
    result.privateKeyName = privateKeyName;
    result.identity = identity;

    // The key folder, opened, with the owner's personalinfo.dat.
    const fs::path keyFolder = KeyFolderPath(keyPairFolder, keySetName);
    const bool made = CreateKeyFolder(keyFolder);
    m_keys.SetKeyPair(keyPairFolder, publicKeyName, privateKeyName);
    if (!made || m_keys.OpenFolder(keyFolder) != 0 || !m_keys.WritePersonalInfo(identity.name, identity.email)) {
        result.status = KeySetCreationResult::FolderFailed;
        return result;
    }
    result.keyFolder = keyFolder;

    // The own public key authenticated with no limit gives the self auth
    // key, which moves into the key folder under its label.
    CPublicKeyAuthenticator authenticator(m_keys, m_dialog, m_host);
    const fs::path selfAuth = authenticator.authenticate(keyPairFolder / publicKeyName, true);
    if (selfAuth.empty()) {
        result.status = KeySetCreationResult::AuthFailed;
        return result;
    }
    if (!m_keys.AdoptSelfAuthKey()) {
        result.status = KeySetCreationResult::AuthFailed;
        return result;
    }
    (void)m_keys.SaveLists();
    result.selfAuthKey = keyFolder / selfAuth.filename();
    result.status = KeySetCreationResult::Created;
    return result;
}

KeySetCreationResult CKeySetCreation::CreateFromMainWindow(const fs::path& keyPairFolder, const UserInfoPage& page) {
    for (;;) {
        const auto identity = page ? page() : std::nullopt;
        if (!identity) return {};
        switch (CheckOwnerName(identity->name)) {
            case OwnerNameCheck::Empty:
                m_dialog.ShowMessage(m_keys.Texts()[slot::kOwnerNameEmpty], MessageKind::Warning);
                continue;
            case OwnerNameCheck::Forbidden:
                m_dialog.ShowMessage(m_keys.Texts()[slot::kOwnerNameForbidden], MessageKind::Warning);
                continue;
            case OwnerNameCheck::Ok:
                break;
        }
        const std::string name = KeySetNameFromOwner(identity->name);
        CKeyGenerator generator(m_dialog, m_host, m_keys.Texts());
        generator.SetFolder(keyPairFolder);
        switch (generator.Generate(name)) {
            case CKeyGenerator::Generated:
                return FinishKeySet(keyPairFolder, name, PublicKeyFileName(name), PrivateKeyFileName(name), *identity);
            case CKeyGenerator::NameLength:
                m_dialog.ShowMessage(m_keys.Texts()[slot::kKeyNameTooLong], MessageKind::Warning);
                continue;
            case CKeyGenerator::NameCharacter:
                m_dialog.ShowMessage(m_keys.Texts()[slot::kOwnerNameForbidden], MessageKind::Warning);
                continue;
            case CKeyGenerator::AlreadyExists:
                continue;  // the generator said so; the user picks another name
            default: {
                KeySetCreationResult failed;
                failed.status = KeySetCreationResult::GenerateFailed;
                return failed;
            }
        }
    }
}

KeySetCreationResult CKeySetCreation::CreateAtStartup(const fs::path& keyPairFolder, const KeySetIdentity& identity) {
    KeySetCreationResult failed;
    const std::string name = KeySetNameFromEmail(identity.email);
    CKeyGenerator generator(m_dialog, m_host, m_keys.Texts());
    generator.SetFolder(keyPairFolder);
    switch (generator.Generate(name)) {
        case CKeyGenerator::Generated:
            return FinishKeySet(keyPairFolder, name, PublicKeyFileName(name), PrivateKeyFileName(name), identity);
        case CKeyGenerator::NameLength:
            m_dialog.ShowMessage(
                name.empty() ? m_keys.Texts()[slot::kKeyNameEmpty] : m_keys.Texts()[slot::kKeyNameTooLong],
                MessageKind::Warning);
            failed.status = KeySetCreationResult::NameRefused;
            return failed;
        case CKeyGenerator::NameCharacter:
            m_dialog.ShowMessage(m_keys.Texts()[slot::kKeyNameForbidden], MessageKind::Warning);
            failed.status = KeySetCreationResult::NameRefused;
            return failed;
        default:
            failed.status = KeySetCreationResult::GenerateFailed;
            return failed;
    }
}

KeySetCreationResult CKeySetCreation::SelectKeyPairFromFiles(const FileChooser& choose, const KeyInfoDialog& keyInfo) {
    KeySetCreationResult result;
    if (!choose) return result;
    const auto privateKey = choose(m_keys.Texts()[slot::kChoosePrivateKey], m_keys.Texts()[slot::kPrivateKeyFilter]);
    if (!privateKey) return result;
    const auto publicKey = choose(m_keys.Texts()[slot::kChoosePublicKey], m_keys.Texts()[slot::kPublicKeyFilter]);
    if (!publicKey) return result;

    // Both files complete, one key, in one folder (the key pair folder).
    std::error_code ec;
    const bool sameFolder = fs::equivalent(publicKey->parent_path(), privateKey->parent_path(), ec);
    if (!sameFolder || !IsMatchingKeyPair(*publicKey, *privateKey)) {
        m_dialog.ShowMessage(m_keys.Texts()[slot::kBadKeyPair], MessageKind::Error);
        result.status = KeySetCreationResult::BadKeyPair;
        return result;
    }
    const fs::path keyPairFolder = publicKey->parent_path();
    const std::string publicName = publicKey->filename().string();
    const std::string privateName = privateKey->filename().string();
    m_dialog.ShowMessage(FormatText(m_keys.Texts()[slot::kKeyPairChanged], {publicName, privateName}),
                         MessageKind::Information);

    const std::string keySetName = KeySetNameOfPublicKeyFile(publicName);
    result.keySetName = keySetName;
    result.keyPairFolder = keyPairFolder;
    result.publicKeyName = publicName;
    result.privateKeyName = privateName;
    m_keys.SetKeyPair(keyPairFolder, publicName, privateName);

    const fs::path keyFolder = KeyFolderPath(keyPairFolder, keySetName);
    if (fs::is_directory(keyFolder, ec)) {
        if (m_keys.OpenFolder(keyFolder) != 0) {
            result.status = KeySetCreationResult::FolderFailed;
            return result;
        }
        result.keyFolder = keyFolder;
        result.identity = {m_keys.OwnerName(), m_keys.OwnerEmail()};
        result.status = KeySetCreationResult::Created;
        return result;
    }
    const auto identity = keyInfo ? keyInfo(m_keys.Texts()[slot::kKeyInfoTitle],
                                            FormatText(m_keys.Texts()[slot::kKeyInfoText], {keySetName}))
                                  : std::nullopt;
    if (!identity) return result;  // Cancelled: the pair is chosen, the key folder not made
    return FinishKeySet(keyPairFolder, keySetName, publicName, privateName, *identity);
}

std::optional<std::pair<std::string, std::string>> CKeySetCreation::OfferExistingKeyPair(const fs::path& keyPairFolder,
                                                                                         const KeyPairPicker& pick) {
    std::vector<std::pair<std::string, std::string>> usable;
    for (auto& pair : FindKeyPairs(keyPairFolder))
        if (IsMatchingKeyPair(keyPairFolder / pair.first, keyPairFolder / pair.second))
            usable.push_back(std::move(pair));
    if (usable.empty()) return std::nullopt;
    if (usable.size() == 1) {
        const std::string question =
            FormatText(m_keys.Texts()[slot::kExistingKeyFound], {usable[0].first, usable[0].second});
        if (!m_dialog.AskYesNo(QuestionId::UseExistingKeyPair, question)) return std::nullopt;
        return usable[0];
    }
    const auto index = pick ? pick(usable) : std::nullopt;
    if (!index || *index >= usable.size()) return std::nullopt;
    return usable[*index];
}

KeySetCreationResult CKeySetCreation::UseExistingKeyPair(const fs::path& keyPairFolder,
                                                         const std::string& publicKeyName,
                                                         const std::string& privateKeyName,
                                                         const KeySetIdentity& identity) {
    const std::string keySetName = KeySetNameOfPublicKeyFile(publicKeyName);
    const fs::path keyFolder = KeyFolderPath(keyPairFolder, keySetName);
    std::error_code ec;
    if (!fs::is_directory(keyFolder, ec))
        return FinishKeySet(keyPairFolder, keySetName, publicKeyName, privateKeyName, identity);
    KeySetCreationResult result;
    result.keySetName = keySetName;
    result.keyPairFolder = keyPairFolder;
    result.publicKeyName = publicKeyName;
    result.privateKeyName = privateKeyName;
    m_keys.SetKeyPair(keyPairFolder, publicKeyName, privateKeyName);
    if (m_keys.OpenKeyFolderOnSelection(keyFolder) != 0) {
        result.status = KeySetCreationResult::FolderFailed;
        return result;
    }
    result.keyFolder = keyFolder;
    result.selfAuthKey = keyFolder / SelfAuthKeyFileName(keySetName);
    result.identity = {m_keys.OwnerName(), m_keys.OwnerEmail()};
    result.status = KeySetCreationResult::Created;
    return result;
}

std::vector<std::pair<std::string, std::string>> CKeySetCreation::FindKeyPairs(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> pairs;
    constexpr std::string_view kPrivateEnding = "private.vpri";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        const std::string name = it->path().filename().string();
        const std::string lower = LowerAscii(name);
        if (lower.size() <= kPrivateEnding.size() || !lower.ends_with(kPrivateEnding)) continue;
        const std::string publicName = name.substr(0, name.size() - kPrivateEnding.size()) + ".vpub";
        if (fs::is_regular_file(folder / publicName, typeEc)) pairs.emplace_back(publicName, name);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

GeneratedKeyPair CGenKeyFlow::Run(const fs::path& folder, const NameDialog& askName, const Mailer& mail) {
    GeneratedKeyPair result;
    for (;;) {
        const auto name = askName ? askName() : std::nullopt;
        if (!name) return result;
        switch (CheckNewKeySetName(*name)) {
            case KeySetNameCheck::Empty:
                m_dialog.ShowMessage(m_texts[slot::kKeyNameEmpty], MessageKind::Warning);
                continue;
            case KeySetNameCheck::TooLong:
                m_dialog.ShowMessage(m_texts[slot::kKeyNameTooLong], MessageKind::Warning);
                continue;
            case KeySetNameCheck::ForbiddenCharacter:
            case KeySetNameCheck::NotConvertible:
                m_dialog.ShowMessage(m_texts[slot::kKeyNameForbidden], MessageKind::Warning);
                continue;
            case KeySetNameCheck::Ok:
                break;
        }
        CKeyGenerator generator(m_dialog, m_host, m_texts);
        generator.SetFolder(folder);
        const int generated = generator.Generate(*name);
        if (generated == CKeyGenerator::AlreadyExists) continue;  // the generator said so
        if (generated != CKeyGenerator::Generated) return result;

        result.generated = true;
        result.publicKeyName = PublicKeyFileName(*name);
        result.privateKeyName = PrivateKeyFileName(*name);
        result.memberFileName = MemberTextFileName(*name);
        result.publicKeyPath = generator.PublicKeyPath();
        result.privateKeyPath = generator.PrivateKeyPath();
        std::string report = m_texts[slot::kGenReportHeader];
        report += result.publicKeyPath.string() + "\n" + result.privateKeyPath.string() + "\n\n";
        report += m_texts[slot::kGenReportReminder];
        report += '\n';
        report += FormatText(m_texts[slot::kGenReportPublic], {result.publicKeyPath.string()});
        report += '\n';
        report += FormatText(m_texts[slot::kGenReportPrivate], {result.privateKeyPath.string()}) + "\n";
        report += FormatText(m_texts[slot::kGenReportAuth], {(folder / SelfAuthKeyFileName(*name)).string()}) + "\n";
        result.report = std::move(report);
        if (m_dialog.AskYesNo(QuestionId::SendNewPublicKey, m_texts[slot::kGenSendNow]) && mail)
            mail(m_texts[slot::kPublicKeySubject], m_texts[slot::kPublicKeyBody], {result.publicKeyPath});
        return result;
    }
}

}  // namespace tessarin
