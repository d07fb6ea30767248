// tza whoami [--json]: the key set in use.
// tza use DIR|NAME: make another key set the one in use.
// tza export: the own public key file to send, and its fingerprint.
// tza qr [--save FILE]: the own public key's QR code on the terminal.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Output.h"
#include "cli/Session.h"

namespace tessarin::cli {
namespace {

void PrintKeySet(const CliContext& ctx, const KeySetView& view, bool json) {
    const std::string fingerprint = FingerprintText(view.fingerprint);
    if (json) {
        std::printf("%s\n", JsonObject({{"keySet", JsonString(view.keySetName)},
                                        {"name", JsonString(view.ownerName)},
                                        {"email", JsonString(view.ownerEmail)},
                                        {"folder", JsonString(view.folder.string())},
                                        {"publicKey", JsonString(view.publicKey.string())},
                                        {"fingerprint", JsonString(fingerprint)}})
                                .c_str());
        return;
    }
    const LanguageTable& t = ctx.texts;
    PrintLabelled({{t[slot::kCliLabelName], view.ownerName},
                   {t[slot::kCliLabelEmail], view.ownerEmail},
                   {t[slot::kCliLabelFolder], view.folder.string()},
                   {t[slot::kCliLabelFingerprint], fingerprint}});
}

}  // namespace

void AddWhoamiCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "whoami");
    const auto json = ctx.AddJsonFlag(*cmd);
    cmd->callback([&ctx, &status, json] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const auto view = opened->Core().ActiveKeySet();
        if (view) PrintKeySet(ctx, *view, *json);
        status = ctx.Finish(view.has_value());
    });
}

void AddUseCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "use");
    auto target = std::make_shared<std::string>();
    cmd->add_option("KEYSET", *target, ctx.help("use.KEYSET"))->required();
    cmd->callback([&ctx, &status, target] {
        ctx.Prepare();
        Session session(ctx);
        std::error_code ec;
        // A folder (with --name when it holds several key sets), or a key
        // set name in the key pair folder in use.
        std::filesystem::path folder = *target;
        std::string name = ctx.options.keySetName;
        if (!std::filesystem::is_directory(folder, ec)) {
            folder = session.Core().settings.keyPairRoot;
            name = *target;
            if (folder.empty()) {
                Note(session.Core().KeySetOpenText({}, {}));
                status = kExitFailed;
                return;
            }
        }
        const KeySetOpenResult opened = session.Core().ActivateKeySet(folder, name);
        if (!opened.Ok()) {
            Note(session.Core().KeySetOpenText(opened, folder));
            status = kExitFailed;
            return;
        }
        PrintKeySet(ctx, *session.Core().ActiveKeySet(), false);
        status = kExitOk;
    });
}

void AddExportCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "export");
    cmd->callback([&ctx, &status] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const auto view = opened->Core().ActiveKeySet();
        if (view) std::printf("%s\n%s\n", view->publicKey.c_str(), FingerprintText(view->fingerprint).c_str());
        status = ctx.Finish(view.has_value());
    });
}

void AddQrCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "qr");
    auto save = std::make_shared<std::string>();
    cmd->add_option("--save", *save, ctx.help("qr.save"))->type_name("FILE.bmp");
    cmd->callback([&ctx, &status, save] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        QrViewBitmap view;
        const JobResult made = opened->Core().OwnQrJob(view, *save);
        if (view.width > 0) {
            // Two pixel rows per text row with half blocks; on a terminal the
            // colours are set, so the code reads dark on light whatever the
            // terminal's own colours are.
            const bool colour = isatty(STDOUT_FILENO) != 0;
            for (int y = 0; y < view.width; y += 2) {
                std::string line = colour ? "\033[30;47m" : "";
                for (int x = 0; x < view.width; ++x) {
                    const bool top = view.Black(x, y);
                    const bool bottom = y + 1 < view.width && view.Black(x, y + 1);
                    line += top && bottom ? "\u2588" : top ? "\u2580" : bottom ? "\u2584" : " ";
                }
                if (colour) line += "\033[0m";
                std::printf("%s\n", line.c_str());
            }
        }
        if (made.Ok() && !save->empty()) std::printf("%s\n", save->c_str());
        status = ctx.Finish(opened->Report(made));
    });
}

}  // namespace tessarin::cli
