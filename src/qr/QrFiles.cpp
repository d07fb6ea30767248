#include "qr/QrFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/ByteIo.h"

namespace tessarin {
namespace {

// Closes a descriptor on every path.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<PublicKeyFileBytes> ReadPublicKeyFileBytes(const std::filesystem::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != static_cast<off_t>(kQrPublicKeyFileSize))
        return std::nullopt;
    PublicKeyFileBytes bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    if (LoadLe32(bytes.data()) != kQrPublicKeyFileSize - 4) return std::nullopt;
    return bytes;
}

std::optional<std::int64_t> FileCreationTime(const std::filesystem::path& path) {
#if defined(STATX_BTIME)
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
        if ((sx.stx_mask & STATX_BTIME) != 0) return static_cast<std::int64_t>(sx.stx_btime.tv_sec);
        if ((sx.stx_mask & STATX_MTIME) != 0) return static_cast<std::int64_t>(sx.stx_mtime.tv_sec);
    }
#endif
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtime);
}

namespace {

// Creates a temporary file beside path, lets fill write it, and renames it over
// path when everything succeeded; removes it otherwise.
bool ReplaceThroughTemporary(const std::filesystem::path& path, const std::function<bool(int)>& fill) {
    if (path.filename().empty()) return false;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string tmp = (folder / hidden).string();
    Fd fd(::mkstemp(tmp.data()));
    if (fd.Get() < 0) return false;
    bool ok = fill(fd.Get()) && ::fchmod(fd.Get(), 0644) == 0 && ::fsync(fd.Get()) == 0;
    ok = ::close(fd.Release()) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    return false;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    return ReplaceThroughTemporary(path, [bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

bool CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(from, to, ec)) return true;  // already there
    return ReplaceThroughTemporary(to, [&in](int out) {
        std::array<std::uint8_t, 64 * 1024> buffer{};
        for (;;) {
            const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
        }
    });
}

}  // namespace tessarin
