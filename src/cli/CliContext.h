#pragma once
// What every tza command shares: the texts in the interface language, the
// terminal dialog and the options that pick the key set.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/HelpTexts.h"
#include "cli/TerminalDialog.h"
#include "core/LanguageTable.h"

namespace CLI {
class App;
class Validator;
}  // namespace CLI

namespace tessarin::cli {

// 0: everything asked for was done; 1: an item failed or was refused;
// 2: the command line was wrong, nothing was done.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct GlobalOptions {
    std::string language;  // "ja", "en" or empty for the locale's
    bool yes = false;
    bool no = false;
    std::string overwrite;  // "all", "none" or empty
    bool verbose = false;
    bool quiet = false;                // no progress line
    std::filesystem::path keysFolder;  // --keys
    std::string keySetName;            // --name
    bool authenticateSender = false;   // decrypt --authenticate-sender
    int jobs = -1;                     // --jobs: batch workers (0 one per core); -1 from the settings
};

class CliContext {
public:
    GlobalOptions options;
    LanguageTable texts;
    HelpTexts help;

    // Fills the texts and the help texts in the language asked for (or the
    // locale's).
    void PrepareTexts();
    // Builds the dialog from the parsed options.
    void Prepare();
    TerminalDialog& Dialog() { return *m_dialog; }
    // The exit status for a command whose items all succeeded when ok; a
    // question that decided an item and that nothing answered fails the
    // command too.
    int Finish(bool ok) const;
    // Says what is wrong with the command line; the usage exit status.
    int UsageError(const std::string& text, const std::string& command = {}) const;

    // A sub-command with its help line, footer and group in the interface
    // language.
    CLI::App* AddCommand(CLI::App& app, const std::string& name);
    // The --json switch of a command that can print JSON.
    std::shared_ptr<bool> AddJsonFlag(CLI::App& cmd) const;
    // Checks with their messages in the interface language.
    CLI::Validator ExistingFile() const;
    CLI::Validator ExistingPath() const;
    CLI::Validator ExistingFolder() const;
    CLI::Validator OneOf(std::vector<std::string> choices) const;

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
void AddBackupCommand(CLI::App& app, CliContext& ctx, int& status);
void AddRestoreKeyCommand(CLI::App& app, CliContext& ctx, int& status);
void AddWhoamiCommand(CLI::App& app, CliContext& ctx, int& status);
void AddUseCommand(CLI::App& app, CliContext& ctx, int& status);
void AddExportCommand(CLI::App& app, CliContext& ctx, int& status);
void AddQrCommand(CLI::App& app, CliContext& ctx, int& status);

}  // namespace tessarin::cli
