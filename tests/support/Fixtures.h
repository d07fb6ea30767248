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

}  // namespace tessarin::test
