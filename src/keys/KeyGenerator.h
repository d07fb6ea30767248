#pragma once
// CKeyGenerator: makes a key set's key pair and writes it as a public key file
// <name>.vpub and a private key file <name>Private.vpri in the target folder,
// both read-only afterwards. The private key file carries the local time it was
// written and the key set tag (from the tick count); both come from the host.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

class LanguageTable;

class CKeyGenerator final {
public:
    // Results of Generate.
    enum Result : int {
        Generated = 1,
        NameLength = 0,      // empty or longer than 60 CP932 bytes
        NameCharacter = -1,  // a forbidden character, or one CP932 cannot hold
        WriteFailed = -2,    // key creation, export or writing failed (message shown)
        AlreadyExists = -3,  // <name>.vpub or <name>Private.vpri is already there (message shown)
    };

    // Messages come from texts, in the user's language.
    CKeyGenerator(IUserDialog& dialog, const IHost& host, const LanguageTable& texts)
        : m_dialog(dialog), m_host(host), m_texts(texts) {}

    void SetFolder(const std::filesystem::path& folder) { m_folder = folder; }
    const std::filesystem::path& Folder() const { return m_folder; }

    // Name checks first (nothing is asked of the RSA service for a bad name),
    // then a fresh key pair, then both files. Existing key files are never
    // overwritten. On any failure neither file is left behind.
    [[nodiscard]] int Generate(std::string_view name);

    // Full paths of the last successful generation.
    const std::filesystem::path& PublicKeyPath() const { return m_publicPath; }
    const std::filesystem::path& PrivateKeyPath() const { return m_privatePath; }

    // Copies both key files into a folder the user picks. When either file is
    // missing: "バックアップする公開鍵と秘密鍵がありません。" and false, without
    // asking. chooseFolder returns the folder or nothing when the user cancels
    // (false, no message). Existing copies of the same bytes are replaced; a
    // different file of either name there is kept, and nothing is copied
    // ("鍵ファイル出力に失敗しました。…", false). The copies are read-only like
    // the originals. Success shows the saved paths.
    using FolderChooser = std::function<std::optional<std::filesystem::path>(std::string_view prompt)>;
    [[nodiscard]] static bool BackupKeys(const std::filesystem::path& publicKeyPath,
                                         const std::filesystem::path& privateKeyPath, const FolderChooser& chooseFolder,
                                         IUserDialog& dialog, const LanguageTable& texts);
    // The same for the last generated pair.
    [[nodiscard]] bool BackupKeys(const FolderChooser& chooseFolder) {
        return BackupKeys(m_publicPath, m_privatePath, chooseFolder, m_dialog, m_texts);
    }

private:
    IUserDialog& m_dialog;
    const IHost& m_host;
    const LanguageTable& m_texts;
    std::filesystem::path m_folder;
    std::filesystem::path m_publicPath;
    std::filesystem::path m_privatePath;
};

}  // namespace tessarin
