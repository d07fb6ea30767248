#pragma once
// MailMessage: recipients and attachments handed to the user's own mail
// program, which shows its compose window so the user reviews and sends.
// On Linux the hand-over runs "xdg-email" through an IMailLauncher, which
// tests replace so no real mail program is ever started.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

class IMailLauncher {
public:
    virtual ~IMailLauncher() = default;
    // Runs the program with the arguments (argv[0] is the program name) and
    // waits for it; true when it ran and reported success.
    virtual bool Run(const std::vector<std::string>& argv) = 0;
};

// Starts the program found on PATH with posix_spawnp, no shell involved.
class SpawnMailLauncher final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>& argv) override;
};

class MailMessage final {
public:
    enum RecipientType : int { To = 0, Cc = 1, Bcc = 2 };
    // MAPI recipient classes.
    static constexpr int kClassTo = 1;
    static constexpr int kClassCc = 2;
    static constexpr int kClassBcc = 3;
    static constexpr std::size_t kGrowBy = 5;
    static constexpr const char* kProgram = "xdg-email";

    struct Recipient {
        int recipientClass = kClassTo;
        std::string name;  // the caller's text, normally a mail address
    };

    explicit MailMessage(IMailLauncher& launcher);

    void Reset();
    // 0 when the text is empty or the type is not 0, 1 or 2; else 1.
    int AddRecipient(std::string_view text, int type = To);
    // 0 when the path does not exist or is a folder; else 1.
    int AddAttachment(const std::filesystem::path& path);
    // Hands the message over; 1 when the mail program took it, else 0. The
    // mail program always shows its compose window (xdg-email has no silent
    // send), so showDialog only documents the caller's intent.
    int Send(std::string_view subject, std::string_view body, bool showDialog = true);

    const std::vector<Recipient>& Recipients() const { return m_recipients; }
    const std::vector<std::filesystem::path>& Attachments() const { return m_attachments; }
    // Room in the arrays: 5 at first, growing by 5 entries at a time.
    std::size_t RecipientCapacity() const { return m_recipientRoom; }
    std::size_t AttachmentCapacity() const { return m_attachmentRoom; }

    // The argument list Send passes to the launcher.
    std::vector<std::string> CommandLine(std::string_view subject, std::string_view body) const;

private:
    IMailLauncher& m_launcher;
    std::vector<Recipient> m_recipients;
    std::vector<std::filesystem::path> m_attachments;
    std::size_t m_recipientRoom = kGrowBy;
    std::size_t m_attachmentRoom = kGrowBy;
};

}  // namespace tessarin
