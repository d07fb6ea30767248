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

// CContinueConfirmDialog: one message and four buttons whose captions the
// caller sets; the answer is the index of the button pressed.
struct ContinueConfirm {
    enum Result : int { First = 0, All = 1, Third = 2, Stop = 3 };
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
    virtual Answer Ask(std::string_view text, QuestionButtons buttons = QuestionButtons::YesNo,
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
    bool AskYesNo(std::string_view text, std::string_view title = {}) {
        return Ask(text, QuestionButtons::YesNo, title) == Answer::Yes;
    }
};

// Shows nothing and answers every question with No, every continue-confirm
// with Stop. For callers that must not prompt.
class SilentUserDialog final : public IUserDialog {
public:
    void ShowMessage(std::string_view, MessageKind, std::string_view) override {}
    Answer Ask(std::string_view, QuestionButtons b, std::string_view) override {
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
