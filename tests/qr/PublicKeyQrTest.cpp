// The registration link, the QR view text, the public key bitmap, the view's
// saved picture and the QR text import.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "QrTestTools.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"
#include "qr/PublicKeyQr.h"
#include "qr/QrBitmap.h"
#include "qr/QrEncoder.h"
#include "qr/QrFiles.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::FixturePath;
using test::JapaneseTexts;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;
using Bytes = std::vector<std::uint8_t>;

std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8).value();
}

std::string FromHex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string Unescape(std::string s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'r' || s[i + 1] == 'n')) {
            out += s[i + 1] == 'r' ? '\r' : '\n';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// In/Out blocks of a .vec file.
std::vector<std::pair<std::string, std::string>> LoadVectors(const std::string& name) {
    std::ifstream in(std::string(TESSARIN_TEST_DATA_DIR) + "/qr/" + name);
    std::vector<std::pair<std::string, std::string>> blocks;
    std::string line, input;
    while (std::getline(in, line)) {
        if (line.rfind("In =", 0) == 0) input = line.size() > 5 ? line.substr(5) : "";
        if (line.rfind("Out =", 0) == 0) blocks.emplace_back(input, line.size() > 6 ? line.substr(6) : "");
    }
    return blocks;
}

// Sets the service root for the scope of a test.
class ServiceUrlScope {
public:
    explicit ServiceUrlScope(const char* url) { ::setenv("TESSARIN_SERVICE_URL", url, 1); }
    ~ServiceUrlScope() { ::unsetenv("TESSARIN_SERVICE_URL"); }
};

std::int64_t NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The modulus of a public key file, most significant byte first, in lower-case hex.
std::string ModulusHex(const Bytes& file) {
    std::string hex;
    char buf[3];
    for (std::size_t i = 151; i >= 24; --i) {
        std::snprintf(buf, sizeof buf, "%02x", file[i]);
        hex += buf;
    }
    return hex;
}

// A copy of the fixture key made now, so its creation time is known.
struct FreshKey {
    TempDir dir;
    fs::path path;
    std::int64_t before, after;
    FreshKey() : path(dir / "north.vpub") {
        before = NowSeconds();
        WriteFileBytes(path, ReadFileBytes(FixturePath("cryptoapi/north.vpub")));
        after = NowSeconds();
    }
};

// --- Pieces of the link -------------------------------------------------------------

TEST(RegistrationPieces, Base64MatchesReferenceVectors) {
    const auto vectors = LoadVectors("base64.vec");
    ASSERT_GE(vectors.size(), 8U);
    for (const auto& [in, out] : vectors) EXPECT_EQ(Base64WithLineBreaks(FromHex(in)), Unescape(out)) << in;
}

TEST(RegistrationPieces, MailEscaping) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"taro.yamada@example.com", "taro%2Eyamada%40example%2Ecom"},
        {"a b\tc\r\n", "a+b+c++"},
        {"-_~!+%", "%2D%5F%7E%21%2B%25"},
        {"\x82\xA0z9", "%82%A0z9"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(EscapeForService(in), out) << in;
}

TEST(RegistrationPieces, KeyHexAndCreationTime) {
    FreshKey key;
    EXPECT_EQ(PublicKeyHex(key.path), ModulusHex(ReadFileBytes(key.path)));
    EXPECT_EQ(PublicKeyHex(key.path).size(), 256U);
    const std::int64_t created = std::stoll(CreationTimeField(key.path));
    EXPECT_GE(created, key.before - 1);
    EXPECT_LE(created, key.after + 1);
    EXPECT_EQ(CreationTimeField(key.dir / "missing.vpub"), "0");
    EXPECT_EQ(PublicKeyHex(key.dir / "missing.vpub"), "");
}

TEST(RegistrationPieces, KeyFilesOfTheWrongShapeAreNotRead) {
    TempDir dir;
    Bytes key = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    Bytes longer = key;
    longer.push_back(0);
    WriteFileBytes(dir / "long.vpub", longer);
    WriteFileBytes(dir / "short.vpub", Bytes(key.begin(), key.end() - 1));
    Bytes badLength = key;
    badLength[0] = 0x95;
    WriteFileBytes(dir / "badlength.vpub", badLength);
    for (const char* name : {"long.vpub", "short.vpub", "badlength.vpub"}) {
        EXPECT_FALSE(ReadPublicKeyFileBytes(dir / name)) << name;
        EXPECT_EQ(PublicKeyQrText(dir / name), "") << name;
    }
    EXPECT_FALSE(ReadPublicKeyFileBytes(dir.Path()));  // a folder
}

// --- Registration link and view text -----------------------------------------------------

TEST(RegistrationUrl, CarriesTheFieldsInOrder) {
    ServiceUrlScope url("https://svc.test/");
    FreshKey key;
    const OwnKeyInfo own{"taro@example.com", "山田太郎", key.path};
    const std::string hex = ModulusHex(ReadFileBytes(key.path));
    for (const bool mobile : {true, false}) {
        const std::string link = BuildRegistrationUrl(mobile, own);
        const std::string head = std::string("https://svc.test/") + (mobile ? "m/?" : "d/?") + "pk=" + hex +
                                 "&ma=taro%40example%2Ecom&nm=jlKTY5G+mFk=&gt=";
        ASSERT_EQ(link.substr(0, head.size()), head);
        ASSERT_GT(link.size(), head.size() + 10);
        const std::string rest = link.substr(head.size());
        const std::size_t amp = rest.find('&');
        const std::int64_t created = std::stoll(rest.substr(0, amp));
        EXPECT_GE(created, key.before - 1);
        EXPECT_LE(created, key.after + 1);
        EXPECT_EQ(rest.substr(amp), "&op=1&pt=0");
    }
}

TEST(RegistrationUrl, MissingKeyGivesEmptyKeyAndTimeZero) {
    ServiceUrlScope url("https://svc.test/");
    TempDir dir;
    const OwnKeyInfo own{"a b", "N", dir / "gone.vpub"};
    EXPECT_EQ(BuildRegistrationUrl(false, own), "https://svc.test/d/?pk=&ma=a+b&nm=Tg==&gt=0&op=1&pt=0");
}

TEST(RegistrationUrl, LongNameBreaksTheBase64Line) {
    ServiceUrlScope url("https://svc.test/");
    TempDir dir;
    const std::string name(58, 'x');  // 58 bytes: 80 Base64 characters
    const std::string link = BuildRegistrationUrl(true, {"m", name, dir / "gone.vpub"});
    const std::size_t nm = link.find("&nm=");
    ASSERT_NE(nm, std::string::npos);
    EXPECT_EQ(link.substr(nm + 4 + 76, 2), "\r\n");
    EXPECT_EQ(link.find("\r\n"), nm + 4 + 76);
    EXPECT_EQ(BuildRegistrationUrl(true, {"m", std::string(57, 'x'), dir / "gone.vpub"}).find('\r'), std::string::npos);
}

TEST(RegistrationUrl, ViewTextIsTheSentenceAndTheMobileLink) {
    ServiceUrlScope url("https://svc.test/");
    FreshKey key;
    const OwnKeyInfo own{"taro@example.com", "山田太郎", key.path};
    const std::string text = BuildQrViewText(JapaneseTexts(), own);
    const std::string sentence = Sjis("これは、FerroloのURLと登録する公開鍵情報(1024bit)です。");
    EXPECT_EQ(text.substr(0, sentence.size()), sentence);
    EXPECT_EQ(text.substr(sentence.size()), BuildRegistrationUrl(true, own));
}

// The on-screen code of real registration texts reads back with zbar.
TEST(RegistrationUrl, ViewTextsDecodeWithZbar) {
    if (!test::HaveZbarimg()) GTEST_SKIP() << "zbarimg not installed";
    ServiceUrlScope url("https://ferrolo.tessarin.example/");
    FreshKey key;
    const std::vector<OwnKeyInfo> owners = {
        {"taro@example.com", "山田太郎", key.path},
        {"hanako.suzuki+qr@example.co.jp", "鈴木花子（営業部）ｶﾅ", key.path},
        {"long@example.com", std::string("日本語の長い名前で改行が入る例です。") + "abcdefghijklmnopqrstuvwxyz",
         key.path},
        {"nokey@example.com", "鍵なし", key.dir / "gone.vpub"},
    };
    for (const auto& own : owners) {
        const std::string text = BuildQrViewText(JapaneseTexts(), own);
        const auto symbol = EncodeQr(QrLevel::M, 0, true, -1, text);
        ASSERT_TRUE(symbol) << own.name;
        EXPECT_EQ(test::ToHex(test::ZbarDecode(*symbol).value_or("")), test::ToHex(text)) << own.name;
        const std::string desktop = BuildRegistrationUrl(false, own);
        const auto desktopSymbol = EncodeQr(QrLevel::M, 0, true, -1, desktop);
        ASSERT_TRUE(desktopSymbol);
        EXPECT_EQ(test::ZbarDecode(*desktopSymbol), desktop) << own.name;
    }
}

// --- Public key bitmap -----------------------------------------------------------------

// The modules a 65 x 65 24-bit bitmap shows, read back from its pixel rows.
std::vector<std::string> BitmapModules(const Bytes& file) {
    std::vector<std::string> rows;
    for (int y = 0; y < 57; ++y) {
        std::string row;
        const std::size_t line = 54 + static_cast<std::size_t>(64 - (y + 4)) * 196;
        for (int x = 0; x < 57; ++x) row += file[line + static_cast<std::size_t>(x + 4) * 3] == 0 ? '1' : '0';
        rows.push_back(row);
    }
    return rows;
}

TEST(PublicKeyBitmap, TextIsTheWholeFileInUpperCaseHex) {
    const fs::path key = FixturePath("cryptoapi/north.vpub");
    const std::string text = PublicKeyQrText(key);
    ASSERT_EQ(text.size(), 304U);
    EXPECT_EQ(text.substr(0, 24), "940000000602000000A40000");
    EXPECT_EQ(FromHex(text), [&] {
        const Bytes b = ReadFileBytes(key);
        return std::string(b.begin(), b.end());
    }());
    EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos);
}

TEST(PublicKeyBitmap, FileLayout) {
    TempDir dir;
    ASSERT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", FixturePath("cryptoapi/north.vpub")), QrBitmapResult::Ok);
    const Bytes file = ReadFileBytes(dir / "qr.bmp");
    ASSERT_EQ(file.size(), 12794U);
    const std::uint8_t* p = file.data();
    EXPECT_EQ(p[0], 'B');
    EXPECT_EQ(p[1], 'M');
    EXPECT_EQ(LoadLe32(p + 2), 12794U);
    EXPECT_EQ(LoadLe32(p + 6), 0U);
    EXPECT_EQ(LoadLe32(p + 10), 54U);
    EXPECT_EQ(LoadLe32(p + 14), 40U);
    EXPECT_EQ(LoadLeI32(p + 18), 65);
    EXPECT_EQ(LoadLeI32(p + 22), 65);
    EXPECT_EQ(LoadLe16(p + 26), 1);
    EXPECT_EQ(LoadLe16(p + 28), 24);
    EXPECT_EQ(LoadLe32(p + 30), 0U);
    EXPECT_EQ(LoadLe32(p + 34), 12740U);
    EXPECT_EQ(LoadLe32(p + 38), 3780U);
    EXPECT_EQ(LoadLe32(p + 42), 3780U);
    EXPECT_EQ(LoadLe32(p + 46), 0U);
    EXPECT_EQ(LoadLe32(p + 50), 0U);
    for (int row = 0; row < 65; ++row) {
        const std::size_t line = 54 + static_cast<std::size_t>(row) * 196;
        EXPECT_EQ(file[line + 195], 0) << row;  // padding byte
        for (std::size_t i = 0; i < 195; ++i) {
            const std::uint8_t v = file[line + i];
            ASSERT_TRUE(v == 0 || v == 0xFF);
            ASSERT_EQ(v, file[line + i / 3 * 3]) << "grey pixel";
        }
        // The quiet zone: 4 white pixels on each side, and the top and bottom 4 rows.
        for (int x : {0, 1, 2, 3, 61, 62, 63, 64}) EXPECT_EQ(file[line + static_cast<std::size_t>(x) * 3], 0xFF);
        if (row < 4 || row > 60) {
            for (int x = 0; x < 65; ++x) EXPECT_EQ(file[line + static_cast<std::size_t>(x) * 3], 0xFF);
        }
    }
    // The symbol drawn is the fixed encoder's for the key text, top row last in the file.
    const auto symbol = EncodeQrVersion10(PublicKeyQrText(FixturePath("cryptoapi/north.vpub")));
    ASSERT_TRUE(symbol);
    EXPECT_EQ(BitmapModules(file), test::MatrixRows(*symbol));
}

TEST(PublicKeyBitmap, MatchesSegnoModuleForModule) {
    if (!test::HaveSegno()) GTEST_SKIP() << "python3-segno not installed";
    TempDir dir;
    for (const char* key : {"cryptoapi/north.vpub", "cryptoapi/south.vpub"}) {
        ASSERT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", FixturePath(key)), QrBitmapResult::Ok);
        const auto theirs = test::SegnoRows(PublicKeyQrText(FixturePath(key)), 10, "L", 2, "alphanumeric");
        EXPECT_EQ(test::MatrixDifference(BitmapModules(ReadFileBytes(dir / "qr.bmp")), theirs), "") << key;
    }
}

TEST(PublicKeyBitmap, OpensInImageMagickAndReadsBack) {
    if (!test::HaveIdentify() || !test::HaveZbarimg()) GTEST_SKIP() << "ImageMagick or zbarimg not installed";
    TempDir dir;
    const fs::path key = FixturePath("cryptoapi/south.vpub");
    ASSERT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", key), QrBitmapResult::Ok);
    int status = 0;
    EXPECT_EQ(test::RunCommand("identify -format '%m %w %h %[channels]' '" + (dir / "qr.bmp").string() + "'", &status),
              "BMP3 65 65 srgb");
    EXPECT_EQ(status, 0);
    // One pixel per module is too small for a camera-style reader: enlarge first.
    test::RunCommand(
        "convert '" + (dir / "qr.bmp").string() + "' -filter point -resize 600% '" + (dir / "big.png").string() + "'",
        &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::ZbarDecodeFile(dir / "big.png"), PublicKeyQrText(key));
}

TEST(PublicKeyBitmap, RepeatableAndReplacing) {
    TempDir dir;
    const fs::path key = FixturePath("cryptoapi/north.vpub");
    WriteFileBytes(dir / "qr.bmp", Bytes(5000, 0x55));  // an old file of another size
    ASSERT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", key), QrBitmapResult::Ok);
    const Bytes first = ReadFileBytes(dir / "qr.bmp");
    ASSERT_EQ(WritePublicKeyQrBitmap(dir / "qr2.bmp", key), QrBitmapResult::Ok);
    EXPECT_EQ(ReadFileBytes(dir / "qr2.bmp"), first);
    EXPECT_EQ(first.size(), 12794U);
}

TEST(PublicKeyBitmap, FailuresWriteNothing) {
    TempDir dir;
    EXPECT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", dir / "gone.vpub"), QrBitmapResult::KeyUnreadable);
    EXPECT_FALSE(fs::exists(dir / "qr.bmp"));
    WriteFileBytes(dir / "qr.bmp", Bytes{1, 2, 3});
    EXPECT_EQ(WritePublicKeyQrBitmap(dir / "qr.bmp", dir / "gone.vpub"), QrBitmapResult::KeyUnreadable);
    EXPECT_EQ(ReadFileBytes(dir / "qr.bmp"), (Bytes{1, 2, 3}));
    EXPECT_EQ(WritePublicKeyQrBitmap(dir / "no" / "qr.bmp", FixturePath("cryptoapi/north.vpub")),
              QrBitmapResult::WriteFailed);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(PublicKeyBitmap, SavedCopyReplacesTheChosenFile) {
    TempDir dir;
    ASSERT_EQ(WritePublicKeyQrBitmap(dir / "work.bmp", FixturePath("cryptoapi/north.vpub")), QrBitmapResult::Ok);
    WriteFileBytes(dir / "north-QRCode.bmp", Bytes(20000, 9));
    ASSERT_TRUE(CopyFileAtomically(dir / "work.bmp", dir / "north-QRCode.bmp"));
    EXPECT_EQ(ReadFileBytes(dir / "north-QRCode.bmp"), ReadFileBytes(dir / "work.bmp"));
    EXPECT_TRUE(CopyFileAtomically(dir / "work.bmp", dir / "work.bmp"));
    EXPECT_EQ(ReadFileBytes(dir / "work.bmp").size(), 12794U);
    // A missing source or an unwritable target changes nothing.
    EXPECT_FALSE(CopyFileAtomically(dir / "gone.bmp", dir / "north-QRCode.bmp"));
    EXPECT_FALSE(CopyFileAtomically(dir / "work.bmp", dir / "no" / "x.bmp"));
    EXPECT_FALSE(CopyFileAtomically(dir / "work.bmp", dir.Path()));
    EXPECT_EQ(ReadFileBytes(dir / "north-QRCode.bmp"), ReadFileBytes(dir / "work.bmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(PublicKeyBitmap, SaveName) {
    EXPECT_EQ(QrBitmapSaveName("/keys/KeyList_taro/taro.vpub"), fs::path("/keys/KeyList_taro/taro-QRCode.bmp"));
    EXPECT_EQ(QrBitmapSaveName("/k/北.v1.vpub"), fs::path("/k/北.v1-QRCode.bmp"));
}

// --- The view's saved picture ----------------------------------------------------------

// A registration-like text whose symbol is version 7 at level M.
std::string Version7Text() {
    return Sjis("これは、FerroloのURLと登録する公開鍵情報(1024bit)です。") +
           "https://svc.test/m/?pk=" + std::string(50, '0') + "&ma=a%40b";
}

TEST(QrViewBitmap, SavedFileOfAVersion7Symbol) {
    const auto symbol = EncodeQr(QrLevel::M, 0, true, -1, Version7Text());
    ASSERT_TRUE(symbol);
    ASSERT_EQ(symbol->version, 7);
    const QrViewBitmap view = MakeQrViewBitmap(*symbol);
    ASSERT_EQ(view.width, 53);
    for (int y = 0; y < 53; ++y)
        for (int x = 0; x < 53; ++x) {
            const bool inside = x >= 4 && y >= 4 && x < 49 && y < 49;
            ASSERT_EQ(view.Black(x, y), inside && symbol->Dark(x - 4, y - 4)) << x << "," << y;
        }
    const Bytes file = BuildQrViewBitmapFile(view);
    ASSERT_EQ(file.size(), 62U + 16U * 106U);
    const std::uint8_t* p = file.data();
    EXPECT_EQ(p[0], 'B');
    EXPECT_EQ(p[1], 'M');
    EXPECT_EQ(LoadLe32(p + 2), 62U + 1696U);
    EXPECT_EQ(LoadLe32(p + 6), 0U);
    EXPECT_EQ(LoadLe32(p + 10), 62U);
    EXPECT_EQ(LoadLe32(p + 14), 40U);
    EXPECT_EQ(LoadLeI32(p + 18), 106);
    EXPECT_EQ(LoadLeI32(p + 22), 106);
    EXPECT_EQ(LoadLe16(p + 26), 1);
    EXPECT_EQ(LoadLe16(p + 28), 1);
    EXPECT_EQ(LoadLe32(p + 30), 0U);
    EXPECT_EQ(LoadLe32(p + 34), 1696U);
    EXPECT_EQ(LoadLe32(p + 38), 3780U);
    EXPECT_EQ(LoadLe32(p + 42), 3780U);
    EXPECT_EQ(LoadLe32(p + 46), 0U);
    EXPECT_EQ(LoadLe32(p + 50), 0U);
    EXPECT_EQ(LoadLe32(p + 54), 0x000000U);  // black
    EXPECT_EQ(LoadLe32(p + 58), 0xFFFFFFU);  // white
    // Each view pixel is 2 x 2; rows bottom-up, 16 bytes each, bits past 106 clear.
    for (int py = 0; py < 106; ++py) {
        const std::uint8_t* row = p + 62 + static_cast<std::size_t>(105 - py) * 16;
        for (int px = 0; px < 106; ++px) {
            const bool white = (row[px / 8] >> (7 - px % 8)) & 1;
            ASSERT_EQ(white, !view.Black(px / 2, py / 2)) << px << "," << py;
        }
        for (int px = 106; px < 128; ++px) ASSERT_EQ((row[px / 8] >> (7 - px % 8)) & 1, 0);
    }
    const Bytes dib = BuildQrViewDib(view);
    EXPECT_EQ(dib, Bytes(file.begin() + 14, file.end()));
}

TEST(QrViewBitmap, SizesFollowTheSymbol) {
    for (const int width : {29, 53, 65, 185}) {
        const std::size_t side = 2 * static_cast<std::size_t>(width);
        EXPECT_EQ(QrViewSavedImageSize(width), (side + 31) / 32 * 4 * side);
    }
    EXPECT_EQ(QrViewSavedImageSize(53), 1696U);
}

TEST(QrViewBitmap, SavedPictureOpensAndDecodes) {
    if (!test::HaveIdentify() || !test::HaveZbarimg()) GTEST_SKIP() << "ImageMagick or zbarimg not installed";
    TempDir dir;
    const std::string text = Version7Text();
    const auto symbol = EncodeQr(QrLevel::M, 0, true, -1, text);
    ASSERT_TRUE(symbol);
    WriteFileBytes(dir / "view.bmp", Bytes(10, 1));
    ASSERT_TRUE(SaveQrViewBitmap(MakeQrViewBitmap(*symbol), dir / "view.bmp"));
    int status = 0;
    EXPECT_EQ(test::RunCommand("identify -format '%m %w %h' '" + (dir / "view.bmp").string() + "'", &status),
              "BMP3 106 106");
    test::RunCommand("convert '" + (dir / "view.bmp").string() + "' -filter point -resize 300% '" +
                         (dir / "view.png").string() + "'",
                     &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::ToHex(test::ZbarDecodeFile(dir / "view.png").value_or("")), test::ToHex(text));
    EXPECT_FALSE(SaveQrViewBitmap(MakeQrViewBitmap(*symbol), dir / "missing" / "view.bmp"));
}

// --- QR text import -------------------------------------------------------------------

const std::string kHeader = "---- TZA-P2P QRCode Public Key ----";
const std::string kEnd = "--End of data--";

TEST(QrImport, ResultCodes) {
    const std::string hex256(256, 'A');
    struct Case {
        const char* name;
        std::string text;
        QrImportResult result;
        std::size_t collected;
    };
    const std::vector<Case> cases = {
        {"no header", hex256 + "\n" + kEnd + "\n", QrImportResult::Nothing, 0},
        {"empty", "", QrImportResult::Nothing, 0},
        {"header only", kHeader + "\n\n" + kEnd, QrImportResult::Nothing, 0},
        {"255 characters", kHeader + "\n" + std::string(255, 'A') + "\n" + kEnd, QrImportResult::WrongLength, 255},
        {"257 characters", kHeader + "\n" + std::string(257, 'A') + "\n" + kEnd, QrImportResult::WrongLength, 257},
        {"256 in one line", kHeader + "\n" + hex256 + "\n" + kEnd + "\n", QrImportResult::Complete, 256},
        {"lines trimmed, CR LF, blank lines, text before the header",
         "Subject: key\r\n\r\nFFFF\r\n  " + kHeader + "  \r\n" + std::string(100, 'B') + " \r\n\r\n\t" +
             std::string(100, 'C') + "\r\n" + std::string(56, 'D') + "\r\n" + kEnd + "\r\nEEEE\r\n",
         QrImportResult::Complete, 256},
        {"no end line", kHeader + "\n" + std::string(128, '1') + "\n" + std::string(128, '2'), QrImportResult::Complete,
         256},
        {"stops at the end line", kHeader + "\n" + std::string(200, '1') + "\n" + kEnd + "\n" + std::string(56, '2'),
         QrImportResult::WrongLength, 200},
        {"end line before header", kEnd + "\n" + kHeader + "\n" + hex256, QrImportResult::Nothing, 0},
    };
    for (const auto& c : cases) {
        std::string key = "left over";
        EXPECT_EQ(ParseQrImportText(c.text, key), c.result) << c.name;
        EXPECT_EQ(key.size(), c.collected) << c.name;
    }
    std::string key;
    ASSERT_EQ(ParseQrImportText("x\n" + kHeader + "\n  12 34\n", key), QrImportResult::WrongLength);
    EXPECT_EQ(key, "12 34");
}

// A public key file goes out as QR text and comes back as the same file.
TEST(QrImport, RoundTripGivesThePublicKeyFile) {
    TempDir dir;
    const Bytes original = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    const std::string modulusHex = PublicKeyQrText(FixturePath("cryptoapi/north.vpub")).substr(48);
    std::string block = "---- TZA-P2P QRCode Public Key ----\n";
    for (std::size_t i = 0; i < modulusHex.size(); i += 64) block += modulusHex.substr(i, 64) + "\n";
    block += "--End of data--\n";
    std::string key;
    ASSERT_EQ(ParseQrImportText(block, key), QrImportResult::Complete);
    const fs::path out = dir / ImportedKeyFileName("north");
    EXPECT_EQ(out.filename(), "north-authQR.vpub");
    ASSERT_EQ(WriteImportedPublicKey(key, out), QrImportWriteResult::Ok);
    EXPECT_EQ(ReadFileBytes(out), original);
    EXPECT_TRUE(ReadPublicKeyFileBytes(out));
}

TEST(QrImport, LowerCaseLettersBecomeZeroNibbles) {
    std::string key(256, '0');
    key.replace(0, 8,
                "aF"
                "Fa"
                "G1"
                "ff");
    const auto bytes = ImportedPublicKeyBytes(key);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 152U);
    EXPECT_EQ(test::ToHex(bytes->substr(0, 24)), "940000000602000000a40000525341310004000001000100");
    EXPECT_EQ(test::ToHex(bytes->substr(24, 4)), "0ff00100");
}

TEST(QrImport, WriteFailuresChangeNothing) {
    TempDir dir;
    EXPECT_EQ(WriteImportedPublicKey(std::string(255, 'A'), dir / "k.vpub"), QrImportWriteResult::BadKeyText);
    EXPECT_EQ(WriteImportedPublicKey("", dir / "k.vpub"), QrImportWriteResult::BadKeyText);
    EXPECT_FALSE(fs::exists(dir / "k.vpub"));
    EXPECT_EQ(WriteImportedPublicKey(std::string(256, 'A'), dir / "missing" / "k.vpub"),
              QrImportWriteResult::FileError);
    // An old read-only file is replaced.
    WriteFileBytes(dir / "k.vpub", Bytes(7, 7));
    fs::permissions(dir / "k.vpub", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(WriteImportedPublicKey(std::string(256, 'A'), dir / "k.vpub"), QrImportWriteResult::Ok);
    const Bytes written = ReadFileBytes(dir / "k.vpub");
    ASSERT_EQ(written.size(), 152U);
    EXPECT_EQ(written[24], 0xAA);
    EXPECT_EQ(written[151], 0xAA);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(QrImport, FileNames) {
    EXPECT_EQ(ImportedKeyFileName("friend"), "friend-authQR.vpub");
    EXPECT_EQ(ImportedKeyFileName("山田"), "山田-authQR.vpub");
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "../x", "a/b", std::string("a\0b", 3)})
        EXPECT_EQ(ImportedKeyFileName(bad), "") << bad;
}

TEST(QrImport, FailureMessagesAreExact) {
    EXPECT_EQ(QrImportFailureMessage(JapaneseTexts(), QrImportResult::Complete), "");
    EXPECT_EQ(QrImportFailureMessage(JapaneseTexts(), QrImportResult::WrongLength),
              "読み取られた公開鍵の長さが短すぎます。");
    EXPECT_EQ(QrImportFailureMessage(JapaneseTexts(), QrImportResult::Nothing),
              "iアプリから送信された公開鍵をテキストフィールドにコピー＆ペーストしてください");
    EXPECT_EQ(QrImportFailureMessage(JapaneseTexts(), static_cast<QrImportResult>(0)),
              "取り込まれた２次元バーコードが異常です。");
}

}  // namespace
}  // namespace tessarin
