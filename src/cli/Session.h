#pragma once
// The application core as one tza command uses it: the host, the mail
// hand-over and the key set in use (from --keys/--name or the settings).

#include <memory>
#include <optional>

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

// Prints a line of the tool's own to standard error.
void Note(const std::string& text);

}  // namespace tessarin::cli
