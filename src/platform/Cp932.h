#pragma once
// Shift-JIS (code page 932) at the edges: file formats keep CP932 bytes, the
// user interface and file names are UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// Empty optional when the input does not convert (invalid or unmappable).
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Lead bytes of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsCp932LeadByte(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Character-wise search: the offset of the first single-byte character of text
// that is one of chars, never matching the second byte of a double-byte
// character. npos when none.
std::size_t Cp932FindAnyOf(std::string_view text, std::string_view chars, std::size_t from = 0);
// The offset of the last single-byte occurrence of ch, character-wise.
std::size_t Cp932FindLast(std::string_view text, char ch);

}  // namespace tessarin
