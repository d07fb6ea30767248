// tza info FILE.tza [--json]: the tail, the flags, the record count, the
// payload length and which record the own key opens.
// tza history FILE.tza [--json]: the container's history as a table.
// Both look without changing the container.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string_view>

#include "cli/Output.h"
#include "cli/Session.h"
#include "cli/TextWidth.h"

namespace tessarin::cli {
namespace {

std::string Time(const SystemTime& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*x", digits, value);
    return buf;
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

void PrintInfoJson(const ContainerInfo& info) {
    std::string tail;
    for (auto b : info.tail) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", b);
        tail += hex;
    }
    std::vector<std::pair<std::string, std::string>> m = {{"fileLength", std::to_string(info.fileLength)},
                                                          {"payloadLength", std::to_string(info.payloadLength)},
                                                          {"recordCount", std::to_string(info.recordCount)},
                                                          {"flags", std::to_string(info.flags)},
                                                          {"timeLimit", Bool(info.hasTimeLimit)},
                                                          {"sender", Bool(info.hasSender)},
                                                          {"history", Bool(info.hasHistory)},
                                                          {"tail", JsonString(tail)}};
    const bool found = info.own == ContainerInfo::Own::Found;
    m.emplace_back("addressed", info.own == ContainerInfo::Own::NoKeySet ? "null" : Bool(found));
    if (found) {
        m.emplace_back("ownRecord", std::to_string(info.recordIndex));
        m.emplace_back("storedName", JsonString(info.storedName));
        m.emplace_back("recordVersion", std::to_string(info.recordVersion));
        m.emplace_back("encryptedAt", JsonString(Time(info.encryptedAt)));
        m.emplace_back("limitSeconds", std::to_string(info.limitSeconds));
        m.emplace_back("limitFromFirstDecryption", Bool(info.limitFromFirstDecryption));
        m.emplace_back("decryptions", std::to_string(info.decryptions));
        m.emplace_back("expired", Bool(info.expired));
    }
    std::printf("%s\n", JsonObject(m).c_str());
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "info");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, ctx.help("info.FILE"))->required()->check(ctx.ExistingFile());
    const auto json = ctx.AddJsonFlag(*cmd);
    cmd->callback([&ctx, &status, file, json] {
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
        status = kExitOk;
        if (!keySet) info.own = ContainerInfo::Own::NoKeySet;
        if (*json) {
            PrintInfoJson(info);
            return;
        }
        std::vector<std::pair<std::string, std::string>> rows;
        const auto line = [&](int labelSlot, const std::string& value) { rows.emplace_back(t[labelSlot], value); };
        line(slot::kInfoFileLength, std::to_string(info.fileLength));
        line(slot::kInfoPayloadLength, std::to_string(info.payloadLength));
        line(slot::kInfoRecordCount, std::to_string(info.recordCount));
        std::string flagText = Hex(info.flags, 2);
        if (info.hasTimeLimit) flagText += " " + t[slot::kInfoFlagTimeLimit];
        if (info.hasSender) flagText += " " + t[slot::kInfoFlagSender];
        if (info.hasHistory) flagText += " " + t[slot::kInfoFlagHistory];
        line(slot::kInfoFlags, flagText);
        std::string tail;
        for (auto b : info.tail) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", b);
            tail += (tail.empty() ? "" : " ") + std::string(hex);
        }
        line(slot::kInfoTail, tail);
        if (info.own == ContainerInfo::Own::NoKeySet) {
            line(slot::kInfoOwnRecord, t[slot::kInfoNoKeySet]);
        } else if (info.own == ContainerInfo::Own::NotAddressed) {
            line(slot::kInfoOwnRecord, t[slot::kInfoNotAddressed]);
        } else {
            line(slot::kInfoOwnRecord, std::to_string(info.recordIndex));
            line(slot::kInfoStoredName, info.storedName);
            line(slot::kInfoRecordVersion, Hex(info.recordVersion, 4));
            line(slot::kInfoEncryptedAt, Time(info.encryptedAt));
            std::string limit = FormatText(t[slot::kInfoLimitSeconds], {static_cast<long long>(info.limitSeconds)});
            if (info.limitSeconds == 0)
                limit += " " + t[slot::kInfoNoLimit];
            else if (info.limitFromFirstDecryption)
                limit += " " + t[slot::kInfoFromFirstDecryption];
            line(slot::kInfoTimeLimit, limit);
            line(slot::kInfoDecryptions, std::to_string(info.decryptions));
            if (info.expired) line(slot::kInfoState, t[slot::kInfoExpired]);
        }
        PrintLabelled(rows, 22);
    });
}

void AddHistoryCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = ctx.AddCommand(app, "history");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, ctx.help("info.FILE"))->required()->check(ctx.ExistingFile());
    const auto json = ctx.AddJsonFlag(*cmd);
    cmd->callback([&ctx, &status, file, json] {
        ctx.Prepare();
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        HistoryView view;
        if (!opened->Report(opened->Core().History(*file, view))) {
            status = kExitFailed;
            return;
        }
        status = kExitOk;
        if (*json) {
            std::string records, users;
            for (const auto& row : view.records)
                records += std::string(records.empty() ? "" : ",") + "\n    " +
                           JsonObject({{"date", JsonString(row.date)},
                                       {"operation", JsonString(row.operation)},
                                       {"user", JsonString(row.userName)},
                                       {"email", JsonString(row.mail)}});
            for (const auto& user : view.users)
                users += std::string(users.empty() ? "" : ", ") +
                         JsonObject({{"name", JsonString(user.name)}, {"email", JsonString(user.mail)}});
            std::printf("{\"validity\": %s,\n  \"users\": [%s],\n  \"records\": [%s%s]}\n",
                        JsonString(view.validityTerm).c_str(), users.c_str(), records.c_str(),
                        records.empty() ? "" : "\n  ");
            return;
        }
        const LanguageTable& t = ctx.texts;
        std::printf("%s %s\n", t[slot::kInfoTimeLimit].c_str(), view.validityTerm.c_str());
        std::printf("%s\t%s\t%s\t%s\n", t[slot::kHistoryColumnDate].c_str(), t[slot::kHistoryColumnOperation].c_str(),
                    t[slot::kHistoryColumnUser].c_str(), t[slot::kHistoryColumnMail].c_str());
        for (const auto& row : view.records)
            std::printf("%s\t%s\t%s\t%s\n", row.date.c_str(), row.operation.c_str(), Printable(row.userName).c_str(),
                        Printable(row.mail).c_str());
    });
}

}  // namespace tessarin::cli
