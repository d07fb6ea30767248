#include "adviewer/CTessarin_CMApp.h"

#include "adviewer/CTessarin_CMDlg.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace tessarin::adviewer {

LanguageTable::Language ViewerLanguage(const std::filesystem::path& settingsFile) {
    return GetPrivateProfileString("TZA", "LanguageSel", "JP", settingsFile) == "EN"
               ? LanguageTable::Language::English
               : LanguageTable::Language::Japanese;
}

CTessarin_CMApp::CTessarin_CMApp(int& argc, char** argv) : m_app(argc, argv) {
    QApplication::setApplicationName(QStringLiteral("Tessarin_CM"));
    m_texts.FillJapanese();
    if (ViewerLanguage(DataHome() / "Values.dat") == LanguageTable::Language::English) m_texts.FillEnglish();
}

int CTessarin_CMApp::Run() {
    CTessarin_CMDlg dialog(m_texts);
    dialog.exec();
    return 0;
}

}  // namespace tessarin::adviewer
