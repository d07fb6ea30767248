// tza wipe FILE...: overwrite files ten times and delete them.

#include <CLI/CLI.hpp>

#include "cli/Session.h"

namespace tessarin::cli {

void AddWipeCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("wipe", "Overwrite files ten times and delete them");
    auto files = std::make_shared<std::vector<std::string>>();
    // Anything that exists reaches the wipe, which refuses links, folders
    // and pipes with its own message.
    const CLI::Validator present(
        [](std::string& path) {
            std::error_code ec;
            return std::filesystem::exists(std::filesystem::symlink_status(path, ec)) ? std::string()
                                                                                      : "No such file: " + path;
        },
        "FILE");
    cmd->add_option("FILE", *files, "Files to wipe")->required()->check(present);
    cmd->callback([&ctx, &status, files] {
        ctx.Prepare();
        Session session(ctx);
        const std::vector<std::filesystem::path> paths(files->begin(), files->end());
        status = ctx.Finish(session.Report(session.Core().Wipe(paths)));
    });
}

}  // namespace tessarin::cli
