#pragma once
// The encryption path a command starts: the windows its entry point needs
// (choosing recipients, the encrypt file dialog with its term of validity,
// the encryption options), then the batch on the job runner and its result.

#include <filesystem>
#include <functional>
#include <vector>

#include "app/AppCore.h"
#include "app/MainWindowState.h"

class QWidget;

namespace tessarin::gui {

struct GuiContext;

struct EncryptCommandRequest {
    EncryptMode mode = EncryptMode::Command;
    // The expanded work list: files, and folders given as themselves.
    std::vector<std::filesystem::path> sources;
    // EncryptMode::Options and AddressBook: the key files chosen.
    std::vector<std::filesystem::path> recipients;
};

// Shows the windows the mode needs on the UI thread, then runs the batch on
// the job runner:
// - Command: the recipient selection (CKeyListSel) when no recipients are
//   given, the file chooser when no sources are given, then the encrypt file
//   dialog (CFileDialogWithTimeSet) with its term of validity and options;
// - Options: the encryption options dialog (CEncryptOptDlg) while the main
//   window's detail switch (AppCore's State().optionsCheckBox) is on;
// - AddressBook: no window, the settings' options;
// - Self: no window, to the own key.
// Cancel in any window runs nothing. The wait window shows while the batch
// runs; a refused batch shows its refusal text. `done` runs on the UI thread with the batch's result; it
// is not called when the user cancelled before anything ran. False when
// nothing was started (cancelled, or another job runs).
bool StartEncryptCommand(GuiContext& context, QWidget* parent, EncryptCommandRequest request,
                         std::function<void(const JobResult&)> done = {});

}  // namespace tessarin::gui
