#pragma once
// tza's help, option and usage-error texts. The language table keeps them in
// a few slots of "key<TAB>text" lines (key "encrypt.to" is the help of
// encrypt's --to, "cmd.encrypt" the command's own line, "usage.*" the usage
// errors); this makes them addressable by key.

#include <map>
#include <string>
#include <string_view>

#include "core/LanguageTable.h"

namespace tessarin::cli {

class HelpTexts {
public:
    HelpTexts() = default;
    explicit HelpTexts(const LanguageTable& texts);

    // The text of a key; the key itself when the table has none, so a gap
    // shows instead of vanishing.
    std::string operator()(std::string_view key) const;
    bool Has(std::string_view key) const { return m_lines.find(key) != m_lines.end(); }

private:
    std::map<std::string, std::string, std::less<>> m_lines;
};

}  // namespace tessarin::cli
