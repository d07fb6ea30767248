// tza decrypt FILE.tza|FOLDER...: decrypt containers addressed to the key set
// in use; a folder gives the containers directly inside it (below it with
// --recursive).

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/Output.h"
#include "cli/Session.h"

namespace tessarin::cli {
namespace {

namespace fs = std::filesystem;

// The containers of a folder, in name order; links are not followed.
std::vector<fs::path> ContainersIn(const fs::path& folder, bool recursive) {
    std::vector<fs::path> found;
    std::error_code ec;
    const auto take = [&found](const fs::directory_entry& e) {
        std::error_code ec2;
        if (e.is_regular_file(ec2) && !e.is_symlink(ec2) && IsContainerName(e.path())) found.push_back(e.path());
    };
    if (recursive) {
        for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec))
            take(*it);
    } else {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) take(*it);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

void AddDecryptCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "decrypt");
    struct Args {
        std::vector<std::string> files;
        std::string output;
        bool keepName = false, remove = false, recursive = false, toStdout = false;
        bool authenticateSender = false;
    };
    auto a = std::make_shared<Args>();
    const HelpTexts& h = ctx.help;
    cmd->add_option("FILE", a->files, h("decrypt.FILE"))->required()->check(ctx.ExistingPath());
    auto* output =
        cmd->add_option("-o,--output", a->output, h("decrypt.output"))->check(ctx.ExistingFolder())->type_name("DIR");
    cmd->add_flag("-r,--recursive", a->recursive, h("decrypt.recursive"));
    cmd->add_flag("--stdout", a->toStdout, h("decrypt.stdout"))->excludes(output);
    cmd->add_flag("--keep-name", a->keepName, h("decrypt.keep-name"));
    cmd->add_flag("--remove", a->remove, h("decrypt.remove"));
    cmd->add_flag("--authenticate-sender", a->authenticateSender, h("decrypt.authenticate-sender"));
    cmd->callback([&ctx, &status, a] {
        ctx.options.authenticateSender = a->authenticateSender;
        ctx.Prepare();
        std::vector<fs::path> files;
        bool folderWithout = false;  // a folder given holds no container
        for (const auto& f : a->files) {
            std::error_code ec;
            if (!fs::is_directory(f, ec)) {
                files.emplace_back(f);
                continue;
            }
            const auto inside = ContainersIn(f, a->recursive);
            if (inside.empty()) {
                Note(FormatText(ctx.help("usage.no-containers"), {f}));
                folderWithout = true;
            }
            files.insert(files.end(), inside.begin(), inside.end());
        }
        if (a->toStdout && files.size() != 1) {
            status = ctx.UsageError(FormatText(ctx.help("usage.one-only"), {std::string("--stdout")}), "decrypt");
            return;
        }
        if (files.empty()) {
            status = kExitFailed;
            return;
        }
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        // The plaintext for standard output goes through a folder of the
        // owner's only and is removed afterwards.
        PrivateFolder staging;
        DecryptRequest request;
        request.files = files;
        request.keepContainerName = a->keepName;
        request.removeAfterDecrypt = a->remove;
        request.outputFolder = a->toStdout ? staging.Path() : fs::path(a->output);
        if (a->toStdout && !staging.Ok()) {
            Note(ctx.texts[slot::kOutputCannotOpen]);
            status = kExitFailed;
            return;
        }
        ctx.Dialog().SetJobBytes(JobBytes(files));
        const JobResult result = opened->Core().Decrypt(request);
        bool ok = opened->Report(result);
        for (const auto& item : result.items) {
            if (item.outcome != ItemOutcome::Done) continue;
            if (a->toStdout)
                ok = CopyFileToStdout(item.output) && ok;
            else
                PrintPath(item.output.string());
        }
        // A folder without containers among others still fails the run.
        status = ctx.Finish(ok && !folderWithout);
    });
}

}  // namespace tessarin::cli
