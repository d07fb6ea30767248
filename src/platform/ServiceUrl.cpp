#include "platform/ServiceUrl.h"

#include <cctype>
#include <cstdlib>

namespace tessarin {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : std::string();
}

}  // namespace

std::string ServiceBaseUrl() {
    std::string url = Environment("TESSARIN_SERVICE_URL");
    if (url.empty()) url = kCompiledServiceUrl;
    if (url.back() != '/') url += '/';
    return url;
}

bool ServiceUrlOverridden() {
    return !Environment("TESSARIN_SERVICE_URL").empty();
}

bool IsHttpsUrl(std::string_view url) {
    constexpr std::string_view kScheme = "https://";
    if (url.size() <= kScheme.size()) return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return false;
    // A host name, an address, or a bracketed IPv6 address.
    const auto first = static_cast<unsigned char>(url[kScheme.size()]);
    return std::isalnum(first) || first == '[';
}

std::string ServiceCaFile() {
    return ServiceUrlOverridden() ? Environment("TESSARIN_CA_FILE") : std::string();
}

}  // namespace tessarin
