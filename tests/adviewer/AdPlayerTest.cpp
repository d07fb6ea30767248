// The player that replaces the Flash control: plays once, never loops,
// reports whether it still plays, caps and decodes from memory, no menu.

#include <QContextMenuEvent>
#include <QtTest>
#include <chrono>
#include <fstream>
#include <memory>

#include "ViewerSupport.h"
#include "adviewer/CAdPlayer.h"

using namespace std::chrono_literals;
using tessarin::adviewer::CAdPlayer;
namespace test = tessarin::test;

namespace {

constexpr std::size_t kGenerousCap = 1024 * 1024;

QString Path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

bool IsBlue(const QColor& c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}

class MenuCounter final : public QWidget {
public:
    int menus = 0;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++menus; }
};

}  // namespace

class AdPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void animationsPlayOnceAndNeverLoop_data() {
        QTest::addColumn<QString>("file");
        // looping.gif asks to loop for ever; anim.webp is a WebP animation.
        QTest::newRow("gif that asks to loop") << "looping.gif";
        QTest::newRow("webp animation") << "anim.webp";
    }
    void animationsPlayOnceAndNeverLoop() {
        QFETCH(QString, file);
        CAdPlayer player(10min, kGenerousCap);
        player.SetMovie(Path(test::DataFile(file.toStdString())));
        QVERIFY(player.Playing());
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 20000);
        QCOMPARE(player.FramesShown(), 3);
        // The last frame (blue) stays on show.
        QVERIFY(IsBlue(player.CurrentFrame().pixelColor(30, 20)));
    }

    void aStillPictureCountsAsPlayingForTheStillTime() {
        CAdPlayer player(200ms, kGenerousCap);
        player.SetMovie(Path(test::AssetFile("cm.jpg")));
        QVERIFY(player.Playing());
        QCOMPARE(player.FramesShown(), 1);
        QCOMPARE(player.CurrentFrame().size(), QSize(180, 135));
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 20000);
        QCOMPARE(player.FramesShown(), 1);
    }

    void whatCannotBeShownEndsAtOnceShowingNothing_data() {
        QTest::addColumn<QString>("content");
        QTest::addColumn<int>("cap");
        QTest::newRow("not a picture") << "garbage" << int(kGenerousCap);
        QTest::newRow("a picture cut short") << "cut" << int(kGenerousCap);
        QTest::newRow("a file over the cap") << "looping.gif" << 100;
        QTest::newRow("no such file") << "" << int(kGenerousCap);
    }
    void whatCannotBeShownEndsAtOnceShowingNothing() {
        QFETCH(QString, content);
        QFETCH(int, cap);
        test::TempDir dir;
        const auto file = dir / "picture";
        if (content == "garbage")
            std::ofstream(file) << "this is no picture at all";
        else if (content == "cut")
            std::ofstream(file, std::ios::binary) << test::FileText(test::AssetFile("cm.jpg")).substr(0, 40);
        else if (!content.isEmpty())
            std::filesystem::copy_file(test::DataFile(content.toStdString()), file);
        CAdPlayer player(10min, static_cast<std::size_t>(cap));
        player.SetMovie(Path(file));
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 20000);
        QCOMPARE(player.FramesShown(), 0);
        QVERIFY(player.CurrentFrame().isNull());
    }

    void aDownloadedMovieIsPlayedFromMemory() {
        auto& service = test::AdService();
        service.Script({{"ad1", {{200, test::FileText(test::DataFile("looping.gif")), 0, std::nullopt}}}});
        CAdPlayer player(10min, kGenerousCap);
        player.LoadMovie(service.BaseUrl() + "ad/?r=1&p=0");
        QVERIFY(player.Playing());  // while it loads
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 20000);
        QCOMPARE(player.FramesShown(), 3);
        const auto requests = service.Requests("ad1");
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(requests[0].userAgent), QString("Tessarin Viewer - build20081030-00"));
    }

    void aDownloadThatFailsOrIsTooLongShowsNothing_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("cap");
        QTest::newRow("not found") << 404 << int(kGenerousCap);
        QTest::newRow("server error") << 500 << int(kGenerousCap);
        QTest::newRow("longer than the cap") << 200 << 100;
    }
    void aDownloadThatFailsOrIsTooLongShowsNothing() {
        QFETCH(int, status);
        QFETCH(int, cap);
        auto& service = test::AdService();
        service.Script({{"ad1", {{status, test::FileText(test::DataFile("looping.gif")), 0, std::nullopt}}}});
        CAdPlayer player(10min, static_cast<std::size_t>(cap));
        player.LoadMovie(service.BaseUrl() + "ad/?r=1&p=0");
        QTRY_VERIFY_WITH_TIMEOUT(!player.Playing(), 20000);
        QCOMPARE(player.FramesShown(), 0);
    }

    void aPlayerGoingAwayStopsItsDownload() {
        auto& service = test::AdService();
        // The answer would come only after ten minutes.
        service.Script({{"ad1", {{200, "late", 600, std::nullopt}}}});
        auto player = std::make_unique<CAdPlayer>(10min, kGenerousCap);
        player->LoadMovie(service.BaseUrl() + "ad/?r=1&p=0");
        QTRY_VERIFY_WITH_TIMEOUT(service.Requests("ad1").size() == 1, 20000);
        player.reset();  // returns once the transfer has stopped
        QVERIFY(!player);
    }

    void thePlayerHasNoContextMenu() {
        MenuCounter parent;
        auto* player = new CAdPlayer(10min, kGenerousCap, &parent);
        player->SetMovie(Path(test::AssetFile("cm.jpg")));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), player->mapToGlobal(QPoint(10, 10)));
        QCoreApplication::sendEvent(player, &event);
        QCOMPARE(parent.menus, 0);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }
};

int RunAdPlayerTest(int argc, char** argv) {
    AdPlayerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AdPlayerTest.moc"
