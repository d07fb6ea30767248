// tza add KEYFILE... [--name NAME --email ADDRESS]: register received keys in
// the key folder, plain public keys under the owner given.
// tza keys [--json]: the address book rows of the key folder.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Output.h"
#include "cli/Session.h"
#include "cli/TextWidth.h"

namespace tessarin::cli {

void AddAddCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "add");
    struct Args {
        std::vector<std::string> files;
        std::string name, email;
    };
    auto a = std::make_shared<Args>();
    const HelpTexts& h = ctx.help;
    cmd->add_option("KEYFILE", a->files, h("add.KEYFILE"))->required()->check(ctx.ExistingFile());
    cmd->add_option("--name", a->name, h("add.name"))->type_name("NAME");
    cmd->add_option("--email", a->email, h("add.email"))->type_name("ADDRESS");
    cmd->callback([&ctx, &status, a] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const std::vector<std::filesystem::path> paths(a->files.begin(), a->files.end());
        // On a terminal the owner of a plain public key is asked for, as
        // the add dialog does, before anything is registered.
        KeyOwner owner{a->name, a->email};
        bool plain = false;
        for (const auto& p : paths) plain = plain || opened->Core().IsPlainPublicKey(p);
        if (plain && owner.name.empty()) owner.name = ctx.Dialog().AskLine(ctx.texts[slot::kCliLabelName]).value_or("");
        if (plain && owner.email.empty())
            owner.email = ctx.Dialog().AskLine(ctx.texts[slot::kCliLabelEmail]).value_or("");
        const JobResult added = opened->Core().RegisterKeys(paths, owner);
        if (added.status == JobStatus::OwnerMissing) {
            status = ctx.UsageError(
                opened->Core().RefusalText(added) + (added.detail == "name" ? " (--name)" : " (--email)"), "add");
            return;
        }
        std::printf("%d\n", added.succeeded);
        status = ctx.Finish(opened->Report(added));
    });
}

void AddKeysCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "keys");
    const auto json = ctx.AddJsonFlag(*cmd);
    cmd->callback([&ctx, &status, json] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const std::vector<KeyRow> keys = opened->Core().ListKeys();
        if (*json) {
            static const char* names[] = {"name", "email", "file", "updated", "validUntil", "lastUsed"};
            std::printf("[");
            for (std::size_t k = 0; k < keys.size(); ++k) {
                std::vector<std::pair<std::string, std::string>> members;
                for (std::size_t c = 0; c < 6; ++c) members.emplace_back(names[c], JsonString(keys[k].columns[c]));
                members.emplace_back("authenticated", keys[k].auth ? "true" : "false");
                members.emplace_back("path", JsonString(keys[k].file.string()));
                std::printf("%s\n  %s", k == 0 ? "" : ",", JsonObject(members).c_str());
            }
            std::printf("%s]\n", keys.empty() ? "" : "\n");
            status = ctx.Finish(true);
            return;
        }
        std::printf("%s\n", ctx.texts[slot::kCliKeysHeader].c_str());
        for (const KeyRow& key : keys) {
            std::string line;
            for (std::size_t c = 0; c < 6; ++c) line += (c ? "\t" : "") + Printable(key.columns[c]);
            std::printf("%s\n", line.c_str());
        }
        status = ctx.Finish(true);
    });
}

}  // namespace tessarin::cli
