#pragma once
// What every tza command shares: the texts in the interface language, the
// terminal dialog and the options that pick the key set.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/TerminalDialog.h"
#include "core/LanguageTable.h"

namespace CLI {
class App;
}

namespace tessarin::cli {

enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct GlobalOptions {
    std::string language;  // "ja", "en" or empty for the locale's
    bool yes = false;
    bool no = false;
    std::string overwrite;  // "all", "none" or empty
    bool verbose = false;
    std::filesystem::path keysFolder;  // --keys
    std::string keySetName;            // --name
    bool authenticateSender = false;   // decrypt --authenticate-sender
    int jobs = -1;                     // --jobs: batch workers (0 one per core); -1 from the settings
};

class CliContext {
public:
    GlobalOptions options;
    LanguageTable texts;

    // Fills the texts and builds the dialog from the parsed options.
    void Prepare();
    TerminalDialog& Dialog() { return *m_dialog; }
    // The exit status for a command whose items all succeeded when ok; a
    // question that nothing answered fails the command too.
    int Finish(bool ok) const;

private:
    std::unique_ptr<TerminalDialog> m_dialog;
};

// One function per command file; each adds its sub-command to the app.
void AddKeygenCommand(CLI::App& app, CliContext& ctx, int& status);
void AddAuthCommand(CLI::App& app, CliContext& ctx, int& status);
void AddAddCommand(CLI::App& app, CliContext& ctx, int& status);
void AddKeysCommand(CLI::App& app, CliContext& ctx, int& status);
void AddEncryptCommand(CLI::App& app, CliContext& ctx, int& status);
void AddDecryptCommand(CLI::App& app, CliContext& ctx, int& status);
void AddInfoCommand(CLI::App& app, CliContext& ctx, int& status);
void AddHistoryCommand(CLI::App& app, CliContext& ctx, int& status);
void AddWipeCommand(CLI::App& app, CliContext& ctx, int& status);

}  // namespace tessarin::cli
