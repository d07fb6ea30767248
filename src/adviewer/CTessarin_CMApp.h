#pragma once
// CTessarin_CMApp: the viewer's application object. It takes no arguments of
// its own, shows the viewer's window in the main program's language and
// returns nothing to its starter.

#include <QApplication>
#include <filesystem>

#include "core/LanguageTable.h"

namespace tessarin::adviewer {

// The main program's interface language from its settings file: English
// when LanguageSel is "EN", Japanese otherwise.
LanguageTable::Language ViewerLanguage(const std::filesystem::path& settingsFile);

class CTessarin_CMApp final {
public:
    CTessarin_CMApp(int& argc, char** argv);
    Q_DISABLE_COPY(CTessarin_CMApp)

    // Runs the window until it closes itself; 0.
    int Run();

private:
    QApplication m_app;
    LanguageTable m_texts;
};

}  // namespace tessarin::adviewer
