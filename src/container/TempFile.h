#pragma once
// An output file written under a temporary name in its target's folder and
// renamed over the target only when complete. Dropped without Commit, the
// temporary file is removed, so a stopped or failed write leaves nothing
// under the final name.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin::container {

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

    // Closes the stream (keeping the file) so others may reopen it by path.
    [[nodiscard]] bool CloseStream();
    // Flushes to disk and renames over target. The error text on failure, in
    // which case the temporary file is removed and target is untouched.
    [[nodiscard]] std::optional<std::string> Commit(const std::filesystem::path& target);
    // Removes the temporary file now.
    void Discard();

private:
    TempFile(std::FILE* stream, std::filesystem::path path) : m_stream(stream), m_path(std::move(path)) {}
    std::FILE* m_stream;
    std::filesystem::path m_path;
    bool m_done = false;
};

}  // namespace tessarin::container
