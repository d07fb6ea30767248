#pragma once
// Independent readers and writers for the QR tests: zbarimg decodes symbols,
// segno (Debian's python3-segno) draws reference matrices.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qr/QrEncoder.h"

namespace tessarin::test {

bool HaveZbarimg();
bool HaveSegno();
bool HaveIdentify();

// Runs a shell command and returns its standard output; exit status in *status.
std::string RunCommand(const std::string& command, int* status = nullptr);

// Writes the symbol as a binary PBM with a 4-module quiet zone, scale pixels per module.
void WriteSymbolPbm(const QrSymbol& symbol, const std::filesystem::path& path, int scale = 4);

// What zbarimg reads from an image file: the raw bytes of the first symbol.
std::optional<std::string> ZbarDecodeFile(const std::filesystem::path& image);
std::optional<std::string> ZbarDecode(const QrSymbol& symbol);

// The matrix rows ('1' dark) of a symbol, and those segno makes for the same
// text with a forced version, level ("L", "M", "Q", "H"), mask and mode
// ("numeric", "alphanumeric", "byte", "kanji"). Empty when segno fails.
std::vector<std::string> MatrixRows(const QrSymbol& symbol);
std::vector<std::string> SegnoRows(std::string_view text, int version, const char* level, int mask, const char* mode);
// segno's matrices for masks 0 to 7 in one run; empty when segno fails.
std::vector<std::vector<std::string>> SegnoRowsAllMasks(std::string_view text, int version, const char* level,
                                                        const char* mode);
// The mask segno picks by itself for a single-mode text at a forced version; -1 on failure.
int SegnoAutoMask(std::string_view text, int version, const char* level, const char* mode);

std::string ToHex(std::string_view bytes);

// Empty when the matrices are equal, else a short account of where they differ.
std::string MatrixDifference(const std::vector<std::string>& ours, const std::vector<std::string>& theirs);

}  // namespace tessarin::test
