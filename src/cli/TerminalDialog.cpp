#include "cli/TerminalDialog.h"

#include <chrono>
#include <cstring>
#include <string>

namespace tessarin::cli {
namespace {

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string HumanBytes(double bytes) {
    static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int u = 0;
    while (bytes >= 1024.0 && u < 4) {
        bytes /= 1024.0;
        ++u;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
    return buf;
}

}  // namespace

TerminalDialog::TerminalDialog(TerminalOptions options, std::FILE* in, std::FILE* err)
    : m_options(std::move(options)), m_in(in), m_err(err), m_started(NowSeconds()) {}

TerminalDialog::~TerminalDialog() {
    ClearBar();
}

void TerminalDialog::ShowMessage(std::string_view text, MessageKind kind, std::string_view) {
    ClearBar();
    ++m_messages;
    if (kind == MessageKind::Error) ++m_errors;
    std::string line(text);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(m_err, "%s\n", line.c_str());
    std::fflush(m_err);
}

std::optional<bool> TerminalDialog::PlannedAnswer(QuestionId id) const {
    if (id == QuestionId::AuthenticateSender) {
        if (m_options.authenticateSender) return true;
        if (m_options.answer == false) return false;  // a blanket No may still refuse it
        return std::nullopt;
    }
    if (m_options.overwrite != OverwritePolicy::Ask && id == QuestionId::OverwriteOutput)
        return m_options.overwrite == OverwritePolicy::All;
    return m_options.answer;
}

bool TerminalDialog::ReadYesNo(std::string_view prompt) {
    for (;;) {
        std::fprintf(m_err, "%.*s [y/n] ", static_cast<int>(prompt.size()), prompt.data());
        std::fflush(m_err);
        char line[64];
        if (!std::fgets(line, sizeof line, m_in)) {
            m_unanswered = true;
            std::fprintf(m_err, "\n");
            return false;
        }
        if (line[0] == 'y' || line[0] == 'Y') return true;
        if (line[0] == 'n' || line[0] == 'N') return false;
    }
}

Answer TerminalDialog::Ask(QuestionId id, std::string_view text, QuestionButtons buttons, std::string_view) {
    ClearBar();
    const Answer yes = buttons == QuestionButtons::OkCancel ? Answer::Ok : Answer::Yes;
    const Answer no = buttons == QuestionButtons::OkCancel ? Answer::Cancel : Answer::No;
    if (auto planned = PlannedAnswer(id)) {
        if (m_options.verbose)
            std::fprintf(m_err, "%.*s -> %s\n", static_cast<int>(text.size()), text.data(), *planned ? "yes" : "no");
        return *planned ? yes : no;
    }
    if (!m_options.interactive && id == QuestionId::AuthenticateSender) {
        std::fprintf(m_err, "%.*s\n%s\n", static_cast<int>(text.size()), text.data(),
                     m_options.senderAnsweredNoNote.c_str());
        return no;
    }
    if (!m_options.interactive) {
        m_unanswered = true;
        std::fprintf(m_err, "%.*s\n%s\n", static_cast<int>(text.size()), text.data(), m_options.noAnswerNote.c_str());
        return no;
    }
    return ReadYesNo(text) ? yes : no;
}

int TerminalDialog::AskContinue(const ContinueConfirm& dialog) {
    ClearBar();
    if (auto planned = PlannedAnswer(dialog.id)) {
        // "Yes" for every item when the answer is yes (the all-button when
        // overwriting everything), "No" otherwise.
        if (m_options.overwrite == OverwritePolicy::All && dialog.id == QuestionId::OverwriteOutput)
            return ContinueConfirm::All;
        return *planned ? ContinueConfirm::First : ContinueConfirm::Third;
    }
    if (!m_options.interactive) {
        m_unanswered = true;
        std::fprintf(m_err, "%s\n%s\n", dialog.text.c_str(), m_options.noAnswerNote.c_str());
        return ContinueConfirm::Stop;
    }
    for (;;) {
        std::fprintf(m_err, "%s\n", dialog.text.c_str());
        for (int i = 0; i < 4; ++i)
            std::fprintf(m_err, "  %d) %s\n", i + 1, dialog.captions[static_cast<std::size_t>(i)].c_str());
        std::fprintf(m_err, "[1-4] ");
        std::fflush(m_err);
        char line[64];
        if (!std::fgets(line, sizeof line, m_in)) {
            m_unanswered = true;
            return ContinueConfirm::Stop;
        }
        if (line[0] >= '1' && line[0] <= '4') return line[0] - '1';
    }
}

void TerminalDialog::SetStatus(std::string_view text) {
    m_status = text;
    if (!m_options.verbose) return;
    ClearBar();
    std::fprintf(m_err, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void TerminalDialog::SetProgressRange(std::int64_t total) {
    m_stepTotal = total;
    m_step = 0;
    DrawBar();
}

void TerminalDialog::SetProgress(std::int64_t position) {
    m_step = position;
    DrawBar();
}

void TerminalDialog::StepProgress(std::int64_t step) {
    m_step += step;
    DrawBar();
}

void TerminalDialog::ReportBytes(std::string_view currentFile, std::int64_t done, std::int64_t total) {
    if (currentFile.empty()) currentFile = m_status;  // the status line names the file in work
    if (currentFile != m_file) {
        m_bytesBeforeFile += m_fileDone;
        m_file = currentFile;
        m_fileDone = 0;
    }
    m_fileDone = done;
    m_fileTotal = total;
    DrawBar();
}

void TerminalDialog::ClearBar() {
    if (!m_barShown) return;
    std::fprintf(m_err, "\r\033[K");
    std::fflush(m_err);
    m_barShown = false;
}

void TerminalDialog::DrawBar() {
    if (!m_options.progress) return;
    const double now = NowSeconds();
    if (m_barShown && now - m_lastDraw < 0.1) return;
    m_lastDraw = now;
    const double bytes = static_cast<double>(m_bytesBeforeFile + m_fileDone);
    const double rate = now > m_started ? bytes / (now - m_started) : 0.0;
    int percent = 0;
    if (m_fileTotal > 0)
        percent = static_cast<int>(100 * m_fileDone / m_fileTotal);
    else if (m_stepTotal > 0)
        percent = static_cast<int>(100 * m_step / m_stepTotal);
    std::string name = m_file;
    while (!name.empty() && (name.back() == '.' || name.back() == '\n')) name.pop_back();
    if (name.size() > 32) name = "..." + name.substr(name.size() - 29);
    char bar[21];
    const int filled = percent / 5;
    for (int i = 0; i < 20; ++i) bar[i] = i < filled ? '#' : '.';
    bar[20] = 0;
    std::fprintf(m_err, "\r\033[K[%s] %3d%% %s, %s/s  %lld/%lld  %s", bar, percent, HumanBytes(bytes).c_str(),
                 HumanBytes(rate).c_str(), static_cast<long long>(m_step), static_cast<long long>(m_stepTotal),
                 name.c_str());
    std::fflush(m_err);
    m_barShown = true;
}

}  // namespace tessarin::cli
