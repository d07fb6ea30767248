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
#include <string_view>
#include <vector>

#include "FilledTexts.h"
#include "container/ContainerFormat.h"
#include "platform/SystemTime.h"

namespace tessarin::test {

// The messages the decryption side shows, word for word, written here
// independently of the program's own constants.
namespace said {
inline constexpr std::string_view kBroken = "This file type is not TZA file or broken.";
inline constexpr std::string_view kNewerVersion = "This file is created by the new version of Tessarin.";
inline constexpr std::string_view kOldHistoryFormat =
    "This software cannot decrypt files encrypted with a log by TZA-P2P Ver1.03.";
inline constexpr std::string_view kKeyFileNotFound =
    "Key file is not found. \n  Please make a key set before decryption.";
inline constexpr std::string_view kNotAuthorized = "You are not authorized to decrypt this file.";
inline constexpr std::string_view kNotAuthorizedForward =
    "This file cannot be transferred because the TZA file is not authorized to be decrypted.";
inline constexpr std::string_view kNotAuthorizedHistory =
    "The logs cannot be shown because the TZA file is not authorized to be decrypted.";
inline constexpr std::string_view kSpoofing =
    "Since there is a possibility of spoofing now, current process is stopped.";
inline constexpr std::string_view kCheckClock = "Please check the time of the PC used for encryption.";
inline constexpr std::string_view kExpired = "It is over effective time. A file is erased.";
inline constexpr std::string_view kExpiredNotErased = "It is over effective time. The file could not be erased.";
inline constexpr std::string_view kExpiredKept =
    "It is over effective time. The file is not erased and is kept as it is.";
inline constexpr std::string_view kOnCdRom =
    "Direct encryption of files in CD-ROM is not allowed in Tessarin.\nPlease move a TZA file to a hard disk "
    "before decryption..";
inline constexpr std::string_view kContainerReadOnly =
    "This TZA file is a read only.\n  Please change the attribution of the TZA file before decryption.";
inline constexpr std::string_view kUsbConnected = "A USB memory has been connected. Decrypt it?";
inline constexpr std::string_view kAutoFolderMissing =
    "The folder set for automatic encryption/decryption was not found.\nStarting anyway.";
// The program's own texts for inputs the older program never met.
inline constexpr std::string_view kBadStoredName =
    "The file name stored in %s cannot be used as a file name.\nThe file was not decrypted.";
inline constexpr std::string_view kOutputIsContainer =
    "The decrypted file would replace %s itself.\nThe file was not decrypted.";
}  // namespace said

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
