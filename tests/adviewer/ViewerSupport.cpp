#include "ViewerSupport.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tessarin::test {
namespace {

// A loopback port that was free a moment ago: bound, then closed unlistened.
int UnusedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

}  // namespace

StandInService& AdService() {
    return StandInService::Get(TESSARIN_ADVIEWER_TEST_DIR "/ad_stand_in.py");
}

std::filesystem::path DataFile(const std::string& name) {
    return std::filesystem::path(TESSARIN_ADVIEWER_TEST_DIR) / "data" / name;
}

std::filesystem::path AssetFile(const std::string& name) {
    return std::filesystem::path(TESSARIN_ADVIEWER_ASSETS) / name;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ScopedHome::ScopedHome() {
    ::setenv("TESSARIN_HOME", m_dir.Path().c_str(), 1);
}
ScopedHome::~ScopedHome() {
    ::unsetenv("TESSARIN_HOME");
}

ScopedNoService::ScopedNoService() : m_previous(AdService().BaseUrl()) {
    const std::string url = "https://127.0.0.1:" + std::to_string(UnusedPort()) + "/";
    ::setenv("TESSARIN_SERVICE_URL", url.c_str(), 1);
}

ScopedNoService::~ScopedNoService() {
    ::setenv("TESSARIN_SERVICE_URL", m_previous.c_str(), 1);
}

}  // namespace tessarin::test
