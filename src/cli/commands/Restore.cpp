// tza restore-key USER_SHARE MAKER_SHARE OUT: rebuild a lost private key file
// from the two backup shares. The public key comes from --public, else from
// --keys/--name, else from the settings; the private key file itself may be
// missing, so no complete key set is needed.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {
void AddRestoreKeyCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("restore-key", "Rebuild a private key file from the two backup shares");
    struct Args {
        std::string user, maker, out, publicKey;
    };
    auto a = std::make_shared<Args>();
    cmd->add_option("USER_SHARE", a->user, "The user's share (<name>_user.vbky)")->required();
    cmd->add_option("MAKER_SHARE", a->maker, "The maker's share (<name>_mk.vbky)")->required();
    cmd->add_option("OUT", a->out, "The private key file to write; never replaced")->required();
    cmd->add_option("--public", a->publicKey, "The key set's public key file (default: the key set in use)");
    cmd->callback([&ctx, &status, a] {
        ctx.Prepare();
        Session session(ctx);
        const auto publicKey = a->publicKey.empty()
                                   ? session.Core().PublicKeyOfKeySet(ctx.options.keysFolder, ctx.options.keySetName)
                                   : std::optional<std::filesystem::path>(a->publicKey);
        if (!publicKey) {
            Note(ctx.texts[slot::kCliNoPublicKey]);
            status = kExitUsage;
            return;
        }
        const JobResult restored = session.Core().RestoreKey(a->user, a->maker, *publicKey, a->out);
        if (restored.Ok()) std::printf("%s\n", a->out.c_str());
        status = ctx.Finish(session.Report(restored));
    });
}

}  // namespace tessarin::cli
