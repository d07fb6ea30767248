#include "Fixtures.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessarin::test {

std::filesystem::path FixturePath(const std::string& relative) {
    return std::filesystem::path(TESSARIN_SHARED_DIR) / "fixtures" / relative;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tessarin-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make files read-only; give write bits back so removal works.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> out;
    if (!std::filesystem::is_directory(folder)) return out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

WithoutRootRights::WithoutRootRights(const std::filesystem::path& reach) {
    if (::geteuid() != 0) return;
    std::error_code ec;
    for (auto p = reach; !p.empty() && p != p.root_path(); p = p.parent_path())
        std::filesystem::permissions(p, std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
                                     std::filesystem::perm_options::add, ec);
    m_dropped = ::seteuid(65534) == 0;
}

WithoutRootRights::~WithoutRootRights() {
    if (m_dropped && ::seteuid(0) != 0) std::abort();
}

}  // namespace tessarin::test
