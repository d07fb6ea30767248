#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/TempFile.h"

namespace tessarin {
namespace {

constexpr std::size_t kMaxString = 255;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// "key=value" gives key and value; comments and other lines give nothing.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

std::optional<std::string> Lookup(std::string_view section, std::string_view key, const std::filesystem::path& file) {
    bool inSection = false;
    for (const std::string& line : ReadLines(file)) {
        if (auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection) continue;
        if (auto kv = KeyValue(line); kv && SameName(kv->first, key)) {
            std::string_view value = kv->second;
            // One pair of surrounding quotes is removed, as the platform did.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
    }
    return std::nullopt;
}

// A line feed ends a line: a text holding one cannot be stored in a line.
bool HasLineBreak(std::string_view s) {
    return s.find('\n') != std::string_view::npos;
}

// The value as stored: one the reader would change (blanks at either end are
// trimmed, one pair of surrounding quotes removed) goes inside double quotes,
// which the reader takes off again.
std::string StoredValue(std::string_view value) {
    const bool trimmed = Trim(value).size() != value.size();
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (!trimmed && !quoted) return std::string(value);
    std::string out(1, '"');
    out.append(value).push_back('"');
    return out;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::filesystem::path& file) {
    std::string value = Lookup(section, key, file).value_or(std::string(defaultValue));
    if (value.size() > kMaxString) value.resize(kMaxString);
    return value;
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file) {
    const auto text = Lookup(section, key, file);
    if (!text) return defaultValue;
    std::string_view s = Trim(*text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
    }
    if (negative) return 0;
    return static_cast<int>(value);
}

IniEditor::IniEditor(std::filesystem::path file) : m_file(std::move(file)), m_lines(ReadLines(m_file)) {
    std::error_code ec;
    m_unreadable = std::filesystem::exists(m_file, ec) && !std::ifstream(m_file, std::ios::binary).is_open();
}

void IniEditor::Set(std::string_view section, std::string_view key, std::string_view value) {
    // A line feed would end the line early and make the rest a line of its
    // own (another key, another section): such a text cannot be stored.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
        m_unstorable = true;
        return;
    }
    std::string entry(key);
    entry.append(1, '=').append(StoredValue(value));
    bool inSection = false;
    std::size_t sectionEnd = std::string::npos;  // where a new key of the section goes
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (auto name = SectionName(m_lines[i])) {
            if (inSection) break;
            inSection = SameName(*name, section);
            if (inSection) sectionEnd = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (auto kv = KeyValue(m_lines[i]); kv && SameName(kv->first, key)) {
            m_lines[i] = std::move(entry);
            return;
        }
        if (!Trim(m_lines[i]).empty()) sectionEnd = i + 1;
    }
    if (sectionEnd == std::string::npos) {
        std::string header(1, '[');
        header.append(section).push_back(']');
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(entry));
    } else {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), std::move(entry));
    }
}

bool IniEditor::Save() const {
    if (m_unreadable || m_unstorable) return false;
    std::string bytes;
    for (const auto& line : m_lines) bytes.append(line).append("\r\n");

    return WriteFileAtomically(m_file, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file) {
    IniEditor editor(file);
    editor.Set(section, key, value);
    return editor.Save();
}

}  // namespace tessarin
