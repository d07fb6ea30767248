#pragma once
// Builds containers for the decryption tests the way the encryption
// pipeline writes them: CryptFile over the payload, the sender record with
// the keystream continued, RSA blocks under each recipient's public key,
// protected blocks under the file key, the tail or the history block.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "container/ContainerFormat.h"
#include "platform/SystemTime.h"

namespace tessarin::test {

struct KeySet {
    std::vector<std::uint8_t> publicFile;
    std::vector<std::uint8_t> privateFile;
    std::filesystem::path publicPath;
    std::filesystem::path privatePath;
    std::vector<std::uint8_t> PublicBlob() const;
    std::array<std::uint8_t, 32> Digest() const;  // private-key digest
};
// "north" or "south" from the shared CryptoAPI fixtures.
KeySet FixtureKeys(const std::string& name);

struct RecipientSpec {
    const KeySet* keys = nullptr;
    std::array<std::uint8_t, 32> authValue{};
    std::array<std::uint8_t, 32> privateKeyDigest{};
    SystemTime encryptionTime;
    std::uint32_t limitSeconds = 0;
    SystemTime limitStart;
    std::uint32_t decryptionCount = 0;
    std::uint32_t version = container::kRecordVersion;
    std::uint32_t senderKeyCheck = 0;
};

struct ContainerSpec {
    std::vector<std::uint8_t> payload;
    std::string storedName = "plain.txt";  // CP932 bytes
    std::vector<RecipientSpec> recipients;
    bool withSender = false;
    bool withHistory = false;
    std::string senderName = "south";
    std::string senderMail = "south@example.com";
    std::vector<std::uint8_t> senderPublicFile;
    std::array<std::uint8_t, 32> fileKey{};
};

ContainerSpec DefaultSpec(const KeySet& reader, const SystemTime& encrypted);

// Writes the container to path.
void WriteContainer(const ContainerSpec& spec, const std::filesystem::path& path);
std::vector<std::uint8_t> BuildContainer(const ContainerSpec& spec);

// The protected block of record `index`, decrypted with the file key.
std::array<std::uint8_t, container::kProtectedSize> ProtectedBlockOf(const std::vector<std::uint8_t>& container,
                                                                     int index,
                                                                     const std::array<std::uint8_t, 32>& fileKey);

std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed);

}  // namespace tessarin::test
