// AppCore: the public key QR code functions of the windows.

#include "app/AppCore.h"
#include "core/LanguageTable.h"
#include "platform/Paths.h"

namespace tessarin {

namespace fs = std::filesystem;

QrView AppCore::OwnQrView() const {
    QrView view;
    if (!m_keySetReady) return view;
    const OwnKeyInfo own{m_keys.OwnerEmail(), m_keys.OwnerName(), m_keys.PublicKeyPath()};
    view.mailAddress = own.mailAddress;
    view.publicKey = own.publicKeyPath;
    view.desktopUrl = BuildRegistrationUrl(false, own);
    if (const auto symbol = EncodeQrViewText(BuildQrViewText(m_texts, own))) view.picture = MakeQrViewBitmap(*symbol);
    return view;
}

bool AppCore::SaveQrViewPicture(const QrViewBitmap& picture, const fs::path& path) const {
    return picture.width > 0 && SaveQrViewBitmap(picture, path);
}

QrBitmapResult AppCore::WriteOwnPublicKeyQrBitmap(const fs::path& bitmap) const {
    if (!m_keySetReady) return QrBitmapResult::KeyUnreadable;
    return WritePublicKeyQrBitmap(bitmap, m_keys.PublicKeyPath());
}

fs::path AppCore::OwnQrBitmapSaveName() const {
    return QrBitmapSaveName(m_keys.PublicKeyPath());
}

fs::path AppCore::QrWorkingBitmapPath() const {
    std::error_code ec;
    fs::create_directories(DataHome(), ec);
    return DataHome() / "PublicKeyQR.bmp";
}

QrImport AppCore::ReadQrImportText(std::string_view text) const {
    QrImport import;
    import.result = ParseQrImportText(text, import.keyText);
    import.message = QrImportFailureMessage(m_texts, import.result);
    return import;
}

QrImportWritten AppCore::WriteQrImportedKey(const QrImport& import, std::string_view enteredName) const {
    QrImportWritten out;
    const auto refuse = [&](QrImportWrite status, std::string message) {
        out.status = status;
        out.message = std::move(message);
        return out;
    };
    const auto name = ImportedKeyFileName(enteredName);
    if (enteredName.empty()) return refuse(QrImportWrite::NameEmpty, m_texts[slot::kKeyNameEmpty]);
    if (name.empty()) return refuse(QrImportWrite::NameForbidden, m_texts[slot::kKeyNameForbidden]);
    if (!m_keySetReady || m_keys.KeyFolderPath().empty())
        return refuse(QrImportWrite::NoKeySet, m_texts[slot::kMakeKeySetFirst]);
    const auto path = m_keys.KeyFolderPath() / name;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return refuse(QrImportWrite::NameTaken, FormatText(m_texts[slot::kKeyFileNameTaken], {name}));
    if (WriteImportedPublicKey(import.keyText, path) != QrImportWriteResult::Ok)
        return refuse(QrImportWrite::FileError, m_texts[slot::kQrFileException]);
    out.status = QrImportWrite::Written;
    out.path = path;
    out.message = FormatText(m_texts[slot::kQrImportWritten], {name});
    return out;
}

}  // namespace tessarin
