// tza add KEYFILE...: register received keys in the key folder.
// tza keys: the address book rows of the key folder.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {

void AddAddCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("add", "Register received public keys and auth keys in the key folder");
    auto files = std::make_shared<std::vector<std::string>>();
    cmd->add_option("KEYFILE", *files, "Key files (.vpub)")->required()->check(CLI::ExistingFile);
    cmd->callback([&ctx, &status, files] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const std::vector<std::filesystem::path> paths(files->begin(), files->end());
        const JobResult added = opened->Core().RegisterKeys(paths);
        std::printf("%d\n", added.succeeded);
        status = ctx.Finish(opened->Report(added));
    });
}

void AddKeysCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("keys", "List the keys registered in the key folder");
    cmd->callback([&ctx, &status] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        for (const KeyRow& key : opened->Core().ListKeys()) {
            const auto& row = key.columns;
            std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", row[0].c_str(), row[1].c_str(), row[2].c_str(), row[3].c_str(),
                        row[4].c_str(), row[5].c_str());
        }
        status = ctx.Finish(true);
    });
}

}  // namespace tessarin::cli
