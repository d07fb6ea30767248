#include "platform/ServiceUrl.h"

#include <cstdlib>

namespace tessarin {

std::string ServiceBaseUrl() {
    const char* env = std::getenv("TESSARIN_SERVICE_URL");
    std::string url = (env && *env) ? env : kCompiledServiceUrl;
    if (url.back() != '/') url += '/';
    return url;
}

}  // namespace tessarin
