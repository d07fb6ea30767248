// An encryption batch on several workers says, asks and leaves exactly what
// it does on one: the same batch over the same world, with the same planned
// answers, run with 1 and with 4 workers.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "PipelineFixture.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerFormat.h"
#include "container/DecryptPipeline.h"
#include "platform/ByteIo.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = CStreamCipher::kBufferSize;

// What a run leaves and says, in a form two runs can be compared by.
struct Outcome {
    int succeeded = -1;
    std::vector<std::string> written;  // relative to the run's folder
    std::vector<std::string> events;   // every dialog call, in order
    std::int64_t progress = 0;
    // Per file left in the run's folder: its bytes, or for a container what
    // decrypting it gives (payload, stored name, history users and operations).
    std::map<std::string, std::string> files;
    bool operator==(const Outcome&) const = default;
};

std::string Text(const std::vector<std::uint8_t>& b) {
    return {b.begin(), b.end()};
}

class ParallelBatchTest : public PipelineTest {
protected:
    // A batch's state for north, to north and south.
    std::unique_ptr<MainWindowState> NewState(ScriptedUserDialog& d) {
        auto s = std::make_unique<MainWindowState>(host, d, texts, launcher);
        s->publicKeyPath = state->publicKeyPath;
        s->privateKeyPath = state->privateKeyPath;
        s->selfAuthKeyPath = selfAuth;
        s->userName = "north";
        s->mailAddress = "north@example.jp";
        s->recipients = {southAuth};
        return s;
    }

    // The world of one run under dir/<name>: sources, an output folder with
    // containers already there, and sources that are refused.
    fs::path MakeWorld(const std::string& name) {
        const fs::path root = dir / name;
        fs::create_directories(root / "in" / "one");
        fs::create_directories(root / "in" / "two");
        fs::create_directories(root / "out");
        auto put = [&](const fs::path& p, const std::string& content) {
            WriteFileBytes(p, std::vector<std::uint8_t>(content.begin(), content.end()));
        };
        put(root / "in" / "a.txt", "alpha");
        put(root / "in" / "b.txt", "bravo");  // its container exists: asked, Yes
        put(root / "in" / "c.txt", "charlie");
        put(root / "in" / "d.txt", "delta");  // its container exists: asked, No
        put(root / "in" / "e.tza", "not a source");
        put(root / "in" / "one" / "same.txt", "first of the name");
        put(root / "in" / "two" / "same.txt", "second of the name");  // refused: written earlier
        put(root / "in" / "f.txt", std::string(3 * kChunk + 77, 'f'));
        put(root / "in" / "g.txt", std::string(kChunk + 5, 'g'));
        put(root / "in" / "h.txt", "hotel");
        put(root / "out" / "b.txt.tza", "old b");
        put(root / "out" / "d.txt.tza", "old d");
        EXPECT_EQ(::mkfifo((root / "in" / "pipe.txt").c_str(), 0600), 0);
        {
            const int fd = ::open((root / "in" / "huge.bin").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
            EXPECT_GE(fd, 0);
            EXPECT_EQ(::ftruncate(fd, off_t{1} << 31), 0);  // sparse, refused before reading
            ::close(fd);
        }
        return root;
    }

    std::vector<fs::path> Sources(const fs::path& root, const std::vector<std::string>& names) {
        std::vector<fs::path> files;
        for (const auto& n : names) files.push_back(root / "in" / n);
        return files;
    }

    // Runs a batch over the world with `workers` workers; plan fills in the
    // answers and anything else the case needs.
    Outcome RunBatch(const fs::path& root, const std::vector<std::string>& names, int workers,
                     const std::function<void(ScriptedUserDialog&, MainWindowState&)>& plan) {
        ScriptedUserDialog d;
        auto batch = NewState(d);
        MainWindowState& s = *batch;
        s.options.manageLogs = true;
        s.options.outputFolder = root / "out";
        s.files = Sources(root, names);
        s.workers = workers;
        plan(d, s);

        Outcome o;
        o.succeeded = s.EncryptFiles(kModeCommand);
        EXPECT_TRUE(d.AllAnswersUsed()) << workers;
        for (const auto& w : s.WrittenContainers()) o.written.push_back(fs::relative(w, root).string());
        // Paths in messages name the run's folder.
        auto relative = [&](std::string text) {
            const std::string r = root.string();
            for (auto at = text.find(r); at != std::string::npos; at = text.find(r))
                text.replace(at, r.size(), "<run>");
            return text;
        };
        for (const auto& e : d.Events())
            o.events.push_back(std::to_string(e.kind) + "|" + std::to_string(static_cast<int>(e.messageKind)) + "|" +
                               (e.question ? std::to_string(static_cast<int>(*e.question)) : "-") + "|" + e.title +
                               "|" + relative(e.text));
        o.progress = d.Progress();
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            if (!e.is_regular_file() || e.path().filename() == "huge.bin") continue;
            const std::string rel = fs::relative(e.path(), root).string();
            const auto bytes = ReadFileBytes(e.path());
            if (e.path().extension() != ".tza" || bytes.size() < container::kMinContainerSize) {
                o.files[rel] = Text(bytes);
                continue;
            }
            o.files[rel] = Contents(e.path());
        }
        return o;
    }

    // A container as its readers see it: the same for any file key and time.
    std::string Contents(const fs::path& p) {
        std::string out;
        for (const KeySet* reader : {&north, &south}) {
            const auto d = Decode(p, *reader);
            if (!d.ok) return "undecodable: " + d.error;
            out += "name=" + d.storedName + " index=" + std::to_string(d.recordIndex) +
                   " records=" + std::to_string(d.recordCount) + " flags=" + std::to_string(d.flags) +
                   " payload=" + Text(d.payload) + "\n";
        }
        const auto d = Decode(p, north);
        CArchiveHistoryMan history(host);
        history.Open(p.parent_path());
        history.SetContainer(p, container::BuildTail(0, 0, 0), d.fileKey);
        if (history.Load() != CArchiveHistoryMan::Loaded) return out + "no history";
        for (int i = 0; i < history.UserCount(); ++i)
            out += "user " + history.UserName(i) + " " + history.MailAddress(i) + "\n";
        for (int i = 0; i < history.RecordCount(); ++i)
            out += "record " + std::to_string(history.RecordAt(i).user) + " " +
                   std::to_string(history.RecordAt(i).operation) + "\n";
        return out;
    }
};

const std::vector<std::string> kAll = {"a.txt", "b.txt",        "pipe.txt",     "c.txt", "huge.bin", "d.txt",
                                       "e.tza", "one/same.txt", "two/same.txt", "f.txt", "g.txt",    "h.txt"};

TEST_F(ParallelBatchTest, FourWorkersSayAndLeaveWhatOneDoes) {
    auto plan = [](ScriptedUserDialog& d, MainWindowState&) {
        d.PlanContinue(ContinueConfirm::First);  // b.txt: overwrite
        d.PlanContinue(ContinueConfirm::Third);  // d.txt: keep the old one
    };
    const Outcome serial = RunBatch(MakeWorld("serial"), kAll, 1, plan);
    const Outcome parallel = RunBatch(MakeWorld("parallel"), kAll, 4, plan);
    EXPECT_EQ(serial.events, parallel.events);
    EXPECT_EQ(serial, parallel);

    // And what that is.
    EXPECT_EQ(parallel.succeeded, 7);
    EXPECT_EQ(parallel.written,
              (std::vector<std::string>{"out/a.txt.tza", "out/b.txt.tza", "out/c.txt.tza", "out/same.txt.tza",
                                        "out/f.txt.tza", "out/g.txt.tza", "out/h.txt.tza"}));
    EXPECT_EQ(parallel.progress, 12);
    EXPECT_EQ(parallel.files.at("out/d.txt.tza"), "old d");
    EXPECT_NE(parallel.files.at("out/same.txt.tza").find("payload=first of the name"), std::string::npos);
    EXPECT_NE(parallel.files.at("out/f.txt.tza").find("payload=" + std::string(3 * kChunk + 77, 'f')),
              std::string::npos);
    EXPECT_NE(parallel.files.at("out/h.txt.tza")
                  .find("user north north@example.jp\nuser south south@example.jp\n"
                        "record 0 0\n"),
              std::string::npos);
    EXPECT_EQ(Listing(dir / "parallel" / "out"),
              (std::vector<std::string>{"a.txt.tza", "b.txt.tza", "c.txt.tza", "d.txt.tza", "f.txt.tza", "g.txt.tza",
                                        "h.txt.tza", "same.txt.tza"}));
}

TEST_F(ParallelBatchTest, StopInTheOverwriteQuestionStopsWhereOneWorkerStops) {
    const std::vector<std::string> names = {"a.txt", "c.txt", "b.txt", "f.txt", "g.txt", "d.txt", "h.txt"};
    auto plan = [](ScriptedUserDialog& d, MainWindowState&) {
        d.PlanContinue(ContinueConfirm::First);  // b.txt
        d.PlanContinue(ContinueConfirm::Stop);   // d.txt: the batch ends
    };
    const Outcome serial = RunBatch(MakeWorld("serial"), names, 1, plan);
    const Outcome parallel = RunBatch(MakeWorld("parallel"), names, 4, plan);
    EXPECT_EQ(serial, parallel);
    EXPECT_EQ(parallel.written, (std::vector<std::string>{"out/a.txt.tza", "out/c.txt.tza", "out/b.txt.tza",
                                                          "out/f.txt.tza", "out/g.txt.tza"}));
    // h.txt, after the stop, was never written, nor left as a temporary file.
    EXPECT_EQ(Listing(dir / "parallel" / "out"),
              (std::vector<std::string>{"a.txt.tza", "b.txt.tza", "c.txt.tza", "d.txt.tza", "f.txt.tza", "g.txt.tza"}));
}

TEST_F(ParallelBatchTest, ACancelInTheMiddleOfAFileStopsWhereOneWorkerStops) {
    // The polls of the cancel flag: one before each file, one after each
    // chunk but the last of a payload. f.txt is the 10th file: the 10th poll
    // is before it, the 11th after its first chunk, the 12th after its
    // second, which is where the cancel comes.
    auto plan = [](ScriptedUserDialog& d, MainWindowState&) {
        d.PlanContinue(ContinueConfirm::First);
        d.PlanContinue(ContinueConfirm::Third);
        d.CancelAfterPolls(11);
    };
    const Outcome serial = RunBatch(MakeWorld("serial"), kAll, 1, plan);
    const Outcome parallel = RunBatch(MakeWorld("parallel"), kAll, 4, plan);
    EXPECT_EQ(serial, parallel);
    EXPECT_EQ(parallel.written,
              (std::vector<std::string>{"out/a.txt.tza", "out/b.txt.tza", "out/c.txt.tza", "out/same.txt.tza"}));
    // No partial output, nothing of the files after it, every source intact.
    EXPECT_EQ(Listing(dir / "parallel" / "out"),
              (std::vector<std::string>{"a.txt.tza", "b.txt.tza", "c.txt.tza", "d.txt.tza", "same.txt.tza"}));
    EXPECT_EQ(parallel.files.at("in/f.txt"), std::string(3 * kChunk + 77, 'f'));
    EXPECT_EQ(parallel.files.at("in/h.txt"), "hotel");
    EXPECT_EQ(parallel.events.back(), "0|0|-||4 files succeeded encryption.");
}

TEST_F(ParallelBatchTest, TheFrontEndsObserverSeesTheFileTheBatchIsAtAndCanStopIt) {
    // The observer of the shared cipher gets each file's chunk counts in
    // list order, from the batch's own thread, and stops the batch after
    // the second chunk of f.txt.
    struct Seen {
        std::vector<std::int64_t> counts;
        std::vector<std::thread::id> threads;
    };
    std::map<int, Seen> seen;
    for (const int workers : {1, 4}) {
        Seen& s = seen[workers];
        const auto names = std::vector<std::string>{"a.txt", "g.txt", "f.txt", "h.txt", "c.txt"};
        const Outcome o = RunBatch(MakeWorld("w" + std::to_string(workers)), names, workers,
                                   [&](ScriptedUserDialog&, MainWindowState& batch) {
                                       batch.Cipher().SetChunkObserver([&s](std::int64_t done) {
                                           s.counts.push_back(done);
                                           s.threads.push_back(std::this_thread::get_id());
                                           return s.counts.size() < 5;
                                       });
                                   });
        EXPECT_EQ(o.written, (std::vector<std::string>{"out/a.txt.tza", "out/g.txt.tza"})) << workers;
        EXPECT_EQ(Listing(dir / ("w" + std::to_string(workers)) / "out"),
                  (std::vector<std::string>{"a.txt.tza", "b.txt.tza", "d.txt.tza", "g.txt.tza"}))
            << workers;
        for (const auto& id : s.threads) EXPECT_EQ(id, std::this_thread::get_id()) << workers;
    }
    constexpr std::int64_t k = kChunk;
    const std::vector<std::int64_t> expected = {5, k, k + 5, k, k + k / 2, k + k / 2};
    EXPECT_EQ(seen[1].counts, expected);
    EXPECT_EQ(seen[4].counts, expected);
}

// Decryption: the same containers decrypted with 1 and with 4 workers.
class ParallelDecryptTest : public ParallelBatchTest {
protected:
    // Containers made once, copied into each run's folder.
    void SetUp() override {
        ParallelBatchTest::SetUp();
        const fs::path in = dir / "master" / "in";
        fs::create_directories(in / "one");
        fs::create_directories(in / "two");
        auto encrypt = [&](const std::vector<std::pair<std::string, std::string>>& files,
                           const std::function<void(MainWindowState&)>& options) {
            ScriptedUserDialog d;
            auto batch = NewState(d);
            MainWindowState& s = *batch;
            s.workers = 1;
            for (const auto& [name, content] : files) {
                WriteFileBytes(in / name, Bytes(content));
                s.files.push_back(in / name);
            }
            options(s);
            ASSERT_EQ(s.EncryptFiles(kModeCommand), static_cast<int>(files.size()));
            for (const auto& f : s.files) fs::remove(f);
        };
        encrypt({{"a.txt", "alpha"},
                 {"b.txt", "bravo"},
                 {"d.txt", "delta"},
                 {"one/same.txt", "first of the name"},
                 {"two/same.txt", "second of the name"},
                 {"f.txt", std::string(3 * kChunk + 77, 'f')},
                 {"g.txt", std::string(kChunk + 5, 'g')},
                 {"h.txt", "hotel"}},
                [](MainWindowState& s) { s.options.manageLogs = true; });
        encrypt({{"k.txt", "kilo"}}, [](MainWindowState& s) {
            s.options.timeLimit.kind = TimeLimitInput::Kind::Relative;
            s.options.timeLimit.value = 5;
            s.options.timeLimit.fromFirstDecryption = true;
        });
        encrypt({{"x.txt", "expired"}}, [](MainWindowState& s) {
            s.options.timeLimit.kind = TimeLimitInput::Kind::Relative;
            s.options.timeLimit.value = 1;
            s.options.timeLimit.unit = TimeUnit::Seconds;
        });
        WriteFileBytes(in / "notes.txt", Bytes("not a container"));
        WriteFileBytes(in / "junk.tza", Bytes(std::string(400, 'j')));
        fs::create_directories(dir / "master" / "out");
        WriteFileBytes(dir / "master" / "out" / "b.txt", Bytes("old b"));
        WriteFileBytes(dir / "master" / "out" / "d.txt", Bytes("old d"));
    }

    Outcome RunDecrypt(const std::string& name, const std::vector<std::string>& names, int workers,
                       const std::function<void(ScriptedUserDialog&)>& plan) {
        const fs::path root = dir / name;
        fs::copy(dir / "master", root, fs::copy_options::recursive);
        FixedHost later = host;
        later.now += 100;  // x.txt's second has passed
        ScriptedUserDialog d;
        CStreamCipher cipher;
        container::DecryptRun run(later, d, cipher, texts);
        run.publicKeyPath = dir / "keys" / "north.vpub";
        run.privateKeyPath = dir / "keys" / "northPrivate.vpri";
        for (const auto& n : names) run.files.push_back(root / "in" / n);
        run.isOnCdRom = [](const fs::path&) { return false; };
        run.outputFolder = root / "out";
        run.workers = workers;
        plan(d);

        Outcome o;
        o.succeeded = container::DecryptFiles(run, container::kDecryptCommand);
        EXPECT_TRUE(d.AllAnswersUsed()) << workers;
        for (const auto& f : run.decrypted) o.written.push_back(fs::relative(f.output, root).string());
        const std::string r = root.string();
        for (const auto& e : d.Events()) {
            std::string text = e.text;
            for (auto at = text.find(r); at != std::string::npos; at = text.find(r))
                text.replace(at, r.size(), "<run>");
            o.events.push_back(std::to_string(e.kind) + "|" + std::to_string(static_cast<int>(e.messageKind)) + "|" +
                               (e.question ? std::to_string(static_cast<int>(*e.question)) : "-") + "|" + e.title +
                               "|" + text);
        }
        o.events.push_back(run.stopped ? "stopped" : "ran to the end");
        o.progress = d.Progress();
        // Every file as it is left, the containers byte for byte: the same
        // counts, limit starts and history records.
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) o.files[fs::relative(e.path(), root).string()] = Text(ReadFileBytes(e.path()));
        return o;
    }
};

const std::vector<std::string> kContainers = {
    "a.txt.tza",        "b.txt.tza", "notes.txt",        "junk.tza",  "k.txt.tza", "d.txt.tza", "x.txt.tza",
    "one/same.txt.tza", "a.txt.tza", "two/same.txt.tza", "f.txt.tza", "g.txt.tza", "h.txt.tza"};

TEST_F(ParallelDecryptTest, FourWorkersSayAndLeaveWhatOneDoes) {
    auto plan = [](ScriptedUserDialog& d) {
        d.PlanContinue(ContinueConfirm::First);  // b.txt: overwrite
        d.PlanContinue(ContinueConfirm::Third);  // d.txt: keep the old one
    };
    const Outcome serial = RunDecrypt("serial", kContainers, 1, plan);
    const Outcome parallel = RunDecrypt("parallel", kContainers, 4, plan);
    EXPECT_EQ(serial.events, parallel.events);
    EXPECT_EQ(serial, parallel);

    EXPECT_EQ(parallel.written, (std::vector<std::string>{"out/a.txt", "out/b.txt", "out/k.txt", "out/same.txt",
                                                          "out/f.txt", "out/g.txt", "out/h.txt"}));
    EXPECT_EQ(parallel.files.at("out/b.txt"), "bravo");
    EXPECT_EQ(parallel.files.at("out/d.txt"), "old d");
    EXPECT_EQ(parallel.files.at("out/same.txt"), "first of the name");
    EXPECT_EQ(parallel.files.at("out/f.txt"), std::string(3 * kChunk + 77, 'f'));
    EXPECT_EQ(parallel.files.count("in/x.txt.tza"), 0u);  // expired: wiped
    EXPECT_EQ(parallel.progress, 13);
}

TEST_F(ParallelDecryptTest, StopAndCancelStopWhereOneWorkerStops) {
    // Stop in the second overwrite question.
    const auto stopAt = [](ScriptedUserDialog& d) {
        d.PlanContinue(ContinueConfirm::First);
        d.PlanContinue(ContinueConfirm::Stop);
    };
    const std::vector<std::string> names = {"a.txt.tza", "b.txt.tza", "g.txt.tza", "d.txt.tza", "h.txt.tza"};
    const Outcome serialStop = RunDecrypt("serial-stop", names, 1, stopAt);
    const Outcome parallelStop = RunDecrypt("parallel-stop", names, 4, stopAt);
    EXPECT_EQ(serialStop, parallelStop);
    EXPECT_EQ(parallelStop.written, (std::vector<std::string>{"out/a.txt", "out/b.txt", "out/g.txt"}));
    EXPECT_EQ(parallelStop.files.count("out/h.txt"), 0u);

    // A cancel after the second chunk of f.txt: the 13 containers' polls
    // before it (one each) and its first chunk's come first.
    const auto cancel = [](ScriptedUserDialog& d) {
        d.PlanContinue(ContinueConfirm::First);
        d.PlanContinue(ContinueConfirm::Third);
        d.CancelAfterPolls(12);
    };
    const Outcome serial = RunDecrypt("serial-cancel", kContainers, 1, cancel);
    const Outcome parallel = RunDecrypt("parallel-cancel", kContainers, 4, cancel);
    EXPECT_EQ(serial, parallel);
    EXPECT_EQ(parallel.written, (std::vector<std::string>{"out/a.txt", "out/b.txt", "out/k.txt", "out/same.txt"}));
    // No partial output, no temporary file, the container kept as it was.
    EXPECT_EQ(parallel.files.count("out/f.txt"), 0u);
    EXPECT_EQ(Listing(dir / "parallel-cancel" / "out"),
              (std::vector<std::string>{"a.txt", "b.txt", "d.txt", "k.txt", "same.txt"}));
    EXPECT_EQ(parallel.files.at("in/f.txt.tza"), Text(ReadFileBytes(dir / "master" / "in" / "f.txt.tza")));
    EXPECT_EQ(parallel.events.back(), "stopped");
}

}  // namespace
}  // namespace tessarin::test
