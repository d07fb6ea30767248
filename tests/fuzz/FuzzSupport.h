#pragma once
// What every fuzz target shares: the table of targets, the property check,
// a scratch folder for targets that read files, and a reader that cuts the
// input into pieces.
//
// A target is a function from the input bytes to a short outcome word
// ("loaded", "refused", ...). libFuzzer runs it through FuzzMain.cpp; the
// replay test runs it over the seed corpus and the findings, and compares
// the outcome of each finding vector with the one written in it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin::fuzz {

using Bytes = std::span<const std::uint8_t>;
using FuzzEntry = std::string (*)(Bytes input);

struct FuzzTarget {
    std::string_view name;  // folder name under corpus/ and findings/
    FuzzEntry run;
};

// Every target, in a fixed order.
std::span<const FuzzTarget> AllTargets();

// The entry functions, one per target.
std::string RunContainer(Bytes input);
std::string RunHistory(Bytes input);
std::string RunKeyFile(Bytes input);
std::string RunAuthRecord(Bytes input);
std::string RunMemberList(Bytes input);
std::string RunPersonalInfo(Bytes input);
std::string RunAuthHistory(Bytes input);
std::string RunIni(Bytes input);
std::string RunQrImport(Bytes input);
std::string RunService(Bytes input);
std::string RunCp932(Bytes input);
std::string RunBigNumber(Bytes input);
std::string RunBackupShare(Bytes input);

// The file key the history target reads containers under (for the seeds).
std::span<const std::uint8_t, 32> HistoryFuzzKey();

// A property that must hold. A failed check goes to the handler: by default
// it prints the text and aborts (libFuzzer then keeps the input); the replay
// test installs one that throws.
using CheckHandler = void (*)(const char* what);
void SetCheckHandler(CheckHandler handler);
void Check(bool holds, const char* what);

// A private folder of this process, emptied by every call; removed at exit.
std::filesystem::path FreshScratch();

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, Bytes bytes);
inline std::string_view AsText(Bytes b) {
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}
inline Bytes AsBytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Takes the input apart from the front; past the end it yields zeros and
// empty pieces.
class InputReader {
public:
    explicit InputReader(Bytes input) : m_input(input) {}
    std::uint8_t U8() { return m_pos < m_input.size() ? m_input[m_pos++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
    Bytes Take(std::size_t n) {
        const std::size_t k = n < Left() ? n : Left();
        const Bytes b = m_input.subspan(m_pos, k);
        m_pos += k;
        return b;
    }
    Bytes Rest() { return Take(Left()); }
    std::size_t Left() const { return m_input.size() - m_pos; }

private:
    Bytes m_input;
    std::size_t m_pos = 0;
};

}  // namespace tessarin::fuzz
