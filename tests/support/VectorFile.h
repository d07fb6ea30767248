#pragma once
// Loads INI-like test vector files: '#' comments, then blocks of
// "Name = value" lines separated by blank lines. Each block is one case.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tessarin::test {

struct VectorCase {
    int line = 0;  // where the block starts, for failure messages
    std::map<std::string, std::string> fields;

    const std::string& Get(const std::string& name) const;
    bool Has(const std::string& name) const { return fields.count(name) != 0; }
    std::vector<std::uint8_t> Hex(const std::string& name) const;
};

std::vector<VectorCase> LoadVectors(const std::filesystem::path& file);
// Under tests/data.
std::filesystem::path TestDataPath(const std::string& relative);
std::vector<std::uint8_t> FromHex(const std::string& hex);
std::string ToHex(const std::uint8_t* data, std::size_t n);

}  // namespace tessarin::test
