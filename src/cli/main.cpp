// tza: Tessarin's jobs from a terminal or a script. Exit status 0 when
// everything asked for was done, 1 when any item failed or was refused, 2 for
// usage errors (nothing was done then).

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string_view>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "platform/TempFile.h"

using namespace tessarin::cli;

int main(int argc, char** argv) {
    // Ctrl-C, SIGTERM and SIGHUP stop the running job at its next check and
    // remove its temporary files; the process then ends by that signal.
    tessarin::InstallTerminationCleanup();
    CliContext ctx;
    int status = kExitOk;
    auto& o = ctx.options;
    // The help texts are in the language asked for, so it is known first.
    o.language = LanguageArgument(argc, argv);
    ctx.PrepareTexts();
    const HelpTexts& h = ctx.help;

    CLI::App app{h("app"), "tza"};
    app.require_subcommand(1);
    app.set_help_flag("-h,--help", h("opt.help"))->group(h("group.options"));
    app.set_version_flag("--version", std::string("tza (Tessarin) ") + TESSARIN_VERSION, h("opt.version"))
        ->group(h("group.options"));
    app.option_defaults()->group(h("group.options"));
    app.footer(h("exit"));
    LabelHelp(app, h);
    app.add_option("--lang", o.language, h("opt.lang"))->check(ctx.OneOf({"ja", "en"}))->type_name("ja|en");
    auto* yes = app.add_flag("--yes,-y", o.yes, h("opt.yes"));
    app.add_flag("--no,-n", o.no, h("opt.no"))->excludes(yes);
    app.add_option("--overwrite", o.overwrite, h("opt.overwrite"))
        ->check(ctx.OneOf({"all", "none"}))
        ->type_name("all|none");
    app.add_flag("--verbose,-v", o.verbose, h("opt.verbose"));
    app.add_flag("--quiet,-q", o.quiet, h("opt.quiet"));
    app.add_option("--keys", o.keysFolder, h("opt.keys"))->type_name("DIR");
    app.add_option("--name", o.keySetName, h("opt.name"))->type_name("NAME");
    app.add_option("--jobs", o.jobs, h("opt.jobs"))->check(CLI::Range(0, 256))->type_name("N");
    app.fallthrough();

    AddKeygenCommand(app, ctx, status);
    AddAuthCommand(app, ctx, status);
    AddAddCommand(app, ctx, status);
    AddKeysCommand(app, ctx, status);
    AddWhoamiCommand(app, ctx, status);
    AddUseCommand(app, ctx, status);
    AddExportCommand(app, ctx, status);
    AddQrCommand(app, ctx, status);
    AddEncryptCommand(app, ctx, status);
    AddDecryptCommand(app, ctx, status);
    AddInfoCommand(app, ctx, status);
    AddHistoryCommand(app, ctx, status);
    AddWipeCommand(app, ctx, status);
    AddBackupCommand(app, ctx, status);
    AddRestoreKeyCommand(app, ctx, status);

    // Arguments show their name only, not CLI11's type word.
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
        for (CLI::Option* opt : sub->get_options([](CLI::Option* x) { return x->get_positional(); }))
            opt->type_name("");

    // Unknown options and commands are named before anything else is
    // looked at (a value check would otherwise report a stray word).
    if (const auto problem = CheckArguments(app, argc, argv, h)) return ctx.UsageError(problem->text, problem->command);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    } catch (const CLI::ParseError& e) {
        const ArgumentProblem problem = DescribeParseError(app, e, h);
        return ctx.UsageError(problem.text, problem.command);
    }
    tessarin::EndByTerminationSignal();
    return status;
}
