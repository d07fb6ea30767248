#include "app/MailMessage.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace tessarin {

bool SpawnMailLauncher::Run(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

MailMessage::MailMessage(IMailLauncher& launcher) : m_launcher(launcher) {}

void MailMessage::Reset() {
    m_recipients.clear();
    m_attachments.clear();
    m_recipientRoom = kGrowBy;
    m_attachmentRoom = kGrowBy;
}

int MailMessage::AddRecipient(std::string_view text, int type) {
    // A leading '-' would read as an option of the mail hand-over.
    if (text.empty() || text.front() == '-') return 0;
    int cls = 0;
    switch (type) {
        case To:
            cls = kClassTo;
            break;
        case Cc:
            cls = kClassCc;
            break;
        case Bcc:
            cls = kClassBcc;
            break;
        default:
            return 0;
    }
    if (m_recipients.size() == m_recipientRoom) m_recipientRoom += kGrowBy;
    m_recipients.push_back({cls, std::string(text)});
    return 1;
}

int MailMessage::AddAttachment(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return 0;
    if (m_attachments.size() == m_attachmentRoom) m_attachmentRoom += kGrowBy;
    m_attachments.push_back(std::filesystem::absolute(path, ec));
    if (ec) m_attachments.back() = path;
    return 1;
}

std::vector<std::string> MailMessage::CommandLine(std::string_view subject, std::string_view body) const {
    std::vector<std::string> argv{kProgram, "--utf8"};
    for (const auto& r : m_recipients) {
        if (r.recipientClass == kClassCc)
            argv.insert(argv.end(), {"--cc", r.name});
        else if (r.recipientClass == kClassBcc)
            argv.insert(argv.end(), {"--bcc", r.name});
    }
    argv.insert(argv.end(), {"--subject", std::string(subject), "--body", std::string(body)});
    for (const auto& a : m_attachments) argv.insert(argv.end(), {"--attach", a.string()});
    for (const auto& r : m_recipients)
        if (r.recipientClass == kClassTo) argv.push_back(r.name);
    return argv;
}

int MailMessage::Send(std::string_view subject, std::string_view body, bool /*showDialog*/) {
    return m_launcher.Run(CommandLine(subject, body)) ? 1 : 0;
}

}  // namespace tessarin
