#pragma once
// The rules of the encryption and decryption windows, without a widget: the
// recipients the recipient selection offers, the files a file dialog lists,
// and the output folder of the encryption options dialog. Each check gives
// the table slot of the message the window shows (0 when there is none).

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppCore.h"

namespace tessarin {

class LanguageTable;

struct RecipientCandidate {
    std::string name;  // as shown: the own self auth key under its table label
    std::string mail;
    std::filesystem::path file;
};

// The authenticated keys of the open key folder, in the key list's order;
// the own self auth key shown under its recipient-list label.
std::vector<RecipientCandidate> RecipientCandidates(const std::vector<KeyRow>& rows,
                                                    const std::filesystem::path& selfAuthKey,
                                                    const LanguageTable& texts);

// OK of the recipient selection with `chosen` recipients.
int RecipientChoiceRefusal(std::size_t chosen);

// Adds the chosen files to a dialog's list, each once (compared as absolute
// paths); returns how many were left out as already listed.
std::size_t AddChosenFiles(std::vector<std::filesystem::path>& list, const std::vector<std::filesystem::path>& chosen);

// OK of a file dialog with `listed` files.
int FileListRefusal(std::size_t listed);

struct [[nodiscard]] OutputFolderCheck {
    bool ok = true;
    std::filesystem::path folder;  // empty: each container beside its source
    int messageSlot = 0;           // formatted with the folder as typed
};

// The options dialog's output folder as typed: empty keeps each container in
// its source's folder; anything else must be an existing folder.
OutputFolderCheck CheckOutputFolder(const std::string& text);

}  // namespace tessarin
