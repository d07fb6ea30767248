#include "cli/TerminalDialog.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/TextWidth.h"
#include "core/LanguageTable.h"

namespace tessarin::cli {
namespace {

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// "1:05" or "2:03:15".
std::string Duration(double seconds) {
    if (seconds < 0 || seconds > 360000) return "--:--";
    const auto s = static_cast<long long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}

// Offers that follow an item already done: left unanswered, the item still
// counts as done.
bool IsFollowUpOffer(QuestionId id) {
    switch (id) {
        case QuestionId::RenewSender:
        case QuestionId::RegisterFoundKeys:
        case QuestionId::RefreshSelfAuthKeys:
        case QuestionId::SendNewPublicKey:
        case QuestionId::SendBackupShare:
        case QuestionId::RegisterWithService:
        case QuestionId::ReplaceActiveKeySet:
        case QuestionId::FilesInUse:
            return true;
        default:
            return false;
    }
}

// Whether the answer is one of the space-separated words (ASCII letters in
// any case).
bool IsOneOf(const std::string& answer, const std::string& words) {
    std::string lowered = answer;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(' ', start);
        if (end == std::string::npos) end = words.size();
        if (end > start && words.compare(start, end - start, lowered) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string Trimmed(const char* line) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t first = 0;
    while (first < s.size() && (s[first] == ' ' || s[first] == '\t')) ++first;
    return s.substr(first);
}

}  // namespace

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

std::string ProgressLineText(const ProgressState& state, int columns, const std::string& format) {
    const std::size_t width = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
    const std::int64_t done = state.total > 0 ? std::min(state.done, state.total) : state.done;
    const double rate = state.seconds > 0 ? static_cast<double>(done) / state.seconds : 0.0;
    const std::string doneText = HumanBytes(static_cast<double>(done));
    // The figures, longest first: a narrow terminal drops rate and time
    // before the file name gets too short to read.
    std::string head;
    std::vector<std::string> figures;
    if (state.total > 0) {
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(100 * done / state.total));
        head = percent;
        const std::string totalText = HumanBytes(static_cast<double>(state.total));
        const double left = rate > 0 ? static_cast<double>(state.total - done) / rate : -1;
        figures = {FormatText(format, {doneText, totalText, HumanBytes(rate), Duration(left)}),
                   doneText + " / " + totalText, ""};
    } else {
        head = doneText;
        figures = {HumanBytes(rate) + "/s", ""};
    }
    const std::string file = Printable(state.file);
    constexpr std::size_t kNameMin = 16;
    const std::size_t nameWanted = std::min(kNameMin, DisplayWidth(file));
    std::string line = head;
    for (const std::string& f : figures) {
        line = f.empty() ? head : head + "  " + f;
        if (DisplayWidth(line) + (file.empty() ? 0 : 2 + nameWanted) <= width) break;
    }
    // The file in work behind, cut from the front; a bar in front when
    // there is room left.
    std::size_t used = DisplayWidth(line);
    if (!file.empty() && used + 2 + 4 <= width) {
        const std::string name = FitWidth(file, width - used - 2);
        line += "  " + name;
        used += 2 + DisplayWidth(name);
    }
    constexpr std::size_t kBarMax = 20, kBarMin = 5;
    if (state.total > 0 && used + 3 + kBarMin <= width) {
        const std::size_t cells = std::min(kBarMax, width - used - 3);
        const auto filled = static_cast<std::size_t>(static_cast<double>(cells) * static_cast<double>(done) /
                                                     static_cast<double>(state.total));
        line = "[" + std::string(filled, '#') + std::string(cells - filled, '.') + "] " + line;
    }
    return DisplayWidth(line) <= width ? line : FitWidth(line, width);
}

TerminalDialog::TerminalDialog(TerminalOptions options, std::FILE* in, std::FILE* err)
    : m_options(std::move(options)), m_in(in), m_err(err), m_started(NowSeconds()) {}

TerminalDialog::~TerminalDialog() {
    ClearBar();
}

void TerminalDialog::ShowMessage(std::string_view text, MessageKind kind, std::string_view) {
    ClearBar();
    ++m_messages;
    if (kind == MessageKind::Error) ++m_errors;
    // Messages name files, and names read from files are untrusted.
    std::string line = Printable(text, true);
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

std::optional<bool> TerminalDialog::ReadYesNo(std::string_view prompt) {
    for (;;) {
        std::fprintf(m_err, "%.*s %s ", static_cast<int>(prompt.size()), prompt.data(), m_options.yesNoPrompt.c_str());
        std::fflush(m_err);
        char line[256];
        if (!std::fgets(line, sizeof line, m_in)) {
            std::fprintf(m_err, "\n");
            return std::nullopt;
        }
        const std::string answer = Trimmed(line);
        if (IsOneOf(answer, m_options.yesWords)) return true;
        if (IsOneOf(answer, m_options.noWords)) return false;
    }
}

void TerminalDialog::NoteUnanswered(QuestionId id, std::string_view text) {
    if (!IsFollowUpOffer(id)) m_unanswered = true;
    std::fprintf(m_err, "%.*s\n%s\n", static_cast<int>(text.size()), text.data(), m_options.noAnswerNote.c_str());
}

Answer TerminalDialog::Ask(QuestionId id, std::string_view question, QuestionButtons buttons, std::string_view) {
    ClearBar();
    const std::string shown = Printable(question, true);
    const std::string_view text = shown;
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
        NoteUnanswered(id, text);
        return no;
    }
    const auto answer = ReadYesNo(text);
    if (!answer && !IsFollowUpOffer(id)) m_unanswered = true;
    return answer.value_or(false) ? yes : no;
}

int TerminalDialog::AskContinue(const ContinueConfirm& dialog) {
    ClearBar();
    const std::string text = Printable(dialog.text, true);
    if (auto planned = PlannedAnswer(dialog.id)) {
        // "Yes" for every item when the answer is yes (the all-button when
        // overwriting everything), "No" otherwise.
        if (m_options.overwrite == OverwritePolicy::All && dialog.id == QuestionId::OverwriteOutput)
            return ContinueConfirm::All;
        return *planned ? ContinueConfirm::First : ContinueConfirm::Third;
    }
    if (!m_options.interactive) {
        NoteUnanswered(dialog.id, text);
        return ContinueConfirm::Stop;
    }
    for (;;) {
        std::fprintf(m_err, "%s\n", text.c_str());
        for (int i = 0; i < 4; ++i)
            std::fprintf(m_err, "  %d) %s\n", i + 1, dialog.captions[static_cast<std::size_t>(i)].c_str());
        std::fprintf(m_err, "%s ", m_options.choicePrompt.c_str());
        std::fflush(m_err);
        char line[256];
        if (!std::fgets(line, sizeof line, m_in)) {
            std::fprintf(m_err, "\n");
            if (!IsFollowUpOffer(dialog.id)) m_unanswered = true;
            return ContinueConfirm::Stop;
        }
        const std::string answer = Trimmed(line);
        if (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '4') return answer[0] - '1';
    }
}

std::optional<std::string> TerminalDialog::AskLine(const std::string& prompt) {
    if (!m_options.interactive) return std::nullopt;
    ClearBar();
    std::fprintf(m_err, "%s ", prompt.c_str());
    std::fflush(m_err);
    char line[1024];
    if (!std::fgets(line, sizeof line, m_in)) return std::nullopt;
    std::string answer = Trimmed(line);
    if (answer.empty()) return std::nullopt;
    return answer;
}

void TerminalDialog::SetStatus(std::string_view text) {
    m_status = text;
    while (!m_status.empty() && (m_status.back() == '\n' || m_status.back() == '.')) m_status.pop_back();
    if (!m_options.verbose) return;
    ClearBar();
    std::fprintf(m_err, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void TerminalDialog::SetProgressRange(std::int64_t) {
    DrawBar();
}

void TerminalDialog::SetProgress(std::int64_t) {
    DrawBar();
}

void TerminalDialog::StepProgress(std::int64_t) {
    DrawBar();
}

void TerminalDialog::SetJobBytes(std::int64_t total) {
    m_jobTotal = total;
    m_started = NowSeconds();
}

void TerminalDialog::ReportBytes(std::string_view currentFile, std::int64_t done, std::int64_t) {
    if (currentFile.empty()) currentFile = m_status;  // the status line names the file in work
    // A new file, or a new pass over data (the count starting again), adds
    // to the bytes already done.
    if (currentFile != m_file || done < m_fileDone) {
        m_bytesBeforeFile += m_fileDone;
        m_file = currentFile;
        m_fileDone = 0;
    }
    m_fileDone = done;
    DrawBar();
}

int TerminalDialog::Columns() const {
    if (m_options.columns > 0) return m_options.columns;
    struct winsize size {};
    if (::ioctl(fileno(m_err), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* c = std::getenv("COLUMNS")) {
        const int n = std::atoi(c);
        if (n > 0) return n;
    }
    return 80;
}

void TerminalDialog::ClearBar() {
    if (!m_barShown) return;
    std::fprintf(m_err, "\r\033[K");
    std::fflush(m_err);
    m_barShown = false;
}

void TerminalDialog::DrawBar(bool force) {
    if (!m_options.progress) return;
    const double now = NowSeconds();
    if (!force && m_barShown && now - m_lastDraw < 0.1) return;
    m_lastDraw = now;
    ProgressState state;
    state.done = m_bytesBeforeFile + m_fileDone;
    state.total = m_jobTotal;
    state.seconds = now - m_started;
    state.file = m_file.empty() ? m_status : m_file;
    const std::string line = ProgressLineText(state, Columns(), m_options.progressLine);
    std::fprintf(m_err, "\r%s\033[K", line.c_str());
    std::fflush(m_err);
    m_barShown = true;
}

}  // namespace tessarin::cli
