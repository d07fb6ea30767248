#pragma once
// An output file written under a temporary name in its target's folder and
// renamed over the target only when complete. Dropped without Commit, the
// temporary file is removed, so a stopped or failed write leaves nothing
// under the final name.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessarin {

class TempFile final {
public:
    // A new empty file "<prefix>XXXXXX" (mode 0600 widened to the usual
    // 0666 less the umask) in target's folder. Empty on failure (errno set).
    static std::unique_ptr<TempFile> CreateBeside(const std::filesystem::path& target, std::string_view prefix = ".tza-");

    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::FILE* Stream() const { return m_stream; }
    const std::filesystem::path& Path() const { return m_path; }

    // Sets the permission bits the file will have (applied at once).
    [[nodiscard]] bool SetPermissions(unsigned mode);
    // Closes the stream (keeping the file) so others may reopen it by path.
    [[nodiscard]] bool CloseStream();
    // Renames over target, first bringing the data to the disk when durable
    // (needed whenever something is deleted because the new file exists;
    // otherwise the rename alone already never shows a partial file). The error text on failure, in
    // which case the temporary file is removed and target is untouched.
    [[nodiscard]] std::optional<std::string> Commit(const std::filesystem::path& target, bool durable = true);
    // Removes the temporary file now.
    void Discard();

private:
    TempFile(std::FILE* stream, std::filesystem::path path) : m_stream(stream), m_path(std::move(path)) {}
    std::FILE* m_stream;
    std::filesystem::path m_path;
    bool m_done = false;
};

// Writes bytes to path through a temporary file beside it, renamed over path
// when complete and on the disk; path is untouched on any failure. The new
// file gets the permission bits given.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                       unsigned mode = 0644);

}  // namespace tessarin
