#include "cli/TextWidth.h"

#include <vector>

namespace tessarin::cli {
namespace {

struct Decoded {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};

// One UTF-8 sequence at text[i]: shortest form only, no surrogates.
Decoded DecodeAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return {};
    }
    if (i + length > text.size()) return {};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return {};
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length, true};
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

std::size_t CodeWidth(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F)) return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
                      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
                      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

// The printable characters of a text, each with its bytes and columns.
struct Piece {
    std::string bytes;
    std::size_t width;
};
std::vector<Piece> Pieces(std::string_view text, bool keepLines = false) {
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = DecodeAt(text, i);
        if (keepLines && d.valid && (d.code == '\n' || d.code == '\t'))
            pieces.push_back({std::string(1, static_cast<char>(d.code)), 0});
        else if (!d.valid || IsControl(d.code))
            pieces.push_back({"?", 1});
        else
            pieces.push_back({std::string(text.substr(i, d.length)), CodeWidth(d.code)});
        i += d.valid ? d.length : 1;
    }
    return pieces;
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (const Piece& p : Pieces(text)) width += p.width;
    return width;
}

std::string Printable(std::string_view text, bool keepLines) {
    std::string out;
    for (const Piece& p : Pieces(text, keepLines)) out += p.bytes;
    return out;
}

std::string FitWidth(std::string_view text, std::size_t width) {
    const std::vector<Piece> pieces = Pieces(text);
    std::size_t total = 0;
    for (const Piece& p : pieces) total += p.width;
    std::string out;
    if (total <= width) {
        for (const Piece& p : pieces) out += p.bytes;
        return out;
    }
    static constexpr std::string_view kEllipsis = "...";
    if (width < kEllipsis.size()) return std::string(width, '.');
    // The last characters that fit behind the ellipsis.
    std::size_t used = kEllipsis.size();
    std::size_t first = pieces.size();
    while (first > 0 && used + pieces[first - 1].width <= width) used += pieces[--first].width;
    out = kEllipsis;
    for (std::size_t k = first; k < pieces.size(); ++k) out += pieces[k].bytes;
    return out;
}

std::string PadToWidth(std::string_view text, std::size_t width) {
    const std::size_t have = DisplayWidth(text);
    std::string out(text);
    if (have < width) out.append(width - have, ' ');
    return out;
}

}  // namespace tessarin::cli
