#pragma once
// The key pieces the container benchmarks share: a mail launcher that only
// says yes, and an auth key of one key set for another.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/MailMessage.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"

namespace tessarin::bench {

class NoMail final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>&) override { return true; }
};

inline std::vector<std::uint8_t> AuthKey(const std::vector<std::uint8_t>& ownerPub,
                                         const std::vector<std::uint8_t>& issuerPub,
                                         const std::vector<std::uint8_t>& issuerPriv) {
    AuthRecord record;
    record.secret = *AuthSecret(issuerPriv);
    record.name = "bench";
    auto cipher = EncryptAuthRecord(std::span(ownerPub).subspan(4), record);
    return BuildAuthKeyFile(std::span(issuerPub).subspan(4), *cipher);
}

}  // namespace tessarin::bench
