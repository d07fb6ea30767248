// tza encrypt FILE|FOLDER...: encrypt into .tza containers for the chosen
// recipients (and the own key unless left out).

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"
#include "keys/KeyFiles.h"

namespace tessarin::cli {
namespace {

namespace fs = std::filesystem;

// A recipient named by key file, registered name or e-mail address.
std::optional<fs::path> FindRecipient(CKeyManager& keys, const std::string& wanted) {
    std::error_code ec;
    if (fs::is_regular_file(wanted, ec)) return fs::absolute(wanted);
    std::optional<fs::path> found;
    for (int i = 0; i < keys.Count(); ++i) {
        if (keys.Name(i) != wanted && keys.Email(i) != wanted && keys.File(i) != wanted) continue;
        const fs::path p = keys.OpenFolderPath() / keys.File(i);
        // An auth key serves before a plain public key of the same partner.
        if (!found || (keys.IsAuthIndex(i) && !IsAuthKeyFileName(found->filename().string()))) found = p;
    }
    return found;
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

// Files of the arguments: a folder gives the files below it.
std::vector<fs::path> ExpandSources(const std::vector<std::string>& args) {
    std::vector<fs::path> files;
    for (const auto& a : args) {
        std::error_code ec;
        const fs::path p = fs::absolute(a, ec);
        if (fs::is_directory(fs::symlink_status(p, ec))) {
            std::vector<fs::path> inside;
            for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
                 it.increment(ec))
                if (it->is_regular_file(ec) || it->is_symlink(ec)) inside.push_back(it->path());
            std::sort(inside.begin(), inside.end());
            files.insert(files.end(), inside.begin(), inside.end());
        } else {
            files.push_back(p);
        }
    }
    return files;
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
        Session& session = *opened;
        auto& state = session.State();
        for (const auto& r : a->to) {
            const auto found = FindRecipient(session.Keys(), r);
            if (!found) {
                Note("no key for recipient " + r + " (see 'tza keys')");
                status = kExitFailed;
                return;
            }
            state.recipients.push_back(*found);
        }
        if (a->to.empty() && !a->self && a->withoutMe) {
            Note("no recipient: give --to, or leave out --without-me");
            status = kExitUsage;
            return;
        }
        auto& o = state.options;
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
                Note("--deadline: not a moment: " + a->deadline);
                status = kExitUsage;
                return;
            }
            o.timeLimit.kind = TimeLimitInput::Kind::Deadline;
            o.timeLimit.deadline = *when;
        }
        state.files = ExpandSources(a->sources);
        const int written = state.EncryptFiles(a->self ? kModeSelf : kModeCommand);
        for (const auto& c : state.WrittenContainers()) std::printf("%s\n", c.c_str());
        status = ctx.Finish(written == static_cast<int>(state.files.size()));
    });
}

}  // namespace tessarin::cli
