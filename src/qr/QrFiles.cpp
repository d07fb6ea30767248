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

bool CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(from, to, ec)) return true;  // already there
    if (to.filename().empty() || std::filesystem::is_directory(to, ec)) return false;
    std::string prefix(1, '.');
    prefix.append(to.filename().string()).append(1, '.');
    auto temp = TempFile::CreateBeside(to, prefix);
    if (!temp) return false;
    std::array<std::uint8_t, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), temp->Stream()) != static_cast<std::size_t>(n))
            return false;
    }
    return temp->SetPermissions(0644) && !temp->Commit(to).has_value();
}

}  // namespace tessarin
