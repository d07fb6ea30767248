#include "container/WipeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <system_error>

#include "core/LanguageTable.h"
#include "platform/UniqueFd.h"
#include "platform/UserDialog.h"

namespace tessarin {

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WipeFile(const std::filesystem::path& path) {
    return WipeFileWithStatus(path).Ok();
}

bool WipeFile(const std::filesystem::path& path, IWipeObserver* observer) {
    return WipeFileWithStatus(path, observer).Ok();
}

WipeResult WipeFileWithStatus(const std::filesystem::path& path, IWipeObserver* observer) {
    const auto failed = [](int error) {
        if (error == EROFS) return WipeResult{WipeStatus::ReadOnlyFileSystem, error};
        if (error == ENOENT) return WipeResult{WipeStatus::Missing, error};
        return WipeResult{WipeStatus::Failed, error ? error : EIO};
    };
    // What the path is, before anything is opened: opening a pipe for
    // writing would wait for a reader, and a link must not lead the
    // overwrite to its target.
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0) return failed(errno);
    if (S_ISLNK(before.st_mode)) return {WipeStatus::SymbolicLink, ELOOP};
    if (!S_ISREG(before.st_mode)) return {WipeStatus::NotRegularFile, 0};

    // No O_CREAT: a missing file is a failure, not something to make and
    // delete. O_NONBLOCK and O_NOFOLLOW guard against the path being
    // swapped for a pipe or a link after the check.
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ELOOP) return {WipeStatus::SymbolicLink, ELOOP};
        return failed(errno);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return failed(errno);
    if (!S_ISREG(st.st_mode) || st.st_ino != before.st_ino || st.st_dev != before.st_dev)
        return {WipeStatus::NotRegularFile, 0};
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return failed(errno);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);

    if (size == 0) {
        if (!fd.Close()) return failed(errno);
        if (::unlink(path.c_str()) != 0) return failed(errno);
        return {WipeStatus::Wiped, 0};
    }

    auto buffer = std::make_unique<std::uint8_t[]>(kWipeBufferSize);
    for (int pass = 0; pass < kWipePasses; ++pass) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        const auto fill = static_cast<std::uint8_t>(std::rand() % 255);
        std::fill_n(buffer.get(), kWipeBufferSize, fill);
        if (::lseek(fd.Get(), 0, SEEK_SET) != 0) return failed(errno);
        std::uint64_t remaining = size;
        while (remaining > 0) {
            const std::size_t chunk =
                remaining < kWipeBufferSize ? static_cast<std::size_t>(remaining) : kWipeBufferSize;
            if (!WriteAll(fd.Get(), buffer.get(), chunk)) return failed(errno);
            if (observer) observer->OnWrite(pass, fill, chunk);
            remaining -= chunk;
        }
        // Each pass reaches the disk before the next one starts.
        if (::fdatasync(fd.Get()) != 0) return failed(errno);
    }
    buffer.reset();
    if (!fd.Close()) return failed(errno);
    if (::unlink(path.c_str()) != 0) return failed(errno);
    return {WipeStatus::Wiped, 0};
}

std::string WipeFailureText(const WipeResult& result, const std::string& shownName, const LanguageTable& texts) {
    switch (result.status) {
        case WipeStatus::Wiped:
            return {};
        case WipeStatus::SymbolicLink:
            return FormatText(texts[slot::kWipeSymbolicLink], {shownName});
        case WipeStatus::NotRegularFile:
            return FormatText(texts[slot::kWipeNotRegularFile], {shownName});
        case WipeStatus::ReadOnlyFileSystem:
            return FormatText(texts[slot::kWipeReadOnlyFileSystem], {shownName});
        case WipeStatus::Missing:
        case WipeStatus::Failed:
            break;
    }
    return FormatText(texts[slot::kWipeFailedWithError],
                      {shownName, std::generic_category().message(result.error ? result.error : EIO)});
}

bool IsReadOnlyFile(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

namespace {

// Tells the dialog the bytes every pass of a wipe has written.
class PassProgress final : public IWipeObserver {
public:
    PassProgress(IUserDialog& dialog, std::string name, std::int64_t total)
        : m_dialog(dialog), m_name(std::move(name)), m_total(total) {}
    void OnWrite(int, std::uint8_t, std::size_t bytes) override {
        m_done += static_cast<std::int64_t>(bytes);
        m_dialog.ReportBytes(m_name, m_done, m_total);
    }

private:
    IUserDialog& m_dialog;
    std::string m_name;
    std::int64_t m_total;
    std::int64_t m_done = 0;
};

}  // namespace

int WipeCommand(const std::filesystem::path& workFolder, const std::vector<std::string>& names, IUserDialog& dialog,
                const LanguageTable& texts) {
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
                ContinueConfirm box{};
                box.id = QuestionId::WipeFile;
                box.title = texts[slot::kDeleteTitle];
                box.text = question;
                box.captions = {texts[slot::kCaptionYes], texts[slot::kCaptionDeleteAll], texts[slot::kCaptionNo],
                                texts[slot::kCaptionStop]};
                const int answer = dialog.AskContinue(box);
                if (answer == ContinueConfirm::Stop) break;
                if (answer == ContinueConfirm::All) confirmAll = true;
                confirmed = answer == ContinueConfirm::First || answer == ContinueConfirm::All;
            } else {
                confirmed = dialog.AskYesNo(QuestionId::WipeFile, question);
            }
        }
        if (confirmed) {
            std::error_code ec;
            const auto size = std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))
                                  ? std::filesystem::file_size(path, ec)
                                  : 0;
            PassProgress progress(dialog, name, static_cast<std::int64_t>(ec ? 0 : size) * kWipePasses);
            if (IsReadOnlyFile(path)) {
                dialog.ShowMessage(path.string() + texts[slot::kReadOnlyCannotDelete], MessageKind::Warning);
            } else if (const WipeResult result = WipeFileWithStatus(path, &progress); result.Ok()) {
                ++wiped;
            } else {
                dialog.ShowMessage(WipeFailureText(result, path.string(), texts), MessageKind::Error);
            }
        }
        dialog.StepProgress(1);
    }
    return wiped;
}

}  // namespace tessarin
