#include "cli/CliContext.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tessarin::cli {
namespace {

bool LocaleIsJapanese() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return std::strncmp(v, "ja", 2) == 0;
    }
    return false;
}

}  // namespace

void CliContext::PrepareTexts() {
    // The Japanese texts always go in first: slots without an English text
    // keep them.
    texts.FillJapanese();
    const bool asked = options.language == "ja" || options.language == "en";
    const bool english = asked ? options.language == "en" : !LocaleIsJapanese();
    if (english) texts.FillEnglish();
    help = HelpTexts(texts);
}

void CliContext::Prepare() {
    TerminalOptions t;
    t.interactive = isatty(STDIN_FILENO) != 0;
    t.progress = !options.quiet && isatty(STDERR_FILENO) != 0;
    t.verbose = options.verbose;
    if (options.yes) t.answer = true;
    if (options.no) t.answer = false;
    if (options.overwrite == "all") t.overwrite = OverwritePolicy::All;
    if (options.overwrite == "none") t.overwrite = OverwritePolicy::None;
    t.authenticateSender = options.authenticateSender;
    t.senderAnsweredNoNote = texts[slot::kSenderQuestionAnsweredNo];
    t.noAnswerNote = texts[slot::kCliNoAnswerGiven];
    t.yesNoPrompt = texts[slot::kCliYesNoPrompt];
    t.yesWords = texts[slot::kCliYesWords];
    t.noWords = texts[slot::kCliNoWords];
    t.choicePrompt = texts[slot::kCliChoicePrompt];
    t.progressLine = texts[slot::kCliProgressLine];
    m_dialog = std::make_unique<TerminalDialog>(std::move(t));
}

int CliContext::Finish(bool ok) const {
    if (m_dialog && m_dialog->Unanswered()) return kExitFailed;
    return ok ? kExitOk : kExitFailed;
}

int CliContext::UsageError(const std::string& text, const std::string& command) const {
    std::fprintf(stderr, "tza: %s\n", text.c_str());
    const std::string tool = command.empty() ? std::string("tza") : "tza " + command;
    std::fprintf(stderr, "tza: %s\n", FormatText(help("usage.see-help"), {tool}).c_str());
    return kExitUsage;
}

CLI::App* CliContext::AddCommand(CLI::App& app, const std::string& name) {
    CLI::App* cmd = app.add_subcommand(name, help("cmd." + name));
    cmd->group(help("group.commands"));
    if (CLI::Option* helpFlag = cmd->get_help_ptr()) helpFlag->group(help("group.options"));
    cmd->footer(help("exit"));
    return cmd;
}

std::shared_ptr<bool> CliContext::AddJsonFlag(CLI::App& cmd) const {
    auto json = std::make_shared<bool>(false);
    cmd.add_flag("--json", *json, help("opt.json"));
    return json;
}

CLI::Validator CliContext::ExistingFile() const {
    const std::string notFile = help("usage.not-file"), missing = help("usage.no-path");
    return CLI::Validator(
        [notFile, missing](std::string& path) -> std::string {
            std::error_code ec;
            if (!std::filesystem::exists(path, ec)) return FormatText(missing, {path});
            if (std::filesystem::is_directory(path, ec)) return FormatText(notFile, {path});
            return {};
        },
        "");
}

CLI::Validator CliContext::ExistingPath() const {
    const std::string missing = help("usage.no-path");
    return CLI::Validator(
        [missing](std::string& path) -> std::string {
            std::error_code ec;
            return std::filesystem::exists(path, ec) ? std::string() : FormatText(missing, {path});
        },
        "");
}

CLI::Validator CliContext::ExistingFolder() const {
    const std::string notFolder = help("usage.not-folder");
    return CLI::Validator(
        [notFolder](std::string& path) -> std::string {
            std::error_code ec;
            return std::filesystem::is_directory(path, ec) ? std::string() : FormatText(notFolder, {path});
        },
        "");
}

CLI::Validator CliContext::OneOf(std::vector<std::string> choices) const {
    std::string list;
    for (const auto& c : choices) list += (list.empty() ? "" : ", ") + c;
    const std::string text = help("usage.not-member");
    return CLI::Validator(
        [choices, list, text](std::string& value) -> std::string {
            for (const auto& c : choices)
                if (c == value) return {};
            return FormatText(text, {std::string(), value, list}).substr(2);
        },
        "");
}

}  // namespace tessarin::cli
