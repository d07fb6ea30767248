#include "StandInService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tessarin::test {
namespace {

std::string Hex(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    if (hex == "-") return {};
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    for (const char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

}  // namespace

std::vector<std::string> RecordedRequest::FieldNames() const {
    std::vector<std::string> names;
    for (const auto& f : fields) names.push_back(f.name);
    return names;
}

std::vector<std::string> RecordedRequest::Values(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& f : fields)
        if (f.name == name) values.push_back(f.value);
    return values;
}

std::string RecordedRequest::Query(const std::string& name) const {
    for (const auto& [k, v] : query)
        if (k == name) return v;
    return "<absent>";
}

StandInService& StandInService::Get(const std::string& script) {
    static StandInService instance(script);
    return instance;
}

StandInService::StandInService(const std::string& scriptName) {
    // Only the loopback service is ever talked to: no proxy may redirect it.
    for (const char* var : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(var);
    setenv("NO_PROXY", "*", 1);
    setenv("no_proxy", "*", 1);

    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string script = (std::filesystem::path(TESSARIN_TEST_DATA_DIR) / scriptName).string();
    const std::string dir = m_dir.Path().string();
    std::vector<std::string> args = {"/usr/bin/python3", script, "--dir", dir, "--lifetime", "600"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        throw std::runtime_error("cannot start the stand-in service");
    }
    m_pid = pid;
    m_stdin = fds[1];

    const auto portFile = m_dir.Path() / "port";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(portFile)) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("the stand-in service ended early");
        }
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the stand-in service did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream(portFile) >> m_port;
    m_baseUrl = "https://127.0.0.1:" + std::to_string(m_port) + "/";
    int wrongNamePort = 0;
    std::ifstream(m_dir.Path() / "port_wrong_name") >> wrongNamePort;
    m_wrongNameBaseUrl = "https://127.0.0.1:" + std::to_string(wrongNamePort) + "/";
    setenv("TESSARIN_SERVICE_URL", m_baseUrl.c_str(), 1);
    setenv("TESSARIN_CA_FILE", CaFile().c_str(), 1);
}

StandInService::~StandInService() {
    if (m_stdin >= 0) close(m_stdin);  // the service stops when its input closes
    if (m_pid > 0) {
        int status = 0;
        for (int i = 0; i < 100 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (waitpid(m_pid, &status, WNOHANG) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
}

void StandInService::Script(const std::map<std::string, std::vector<ScriptedAnswer>>& answers) {
    std::ostringstream json;
    json << "{";
    bool firstRoute = true;
    for (const auto& [route, list] : answers) {
        if (!firstRoute) json << ",";
        firstRoute = false;
        json << "\"" << route << "\":[";
        for (std::size_t i = 0; i < list.size(); ++i) {
            const auto& a = list[i];
            if (i) json << ",";
            json << "{\"status\":" << a.status << ",\"body_hex\":\"" << Hex(a.body)
                 << "\",\"delay\":" << a.delaySeconds;
            if (a.truncateAt) json << ",\"truncate\":" << *a.truncateAt;
            json << "}";
        }
        json << "]";
    }
    json << "}";
    const auto tmp = m_dir.Path() / "script.json.tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << json.str();
    }
    std::filesystem::rename(tmp, m_dir.Path() / "script.json");
    std::ofstream(m_dir.Path() / "records.log", std::ios::trunc).close();
}

std::vector<RecordedRequest> StandInService::Requests() const {
    std::vector<RecordedRequest> out;
    std::ifstream in(m_dir.Path() / "records.log");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        RecordedRequest r;
        for (const auto& token : Split(line, ' ')) {
            const auto eq = token.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = token.substr(0, eq);
            const std::string value = token.substr(eq + 1);
            if (key == "field") {
                const auto p = Split(value, ':');
                if (p.size() == 5)
                    r.fields.push_back({Unhex(p[0]), Unhex(p[1]), Unhex(p[2]), Unhex(p[3]), p[4] == "1"});
            } else if (key == "qs") {
                const auto p = Split(value, ':');
                if (p.size() == 2) r.query.emplace_back(Unhex(p[0]), Unhex(p[1]));
            } else if (key == "method")
                r.method = Unhex(value);
            else if (key == "target")
                r.target = Unhex(value);
            else if (key == "route")
                r.route = Unhex(value);
            else if (key == "ctype")
                r.contentType = Unhex(value);
            else if (key == "agent")
                r.userAgent = Unhex(value);
            else if (key == "cache")
                r.cacheControl = Unhex(value);
            else if (key == "body")
                r.body = Unhex(value);
            else if (key == "error")
                r.parseError = Unhex(value);
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<RecordedRequest> StandInService::Requests(const std::string& route) const {
    std::vector<RecordedRequest> out;
    for (auto& r : Requests())
        if (r.route == route) out.push_back(std::move(r));
    return out;
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

PlainListener::PlainListener() {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(m_fd, 16) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(m_fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] {
        while (!m_stop.load()) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int fd = accept(m_fd, nullptr, nullptr);
            if (fd < 0) continue;
            m_contacts.fetch_add(1);
            close(fd);
        }
    });
}

PlainListener::~PlainListener() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_fd >= 0) close(m_fd);
}

std::vector<std::uint8_t> SamplePublicKeyFile() {
    std::vector<std::uint8_t> f = {0x94, 0x00, 0x00, 0x00, 0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00,
                                   0x52, 0x53, 0x41, 0x31, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00};
    for (int i = 0; i < 128; ++i) f.push_back(static_cast<std::uint8_t>(i));
    return f;
}

std::string SamplePublicKeyHex() {
    std::string hex;
    char pair[3];
    for (int i = 127; i >= 0; --i) {
        std::snprintf(pair, sizeof pair, "%02x", i);
        hex += pair;
    }
    return hex;
}

}  // namespace tessarin::test
