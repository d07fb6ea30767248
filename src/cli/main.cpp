// tza: Tessarin's jobs from a terminal or a script. Exit status 0 when every
// item succeeded, 1 when any failed, 2 for usage errors.

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "platform/TempFile.h"

using namespace tessarin::cli;

namespace tessarin::cli {
void AddBackupCommand(CLI::App& app, CliContext& ctx, int& status);
void AddRestoreKeyCommand(CLI::App& app, CliContext& ctx, int& status);
}  // namespace tessarin::cli

int main(int argc, char** argv) {
    // Ctrl-C, SIGTERM and SIGHUP stop the running job at its next check and
    // remove its temporary files; the process then ends by that signal.
    tessarin::InstallTerminationCleanup();
    CliContext ctx;
    int status = kExitOk;
    CLI::App app{"Tessarin: encrypt files into .tza containers and decrypt them", "tza"};
    app.require_subcommand(1);
    auto& o = ctx.options;
    app.add_option("--lang", o.language, "Interface language (default from the locale)")
        ->check(CLI::IsMember({"ja", "en"}));
    auto* yes = app.add_flag("--yes,-y", o.yes, "Answer Yes to every question");
    app.add_flag("--no,-n", o.no, "Answer No to every question")->excludes(yes);
    app.add_option("--overwrite", o.overwrite, "Answer overwrite questions: all or none")
        ->check(CLI::IsMember({"all", "none"}));
    app.add_flag("--verbose,-v", o.verbose, "Show status lines");
    app.add_option("--keys", o.keysFolder, "Folder holding the key pair in use (default from the settings)");
    app.add_option("--name", o.keySetName, "Key set name in that folder");
    app.add_option("--jobs", o.jobs, "Files encrypted or decrypted at once (0: one per core, 1: one at a time)")
        ->check(CLI::Range(0, 256));
    app.fallthrough();

    AddKeygenCommand(app, ctx, status);
    AddAuthCommand(app, ctx, status);
    AddAddCommand(app, ctx, status);
    AddKeysCommand(app, ctx, status);
    AddEncryptCommand(app, ctx, status);
    AddDecryptCommand(app, ctx, status);
    AddInfoCommand(app, ctx, status);
    AddHistoryCommand(app, ctx, status);
    AddWipeCommand(app, ctx, status);
    AddBackupCommand(app, ctx, status);
    AddRestoreKeyCommand(app, ctx, status);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    tessarin::EndByTerminationSignal();
    return status;
}
