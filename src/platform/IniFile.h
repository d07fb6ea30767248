#pragma once
// Private-profile INI files: sections and keys matched without regard to case,
// strings read into a 256-byte buffer (at most 255 characters), integers
// parsed as decimal text, a missing file or key giving the caller's default.
// Writes keep every other line of the file and replace it atomically. A value
// the reader would change (blanks at either end, surrounding quotes) is
// written inside double quotes so that it reads back as it was.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::filesystem::path& file);
// Leading decimal digits (after white space and an optional sign); a value
// below zero reads as 0, as does text with no digits.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file);
// Creates the file and section when absent. False when the file cannot be
// written or a text holds a line feed; the old file is then left as it was.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file);

// Several writes to one file, saved together: the same edits as
// WritePrivateProfileString, one atomic replacement.
class IniEditor {
public:
    explicit IniEditor(std::filesystem::path file);
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // False, writing nothing, when the file exists but could not be read
    // (saving would lose every line it holds), or when a section, key or
    // value given to Set held a line feed (it would turn into lines of its
    // own).
    [[nodiscard]] bool Save() const;

private:
    std::filesystem::path m_file;
    std::vector<std::string> m_lines;
    bool m_unreadable = false;
    bool m_unstorable = false;
};

}  // namespace tessarin
