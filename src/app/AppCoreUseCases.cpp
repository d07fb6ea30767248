// The use cases of AppCore: encryption, decryption, wiping, looking at a
// container, its history and its forwarding addresses.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "app/AppCore.h"
#include "app/WorkList.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerReader.h"
#include "container/WipeFile.h"
#include "keys/KeyFiles.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;
using container::ReadPurpose;
using container::ReadStatus;

namespace {

JobResult Refused(JobStatus status, std::string detail = {}) {
    JobResult r;
    r.status = status;
    r.detail = std::move(detail);
    return r;
}

// A container store that reads and never writes: an expired container is
// reported, not wiped, and no count is written back.
class ReadOnlyStore final : public container::IContainerStore {
public:
    explicit ReadOnlyStore(const fs::path& path) : m_file(path) {}
    std::optional<std::int64_t> Size() override { return m_file.Size(); }
    bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override { return m_file.ReadAt(offset, out); }
    bool WriteAt(std::int64_t, std::span<const std::uint8_t>) override { return false; }
    bool Wipe() override { return false; }

private:
    container::FileContainerStore m_file;
};

// Stored texts for showing: decoded from CP932, control characters shown as
// '?' so a hostile name cannot drive a terminal or a list.
std::string Shown(const std::string& cp932) {
    std::string text = Cp932ToUtf8(cp932).value_or(cp932);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads the own record of a container, only looking. nullopt when the key
// files cannot be read.
std::optional<ReadStatus> ReadOwn(const fs::path& file, container::ContainerReader& reader,
                                  const MainWindowState& state, ReadPurpose purpose) {
    auto keys = container::ReaderKeys::Load(state.publicKeyPath, state.privateKeyPath);
    if (!keys) return std::nullopt;
    ReadOnlyStore store(file);
    reader.SetLookOnly(true);
    return reader.Read(store, *keys, purpose);
}

bool IsRegular(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec);
}

// The tail of a regular file that is a container. Only regular files are
// opened: a FIFO or a device would block or change.
bool ReadTail(const fs::path& file, container::TailInfo& tail) {
    if (!IsRegular(file)) return false;
    ReadOnlyStore store(file);
    return container::CheckTail(store, tail) == ReadStatus::Ok;
}

}  // namespace

PipelineDefaults OptionsFromSettings(const SettingsRecord& settings) {
    PipelineDefaults d;
    d.encrypt.deleteSource = settings.deleteCheck1 != 0;
    d.encrypt.sendByMail = settings.tzaSendMailCheck != 0;
    if (!settings.destPath1.empty()) d.encrypt.outputFolder = settings.destPath1;
    if (settings.limitCheck != 0) {
        d.encrypt.timeLimit.kind = TimeLimitInput::Kind::Relative;
        const int unit = std::clamp(settings.limitUnit, 0, static_cast<int>(TimeUnit::Seconds));
        d.encrypt.timeLimit.unit = static_cast<TimeUnit>(unit);
    }
    d.removeAfterDecrypt = settings.deleteCheck2 != 0;
    d.keepContainerName = settings.tzaKeep != 0;
    return d;
}

std::string FormatValidityTerm(std::uint32_t limitSeconds, bool fromFirstDecryption, const SystemTime& encryptedAt,
                               const SystemTime& limitStart, const LanguageTable& texts) {
    if (limitSeconds == 0) return texts[slot::kValidityNone];
    if (fromFirstDecryption) {
        const long long s = limitSeconds;
        return FormatText(texts[slot::kValidityFromFirstDecryption],
                          {s / 86400, (s / 3600) % 24, (s / 60) % 60, s % 60});
    }
    const SystemTime& base = limitStart.year != 0 ? limitStart : encryptedAt;
    const auto start = SystemTimeToTimeT(base);
    if (!start) return texts[slot::kValidityNone];
    const SystemTime end = SystemTimeFromTimeT(*start + static_cast<std::time_t>(limitSeconds));
    const int weekday = std::clamp(static_cast<int>(end.dayOfWeek), 0, 6);
    return FormatText(
        texts[slot::kValidityUntil],
        {static_cast<long long>(end.year), static_cast<long long>(end.month), static_cast<long long>(end.day),
         texts[slot::kWeekdaySunday + weekday], static_cast<long long>(end.hour), static_cast<long long>(end.minute),
         static_cast<long long>(end.second)});
}

void AppCore::RefreshDerivedState() {
    m_state.publicKeyPath = m_keys.PublicKeyPath();
    m_state.privateKeyPath = m_keys.PrivateKeyPath();
    m_state.selfAuthKeyPath = SelfAuthKeyPath();
    m_state.userName = m_keys.OwnerName();
    m_state.mailAddress = m_keys.OwnerEmail();
}

std::optional<fs::path> AppCore::FindRecipient(const RecipientSpec& spec) const {
    if (spec.kind == RecipientKind::KeyFile && IsRegular(spec.value)) return fs::absolute(spec.value);
    std::optional<fs::path> found;
    for (int i = 0; i < m_keys.Count(); ++i) {
        bool match = false;
        switch (spec.kind) {
            case RecipientKind::Name:
                match = m_keys.Name(i) == spec.value;
                break;
            case RecipientKind::Email:
                match = SameNoCase(m_keys.Email(i), spec.value);
                break;
            case RecipientKind::KeyFile:
                match = m_keys.File(i) == spec.value;
                break;
            case RecipientKind::Self:
                break;
        }
        if (!match) continue;
        const fs::path p = m_keys.OpenFolderPath() / m_keys.File(i);
        // An auth key serves before a plain public key of the same partner.
        if (!found || (m_keys.IsAuthIndex(i) && !IsAuthKeyFileName(found->filename().string()))) found = p;
    }
    return found;
}

JobResult AppCore::Encrypt(const EncryptRequest& request) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) return Refused(*refused);

    bool self = false;
    std::vector<fs::path> keys;
    for (const auto& spec : request.recipients) {
        if (spec.kind == RecipientKind::Self) {
            self = true;
            continue;
        }
        const auto found = FindRecipient(spec);
        if (!found) return Refused(JobStatus::RecipientNotFound, spec.value);
        keys.push_back(*found);
    }
    if (!self && keys.empty() && request.options.withoutMyAddress) return Refused(JobStatus::NoRecipient);

    m_state.recipients = keys;
    m_state.options = request.options;
    if (self) m_state.options.withoutMyAddress = false;
    m_state.optionsCheckBox = request.optionsCheckBox;
    m_state.files = ExpandSources(request.sources);
    // Containers met inside a folder are left out by the batch's own rule
    // (with its message): reported as skipped, not failed.
    std::vector<fs::path> named;
    for (const auto& s : request.sources) named.push_back(fs::absolute(s));
    const auto skipped = [&](const fs::path& f) {
        std::string ext = f.extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return ext == container::kExtension && std::find(named.begin(), named.end(), f) == named.end();
    };
    m_state.workers = BatchWorkers();

    auto mode = kModeCommand;  // the batch's entry point
    if (self && keys.empty())
        mode = kModeSelf;
    else if (request.entry == EncryptEntry::AddressBook)
        mode = kModeAddressBook;
    else if (request.entry == EncryptEntry::Options)
        mode = kModeOptions;
    const int succeeded = m_state.EncryptFiles(mode);

    JobResult result;
    result.requested = static_cast<int>(m_state.files.size());
    result.succeeded = succeeded;
    std::vector<fs::path> written = m_state.WrittenContainers();
    for (const auto& f : m_state.files) {
        if (skipped(f)) {
            --result.requested;
            result.items.push_back({f, {}, ItemOutcome::Skipped});
            continue;
        }
        ItemResult item{f, {}, ItemOutcome::Failed};
        const std::string name = f.filename().string() + ".tza";
        const auto it = std::find_if(written.begin(), written.end(), [&](const fs::path& w) {
            return w.filename() == name &&
                   (w.parent_path() == f.parent_path() || w.parent_path() == m_state.options.outputFolder);
        });
        if (it != written.end()) {
            item.output = *it;
            item.outcome = ItemOutcome::Done;
            written.erase(it);
        }
        result.items.push_back(std::move(item));
    }
    result.status = succeeded == result.requested ? JobStatus::Done : JobStatus::ItemsFailed;
    return result;
}

JobResult AppCore::Decrypt(const DecryptRequest& request) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, true)) return Refused(*refused);
    std::error_code ec;
    if (!request.outputFolder.empty() && !fs::is_directory(request.outputFolder, ec))
        return Refused(JobStatus::OutputFolderMissing, request.outputFolder.string());

    auto sender = MakeSenderFollowUp();
    container::DecryptRun run(m_host, m_dialog, m_state.Cipher(), m_texts);
    run.publicKeyPath = m_state.publicKeyPath;
    run.privateKeyPath = m_state.privateKeyPath;
    for (const auto& f : request.files) run.files.push_back(fs::absolute(f));
    run.keepContainerName = request.keepContainerName;
    run.removeAfterDecrypt = request.removeAfterDecrypt;
    if (!request.outputFolder.empty()) run.outputFolder = fs::absolute(request.outputFolder);
    run.sender = sender.get();
    run.workers = BatchWorkers();
    const int mode = request.entry == DecryptEntry::Dialog ? container::kDecryptDialog : container::kDecryptCommand;
    const int done = container::DecryptFiles(run, mode);

    JobResult result;
    result.requested = static_cast<int>(run.files.size());
    result.succeeded = done;
    for (const auto& f : run.files) {
        ItemResult item{f, {}, ItemOutcome::Failed};
        for (const auto& d : run.decrypted)
            if (d.container == f) {
                item.output = d.output;
                item.outcome = ItemOutcome::Done;
            }
        result.items.push_back(std::move(item));
    }
    result.status = done == result.requested ? JobStatus::Done : JobStatus::ItemsFailed;
    return result;
}

JobResult AppCore::Wipe(const std::vector<fs::path>& files) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return Refused(*refused);
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(f.string());
    (void)WipeCommand({}, names, m_dialog, m_texts);
    JobResult result;
    result.requested = static_cast<int>(files.size());
    for (const auto& f : files) {
        std::error_code ec;
        const bool gone = !fs::exists(fs::symlink_status(f, ec));
        result.items.push_back({f, {}, gone ? ItemOutcome::Done : ItemOutcome::Failed});
        if (gone) ++result.succeeded;
    }
    result.status = result.succeeded == result.requested ? JobStatus::Done : JobStatus::ItemsFailed;
    return result;
}

JobResult AppCore::Inspect(const fs::path& file, ContainerInfo& out) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return Refused(*refused);
    out = {};
    container::TailInfo tail;
    if (!ReadTail(file, tail)) return Refused(JobStatus::NotAContainer);
    out.fileLength = tail.fileLength;
    out.payloadLength = tail.payloadLength;
    out.recordCount = tail.recordCount;
    out.flags = tail.flags;
    out.hasTimeLimit = (tail.flags & 2) != 0;
    out.hasSender = tail.HasSender();
    out.hasHistory = tail.HasHistory();
    out.tail = tail.bytes;
    if (!m_keySetReady) return {};

    SilentUserDialog quiet;
    container::ContainerReader reader(m_host, quiet, m_texts);
    const auto read = ReadOwn(file, reader, m_state, ReadPurpose::Decrypt);
    out.own = ContainerInfo::Own::NotAddressed;
    if (!read || (*read != ReadStatus::Ok && *read != ReadStatus::Expired)) return {};
    const auto& r = reader.Record();
    out.own = ContainerInfo::Own::Found;
    out.recordIndex = r.index;
    out.storedName = Shown(r.StoredNameBytes());
    out.recordVersion = r.version;
    out.encryptedAt = r.encryptionTime;
    out.limitSeconds = r.limitSeconds;
    out.limitFromFirstDecryption = r.firstDecryption;
    out.decryptions = r.storedDecryptionCount;
    out.expired = *read == ReadStatus::Expired;
    out.validityTerm = FormatValidityTerm(r.limitSeconds, r.firstDecryption, r.encryptionTime, r.limitStart, m_texts);
    return {};
}

JobResult AppCore::ReadHistory(const fs::path& file, HistoryView& out, bool forwarding) {
    JobGuard job(m_jobRunning);
    if (const auto refused = BeginJob(job, false)) return Refused(*refused);
    out = {};
    if (container::TailInfo tail; !ReadTail(file, tail)) return Refused(JobStatus::NotAContainer);
    if (!m_keySetReady) return Refused(JobStatus::NoKeySet);

    container::ContainerReader reader(m_host, m_dialog, m_texts);
    const auto read = ReadOwn(file, reader, m_state, forwarding ? ReadPurpose::Forward : ReadPurpose::HistoryView);
    // An expired container has been reported; its history is still shown.
    if (!read || (*read != ReadStatus::Ok && *read != ReadStatus::Expired)) return Refused(JobStatus::NotAddressed);
    if (!reader.Tail().HasHistory()) return Refused(JobStatus::NoHistory);

    const fs::path path = fs::absolute(file);
    CArchiveHistoryMan history(m_host);
    history.Open(path.parent_path());
    history.SetContainer(path, reader.Tail().bytes, reader.Record().fileKey);
    if (history.Load() != CArchiveHistoryMan::Loaded) return Refused(JobStatus::HistoryUnreadable);

    for (int i = 0; i < history.UserCount(); ++i)
        out.users.push_back({Shown(history.UserName(i)), Shown(history.MailAddress(i))});
    static constexpr int kOperationSlots[] = {slot::kOperationCreated, slot::kOperationUpdated, slot::kOperationViewed,
                                              slot::kOperationDecrypted};
    for (int i = 0; i < history.RecordCount(); ++i) {
        const auto& rec = history.RecordAt(i);
        char date[64];
        std::snprintf(date, sizeof date, "%d/%d/%d %02d:%02d", rec.time.year, rec.time.month, rec.time.day,
                      rec.time.hour, rec.time.minute);
        const int op =
            rec.operation >= 0 && rec.operation <= 3 ? kOperationSlots[rec.operation] : slot::kOperationUnknown;
        out.records.push_back(
            {date, m_texts[op], Shown(history.UserName(rec.user)), Shown(history.MailAddress(rec.user))});
    }
    const auto& r = reader.Record();
    out.validityTerm = FormatValidityTerm(r.limitSeconds, r.firstDecryption, r.encryptionTime, r.limitStart, m_texts);
    return {};
}

JobResult AppCore::History(const fs::path& container, HistoryView& out) {
    return ReadHistory(container, out, false);
}

std::vector<fs::path> AppCore::ForwardingCandidates(const std::vector<fs::path>& files) const {
    std::vector<fs::path> kept;
    for (const auto& f : files)
        if (IsRegular(f) && CArchiveHistoryMan::HasHistory(f)) kept.push_back(f);
    return kept;
}

JobResult AppCore::ForwardingAddresses(const fs::path& container, std::vector<HistoryUser>& out) {
    HistoryView view;
    JobResult result = ReadHistory(container, view, true);
    out = std::move(view.users);
    return result;
}

std::string AppCore::RefusalText(const JobResult& result) const {
    switch (result.status) {
        case JobStatus::Busy:
            return m_texts[slot::kJobRunning];
        case JobStatus::NoKeySet:
            return m_texts[slot::kCliNoKeySetInUse];
        case JobStatus::RecipientNotFound:
            return FormatText(m_texts[slot::kCliNoKeyForRecipient], {result.detail});
        case JobStatus::NoRecipient:
            return m_texts[slot::kCliNoRecipient];
        case JobStatus::NotAContainer:
            return m_texts[slot::kNotTzaOrBroken];
        case JobStatus::NoHistory:
            return m_texts[slot::kCliNoHistory];
        case JobStatus::HistoryUnreadable:
            return m_texts[slot::kCliHistoryUnreadable];
        case JobStatus::OutputFolderMissing:
            return FormatText(m_texts[slot::kDecryptOutputFolderMissing], {result.detail});
        case JobStatus::OwnerMissing:
            return m_texts[result.detail == "name" ? slot::kOwnerNameMissing : slot::kOwnerAddressMissing];
        case JobStatus::Done:
        case JobStatus::ItemsFailed:
        case JobStatus::NotAddressed:  // the reader has said why
            break;
    }
    return {};
}

}  // namespace tessarin
