#pragma once
// IUserDialog for the terminal. Messages go to standard error. Questions are
// asked on the terminal when standard input is one; otherwise the answers
// given on the command line (--yes, --no, --overwrite) answer them, and a
// question with no answer given is answered No (a continue-confirm with Stop)
// and remembered, so the command can fail cleanly instead of hanging. The
// question whether to authenticate a container's sender is the exception:
// only its own option answers Yes (see TerminalOptions::authenticateSender).

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "platform/TempFile.h"
#include "platform/UserDialog.h"

namespace tessarin::cli {

enum class OverwritePolicy { Ask, All, None };

struct TerminalOptions {
    bool interactive = false;                          // standard input is a terminal
    bool progress = false;                             // standard error is a terminal
    bool verbose = false;                              // show status lines
    std::optional<bool> answer;                        // --yes / --no
    OverwritePolicy overwrite = OverwritePolicy::Ask;  // answers QuestionId::OverwriteOutput
    // Whether to authenticate a container's sender (and the questions of that
    // authentication) is never decided by --yes: only --authenticate-sender
    // answers Yes. Otherwise it is asked on a terminal and, with nothing to
    // ask, answered No with this note, which does not fail the command.
    bool authenticateSender = false;  // answers QuestionId::AuthenticateSender
    std::string senderAnsweredNoNote;
    std::string noAnswerNote;  // shown under a question that nothing answered
};

class TerminalDialog final : public IUserDialog {
public:
    TerminalDialog(TerminalOptions options, std::FILE* in = stdin, std::FILE* err = stderr);
    ~TerminalDialog() override;

    void ShowMessage(std::string_view text, MessageKind kind, std::string_view title) override;
    Answer Ask(QuestionId id, std::string_view text, QuestionButtons buttons, std::string_view title) override;
    int AskContinue(const ContinueConfirm& dialog) override;
    void SetStatus(std::string_view text) override;
    void SetProgressRange(std::int64_t total) override;
    void SetProgress(std::int64_t position) override;
    void StepProgress(std::int64_t step) override;
    // A termination signal stops the running job at its next check.
    bool CancelRequested() override { return TerminationRequested(); }
    void ReportBytes(std::string_view currentFile, std::int64_t done, std::int64_t total) override;

    // A question arrived that nothing answered.
    bool Unanswered() const { return m_unanswered; }
    int MessageCount() const { return m_messages; }
    int ErrorCount() const { return m_errors; }

private:
    std::optional<bool> PlannedAnswer(QuestionId id) const;
    bool ReadYesNo(std::string_view prompt);
    void ClearBar();
    void DrawBar();

    TerminalOptions m_options;
    std::FILE* m_in;
    std::FILE* m_err;
    bool m_unanswered = false;
    int m_messages = 0;
    int m_errors = 0;
    // Progress bar state.
    bool m_barShown = false;
    std::int64_t m_stepTotal = 0;
    std::int64_t m_step = 0;
    std::string m_status;
    std::string m_file;
    std::int64_t m_fileDone = 0;
    std::int64_t m_fileTotal = 0;
    std::int64_t m_bytesBeforeFile = 0;
    double m_started = 0;
    double m_lastDraw = 0;
};

}  // namespace tessarin::cli
