#include "platform/TempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace tessarin {

namespace {

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string ErrorText(int error) { return std::generic_category().message(error); }

}  // namespace

std::unique_ptr<TempFile> TempFile::CreateBeside(const std::filesystem::path& target, std::string_view prefix) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    ::fchmod(fd, 0666 & ~CurrentUmask());
    std::FILE* stream = ::fdopen(fd, "w+b");
    if (!stream) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        errno = error;
        return nullptr;
    }
    return std::unique_ptr<TempFile>(new TempFile(stream, pattern));
}

TempFile::~TempFile() { Discard(); }

bool TempFile::CloseStream() {
    if (!m_stream) return true;
    const bool ok = std::fflush(m_stream) == 0;
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    return ok && closed;
}

std::optional<std::string> TempFile::Commit(const std::filesystem::path& target, bool durable) {
    if (m_done) return std::string("already committed");
    bool synced = false;
    if (m_stream) {
        synced = std::fflush(m_stream) == 0 && (!durable || ::fsync(fileno(m_stream)) == 0);
        synced = CloseStream() && synced;
    } else if (!durable) {
        synced = true;
    } else {
        // Written through its path by others: bring it to the disk here.
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
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
    m_done = true;
    return std::nullopt;
}

bool TempFile::SetPermissions(unsigned mode) {
    if (m_done) return false;
    if (m_stream) return ::fchmod(fileno(m_stream), static_cast<mode_t>(mode)) == 0;
    return ::chmod(m_path.c_str(), static_cast<mode_t>(mode)) == 0;
}

void TempFile::Discard() {
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_done) {
        ::unlink(m_path.c_str());
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

}  // namespace tessarin
