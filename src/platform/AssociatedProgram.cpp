#include "platform/AssociatedProgram.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tessarin {

namespace {

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
}

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    out.reserve(argv.size() + 1);
    for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<std::string> ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

// ---------------------------------------------------------------------------
// Processes

std::optional<std::string> SystemProcessRunner::Capture(const std::vector<std::string>& argv) {
    if (argv.empty()) return std::nullopt;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    auto args = ArgvPointers(argv);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        // Answers are one line; a runaway program is cut off.
        if (out.size() < 64 * 1024) out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (WaitFor(pid) != 0) return std::nullopt;
    return out;
}

int SystemProcessRunner::RunAndWait(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    auto args = ArgvPointers(argv);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    return WaitFor(pid);
}

bool SystemProcessRunner::IsRunning(std::string_view executableName) {
    if (executableName.empty()) return false;
    // /proc/<pid>/comm holds at most 15 characters of the name.
    const std::string wanted(executableName.substr(0, 15));
    const uid_t me = ::getuid();
    DIR* dir = ::opendir("/proc");
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (*name < '0' || *name > '9') continue;
        const std::filesystem::path proc = std::filesystem::path("/proc") / name;
        auto comm = ReadText(proc / "comm");
        if (!comm || Trim(*comm) != wanted) continue;
        // Only this user's processes count.
        auto statusText = ReadText(proc / "status");
        if (statusText) {
            const auto pos = statusText->find("\nUid:");
            if (pos != std::string::npos) {
                const auto uid = std::strtoul(statusText->c_str() + pos + 5, nullptr, 10);
                if (uid != me) continue;
            }
        }
        found = true;
        break;
    }
    ::closedir(dir);
    return found;
}

// ---------------------------------------------------------------------------
// Desktop entries

std::vector<std::filesystem::path> DesktopEntryFolders() {
    std::vector<std::filesystem::path> out;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) {
        out.emplace_back(std::filesystem::path(dataHome) / "applications");
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        out.emplace_back(std::filesystem::path(home) / ".local/share/applications");
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = list.find(':', start);
        const std::string part = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!part.empty()) out.emplace_back(std::filesystem::path(part) / "applications");
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

std::optional<std::string> DesktopExecValue(std::string_view text) {
    bool inEntry = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.compare(0, 4, "Exec") != 0) continue;
        std::size_t i = 4;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size() || line[i] != '=') continue;
        return Trim(std::string_view(line).substr(i + 1));
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> ExpandExecLine(std::string_view exec, const std::filesystem::path& file) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false, usedFile = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                current.push_back(exec[++i]);
            } else {
                current.push_back(c);
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg) args.push_back(std::move(current));
            current.clear();
            inArg = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            const char code = exec[++i];
            switch (code) {
                case '%':
                    current.push_back('%');
                    inArg = true;
                    break;
                case 'f':
                case 'F':
                case 'u':
                case 'U':
                    if (!usedFile) {
                        current += file.string();
                        inArg = true;
                        usedFile = true;
                    }
                    break;
                default:
                    break;  // %i %c %k and the deprecated codes
            }
        } else {
            current.push_back(c);
            inArg = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inArg) args.push_back(std::move(current));
    if (args.empty()) return std::nullopt;
    if (!usedFile) args.push_back(file.string());
    return args;
}

std::optional<AssociatedProgram> FindAssociatedProgram(const std::filesystem::path& file, IProcessRunner& runner,
                                                       const std::vector<std::filesystem::path>& folders) {
    AssociatedProgram program;
    if (auto type = runner.Capture({"xdg-mime", "query", "filetype", file.string()}); type && !Trim(*type).empty()) {
        program.mimeType = Trim(*type);
    } else if (auto type2 = runner.Capture({"file", "--brief", "--mime-type", file.string()});
               type2 && !Trim(*type2).empty()) {
        program.mimeType = Trim(*type2);
    } else {
        return std::nullopt;
    }
    if (auto id = runner.Capture({"xdg-mime", "query", "default", program.mimeType}); id && !Trim(*id).empty()) {
        program.desktopId = Trim(*id);
    } else if (auto gio = runner.Capture({"gio", "mime", program.mimeType})) {
        // "Default application for “type”: name.desktop"
        const auto line = gio->substr(0, gio->find('\n'));
        const auto colon = line.rfind(": ");
        if (colon != std::string::npos) program.desktopId = Trim(std::string_view(line).substr(colon + 2));
    }
    if (program.desktopId.empty() || program.desktopId.find('/') != std::string::npos) return std::nullopt;
    for (const auto& folder : folders) {
        std::error_code ec;
        auto candidate = folder / program.desktopId;
        if (!std::filesystem::is_regular_file(candidate, ec)) {
            // "vendor-app.desktop" may live at vendor/app.desktop.
            std::string id = program.desktopId;
            const auto dash = id.find('-');
            if (dash == std::string::npos) continue;
            candidate = folder / id.substr(0, dash) / id.substr(dash + 1);
            if (!std::filesystem::is_regular_file(candidate, ec)) continue;
        }
        const auto text = ReadText(candidate);
        if (!text) continue;
        const auto exec = DesktopExecValue(*text);
        if (!exec) continue;
        auto argv = ExpandExecLine(*exec, file);
        if (!argv) continue;
        program.desktopFile = candidate;
        program.argv = std::move(*argv);
        program.executable = std::filesystem::path(program.argv.front()).filename().string();
        return program;
    }
    return std::nullopt;
}

int OpenWithAssociatedProgram(const std::filesystem::path& file, IProcessRunner& runner,
                              const std::vector<std::filesystem::path>& folders) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return kOpenFileNotFound;
    const auto program = FindAssociatedProgram(file, runner, folders);
    if (!program) return kOpenNoAssociation;
    if (runner.RunAndWait(program->argv) < 0) return kOpenAccessDenied;
    return kOpenSucceeded;
}

bool IsOnOpticalDisc(const std::filesystem::path& file) {
    struct statfs st {};
    if (::statfs(file.c_str(), &st) != 0) return false;
    constexpr unsigned long kIso9660 = 0x9660;
    constexpr unsigned long kUdf = 0x15013346;
    const auto type = static_cast<unsigned long>(st.f_type);
    return type == kIso9660 || type == kUdf;
}

}  // namespace tessarin
