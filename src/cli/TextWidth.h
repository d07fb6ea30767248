#pragma once
// Terminal columns of UTF-8 text: wide (East Asian) characters take two,
// combining marks none. Names read from files are untrusted, so what is
// shown on a terminal is first made printable.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessarin::cli {

// Columns the text takes; a byte that is not valid UTF-8 counts as one.
std::size_t DisplayWidth(std::string_view text);

// The text with control characters and bytes that are not valid UTF-8
// replaced by '?', so it cannot drive a terminal; with keepLines, line
// breaks and tabs stay.
std::string Printable(std::string_view text, bool keepLines = false);

// The text when it fits into width columns; otherwise "..." and as many of
// its last characters as fit, cut on character boundaries.
std::string FitWidth(std::string_view text, std::size_t width);

// Pads with spaces to width columns (nothing when already as wide).
std::string PadToWidth(std::string_view text, std::size_t width);

}  // namespace tessarin::cli
