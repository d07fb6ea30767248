#include "cli/Output.h"

#include <unistd.h>

#include <cstdio>

#include "cli/TextWidth.h"

namespace tessarin::cli {

void PrintLabelled(const std::vector<std::pair<std::string, std::string>>& rows, std::size_t minColumn) {
    std::size_t column = minColumn;
    for (const auto& [label, value] : rows) column = std::max(column, DisplayWidth(label) + 1);
    for (const auto& [label, value] : rows)
        std::printf("%s%s\n", PadToWidth(label, column).c_str(), Printable(value).c_str());
}

void PrintPath(const std::string& path) {
    static const bool terminal = isatty(STDOUT_FILENO) != 0;
    std::printf("%s\n", terminal ? Printable(path).c_str() : path.c_str());
}

std::string JsonString(std::string_view text) {
    const std::string printable = Printable(text);  // control characters are '?' already
    std::string out = "\"";
    for (const char c : printable) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{";
    for (const auto& [key, value] : members) out += (out.size() > 1 ? ", " : "") + JsonString(key) + ": " + value;
    return out + "}";
}

std::string FingerprintText(std::uint64_t fingerprint) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04X %04X %04X %04X", static_cast<unsigned>((fingerprint >> 48) & 0xFFFF),
                  static_cast<unsigned>((fingerprint >> 32) & 0xFFFF),
                  static_cast<unsigned>((fingerprint >> 16) & 0xFFFF), static_cast<unsigned>(fingerprint & 0xFFFF));
    return buf;
}

}  // namespace tessarin::cli
