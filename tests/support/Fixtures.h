#pragma once
// Paths to the shared fixtures made outside the project, and scratch folders.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessarin::test {

// ../shared/fixtures relative to the checkout.
std::filesystem::path FixturePath(const std::string& relative);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& p);
void WriteFileBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes);
// The regular files of a folder that are not hidden, in name order; none for
// a folder that does not exist.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder);

// A fresh folder removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// While it lives, file permissions bind the process even when it runs as
// root: the effective user becomes "nobody" (and the folders from `reach` up
// are opened for others to pass through, so that the test can still get
// there). A process that is not root keeps its own rights.
class WithoutRootRights {
public:
    explicit WithoutRootRights(const std::filesystem::path& reach = {});
    ~WithoutRootRights();
    WithoutRootRights(const WithoutRootRights&) = delete;
    WithoutRootRights& operator=(const WithoutRootRights&) = delete;

private:
    bool m_dropped = false;
};

}  // namespace tessarin::test
