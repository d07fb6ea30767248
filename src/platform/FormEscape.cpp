#include "platform/FormEscape.h"

namespace tessarin {

std::string FormEscape(std::string_view bytes, FormBlanks blanks) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool blank = c == ' ' || (blanks == FormBlanks::AnyWhitespace && c >= '\t' && c <= '\r');
        if (alnum) {
            out += ch;
        } else if (blank) {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

}  // namespace tessarin
