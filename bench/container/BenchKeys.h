#pragma once
// The key pieces the container benchmarks share: a mail launcher that only
// says yes, and an auth key of one key set for another.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "BenchSupport.h"
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

// North's and south's key files of the shared CryptoAPI fixtures; empty,
// after saying where they were looked for, when they are not there.
struct FixtureKeys {
    std::vector<std::uint8_t> northPub, northPriv, southPub, southPriv;
};
inline std::optional<FixtureKeys> LoadFixtureKeys(const std::filesystem::path& shared) {
    FixtureKeys k{ReadAll(shared / "north.vpub"), ReadAll(shared / "northPrivate.vpri"), ReadAll(shared / "south.vpub"),
                  ReadAll(shared / "southPrivate.vpri")};
    if (k.northPub.size() != 152 || k.northPriv.size() != 648) {
        std::fprintf(stderr, "fixtures not found under %s\n", shared.c_str());
        return std::nullopt;
    }
    return k;
}

}  // namespace tessarin::bench
