#pragma once
// Key material an encryption batch reads once and keeps until it ends.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/EncryptionBatch.h"
#include "keys/KeyFiles.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

struct EncryptionBatch::Keys {
    struct Recipient {
        std::filesystem::path path;
        ByteVector blob;
        std::uint64_t fingerprint = 0;
        std::array<std::uint8_t, 32> authValue{};
        bool isOwn = false;
        std::string name;  // CP932, for the history's user table
        std::string mail;
        std::shared_ptr<const RsaKey> rsa;  // the blob imported once; empty when it does not import
    };
    ~Keys() {
        SecureWipe(privateKeyDigest);
        SecureWipe(reinterpret_cast<std::uint8_t*>(keyText.data()), keyText.size());
        for (auto& r : recipients) SecureWipe(r.authValue);
    }
    std::optional<PrivateKeyFile> privateKey;  // read once per batch
    std::string keyText;                       // part 3 of the file key text
    std::array<std::uint8_t, 32> privateKeyDigest{};
    ByteVector ownPublicKeyFile;  // as stored: length and blob
    std::uint32_t senderKeyCheck = 0;
    std::array<std::uint8_t, 4> machineDigest{};
    std::vector<Recipient> recipients;
    bool prepared = false;
};

}  // namespace tessarin
