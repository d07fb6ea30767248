// tza decrypt FILE.tza...: decrypt containers addressed to the key set in use.

#include <CLI/CLI.hpp>

#include "cli/Session.h"
#include "container/DecryptPipeline.h"

namespace tessarin::cli {

void AddDecryptCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("decrypt", "Decrypt .tza containers addressed to you");
    struct Args {
        std::vector<std::string> files;
        bool keepName = false, remove = false;
        bool authenticateSender = false;
    };
    auto a = std::make_shared<Args>();
    cmd->add_option("FILE", a->files, "Containers")->required()->check(CLI::ExistingFile);
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
        Session& session = *opened;
        auto& state = session.State();
        auto sender = session.Core().MakeSenderFollowUp();
        container::DecryptRun run(session.Host(), ctx.Dialog(), state.Cipher(), ctx.texts);
        run.publicKeyPath = state.publicKeyPath;
        run.privateKeyPath = state.privateKeyPath;
        for (const auto& f : a->files) run.files.push_back(std::filesystem::absolute(f));
        run.keepContainerName = a->keepName;
        run.removeAfterDecrypt = a->remove;
        run.sender = sender.get();
        const int done = container::DecryptFiles(run, container::kDecryptCommand);
        for (const auto& d : run.decrypted) std::printf("%s\n", d.output.c_str());
        status = ctx.Finish(done == static_cast<int>(run.files.size()));
    });
}

}  // namespace tessarin::cli
