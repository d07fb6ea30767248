// tza decrypt FILE.tza...: decrypt containers addressed to the key set in use.

#include <CLI/CLI.hpp>

#include "cli/Session.h"

namespace tessarin::cli {

void AddDecryptCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("decrypt", "Decrypt .tza containers addressed to you");
    struct Args {
        std::vector<std::string> files;
        std::string output;
        bool keepName = false, remove = false;
        bool authenticateSender = false;
    };
    auto a = std::make_shared<Args>();
    cmd->add_option("FILE", a->files, "Containers")->required()->check(CLI::ExistingFile);
    cmd->add_option("-o,--output", a->output, "Folder for the decrypted files (default: beside each container)")
        ->check(CLI::ExistingDirectory);
    cmd->add_flag("--keep-name", a->keepName,
                  "Hereafter,Decrypt without Namechange.: name outputs after the container");
    cmd->add_flag("--remove", a->remove, "Wipe each container once it is decrypted");
    cmd->add_flag("--authenticate-sender", a->authenticateSender,
                  "Answer Yes when asked to authenticate an unknown sender's public key (--yes never does)");
    cmd->callback([&ctx, &status, a] {
        ctx.options.authenticateSender = a->authenticateSender;
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        DecryptRequest request;
        request.files.assign(a->files.begin(), a->files.end());
        request.keepContainerName = a->keepName;
        request.removeAfterDecrypt = a->remove;
        request.outputFolder = a->output;
        const JobResult result = opened->Core().Decrypt(request);
        for (const auto& item : result.items)
            if (item.outcome == ItemOutcome::Done) std::printf("%s\n", item.output.c_str());
        status = ctx.Finish(opened->Report(result));
    });
}

}  // namespace tessarin::cli
