#pragma once
// An independent reader of .tza containers for the tests, transcribed from
// the container format's reader steps: tail, record lookup by fingerprint,
// RSA, check value, protected block, payload (and the sender block with
// flag 8). It shares no code with the writer beyond the core primitives.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessarin::test {

struct DecodedContainer {
    bool ok = false;
    std::string error;
    std::int32_t recordCount = 0;  // the tail's N
    std::int32_t payloadLength = 0;
    std::uint8_t flags = 0;
    int recordIndex = -1;
    std::array<std::uint8_t, 32> fileKey{};
    std::string storedName;
    std::uint32_t recordVersion = 0;
    std::array<std::uint8_t, 112> protectedBlock{};
    std::vector<std::uint8_t> payload;
    std::array<std::uint8_t, 80> senderRecord{};
    std::vector<std::uint8_t> senderKeyFile;

    // Fields of the protected block.
    std::array<std::uint8_t, 32> AuthValue() const;
    std::array<std::uint8_t, 4> MachineDigest() const;
    std::array<std::uint8_t, 16> EncryptionTime() const;
    std::uint32_t Limit() const;
    std::array<std::uint8_t, 32> PrivateKeyDigest() const;
    std::array<std::uint8_t, 16> LimitStart() const;
    std::uint32_t Count() const;
    std::uint32_t SenderKeyCheck() const;
};

DecodedContainer DecodeContainer(const std::vector<std::uint8_t>& container,
                                 const std::vector<std::uint8_t>& publicKeyFile,
                                 const std::vector<std::uint8_t>& privateKeyFile);

}  // namespace tessarin::test
