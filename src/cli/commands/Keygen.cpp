// tza keygen NAME EMAIL FOLDER: a complete key set, as key set creation from
// the main window makes it, and the settings naming it.

#include <CLI/CLI.hpp>

#include "cli/Session.h"

namespace tessarin::cli {

void AddKeygenCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("keygen", "Make a key set: key pair, key folder and self auth key");
    struct Args {
        std::string name, email;
        std::string folder;
    };
    auto args = std::make_shared<Args>();
    cmd->add_option("NAME", args->name, "The key owner's name")->required();
    cmd->add_option("EMAIL", args->email, "The key owner's e-mail address")->required();
    cmd->add_option("FOLDER", args->folder, "The key pair folder (created when missing)")->required();
    cmd->callback([&ctx, &status, args] {
        ctx.Prepare();
        Session session(ctx);
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::absolute(args->folder, ec);
        KeySetCreationResult result;
        if (!session.Core().CreateKeys(folder, {args->name, args->email}, result).Ok()) {
            Note(ctx.texts[slot::kCliNoKeySetMade]);
            status = ctx.Finish(false);
            return;
        }
        std::printf("%s\n%s\n%s\n", (folder / result.publicKeyName).c_str(), (folder / result.privateKeyName).c_str(),
                    result.selfAuthKey.c_str());
        status = ctx.Finish(true);
    });
}

}  // namespace tessarin::cli
