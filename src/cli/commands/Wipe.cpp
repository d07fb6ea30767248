// tza wipe FILE...: overwrite files ten times and delete them.

#include <CLI/CLI.hpp>

#include "cli/Session.h"
#include "container/WipeFile.h"

namespace tessarin::cli {

void AddWipeCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "wipe");
    auto files = std::make_shared<std::vector<std::string>>();
    // Anything that exists reaches the wipe, which refuses links, folders
    // and pipes with its own message.
    const CLI::Validator present(
        [missing = ctx.help("usage.no-path")](std::string& path) {
            std::error_code ec;
            return std::filesystem::exists(std::filesystem::symlink_status(path, ec)) ? std::string()
                                                                                      : FormatText(missing, {path});
        },
        "");
    cmd->add_option("FILE", *files, ctx.help("wipe.FILE"))->required()->check(present);
    cmd->callback([&ctx, &status, files] {
        ctx.Prepare();
        Session session(ctx);
        const std::vector<std::filesystem::path> paths(files->begin(), files->end());
        ctx.Dialog().SetJobBytes(JobBytes(paths, kWipePasses));
        status = ctx.Finish(session.Report(session.Core().Wipe(paths)));
    });
}

}  // namespace tessarin::cli
