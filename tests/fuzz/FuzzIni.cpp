// Target "ini": the settings file reader and editor.
//
// Input: a key length byte, a value length byte, the key, the value, then the
// file. Every lookup stays within 255 characters and integers never read
// below zero; setting a key in section TZA makes any value without a line
// feed read back as set and leaves the value of every other key the file
// had; a value with a line feed is refused and changes no byte; saving
// again without a change gives the same bytes. The settings record makes the
// same round trip through the whole Values.dat.

#include <algorithm>
#include <set>

#include "FuzzSupport.h"
#include "app/SettingsRecord.h"
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

// The settings record read from a file, written to a fresh file, read and
// written again gives the same bytes; written over the file it came from, it
// reads back to the same record.
void CheckSettingsRoundTrip(const std::filesystem::path& file) {
    const auto folder = file.parent_path();
    SettingsRecord first;
    first.Read(file);
    Check(first.Write(folder / "first.dat"), "settings that were read can be written");
    SettingsRecord second;
    second.Read(folder / "first.dat");
    Check(second.Write(folder / "second.dat"), "settings read back can be written");
    const auto written = ReadAll(folder / "first.dat");
    Check(ReadAll(folder / "second.dat") == written, "settings written, read and written again give the same bytes");
    Check(first.Write(file), "settings can be written over the file they came from");
    SettingsRecord third;
    third.Read(file);
    Check(third.Write(folder / "third.dat") && ReadAll(folder / "third.dat") == written,
          "settings written over their file read back the same");
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
    if (!UsableKey(key)) {
        CheckSettingsRoundTrip(path);
        return "read";
    }

    IniEditor editor(path);
    editor.Set(kSection, key, value);
    if (value.find('\n') != std::string::npos) {
        Check(!editor.Save(), "a value with a line feed is refused");
        Check(ReadAll(path) == std::vector<std::uint8_t>(file.begin(), file.end()), "a refused value changes no byte");
        CheckSettingsRoundTrip(path);
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
    CheckSettingsRoundTrip(path);
    return "set";
}

}  // namespace tessarin::fuzz
