#include "platform/TempFile.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace tessarin {

namespace {

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

std::atomic<bool> g_unnamedAllowed{true};

// Named temporaries for the termination handler. A slot is written only
// while its state is kWriting; the handler reads only kReady slots.
constexpr int kFree = 0;
constexpr int kWriting = 1;
constexpr int kReady = 2;
struct CleanupSlot {
    std::atomic<int> state{kFree};
    std::array<char, PATH_MAX> path{};
};
std::array<CleanupSlot, 64> g_cleanup;
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

int RegisterForCleanup(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX) return -1;
    for (std::size_t i = 0; i < g_cleanup.size(); ++i) {
        int expected = kFree;
        if (!g_cleanup[i].state.compare_exchange_strong(expected, kWriting)) continue;
        std::memcpy(g_cleanup[i].path.data(), text.c_str(), text.size() + 1);
        g_cleanup[i].state.store(kReady);
        return static_cast<int>(i);
    }
    return -1;
}

void Unregister(int slot) {
    if (slot >= 0) g_cleanup[static_cast<std::size_t>(slot)].state.store(kFree);
}

// Async-signal-safe.
void RemoveRegistered() {
    for (auto& slot : g_cleanup)
        if (slot.state.load() == kReady) ::unlink(slot.path.data());
}

extern "C" void OnTerminationSignal(int signo) {
    const int saved = errno;
    RemoveRegistered();
    int expected = 0;
    if (!g_signal.compare_exchange_strong(expected, signo)) {
        // A second signal: stop now (delivered once this handler returns).
        ::signal(signo, SIG_DFL);
        ::raise(signo);
    }
    errno = saved;
}

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A name "<prefix>XXXXXX" not yet taken is found by trying.
std::filesystem::path CandidateName(const std::filesystem::path& folder, const std::string& prefix) {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string name = prefix;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    for (int i = 0; i < 6; ++i) name.push_back(kChars[pick(generator)]);
    return folder / name;
}

// Brings a folder's entries (a new name in it) to the disk.
bool SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

bool LinkFd(int fd, const std::filesystem::path& name) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

void TempFile::SetUnnamedFilesAllowed(bool allowed) {
    g_unnamedAllowed.store(allowed);
}

TempFile::TempFile(std::FILE* stream, std::filesystem::path path, bool unnamed, std::string prefix)
    : m_stream(stream), m_path(std::move(path)), m_unnamed(unnamed), m_prefix(std::move(prefix)) {}

std::unique_ptr<TempFile> TempFile::CreateBeside(const std::filesystem::path& target, std::string_view prefix) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    int fd = -1;
    bool unnamed = false;
    std::string pattern;
#ifdef O_TMPFILE
    // An unnamed file is linked through /proc/self/fd when committed.
    static const bool canLink = ::access("/proc/self/fd", X_OK) == 0;
    if (g_unnamedAllowed.load() && canLink) {
        fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        unnamed = fd >= 0;
    }
#endif
    if (fd < 0) {
        pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);  // mode 0600
        if (fd < 0) return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, "w+b");
    if (!stream) {
        const int error = errno;
        ::close(fd);
        if (!unnamed) ::unlink(pattern.c_str());
        errno = error;
        return nullptr;
    }
    const std::filesystem::path path =
        unnamed ? std::filesystem::path("/proc/self/fd/" + std::to_string(fd)) : std::filesystem::path(pattern);
    std::unique_ptr<TempFile> temp(new TempFile(stream, path, unnamed, std::string(prefix)));
    temp->m_folder = folder;
    if (!unnamed) temp->m_cleanupSlot = RegisterForCleanup(path);
    return temp;
}

TempFile::~TempFile() {
    Discard();
}

void TempFile::SetName(const std::filesystem::path& path) {
    m_path = path;
    m_unnamed = false;
    m_cleanupSlot = RegisterForCleanup(path);
}

void TempFile::DropName() {
    Unregister(m_cleanupSlot);
    m_cleanupSlot = -1;
}

bool TempFile::GiveName() {
    if (!m_unnamed) return true;
    if (!m_stream) return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = CandidateName(m_folder, m_prefix);
        if (LinkFd(fileno(m_stream), candidate)) {
            SetName(candidate);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool TempFile::CloseStream() {
    if (!m_stream) return true;
    bool ok = std::fflush(m_stream) == 0;
    ok = GiveName() && ok;
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    return ok && closed;
}

std::optional<std::string> TempFile::Commit(const std::filesystem::path& target, bool durable) {
    if (m_done) return std::string("already committed");
    bool synced = false;
    if (m_stream) {
        synced = std::fflush(m_stream) == 0 && (!durable || ::fsync(fileno(m_stream)) == 0);
        if (synced && !m_permissionsSet) synced = SetPermissions(0666 & ~CurrentUmask());
        if (synced && m_unnamed) {
            // An unnamed file gets its name only now, complete: the target's
            // own when it is free, else a hidden one renamed over it below.
            if (LinkFd(fileno(m_stream), target)) {
                std::fclose(m_stream);
                m_stream = nullptr;
                m_done = true;
                return SyncedName(target, durable);
            }
            synced = errno == EEXIST && GiveName();
        }
        synced = CloseStream() && synced;
    } else if (!durable) {
        synced = m_permissionsSet || SetPermissions(0666 & ~CurrentUmask());
    } else {
        // Written through its path by others: bring it to the disk here.
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (synced && !m_permissionsSet) synced = SetPermissions(0666 & ~CurrentUmask());
    }
    if (!synced) {
        const int error = errno;
        Discard();
        return ErrorText(error ? error : EIO);
    }
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        Discard();
        return ErrorText(error);
    }
    DropName();
    m_done = true;
    return SyncedName(target, durable);
}

std::optional<std::string> TempFile::SyncedName(const std::filesystem::path& target, bool durable) const {
    // Whoever deletes something because the new file exists needs its name
    // on the disk too, or a power loss could take the old file and the new
    // name both.
    const std::filesystem::path folder = target.parent_path();
    if (!durable || SyncFolder(folder.empty() ? std::filesystem::path(".") : folder)) return std::nullopt;
    return ErrorText(errno ? errno : EIO);
}

bool TempFile::SetPermissions(unsigned mode) {
    if (m_done) return false;
    const bool ok = m_stream ? ::fchmod(fileno(m_stream), static_cast<mode_t>(mode)) == 0
                             : ::chmod(m_path.c_str(), static_cast<mode_t>(mode)) == 0;
    if (ok) m_permissionsSet = true;
    return ok;
}

void TempFile::Discard() {
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_done) {
        if (!m_unnamed) ::unlink(m_path.c_str());
        DropName();
        m_done = true;
    }
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, unsigned mode) {
    std::error_code ec;
    if (path.filename().empty() || std::filesystem::is_directory(path, ec)) return false;
    std::string prefix(1, '.');
    prefix.append(path.filename().string()).append(1, '.');
    auto temp = TempFile::CreateBeside(path, prefix);
    if (!temp) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), temp->Stream()) != bytes.size()) return false;
    if (!temp->SetPermissions(mode)) return false;
    return !temp->Commit(path).has_value();
}

void InstallTerminationCleanup() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (const int s : kTerminationSignals) sigaddset(&action.sa_mask, s);
    // No SA_RESTART: a read waiting for an answer returns, so the job gets
    // to its next check of the stop mark.
    action.sa_flags = 0;
    for (const int s : kTerminationSignals) (void)::sigaction(s, &action, nullptr);
}

int TerminationSignal() {
    return g_signal.load();
}

void EndByTerminationSignal() {
    const int signo = g_signal.load();
    if (signo == 0) return;
    RemoveRegistered();
    std::fflush(nullptr);
    ::signal(signo, SIG_DFL);
    ::raise(signo);
}

}  // namespace tessarin
