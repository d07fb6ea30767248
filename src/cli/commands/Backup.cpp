// tza backup: split the private key file of the key set in use into the two
// backup shares in the data folder, and offer to send the maker's share.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {

void AddBackupCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "backup");
    auto noSend = std::make_shared<bool>(false);
    cmd->add_flag("--no-send", *noSend, ctx.help("backup.no-send"));
    cmd->callback([&ctx, &status, noSend] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const auto result = opened->Core().BackupKey(!*noSend);
        if (result.Ok()) std::printf("%s\n%s\n", result.shares.user.c_str(), result.shares.maker.c_str());
        status = ctx.Finish(result.Ok());
    });
}

}  // namespace tessarin::cli
