#pragma once
// IUserDialog for the terminal. Messages go to standard error. Questions are
// asked on the terminal when standard input is one; otherwise the answers
// given on the command line (--yes, --no, --overwrite) answer them, and a
// question with no answer given is answered No (a continue-confirm with Stop)
// and, when it decides whether an item asked for is done, remembered, so the
// command can fail cleanly instead of hanging. Offers that follow a finished
// item (renewing a sender's entry, registering found keys, mailing a key)
// answered so do not fail the command. The question whether to authenticate
// a container's sender is the exception: only its own option answers Yes
// (see TerminalOptions::authenticateSender).
//
// On a terminal, standard error shows one progress line, redrawn in place:
// the bytes of the whole job done and in all, the rate, the time left and
// the file in work, fitted to the terminal's width.

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
    bool progress = false;                             // standard error is a terminal and not -q
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
    // The prompts and the answer words they accept (space-separated).
    std::string yesNoPrompt = "[y/n]";
    std::string yesWords = "y yes";
    std::string noWords = "n no";
    std::string choicePrompt = "[1-4]";
    std::string progressLine = "%s of %s  %s/s  %s left";  // done, total, rate, time left
    int columns = 0;                                       // 0: the terminal's width
};

// What the progress line shows.
struct ProgressState {
    std::int64_t done = 0;   // bytes of the job done
    std::int64_t total = 0;  // bytes of the whole job; 0 when unknown
    double seconds = 0;      // since the job started
    std::string file;        // the file in work (or its status text)
};
// The progress line for a terminal of `columns` columns: never wider than
// columns - 1, so it never wraps.
std::string ProgressLineText(const ProgressState& state, int columns, const std::string& format);
// "1.5 MiB"
std::string HumanBytes(double bytes);

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

    // The bytes the whole job will go through, for the percentage and the
    // time left.
    void SetJobBytes(std::int64_t total);
    // A line read from the terminal after a prompt; empty when standard
    // input is no terminal or ends.
    std::optional<std::string> AskLine(const std::string& prompt);
    bool Interactive() const { return m_options.interactive; }

    // A question that decides an item arrived and nothing answered it.
    bool Unanswered() const { return m_unanswered; }
    int MessageCount() const { return m_messages; }
    int ErrorCount() const { return m_errors; }

private:
    std::optional<bool> PlannedAnswer(QuestionId id) const;
    // Empty when standard input ended first.
    std::optional<bool> ReadYesNo(std::string_view prompt);
    void NoteUnanswered(QuestionId id, std::string_view text);
    void ClearBar();
    void DrawBar(bool force = false);
    int Columns() const;

    TerminalOptions m_options;
    std::FILE* m_in;
    std::FILE* m_err;
    bool m_unanswered = false;
    int m_messages = 0;
    int m_errors = 0;
    // Progress line state.
    bool m_barShown = false;
    std::string m_status;
    std::string m_file;
    std::int64_t m_jobTotal = 0;
    std::int64_t m_fileDone = 0;
    std::int64_t m_bytesBeforeFile = 0;
    double m_started = 0;
    double m_lastDraw = 0;
};

}  // namespace tessarin::cli
