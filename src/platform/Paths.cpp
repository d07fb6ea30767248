#include "platform/Paths.h"

#include <cstdlib>

namespace tessarin {
namespace {

std::filesystem::path FromEnvironment(const char* xdgVariable, const char* homeRelative) {
    if (const char* home = std::getenv("TESSARIN_HOME"); home && *home) return home;
    if (const char* xdg = std::getenv(xdgVariable); xdg && *xdg && xdg[0] == '/')
        return std::filesystem::path(xdg) / "Tessarin";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / homeRelative / "Tessarin";
}

}  // namespace

std::filesystem::path DataHome() {
    return FromEnvironment("XDG_DATA_HOME", ".local/share");
}
std::filesystem::path ConfigHome() {
    return FromEnvironment("XDG_CONFIG_HOME", ".config");
}

}  // namespace tessarin
