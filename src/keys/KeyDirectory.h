#pragma once
// IKeyDirectory: what the encryption and decryption pipelines take from the
// key store: the own key files and identity, the recipients of a key folder
// with the auth value each one carries, and the sender look-up by the low
// word of a key mark. CKeyManager implements it; tests may stand in for it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "keys/MemberList.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

// What a recipient key file gives the encryption pipeline.
struct RecipientKeyInfo {
    std::filesystem::path file;
    ByteVector publicBlob;                     // first blob: the recipient's public key
    bool isAuthKey = false;                    // the name ends "-auth.vpub"
    std::array<std::uint8_t, 32> authValue{};  // zero for a plain public key file
};

enum class RecipientKeyStatus {
    Ok,
    AuthKeyMissing,     // "Not found Auth-PublicKey.\nPossible to Move&Delete."
    NotAuthenticated,   // no second part: "This public key was not authenticated. ..."
    WrongKey,           // the record does not decipher: "Please use the right public key."
    PrivateKeyMissing,  // "Not open PrivateKey(%s).\nNot Exist PrivateKey."
    NotAKey,            // a plain file whose first blob cannot be read
};

class IKeyDirectory {
public:
    virtual ~IKeyDirectory() = default;

    // The active key set's files: key pair folder plus the settings' names.
    virtual std::filesystem::path PublicKeyPath() const = 0;
    virtual std::filesystem::path PrivateKeyPath() const = 0;
    // The key set owner from personalinfo.dat, UTF-8.
    virtual std::string OwnerName() const = 0;
    virtual std::string OwnerEmail() const = 0;

    // Full paths of the open folder's key files: mode 0 the auth keys usable
    // as recipients (<key set name>))*.vpub), mode 1 the plain public keys
    // other than the own one.
    virtual std::vector<std::filesystem::path> RecipientFiles(int mode) const = 0;

    // The blob and auth value of one recipient key file. For an auth key the
    // auth value is the secret of its record, deciphered with the own private
    // key; a plain public key gives zeros.
    virtual RecipientKeyStatus RecipientKey(const std::filesystem::path& file, RecipientKeyInfo& out) const = 0;

    // The first member record, over every key folder (auth list first), whose
    // key mark's low word is `keyMarkLow`; the sender check of container
    // records carries that word.
    virtual std::optional<UserData> FindSender(std::uint32_t keyMarkLow) const = 0;
};

}  // namespace tessarin
