#pragma once
// The one language switch of the program: fills the table in the chosen
// language and tells every open window to relabel itself. Every window
// connects Changed to its Relabel(), which sets each caption, title, column
// header and tooltip from the table.

#include <QObject>

#include "core/LanguageTable.h"

namespace tessarin::gui {

class CLanguageBinding final : public QObject {
    Q_OBJECT
public:
    explicit CLanguageBinding(LanguageTable& texts, QObject* parent = nullptr) : QObject(parent), m_texts(texts) {}

    const LanguageTable& Texts() const { return m_texts; }
    LanguageTable::Language Current() const { return m_texts.Current(); }

    // Fills the table in `language` (Japanese first, as at process start, so
    // a slot without an English text keeps its Japanese one) and emits Changed.
    void Switch(LanguageTable::Language language);

signals:
    void Changed();

private:
    LanguageTable& m_texts;
};

}  // namespace tessarin::gui
