#pragma once
// Perfect deletion: a file's bytes are overwritten in place ten times, each
// pass reaching the disk before the next, and then the file is deleted.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessarin {

class IUserDialog;
class LanguageTable;

inline constexpr std::size_t kWipeBufferSize = 1024000;
inline constexpr int kWipePasses = 10;

// How a wipe ended. A missing path, a folder, a device, a pipe or a symbolic
// link is refused before anything is opened for writing (a link's target is
// never touched); a write failure leaves the file in place, partly
// overwritten.
enum class WipeStatus {
    Wiped,
    Missing,
    SymbolicLink,
    NotRegularFile,
    ReadOnlyFileSystem,
    Failed,  // any other system error: `error` holds its errno
};
struct [[nodiscard]] WipeResult {
    WipeStatus status = WipeStatus::Failed;
    int error = 0;
    bool Ok() const { return status == WipeStatus::Wiped; }
};

// True only when the file was overwritten and then deleted. Sizes are
// 64-bit, so files of 4 GiB and more are overwritten whole.
[[nodiscard]] bool WipeFile(const std::filesystem::path& path);

// Told about every write of a wipe, for tests and progress display.
class IWipeObserver {
public:
    virtual ~IWipeObserver() = default;
    virtual void OnWrite(int pass, std::uint8_t fill, std::size_t bytes) = 0;
};
[[nodiscard]] bool WipeFile(const std::filesystem::path& path, IWipeObserver* observer);
// As WipeFile, telling why a wipe did not happen.
[[nodiscard]] WipeResult WipeFileWithStatus(const std::filesystem::path& path, IWipeObserver* observer = nullptr);
// The message for a wipe that did not happen, naming the file as shown.
std::string WipeFailureText(const WipeResult& result, const std::string& shownName, const LanguageTable& texts);

// "Read-only": no write permission bit set at all.
bool IsReadOnlyFile(const std::filesystem::path& path);

// The wipe command on the work-area list: for each name (joined to the work
// folder) ask, then wipe. Returns the number of files wiped.
int WipeCommand(const std::filesystem::path& workFolder, const std::vector<std::string>& names, IUserDialog& dialog,
                const LanguageTable& texts);

}  // namespace tessarin
