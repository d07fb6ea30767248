// tza info FILE.tza: the tail, the flags, the record count, the payload
// length and which record the own key opens.
// tza history FILE.tza: the container's history as a table.
// Both look without changing the container.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Session.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerReader.h"
#include "platform/Cp932.h"

namespace tessarin::cli {
namespace {

namespace fs = std::filesystem;
using namespace tessarin::container;

// A container store that reads and never writes: an expired container is
// reported, not wiped, and no count is written back.
class ReadOnlyStore final : public IContainerStore {
public:
    explicit ReadOnlyStore(const fs::path& path) : m_file(path) {}
    std::optional<std::int64_t> Size() override { return m_file.Size(); }
    bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override { return m_file.ReadAt(offset, out); }
    bool WriteAt(std::int64_t, std::span<const std::uint8_t>) override { return false; }
    bool Wipe() override { return false; }

private:
    FileContainerStore m_file;
};

std::string Time(const SystemTime& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

// Stored texts for the terminal: decoded from CP932, control characters shown
// as '?' so a hostile name cannot drive the terminal.
std::string Utf8(const std::string& cp932) {
    std::string text = Cp932ToUtf8(cp932).value_or(cp932);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

// Reads the own record, only looking; nullopt when the container is not
// readable for us. An expired container gives Expired with its record.
std::optional<ReadStatus> ReadOwn(Session& session, ReadOnlyStore& store, ContainerReader& reader,
                                  ReadPurpose purpose) {
    auto keys = ReaderKeys::Load(session.State().publicKeyPath, session.State().privateKeyPath);
    if (!keys) return std::nullopt;
    reader.SetLookOnly(true);
    return reader.Read(store, *keys, purpose);
}

// Only regular files are opened: a FIFO or a device would block or change.
bool IsContainerFile(CliContext& ctx, const std::string& file, int& status) {
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) return true;
    IUserDialog& dialog = ctx.Dialog();
    dialog.ShowMessage(ctx.texts[slot::kNotTzaOrBroken], MessageKind::Error);
    status = kExitFailed;
    return false;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("info", "Show what a container's tail and records say");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "A .tza container")->required()->check(CLI::ExistingFile);
    cmd->callback([&ctx, &status, file] {
        ctx.Prepare();
        if (!IsContainerFile(ctx, *file, status)) return;
        ReadOnlyStore store(*file);
        TailInfo tail;
        if (CheckTail(store, tail) != ReadStatus::Ok) {
            IUserDialog& dialog = ctx.Dialog();
            dialog.ShowMessage(ctx.texts[slot::kNotTzaOrBroken], MessageKind::Error);
            status = kExitFailed;
            return;
        }
        std::printf("file length:     %lld\n", static_cast<long long>(tail.fileLength));
        std::printf("payload length:  %d\n", tail.payloadLength);
        std::printf("record count:    %d\n", tail.recordCount);
        std::printf("flags:           0x%02x%s%s%s\n", tail.flags, (tail.flags & 2) ? " time-limit" : "",
                    tail.HasSender() ? " sender" : "", tail.HasHistory() ? " history" : "");
        std::printf("tail:           ");
        for (auto b : tail.bytes) std::printf(" %02x", b);
        std::printf("\n");

        Session session(ctx);
        if (!session.OpenKeySet()) {
            std::printf("own record:      (no key set in use)\n");
            status = kExitOk;
            return;
        }
        SilentUserDialog quiet;
        ContainerReader reader(session.Host(), quiet, ctx.texts);
        const auto read = ReadOwn(session, store, reader, ReadPurpose::Decrypt);
        if (!read || (*read != ReadStatus::Ok && *read != ReadStatus::Expired)) {
            std::printf("own record:      none (not addressed to this key set)\n");
            status = kExitOk;
            return;
        }
        const auto& r = reader.Record();
        std::printf("own record:      %d\n", r.index);
        std::printf("stored name:     %s\n", Utf8(r.StoredNameBytes()).c_str());
        std::printf("record version:  0x%04x\n", r.version);
        std::printf("encrypted at:    %s\n", Time(r.encryptionTime).c_str());
        std::printf("time limit:      %u s%s\n", r.limitSeconds,
                    r.limitSeconds == 0 ? " (none)" : (r.firstDecryption ? " (from first decryption)" : ""));
        std::printf("decryptions:     %u\n", r.storedDecryptionCount);
        if (*read == ReadStatus::Expired) std::printf("state:           expired\n");
        status = kExitOk;
    });
}

void AddHistoryCommand(CLI::App& app, CliContext& ctx, int& status) {
    auto* cmd = app.add_subcommand("history", "Show the history a container carries");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "A .tza container")->required()->check(CLI::ExistingFile);
    cmd->callback([&ctx, &status, file] {
        ctx.Prepare();
        if (!IsContainerFile(ctx, *file, status)) return;
        auto opened = OpenSession(ctx, status);
        if (!opened) return;
        Session& session = *opened;
        ReadOnlyStore store(*file);
        ContainerReader reader(session.Host(), ctx.Dialog(), ctx.texts);
        const auto read = ReadOwn(session, store, reader, ReadPurpose::HistoryView);
        // An expired container has been reported; its history is still shown.
        if (!read || (*read != ReadStatus::Ok && *read != ReadStatus::Expired)) {
            status = kExitFailed;
            return;
        }
        if (!reader.Tail().HasHistory()) {
            Note("the container carries no history");
            status = kExitFailed;
            return;
        }
        CArchiveHistoryMan history(session.Host());
        history.Open(fs::absolute(*file).parent_path());
        history.SetContainer(fs::absolute(*file), reader.Tail().bytes, reader.Record().fileKey);
        if (history.Load() != CArchiveHistoryMan::Loaded) {
            Note("the history cannot be read");
            status = kExitFailed;
            return;
        }
        const bool english = ctx.texts.Current() == LanguageTable::Language::English;
        static const char* jaOps[] = {"新規作成", "更新", "閲覧", "復号", "不明"};
        static const char* enOps[] = {"created", "updated", "viewed", "decrypted", "unknown"};
        const auto** ops = english ? enOps : jaOps;
        const auto header = [&](int slotNo, const char* fallback) {
            const std::string& t = ctx.texts.Text(slotNo);
            return t.empty() ? std::string(fallback) : t;
        };
        std::printf("%s\t%s\t%s\t%s\n", header(537, "date").c_str(), header(538, "operation").c_str(),
                    header(539, "user").c_str(), header(540, "mail").c_str());
        for (int i = 0; i < history.RecordCount(); ++i) {
            const auto& rec = history.RecordAt(i);
            const int op = rec.operation >= 0 && rec.operation <= 3 ? rec.operation : 4;
            std::printf("%d/%d/%d %02d:%02d\t%s\t%s\t%s\n", rec.time.year, rec.time.month, rec.time.day, rec.time.hour,
                        rec.time.minute, ops[op], Utf8(history.UserName(rec.user)).c_str(),
                        Utf8(history.MailAddress(rec.user)).c_str());
        }
        status = kExitOk;
    });
}

}  // namespace tessarin::cli
