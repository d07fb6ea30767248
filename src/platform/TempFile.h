#pragma once
// An output file written under a temporary name in its target's folder and
// renamed over the target only when complete. Dropped without Commit, the
// temporary file is removed, so a stopped or failed write leaves nothing
// under the final name.
//
// Where the folder's file system supports it, the file has no name at all
// while it is written (O_TMPFILE): it is linked into the folder only when
// committed, so even a killed process leaves nothing behind. Elsewhere it is
// a hidden file "<prefix>XXXXXX", registered so that a termination signal
// removes it (see InstallTerminationCleanup). Either way it is readable by
// its owner only until it is committed.

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
    // A new empty file in target's folder, mode 0600 while it is written.
    // Empty on failure (errno set).
    static std::unique_ptr<TempFile> CreateBeside(const std::filesystem::path& target,
                                                  std::string_view prefix = ".tza-");

    // Whether CreateBeside may use unnamed files (on by default; tests turn
    // it off to exercise the named form).
    static void SetUnnamedFilesAllowed(bool allowed);

    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::FILE* Stream() const { return m_stream; }
    // The file's path. While the file has no name, a path that reopens the
    // same file for as long as the stream is open (/proc/self/fd/N).
    const std::filesystem::path& Path() const { return m_path; }
    // Whether the file has no name in its folder yet.
    bool Unnamed() const { return m_unnamed; }

    // Sets the permission bits the file will have (applied at once).
    // Without it, a committed file gets 0666 less the umask.
    [[nodiscard]] bool SetPermissions(unsigned mode);
    // Closes the stream (keeping the file, which then gets a hidden name) so
    // others may reopen it by path.
    [[nodiscard]] bool CloseStream();
    // Renames over target, first bringing the data to the disk when durable
    // (needed whenever something is deleted because the new file exists;
    // otherwise the rename alone already never shows a partial file), and
    // afterwards, when durable, the folder's new entry too. The error text on
    // failure, in which case the temporary file is removed and target is
    // untouched; except when only the folder could not be brought to the
    // disk: the complete file is then under target, but the caller must
    // not delete anything because of it.
    [[nodiscard]] std::optional<std::string> Commit(const std::filesystem::path& target, bool durable = true);
    // Removes the temporary file now.
    void Discard();

private:
    TempFile(std::FILE* stream, std::filesystem::path path, bool unnamed, std::string prefix);
    // Gives an unnamed file a hidden name beside the target.
    [[nodiscard]] bool GiveName();
    void SetName(const std::filesystem::path& path);
    void DropName();
    // After the file got its final name: the folder brought to the disk
    // when durable; its error text when that failed.
    [[nodiscard]] std::optional<std::string> SyncedName(const std::filesystem::path& target, bool durable) const;

    std::FILE* m_stream;
    std::filesystem::path m_path;
    bool m_unnamed;
    std::filesystem::path m_folder;
    std::string m_prefix;
    int m_cleanupSlot = -1;
    bool m_permissionsSet = false;
    bool m_done = false;
};

// Writes bytes to path through a temporary file beside it, renamed over path
// when complete and on the disk; path is untouched on any failure. The new
// file gets the permission bits given.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                       unsigned mode = 0644);

// Termination signals (SIGINT, SIGTERM, SIGHUP). Once installed, the first
// such signal removes every named temporary file still open and marks the
// process as stopping, for long jobs to poll; a second one ends the process
// at once.
void InstallTerminationCleanup();
// The signal received, 0 when none.
[[nodiscard]] int TerminationSignal();
[[nodiscard]] inline bool TerminationRequested() {
    return TerminationSignal() != 0;
}
// After a stopped job has cleaned up: ends the process by the signal it
// received (so its parent sees how it ended). Returns when none was received.
void EndByTerminationSignal();

}  // namespace tessarin
