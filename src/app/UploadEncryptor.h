#pragma once
// The encryption pipeline behind the service client's encrypted transfer:
// each file is encrypted, as the address book does it, for the public keys
// fetched from the service, into the transfer's temporary folder. It runs on
// the service worker's thread, so it uses its own pipeline state and shows
// nothing.

#include <filesystem>
#include <string>
#include <vector>

#include "core/LanguageTable.h"
#include "net/ServiceClient.h"
#include "platform/Host.h"

namespace tessarin {

struct OwnKeySet {
    std::filesystem::path publicKeyPath;
    std::filesystem::path privateKeyPath;
    std::filesystem::path selfAuthKeyPath;
    std::string userName;
    std::string mailAddress;
};

class PipelineUploadEncryptor final : public IUploadEncryptor {
public:
    PipelineUploadEncryptor(const IHost& host, OwnKeySet own, LanguageTable::Language language);
    bool EncryptForUpload(const std::filesystem::path& source, const std::vector<std::filesystem::path>& recipientKeys,
                          const std::filesystem::path& output) override;

private:
    const IHost& m_host;
    OwnKeySet m_own;
    LanguageTable m_texts;
};

}  // namespace tessarin
