// tza encrypt FILE|FOLDER...: encrypt into .tza containers for the chosen
// recipients (and the own key unless left out).

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <map>

#include "cli/Output.h"
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

// Standard input into a file of the stored name inside a private folder.
std::optional<fs::path> SaveStandardInput(const PrivateFolder& folder, const std::string& name) {
    const fs::path path = folder.Path() / name;
    std::FILE* out = std::fopen(path.c_str(), "wbx");
    if (!out) return std::nullopt;
    const bool ok = CopyStream(stdin, out);
    return std::fclose(out) == 0 && ok ? std::optional<fs::path>(path) : std::nullopt;
}

// A stored name for standard input: one plain file name.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

void AddEncryptCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "encrypt");
    struct Args {
        std::vector<std::string> sources, to;
        bool self = false, withoutMe = false, logs = false, wipe = false, fromFirst = false;
        int limit = 0;
        std::string unit = "days", deadline, output, mail, storedName;
    };
    auto a = std::make_shared<Args>();
    const HelpTexts& h = ctx.help;
    const CLI::Validator pathOrStdin(
        [exists = ctx.ExistingPath()](std::string& path) { return path == "-" ? std::string() : exists(path); }, "");
    const CLI::Validator folderOrStdout(
        [folder = ctx.ExistingFolder()](std::string& path) { return path == "-" ? std::string() : folder(path); }, "");
    cmd->add_option("SOURCE", a->sources, h("encrypt.SOURCE"))->required()->check(pathOrStdin);
    cmd->add_option("--to,-t", a->to, h("encrypt.to"))->type_name("RECIPIENT")->allow_extra_args(false);
    cmd->add_flag("--self", a->self, h("encrypt.self"));
    cmd->add_flag("--without-me", a->withoutMe, h("encrypt.without-me"));
    auto* limit = cmd->add_option("--limit", a->limit, h("encrypt.limit"))->type_name("N");
    cmd->add_option("--unit", a->unit, h("encrypt.unit"))
        ->check(ctx.OneOf({"years", "weeks", "days", "hours", "minutes", "seconds"}))
        ->type_name("UNIT");
    cmd->add_option("--deadline", a->deadline, h("encrypt.deadline"))->excludes(limit)->type_name("\"DATE TIME\"");
    cmd->add_flag("--from-first-decryption", a->fromFirst, h("encrypt.from-first-decryption"));
    cmd->add_flag("--logs", a->logs, h("encrypt.logs"));
    cmd->add_option("--output,-o", a->output, h("encrypt.output"))->check(folderOrStdout)->type_name("DIR|-");
    cmd->add_flag("--wipe", a->wipe, h("encrypt.wipe"));
    cmd->add_option("--mail", a->mail, h("encrypt.mail"))->type_name("ADDRESS");
    cmd->add_option("--name", a->storedName, h("encrypt.name"))->type_name("NAME");
    cmd->callback([&ctx, &status, a, limit] {
        ctx.Prepare();
        const bool fromStdin = std::find(a->sources.begin(), a->sources.end(), "-") != a->sources.end();
        const bool toStdout = a->output == "-";
        // What the command line lacks is said before anything is read.
        if (a->to.empty() && !a->self) {
            status = ctx.UsageError(ctx.texts[slot::kCliSelfOrTo], "encrypt");
            return;
        }
        if (fromStdin && a->sources.size() > 1) {
            status = ctx.UsageError(FormatText(ctx.help("usage.one-only"), {std::string("-")}), "encrypt");
            return;
        }
        if (fromStdin && !IsPlainFileName(a->storedName)) {
            status = ctx.UsageError(ctx.texts[slot::kCliStdinNeedsName], "encrypt");
            return;
        }
        std::error_code ec;
        if (toStdout && (a->sources.size() > 1 || (!fromStdin && !fs::is_regular_file(a->sources[0], ec)))) {
            status = ctx.UsageError(FormatText(ctx.help("usage.one-only"), {std::string("--output -")}), "encrypt");
            return;
        }
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        EncryptRequest request;
        for (const auto& r : a->to) {
            const RecipientSpec spec = RecipientOf(r);
            request.recipients.push_back(spec);
            fs::path key;
            if (opened->Core().RecipientAuthenticated(spec, &key) == false)
                Note(FormatText(ctx.texts[slot::kCliKeyNotAuthenticated], {r, key.filename().string()}));
        }
        if (a->self) request.recipients.push_back({RecipientKind::Self, {}});
        auto& o = request.options;
        o.withoutMyAddress = a->withoutMe;
        o.manageLogs = a->logs;
        o.deleteSource = a->wipe && !fromStdin;
        o.sendByMail = !a->mail.empty();
        o.mailRecipient = a->mail;
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
        // Pipes go through private folders: the plaintext read from standard
        // input, and the container on its way to standard output.
        PrivateFolder input, output;
        if (fromStdin) {
            const auto saved = input.Ok() ? SaveStandardInput(input, a->storedName) : std::nullopt;
            if (!saved) {
                Note(ctx.texts[slot::kInputCannotOpen]);
                status = kExitFailed;
                return;
            }
            request.sources.push_back(*saved);
            if (!toStdout && a->output.empty()) o.outputFolder = fs::current_path(ec);
        } else {
            request.sources.assign(a->sources.begin(), a->sources.end());
        }
        if (toStdout) {
            if (!output.Ok()) {
                Note(ctx.texts[slot::kOutputCannotOpen]);
                status = kExitFailed;
                return;
            }
            o.outputFolder = output.Path();
        } else if (!a->output.empty()) {
            o.outputFolder = fs::absolute(a->output);
        }
        ctx.Dialog().SetJobBytes(JobBytes(request.sources, 1, true));
        const JobResult result = opened->Core().Encrypt(request);
        bool ok = result.Ok();
        for (const auto& item : result.items) {
            if (item.outcome != ItemOutcome::Done) continue;
            if (toStdout)
                ok = CopyFileToStdout(item.output) && ok;
            else
                PrintPath(item.output.string());
        }
        opened->Report(result);
        if (result.status == JobStatus::NoRecipient) {
            status = kExitUsage;
            return;
        }
        status = ctx.Finish(ok);
    });
}

}  // namespace tessarin::cli
