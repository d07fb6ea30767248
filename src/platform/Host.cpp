#include "platform/Host.h"

#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace tessarin {

std::time_t LinuxHost::Now() const {
    return std::time(nullptr);
}

SystemTime LinuxHost::LocalTime() const {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return SystemTimeFromTimeT(tv.tv_sec, static_cast<std::uint16_t>(tv.tv_usec / 1000));
}

std::uint32_t LinuxHost::TickCount() const {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    return static_cast<std::uint32_t>(ms);
}

std::string LinuxHost::UserName() const {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* u = std::getenv("USER"); u && *u) return u;
    return {};
}

std::string LinuxHost::ComputerName() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

IHost& DefaultHost() {
    static LinuxHost host;
    return host;
}

}  // namespace tessarin
