// tza backup: split the private key file of the key set in use into the two
// backup shares in the data folder, and offer to send the maker's share.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "app/KeyBackupFlow.h"
#include "cli/Session.h"
#include "platform/Paths.h"

namespace tessarin::cli {

void AddBackupCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "backup");
    auto noSend = std::make_shared<bool>(false);
    cmd->add_flag("--no-send", *noSend, ctx.help("backup.no-send"));
    cmd->callback([&ctx, &status, noSend] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        SpawnMailLauncher mail;
        KeyBackupFlow flow(opened->State(), mail, DataHome());
        flow.offerSending = !*noSend;
        const auto outcome = flow.Backup();
        const bool ok = outcome == KeyBackupFlow::Outcome::Sent || outcome == KeyBackupFlow::Outcome::SharesMade;
        if (ok) {
            const SharePaths paths = flow.Paths();
            std::printf("%s\n%s\n", paths.user.c_str(), paths.maker.c_str());
        }
        status = ctx.Finish(ok);
    });
}

}  // namespace tessarin::cli
