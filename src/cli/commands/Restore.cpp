// tza restore-key USER_SHARE MAKER_SHARE OUT: rebuild a lost private key file
// from the two backup shares. The public key comes from --public, else from
// --keys/--name, else from the settings; the private key file itself may be
// missing, so no complete key set is needed.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"
#include "keys/KeyBackup.h"
#include "keys/KeyFiles.h"

namespace tessarin::cli {
namespace {

namespace fs = std::filesystem;

// The public key of the key set named on the command line or in the settings.
std::optional<fs::path> PublicKeyInUse(CliContext& ctx) {
    const auto& o = ctx.options;
    if (!o.keysFolder.empty()) {
        if (!o.keySetName.empty()) return o.keysFolder / PublicKeyFileName(o.keySetName);
        // The one public key of the folder's own key set.
        std::optional<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(o.keysFolder, ec)) {
            const std::string name = e.path().filename().string();
            if (e.path().extension() != ".vpub" || IsAuthKeyFileName(name)) continue;
            if (found) return std::nullopt;
            found = e.path();
        }
        return found;
    }
    Session session(ctx);
    const auto& s = session.Core().settings;
    if (s.publicKeyName.empty()) return std::nullopt;
    return fs::path(s.keyPairRoot) / s.publicKeyName;
}

}  // namespace

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
        const auto publicKey = a->publicKey.empty() ? PublicKeyInUse(ctx) : std::optional<fs::path>(a->publicKey);
        if (!publicKey) {
            Note("no public key: give --public FILE, or --keys DIR with --name");
            status = kExitUsage;
            return;
        }
        const LanguageTable& texts = ctx.texts;
        std::string message;
        switch (RestorePrivateKeyFile(a->user, a->maker, *publicKey, a->out)) {
            case KeyRestoreStatus::Ok:
                std::printf("%s\n", a->out.c_str());
                break;
            case KeyRestoreStatus::UserShareUnreadable:
                message = FormatText(texts[slot::kShareUnreadable], {a->user});
                break;
            case KeyRestoreStatus::MakerShareUnreadable:
                message = FormatText(texts[slot::kShareUnreadable], {a->maker});
                break;
            case KeyRestoreStatus::PublicKeyUnreadable:
                message = texts[slot::kPublicKeyNotFound] + " (" + publicKey->string() + ")";
                break;
            case KeyRestoreStatus::NoMatch:
                message = texts[slot::kRestoreRefused];
                break;
            case KeyRestoreStatus::OutputExists:
                message = texts[slot::kKeyFilesExist];
                break;
            case KeyRestoreStatus::WriteFailed:
                message = texts[slot::kKeyFileWriteFailed];
                break;
        }
        if (!message.empty()) ctx.Dialog().ShowMessage(message, MessageKind::Error, {});
        status = ctx.Finish(message.empty());
    });
}

}  // namespace tessarin::cli
