#include "container/DecryptPipeline.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <system_error>

#include "container/ArchiveHistoryMan.h"
#include "container/BatchWorkers.h"
#include "container/ContainerReader.h"
#include "container/WipeFile.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/KeyDirectory.h"
#include "platform/AssociatedProgram.h"
#include "platform/Cp932.h"
#include "platform/Host.h"
#include "platform/TempFile.h"
#include "platform/UserDialog.h"
#include "platform/crypto/RsaService.h"

namespace tessarin::container {

namespace {

// The container in work's payload bytes reported to the dialog as the run's
// own cipher sees its chunks (run by itself, or relayed from a worker).
CStreamCipher::ScopedChunkReport ReportBytes(CStreamCipher& cipher, IUserDialog& dialog,
                                             const std::filesystem::path& container, std::int64_t length) {
    return CStreamCipher::ScopedChunkReport(cipher, [&dialog, name = container.filename().string(), length](
                                                        std::int64_t done) { dialog.ReportBytes(name, done, length); });
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        char b = suffix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

std::string FieldText(const std::uint8_t* data, std::size_t width) {
    std::size_t n = 0;
    while (n < width && data[n] != 0) ++n;
    const std::string raw(reinterpret_cast<const char*>(data), n);
    return Cp932ToUtf8(raw).value_or(std::string());
}

// Sets the last-write time of an open file, leaving the access time alone.
void SetModificationTime(std::FILE* file, const SystemTime& time) {
    const auto t = SystemTimeToTimeT(time);
    if (!t) return;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = *t;
    times[1].tv_nsec = static_cast<long>(time.milliseconds % 1000) * 1000000L;
    (void)::futimens(fileno(file), times);
}

class Run {
public:
    Run(DecryptRun& run, int mode) : m_run(run), m_mode(mode) {}

    int Execute();

private:
    enum class Outcome { Decrypted, Skipped, Stop };

    struct Ahead;
    Outcome DecryptOne(const std::filesystem::path& container, std::size_t position);
    // The serial reading of a container by the standard reader, then its payload.
    Outcome ReadAndDecrypt(const std::filesystem::path& container, FileContainerStore& store);
    // After the payload: the record's update, the output under its name, the
    // history, the sender follow-up and the removal of the container.
    // readerSays: where the reader's messages wait, when not on the dialog.
    Outcome Finish(const std::filesystem::path& container, FileContainerStore& store, ContainerReader& reader,
                   DeferredMessages* readerSays, const std::filesystem::path& destination,
                   std::unique_ptr<TempFile> temp, const std::array<std::uint8_t, kSenderRecordSize>& senderRecord);
    // The output's name for a record read; empty after its message (shown on say).
    std::optional<std::string> OutputName(const std::filesystem::path& container, const OwnRecord& record) const;
    // Starts the reading and the payload of the containers ahead of `next`.
    void StartAhead(std::size_t next);
    Outcome DecryptTextForm(const std::filesystem::path& container, FileContainerStore& store,
                            const TextFormResult& found);
    // Asks about an existing destination. Skipped or Stop when the file is
    // not to be written; Decrypted to go on.
    Outcome CheckDestination(const std::filesystem::path& destination, const std::filesystem::path& container);
    // Writes P bytes (and reads the sender record) into a temporary file
    // beside the destination. Null after its message.
    // cipher is keyed with the file key; its messages go to say; cancelled
    // tells that stop stopped it in the middle.
    std::unique_ptr<TempFile> WritePayload(CStreamCipher& cipher, IUserDialog& say,
                                           const CStreamCipher::StopCheck& stop, const std::filesystem::path& container,
                                           const std::filesystem::path& destination, const TailInfo& tail,
                                           std::array<std::uint8_t, kSenderRecordSize>* senderRecord,
                                           bool& cancelled) const;
    CStreamCipher::StopCheck CancelCheck() {
        return [this] { return m_run.dialog.CancelRequested() || TerminationRequested(); };
    }
    // False, after its message, when the history could not be saved.
    bool RecordHistory(const std::filesystem::path& container, const OwnRecord& record);
    void FollowUpSender(const std::filesystem::path& container, const std::filesystem::path& output,
                        const OwnRecord& record, const std::optional<SenderIdentity>& sender, bool& outputGone);
    // False, after its message, when the container was to be removed and
    // still exists (intact, or partly overwritten by a stopped wipe).
    [[nodiscard]] bool RemoveContainer(const std::filesystem::path& container);
    // An output this run has written (and not since removed) is never
    // overwritten by it: the file is identified by device and inode, so
    // every spelling of its path is caught.
    bool WrittenInThisRun(const std::filesystem::path& destination) const;
    // Where the plaintext of container goes.
    std::filesystem::path OutputFolder(const std::filesystem::path& container) const {
        return m_run.outputFolder.empty() ? container.parent_path() : m_run.outputFolder;
    }
    void NoteWritten(const std::filesystem::path& output);
    // Whether this run removes a container once its output exists.
    bool WillRemoveContainer() const;
    const std::string& T(int textSlot) const { return m_run.texts[textSlot]; }
    void Message(std::string_view message, MessageKind kind = MessageKind::Warning) {
        m_run.dialog.ShowMessage(message, kind);
    }

    DecryptRun& m_run;
    const int m_mode;
    bool m_overwriteAll = false;
    bool m_cancelled = false;  // a payload stopped in the middle
    std::unique_ptr<ReaderKeys> m_keys;
    struct FileId {
        dev_t device;
        ino_t inode;
        bool operator==(const FileId&) const = default;
    };
    std::vector<FileId> m_written;
    std::vector<FileId> m_reached;  // the containers the run has reached
    // Worker threads, and the containers whose work runs ahead, in list order.
    std::unique_ptr<BatchWorkers> m_workers;
    std::deque<std::unique_ptr<Ahead>> m_ahead;
    std::size_t m_nextAhead = 0;
    std::size_t m_window = 0;
};

// A container read and decrypted on a worker before the run reaches it.
struct Run::Ahead {
    std::size_t index = 0;
    std::filesystem::path container;
    struct stat found {};  // as the run looked at it
    std::unique_ptr<FileContainerStore> store;
    DeferredMessages readerSays;
    DeferredMessages payloadSays;
    std::unique_ptr<ContainerReader> reader;
    bool readOk = false;  // read by the standard reader, its output named, its payload started
    std::filesystem::path destination;
    std::unique_ptr<TempFile> temp;
    bool cancelled = false;
    std::array<std::uint8_t, kSenderRecordSize> senderRecord{};
    OwnedTask task;  // last: work the run does not take is stopped before its temporary file goes
    Ahead() = default;
    Ahead(const Ahead&) = delete;
    Ahead& operator=(const Ahead&) = delete;
    ~Ahead() {
        task.StopAndWait();
        SecureWipe(senderRecord);
    }
};

int Run::Execute() {
    auto& dialog = m_run.dialog;
    if (m_run.files.empty()) {
        Message(T(slot::kNoFileSelected), MessageKind::Information);
        return 0;
    }
    const auto total = static_cast<long long>(m_run.files.size());
    dialog.SetProgressRange(total);
    dialog.SetStatus(T(slot::kDecryptProcessing));

    // The workers need the key files; without them the run says so where
    // one worker would.
    const int workers = BatchWorkerCount(m_run.workers);
    if (workers > 1 && m_run.files.size() > 1) {
        if (auto keys = ReaderKeys::Load(m_run.publicKeyPath, m_run.privateKeyPath)) {
            m_keys = std::make_unique<ReaderKeys>(std::move(*keys));
            m_workers = std::make_unique<BatchWorkers>(workers);
            m_window = 2 * static_cast<std::size_t>(workers);
        }
    }

    int succeeded = 0;
    for (std::size_t i = 0; i < m_run.files.size(); ++i) {
        if (dialog.CancelRequested() || TerminationRequested()) {
            m_run.stopped = true;
            break;
        }
        const auto& container = m_run.files[i];
        const long long position = static_cast<long long>(i) + 1;
        if (m_mode == kDecryptFolder) {
            dialog.SetStatus(FormatText(T(slot::kFolderDecrypting), {position, total}));
        } else {
            dialog.SetStatus(FormatText(T(slot::kDecryptingNofM), {total, position}));
            dialog.SetStatus(FormatText(T(slot::kIsDecrypting), {container.filename().string()}));
        }
        StartAhead(i + 1);
        Outcome outcome = Outcome::Skipped;
        try {
            outcome = DecryptOne(container, i);
        } catch (const std::exception&) {
            Message(T(slot::kHappenToError), MessageKind::Error);
        }
        m_run.cipher.Clear(true);
        m_run.decryptMode = false;
        dialog.StepProgress(1);
        if (outcome == Outcome::Decrypted) ++succeeded;
        if (outcome == Outcome::Stop) {
            m_run.stopped = true;
            break;
        }
    }
    // Work ahead of where the run ended is dropped with its temporary files.
    m_ahead.clear();
    m_workers.reset();
    m_run.cipher.Clear(false);
    m_run.decryptMode = false;
    Message(FormatText(T(slot::kDecryptSucceeded), {static_cast<long long>(succeeded)}), MessageKind::Information);
    return succeeded;
}

void Run::StartAhead(std::size_t next) {
    if (!m_workers) return;
    m_nextAhead = std::max(m_nextAhead, next);
    while (m_ahead.size() < m_window && m_nextAhead < m_run.files.size()) {
        const std::size_t j = m_nextAhead++;
        const std::filesystem::path& container = m_run.files[j];
        auto a = std::make_unique<Ahead>();
        // Only a regular file of the container's name is opened.
        if (!EndsWithNoCase(container.filename().string(), kExtension) || ::lstat(container.c_str(), &a->found) != 0 ||
            !S_ISREG(a->found.st_mode))
            continue;
        a->index = j;
        a->container = container;
        Ahead* p = a.get();
        a->task = m_workers->Submit([this, p](WorkerTools& tools, BatchTask& task) {
            p->store = std::make_unique<FileContainerStore>(p->container);
            struct stat opened {};
            if (p->store->Fd() >= 0 && ::fstat(p->store->Fd(), &opened) == 0 && opened.st_ino == p->found.st_ino &&
                opened.st_dev == p->found.st_dev &&
                TextFormLookup(*p->store, *m_keys).kind == TextFormResult::NotFound) {
                // Only looking: an expired container is wiped when the run gets to it.
                p->reader = std::make_unique<ContainerReader>(m_run.host, p->readerSays, m_run.texts);
                p->reader->SetLookOnly(true);
                if (p->reader->Read(*p->store, *m_keys, ReadPurpose::Decrypt) == ReadStatus::Ok) {
                    if (const auto name = OutputName(p->container, p->reader->Record())) {
                        p->destination = OutputFolder(p->container) / *name;
                        p->readOk = true;
                    }
                }
            }
            task.ReachStage();
            if (!p->readOk) return;
            const TailInfo& tail = p->reader->Tail();
            tools.cipher.SetWordCount(CStreamCipher::kWordCount);
            tools.cipher.SetKey(p->reader->Record().fileKey);
            p->temp = WritePayload(
                tools.cipher, p->payloadSays, [&task] { return task.PublishChunk(); }, p->container, p->destination,
                tail, tail.HasSender() ? &p->senderRecord : nullptr, p->cancelled);
        });
        m_ahead.push_back(std::move(a));
    }
}

std::optional<std::string> Run::OutputName(const std::filesystem::path& container, const OwnRecord& record) const {
    if (m_run.keepContainerName) return container.stem().string();
    return SafeOutputName(record.StoredNameBytes());
}

Run::Outcome Run::DecryptOne(const std::filesystem::path& container, std::size_t position) {
    // The work done ahead for this container, when it is still the same file.
    std::unique_ptr<Ahead> ahead;
    if (!m_ahead.empty() && m_ahead.front()->index == position) {
        ahead = std::move(m_ahead.front());
        m_ahead.pop_front();
        ahead->task->WaitStage();
        struct stat now {};
        const struct stat& then = ahead->found;
        const bool same = ahead->store && ahead->store->Fd() >= 0 && ::fstat(ahead->store->Fd(), &now) == 0 &&
                          now.st_nlink > 0 && now.st_ino == then.st_ino && now.st_dev == then.st_dev &&
                          now.st_size == then.st_size && now.st_ctim.tv_sec == then.st_ctim.tv_sec &&
                          now.st_ctim.tv_nsec == then.st_ctim.tv_nsec;
        if (!same) ahead.reset();
    }
    // One look at the path answers the checks, unless it is a link.
    struct stat st {};
    bool found = false;
    if (ahead) {
        st = ahead->found;
        found = true;
    } else {
        found = ::lstat(container.c_str(), &st) == 0;
    }
    if (found) {
        // The same file twice in one run is read afresh the second time.
        const FileId id{st.st_dev, st.st_ino};
        if (std::find(m_reached.begin(), m_reached.end(), id) != m_reached.end())
            ahead.reset();
        else
            m_reached.push_back(id);
    }

    const bool onCdRom = m_run.isOnCdRom ? m_run.isOnCdRom(container) : IsOnOpticalDisc(container);
    if (onCdRom) {
        Message(T(slot::kOnCdRom));
        return Outcome::Skipped;
    }
    std::error_code ec;
    const bool link = found && S_ISLNK(st.st_mode);
    const bool readOnly = link ? std::filesystem::exists(container, ec) && IsReadOnlyFile(container)
                               : found && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    if (readOnly) {
        Message(T(slot::kContainerReadOnly));
        return Outcome::Skipped;
    }
    const bool regular = link ? std::filesystem::is_regular_file(container, ec) : found && S_ISREG(st.st_mode);
    if (!EndsWithNoCase(container.filename().string(), kExtension) || !regular) {
        if (m_mode != kDecryptFolder) Message(container.filename().string() + T(slot::kIsNotEncrypted));
        return Outcome::Skipped;
    }

    if (!m_keys) {
        auto keys = ReaderKeys::Load(m_run.publicKeyPath, m_run.privateKeyPath);
        if (!keys) {
            Message(T(slot::kDecryptKeyFileNotFound));
            return Outcome::Skipped;
        }
        m_keys = std::make_unique<ReaderKeys>(std::move(*keys));
    }

    if (!ahead || !ahead->readOk) {
        ahead.reset();
        FileContainerStore store(container);
        // The text-form lookup comes first.
        const TextFormResult textForm = TextFormLookup(store, *m_keys);
        if (textForm.kind == TextFormResult::NotAuthorized) {
            Message(T(slot::kNotAuthorized));
            return Outcome::Skipped;
        }
        if (textForm.kind == TextFormResult::Found) return DecryptTextForm(container, store, textForm);
        return ReadAndDecrypt(container, store);
    }

    // Read on a worker: what the reader said, the destination's questions,
    // then the payload's chunk reports as they come.
    ContainerReader& reader = *ahead->reader;
    const OwnRecord& record = reader.Record();
    m_run.recordIndex = record.index;
    m_run.cipher.SetWordCount(CStreamCipher::kWordCount);
    m_run.cipher.SetKey(record.fileKey);
    m_run.decryptMode = true;
    ahead->readerSays.ShowOn(m_run.dialog);
    const Outcome check = CheckDestination(ahead->destination, container);
    if (check != Outcome::Decrypted) return check;
    bool go = true;
    {
        CStreamCipher::ScopedStopCheck stop(m_run.cipher, CancelCheck());
        const auto bytes = ReportBytes(m_run.cipher, m_run.dialog, container, reader.Tail().payloadLength);
        go = ahead->task->RelayChunks(m_run.cipher);
    }
    ahead->task->Wait();
    if (auto error = ahead->task->Error()) std::rethrow_exception(error);
    if (!go || ahead->cancelled) {
        m_cancelled = true;
        return Outcome::Stop;
    }
    ahead->payloadSays.ShowOn(m_run.dialog);
    if (!ahead->temp) return Outcome::Skipped;
    return Finish(container, *ahead->store, reader, &ahead->readerSays, ahead->destination, std::move(ahead->temp),
                  ahead->senderRecord);
}

Run::Outcome Run::ReadAndDecrypt(const std::filesystem::path& container, FileContainerStore& store) {
    ContainerReader reader(m_run.host, m_run.dialog, m_run.texts);
    if (reader.Read(store, *m_keys, ReadPurpose::Decrypt) != ReadStatus::Ok) return Outcome::Skipped;
    const OwnRecord& record = reader.Record();
    const TailInfo& tail = reader.Tail();
    m_run.recordIndex = record.index;
    m_run.cipher.SetWordCount(CStreamCipher::kWordCount);
    m_run.cipher.SetKey(record.fileKey);
    m_run.decryptMode = true;

    // Destination.
    const auto name = OutputName(container, record);
    if (!name) {
        Message(FormatText(T(slot::kBadStoredName), {container.filename().string()}));
        return Outcome::Skipped;
    }
    const std::filesystem::path destination = OutputFolder(container) / *name;
    const Outcome check = CheckDestination(destination, container);
    if (check != Outcome::Decrypted) return check;

    std::array<std::uint8_t, kSenderRecordSize> senderRecord{};
    const auto bytes = ReportBytes(m_run.cipher, m_run.dialog, container, tail.payloadLength);
    auto temp = WritePayload(m_run.cipher, m_run.dialog, CancelCheck(), container, destination, tail,
                             tail.HasSender() ? &senderRecord : nullptr, m_cancelled);
    if (!temp) return m_cancelled ? Outcome::Stop : Outcome::Skipped;
    const Outcome outcome = Finish(container, store, reader, nullptr, destination, std::move(temp), senderRecord);
    SecureWipe(senderRecord);
    return outcome;
}

Run::Outcome Run::Finish(const std::filesystem::path& container, FileContainerStore& store, ContainerReader& reader,
                         DeferredMessages* readerSays, const std::filesystem::path& destination,
                         std::unique_ptr<TempFile> temp,
                         const std::array<std::uint8_t, kSenderRecordSize>& senderRecord) {
    const OwnRecord& record = reader.Record();
    const TailInfo& tail = reader.Tail();
    auto said = [&] {
        if (readerSays) readerSays->ShowOn(m_run.dialog);
    };
    std::optional<SenderIdentity> sender;
    if (tail.HasSender())
        sender = SenderIdentity{FieldText(senderRecord.data(), kSenderNameSize),
                                FieldText(senderRecord.data() + kSenderNameSize, kSenderMailSize)};

    // The record's count and limit start, then the output under its name.
    const bool writtenBack = reader.WriteBack(store);
    said();
    if (!writtenBack) return Outcome::Skipped;
    store.Close();
    if (std::fflush(temp->Stream()) != 0) {
        (void)reader.UndoWriteBack(store);
        said();
        Message(
            FormatText(T(slot::kWriteFailed), {destination.filename().string(), std::generic_category().message(EIO)}));
        return Outcome::Skipped;
    }
    SetModificationTime(temp->Stream(), record.encryptionTime);
    if (auto error = temp->Commit(destination, WillRemoveContainer())) {
        (void)reader.UndoWriteBack(store);
        said();
        Message(FormatText(T(slot::kWriteFailed), {destination.filename().string(), *error}));
        return Outcome::Skipped;
    }
    NoteWritten(destination);

    const bool historySaved = !tail.HasHistory() || RecordHistory(container, record);

    DecryptedFile done;
    done.output = destination;
    done.container = container;
    done.historyManaged = tail.HasHistory();
    done.recordIndex = record.index;
    done.fileKey = record.fileKey;

    bool outputGone = false;
    FollowUpSender(container, destination, record, sender, outputGone);
    const bool removed = RemoveContainer(container);
    if (!outputGone) m_run.decrypted.push_back(done);
    // A history that could not be saved, or a container that could not be
    // removed, fails the item.
    return historySaved && removed ? Outcome::Decrypted : Outcome::Skipped;
}

Run::Outcome Run::DecryptTextForm(const std::filesystem::path& container, FileContainerStore& store,
                                  const TextFormResult& found) {
    m_run.recordIndex = found.index;
    m_run.cipher.SetWordCount(CStreamCipher::kWordCount);
    m_run.cipher.SetKey(found.fileKey);
    m_run.decryptMode = true;
    // These records carry no name of their own: the container's name less
    // its extension is used.
    const std::filesystem::path destination = OutputFolder(container) / container.stem();
    const Outcome check = CheckDestination(destination, container);
    if (check != Outcome::Decrypted) return check;
    TailInfo tail = found.tail;
    tail.flags = 0;  // exactly P bytes, no sender block
    const auto bytes = ReportBytes(m_run.cipher, m_run.dialog, container, tail.payloadLength);
    auto temp =
        WritePayload(m_run.cipher, m_run.dialog, CancelCheck(), container, destination, tail, nullptr, m_cancelled);
    if (!temp) return m_cancelled ? Outcome::Stop : Outcome::Skipped;
    store.Close();
    if (auto error = temp->Commit(destination, WillRemoveContainer())) {
        Message(FormatText(T(slot::kWriteFailed), {destination.filename().string(), *error}));
        return Outcome::Skipped;
    }
    NoteWritten(destination);
    const bool removed = RemoveContainer(container);
    DecryptedFile done;
    done.output = destination;
    done.container = container;
    m_run.decrypted.push_back(done);
    return removed ? Outcome::Decrypted : Outcome::Skipped;
}

Run::Outcome Run::CheckDestination(const std::filesystem::path& destination, const std::filesystem::path& container) {
    std::error_code ec;
    if (std::filesystem::equivalent(destination, container, ec) || destination == container) {
        Message(FormatText(T(slot::kOutputIsContainer), {container.filename().string()}));
        return Outcome::Skipped;
    }
    if (!std::filesystem::exists(std::filesystem::symlink_status(destination, ec))) return Outcome::Decrypted;
    const std::string shown = destination.filename().string();
    if (WrittenInThisRun(destination)) {
        Message(FormatText(T(slot::kDecryptOutputWrittenInRun), {container.filename().string(), shown}));
        return Outcome::Skipped;
    }
    if (IsReadOnlyFile(destination)) {
        Message(FormatText(T(slot::kReadOnlyCantOverwrite), {shown}));
        return Outcome::Skipped;
    }
    if (m_overwriteAll) return Outcome::Decrypted;
    const std::string question = shown + T(slot::kOverwriteDecrypt);
    if (m_run.files.size() == 1)
        return m_run.dialog.AskYesNo(QuestionId::OverwriteOutput, question) ? Outcome::Decrypted : Outcome::Skipped;
    ContinueConfirm confirm{};
    confirm.id = QuestionId::OverwriteOutput;
    confirm.title = T(slot::kOverwriteTitle);
    confirm.text = question;
    confirm.captions = {T(slot::kCaptionYes), T(slot::kCaptionOverwriteAll), T(slot::kCaptionNo),
                        T(slot::kCaptionStop)};
    switch (m_run.dialog.AskContinue(confirm)) {
        case ContinueConfirm::First:
            return Outcome::Decrypted;
        case ContinueConfirm::All:
            m_overwriteAll = true;
            return Outcome::Decrypted;
        case ContinueConfirm::Stop:
            return Outcome::Stop;
        default:
            return Outcome::Skipped;
    }
}

std::unique_ptr<TempFile> Run::WritePayload(CStreamCipher& cipher, IUserDialog& say,
                                            const CStreamCipher::StopCheck& stop,
                                            const std::filesystem::path& container,
                                            const std::filesystem::path& destination, const TailInfo& tail,
                                            std::array<std::uint8_t, kSenderRecordSize>* senderRecord,
                                            bool& cancelled) const {
    File in(std::fopen(container.c_str(), "rb"));
    if (!in) {
        say.ShowMessage(T(slot::kInputCannotOpen), MessageKind::Warning);
        return nullptr;
    }
    auto temp = TempFile::CreateBeside(destination, ".tza-dec-");
    if (!temp) {
        say.ShowMessage(T(slot::kOutputCannotOpen), MessageKind::Warning);
        return nullptr;
    }
    const std::int64_t length = tail.payloadLength;
    // The cancel flag (and the termination signal) is asked after every
    // chunk, so a long payload stops in the middle; the partial output goes.
    CStreamCipher::ScopedStopCheck stopCheck(cipher, stop);
    const std::int64_t written = cipher.CryptFileRange(in.get(), length, temp->Stream());
    if (cipher.Stopped()) {
        temp->Discard();
        cancelled = true;
        return nullptr;
    }
    bool ok = written == length;
    if (ok && senderRecord) {
        // The sender record continues the payload's keystream.
        std::array<std::uint8_t, kSenderRecordSize> raw{};
        ok = ::fseeko(in.get(), static_cast<off_t>(length), SEEK_SET) == 0 &&
             std::fread(raw.data(), 1, raw.size(), in.get()) == raw.size();
        if (ok) cipher.Crypt(raw.data(), raw.size(), senderRecord->data());
    }
    if (!ok) {
        temp->Discard();
        say.ShowMessage(
            FormatText(T(slot::kWriteFailed), {destination.filename().string(), std::generic_category().message(EIO)}),
            MessageKind::Warning);
        return nullptr;
    }
    return temp;
}

bool Run::RecordHistory(const std::filesystem::path& container, const OwnRecord& record) {
    FileContainerStore store(container);
    TailInfo tail;
    if (CheckTail(store, tail) != ReadStatus::Ok) return true;
    store.Close();
    CArchiveHistoryMan history(m_run.host);
    history.Open(container.parent_path());
    history.SetContainer(container, tail.bytes, record.fileKey);
    if (history.Load() != CArchiveHistoryMan::Loaded) return true;
    // The users of a history follow the recipient records, so the reader's
    // record index is its user index.
    history.AppendRecord(record.index, CArchiveHistoryMan::Decrypted);
    if (history.SaveInPlace() != CArchiveHistoryMan::WriteFailed) return true;
    Message(FormatText(T(slot::kHistoryNotSaved),
                       {container.filename().string(), std::generic_category().message(history.LastError())}),
            MessageKind::Error);
    return false;
}

void Run::FollowUpSender(const std::filesystem::path& container, const std::filesystem::path& output,
                         const OwnRecord& record, const std::optional<SenderIdentity>& sender, bool& outputGone) {
    if (!m_run.sender) return;
    const SenderIdentity identity = sender.value_or(SenderIdentity{});
    const auto lookup = m_run.sender->LookUp(record.senderKeyCheck, record.senderKeyDigest, identity);
    if (lookup.status == ISenderFollowUp::Status::Differs && sender) {
        if (m_run.dialog.AskYesNo(QuestionId::RenewSender,
                                  FormatText(T(slot::kRenewKeyChain), {identity.name, identity.mail})))
            (void)m_run.sender->Renew(record.senderKeyCheck, identity);
        return;
    }
    if (lookup.status != ISenderFollowUp::Status::Unknown || !sender) return;
    if (!EndsWithNoCase(output.filename().string(), ".VBKY") && m_run.programs)
        (void)OpenWithAssociatedProgram(output, *m_run.programs);
    if (m_mode == kDecryptOpenResult) {
        (void)WipeFile(output);
        outputGone = true;
    }
    if (m_run.dialog.AskYesNo(QuestionId::AuthenticateSender,
                              FormatText(T(slot::kAuthenticateCreator), {identity.name, identity.mail})))
        (void)m_run.sender->Authenticate(container, output, identity, record.senderKeyDigest);
}

bool Run::WrittenInThisRun(const std::filesystem::path& destination) const {
    struct stat st {};
    if (::lstat(destination.c_str(), &st) != 0) return false;
    return std::find(m_written.begin(), m_written.end(), FileId{st.st_dev, st.st_ino}) != m_written.end();
}

void Run::NoteWritten(const std::filesystem::path& output) {
    struct stat st {};
    if (::lstat(output.c_str(), &st) == 0) m_written.push_back(FileId{st.st_dev, st.st_ino});
}

bool Run::WillRemoveContainer() const {
    // In mode 1 the output is a viewing copy, wiped once viewed: the
    // container stays the only lasting copy and is never removed.
    if (m_mode == kDecryptOpenResult) return false;
    return !m_run.direct && (m_mode == kDecryptFolder || m_run.removeAfterDecrypt);
}

bool Run::RemoveContainer(const std::filesystem::path& container) {
    if (!WillRemoveContainer()) return true;
    const std::string shown = container.filename().string();
    if (m_mode == kDecryptFolder) {
        std::error_code ec;
        if (std::filesystem::remove(container, ec) && !ec) return true;
        Message(FormatText(T(slot::kDeletionFailed), {shown}), MessageKind::Error);
        return false;
    }
    if (!m_run.removeAfterDecrypt) return true;
    const WipeResult wiped = WipeFileWithStatus(container);
    if (wiped.Ok()) return true;
    Message(WipeFailureText(wiped, shown, m_run.texts), MessageKind::Error);
    return false;
}

}  // namespace

DecryptedFile::~DecryptedFile() {
    SecureWipe(fileKey);
}

// ---------------------------------------------------------------------------

ISenderFollowUp::Lookup KeyDirectorySenderFollowUp::LookUp(std::uint32_t keyCheck, std::span<const std::uint8_t, 32>,
                                                           const SenderIdentity& sender) {
    Lookup result;
    const auto entry = m_keys.FindSender(keyCheck);
    if (!entry) return result;
    result.stored.name = Cp932ToUtf8(entry->name).value_or(entry->name);
    result.stored.mail = Cp932ToUtf8(entry->email).value_or(entry->email);
    const bool same = sender.name.empty() || (result.stored.name == sender.name && result.stored.mail == sender.mail);
    result.status = same ? Status::Known : Status::Differs;
    return result;
}

bool KeyDirectorySenderFollowUp::Renew(std::uint32_t keyCheck, const SenderIdentity& sender) {
    return m_renew ? m_renew(keyCheck, sender) : false;
}

bool KeyDirectorySenderFollowUp::Authenticate(const std::filesystem::path& container,
                                              const std::filesystem::path& output, const SenderIdentity& sender,
                                              std::span<const std::uint8_t, 32> keyDigest) {
    return m_authenticate ? m_authenticate(container, output, sender, keyDigest) : false;
}

int DecryptFiles(DecryptRun& run, int mode) {
    run.decrypted.clear();
    run.stopped = false;
    Run r(run, mode);
    return r.Execute();
}

int DecryptFolder(DecryptRun& run, const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    run.files = std::move(files);
    return DecryptFiles(run, kDecryptFolder);
}

int OfferUsbDecryption(DecryptRun& run, const std::filesystem::path& folder) {
    if (!run.dialog.AskYesNo(QuestionId::DecryptAttachedDevice, run.texts[slot::kUsbConnected])) return 0;
    return DecryptFolder(run, folder);
}

bool CheckAutomaticFolder(IUserDialog& dialog, const LanguageTable& texts, const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    dialog.ShowMessage(texts[slot::kAutoFolderMissing], MessageKind::Information);
    return false;
}

std::optional<std::string> SafeOutputName(std::string_view stored) {
    std::size_t start = 0;
    for (const char separator : {'/', '\\'}) {
        const std::size_t at = Cp932FindLast(stored, separator);
        if (at != std::string_view::npos) start = std::max(start, at + 1);
    }
    const std::string_view last = stored.substr(start);
    if (last.empty() || last == "." || last == "..") return std::nullopt;
    for (const char c : last) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return std::nullopt;
    }
    auto utf8 = Cp932ToUtf8(last);
    if (!utf8 || utf8->empty() || utf8->find('/') != std::string::npos) return std::nullopt;
    return utf8;
}

ViewCycleResult RunViewCycle(const DecryptedFile& file, const IHost& host, IUserDialog& dialog,
                             IProcessRunner& programs, const LanguageTable& texts,
                             const std::vector<std::filesystem::path>& desktopFolders) {
    const auto folders = desktopFolders.empty() ? DesktopEntryFolders() : desktopFolders;
    const auto program = FindAssociatedProgram(file.output, programs, folders);
    if (program && programs.IsRunning(program->executable)) {
        dialog.ShowMessage(texts[slot::kViewerAlreadyRunning], MessageKind::Warning);
        (void)WipeFile(file.output);
        return ViewCycleResult::AlreadyRunning;
    }
    const int opened = OpenWithAssociatedProgram(file.output, programs, folders);
    // "Viewed" only when a program actually had the file open.
    if (opened >= 32 && file.historyManaged) {
        FileContainerStore store(file.container);
        TailInfo tail;
        if (CheckTail(store, tail) == ReadStatus::Ok) {
            store.Close();
            CArchiveHistoryMan history(host);
            history.Open(file.container.parent_path());
            history.SetContainer(file.container, tail.bytes, file.fileKey);
            if (history.Load() == CArchiveHistoryMan::Loaded) {
                history.AppendRecord(file.recordIndex, CArchiveHistoryMan::Viewed);
                (void)history.SaveInPlace();
            }
        }
    }
    (void)WipeFile(file.output);
    return opened >= 32 ? ViewCycleResult::Viewed : ViewCycleResult::NotOpened;
}

}  // namespace tessarin::container
