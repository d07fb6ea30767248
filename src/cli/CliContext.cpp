#include "cli/CliContext.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "container/DecryptTexts.h"

namespace tessarin::cli {
namespace {

bool LocaleIsJapanese() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return std::strncmp(v, "ja", 2) == 0;
    }
    return false;
}

// True when text is what format gives for some arguments: it starts and ends
// with the format's literal pieces and holds the inner pieces in order.
bool MatchesFormat(std::string_view text, std::string_view format) {
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0;;) {
        const auto conversion = format.find('%', at);
        if (conversion == std::string_view::npos || conversion + 1 >= format.size()) {
            pieces.push_back(format.substr(at));
            break;
        }
        pieces.push_back(format.substr(at, conversion - at));
        at = conversion + 2;  // the texts here use plain %s and %d
    }
    if (pieces.size() < 2 || !text.starts_with(pieces.front()) || !text.ends_with(pieces.back())) return false;
    std::size_t at = pieces.front().size();
    const std::size_t end = text.size() - pieces.back().size();
    if (at > end) return false;
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const auto found = text.substr(0, end).find(pieces[i], at);
        if (found == std::string_view::npos) return false;
        at = found + pieces[i].size();
    }
    return true;
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
    // The pipelines' overwrite questions end with their fixed sentences.
    t.isOverwriteQuestion = [this](std::string_view text) {
        auto endsWith = [&](std::string_view tail) {
            return !tail.empty() && text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
        };
        return endsWith(texts[slot::kOverwriteSameName]) || endsWith(container::decrypt_text::kOverwriteDecrypt);
    };
    // The decryption's question whether to authenticate a container's
    // sender, and the sender follow-up's own question.
    t.authenticateSender = options.authenticateSender;
    t.isSenderQuestion = [this](std::string_view text) {
        return MatchesFormat(text, container::decrypt_text::kAuthenticateCreator) ||
               MatchesFormat(text, texts[slot::kSenderAlreadyAuthenticated]);
    };
    t.senderAnsweredNoNote = texts[slot::kSenderQuestionAnsweredNo];
    m_dialog = std::make_unique<TerminalDialog>(std::move(t));
}

int CliContext::Finish(bool ok) const {
    if (m_dialog && m_dialog->Unanswered()) return kExitFailed;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace tessarin::cli
