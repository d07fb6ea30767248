// tza auth PUBKEY: authenticate a partner's public key (or answer a received
// auth key), with the limit choices of the limit dialog.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>

#include "cli/Session.h"

namespace tessarin::cli {
namespace {

// "YYYY-MM-DD" for a picked day.
std::optional<SystemTime> ParseDay(const std::string& text) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
    if (y < 1601 || y > 30827 || m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    return t;
}

}  // namespace

void AddAuthCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "auth");
    struct Args {
        std::string key;
        std::string limit = "none";
    };
    auto args = std::make_shared<Args>();
    cmd->add_option("PUBKEY", args->key, ctx.help("auth.PUBKEY"))->required()->check(ctx.ExistingFile());
    cmd->add_option("--limit", args->limit, ctx.help("auth.limit"))->type_name("LIMIT");
    cmd->callback([&ctx, &status, args] {
        ctx.Prepare();
        static const std::map<std::string, AuthLimitChoice> choices = {
            {"none", AuthLimitChoice::None},
            {"month", AuthLimitChoice::OneMonth},
            {"year", AuthLimitChoice::OneYear},
            {"end-of-year", AuthLimitChoice::EndOfYear},
            {"end-of-fiscal-year", AuthLimitChoice::EndOfFiscalYear}};
        std::optional<AuthLimitChoice> choice;
        std::optional<SystemTime> picked;
        if (auto it = choices.find(args->limit); it != choices.end())
            choice = it->second;
        else if ((picked = ParseDay(args->limit)))
            choice = AuthLimitChoice::Picked;
        if (!choice) {
            Note(FormatText(ctx.texts[slot::kCliLimitNotChoice], {args->limit}));
            status = kExitUsage;
            return;
        }
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        const auto made = opened->Core().Authenticate(args->key, *choice, picked);
        if (made.authKey.empty()) {
            status = ctx.Finish(false);
            return;
        }
        std::printf("%s\n", made.authKey.c_str());
        status = ctx.Finish(true);
    });
}

}  // namespace tessarin::cli
