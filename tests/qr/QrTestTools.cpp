#include "QrTestTools.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "Fixtures.h"

namespace tessarin::test {
namespace {

const std::string kSegnoScript = std::string(TESSARIN_TEST_DATA_DIR) + "/qr/segno_matrix.py";

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool CommandSucceeds(const std::string& command) {
    int status = 0;
    RunCommand(command + " >/dev/null 2>&1", &status);
    return status == 0;
}

}  // namespace

bool HaveZbarimg() {
    static const bool have = CommandSucceeds("command -v zbarimg");
    return have;
}
bool HaveSegno() {
    static const bool have = CommandSucceeds("/usr/bin/python3 -c 'import segno'");
    return have;
}
bool HaveIdentify() {
    static const bool have = CommandSucceeds("command -v identify");
    return have;
}

std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status) *status = -1;
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

void WriteSymbolPbm(const QrSymbol& symbol, const std::filesystem::path& path, int scale) {
    constexpr int kQuiet = 4;
    const int side = (symbol.size + 2 * kQuiet) * scale;
    const int rowBytes = (side + 7) / 8;
    std::string data = "P4\n" + std::to_string(side) + " " + std::to_string(side) + "\n";
    for (int py = 0; py < side; ++py) {
        std::string row(static_cast<std::size_t>(rowBytes), '\0');
        for (int px = 0; px < side; ++px) {
            const int x = px / scale - kQuiet, y = py / scale - kQuiet;
            const bool dark = x >= 0 && y >= 0 && x < symbol.size && y < symbol.size && symbol.Dark(x, y);
            if (dark) row[static_cast<std::size_t>(px / 8)] |= static_cast<char>(0x80 >> (px % 8));
        }
        data += row;
    }
    std::ofstream(path, std::ios::binary) << data;
}

std::optional<std::string> ZbarDecodeFile(const std::filesystem::path& image) {
    int status = 0;
    // -Sbinary: the symbol's bytes as they are, Kanji segments as Shift-JIS.
    std::string out = RunCommand("zbarimg --raw -q -Sbinary " + Quote(image.string()) + " 2>/dev/null", &status);
    if (status != 0) return std::nullopt;
    return out;
}

std::optional<std::string> ZbarDecode(const QrSymbol& symbol) {
    TempDir dir;
    const auto path = dir / "symbol.pbm";
    WriteSymbolPbm(symbol, path);
    return ZbarDecodeFile(path);
}

std::vector<std::string> MatrixRows(const QrSymbol& symbol) {
    std::vector<std::string> rows;
    for (int y = 0; y < symbol.size; ++y) {
        std::string row;
        for (int x = 0; x < symbol.size; ++x) row += symbol.Dark(x, y) ? '1' : '0';
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> SegnoRows(std::string_view text, int version, const char* level, int mask, const char* mode) {
    int status = 0;
    const std::string out =
        RunCommand("/usr/bin/python3 " + Quote(kSegnoScript) + " " + ToHex(text) + " " + std::to_string(version) + " " +
                       level + " " + std::to_string(mask) + " " + mode,
                   &status);
    std::vector<std::string> rows;
    if (status != 0) return rows;
    std::size_t start = 0;
    for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
        rows.push_back(out.substr(start, nl - start));
    return rows;
}

std::vector<std::vector<std::string>> SegnoRowsAllMasks(std::string_view text, int version, const char* level,
                                                        const char* mode) {
    int status = 0;
    const std::string out = RunCommand("/usr/bin/python3 " + Quote(kSegnoScript) + " " + ToHex(text) + " " +
                                           std::to_string(version) + " " + level + " all " + mode,
                                       &status);
    std::vector<std::vector<std::string>> matrices(1);
    if (status != 0) return {};
    std::size_t start = 0;
    for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1) {
        if (nl == start)
            matrices.emplace_back();
        else
            matrices.back().push_back(out.substr(start, nl - start));
    }
    if (matrices.back().empty()) matrices.pop_back();
    return matrices;
}

int SegnoAutoMask(std::string_view text, int version, const char* level, const char* mode) {
    int status = 0;
    const std::string out = RunCommand("/usr/bin/python3 " + Quote(kSegnoScript) + " " + ToHex(text) + " " +
                                           std::to_string(version) + " " + level + " auto " + mode,
                                       &status);
    if (status != 0 || out.empty()) return -1;
    return std::stoi(out);
}

std::string MatrixDifference(const std::vector<std::string>& ours, const std::vector<std::string>& theirs) {
    if (ours.size() != theirs.size())
        return "sizes " + std::to_string(ours.size()) + " and " + std::to_string(theirs.size());
    int count = 0;
    std::string first;
    for (std::size_t y = 0; y < ours.size(); ++y)
        for (std::size_t x = 0; x < ours[y].size() && x < theirs[y].size(); ++x)
            if (ours[y][x] != theirs[y][x] && count++ == 0)
                first = "first at column " + std::to_string(x) + ", row " + std::to_string(y);
    if (count == 0) return {};
    return std::to_string(count) + " modules differ, " + first;
}

std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kDigits[(static_cast<unsigned char>(c) >> 4) & 0xF];
        out += kDigits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

}  // namespace tessarin::test
