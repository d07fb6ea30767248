#pragma once
// The language table as the program fills it: Japanese first, then the
// language asked for. Tests hand it to the code under test; they compare
// what is shown with literal words, never with the table.

#include "core/LanguageTable.h"

namespace tessarin::test {

inline const LanguageTable& FilledTexts(LanguageTable::Language language = LanguageTable::Language::English) {
    static const auto fill = [](LanguageTable::Language l) {
        LanguageTable table;
        table.FillJapanese();
        table.Fill(l);
        return table;
    };
    static const LanguageTable japanese = fill(LanguageTable::Language::Japanese);
    static const LanguageTable english = fill(LanguageTable::Language::English);
    return language == LanguageTable::Language::English ? english : japanese;
}

inline const LanguageTable& JapaneseTexts() {
    return FilledTexts(LanguageTable::Language::Japanese);
}

}  // namespace tessarin::test
