// The QR code windows: the registration code view (its picture, saving and
// copying the doubled picture), the function chooser with the public key
// bitmap and its save, and the import of a key from a pasted reading.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "GuiHarness.h"
#include "gui/qr/CPubKey2QRChar.h"
#include "gui/qr/CQRChar2PubKey.h"
#include "gui/qr/CQRCodeFuncSelDlg.h"
#include "gui/qr/CQrcodeViewDlg.h"

using namespace tessarin;
using namespace tessarin::gui;
using tessarin::test::GuiHarness;
namespace fs = std::filesystem;

namespace {

// Runs act on each modal window that opens, in turn, until act returns false.
void OnModals(std::function<bool(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* w = nullptr;
        QTRY_VERIFY((w = QApplication::activeModalWidget()) != nullptr);
        if (act(w)) OnModals(act);
    });
}

template <class T>
T* Child(QWidget* w, const char* name) {
    auto* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

QString ButtonText(QWidget& w, const char* name) {
    return Child<QPushButton>(&w, name)->text();
}

const std::string kHeader = "---- TZA-P2P QRCode Public Key ----";
const std::string kEnd = "--End of data--";

// A phone's reading of north's public key, as mailed: the key text in lines.
std::string Reading(std::size_t characters) {
    const auto key = test::ReadFileBytes(test::FixturePath("cryptoapi/north.vpub"));
    static const char* hex = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 20; i < key.size() && text.size() < characters; ++i) {
        text += hex[key[i] >> 4];
        text += hex[key[i] & 15];
    }
    text.resize(characters, '0');
    std::string mail = "Subject: key\n\n" + kHeader + "\n";
    for (std::size_t i = 0; i < text.size(); i += 64) mail += text.substr(i, 64) + "\n";
    return mail + kEnd + "\n";
}

std::size_t FileSize(const fs::path& p) {
    return static_cast<std::size_t>(fs::file_size(p));
}

}  // namespace

class QrWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theViewShowsTheSymbolOnePixelPerModuleWithItsMargin() {
        GuiHarness h;
        CQrcodeViewDlg view(*h.context);
        QCOMPARE(view.windowTitle(), QStringLiteral("公開鍵2次元バーコード表示"));
        QCOMPARE(ButtonText(view, "register"), QStringLiteral("公開鍵を登録(&R)"));
        QCOMPARE(ButtonText(view, "save"), QStringLiteral("保存(&S)"));
        QCOMPARE(ButtonText(view, "copy"), QStringLiteral("コピー(&C)"));
        QCOMPARE(ButtonText(view, "close"), QStringLiteral("閉じる(&X)"));
        QVERIFY(Child<QLabel>(&view, "explanation")
                    ->text()
                    .startsWith(QStringLiteral("左の2次元バーコードが、あなたの配布可能な鍵(公開鍵)です。\n\n")));
        const int w = view.View().picture.width;
        QVERIFY(w >= 21 + 8);
        QVERIFY((w - 8 - 17) % 4 == 0);  // a symbol of 17 + 4v modules
        const QImage shown = Child<QLabel>(&view, "picture")->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(w, w));
        // The finder pattern's corner starts after the 4-pixel white margin.
        QCOMPARE(QColor(shown.pixel(3, 3)), QColor(Qt::white));
        QCOMPARE(QColor(shown.pixel(4, 4)), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(w - 5, 4)), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(w - 4, 4)), QColor(Qt::white));
    }

    void saveWritesTheDoubledOneBitPictureAndCopyPutsItOnTheClipboard() {
        GuiHarness h;
        CQrcodeViewDlg view(*h.context);
        const int w = view.View().picture.width;
        const auto out = h.WorkFolder("qr") / "code.bmp";
        test::WriteText(out, "an older picture");
        h.chooser.saves.push_back(out);
        QTest::mouseClick(Child<QPushButton>(&view, "save"), Qt::LeftButton);
        QCOMPARE(h.chooser.asked.back().filter, QStringLiteral("ビットマップ(*.bmp)|*.bmp|"));
        QCOMPARE(h.chooser.asked.back().defaultSuffix, QStringLiteral("bmp"));
        const std::size_t s = static_cast<std::size_t>((2 * w + 31) / 32 * 4 * 2 * w);
        QCOMPARE(FileSize(out), 62 + s);
        QImage saved(QString::fromStdString(out.string()));
        QCOMPARE(saved.size(), QSize(2 * w, 2 * w));
        QCOMPARE(QColor(saved.pixel(8, 8)), QColor(Qt::black));
        QCOMPARE(QColor(saved.pixel(7, 7)), QColor(Qt::white));
        QVERIFY(h.presenter.shown.empty());

        QTest::mouseClick(Child<QPushButton>(&view, "copy"), Qt::LeftButton);
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(2 * w, 2 * w));
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), saved.convertToFormat(QImage::Format_RGB32));

        // A folder that is not there: the error box, nothing written.
        h.chooser.saves.push_back(h.Home() / "missing" / "code.bmp");
        QTest::mouseClick(Child<QPushButton>(&view, "save"), Qt::LeftButton);
        QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{"ファイルオープンエラー"}));
        QCOMPARE(h.presenter.shown.back().messageKind, MessageKind::Error);
        QVERIFY(!fs::exists(h.Home() / "missing"));
    }

    void theFunctionChooserMakesThePublicKeyBitmapAndSavesItOnRequest() {
        GuiHarness h;
        const auto working = h.core->QrWorkingBitmapPath();
        const auto out = h.WorkFolder("qr") / "mine.bmp";
        for (const bool save : {false, true}) {
            CQRCodeFuncSelDlg chooser(*h.context, working);
            QCOMPARE(chooser.windowTitle(), QStringLiteral("２次元バーコード処理機能"));
            Child<QRadioButton>(&chooser, "generate")->setChecked(true);
            if (save) h.chooser.saves.push_back(out);
            QString title, text, saveCaption;
            QSize picture;
            OnModals([&](QWidget* w) {
                title = w->windowTitle();
                text = Child<QLabel>(w, "text")->text();
                saveCaption = ButtonText(*w, "save");
                picture = Child<QLabel>(w, "picture")->pixmap().size();
                Child<QPushButton>(w, save ? "save" : "cancel")->click();
                return false;
            });
            QTest::mouseClick(Child<QPushButton>(&chooser, "ok"), Qt::LeftButton);
            QCOMPARE(title, QStringLiteral("２次元バーコード生成完了"));
            QCOMPARE(text, QStringLiteral("公開鍵から２次元バーコードを生成しました。"));
            QCOMPARE(saveCaption, QStringLiteral("ファイルに保存(&S)"));
            QCOMPARE(picture, QSize(65, 65));
            QCOMPARE(FileSize(working), std::size_t{12794});
            QCOMPARE(fs::exists(out), save);
        }
        QCOMPARE(FileSize(out), std::size_t{12794});
        const auto& asked = h.chooser.asked.back();
        QVERIFY(asked.defaultName.endsWith(QStringLiteral("-QRCode.bmp")));
        QCOMPARE(asked.startFolder, h.core->Keys().PublicKeyPath().parent_path());
    }

    void anImportedReadingBecomesAKeyFileInTheKeyFolder() {
        GuiHarness h;
        CQRChar2PubKey importer(*h.context);
        QCOMPARE(importer.windowTitle(), QStringLiteral("２次元バーコード読み取り結果からの公開鍵生成"));
        QCOMPARE(ButtonText(importer, "make"), QStringLiteral("公開鍵生成"));
        auto* field = Child<QPlainTextEdit>(&importer, "field");
        auto* make = Child<QPushButton>(&importer, "make");

        struct Refused {
            std::string text;
            std::string message;
        };
        for (const auto& c :
             {Refused{Reading(200), "読み取られた公開鍵の長さが短すぎます。"},
              Refused{"FFFF\n", "iアプリから送信された公開鍵をテキストフィールドにコピー＆ペーストしてください"}}) {
            h.presenter.shown.clear();
            field->setPlainText(QString::fromStdString(c.text));
            QTest::mouseClick(make, Qt::LeftButton);
            QCOMPARE(h.presenter.Messages(), (std::vector<std::string>{c.message}));
            QVERIFY(importer.Written().empty());
        }

        // An empty name is asked for again; the key is written under the second.
        h.presenter.shown.clear();
        field->setPlainText(QString::fromStdString(Reading(256)));
        std::vector<std::string> names{"", "hanako"};
        OnModals([&](QWidget* w) {
            Child<QLineEdit>(w, "name")->setText(QString::fromStdString(names.front()));
            names.erase(names.begin());
            Child<QPushButton>(w, "ok")->click();
            return !names.empty();
        });
        QTest::mouseClick(make, Qt::LeftButton);
        const auto written = h.core->Keys().KeyFolderPath() / "hanako-authQR.vpub";
        QCOMPARE(importer.Written(), written);
        QCOMPARE(FileSize(written), std::size_t{152});
        QCOMPARE(h.presenter.Messages(),
                 (std::vector<std::string>{"鍵ファイル名が未入力です。\nファイル名を入力してください",
                                           "公開鍵ファイル hanako-authQR.vpub を作成しました。"}));

        // The same name again never replaces the key already there.
        test::WriteText(written, "a partner's key");
        h.presenter.shown.clear();
        OnModals([&](QWidget* w) {
            Child<QLineEdit>(w, "name")->setText(QStringLiteral("hanako"));
            Child<QPushButton>(w, "ok")->click();
            return false;
        });
        QTest::mouseClick(make, Qt::LeftButton);
        QCOMPARE(h.presenter.Messages().size(), std::size_t{1});
        QVERIFY(h.presenter.Messages()[0].starts_with(
            "鍵フォルダには同じ名前の別の鍵ファイル hanako-authQR.vpub が既にあります。"));
        std::ifstream in(written);
        std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        QCOMPARE(kept, std::string("a partner's key"));
    }

    void theWindowsRelabelOnALanguageSwitch() {
        GuiHarness h;
        CQrcodeViewDlg view(*h.context);
        CPubKey2QRChar made(*h.context, h.Home() / "none.bmp");
        h.language->Switch(LanguageTable::Language::English);
        QCOMPARE(view.windowTitle(), QStringLiteral("Public Key QR Code"));
        QCOMPARE(made.windowTitle(), QStringLiteral("QR Code generation Complete"));
        QCOMPARE(Child<QLabel>(&made, "text")->text(), QStringLiteral("Create QR code from Public Key."));
        QCOMPARE(ButtonText(made, "save"), QStringLiteral("Save(&s)"));
        QCOMPARE(ButtonText(made, "cancel"), QStringLiteral("Cancel"));
        // A bitmap that is not there shows an empty picture and cannot be saved.
        QVERIFY(!Child<QPushButton>(&made, "save")->isEnabled());
        h.language->Switch(LanguageTable::Language::Japanese);
        QCOMPARE(view.windowTitle(), QStringLiteral("公開鍵2次元バーコード表示"));
    }

    void screens() {
        for (const bool english : {false, true}) {
            GuiHarness h(english);
            CQrcodeViewDlg view(*h.context);
            view.adjustSize();
            test::SaveScreen(view, "CQrcodeViewDlg", h.texts);
            CQRCodeFuncSelDlg chooser(*h.context, h.core->QrWorkingBitmapPath());
            chooser.adjustSize();
            test::SaveScreen(chooser, "CQRCodeFuncSelDlg", h.texts);
            QVERIFY(h.core->WriteOwnPublicKeyQrBitmap(h.core->QrWorkingBitmapPath()) == QrBitmapResult::Ok);
            CPubKey2QRChar made(*h.context, h.core->QrWorkingBitmapPath());
            made.adjustSize();
            test::SaveScreen(made, "CPubKey2QRChar", h.texts);
            CQRChar2PubKey importer(*h.context);
            importer.adjustSize();
            test::SaveScreen(importer, "CQRChar2PubKey", h.texts);
        }
    }
};

QTEST_MAIN(QrWindowsTest)
#include "QrWindowsTest.moc"
