// The encoders against independent readers and writers: every symbol must
// decode with zbarimg to its exact bytes, and forced-parameter symbols must
// equal segno's module for module.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "QrTestTools.h"
#include "platform/Cp932.h"
#include "qr/QrEncoder.h"

namespace tessarin {
namespace {

using test::HaveSegno;
using test::HaveZbarimg;

std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8).value();
}

std::string Repeat(std::string_view unit, std::size_t count) {
    std::string out;
    while (out.size() < count) out += unit;
    out.resize(count);
    return out;
}

// A registration text like the view's: a Japanese sentence, then the link.
std::string SampleRegistrationText() {
    return Sjis("これは、FerroloのURLと登録する公開鍵情報(1024bit)です。") +
           "https://ferrolo.tessarin.example/m/?pk=" + Repeat("0123456789abcdef", 256) +
           "&ma=taro%40example%2Ecom&nm=" + "k1KWe5G+mFk=" + "&gt=1700000000&op=1&pt=0";
}

// --- Segmentation ---------------------------------------------------------------

struct SegmentCase {
    const char* name;
    std::string text;
    int group;
    std::vector<std::pair<QrMode, std::size_t>> expected;  // mode and length in bytes
};

TEST(QrSegmentation, FollowsTheThresholdsOfEachGroup) {
    using enum QrMode;
    const std::vector<SegmentCase> cases = {
        {"digits alone", "0123456789", 0, {{Numeric, 10}}},
        {"letters and digits", "HELLO WORLD 123", 0, {{Alphanumeric, 15}}},
        // 13 digits end an alphanumeric segment in versions 1-9, not 12.
        {"digit run of N4", "AB1234567890123CD", 0, {{Alphanumeric, 2}, {Numeric, 13}, {Alphanumeric, 2}}},
        {"digit run below N4", "AB123456789012CD", 0, {{Alphanumeric, 16}}},
        {"digit run below N4 in group 2", "AB1234567890123CD", 1, {{Alphanumeric, 17}}},
        // A digit followed by a lower-case byte within N1 starts 8-bit mode.
        {"short digits before bytes", "123abc", 0, {{Byte, 6}}},
        {"N1 digits before bytes", "1234abc", 0, {{Numeric, 4}, {Byte, 3}}},
        {"digits then letter within N2", "123456A", 0, {{Alphanumeric, 7}}},
        {"digits then letter past N2", "1234567A", 0, {{Numeric, 7}, {Alphanumeric, 1}}},
        {"digits then letter within N2 of group 3", "12345678A", 2, {{Alphanumeric, 9}}},
        // 8-bit runs end at N5 digits or N6 alphanumeric characters.
        {"byte run broken by N5 digits", "abc123456def", 0, {{Byte, 3}, {Numeric, 6}, {Byte, 3}}},
        {"byte run keeps fewer digits", "abc12345def", 0, {{Byte, 11}}},
        {"byte run broken by N6 alphanumerics", "abcHELLO WORLDdef", 0, {{Byte, 3}, {Alphanumeric, 11}, {Byte, 3}}},
        {"letters before bytes within N3", "ABCDEa", 0, {{Byte, 6}}},
        {"letters before bytes past N3", "ABCDEFa", 0, {{Alphanumeric, 6}, {Byte, 1}}},
        {"kanji pairs", Sjis("漢字") + "abc" + Sjis("テスト"), 0, {{Kanji, 4}, {Byte, 3}, {Kanji, 6}}},
        // 0x9F 0xFD and 0xEB 0xC0 are not Kanji pairs.
        {"not kanji after 0x9F", "\x9F\xFD", 0, {{Byte, 2}}},
        {"not kanji after 0xEB", "\xEB\xC0", 0, {{Byte, 2}}},
        {"kanji at range ends", "\x9F\xFC\xEB\xBF\xE0\x40", 0, {{Kanji, 6}}},
        {"half-width katakana", "\xB1\xB2", 0, {{Byte, 2}}},
        {"lead byte at the end", "a\x88", 0, {{Byte, 2}}},
    };
    for (const auto& c : cases) {
        const auto segments = SegmentQrText(c.text, c.group);
        std::vector<std::pair<QrMode, std::size_t>> got;
        std::size_t next = 0;
        for (const auto& s : segments) {
            EXPECT_EQ(s.begin, next) << c.name;
            next = s.begin + s.length;
            got.emplace_back(s.mode, s.length);
        }
        EXPECT_EQ(next, c.text.size()) << c.name;
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// --- Tables --------------------------------------------------------------------------

TEST(QrTables, BlockTableMatchesSegno) {
    if (!HaveSegno()) GTEST_SKIP() << "python3-segno not installed";
    int status = 0;
    std::istringstream lines(
        test::RunCommand("/usr/bin/python3 '" + std::string(TESSARIN_TEST_DATA_DIR) + "/qr/segno_tables.py'", &status));
    ASSERT_EQ(status, 0);
    int rows = 0, version = 0, blocks = 0, ecc = 0, data = 0;
    std::string level;
    while (lines >> version >> level >> blocks >> ecc >> data) {
        const auto lv = static_cast<QrLevel>(std::string("LMQH").find(level));
        const QrBlockLayout ours = QrBlocks(version, lv);
        EXPECT_EQ(ours.blocks, blocks) << version << level;
        EXPECT_EQ(ours.eccPerBlock, ecc) << version << level;
        EXPECT_EQ(ours.dataCodewords, data) << version << level;
        ++rows;
    }
    EXPECT_EQ(rows, 160);
}

// --- Failures ----------------------------------------------------------------------

TEST(QrEncoder, FailsForEmptyOrOverlongText) {
    EXPECT_FALSE(EncodeQr(QrLevel::M, 0, true, -1, ""));
    // 2331 bytes fill version 40-M in 8-bit mode; one more does not fit.
    const std::string bytes = Repeat("abc,", 2331);
    const auto full = EncodeQr(QrLevel::M, 0, true, -1, bytes);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->version, 40);
    EXPECT_FALSE(EncodeQr(QrLevel::M, 0, true, -1, bytes + "x"));
    EXPECT_FALSE(EncodeQr(QrLevel::H, 0, true, -1, Repeat("0", 3058)));
    EXPECT_TRUE(EncodeQr(QrLevel::H, 0, true, -1, Repeat("0", 3057)));
}

TEST(QrEncoder, RefusesArgumentsOutOfRange) {
    EXPECT_FALSE(EncodeQr(QrLevel::M, 41, true, -1, "A"));
    EXPECT_FALSE(EncodeQr(QrLevel::M, -1, true, -1, "A"));
    EXPECT_FALSE(EncodeQr(QrLevel::M, 1, true, 8, "A"));
    EXPECT_FALSE(EncodeQr(static_cast<QrLevel>(4), 1, true, -1, "A"));
}

TEST(QrEncoder, GivenVersionIsTheMinimum) {
    const auto small = EncodeQr(QrLevel::M, 5, false, -1, "HELLO");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->version, 5);
    EXPECT_EQ(small->size, 37);
    const std::string text = Repeat("abcdefgh", 200);  // needs version 10 at M
    EXPECT_FALSE(EncodeQr(QrLevel::M, 5, false, -1, text));
    const auto grown = EncodeQr(QrLevel::M, 5, true, -1, text);
    ASSERT_TRUE(grown);
    EXPECT_GT(grown->version, 5);
    EXPECT_EQ(grown->size, 4 * grown->version + 17);
}

// A text that needs one more byte than version 9 holds moves to the next
// group, where the count fields are wider.
TEST(QrEncoder, MovesToTheNextGroupWhenTheTextOutgrowsOne) {
    // Version 9-L holds 232 data codewords: 230 bytes in 8-bit mode (4 + 8 bits of header).
    const auto v9 = EncodeQr(QrLevel::L, 0, true, -1, Repeat("ab,", 230));
    ASSERT_TRUE(v9);
    EXPECT_EQ(v9->version, 9);
    const auto v10 = EncodeQr(QrLevel::L, 0, true, -1, Repeat("ab,", 231));
    ASSERT_TRUE(v10);
    EXPECT_EQ(v10->version, 10);
}

TEST(QrEncoder, AutomaticMaskHasTheLowestScoreOfAllEight) {
    const std::string text = SampleRegistrationText();
    const auto chosen = EncodeQr(QrLevel::M, 0, true, -1, text);
    ASSERT_TRUE(chosen);
    for (int mask = 0; mask < 8; ++mask) {
        const auto forced = EncodeQr(QrLevel::M, chosen->version, false, mask, text);
        ASSERT_TRUE(forced);
        EXPECT_EQ(forced->modules == chosen->modules, mask == chosen->mask) << mask;
    }
}

// The score the automatic choice compares: the symbol with its format and
// version information and the dark module left light, as they are not yet
// drawn while the masks are tried.
int ScoreBeforeInformation(QrSymbol symbol) {
    const int n = symbol.size;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const bool format =
                ((x == 8 && (y <= 8 || y >= n - 8)) || (y == 8 && (x <= 8 || x >= n - 8))) && x != 6 && y != 6;
            const bool version =
                symbol.version >= 7 && ((x >= n - 11 && x < n - 8 && y < 6) || (y >= n - 11 && y < n - 8 && x < 6));
            if (format || version) symbol.modules[static_cast<std::size_t>(y) * n + x] = 0;
        }
    return QrPenaltyScore(symbol);
}

// Of equal lowest scores the lower pattern number wins. Short texts give
// small symbols where ties are common; every tie found is checked, and the
// lowest score is checked for every text, which also shows the scores above
// are the ones the encoder compares.
TEST(QrEncoder, AutomaticMaskTakesTheLowerPatternOfEqualScores) {
    int ties = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string text = "TIE" + std::to_string(i * 7919);
        const auto chosen = EncodeQr(QrLevel::M, 0, true, -1, text);
        ASSERT_TRUE(chosen) << text;
        std::vector<int> scores;
        for (int mask = 0; mask < 8; ++mask) {
            const auto forced = EncodeQr(QrLevel::M, chosen->version, false, mask, text);
            ASSERT_TRUE(forced) << text;
            scores.push_back(ScoreBeforeInformation(*forced));
        }
        const int lowest = *std::min_element(scores.begin(), scores.end());
        const int first = static_cast<int>(std::find(scores.begin(), scores.end(), lowest) - scores.begin());
        const bool tie = std::count(scores.begin(), scores.end(), lowest) > 1;
        if (tie) ++ties;
        EXPECT_EQ(chosen->mask, first) << text << (tie ? " (tie)" : "");
    }
    // The texts above are known to contain ties; without one the rule is untested.
    EXPECT_GT(ties, 0);
}

// --- Real readers ----------------------------------------------------------------

struct DecodeCase {
    const char* name;
    std::string text;
    QrLevel level;
    int expectedVersion;  // 0: not checked
};

TEST(QrEncoderDecodes, ZbarReadsEverySymbolBack) {
    if (!HaveZbarimg()) GTEST_SKIP() << "zbarimg not installed";
    const std::vector<DecodeCase> cases = {
        {"version 1 digits", "01234567", QrLevel::M, 1},
        {"version 1 letters", "HELLO WORLD", QrLevel::Q, 1},
        {"mixed modes", "abc123456789012DEF" + Sjis("漢字とかな") + "\x01\xFF" + "ABCDEFGHIJKLMNOP", QrLevel::L, 0},
        {"version 7", Repeat("https://example.com/a?b=", 120), QrLevel::M, 7},
        {"version 10", Repeat("0123456789ABCDEF", 350), QrLevel::L, 10},
        {"registration text", SampleRegistrationText(), QrLevel::M, 0},
        {"version 27", Repeat(Sjis("公開鍵を登録") + "abc-", 540), QrLevel::H, 27},
        {"version 40", Repeat("Mixed text, 123 and MORE; ", 2900), QrLevel::L, 40},
        {"all byte values",
         [] {
             std::string s;
             for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
             return s;
         }(),
         QrLevel::M, 0},
    };
    for (const auto& c : cases) {
        const auto symbol = EncodeQr(c.level, 0, true, -1, c.text);
        ASSERT_TRUE(symbol) << c.name;
        if (c.expectedVersion != 0) {
            EXPECT_EQ(symbol->version, c.expectedVersion) << c.name;
        }
        const auto decoded = test::ZbarDecode(*symbol);
        ASSERT_TRUE(decoded) << c.name << " (version " << symbol->version << ")";
        EXPECT_EQ(test::ToHex(*decoded), test::ToHex(c.text)) << c.name;
    }
}

// Versions across the three count-width groups, each level twice.
TEST(QrEncoderDecodes, ForcedVersionsAndLevelsDecode) {
    if (!HaveZbarimg()) GTEST_SKIP() << "zbarimg not installed";
    const int versions[] = {1, 2, 7, 10, 20, 27, 33, 40};
    for (int i = 0; i < 8; ++i) {
        const int version = versions[i];
        const auto level = static_cast<QrLevel>(i % 4);
        std::string text = "V";
        text += std::to_string(version) + "-" + std::to_string(i % 4) + " " + Sjis("漢字");
        const auto symbol = EncodeQr(level, version, false, (version + i) % 8, text);
        ASSERT_TRUE(symbol);
        EXPECT_EQ(symbol->version, version);
        EXPECT_EQ(test::ZbarDecode(*symbol), text) << version;
    }
}

// --- Bit-exact against segno --------------------------------------------------------

struct SegnoCase {
    const char* name;
    std::string text;
    int version;
    QrLevel level;
    const char* mode;
};

const char* LevelName(QrLevel level) {
    static const char* const kNames[] = {"L", "M", "Q", "H"};
    return kNames[static_cast<int>(level)];
}

std::vector<SegnoCase> SingleModeCases() {
    return {
        {"numeric v1", "01234567", 1, QrLevel::M, "numeric"},
        {"alphanumeric v5", "HELLO WORLD $%*+-./: 42", 5, QrLevel::Q, "alphanumeric"},
        {"byte v12", Repeat("hello, world; ", 150), 12, QrLevel::H, "byte"},
        {"kanji v8", Sjis("公開鍵を登録することにより、暗号化ファイルの送受信が可能になります"), 8, QrLevel::L,
         "kanji"},
        {"numeric v27", Repeat("31415926535", 1500), 27, QrLevel::M, "numeric"},
        {"byte v40", Repeat("lower case; ", 1800), 40, QrLevel::L, "byte"},
    };
}

TEST(QrEncoderSegno, ForcedVersionAndMaskMatchModuleForModule) {
    if (!HaveSegno()) GTEST_SKIP() << "python3-segno not installed";
    for (const auto& c : SingleModeCases()) {
        ASSERT_EQ(SegmentQrText(c.text, c.version <= 9 ? 0 : (c.version <= 26 ? 1 : 2)).size(), 1U) << c.name;
        const auto theirs = test::SegnoRowsAllMasks(c.text, c.version, LevelName(c.level), c.mode);
        ASSERT_EQ(theirs.size(), 8U) << c.name;
        for (int mask = 0; mask < 8; ++mask) {
            const auto ours = EncodeQr(c.level, c.version, false, mask, c.text);
            ASSERT_TRUE(ours) << c.name;
            EXPECT_EQ(test::MatrixDifference(test::MatrixRows(*ours), theirs[static_cast<std::size_t>(mask)]), "")
                << c.name << " mask " << mask;
        }
    }
}

TEST(QrEncoderSegno, AutomaticMaskAgreesWithSegno) {
    if (!HaveSegno()) GTEST_SKIP() << "python3-segno not installed";
    for (const auto& c : SingleModeCases()) {
        const auto ours = EncodeQr(c.level, c.version, false, -1, c.text);
        ASSERT_TRUE(ours) << c.name;
        EXPECT_EQ(ours->mask, test::SegnoAutoMask(c.text, c.version, LevelName(c.level), c.mode)) << c.name;
    }
}

// The bitmap encoder: version 10, level L, alphanumeric, mask 2.
TEST(QrEncoderSegno, FixedVersion10MatchesSegno) {
    if (!HaveSegno()) GTEST_SKIP() << "python3-segno not installed";
    std::string keyText;  // a public key file as 304 hexadecimal digits
    for (int i = 0; i < 152; ++i) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const int b = (i * 73 + 19) & 0xFF;
        keyText += kHex[b >> 4];
        keyText += kHex[b & 15];
    }
    for (const std::string& text : {keyText, std::string("A"), Repeat("Z9 $%*+-./:", 395)}) {
        const auto ours = EncodeQrVersion10(text);
        ASSERT_TRUE(ours) << text.size();
        EXPECT_EQ(ours->version, 10);
        EXPECT_EQ(ours->size, 57);
        EXPECT_EQ(ours->mask, 2);
        EXPECT_EQ(test::MatrixDifference(test::MatrixRows(*ours), test::SegnoRows(text, 10, "L", 2, "alphanumeric")),
                  "")
            << text.size();
    }
}

TEST(QrEncoder, FixedVersion10RefusesWhatItCannotHold) {
    EXPECT_FALSE(EncodeQrVersion10(Repeat("A", 396)));
    EXPECT_FALSE(EncodeQrVersion10("abc"));
    EXPECT_FALSE(EncodeQrVersion10(std::string("AB\0C", 4)));
    EXPECT_TRUE(EncodeQrVersion10(Repeat("A", 395)));
}

}  // namespace
}  // namespace tessarin
