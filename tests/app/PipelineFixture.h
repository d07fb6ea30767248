#pragma once
// A key world for the encryption pipeline tests: the north key set (the
// user) with its self auth key, an auth key from south, south's plain public
// key, and a MainWindowState wired to a fixed host, a scripted dialog and a
// mail launcher that only records.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "app/MainWindowState.h"
#include "container/TestDecoder.h"
#include "core/LanguageTable.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"
#include "platform/Host.h"

namespace tessarin::test {

class RecordingLauncher final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>& argv) override {
        calls.push_back(argv);
        return result;
    }
    std::vector<std::vector<std::string>> calls;
    bool result = true;
};

struct KeySet {
    std::vector<std::uint8_t> pub;
    std::vector<std::uint8_t> priv;
    std::vector<std::uint8_t> Blob() const { return {pub.begin() + 4, pub.end()}; }
};

inline KeySet LoadKeySet(const std::string& name) {
    return {ReadFileBytes(FixturePath("cryptoapi/" + name + ".vpub")),
            ReadFileBytes(FixturePath("cryptoapi/" + name + "Private.vpri"))};
}

// The auth key file the owner uses to encrypt for the issuer.
inline std::vector<std::uint8_t> MakeAuthKeyFile(const KeySet& owner, const KeySet& issuer, const std::string& name,
                                                 const std::string& mail) {
    AuthRecord record;
    record.secret = *AuthSecret(issuer.priv);
    record.name = name;
    record.email = mail;
    auto cipher = EncryptAuthRecord(owner.Blob(), record);
    EXPECT_TRUE(cipher.Ok());
    return BuildAuthKeyFile(issuer.Blob(), *cipher);
}

// A dialog that runs an action when a question is asked, then answers as
// the scripted dialog does: to change the world between encryption and the
// wiping of the sources.
class ActingDialog final : public IUserDialog {
public:
    explicit ActingDialog(ScriptedUserDialog& inner) : m_inner(inner) {}
    void ShowMessage(std::string_view text, MessageKind kind, std::string_view title) override {
        m_inner.ShowMessage(text, kind, title);
    }
    Answer Ask(QuestionId id, std::string_view text, QuestionButtons buttons, std::string_view title) override {
        if (onQuestion) onQuestion();
        return m_inner.Ask(id, text, buttons, title);
    }
    int AskContinue(const ContinueConfirm& d) override { return m_inner.AskContinue(d); }
    void SetStatus(std::string_view text) override { m_inner.SetStatus(text); }
    void SetProgressRange(std::int64_t total) override { m_inner.SetProgressRange(total); }
    void SetProgress(std::int64_t position) override { m_inner.SetProgress(position); }
    void StepProgress(std::int64_t step) override { m_inner.StepProgress(step); }
    bool CancelRequested() override { return m_inner.CancelRequested(); }
    std::function<void()> onQuestion;

private:
    ScriptedUserDialog& m_inner;
};

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        texts.FillJapanese();
        texts.FillEnglish();
        north = LoadKeySet("north");
        south = LoadKeySet("south");
        namespace fs = std::filesystem;
        fs::create_directories(dir / "keys" / "KeyList_north");
        fs::create_directories(dir / "src");
        const fs::path keys = dir / "keys";
        WriteFileBytes(keys / "north.vpub", north.pub);
        WriteFileBytes(keys / "northPrivate.vpri", north.priv);
        selfAuth = keys / "KeyList_north" / "north))north-auth.vpub";
        southAuth = keys / "KeyList_north" / "north))south-auth.vpub";
        southPlain = keys / "KeyList_north" / "south.vpub";
        WriteFileBytes(selfAuth, MakeAuthKeyFile(north, north, "north", "north@example.jp"));
        WriteFileBytes(southAuth, MakeAuthKeyFile(north, south, "south", "south@example.jp"));
        WriteFileBytes(southPlain, south.pub);
        state = std::make_unique<MainWindowState>(host, dialog, texts, launcher);
        state->publicKeyPath = keys / "north.vpub";
        state->privateKeyPath = keys / "northPrivate.vpri";
        state->selfAuthKeyPath = selfAuth;
        state->userName = "north";
        state->mailAddress = "north@example.jp";
    }

    std::filesystem::path Source(const std::string& name, const std::string& content) {
        const auto p = dir / "src" / name;
        WriteFileBytes(p, std::vector<std::uint8_t>(content.begin(), content.end()));
        return p;
    }
    std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

    DecodedContainer Decode(const std::filesystem::path& p, const KeySet& keys) {
        return DecodeContainer(ReadFileBytes(p), keys.pub, keys.priv);
    }
    // Names in a folder, sorted.
    std::vector<std::string> Listing(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    FixedHost host;
    ScriptedUserDialog dialog;
    LanguageTable texts;
    RecordingLauncher launcher;
    KeySet north, south;
    std::filesystem::path selfAuth, southAuth, southPlain;
    std::unique_ptr<MainWindowState> state;
};

}  // namespace tessarin::test
