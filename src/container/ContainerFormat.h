#pragma once
// The .tza container, byte for byte:
//
//   payload (P bytes)             source XORed with the file key's keystream
//   [flag 8] sender record (80)   name 20 + mail 60, same keystream continued
//   [flag 8] sender public key    the sender's public key file as stored
//   N recipient records (256 each), then the history block when flag 0x10
//   tail (48)                     "TZA!", N, 0, 0, P, 1 0 0 flags, 1 0 0 flags, 0, 0, 1, 0, 0
//
// Recipient record: fingerprint (8), Crc64 of the RSA plaintext (8), RSA
// block (128) over [file key 32, name 76, version 4], protected block (112)
// XORed under a fresh cipher keyed with the file key: authentication value
// 32, machine digest 4, encryption time 16, limit 4, private-key digest 32,
// limit start 16, decryption count 4, sender key check 4.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/SystemTime.h"

namespace tessarin {

class CStreamCipher;

namespace container {

inline constexpr std::size_t kTailSize = 48;
inline constexpr std::size_t kRecordSize = 256;
inline constexpr std::size_t kMinContainerSize = kTailSize + kRecordSize;  // 304
inline constexpr std::size_t kNameFieldSize = 76;
inline constexpr std::size_t kSenderRecordSize = 80;
inline constexpr std::size_t kSenderNameSize = 20;
inline constexpr std::size_t kSenderMailSize = 60;
inline constexpr std::size_t kRsaPlainSize = 112;
inline constexpr std::size_t kProtectedSize = 112;
inline constexpr std::size_t kFileKeySize = 32;
inline constexpr std::uint32_t kRecordVersion = 0x2002;
inline constexpr std::uint32_t kNewestVersion = 0x0100001F;
inline constexpr std::string_view kMagic = "TZA!";
inline constexpr std::string_view kExtension = ".tza";
// The payload length is a signed 32-bit field.
inline constexpr std::int64_t kMaxPayloadLength = 0x7FFFFFFF;

// Record offsets.
inline constexpr std::size_t kRecFingerprint = 0;
inline constexpr std::size_t kRecCheck = 8;
inline constexpr std::size_t kRecRsa = 16;
inline constexpr std::size_t kRecProtected = 144;
// Offsets inside the protected plaintext (record offset − 144).
inline constexpr std::size_t kProtAuth = 0;
inline constexpr std::size_t kProtMachine = 32;
inline constexpr std::size_t kProtTime = 36;
inline constexpr std::size_t kProtLimit = 52;
inline constexpr std::size_t kProtKeyDigest = 56;
inline constexpr std::size_t kProtLimitStart = 88;
inline constexpr std::size_t kProtCount = 104;
inline constexpr std::size_t kProtSenderCheck = 108;

// Option value bits (V) and the flags byte they give.
inline constexpr int kOptionTimeLimit = 1;
inline constexpr int kOptionSender = 4;
inline constexpr int kOptionHistory = 8;
inline constexpr std::uint8_t kFlagSender = 8;
inline constexpr std::uint8_t kFlagHistory = 0x10;

// 0 when V is 0 or 1, else V × 2.
std::uint8_t FlagsFromOptionValue(int v);

using Tail = std::array<std::uint8_t, kTailSize>;
Tail BuildTail(std::int32_t recipientCount, std::int32_t payloadLength, std::uint8_t flags);
// Rewrites the count field (offset 4) of a built tail.
void SetTailCount(Tail& tail, std::int32_t recipientCount);

// The 76-byte name field: the name as stored (CP932 bytes), the stem cut to
// (76 − extension length) bytes, the extension (from the last '.') whole. A
// cut never splits a double-byte character.
std::array<std::uint8_t, kNameFieldSize> BuildNameField(std::string_view cp932Name);
// The stored form of a UTF-8 file name: its CP932 bytes, or the UTF-8 bytes
// unchanged when CP932 cannot hold it.
std::string StoredName(std::string_view utf8Name);

// Name 20 bytes + mail 60 bytes, zero-padded CP932 text.
std::array<std::uint8_t, kSenderRecordSize> BuildSenderRecord(std::string_view cp932Name, std::string_view cp932Mail);

struct RecipientFields {
    std::array<std::uint8_t, kFileKeySize> fileKey{};
    std::array<std::uint8_t, kNameFieldSize> name{};
    std::uint32_t version = kRecordVersion;
    std::array<std::uint8_t, 32> authValue{};
    std::array<std::uint8_t, 4> machineDigest{};
    SystemTime encryptionTime;
    std::uint32_t limitSeconds = 0;
    std::array<std::uint8_t, 32> privateKeyDigest{};
    SystemTime limitStart;
    std::uint32_t decryptionCount = 0;
    std::uint32_t senderKeyCheck = 0;
};

std::array<std::uint8_t, kRsaPlainSize> RsaPlaintext(const RecipientFields& f);
std::array<std::uint8_t, kProtectedSize> ProtectedPlaintext(const RecipientFields& f);

// The record with bytes 0–15 (fingerprint and check value) and the protected
// block filled; bytes 16–143 receive the RSA block, which the caller supplies.
using Record = std::array<std::uint8_t, kRecordSize>;
Record BuildRecord(const RecipientFields& f, std::uint64_t recipientFingerprint,
                   std::span<const std::uint8_t, 128> rsaBlock);
// The protected block XORed under a fresh cipher keyed with the file key
// (used in both directions).
std::array<std::uint8_t, kProtectedSize> CryptProtectedBlock(std::span<const std::uint8_t, kProtectedSize> block,
                                                             std::span<const std::uint8_t, kFileKeySize> fileKey);

// ---------------------------------------------------------------------------
// Built-in values. They are identical in every installation and must never
// change: containers, auth keys and private-key digests made with one value
// cannot be checked by a program holding another. The program constant and
// the key mark key are the key store's (keys/AuthSecret.h, keys/KeyFiles.h);
// the machine-digest format below is the container's own.

inline constexpr std::size_t kProgramConstantSize = 19;
inline constexpr std::size_t kPrivateKeyBlockSize = 386;
// The 19-byte program constant, built once from its built-in enciphered form.
const std::array<std::uint8_t, kProgramConstantSize>& ProgramConstant();

// The private-key block of a private key file: the 48 bytes after its
// length-prefixed blob, file bytes 200–499, the program constant, 0xB6 × 19.
// Empty when the file is too short or its length runs past the end.
std::optional<std::array<std::uint8_t, kPrivateKeyBlockSize>> PrivateKeyBlock(
    std::span<const std::uint8_t> privateKeyFile);
// Bytes 0–31 of the SHA-512 of that block (the auth secret of the key set).
std::optional<std::array<std::uint8_t, 32>> PrivateKeyDigest(std::span<const std::uint8_t> privateKeyFile);

// The 29-byte format of the machine digest text (user name, computer name).
inline constexpr std::string_view kMachineDigestFormat = "Tessarin:user=%s;machine=%s;.";
static_assert(kMachineDigestFormat.size() == 29);
// Bytes 29–32 of the SHA-512 of [value 32][text formatted from the user and
// computer names, CP932 where possible, at most 224 bytes, zero-padded].
std::array<std::uint8_t, 4> MachineDigest(std::span<const std::uint8_t, 32> value, std::string_view userName,
                                          std::string_view computerName);

// The sender key check: low 32 bits of the key mark of the sender's blob.
std::uint32_t SenderKeyCheck(std::span<const std::uint8_t> senderPublicBlob);

// Part 3 of the file key text: private key file bytes 104–358 with every zero
// byte replaced by 0x01 (255 bytes). Empty when the file is shorter.
std::optional<std::string> KeyTextFromPrivateKey(std::span<const std::uint8_t> privateKeyFile);

// The file key text: "%2d%2d%3d%d" (minute, second, milliseconds, tick
// count), the source path, then part 3.
std::string FileKeyText(const SystemTime& now, std::uint32_t tickCount, std::string_view sourcePath,
                        std::string_view part3);

}  // namespace container
}  // namespace tessarin
