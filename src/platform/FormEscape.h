#pragma once
// Form escaping of bytes for URLs and url-encoded bodies: ASCII letters and
// digits stay, blanks become '+', every other byte becomes %XX (upper-case).

#include <string>
#include <string_view>

namespace tessarin {

enum class FormBlanks {
    SpaceOnly,      // only ' ' becomes '+'
    AnyWhitespace,  // ' ' and '\t' to '\r' become '+'
};

std::string FormEscape(std::string_view bytes, FormBlanks blanks);

}  // namespace tessarin
