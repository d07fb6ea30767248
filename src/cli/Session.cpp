#include "cli/Session.h"

#include <cstdio>

#include "platform/Host.h"

namespace tessarin::cli {

void Note(const std::string& text) {
    std::fprintf(stderr, "tza: %s\n", text.c_str());
}

Session::Session(CliContext& ctx)
    : m_ctx(ctx), m_host(DefaultHost()), m_core(std::make_unique<AppCore>(m_host, ctx.Dialog(), ctx.texts, m_mail)) {
    m_core->LoadSettings();
    m_core->SetBatchWorkers(ctx.options.jobs);
    // Long files report their bytes to the progress line.
    IUserDialog& dialog = ctx.Dialog();
    m_core->State().Cipher().SetChunkObserver([&dialog](std::int64_t done) { dialog.ReportBytes({}, done, 0); });
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

std::unique_ptr<Session> OpenSession(CliContext& ctx, int& status) {
    auto session = std::make_unique<Session>(ctx);
    if (session->OpenKeySet()) return session;
    status = kExitFailed;
    return nullptr;
}

}  // namespace tessarin::cli
