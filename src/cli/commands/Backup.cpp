// tza backup: split the private key file of the key set in use into the two
// backup shares in the data folder, and offer to send the maker's share.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {

void AddBackupCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand(
        "backup", "Split the private key into the two backup shares and offer to mail the maker's share");
    auto noSend = std::make_shared<bool>(false);
    cmd->add_flag("--no-send", *noSend, "Only make the shares: the maker's share is not offered for sending");
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
