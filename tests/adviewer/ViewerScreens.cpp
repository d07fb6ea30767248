// Renders the viewer's windows in Japanese and English to
// build/screens/<Window>-<ja|en>.png: preparing, online (the embedded
// animated advertisement served by the stand-in), offline, its menu and the
// version box.

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QToolButton>
#include <QtTest>
#include <chrono>

#include "ViewerSupport.h"
#include "adviewer/CAboutDlg.h"
#include "adviewer/CAdPlayer.h"
#include "adviewer/CTessarin_CMDlg.h"
#include "adviewer/CmPicture.h"
#include "core/LanguageTable.h"

using namespace std::chrono_literals;
using namespace tessarin::adviewer;
namespace test = tessarin::test;
using tessarin::LanguageTable;

class ViewerScreens : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(TESSARIN_SCREENS_DIR)); }
    void init() { m_home = std::make_unique<test::ScopedHome>(); }
    void cleanup() { m_home.reset(); }

    void windows_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("ja") << false;
        QTest::newRow("en") << true;
    }
    void windows() {
        QFETCH(bool, english);
        LanguageTable texts;
        texts.FillJapanese();
        if (english) texts.FillEnglish();
        const QString lang = english ? "en" : "ja";
        const CmTimings never{1ms, 10min, 10min, 10min, kMaxAdBytes};

        {
            CTessarin_CMDlg preparing(texts, never);
            preparing.adjustSize();
            Save(preparing.grab(), "CTessarin_CMDlgPreparing", lang);
        }
        {
            const QByteArray movie = EmbeddedResource(kResourceMovie);
            test::AdService().Script(
                {{"ad1", {{200, "", 0, std::nullopt}, {200, movie.toStdString(), 0, std::nullopt}}}});
            CTessarin_CMDlg online(texts, never);
            online.show();
            QTRY_VERIFY_WITH_TIMEOUT(online.Player()->FramesShown() >= 6, 30000);
            QVERIFY(online.Online());
            Save(online.grab(), "CTessarin_CMDlgOnline", lang);
        }
        {
            test::ScopedNoService noService;
            CTessarin_CMDlg offline(texts, never);
            offline.show();
            QTRY_VERIFY_WITH_TIMEOUT(offline.Player()->FramesShown() == 1, 30000);
            Save(offline.grab(), "CTessarin_CMDlgOffline", lang);

            auto* menu = offline.findChild<QToolButton*>("menuButton")->menu();
            menu->popup(offline.mapToGlobal(QPoint(0, offline.height())));
            QTRY_VERIFY(menu->isVisible());
            Save(menu->grab(), "CTessarin_CMDlgMenu", lang);
            menu->hide();

            offline.ShowAbout();
            QTRY_VERIFY(offline.About() && offline.About()->isVisible());
            Save(offline.About()->grab(), "CAboutDlg", lang);
        }
    }

private:
    static void Save(const QPixmap& picture, const QString& window, const QString& lang) {
        const QString path = QString(TESSARIN_SCREENS_DIR) + "/" + window + "-" + lang + ".png";
        QVERIFY2(picture.save(path), qPrintable(path));
    }

    std::unique_ptr<test::ScopedHome> m_home;
};

QTEST_MAIN(ViewerScreens)
#include "ViewerScreens.moc"
