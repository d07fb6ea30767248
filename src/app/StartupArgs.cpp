#include "app/StartupArgs.h"

#include <array>
#include <utility>

#include "core/LanguageTable.h"

namespace tessarin {

namespace {

std::optional<StartJob> JobFlag(std::string_view argument) {
    static constexpr std::array<std::pair<std::string_view, StartJob>, 5> kFlags = {{
        {"-E", StartJob::Encrypt},
        {"-D", StartJob::Decrypt},
        {"-T", StartJob::Forward},
        {"-H", StartJob::History},
        {"-K", StartJob::Wipe},
    }};
    for (const auto& [flag, job] : kFlags)
        if (argument == flag) return job;
    return std::nullopt;
}

}  // namespace

std::vector<std::filesystem::path> SplitPathList(std::string_view text) {
    std::vector<std::filesystem::path> out;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const auto piece = text.substr(0, comma);
        if (!piece.empty()) out.emplace_back(std::string(piece));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out;
}

StartCommand ParseStartArguments(const std::vector<std::string>& arguments) {
    StartCommand command;
    if (arguments.empty()) return command;
    const auto& first = arguments.front();
    const auto job = JobFlag(first);
    if (arguments.size() == 1) {
        if (job) {
            command.kind = StartKind::Job;
            command.job = job;
            command.fromClipboard = true;
        } else if (first == "-R") {
            command.kind = StartKind::Repair;
        } else if (first == "/Install") {
            command.kind = StartKind::Install;
        } else if (first == "/Uninstall") {
            command.kind = StartKind::Uninstall;
        } else {
            command.kind = StartKind::OnePath;
            command.paths.emplace_back(first);
        }
        return command;
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].size() > kMaxStartPathLength) {
            command.kind = StartKind::PathTooLong;
            return command;
        }
    }
    if (!job) {
        command.kind = StartKind::UnknownFlag;
        return command;
    }
    command.kind = StartKind::Job;
    command.job = job;
    if (arguments.size() == 2) {
        command.paths = SplitPathList(arguments[1]);
    } else {
        for (std::size_t i = 1; i < arguments.size(); ++i)
            if (!arguments[i].empty()) command.paths.emplace_back(arguments[i]);
    }
    return command;
}

bool RunsBesideRunningInstance(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 || (!arguments.empty() && JobFlag(arguments.front()).has_value());
}

std::string ClipboardReadMessage(const LanguageTable& texts, ClipboardRead result) {
    switch (result) {
        case ClipboardRead::Ok:
            return {};
        case ClipboardRead::NoText:
            return texts[slot::kHandOverNoText];
        case ClipboardRead::CannotOpen:
            return texts[slot::kHandOverNoClipboard];
    }
    return texts[slot::kHandOverUnexpected];
}

}  // namespace tessarin
