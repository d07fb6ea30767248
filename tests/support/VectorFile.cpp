#include "VectorFile.h"

#include <fstream>
#include <stdexcept>

namespace tessarin::test {
namespace {

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

const std::string& VectorCase::Get(const std::string& name) const {
    auto it = fields.find(name);
    if (it == fields.end()) throw std::runtime_error("vector at line " + std::to_string(line) + " lacks " + name);
    return it->second;
}

std::vector<std::uint8_t> VectorCase::Hex(const std::string& name) const {
    return FromHex(Get(name));
}

std::vector<VectorCase> LoadVectors(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot open " + file.string());
    std::vector<VectorCase> cases;
    VectorCase current;
    std::string raw;
    int lineNo = 0;
    auto flush = [&] {
        if (!current.fields.empty()) cases.push_back(current);
        current = {};
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty()) {
            flush();
            continue;
        }
        if (line[0] == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error(file.string() + ":" + std::to_string(lineNo) + ": no '='");
        if (current.fields.empty()) current.line = lineNo;
        // The value keeps inner spaces; only the one space after '=' goes.
        std::string value = raw.substr(raw.find('=') + 1);
        if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        while (!value.empty() && (value.back() == '\r')) value.pop_back();
        current.fields[Trim(line.substr(0, eq))] = value;
    }
    flush();
    return cases;
}

std::filesystem::path TestDataPath(const std::string& relative) {
    return std::filesystem::path(TESSARIN_TEST_DATA_DIR) / relative;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    int high = -1;
    for (char c : hex) {
        const int v = nibble(c);
        if (v < 0) continue;
        if (high < 0)
            high = v;
        else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

std::string ToHex(const std::uint8_t* data, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

}  // namespace tessarin::test
