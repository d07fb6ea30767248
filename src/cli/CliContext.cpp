#include "cli/CliContext.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tessarin::cli {
namespace {

bool LocaleIsJapanese() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return std::strncmp(v, "ja", 2) == 0;
    }
    return false;
}

}  // namespace

void CliContext::Prepare() {
    // The Japanese texts always go in first: slots without an English text
    // keep them.
    texts.FillJapanese();
    const bool english = options.language.empty() ? !LocaleIsJapanese() : options.language == "en";
    if (english) texts.FillEnglish();

    TerminalOptions t;
    t.interactive = isatty(STDIN_FILENO) != 0;
    t.progress = isatty(STDERR_FILENO) != 0;
    t.verbose = options.verbose;
    if (options.yes) t.answer = true;
    if (options.no) t.answer = false;
    if (options.overwrite == "all") t.overwrite = OverwritePolicy::All;
    if (options.overwrite == "none") t.overwrite = OverwritePolicy::None;
    t.authenticateSender = options.authenticateSender;
    t.senderAnsweredNoNote = texts[slot::kSenderQuestionAnsweredNo];
    t.noAnswerNote = texts[slot::kCliNoAnswerGiven];
    m_dialog = std::make_unique<TerminalDialog>(std::move(t));
}

int CliContext::Finish(bool ok) const {
    if (m_dialog && m_dialog->Unanswered()) return kExitFailed;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace tessarin::cli
