#pragma once
// The application core as one tza command uses it: the host, the mail
// hand-over and the key set in use (from --keys/--name or the settings).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "app/AppCore.h"
#include "cli/CliContext.h"

namespace tessarin::cli {

class Session {
public:
    explicit Session(CliContext& ctx);

    AppCore& Core() { return *m_core; }
    MainWindowState& State() { return m_core->State(); }
    const IHost& Host() const { return m_host; }

    // Makes the key set in use active; prints why not and returns false when
    // there is none.
    bool OpenKeySet();
    // Prints what a refused job says; true when the job did every item.
    bool Report(const JobResult& result);

private:
    CliContext& m_ctx;
    const IHost& m_host;
    SpawnMailLauncher m_mail;
    std::unique_ptr<AppCore> m_core;
};

// A session on the key set in use, for commands that need one; empty after
// saying why, with status set to failure, when there is none.
std::unique_ptr<Session> OpenSession(CliContext& ctx, int& status);

// Whether a file name ends in ".tza" (any case).
bool IsContainerName(const std::filesystem::path& path);

// Prints a line of the tool's own to standard error.
void Note(const std::string& text);

// The bytes a job goes through: the sizes of the regular files given and of
// those below the folders given (without the containers there when
// skipContainersInFolders: encryption leaves them out), times passes.
std::int64_t JobBytes(const std::vector<std::filesystem::path>& paths, int passes = 1,
                      bool skipContainersInFolders = false);

// A folder of the owner's only (0700) for plaintext and containers on their
// way through a pipe; removed with everything in it.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    bool Ok() const { return !m_path.empty(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Copies a stream to another; false on a read or write error.
[[nodiscard]] bool CopyStream(std::FILE* from, std::FILE* to);
// Copies a file's bytes to standard output.
[[nodiscard]] bool CopyFileToStdout(const std::filesystem::path& file);

}  // namespace tessarin::cli
