// tza info FILE.tza: the tail, the flags, the record count, the payload
// length and which record the own key opens.
// tza history FILE.tza: the container's history as a table.
// Both look without changing the container.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string_view>

#include "cli/Session.h"

namespace tessarin::cli {
namespace {

std::string Time(const SystemTime& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

// Terminal columns of a UTF-8 text: wide (East Asian) characters take two.
std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        width += code >= 0x1100 ? 2 : 1;
        i += length;
    }
    return width;
}

// A label of the table padded to the value column.
void Line(const LanguageTable& texts, int labelSlot, const std::string& value) {
    constexpr std::size_t kValueColumn = 22;
    const std::string& label = texts[labelSlot];
    const std::size_t width = DisplayWidth(label);
    const std::string pad(width < kValueColumn ? kValueColumn - width : 1, ' ');
    std::printf("%s%s%s\n", label.c_str(), pad.c_str(), value.c_str());
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("info", "Show what a container's tail and records say");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "A .tza container")->required()->check(CLI::ExistingFile);
    cmd->callback([&ctx, &status, file] {
        ctx.Prepare();
        const LanguageTable& t = ctx.texts;
        Session session(ctx);
        // The tail is shown even without a key set; the key set is opened
        // first only so that its absence is said before the table.
        const bool keySet = session.OpenKeySet();
        ContainerInfo info;
        if (!session.Report(session.Core().Inspect(*file, info))) {
            status = kExitFailed;
            return;
        }
        Line(t, slot::kInfoFileLength, std::to_string(info.fileLength));
        Line(t, slot::kInfoPayloadLength, std::to_string(info.payloadLength));
        Line(t, slot::kInfoRecordCount, std::to_string(info.recordCount));
        char flags[8];
        std::snprintf(flags, sizeof flags, "0x%02x", info.flags);
        std::string flagText = flags;
        if (info.hasTimeLimit) flagText += " " + t[slot::kInfoFlagTimeLimit];
        if (info.hasSender) flagText += " " + t[slot::kInfoFlagSender];
        if (info.hasHistory) flagText += " " + t[slot::kInfoFlagHistory];
        Line(t, slot::kInfoFlags, flagText);
        std::string tail;
        for (auto b : info.tail) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", b);
            tail += (tail.empty() ? "" : " ") + std::string(hex);
        }
        Line(t, slot::kInfoTail, tail);
        status = kExitOk;
        if (!keySet || info.own == ContainerInfo::Own::NoKeySet) {
            Line(t, slot::kInfoOwnRecord, t[slot::kInfoNoKeySet]);
            return;
        }
        if (info.own == ContainerInfo::Own::NotAddressed) {
            Line(t, slot::kInfoOwnRecord, t[slot::kInfoNotAddressed]);
            return;
        }
        Line(t, slot::kInfoOwnRecord, std::to_string(info.recordIndex));
        Line(t, slot::kInfoStoredName, info.storedName);
        char version[16];
        std::snprintf(version, sizeof version, "0x%04x", info.recordVersion);
        Line(t, slot::kInfoRecordVersion, version);
        Line(t, slot::kInfoEncryptedAt, Time(info.encryptedAt));
        std::string limit = FormatText(t[slot::kInfoLimitSeconds], {static_cast<long long>(info.limitSeconds)});
        if (info.limitSeconds == 0)
            limit += " " + t[slot::kInfoNoLimit];
        else if (info.limitFromFirstDecryption)
            limit += " " + t[slot::kInfoFromFirstDecryption];
        Line(t, slot::kInfoTimeLimit, limit);
        Line(t, slot::kInfoDecryptions, std::to_string(info.decryptions));
        if (info.expired) Line(t, slot::kInfoState, t[slot::kInfoExpired]);
    });
}

void AddHistoryCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("history", "Show the history a container carries");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "A .tza container")->required()->check(CLI::ExistingFile);
    cmd->callback([&ctx, &status, file] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        HistoryView view;
        if (!opened->Report(opened->Core().History(*file, view))) {
            status = kExitFailed;
            return;
        }
        const LanguageTable& t = ctx.texts;
        std::printf("%s %s\n", t[slot::kInfoTimeLimit].c_str(), view.validityTerm.c_str());
        std::printf("%s\t%s\t%s\t%s\n", t[slot::kHistoryColumnDate].c_str(), t[slot::kHistoryColumnOperation].c_str(),
                    t[slot::kHistoryColumnUser].c_str(), t[slot::kHistoryColumnMail].c_str());
        for (const auto& row : view.records)
            std::printf("%s\t%s\t%s\t%s\n", row.date.c_str(), row.operation.c_str(), row.userName.c_str(),
                        row.mail.c_str());
        status = kExitOk;
    });
}

}  // namespace tessarin::cli
