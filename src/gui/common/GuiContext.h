#pragma once
// What every window of the desktop program is given: the application core
// (its one seam), the language switch, the Qt user dialog, the job runner,
// the file chooser and the desktop's opener. The program builds one; a test
// builds one with planned answers and choices.

#include "app/AppCore.h"
#include "gui/common/Desktop.h"
#include "gui/common/FileChooser.h"
#include "gui/common/JobRunner.h"
#include "gui/common/LanguageBinding.h"
#include "gui/common/QtUserDialog.h"

namespace tessarin::gui {

struct GuiContext {
    AppCore& core;
    CLanguageBinding& language;
    CQtUserDialog& dialog;
    CJobRunner& jobs;
    IFileChooser& chooser;
    IDesktop& desktop;

    const LanguageTable& Texts() const { return language.Texts(); }
};

}  // namespace tessarin::gui
