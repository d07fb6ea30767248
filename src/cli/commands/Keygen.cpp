// tza keygen NAME EMAIL FOLDER [--activate]: a complete key set, as key set
// creation from the main window makes it. When the settings already name a
// key set, the new one replaces it only when asked to (--activate, or Yes to
// the question, asked before anything is made).

#include <CLI/CLI.hpp>

#include "cli/Session.h"

namespace tessarin::cli {

void AddKeygenCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "keygen");
    struct Args {
        std::string name, email;
        std::string folder;
        bool activate = false;
    };
    auto args = std::make_shared<Args>();
    const HelpTexts& h = ctx.help;
    cmd->add_option("NAME", args->name, h("keygen.NAME"))->required();
    cmd->add_option("EMAIL", args->email, h("keygen.EMAIL"))->required();
    cmd->add_option("FOLDER", args->folder, h("keygen.FOLDER"))->required();
    cmd->add_flag("--activate", args->activate, h("keygen.activate"));
    cmd->callback([&ctx, &status, args] {
        ctx.Prepare();
        Session session(ctx);
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::absolute(args->folder, ec);
        const auto current = session.Core().UseKeySetFromSettings() ? session.Core().ActiveKeySet() : std::nullopt;
        bool activate = true;
        if (current && !args->activate)
            activate = ctx.Dialog().AskYesNo(QuestionId::ReplaceActiveKeySet,
                                             FormatText(ctx.texts[slot::kCliReplaceActiveKeySet],
                                                        {current->keySetName, current->folder.string(), args->name}));
        KeySetCreationResult result;
        if (!session.Core().CreateKeys(folder, {args->name, args->email}, result, activate).Ok()) {
            Note(ctx.texts[slot::kCliNoKeySetMade]);
            status = ctx.Finish(false);
            return;
        }
        std::printf("%s\n%s\n%s\n", (folder / result.publicKeyName).c_str(), (folder / result.privateKeyName).c_str(),
                    result.selfAuthKey.c_str());
        if (!activate)
            Note(FormatText(ctx.texts[slot::kCliKeySetNotActivated], {current->keySetName, folder.string()}));
        status = ctx.Finish(true);
    });
}

}  // namespace tessarin::cli
