// Target "ini": the settings file reader and editor.
//
// Input: a key length byte, a value length byte, the key, the value, then the
// file. Every lookup stays within 255 characters and integers never read
// below zero; setting a key in section TZA makes any value without a line
// break read back as set and leaves the value of every other key the file
// had; a value with a line break is refused and changes no byte; saving
// again without a change gives the same bytes.

#include <algorithm>
#include <set>

#include "FuzzSupport.h"
#include "platform/IniFile.h"

namespace tessarin::fuzz {
namespace {

constexpr std::string_view kSection = "TZA";
constexpr std::size_t kMaxProbes = 24;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// A key the editor can write as one "key=value" line that reads back as it
// (keys are the program's own names).
bool UsableKey(std::string_view key) {
    return !key.empty() && Trimmed(key) == key && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

// Sections and keys named in the file, as candidates to look up.
std::vector<std::pair<std::string, std::string>> Probes(std::string_view file) {
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> sections{std::string(kSection)};
    std::vector<std::string> keys{"LanguageSel", "FirstStart"};
    std::size_t at = 0;
    while (at < file.size() && sections.size() + keys.size() < kMaxProbes) {
        std::size_t end = file.find('\n', at);
        if (end == std::string_view::npos) end = file.size();
        const std::string_view line = Trimmed(file.substr(at, end - at));
        at = end + 1;
        if (line.size() >= 2 && line.front() == '[') {
            const auto close = line.find(']');
            if (close != std::string_view::npos) sections.emplace_back(Trimmed(line.substr(1, close - 1)));
        } else if (const auto eq = line.find('='); eq != std::string_view::npos) {
            keys.emplace_back(Trimmed(line.substr(0, eq)));
        }
    }
    for (const auto& s : sections)
        for (const auto& k : keys)
            if (seen.insert({Lower(s), Lower(k)}).second) out.emplace_back(s, k);
    return out;
}

}  // namespace

std::string RunIni(Bytes input) {
    InputReader in(input);
    const std::size_t keyLength = in.U8() % 32;
    const std::size_t valueLength = in.U8();
    const std::string key(AsText(in.Take(keyLength)));
    const std::string value(AsText(in.Take(valueLength)));
    const std::string_view file = AsText(in.Rest());

    const auto path = FreshScratch() / "Values.dat";
    WriteAll(path, AsBytes(file));
    const auto probes = Probes(file);
    std::vector<std::string> before;
    for (const auto& [section, name] : probes) {
        before.push_back(GetPrivateProfileString(section, name, "\x01", path));
        Check(before.back().size() <= 255, "a string reads as at most 255 characters");
        Check(GetPrivateProfileInt(section, name, 7, path) >= 0, "an integer never reads below zero");
    }
    Check(ReadAll(path) == std::vector<std::uint8_t>(file.begin(), file.end()), "reading changes no byte");
    if (!UsableKey(key)) return "read";

    IniEditor editor(path);
    editor.Set(kSection, key, value);
    if (HasLineBreak(value)) {
        Check(!editor.Save(), "a value with a line break is refused");
        Check(ReadAll(path) == std::vector<std::uint8_t>(file.begin(), file.end()), "a refused value changes no byte");
        return "refused";
    }
    Check(editor.Save(), "a readable file can be saved");
    const std::string expected = value.substr(0, std::min<std::size_t>(value.size(), 255));
    Check(GetPrivateProfileString(kSection, key, "\x01", path) == expected, "a set key reads back as set");
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const auto& [section, name] = probes[i];
        if (Lower(section) == Lower(kSection) && Lower(name) == Lower(key)) continue;
        Check(GetPrivateProfileString(section, name, "\x01", path) == before[i], "other keys keep their values");
    }
    const auto saved = ReadAll(path);
    Check(IniEditor(path).Save() && ReadAll(path) == saved, "saving again without a change gives the same bytes");
    return "set";
}

}  // namespace tessarin::fuzz
