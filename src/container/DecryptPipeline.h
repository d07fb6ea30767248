#pragma once
// The decryption pipeline: turns containers back into files. For each
// container it runs the text-form record lookup, then the reader, writes the
// payload under the stored name (through a temporary file renamed into place
// when complete), stamps it with the encryption time, records the decryption
// in the container's history, follows up on the sender and removes the
// container when asked to.
//
// The container is changed only once the output is complete: the record's
// decryption count and limit start are written back after the payload, and
// put back when the output cannot be renamed into place.
//
// A run never overwrites an output it wrote itself: a later container that
// would decrypt onto it is refused with a message naming both, kept, and not
// counted. The dialog's cancel flag or a termination signal stops the run in
// the middle of a payload (after any chunk of it); the partial output is
// removed and the container left as it was.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/ContainerFormat.h"

namespace tessarin {

class CStreamCipher;
class IHost;
class IKeyDirectory;
class IProcessRunner;
class IUserDialog;
class LanguageTable;

namespace container {

// The sender of a container with the sender block, as the key store knows it.
struct SenderIdentity {
    std::string name;  // UTF-8
    std::string mail;  // UTF-8
};

// The key store's side of the sender follow-up.
class ISenderFollowUp {
public:
    enum class Status { Unknown, Known, Differs };
    struct Lookup {
        Status status = Status::Unknown;
        SenderIdentity stored;  // the key store's entry, when known
    };
    virtual ~ISenderFollowUp() = default;
    // keyCheck: record bytes 252–255; keyDigest: record bytes 200–231;
    // sender: the sender record of the container (empty without flag 8).
    virtual Lookup LookUp(std::uint32_t keyCheck, std::span<const std::uint8_t, 32> keyDigest,
                          const SenderIdentity& sender) = 0;
    // Updates the stored entry with the container's name and address.
    virtual bool Renew(std::uint32_t keyCheck, const SenderIdentity& sender) = 0;
    // Public-key authentication of the sender: the sender's public key is the
    // one the container carries behind its sender record.
    virtual bool Authenticate(const std::filesystem::path& container, const std::filesystem::path& output,
                              const SenderIdentity& sender, std::span<const std::uint8_t, 32> keyDigest) = 0;
};

// The sender look-up over the key store's member lists (by the low word of
// the key mark). Renewal and authentication are handed to the functions
// given; without them they do nothing.
class KeyDirectorySenderFollowUp final : public ISenderFollowUp {
public:
    using RenewFunction = std::function<bool(std::uint32_t, const SenderIdentity&)>;
    using AuthenticateFunction = std::function<bool(const std::filesystem::path&, const std::filesystem::path&,
                                                    const SenderIdentity&, std::span<const std::uint8_t, 32>)>;
    explicit KeyDirectorySenderFollowUp(const IKeyDirectory& keys, RenewFunction renew = {},
                                        AuthenticateFunction authenticate = {})
        : m_keys(keys), m_renew(std::move(renew)), m_authenticate(std::move(authenticate)) {}
    Lookup LookUp(std::uint32_t keyCheck, std::span<const std::uint8_t, 32> keyDigest,
                  const SenderIdentity& sender) override;
    bool Renew(std::uint32_t keyCheck, const SenderIdentity& sender) override;
    bool Authenticate(const std::filesystem::path& container, const std::filesystem::path& output,
                      const SenderIdentity& sender, std::span<const std::uint8_t, 32> keyDigest) override;

private:
    const IKeyDirectory& m_keys;
    RenewFunction m_renew;
    AuthenticateFunction m_authenticate;
};

// One decrypted file, for the view cycle that may follow.
struct DecryptedFile {
    std::filesystem::path output;
    std::filesystem::path container;
    bool historyManaged = false;
    int recordIndex = -1;
    std::array<std::uint8_t, kFileKeySize> fileKey{};
    DecryptedFile() = default;
    DecryptedFile(const DecryptedFile&) = default;
    DecryptedFile& operator=(const DecryptedFile&) = default;
    ~DecryptedFile();
};

// Decryption modes (the entry points).
inline constexpr int kDecryptCommand = 0;
inline constexpr int kDecryptOpenResult = 1;  // start-up with one container: the output may be viewed and wiped;
                                              // the container is never removed
inline constexpr int kDecryptDialog = 2;
inline constexpr int kDecryptFolder = 5;  // fetched files and the automatic or USB folder

// What one run needs from the main window.
struct DecryptRun {
    DecryptRun(const IHost& h, IUserDialog& d, CStreamCipher& c, const LanguageTable& t)
        : host(h), dialog(d), cipher(c), texts(t) {}

    const IHost& host;
    IUserDialog& dialog;
    CStreamCipher& cipher;       // the main window's cipher; cleared at the end
    const LanguageTable& texts;  // every message, in the user's language

    std::filesystem::path publicKeyPath;
    std::filesystem::path privateKeyPath;
    std::vector<std::filesystem::path> files;

    bool direct = false;                 // run mode "DIRECT": the container is never removed
    bool removeAfterDecrypt = false;     // the main window's removal option
    bool keepContainerName = false;      // "Hereafter,Decrypt without Namechange."
    std::filesystem::path outputFolder;  // empty: each output beside its container

    // Worker threads for the payloads: 0 for one per core, 1 for none.
    int workers = 0;
    ISenderFollowUp* sender = nullptr;   // no follow-up without it
    IProcessRunner* programs = nullptr;  // opening outputs with their program
    // Whether a file lies on a CD-ROM; the platform's probe when empty.
    std::function<bool(const std::filesystem::path&)> isOnCdRom;

    // Filled by the run.
    bool decryptMode = false;  // the reader's flag, cleared at the end
    int recordIndex = -1;
    std::vector<DecryptedFile> decrypted;
    bool stopped = false;  // "Stop" in the overwrite question or the cancel flag
};

// Returns the number of files decrypted.
int DecryptFiles(DecryptRun& run, int mode);

// The automatic-decryption folder: every file directly inside it, in name
// order, decrypted in mode 5 (non-containers are passed over silently).
int DecryptFolder(DecryptRun& run, const std::filesystem::path& folder);
// A USB memory was connected while the option is on: asks "USBメモリが接続
// されました。復号化しますか？" and on Yes decrypts the automatic folder.
// Returns the number decrypted (0 on No).
int OfferUsbDecryption(DecryptRun& run, const std::filesystem::path& folder);
// At start-up: false after the notice when the configured automatic folder
// is missing (start-up goes on).
bool CheckAutomaticFolder(IUserDialog& dialog, const LanguageTable& texts, const std::filesystem::path& folder);

// The output name a stored name gives: its last path component (after the
// last '/' or '\', found character-wise in CP932), decoded to UTF-8. Empty
// for an empty name, "." or "..", control characters, or text that does not
// decode.
std::optional<std::string> SafeOutputName(std::string_view storedCp932);

// The view cycle on a decrypted file: refuses when the associated program is
// already running (the file is wiped), opens the file with its program and
// waits, records "viewed" in the container's history and wipes the file.
enum class ViewCycleResult { Viewed, AlreadyRunning, NotOpened };
ViewCycleResult RunViewCycle(const DecryptedFile& file, const IHost& host, IUserDialog& dialog,
                             IProcessRunner& programs, const LanguageTable& texts,
                             const std::vector<std::filesystem::path>& desktopFolders = {});

}  // namespace container
}  // namespace tessarin
