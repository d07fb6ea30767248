#pragma once
// How tza prints: label columns lined up by display width, JSON strings, key
// fingerprints.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessarin::cli {

// "label  value" lines, the values lined up in one column (at least
// minColumn) by display width.
void PrintLabelled(const std::vector<std::pair<std::string, std::string>>& rows, std::size_t minColumn = 0);

// A path written by a job, one a line: as it is for a script, made
// printable on a terminal (it may come from a name stored in a container).
void PrintPath(const std::string& path);

// A JSON string literal, quotes included; bytes that are not valid UTF-8
// become '?'.
std::string JsonString(std::string_view text);

// A JSON object from key/value pairs whose values are already JSON.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members);

// The fingerprint as 16 upper-case hexadecimal digits in groups of four.
std::string FingerprintText(std::uint64_t fingerprint);

}  // namespace tessarin::cli
