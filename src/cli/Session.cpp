#include "cli/Session.h"

#include <cstdio>

#include "keys/KeyFiles.h"
#include "platform/Host.h"

namespace tessarin::cli {

namespace fs = std::filesystem;

void Note(const std::string& text) {
    std::fprintf(stderr, "tza: %s\n", text.c_str());
}

Session::Session(CliContext& ctx)
    : m_ctx(ctx), m_host(DefaultHost()), m_core(std::make_unique<AppCore>(m_host, ctx.Dialog(), ctx.texts, m_mail)) {
    m_core->LoadSettings();
    // Long files report their bytes to the progress line.
    IUserDialog& dialog = ctx.Dialog();
    m_core->State().Cipher().SetChunkObserver([&dialog](std::int64_t done) { dialog.ReportBytes({}, done, 0); });
}

bool Session::OpenKeySet() {
    const auto& o = m_ctx.options;
    if (!o.keysFolder.empty()) {
        std::string name = o.keySetName;
        if (name.empty()) {
            const auto pairs = CKeySetCreation::FindKeyPairs(o.keysFolder);
            if (pairs.size() != 1) {
                Note(pairs.empty() ? "no key pair in " + o.keysFolder.string()
                                   : "several key pairs in " + o.keysFolder.string() + ": choose one with --name");
                return false;
            }
            name = KeySetNameOfPublicKeyFile(pairs[0].first);
        }
        if (!m_core->UseKeySet(o.keysFolder, PublicKeyFileName(name), PrivateKeyFileName(name))) {
            Note("no complete key pair " + name + " in " + o.keysFolder.string());
            return false;
        }
        return true;
    }
    if (!m_core->UseKeySetFromSettings()) {
        Note("no key set in use: run 'tza keygen' or give --keys DIR");
        return false;
    }
    return true;
}

std::unique_ptr<Session> OpenSession(CliContext& ctx, int& status) {
    auto session = std::make_unique<Session>(ctx);
    if (session->OpenKeySet()) return session;
    status = kExitFailed;
    return nullptr;
}

}  // namespace tessarin::cli
