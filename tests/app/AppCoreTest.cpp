// AppCore's use cases: a whole encryption batch and a decryption run on a
// worker thread while the test thread answers their questions, a second job
// refused meanwhile, the term of validity as the history view shows it, and
// recipients found by kind.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "PipelineFixture.h"
#include "app/AppCore.h"
#include "app/WorkList.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

// A dialog whose questions, asked on a worker thread, are handed to the test
// thread through a queue; the worker waits until the test thread answers.
// Questions asked on the test thread itself (opening the key set) are
// answered at once: found key files are registered, anything else is No.
class QueueDialog final : public IUserDialog {
public:
    struct Question {
        QuestionId id;
        std::string text;
        bool continueConfirm = false;
        std::promise<int> answer;
    };

    explicit QueueDialog(std::thread::id testThread) : m_testThread(testThread) {}

    void ShowMessage(std::string_view text, MessageKind, std::string_view) override {
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(text);
    }
    Answer Ask(QuestionId id, std::string_view text, QuestionButtons, std::string_view) override {
        return Hand(id, text, false) == 1 ? Answer::Yes : Answer::No;
    }
    int AskContinue(const ContinueConfirm& d) override { return Hand(d.id, d.text, true); }
    void SetStatus(std::string_view) override {}
    void SetProgressRange(std::int64_t) override {}
    void SetProgress(std::int64_t) override {}
    void StepProgress(std::int64_t) override {}
    bool CancelRequested() override { return false; }

    // The next question, or nullptr when `done` became ready first.
    std::shared_ptr<Question> Next(const std::future<JobResult>& done) {
        std::unique_lock lock(m_mutex);
        while (m_questions.empty()) {
            if (done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return nullptr;
            m_cv.wait_for(lock, std::chrono::milliseconds(20));
        }
        auto q = m_questions.front();
        m_questions.pop_front();
        return q;
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<std::thread::id> askedOn;

private:
    // Yes/continue-first is 1 for Ask; the continue-confirm's index otherwise.
    int Hand(QuestionId id, std::string_view text, bool continueConfirm) {
        if (std::this_thread::get_id() == m_testThread) {
            if (id == QuestionId::RegisterFoundKeys) return continueConfirm ? ContinueConfirm::First : 1;
            return continueConfirm ? ContinueConfirm::Stop : 0;
        }
        auto q = std::make_shared<Question>();
        q->id = id;
        q->text = std::string(text);
        q->continueConfirm = continueConfirm;
        auto answer = q->answer.get_future();
        {
            std::lock_guard lock(m_mutex);
            askedOn.push_back(std::this_thread::get_id());
            m_questions.push_back(q);
        }
        m_cv.notify_all();
        return answer.get();
    }

    std::thread::id m_testThread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::shared_ptr<Question>> m_questions;
    std::vector<std::string> m_messages;
};

class AppCoreTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        queue = std::make_unique<QueueDialog>(std::this_thread::get_id());
        core = std::make_unique<AppCore>(host, *queue, texts, launcher);
        ASSERT_TRUE(core->UseKeySet(dir / "keys", "north.vpub", "northPrivate.vpri"));
    }

    // Answers every question of the job on this thread until it ends; at the
    // first question a second job is tried and must be refused.
    JobResult AnswerUntilDone(std::future<JobResult>& done, const std::function<void()>& whileRunning) {
        bool tried = false;
        while (auto q = queue->Next(done)) {
            ++answered;
            if (!tried) {
                tried = true;
                whileRunning();
            }
            if (q->id == QuestionId::OverwriteOutput)
                q->answer.set_value(q->continueConfirm ? ContinueConfirm::First : 1);
            else
                q->answer.set_value(q->continueConfirm ? ContinueConfirm::Stop : 0);
        }
        return done.get();
    }

    std::unique_ptr<QueueDialog> queue;
    std::unique_ptr<AppCore> core;
    int answered = 0;
};

TEST_F(AppCoreTest, BatchAndDecryptionRunOnAWorkerWhileTheTestThreadAnswers) {
    const fs::path a = Source("a.txt", "alpha");
    const fs::path b = Source("b.txt", "bravo");
    WriteFileBytes(dir / "src" / "b.txt.tza", Bytes("an older container"));

    EncryptRequest request;
    request.sources = {dir / "src"};  // the folder: its files, not the older container's question alone
    request.recipients = {{RecipientKind::Self, {}}};
    std::future<JobResult> encrypting = std::async(std::launch::async, [&] { return core->Encrypt(request); });
    const JobResult encrypted = AnswerUntilDone(encrypting, [&] {
        EXPECT_TRUE(core->JobRunning());
        DecryptRequest second;
        second.files = {dir / "src" / "b.txt.tza"};
        const JobResult refused = core->Decrypt(second);
        EXPECT_EQ(refused.status, JobStatus::Busy);
        EXPECT_TRUE(refused.items.empty());
        EXPECT_EQ(core->RefusalText(refused), "Another job is running. Try again when it has finished.");
        JobResult wipe = core->Wipe({a});
        EXPECT_EQ(wipe.status, JobStatus::Busy);
        EXPECT_TRUE(fs::exists(a));
    });
    EXPECT_GE(answered, 1);  // the overwrite of b.txt.tza
    for (const auto id : queue->askedOn) EXPECT_NE(id, std::this_thread::get_id());
    // The folder holds a.txt, b.txt and the older b.txt.tza: three items, the
    // container itself left out by the batch's own rule, reported as skipped
    // without failing the job.
    ASSERT_EQ(encrypted.items.size(), 3u);
    EXPECT_EQ(encrypted.requested, 2);
    EXPECT_EQ(encrypted.status, JobStatus::Done);
    for (const auto& item : encrypted.items)
        EXPECT_EQ(item.outcome == ItemOutcome::Skipped, item.item.extension() == ".tza") << item.item;
    EXPECT_EQ(encrypted.items[0].outcome, ItemOutcome::Done);
    EXPECT_EQ(encrypted.items[0].output, dir / "src" / "a.txt.tza");
    EXPECT_EQ(encrypted.items[1].outcome, ItemOutcome::Done);
    EXPECT_EQ(Decode(dir / "src" / "b.txt.tza", north).payload, Bytes("bravo"));
    EXPECT_FALSE(core->JobRunning());

    // Decrypt both on a worker: the outputs exist, so each asks to overwrite.
    DecryptRequest decrypt;
    decrypt.files = {dir / "src" / "a.txt.tza", dir / "src" / "b.txt.tza"};
    WriteFileBytes(a, Bytes("changed"));
    answered = 0;
    std::future<JobResult> decrypting = std::async(std::launch::async, [&] { return core->Decrypt(decrypt); });
    const JobResult decrypted = AnswerUntilDone(decrypting, [&] {
        EncryptRequest second;
        second.sources = {b};
        second.recipients = {{RecipientKind::Self, {}}};
        EXPECT_EQ(core->Encrypt(second).status, JobStatus::Busy);
    });
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(decrypted.status, JobStatus::Done);
    EXPECT_EQ(decrypted.succeeded, 2);
    ASSERT_EQ(decrypted.items.size(), 2u);
    EXPECT_EQ(decrypted.items[0].output, a);
    EXPECT_EQ(ReadFileBytes(a), Bytes("alpha"));
    EXPECT_EQ(ReadFileBytes(b), Bytes("bravo"));
}

TEST_F(AppCoreTest, RecipientsAreFoundByKindAndAddressesIgnoreCase) {
    const fs::path a = Source("a.txt", "alpha");
    EncryptRequest request;
    request.sources = {a};
    (void)core->Keys().RegisterUnregisteredKeys();  // the key files the fixture put in the key folder
    request.recipients = {{RecipientKind::Email, "SOUTH@Example.JP"}};
    request.options.withoutMyAddress = true;
    auto done = std::async(std::launch::async, [&] { return core->Encrypt(request); });
    const JobResult result = AnswerUntilDone(done, [] {});
    ASSERT_EQ(result.status, JobStatus::Done) << core->RefusalText(result);
    EXPECT_EQ(Decode(result.items.at(0).output, south).payload, Bytes("alpha"));

    request.recipients = {{RecipientKind::Name, "nobody"}};
    const JobResult missing = core->Encrypt(request);
    EXPECT_EQ(missing.status, JobStatus::RecipientNotFound);
    EXPECT_EQ(core->RefusalText(missing), "no key for recipient nobody (see 'tza keys')");

    request.recipients.clear();
    EXPECT_EQ(core->Encrypt(request).status, JobStatus::NoRecipient);
}

TEST_F(AppCoreTest, OnlyKeysThatOpenWithTheOwnKeyMayBeChosenAsRecipients) {
    const fs::path folder = dir / "keys" / "KeyList_north";
    const fs::path forSouth = folder / "south))north-auth.vpub";  // its record opens only for south
    WriteFileBytes(forSouth, MakeAuthKeyFile(south, north, "north", "north@example.jp"));
    const fs::path halfAuth = folder / "north))half-auth.vpub";  // a public key under an auth key's name
    WriteFileBytes(halfAuth, south.pub);
    const fs::path junk = folder / "junk.vpub";
    WriteFileBytes(junk, Bytes("not a key"));
    struct Case {
        fs::path file;
        std::string refusal;
    };
    const Case cases[] = {
        {selfAuth, ""},
        {southAuth, ""},
        {southPlain, ""},
        {forSouth, "Please use the right public key."},
        {halfAuth, "This public key was not authenticated. Need to authenicate Key for your partner."},
        {folder / "north))gone-auth.vpub", "Not found Auth-PublicKey.\nPossible to Move&Delete."},
        {junk, "Key file junk.vpub is not a public key usable by TZA-P2P/Tessarin."},
    };
    for (const auto& c : cases) EXPECT_EQ(core->RecipientRefusal(c.file), c.refusal) << c.file;
}

TEST_F(AppCoreTest, OwnerEditsAreSeenByTheNextJob) {
    // The pipelines' copy of the owner is refreshed from the key manager at
    // every job, not kept from the moment the key set was opened.
    state->userName = "stale";
    core->State().userName = "stale";
    const fs::path a = Source("a.txt", "alpha");
    EncryptRequest request;
    request.sources = {a};
    request.recipients = {{RecipientKind::Self, {}}};
    auto done = std::async(std::launch::async, [&] { return core->Encrypt(request); });
    (void)AnswerUntilDone(done, [] {});
    EXPECT_EQ(core->State().userName, core->Keys().OwnerName());
}

TEST(ValidityTerm, ShownAsTheHistoryViewShowsIt) {
    LanguageTable ja;
    ja.FillJapanese();
    LanguageTable en;
    en.FillJapanese();
    en.FillEnglish();
    SystemTime encrypted = SystemTimeFromTimeT(0);
    encrypted.year = 2024;
    encrypted.month = 3;
    encrypted.day = 1;
    encrypted.hour = 10;
    encrypted.minute = 0;
    encrypted.second = 0;
    const SystemTime none{};
    const std::uint32_t term = 2 * 86400 + 3 * 3600 + 4 * 60 + 5;
    EXPECT_EQ(FormatValidityTerm(0, false, encrypted, none, ja), "なし");
    EXPECT_EQ(FormatValidityTerm(0, false, encrypted, none, en), "None");
    EXPECT_EQ(FormatValidityTerm(term, true, encrypted, encrypted, ja), "初回復号時から2日と03時間04分05秒後");
    EXPECT_EQ(FormatValidityTerm(term, true, encrypted, encrypted, en),
              "2 days and 03:04:05 after the first decryption");
    // 2024-03-01 10:00:00 + the term: Sunday 2024-03-03 13:04:05.
    EXPECT_EQ(FormatValidityTerm(term, false, encrypted, none, ja), "2024年03月03日(日曜日)13時04分05秒");
    EXPECT_EQ(FormatValidityTerm(term, false, encrypted, none, en), "2024-03-03 (Sunday) 13:04:05");
    // Counted from a first decryption that has happened: from its moment.
    SystemTime first = encrypted;
    first.day = 4;
    EXPECT_EQ(FormatValidityTerm(86400, false, encrypted, first, ja), "2024年03月05日(火曜日)10時00分00秒");
}

TEST(OptionsFromSettings, TheSettingsGiveTheBatchDefaults) {
    SettingsRecord settings;
    settings.deleteCheck1 = 1;
    settings.deleteCheck2 = 1;
    settings.tzaSendMailCheck = 1;
    settings.destPath1 = "/saved";
    settings.limitCheck = 1;
    settings.limitUnit = 3;
    settings.tzaKeep = 1;
    const PipelineDefaults d = OptionsFromSettings(settings);
    EXPECT_TRUE(d.encrypt.deleteSource);
    EXPECT_TRUE(d.encrypt.sendByMail);
    EXPECT_EQ(d.encrypt.outputFolder, fs::path("/saved"));
    EXPECT_EQ(d.encrypt.timeLimit.kind, TimeLimitInput::Kind::Relative);
    EXPECT_EQ(d.encrypt.timeLimit.unit, TimeUnit::Hours);
    EXPECT_TRUE(d.removeAfterDecrypt);
    EXPECT_TRUE(d.keepContainerName);

    const PipelineDefaults none = OptionsFromSettings(SettingsRecord{});
    EXPECT_FALSE(none.encrypt.deleteSource);
    EXPECT_TRUE(none.encrypt.outputFolder.empty());
    EXPECT_EQ(none.encrypt.timeLimit.kind, TimeLimitInput::Kind::None);
    EXPECT_FALSE(none.removeAfterDecrypt);
}

TEST_F(AppCoreTest, LookingAtAContainerWritesNothing) {
    const fs::path a = Source("a.txt", "alpha");
    EncryptRequest request;
    request.sources = {a};
    request.recipients = {{RecipientKind::Self, {}}};
    request.options.manageLogs = true;
    request.options.timeLimit.kind = TimeLimitInput::Kind::Relative;
    request.options.timeLimit.value = 2;
    request.options.timeLimit.fromFirstDecryption = true;
    auto done = std::async(std::launch::async, [&] { return core->Encrypt(request); });
    const JobResult result = AnswerUntilDone(done, [] {});
    ASSERT_EQ(result.status, JobStatus::Done);
    const fs::path container = result.items.at(0).output;
    const auto before = ReadFileBytes(container);

    ContainerInfo info;
    ASSERT_TRUE(core->Inspect(container, info).Ok());
    EXPECT_EQ(info.own, ContainerInfo::Own::Found);
    EXPECT_EQ(info.storedName, "a.txt");
    EXPECT_EQ(info.decryptions, 0u);
    HistoryView view;
    ASSERT_TRUE(core->History(container, view).Ok());
    ASSERT_EQ(view.records.size(), 1u);
    EXPECT_EQ(view.records[0].operation, "Created");
    EXPECT_EQ(core->ForwardingCandidates({a, container}), std::vector<fs::path>{container});
    std::vector<HistoryUser> users;
    ASSERT_TRUE(core->ForwardingAddresses(container, users).Ok());
    EXPECT_FALSE(users.empty());
    EXPECT_EQ(ReadFileBytes(container), before);

    ContainerInfo notOne;
    const JobResult refused = core->Inspect(a, notOne);
    EXPECT_EQ(refused.status, JobStatus::NotAContainer);
    EXPECT_EQ(core->RefusalText(refused), "This file type is not TZA file or broken.");
}

TEST(WorkList, FolderWalkLeavesOutLinksAndShellFiles) {
    TempDir dir;
    fs::create_directories(dir / "f" / "sub");
    WriteFileBytes(dir / "f" / "b.txt", {1});
    WriteFileBytes(dir / "f" / "sub" / "a.txt", {2});
    WriteFileBytes(dir / "f" / "Thumbs.db", {3});
    fs::create_symlink(dir / "f" / "b.txt", dir / "f" / "link.txt");
    EXPECT_EQ(ExpandSources({dir / "f"}), (std::vector<fs::path>{dir / "f" / "b.txt", dir / "f" / "sub" / "a.txt"}));
}

}  // namespace
}  // namespace tessarin::test
