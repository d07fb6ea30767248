// The viewer's window: the source chain over the stand-in service, the
// timers that close it, the close button, Escape and the close command, the
// version box, its texts in both languages.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QtTest>
#include <chrono>
#include <fstream>

#include "ViewerSupport.h"
#include "adviewer/CAboutDlg.h"
#include "adviewer/CAdPlayer.h"
#include "adviewer/CTessarin_CMDlg.h"
#include "core/LanguageTable.h"

using namespace std::chrono_literals;
using namespace tessarin::adviewer;
namespace test = tessarin::test;
using tessarin::LanguageTable;
using tessarin::test::ScriptedAnswer;

namespace {

constexpr int kWaitMs = 30000;
constexpr const char* kAgent = "Tessarin Viewer - build20081030-00";

ScriptedAnswer Status(int status) {
    return {status, "", 0, std::nullopt};
}
ScriptedAnswer Movie(const std::string& file) {
    return {200, test::FileText(test::DataFile(file)), 0, std::nullopt};
}

LanguageTable Texts(bool english) {
    LanguageTable texts;
    texts.FillJapanese();
    if (english) texts.FillEnglish();
    return texts;
}

// Timings long enough never to be what closes the window in a test, with
// the one a test is about made short.
struct TestTimings : CmTimings {
    TestTimings WithCap(std::chrono::milliseconds t) const { return Changed(&CmTimings::cap, t); }
    TestTimings WithOffline(std::chrono::milliseconds t) const { return Changed(&CmTimings::offline, t); }

private:
    TestTimings Changed(std::chrono::milliseconds CmTimings::*field, std::chrono::milliseconds t) const {
        TestTimings copy = *this;
        copy.*field = t;
        return copy;
    }
};
TestTimings Never() {
    return {{1ms, 10min, 10min, 10min, kMaxAdBytes}};
}

// A Japanese viewer, shown.
std::unique_ptr<CTessarin_CMDlg> Shown(const CmTimings& timings) {
    static const LanguageTable japanese = Texts(false);
    auto dialog = std::make_unique<CTessarin_CMDlg>(japanese, timings);
    dialog->show();
    return dialog;
}

QString Text(const QWidget& dialog, const char* name) {
    if (const auto* label = dialog.findChild<QLabel*>(name)) return label->text();
    if (const auto* button = dialog.findChild<QAbstractButton*>(name)) return button->text();
    return "<missing " + QString(name) + ">";
}

void ExpectRequests(const char* route, std::size_t count, const char* target) {
    const auto requests = test::AdService().Requests(route);
    QCOMPARE(requests.size(), count);
    for (const auto& r : requests) {
        QCOMPARE(QString::fromStdString(r.method), QString("GET"));
        QCOMPARE(QString::fromStdString(r.target), QString(target));
        QCOMPARE(QString::fromStdString(r.userAgent), QString(kAgent));
    }
}

}  // namespace

class ViewerDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<test::ScopedHome>(); }
    void cleanup() { m_home.reset(); }

    void startsPreparingTopmostWithTheCloseButtonDisabled_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("close");
        QTest::newRow("ja") << false << "表示準備中です..."
                            << "閉じる";
        QTest::newRow("en") << true << "Preparing the display..."
                            << "Close";
    }
    void startsPreparingTopmostWithTheCloseButtonDisabled() {
        QFETCH(bool, english);
        QFETCH(QString, status);
        QFETCH(QString, close);
        const auto texts = Texts(english);
        CTessarin_CMDlg dialog(texts, Never());
        QCOMPARE(Text(dialog, "statusText"), status);
        QCOMPARE(dialog.windowTitle(), QString("Tessarin"));
        QCOMPARE(Text(dialog, "closeButton"), close);
        QVERIFY(!dialog.findChild<QPushButton*>("closeButton")->isEnabled());
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(dialog.Player()->size(), QSize(180, 135));
    }

    void theFirstAddressPlaysOnceAndTheWindowClosesWhenItStops() {
        auto& service = test::AdService();
        // The service answers both requests with the movie: the probe reads
        // only the status, the player then fetches the movie.
        service.Script({{"ad1", {Movie("looping.gif")}}});
        const auto viewer = Shown(Never());
        auto& dialog = *viewer;
        QVERIFY((dialog.frameGeometry().center() - dialog.screen()->availableGeometry().center()).manhattanLength() <=
                2);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Online());
        QCOMPARE(dialog.Player()->FramesShown(), 3);  // once through a movie that asks to loop
        QVERIFY(!dialog.Player()->Playing());
        QVERIFY(dialog.findChild<QPushButton*>("closeButton")->isEnabled());
        QCOMPARE(Text(dialog, "statusText"), QString());
        ExpectRequests("ad1", 2, "/ad/?r=1&p=0");
        ExpectRequests("ad0", 0, "");
    }

    void aMovieThatNeverStopsIsClosedAtTheCap() {
        auto& service = test::AdService();
        // Two frames of a minute each.
        service.Script({{"ad1", {Status(200), Movie("endless.gif")}}});
        const auto viewer = Shown(Never().WithCap(1500ms));
        auto& dialog = *viewer;
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        QVERIFY(dialog.Online());
        QVERIFY(dialog.Player()->Playing());  // it was the cap, not the end of the movie
        QVERIFY(dialog.Player()->FramesShown() <= 1);
        QVERIFY(dialog.findChild<QPushButton*>("closeButton")->isEnabled());
    }

    void aMissingFirstAddressFallsBackToTheSecond() {
        auto& service = test::AdService();
        service.Script({{"ad1", {{404, "no advertisement here", 0, std::nullopt}}}, {"ad0", {Movie("looping.gif")}}});
        const auto viewer = Shown(Never().WithOffline(3s));
        auto& dialog = *viewer;
        QTRY_VERIFY_WITH_TIMEOUT(dialog.SourceChosen(), kWaitMs);
        QVERIFY(dialog.Source().kind == AdSource::Kind::SecondAddress);
        QVERIFY(!dialog.Online());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        ExpectRequests("ad1", 1, "/ad/?r=1&p=0");
        ExpectRequests("ad0", 2, "/ad/?r=0&p=0");
        // The second address's movie was shown, not the offline picture.
        QVERIFY(!std::filesystem::exists(m_home->Path() / "CM"));
    }

    void withoutTheServiceTheEmbeddedPictureShowsForTheOfflineTime_data() {
        QTest::addColumn<QString>("service");
        QTest::newRow("no service") << "none";
        QTest::newRow("both addresses refused") << "404";
        QTest::newRow("service errors") << "500";
    }
    void withoutTheServiceTheEmbeddedPictureShowsForTheOfflineTime() {
        QFETCH(QString, service);
        std::unique_ptr<test::ScopedNoService> noService;
        if (service == "none")
            noService = std::make_unique<test::ScopedNoService>();
        else
            test::AdService().Script({{"ad1", {Status(service.toInt())}}, {"ad0", {Status(service.toInt())}}});
        const auto viewer = Shown(Never().WithOffline(500ms));
        auto& dialog = *viewer;
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Source().kind == AdSource::Kind::Offline);
        // The still picture would go on "playing" for ten minutes: the offline
        // time closed the window.
        QVERIFY(dialog.Player()->Playing());
        QCOMPARE(dialog.Player()->CurrentFrame(), QImage(QString::fromStdString(test::AssetFile("cm.jpg").string())));
        QVERIFY(test::FileText(m_home->Path() / "CM" / "cm.jpg") == test::FileText(test::AssetFile("cm.jpg")));
    }

    void aModifiedPictureIsRewrittenAtTheNextStart() {
        test::ScopedNoService noService;
        const auto picture = m_home->Path() / "CM" / "cm.jpg";
        std::filesystem::create_directories(picture.parent_path());
        std::ofstream(picture) << "replaced by someone";
        std::filesystem::permissions(picture, std::filesystem::perms::owner_read);
        const auto viewer = Shown(Never().WithOffline(200ms));
        auto& dialog = *viewer;
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        QVERIFY(test::FileText(picture) == test::FileText(test::AssetFile("cm.jpg")));
        QCOMPARE(dialog.Player()->FramesShown(), 1);
    }

    void escapeAndTheCloseCommandDoNothing() {
        test::ScopedNoService noService;
        const auto viewer = Shown(Never());
        auto& dialog = *viewer;
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.close());
        QTRY_VERIFY_WITH_TIMEOUT(dialog.SourceChosen(), kWaitMs);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.findChild<QPushButton*>("closeButton")->isEnabled());
    }

    void theMenuOpensTheVersionBox_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("title");
        QTest::newRow("ja") << false << "バージョン情報 Tessarin_CM(&A)..."
                            << "バージョン情報 Tessarin_CM";
        QTest::newRow("en") << true << "&About Tessarin_CM..."
                            << "About Tessarin_CM";
    }
    void theMenuOpensTheVersionBox() {
        QFETCH(bool, english);
        QFETCH(QString, menuItem);
        QFETCH(QString, title);
        test::ScopedNoService noService;
        const auto texts = Texts(english);
        CTessarin_CMDlg dialog(texts, Never());
        dialog.show();
        auto* menuButton = dialog.findChild<QToolButton*>("menuButton");
        QVERIFY(menuButton && menuButton->menu());
        auto* about = dialog.findChild<QAction*>("aboutAction");
        QCOMPARE(about->text(), menuItem);
        QVERIFY(menuButton->menu()->actions().contains(about));
        about->trigger();
        QTRY_VERIFY(dialog.About() && dialog.About()->isVisible());
        QCOMPARE(dialog.About()->windowTitle(), title);
        QCOMPARE(Text(*dialog.About(), "versionText"), QString("Tessarin_CM Version 1.0"));
        QCOMPARE(Text(*dialog.About(), "okButton"), QString("OK"));
        QTest::mouseClick(dialog.About()->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTRY_VERIFY(!dialog.About());
        QVERIFY(dialog.isVisible());
    }

    void anOpenVersionBoxDoesNotKeepTheWindowOpen() {
        test::ScopedNoService noService;
        const auto viewer = Shown(Never().WithOffline(1s));
        auto& dialog = *viewer;
        dialog.ShowAbout();
        QVERIFY(dialog.About()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kWaitMs);
        QTRY_VERIFY(!dialog.About() || !dialog.About()->isVisible());
    }

private:
    std::unique_ptr<test::ScopedHome> m_home;
};

int RunViewerDialogTest(int argc, char** argv) {
    ViewerDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ViewerDialogTest.moc"
