#pragma once
// The one way logic talks to the user: message boxes, questions, the
// continue-confirm dialog, status text, progress and the wait window's cancel
// flag. The GUI, the command-line tool and the tests each implement it; logic
// never touches a widget. All texts are UTF-8.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessarin {

enum class MessageKind { Information, Warning, Error };

enum class QuestionButtons { YesNo, YesNoCancel, OkCancel };
enum class Answer { Yes, No, Cancel, Ok };

// What a question asks, beside its words: front ends decide by this (a
// script's --overwrite answers OverwriteOutput, only its own option answers
// AuthenticateSender), never by a question's text.
enum class QuestionId {
    OverwriteOutput,        // an output of the same name exists (encryption, decryption)
    DeleteSources,          // wipe the encrypted sources
    ManyFiles,              // a folder holds more than 1,000 files
    FilesInUse,             // notice: files another program holds are left out
    NoCreatorInAddress,     // go on without the own key among the recipients
    WipeFile,               // wipe this file
    DecryptAttachedDevice,  // decrypt the automatic folder of an attached device
    RenewSender,            // renew a known sender's address book entry
    AuthenticateSender,     // authenticate a container's sender, and that authentication's questions
    AuthenticateAgain,      // a key authenticated before is authenticated again
    OverwriteAuthKey,       // an existing auth key or authentication output is replaced
    RefreshSelfAuthKeys,    // renew the own auth keys in the address book
    RegisterFoundKeys,      // register key files found in the key folder
    RegisterWithService,    // register a public key with the service
    ReconfigureServerKey,   // set up a key the service renewed
    UseExistingKeyPair,     // take a key pair found in the chosen folder
    SendNewPublicKey,       // mail a newly made public key
    OverwriteBackupShares,  // replace existing backup shares
    SendBackupShare,        // mail a backup share to the maker
    SendRepairRequest,      // mail a repair request to the maker
    ReplaceActiveKeySet,    // a new key set becomes the one the settings name instead of the current one
};

// CContinueConfirmDialog: one message and four buttons whose captions the
// caller sets; the answer is the index of the button pressed.
struct ContinueConfirm {
    enum Result : int { First = 0, All = 1, Third = 2, Stop = 3 };
    QuestionId id;
    std::string title;
    std::string text;
    std::array<std::string, 4> captions;  // OK, all, Cancel, stop
};

class IUserDialog {
public:
    virtual ~IUserDialog() = default;

    // A modal message box.
    virtual void ShowMessage(std::string_view text, MessageKind kind = MessageKind::Information,
                             std::string_view title = {}) = 0;
    // A modal question.
    virtual Answer Ask(QuestionId id, std::string_view text, QuestionButtons buttons = QuestionButtons::YesNo,
                       std::string_view title = {}) = 0;
    // Returns 0..3, the index of the caption chosen.
    virtual int AskContinue(const ContinueConfirm& dialog) = 0;

    virtual void SetStatus(std::string_view text) = 0;
    virtual void SetProgressRange(std::int64_t total) = 0;
    virtual void SetProgress(std::int64_t position) = 0;
    virtual void StepProgress(std::int64_t step = 1) = 0;
    // The cancel flag of the wait or progress window; long loops poll it
    // between steps.
    virtual bool CancelRequested() = 0;

    // Byte-level progress of the file in work, for front ends that show
    // bytes and rates. Optional: the default ignores it.
    virtual void ReportBytes(std::string_view /*currentFile*/, std::int64_t /*done*/, std::int64_t /*total*/) {}

    // Convenience for the common Yes/No box.
    bool AskYesNo(QuestionId id, std::string_view text, std::string_view title = {}) {
        return Ask(id, text, QuestionButtons::YesNo, title) == Answer::Yes;
    }
};

// Shows nothing and answers every question with No, every continue-confirm
// with Stop. For callers that must not prompt.
class SilentUserDialog final : public IUserDialog {
public:
    void ShowMessage(std::string_view, MessageKind, std::string_view) override {}
    Answer Ask(QuestionId, std::string_view, QuestionButtons b, std::string_view) override {
        return b == QuestionButtons::OkCancel ? Answer::Cancel : Answer::No;
    }
    int AskContinue(const ContinueConfirm&) override { return ContinueConfirm::Stop; }
    void SetStatus(std::string_view) override {}
    void SetProgressRange(std::int64_t) override {}
    void SetProgress(std::int64_t) override {}
    void StepProgress(std::int64_t) override {}
    bool CancelRequested() override { return false; }
};

}  // namespace tessarin
