// Target "qrimport": the public key text a phone sends back.
//
// The result code agrees with the number of characters collected; a
// complete key text makes a 152-byte public key file that the key reader
// accepts, written exactly as built; an incomplete one writes no file. The
// name offered for the imported key is a plain file name.

#include "FuzzSupport.h"
#include "keys/KeyFiles.h"
#include "qr/PublicKeyQr.h"

namespace tessarin::fuzz {

std::string RunQrImport(Bytes input) {
    const std::string_view text = AsText(input);
    std::string keyText = "left over";
    const auto result = ParseQrImportText(text, keyText);
    Check(keyText.find('\n') == std::string::npos, "no line break is collected");
    if (keyText.empty())
        Check(result == QrImportResult::Nothing, "nothing collected gives 3");
    else if (keyText.size() == kQrImportKeyTextLength)
        Check(result == QrImportResult::Complete, "256 characters give 1");
    else
        Check(result == QrImportResult::WrongLength, "another length gives 2");

    const auto path = FreshScratch() / "imported.vpub";
    const auto bytes = ImportedPublicKeyBytes(keyText);
    const auto written = WriteImportedPublicKey(keyText, path);
    if (result != QrImportResult::Complete) {
        Check(!bytes && written == QrImportWriteResult::BadKeyText, "an incomplete key text is refused");
        Check(!std::filesystem::exists(path), "a refused key text writes no file");
    } else {
        Check(bytes && bytes->size() == kPublicKeyFileSize, "a complete key text makes 152 bytes");
        Check(written == QrImportWriteResult::Ok, "a complete key text is written");
        Check(ReadAll(path) == std::vector<std::uint8_t>(bytes->begin(), bytes->end()), "the file is the bytes built");
        Check(ParsePublicKeyFile(AsBytes(*bytes)).Ok(), "the file is a public key file");
    }

    const std::string_view firstLine = text.substr(0, std::min<std::size_t>(text.find('\n'), 64));
    const std::string name = ImportedKeyFileName(firstLine);
    if (!name.empty()) {
        Check(name.find('/') == std::string::npos && name.find('\0') == std::string::npos, "a plain file name");
        Check(name.size() > 12 && name.ends_with("-authQR.vpub"), "the name ends -authQR.vpub");
        Check(std::filesystem::path(name).filename() == std::filesystem::path(name), "the name has no folder");
    }
    if (result == QrImportResult::Complete) return "complete";
    return result == QrImportResult::Nothing ? "nothing" : "wrong length";
}

}  // namespace tessarin::fuzz
