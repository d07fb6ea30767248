#pragma once
// Key set creation without windows: from the main window (owner name and
// e-mail typed by the user), in the local branch of the start-up flow (key
// set name from the e-mail address), and when the user selects an existing
// key pair from files. Each ends with the key folder, personalinfo.dat and
// the self auth key registered in the key folder.
//
// Settings are not written here: the results carry the key pair folder and
// the key file names for the caller to store (keyPairRoot, PublicKeyName,
// PrivateKeyName).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "keys/Authentication.h"
#include "keys/KeyManager.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

// The owner of a key set as typed by the user (UTF-8).
struct KeySetIdentity {
    std::string name;
    std::string email;
};

enum class OwnerNameCheck { Ok, Empty, Forbidden };
// The user-information page's check: not empty, none of the nine forbidden
// characters (searched character-wise on the CP932 form; a name CP932
// cannot hold counts as forbidden).
OwnerNameCheck CheckOwnerName(std::string_view utf8Name);
// Every full stop and every space becomes an underscore.
std::string KeySetNameFromOwner(std::string_view ownerName);
// The part of the address before the at sign, with the same replacement.
std::string KeySetNameFromEmail(std::string_view email);

struct KeySetCreationResult {
    enum Status {
        Created,
        Cancelled,       // the user cancelled a page
        GenerateFailed,  // the generator failed (its message was shown)
        FolderFailed,    // the key folder or personalinfo.dat could not be made
        AuthFailed,      // the self auth key could not be made or registered
        BadKeyPair,      // a selected pair failed its checks (message shown)
        NameRefused,     // a key set name the generator refused (start-up flow)
    };
    Status status = Cancelled;
    std::string keySetName;
    std::filesystem::path keyPairFolder;
    std::string publicKeyName;   // <name>.vpub
    std::string privateKeyName;  // <name>Private.vpri
    std::filesystem::path keyFolder;
    std::filesystem::path selfAuthKey;  // inside the key folder
    KeySetIdentity identity;
    bool Ok() const { return status == Created; }
};

class CKeySetCreation final {
public:
    // The user-information page (CKeyGenDialog2); nothing on cancel.
    using UserInfoPage = std::function<std::optional<KeySetIdentity>()>;
    // The key information dialog for a selected pair without a key folder:
    // title and text given; nothing on cancel.
    using KeyInfoDialog = std::function<std::optional<KeySetIdentity>(std::string_view title, std::string_view text)>;
    // A file dialog: prompt and filter given; nothing on cancel.
    using FileChooser =
        std::function<std::optional<std::filesystem::path>(std::string_view prompt, std::string_view filter)>;

    CKeySetCreation(CKeyManager& keys, IUserDialog& dialog, const IHost& host)
        : m_keys(keys), m_dialog(dialog), m_host(host) {}

    // Key set creation from the main window, in the key pair folder.
    KeySetCreationResult CreateFromMainWindow(const std::filesystem::path& keyPairFolder, const UserInfoPage& page);
    // The local branch of the start-up creation: the key set name comes from
    // the e-mail address.
    KeySetCreationResult CreateAtStartup(const std::filesystem::path& keyPairFolder, const KeySetIdentity& identity);
    // Steps after generation: key folder, personalinfo.dat, self auth key.
    // The key files must lie in the key pair folder.
    KeySetCreationResult FinishKeySet(const std::filesystem::path& keyPairFolder, const std::string& keySetName,
                                      const std::string& publicKeyName, const std::string& privateKeyName,
                                      const KeySetIdentity& identity);

    // Selecting a key pair from files (private key first, then public key).
    KeySetCreationResult SelectKeyPairFromFiles(const FileChooser& choose, const KeyInfoDialog& keyInfo);

    // Key pairs already lying in the chosen key pair folder (start-up): with
    // one usable pair the user is asked whether to use it; with several the
    // picker (CExistKeySelectDlg) chooses one by index. Nothing when there is
    // none or the user declines.
    using KeyPairPicker =
        std::function<std::optional<std::size_t>(const std::vector<std::pair<std::string, std::string>>& pairs)>;
    std::optional<std::pair<std::string, std::string>> OfferExistingKeyPair(const std::filesystem::path& keyPairFolder,
                                                                            const KeyPairPicker& pick);
    // Uses an existing pair as it is: its key folder is opened when it exists
    // (and a loose self auth key moved in), else made as after generation.
    KeySetCreationResult UseExistingKeyPair(const std::filesystem::path& keyPairFolder,
                                            const std::string& publicKeyName, const std::string& privateKeyName,
                                            const KeySetIdentity& identity);

    // Private key files of a folder that have their public key beside them:
    // (public key file name, private key file name) pairs, sorted.
    static std::vector<std::pair<std::string, std::string>> FindKeyPairs(const std::filesystem::path& folder);

private:
    CKeyManager& m_keys;
    IUserDialog& m_dialog;
    const IHost& m_host;
};

// CGenKeyDlg without its window: generates a key pair in a folder (the
// program folder of the older dialog) under a name the user types, reports
// the files and offers to mail the public key.
struct GeneratedKeyPair {
    bool generated = false;
    std::string publicKeyName;   // PublicKeyName
    std::string privateKeyName;  // PrivateKeyName
    std::string memberFileName;  // MemberFileName, <name>Member.txt
    std::filesystem::path publicKeyPath;
    std::filesystem::path privateKeyPath;
    std::string report;  // the dialog's result text
};
class CGenKeyFlow final {
public:
    // CPubFileName ("公開鍵名", "ファイル名:"): the typed name, nothing on cancel.
    using NameDialog = std::function<std::optional<std::string>()>;
    using Mailer = std::function<void(std::string_view subject, std::string_view body,
                                      const std::vector<std::filesystem::path>& attachments)>;

    CGenKeyFlow(IUserDialog& dialog, const IHost& host, const LanguageTable& texts)
        : m_dialog(dialog), m_host(host), m_texts(texts) {}
    // Asks until a name passes every check and is not taken in the folder;
    // existing key files are never overwritten.
    GeneratedKeyPair Run(const std::filesystem::path& folder, const NameDialog& askName, const Mailer& mail);

private:
    IUserDialog& m_dialog;
    const IHost& m_host;
    const LanguageTable& m_texts;
};

// True when the two files make a complete key pair: complete files whose
// public blob is the public half of the private blob.
bool IsMatchingKeyPair(const std::filesystem::path& publicKey, const std::filesystem::path& privateKey);

}  // namespace tessarin
