#include "cli/Session.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/Host.h"

namespace tessarin::cli {

bool IsContainerName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tza";
}

void Note(const std::string& text) {
    std::fprintf(stderr, "tza: %s\n", text.c_str());
}

Session::Session(CliContext& ctx)
    : m_ctx(ctx), m_host(DefaultHost()), m_core(std::make_unique<AppCore>(m_host, ctx.Dialog(), ctx.texts, m_mail)) {
    m_core->LoadSettings();
    m_core->SetBatchWorkers(ctx.options.jobs);
}

bool Session::OpenKeySet() {
    const auto& o = m_ctx.options;
    const KeySetOpenResult opened = m_core->SwitchKeySet(o.keysFolder, o.keySetName);
    if (!opened.Ok()) Note(m_core->KeySetOpenText(opened, o.keysFolder));
    return opened.Ok();
}

bool Session::Report(const JobResult& result) {
    if (result.status == JobStatus::NotAContainer)
        m_ctx.Dialog().ShowMessage(m_core->RefusalText(result), MessageKind::Error, {});
    else if (const std::string text = m_core->RefusalText(result); !text.empty())
        Note(text);
    return result.Ok();
}

std::int64_t JobBytes(const std::vector<std::filesystem::path>& paths, int passes, bool skipContainersInFolders) {
    namespace fs = std::filesystem;
    std::int64_t total = 0;
    const auto add = [&total](const fs::directory_entry& e) {
        std::error_code ec;
        if (e.is_regular_file(ec) && !e.is_symlink(ec)) total += static_cast<std::int64_t>(e.file_size(ec));
    };
    for (const auto& p : paths) {
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(p, ec))) {
            for (fs::recursive_directory_iterator it(p, fs::directory_options::skip_permission_denied, ec), end;
                 !ec && it != end; it.increment(ec))
                if (!skipContainersInFolders || !IsContainerName(it->path())) add(*it);
        } else {
            add(fs::directory_entry(p, ec));
        }
    }
    return total * passes;
}

PrivateFolder::PrivateFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tza-XXXXXX";
    if (::mkdtemp(pattern.data())) m_path = pattern;  // mkdtemp makes it 0700
}

PrivateFolder::~PrivateFolder() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

bool CopyStream(std::FILE* from, std::FILE* to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), from);
        if (n > 0 && std::fwrite(buffer.data(), 1, n, to) != n) return false;
        if (n < buffer.size()) return std::ferror(from) == 0 && std::fflush(to) == 0;
    }
}

bool CopyFileToStdout(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return false;
    const bool ok = CopyStream(in, stdout);
    std::fclose(in);
    return ok;
}

std::unique_ptr<Session> OpenSession(CliContext& ctx, int& status) {
    auto session = std::make_unique<Session>(ctx);
    if (session->OpenKeySet()) return session;
    status = kExitFailed;
    return nullptr;
}

}  // namespace tessarin::cli
