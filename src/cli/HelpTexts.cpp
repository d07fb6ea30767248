#include "cli/HelpTexts.h"

namespace tessarin::cli {

HelpTexts::HelpTexts(const LanguageTable& texts) {
    for (const int s : {slot::kCliHelpGeneral, slot::kCliHelpKeyCommands, slot::kCliHelpFileCommands}) {
        std::string_view rest = texts[s];
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            const std::size_t tab = line.find('\t');
            if (tab == std::string_view::npos) continue;
            m_lines.emplace(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
        }
    }
}

std::string HelpTexts::operator()(std::string_view key) const {
    const auto it = m_lines.find(key);
    return it == m_lines.end() ? std::string(key) : it->second;
}

}  // namespace tessarin::cli
