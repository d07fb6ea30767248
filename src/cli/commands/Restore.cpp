// tza restore-key USER_SHARE MAKER_SHARE OUT: rebuild a lost private key file
// from the two backup shares. The public key comes from --public, else from
// --keys/--name, else from the settings; the private key file itself may be
// missing, so no complete key set is needed.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {
void AddRestoreKeyCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "restore-key");
    const HelpTexts& h = ctx.help;
    struct Args {
        std::string user, maker, out, publicKey;
    };
    auto a = std::make_shared<Args>();
    cmd->add_option("USER_SHARE", a->user, h("restore-key.USER_SHARE"))->required();
    cmd->add_option("MAKER_SHARE", a->maker, h("restore-key.MAKER_SHARE"))->required();
    cmd->add_option("OUT", a->out, h("restore-key.OUT"))->required();
    cmd->add_option("--public", a->publicKey, h("restore-key.public"))->type_name("FILE");
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
