// Every quoted text of the language table, slot by slot, in both fills: the
// expected words come from tests/data/core/quoted_texts.vec, never from the
// table itself.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "VectorFile.h"
#include "core/LanguageTable.h"

namespace tessarin {
namespace {

using test::LoadVectors;
using test::TestDataPath;

// "\n", "\t" and "\\" as in C; a backslash before anything else stays.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// A table as the program fills it: Japanese first, then the language asked for.
LanguageTable FilledIn(LanguageTable::Language language) {
    LanguageTable table;
    table.FillJapanese();
    table.Fill(language);
    return table;
}

TEST(QuotedTexts, UnescapeKeepsUnknownEscapes) {
    EXPECT_EQ(Unescape(R"(a\nb\tc\\d)"), "a\nb\tc\\d");
    EXPECT_EQ(Unescape(R"(\t\ / :)"), "\t\\ / :");
    EXPECT_EQ(Unescape(R"(end\)"), "end\\");
}

TEST(QuotedTexts, BothFillsShowTheQuotedWords) {
    const auto cases = LoadVectors(TestDataPath("core/quoted_texts.vec"));
    ASSERT_FALSE(cases.empty());
    const LanguageTable japanese = FilledIn(LanguageTable::Language::Japanese);
    const LanguageTable english = FilledIn(LanguageTable::Language::English);
    std::set<int> seen;
    for (const auto& c : cases) {
        const int slot = std::stoi(c.Get("Slot"));
        SCOPED_TRACE("slot " + std::to_string(slot) + " (line " + std::to_string(c.line) + ")");
        EXPECT_TRUE(seen.insert(slot).second) << "slot listed twice";
        const std::string ja = Unescape(c.Get("Japanese"));
        EXPECT_EQ(japanese[slot], ja);
        // A slot without an English text keeps the Japanese one.
        EXPECT_EQ(english[slot], c.Has("English") ? Unescape(c.Get("English")) : ja);
    }
}

// In English every slot reads in English, except the few texts the English
// routine leaves to the Japanese one and the prefix of the RSA service's
// error text, which keeps its one wording.
TEST(QuotedTexts, EnglishLeavesOnlyItsFewSlotsJapanese) {
    const LanguageTable english = FilledIn(LanguageTable::Language::English);
    std::set<int> notEnglish;
    for (int slot = 0; slot < LanguageTable::kSlotCount; ++slot) {
        for (const char c : english[slot])
            if (static_cast<unsigned char>(c) >= 0x80) notEnglish.insert(slot);
    }
    EXPECT_EQ(notEnglish, (std::set<int>{28, 458, 463, 484}));
}

// Switching back and forth leaves each fill as it was first written.
TEST(QuotedTexts, SwitchingTwiceReturnsToTheFirstTexts) {
    const LanguageTable once = FilledIn(LanguageTable::Language::Japanese);
    LanguageTable twice = FilledIn(LanguageTable::Language::English);
    twice.FillJapanese();
    for (int slot = 0; slot < LanguageTable::kSlotCount; ++slot) EXPECT_EQ(twice[slot], once[slot]) << slot;
}

}  // namespace
}  // namespace tessarin
