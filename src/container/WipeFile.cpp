#include "container/WipeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "core/LanguageTable.h"
#include "platform/UserDialog.h"

namespace tessarin {

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    bool Close() {
        if (m_fd < 0) return true;
        const int r = ::close(m_fd);
        m_fd = -1;
        return r == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WipeFile(const std::filesystem::path& path) { return WipeFile(path, nullptr); }

bool WipeFile(const std::filesystem::path& path, IWipeObserver* observer) {
    // No O_CREAT: a missing file is a failure, not something to make and delete.
    Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) return false;
    struct stat st{};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);

    if (size == 0) {
        fd.Close();
        return ::unlink(path.c_str()) == 0;
    }

    auto buffer = std::make_unique<std::uint8_t[]>(kWipeBufferSize);
    for (int pass = 0; pass < kWipePasses; ++pass) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        const auto fill = static_cast<std::uint8_t>(std::rand() % 255);
        std::fill_n(buffer.get(), kWipeBufferSize, fill);
        if (::lseek(fd.Get(), 0, SEEK_SET) != 0) return false;
        std::uint64_t remaining = size;
        while (remaining > 0) {
            const std::size_t chunk = remaining < kWipeBufferSize ? static_cast<std::size_t>(remaining) : kWipeBufferSize;
            if (!WriteAll(fd.Get(), buffer.get(), chunk)) return false;
            if (observer) observer->OnWrite(pass, fill, chunk);
            remaining -= chunk;
        }
        // Each pass reaches the disk before the next one starts.
        if (::fdatasync(fd.Get()) != 0) return false;
    }
    buffer.reset();
    if (!fd.Close()) return false;
    return ::unlink(path.c_str()) == 0;
}

bool IsReadOnlyFile(const std::filesystem::path& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int WipeCommand(const std::filesystem::path& workFolder, const std::vector<std::string>& names,
                IUserDialog& dialog, const LanguageTable& texts) {
    const auto count = static_cast<std::int64_t>(names.size());
    dialog.SetProgressRange(count);
    bool confirmAll = false;
    int wiped = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        dialog.SetStatus(FormatText(texts[slot::kIsPerfectDeleting], {name}));
        const std::filesystem::path path = workFolder / name;
        const std::string question = name + "\n" + texts[slot::kDeleteThisFile];
        bool confirmed = confirmAll;
        if (!confirmed) {
            if (i + 1 < names.size()) {
                ContinueConfirm box;
                box.title = texts[slot::kDeleteTitle];
                box.text = question;
                box.captions = {texts[slot::kCaptionYes], texts[slot::kCaptionDeleteAll], texts[slot::kCaptionNo],
                                texts[slot::kCaptionStop]};
                const int answer = dialog.AskContinue(box);
                if (answer == ContinueConfirm::Stop) break;
                if (answer == ContinueConfirm::All) confirmAll = true;
                confirmed = answer == ContinueConfirm::First || answer == ContinueConfirm::All;
            } else {
                confirmed = dialog.AskYesNo(question);
            }
        }
        if (confirmed) {
            if (IsReadOnlyFile(path)) {
                dialog.ShowMessage(path.string() + texts[slot::kReadOnlyCannotDelete], MessageKind::Warning);
            } else if (WipeFile(path)) {
                ++wiped;
            }
        }
        dialog.StepProgress(1);
    }
    return wiped;
}

}  // namespace tessarin
