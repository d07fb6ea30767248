#include "keys/KeyGenerator.h"

#include <cstdio>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/KeyFiles.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// Reads a key file whole for copying; key files are small.
std::optional<ByteVector> ReadWhole(const fs::path& p) {
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    if (ec || size > 64 * 1024) return std::nullopt;
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return std::nullopt;
    ByteVector bytes(static_cast<std::size_t>(size));
    const bool ok = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!ok) return std::nullopt;
    return bytes;
}

}  // namespace

int CKeyGenerator::Generate(std::string_view name) {
    switch (CheckNewKeySetName(name)) {
        case KeySetNameCheck::Ok:
            break;
        case KeySetNameCheck::Empty:
        case KeySetNameCheck::TooLong:
            return NameLength;
        case KeySetNameCheck::ForbiddenCharacter:
        case KeySetNameCheck::NotConvertible:
            return NameCharacter;
    }
    const fs::path publicPath = m_folder / PublicKeyFileName(name);
    const fs::path privatePath = m_folder / PrivateKeyFileName(name);
    // An existing key set keeps its files: a lost private key file would make
    // every container addressed to it unreadable.
    if (Exists(publicPath) || Exists(privatePath)) {
        m_dialog.ShowMessage(m_texts[slot::kKeyFilesExist], MessageKind::Warning);
        return AlreadyExists;
    }

    auto key = RsaKey::Generate();
    if (!key) {
        m_dialog.ShowMessage(m_texts[slot::kCryptApiError] + key.Error(), MessageKind::Error);
        return WriteFailed;
    }
    auto publicBlob = key->ExportPublicBlob();
    auto privateBlob = key->ExportPrivateBlob();
    if (!publicBlob || !privateBlob) {
        if (privateBlob) SecureWipe(privateBlob.Value());
        m_dialog.ShowMessage(m_texts[slot::kKeyFileWriteFailed], MessageKind::Error);
        return WriteFailed;
    }

    const ByteVector publicFile = BuildPublicKeyFile(*publicBlob);
    const SystemTime written = m_host.LocalTime();
    const auto tag = KeySetTag(m_host.TickCount());
    ByteVector privateFile = BuildPrivateKeyFile(*privateBlob, written, tag);
    SecureWipe(privateBlob.Value());

    bool ok = WriteNewFile(publicPath, publicFile, true).Ok();
    if (ok && !WriteNewFile(privatePath, privateFile, FileAccess::OwnerReadOnly).Ok()) {
        // Half a key set is no key set: take the public key file back.
        std::error_code ec;
        fs::remove(publicPath, ec);
        ok = false;
    }
    SecureWipe(privateFile);
    if (!ok) {
        m_dialog.ShowMessage(m_texts[slot::kKeyFileWriteFailed], MessageKind::Error);
        return WriteFailed;
    }
    m_publicPath = publicPath;
    m_privatePath = privatePath;
    return Generated;
}

bool CKeyGenerator::BackupKeys(const fs::path& publicKeyPath, const fs::path& privateKeyPath,
                               const FolderChooser& chooseFolder, IUserDialog& dialog, const LanguageTable& texts) {
    std::error_code ec;
    if (publicKeyPath.empty() || privateKeyPath.empty() || !fs::is_regular_file(publicKeyPath, ec) ||
        !fs::is_regular_file(privateKeyPath, ec)) {
        dialog.ShowMessage(texts[slot::kBackupNoKeys], MessageKind::Warning);
        return false;
    }
    const std::optional<fs::path> target = chooseFolder ? chooseFolder(texts[slot::kBackupFolderPrompt]) : std::nullopt;
    if (!target) return false;

    // A different key file already there under the same name (an earlier key
    // set's backup) may be the only copy of that key: it is never replaced,
    // and nothing is copied. The same bytes again are simply written anew.
    for (const fs::path& source : {publicKeyPath, privateKeyPath}) {
        const fs::path copy = *target / source.filename();
        if (!fs::exists(fs::symlink_status(copy, ec))) continue;
        auto present = ReadWhole(copy);
        auto bytes = ReadWhole(source);
        const bool same = present && bytes && *present == *bytes;
        if (present) SecureWipe(*present);
        if (bytes) SecureWipe(*bytes);
        if (!same) {
            dialog.ShowMessage(texts[slot::kKeyFileWriteFailed], MessageKind::Error);
            return false;
        }
    }

    std::string report(texts[slot::kBackupDone]);
    for (const fs::path& source : {publicKeyPath, privateKeyPath}) {
        const fs::path copy = *target / source.filename();
        auto bytes = ReadWhole(source);
        const FileAccess access = source == privateKeyPath ? FileAccess::OwnerReadOnly : FileAccess::ReadOnly;
        const bool written = bytes && WriteFileReplacing(copy, *bytes, access).Ok();
        if (bytes) SecureWipe(*bytes);
        if (!written) {
            dialog.ShowMessage(texts[slot::kKeyFileWriteFailed], MessageKind::Error);
            return false;
        }
        report.append(" ").append(copy.string()).append("\n\n");
    }
    report += texts[slot::kBackupHint1];
    report += texts[slot::kBackupHint2];
    dialog.ShowMessage(report, MessageKind::Information);
    return true;
}

}  // namespace tessarin
