// tza encrypt FILE|FOLDER...: encrypt into .tza containers for the chosen
// recipients (and the own key unless left out).

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"

namespace tessarin::cli {
namespace {

namespace fs = std::filesystem;

// A recipient as given to --to: a key file (a path or a registered file
// name), an e-mail address, or a registered name.
RecipientSpec RecipientOf(const std::string& wanted) {
    std::error_code ec;
    if (fs::is_regular_file(wanted, ec) || fs::path(wanted).extension() == ".vpub")
        return {RecipientKind::KeyFile, wanted};
    if (wanted.find('@') != std::string::npos) return {RecipientKind::Email, wanted};
    return {RecipientKind::Name, wanted};
}

// "YYYY-MM-DD HH:MM:SS" (seconds optional).
std::optional<SystemTime> ParseDeadline(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n < 5) return std::nullopt;
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    return t;
}

}  // namespace

void AddEncryptCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("encrypt", "Encrypt files and folders into .tza containers");
    struct Args {
        std::vector<std::string> sources, to;
        bool self = false, withoutMe = false, logs = false, wipe = false, fromFirst = false;
        int limit = 0;
        std::string unit = "days", deadline, output, mail;
    };
    auto a = std::make_shared<Args>();
    cmd->add_option("SOURCE", a->sources, "Files or folders")->required()->check(CLI::ExistingPath);
    cmd->add_option("--to,-t", a->to, "A recipient: key file, registered name or e-mail address (repeatable)");
    cmd->add_flag("--self", a->self, "Encrypt for yourself only");
    cmd->add_flag("--without-me", a->withoutMe, "Without Adding My address.");
    auto* limit = cmd->add_option("--limit", a->limit, "Time limit: a value from 1 to 99 in --unit");
    cmd->add_option("--unit", a->unit, "years, weeks, days, hours, minutes or seconds")
        ->check(CLI::IsMember({"years", "weeks", "days", "hours", "minutes", "seconds"}));
    cmd->add_option("--deadline", a->deadline, "Time limit as a moment: \"YYYY-MM-DD HH:MM[:SS]\"")->excludes(limit);
    cmd->add_flag("--from-first-decryption", a->fromFirst,
                  "TimeLimit After First Decryption (default: after encryption)");
    cmd->add_flag("--logs", a->logs, "Manage Logs: the container carries a history");
    cmd->add_option("--output,-o", a->output, "Output folder (default: beside each source)")
        ->check(CLI::ExistingDirectory);
    cmd->add_flag("--wipe", a->wipe, "Wipe each source once its container is complete");
    cmd->add_option("--mail", a->mail, "Hand the containers to the mail program, addressed to this address");
    cmd->callback([&ctx, &status, a, limit] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        EncryptRequest request;
        for (const auto& r : a->to) request.recipients.push_back(RecipientOf(r));
        if (a->self) request.recipients.push_back({RecipientKind::Self, {}});
        auto& o = request.options;
        o.withoutMyAddress = a->withoutMe;
        o.manageLogs = a->logs;
        o.deleteSource = a->wipe;
        o.sendByMail = !a->mail.empty();
        o.mailRecipient = a->mail;
        if (!a->output.empty()) o.outputFolder = std::filesystem::absolute(a->output);
        o.timeLimit.fromFirstDecryption = a->fromFirst;
        if (limit->count() > 0) {
            static const std::map<std::string, TimeUnit> units = {
                {"years", TimeUnit::Years}, {"weeks", TimeUnit::Weeks},     {"days", TimeUnit::Days},
                {"hours", TimeUnit::Hours}, {"minutes", TimeUnit::Minutes}, {"seconds", TimeUnit::Seconds}};
            o.timeLimit.kind = TimeLimitInput::Kind::Relative;
            o.timeLimit.value = a->limit;
            o.timeLimit.unit = units.at(a->unit);
        } else if (!a->deadline.empty()) {
            const auto when = ParseDeadline(a->deadline);
            if (!when) {
                Note(FormatText(ctx.texts[slot::kCliDeadlineNotMoment], {a->deadline}));
                status = kExitUsage;
                return;
            }
            o.timeLimit.kind = TimeLimitInput::Kind::Deadline;
            o.timeLimit.deadline = *when;
        }
        request.sources.assign(a->sources.begin(), a->sources.end());
        const JobResult result = opened->Core().Encrypt(request);
        for (const auto& item : result.items)
            if (item.outcome == ItemOutcome::Done) std::printf("%s\n", item.output.c_str());
        opened->Report(result);
        if (result.status == JobStatus::NoRecipient) {
            status = kExitUsage;
            return;
        }
        status = ctx.Finish(result.Ok());
    });
}

}  // namespace tessarin::cli
