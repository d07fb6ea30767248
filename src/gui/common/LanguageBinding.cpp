#include "gui/common/LanguageBinding.h"

namespace tessarin::gui {

void CLanguageBinding::Switch(LanguageTable::Language language) {
    m_texts.FillJapanese();
    if (language == LanguageTable::Language::English) m_texts.FillEnglish();
    emit Changed();
}

}  // namespace tessarin::gui
