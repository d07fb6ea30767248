#pragma once
// A file descriptor closed on every path.

#include <unistd.h>

namespace tessarin {

class UniqueFd final {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { (void)Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    // Closes now; false (errno set) when the close reports an error.
    [[nodiscard]] bool Close() {
        if (m_fd < 0) return true;
        const int r = ::close(m_fd);
        m_fd = -1;
        return r == 0;
    }

private:
    int m_fd;
};

}  // namespace tessarin
