#pragma once
// Small pieces every benchmark uses: whole-file reads and writes, wall-clock
// seconds, peak memory, and a dialog that answers Yes and shows nothing.

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/UserDialog.h"

namespace tessarin::bench {

inline std::vector<std::uint8_t> ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteAll(const std::filesystem::path& p, const std::vector<std::uint8_t>& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Peak resident memory of the process so far, in KiB.
inline long PeakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Answers Yes (and "all" in continue-confirms), keeps the last message.
class YesDialog final : public IUserDialog {
public:
    void ShowMessage(std::string_view text, MessageKind, std::string_view) override { last = std::string(text); }
    Answer Ask(QuestionId, std::string_view, QuestionButtons, std::string_view) override { return Answer::Yes; }
    int AskContinue(const ContinueConfirm&) override { return ContinueConfirm::All; }
    void SetStatus(std::string_view) override {}
    void SetProgressRange(std::int64_t) override {}
    void SetProgress(std::int64_t) override {}
    void StepProgress(std::int64_t) override {}
    bool CancelRequested() override { return false; }
    std::string last;
};

}  // namespace tessarin::bench
