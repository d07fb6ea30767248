#pragma once
// Shared pieces of the service tests: a scratch folder, the user's own public
// key file, and quick progress runs.

#include <gtest/gtest.h>

#include <chrono>

#include "Fixtures.h"
#include "StandInService.h"
#include "net/ServiceClient.h"

namespace tessarin::test {

inline constexpr std::chrono::milliseconds kFastTick{20};
inline constexpr const char* kMail = "a+b@example.com";
inline constexpr const char* kMailEscaped = "a%2Bb%40example%2Ecom";
inline constexpr const char* kPassword = "pass word";
inline constexpr const char* kPasswordEscaped = "pass+word";

// 648 bytes standing for a private key file from the service.
inline std::string SamplePrivateKeyFile() {
    std::string key(648, '\0');
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return key;
}

class ServiceTest : public ::testing::Test {
protected:
    // Starts the stand-in first, so no client ever sees the compiled-in URL.
    void SetUp() override { (void)Service(); }
    StandInService& Service() { return StandInService::Get(); }
    void Script(const std::map<std::string, std::vector<ScriptedAnswer>>& answers) { Service().Script(answers); }
    // The own public key file, written into the scratch folder.
    std::filesystem::path OwnKey() {
        const auto p = m_dir / "own.vpub";
        if (!std::filesystem::exists(p)) WriteFileBytes(p, SamplePublicKeyFile());
        return p;
    }
    // A client ready to talk to the stand-in service.
    std::unique_ptr<CServiceClient> Client() {
        (void)Service();
        auto c = std::make_unique<CServiceClient>();
        c->Initialise();
        c->SetCredentials(kMail, kPassword);
        c->SetTempFolder(m_dir.Path());
        return c;
    }
    TempDir m_dir;
};

}  // namespace tessarin::test
