#include "keys/MakerKeys.h"

#include <system_error>

#include "keys/KeyFiles.h"
#include "keys/MakerKeyData.h"
#include "platform/Paths.h"

namespace tessarin {

static_assert(sizeof kMakerPublicKeyFiles[0] == kPublicKeyFileSize);
static_assert(sizeof kMakerPublicKeyFiles / sizeof kMakerPublicKeyFiles[0] == kLastMakerKeyId - kFirstMakerKeyId + 1);

std::span<const std::uint8_t> MakerPublicKeyFile(int resourceId) {
    if (resourceId < kFirstMakerKeyId || resourceId > kLastMakerKeyId) return {};
    return std::span<const std::uint8_t>(kMakerPublicKeyFiles[resourceId - kFirstMakerKeyId], kPublicKeyFileSize);
}

bool WriteClientMakerKey(const std::filesystem::path& dataHome) {
    std::error_code ec;
    std::filesystem::create_directories(dataHome, ec);
    if (ec) return false;
    return WriteFileReplacing(dataHome / kClientMakerKeyFileName, MakerPublicKeyFile(kClientMakerKeyId), false).Ok();
}

bool WriteClientMakerKey() {
    return WriteClientMakerKey(DataHome());
}

}  // namespace tessarin
