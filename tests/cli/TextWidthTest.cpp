// Display widths, cuts and the progress line of tza.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/CommandLine.h"
#include "cli/HelpTexts.h"
#include "cli/TerminalDialog.h"
#include "cli/TextWidth.h"

namespace tessarin::cli {
namespace {

// Valid UTF-8 without control characters: what may reach a terminal.
bool IsCleanText(const std::string& s) {
    return Printable(s) == s;
}

TEST(TextWidth, CountsColumnsNotBytes) {
    struct Case {
        const char* text;
        std::size_t width;
    } cases[] = {
        {"abc", 3},          {"\xE6\x97\xA5\xE6\x9C\xAC", 4},  // 日本: two wide characters
        {"e\xCC\x81", 1},                                      // e and a combining accent
        {"\xEF\xBC\xA1", 2},                                   // a full-width A
        {"\xFF", 1},                                           // not UTF-8: shown as one '?'
        {"\xE6\x97", 2},                                       // a cut sequence: two '?'
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayWidth(c.text), c.width) << c.text;
}

TEST(TextWidth, PrintableDefusesTerminalControls) {
    EXPECT_EQ(Printable("a\x1b[31mb"), "a?[31mb");
    EXPECT_EQ(Printable("x\ny\rz"), "x?y?z");
    EXPECT_EQ(Printable("\xC2\x9B"), "?");        // C1 control sequence introducer
    EXPECT_EQ(Printable("\xC0\xAF"), "??");       // overlong '/'
    EXPECT_EQ(Printable("\xED\xA0\x80"), "???");  // a surrogate
    EXPECT_EQ(Printable("\xE6\x97\xA5"), "\xE6\x97\xA5");
    EXPECT_EQ(Printable("a\tb\nc\x1b", true), "a\tb\nc?");  // a message keeps its lines
}

TEST(TextWidth, FitCutsOnCharacterBoundariesFromTheFront) {
    // とても長い日本語のファイル名.bin
    const std::string name =
        "\xE3\x81\xA8\xE3\x81\xA6\xE3\x82\x82\xE9\x95\xB7\xE3\x81\x84\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81"
        "\xAE\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE5\x90\x8D.bin";
    EXPECT_EQ(FitWidth(name, 100), name);
    for (std::size_t width = 0; width < 30; ++width) {
        const std::string cut = FitWidth(name, width);
        EXPECT_LE(DisplayWidth(cut), width);
        EXPECT_TRUE(IsCleanText(cut)) << width;
        if (width >= 7) {
            EXPECT_EQ(cut.substr(0, 3), "...");
            EXPECT_EQ(cut.substr(cut.size() - 4), ".bin");
            EXPECT_GE(DisplayWidth(cut), width - 1);  // a wide character may leave one column
        }
    }
    EXPECT_EQ(FitWidth("report.pdf", 8), "...t.pdf");
}

TEST(ProgressLine, ShowsBytesRateAndTimeLeft) {
    ProgressState s;
    s.done = 50LL << 20;
    s.total = 100LL << 20;
    s.seconds = 10;
    s.file = "report.pdf is encrypting";
    const std::string line = ProgressLineText(s, 100, "%s of %s  %s/s  %s left");
    EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
    EXPECT_NE(line.find("50.0 MiB of 100.0 MiB"), std::string::npos) << line;
    EXPECT_NE(line.find("5.0 MiB/s"), std::string::npos) << line;
    EXPECT_NE(line.find("0:10 left"), std::string::npos) << line;
    EXPECT_NE(line.find("report.pdf is encrypting"), std::string::npos) << line;
}

TEST(ProgressLine, NeverWiderThanTheTerminal) {
    const std::string japanese =
        "\xE3\x81\xA8\xE3\x81\xA6\xE3\x82\x82\xE9\x95\xB7\xE3\x81\x84\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.bin";
    const std::string hostile = "evil\x1b]0;title\x07name.txt";
    for (int columns : {10, 20, 40, 60, 80, 132}) {
        for (const std::string& file : {std::string(), std::string(200, 'a'), japanese, hostile}) {
            for (std::int64_t total : {0LL, 1LL << 30}) {
                ProgressState s{123456789, total, 3.5, file};
                const std::string line = ProgressLineText(s, columns, "%s of %s  %s/s  %s left");
                EXPECT_LT(DisplayWidth(line), static_cast<std::size_t>(columns)) << columns << ": " << line;
                EXPECT_TRUE(IsCleanText(line)) << line;
            }
        }
    }
    // At 40 columns the file name still shows rather than the rate.
    ProgressState s{1 << 20, 4 << 20, 1, "big.bin is encrypting"};
    const std::string narrow = ProgressLineText(s, 40, "%s of %s  %s/s  %s left");
    EXPECT_NE(narrow.find("big.bin"), std::string::npos) << narrow;
    EXPECT_NE(narrow.find(" 25%"), std::string::npos) << narrow;
}

TEST(CommandLine, SuggestsTheNearestKnownWord) {
    EXPECT_EQ(NearestWord("--too", {"--to", "--self", "--output"}), "--to");
    EXPECT_EQ(NearestWord("encryt", {"decrypt", "encrypt", "keys"}), "encrypt");
    EXPECT_EQ(NearestWord("--recur", {"--recursive", "--remove"}), "--recursive");
    EXPECT_EQ(NearestWord("zzzzzz", {"encrypt", "keys"}), "");
}

// Both languages hold the same help keys, each with the same conversions.
TEST(HelpTexts, BothLanguagesHaveEveryKey) {
    LanguageTable ja, en;
    ja.FillJapanese();
    en.FillJapanese();
    en.FillEnglish();
    const HelpTexts jaHelp(ja), enHelp(en);
    std::set<std::string> keys;
    for (const int s : {slot::kCliHelpGeneral, slot::kCliHelpKeyCommands, slot::kCliHelpFileCommands}) {
        for (const LanguageTable* t : {&ja, &en}) {
            const std::string& text = (*t)[s];
            ASSERT_FALSE(text.empty());
            std::size_t start = 0;
            while (start < text.size()) {
                const std::size_t end = std::min(text.find('\n', start), text.size());
                const std::string line = text.substr(start, end - start);
                ASSERT_NE(line.find('\t'), std::string::npos) << line;
                keys.insert(line.substr(0, line.find('\t')));
                start = end + 1;
            }
        }
        EXPECT_NE(ja[s], en[s]);
    }
    const auto conversions = [](const std::string& t) {
        std::size_t n = 0;
        for (std::size_t i = t.find('%'); i != std::string::npos; i = t.find('%', i + 2)) ++n;
        return n;
    };
    for (const auto& key : keys) {
        EXPECT_TRUE(jaHelp.Has(key)) << key;
        EXPECT_TRUE(enHelp.Has(key)) << key;
        EXPECT_EQ(conversions(jaHelp(key)), conversions(enHelp(key))) << key;
    }
    EXPECT_EQ(enHelp("label.usage"), "Usage");
    EXPECT_EQ(jaHelp("label.usage"), "\xE4\xBD\xBF\xE3\x81\x84\xE6\x96\xB9");  // 使い方
}

}  // namespace
}  // namespace tessarin::cli
