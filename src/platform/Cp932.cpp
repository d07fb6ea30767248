#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace tessarin {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    bool ok = true;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                const std::size_t used = static_cast<std::size_t>(dst - out.data());
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = out.size() - used;
                continue;
            }
            ok = false;
            break;
        }
    }
    if (ok && iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) ok = false;
    const std::size_t used = static_cast<std::size_t>(dst - out.data());
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(used);
    return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    return Convert("UTF-8", "CP932", cp932);
}
std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8);
}

std::size_t Cp932FindAnyOf(std::string_view text, std::string_view chars, std::size_t from) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (IsCp932LeadByte(b)) {
            i += 2;  // a double-byte character never matches
            continue;
        }
        if (i >= from && chars.find(text[i]) != std::string_view::npos) return i;
        ++i;
    }
    return std::string_view::npos;
}

std::size_t Cp932FindLast(std::string_view text, char ch) {
    std::size_t found = std::string_view::npos;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (IsCp932LeadByte(b)) {
            i += 2;
            continue;
        }
        if (text[i] == ch) found = i;
        ++i;
    }
    return found;
}

}  // namespace tessarin
