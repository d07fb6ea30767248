#include "app/CommandDialogRules.h"

#include <algorithm>
#include <system_error>

#include "core/LanguageTable.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

fs::path Normal(const fs::path& p) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    return (ec ? p : absolute).lexically_normal();
}

}  // namespace

std::vector<RecipientCandidate> RecipientCandidates(const std::vector<KeyRow>& rows, const fs::path& selfAuthKey,
                                                    const LanguageTable& texts) {
    const fs::path self = selfAuthKey.empty() ? fs::path() : Normal(selfAuthKey);
    std::vector<RecipientCandidate> out;
    for (const auto& row : rows) {
        if (!row.auth) continue;
        const bool own = !self.empty() && Normal(row.file) == self;
        out.push_back({own ? texts[slot::kSelfForRecipientLists] : row.columns[0], row.columns[1], row.file});
    }
    return out;
}

int RecipientChoiceRefusal(std::size_t chosen) {
    return chosen == 0 ? slot::kNoPartnerSelected : 0;
}

std::size_t AddChosenFiles(std::vector<fs::path>& list, const std::vector<fs::path>& chosen) {
    std::size_t skipped = 0;
    for (const auto& file : chosen) {
        const fs::path p = Normal(file);
        if (std::find(list.begin(), list.end(), p) != list.end()) {
            ++skipped;
            continue;
        }
        list.push_back(p);
    }
    return skipped;
}

int FileListRefusal(std::size_t listed) {
    return listed == 0 ? slot::kNoFileSelected : 0;
}

OutputFolderCheck CheckOutputFolder(const std::string& text) {
    OutputFolderCheck check;
    if (text.empty()) return check;
    std::error_code ec;
    if (!fs::is_directory(text, ec)) {
        check.ok = false;
        check.messageSlot = slot::kOutputFolderNotFound;
        return check;
    }
    check.folder = Normal(text);
    return check;
}

}  // namespace tessarin
