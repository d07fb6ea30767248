#pragma once
// The decryption path a command starts: the windows its entry point needs,
// then the run on the job runner and its result.

#include <filesystem>
#include <functional>
#include <vector>

#include "app/AppCore.h"

class QWidget;

namespace tessarin::gui {

struct GuiContext;

// The entry points and their decryption modes.
enum class DecryptCommandMode : int {
    Command = 0,      // command 152 (Ctrl+D) and -D
    ContextMenu = 1,  // the tree and list context menus, a ".tza" on the command line
    SmallWindow = 2,  // drops on the small window
    Folder = 5,       // the automatic folder
};

struct DecryptCommandRequest {
    DecryptCommandMode mode = DecryptCommandMode::Command;
    std::vector<std::filesystem::path> files;  // the expanded work list
};

// As StartEncryptCommand: the mode's windows, then the run; `done` on the UI
// thread with the result, not called when nothing ran. With no files given,
// the file chooser, then the decrypt file dialog: CFileDialogWithContDec
// (with "Hereafter,Decrypt without Namechange.") for Command,
// CDecryptFileDialog for the other modes. Given files run at once.
bool StartDecryptCommand(GuiContext& context, QWidget* parent, DecryptCommandRequest request,
                         std::function<void(const JobResult&)> done = {});

}  // namespace tessarin::gui
