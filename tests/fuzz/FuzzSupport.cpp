#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tessarin::fuzz {
namespace {

void AbortOnFailure(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

CheckHandler g_handler = AbortOnFailure;

class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        auto base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
        std::string tmpl = (base / "tessarin-fuzz-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) AbortOnFailure("cannot make a scratch folder");
        m_path = tmpl;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace

std::span<const FuzzTarget> AllTargets() {
    static const FuzzTarget kTargets[] = {
        {"container", RunContainer},
        {"history", RunHistory},
        {"keyfile", RunKeyFile},
        {"authrecord", RunAuthRecord},
        {"memberlist", RunMemberList},
        {"personalinfo", RunPersonalInfo},
        {"authhistory", RunAuthHistory},
        {"ini", RunIni},
        {"qrimport", RunQrImport},
        {"service", RunService},
        {"cp932", RunCp932},
        {"bignumber", RunBigNumber},
        {"backupshare", RunBackupShare},
    };
    return kTargets;
}

void SetCheckHandler(CheckHandler handler) {
    g_handler = handler ? handler : AbortOnFailure;
}

void Check(bool holds, const char* what) {
    if (!holds) g_handler(what);
}

std::filesystem::path FreshScratch() {
    static const ScratchFolder folder;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path(), ec)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(entry.path(), ec);
    }
    return folder.Path();
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, Bytes bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Check(static_cast<bool>(out.flush()), "cannot write a scratch file");
}

}  // namespace tessarin::fuzz
