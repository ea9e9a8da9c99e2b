#include "map/MapPageSupport.h"
#include "map/clsMapDrawing.h"
#include "notices/frmShow.h"
#include "poi/PoiTestSupport.h"
#include "shell/modPrivate.h"
#include "tracking/clsTrackRecords.h"

#include <QSignalSpy>
#include <QTableView>

namespace {

// The page's count of marker pictures that loaded.
int PicturesShown(QWebEngineView* view) {
    return RunJs(view, "[...document.querySelectorAll('.leaflet-marker-icon')]"
                       ".filter(i => i.complete && i.naturalWidth > 0).length")
        .toInt();
}

// Dispatches a mouse event of type in the map page, x and y pixels into the map.
void MouseInPage(QWebEngineView* view, const QString& type, const QString& x, const QString& y,
                 const QString& more = {}) {
    RunJs(view, QStringLiteral("var c = stationMap.map.getContainer(), r = "
                               "c.getBoundingClientRect(); c.dispatchEvent(new %1Event('%2', "
                               "{bubbles: true, clientX: r.left + %3, clientY: r.top + %4%5}))")
                    .arg(type.startsWith("wheel") ? "Wheel" : "Mouse", type, x, y, more));
}

} // namespace

class TestMapPage : public QObject {
    Q_OBJECT

private slots:
    // The page shows exactly the markers written, centred as written (the zoom test follows
    // the level), with a picture for every icon and a point's explanation as text, never markup; a
    // later drawing re-reads in place. A point marked in the page reaches the pick-up file. While
    // another program holds the database the map timer keeps the file and tells it once,
    // without waiting; then it takes the point once, and the next drawing shows it.
    void pageShowsTheMarkers() {
        MapWindow s;
        QVERIFY(s.Start());
        const QString markup = "<img src=x onerror=\"window.ranMarkup=1\">";
        s.Db.InsertCoordinate(121.5601, 25.0336, "1", "Gate");
        s.Db.InsertCoordinate(121.5602, 25.0337, "2", markup);
        s.Db.InsertCoordinate(121.5603, 25.0338, "", "Tea | cakes");
        s.Db.InsertCoordinate(121.5604, 25.0339, "9", QStringLiteral("台北 101"));
        // Line breaks that another program stored would start a marker line of their own.
        const QString injected = "Two\nlines\r\n25.05|121.57|C-rv\\car000.gif|<script>x=1</script>";
        s.Db.InsertCoordinate(121.5605, 25.034, "1|\n", injected);
        s.Window->LoadMapPoints();
        QSignalSpy loads(s.View(), &QWebEngineView::loadStarted);
        s.Click("cmdQuery");
        QVERIFY(s.Send(Sentence(25.0335, 121.56, 93, "120000")) && s.Watch->WaitForNewest());
        QVERIFY(s.Send(Sentence(25.0336, 121.561, 200, "120001")) && s.Watch->WaitForNewest());
        QStringList shown = {"25.0336 121.5601 House/House1.gif Gate",
                             "25.0336 121.561 C-rv/car180.gif 2009/02/18 12:00:00Direction:"
                             "SSpeed:12.5 kn",
                             "25.0337 121.5602 House/House2.gif " + markup,
                             "25.0338 121.5603 House/House.gif Tea | cakes",
                             QStringLiteral("25.0339 121.5604 House/House.gif 台北 101"),
                             "25.034 121.5605 House/House.gif " +
                                 QString(injected).replace('\r', ' ').replace('\n', ' ')};
        QCOMPARE(Shown(PageState(s.View())), shown);
        // Leaflet pans a short way by whole pixels: the written centre is within one of the middle.
        QVERIFY(RunJs(s.View(), "var m = stationMap.map; m.latLngToContainerPoint([25.0336, "
                                "121.561]).distanceTo(m.getSize().divideBy(2)) < 1")
                    .toBool());
        QCOMPARE(loads.size(), 1);
        QTRY_COMPARE(PicturesShown(s.View()), 6);
        QVERIFY(RunJs(s.View(), "window.ranMarkup === undefined").toBool());

        // Where the right click lands, before the popup that asks for the name pans the map.
        const QVariantList place =
            RunJs(s.View(),
                  "var p = stationMap.map.containerPointToLatLng([40, 50]); [p.lat, p.lng]")
                .toList();
        MouseInPage(s.View(), "contextmenu", "40", "50", ", button: 2");
        QTRY_VERIFY(RunJs(s.View(), "!!document.querySelector('.station-mark input')").toBool());
        RunJs(s.View(), "document.querySelector('.station-mark input').value = 'Night, market';"
                        "document.querySelector('.station-mark button').click()");
        const QString pickup = s.Dir.filePath("poi.txt"), taking = s.Dir.filePath("poi-taking.txt");
        QTRY_VERIFY(ReadFile(pickup).startsWith("Night market,"));
        const QList<QByteArray> fields = ReadFile(pickup).trimmed().split(',');
        QCOMPARE(fields.size(), 3);
        QVERIFY(qAbs(fields[1].toDouble() - place[0].toDouble()) < 1e-9);
        QVERIFY(qAbs(fields[2].toDouble() - place[1].toDouble()) < 1e-9);
        // Another program's line off the globe is put aside and told once the take succeeds.
        QFile foreign(pickup);
        QVERIFY(foreign.open(QIODevice::Append) && foreign.write("Far,95,1\r\n") == 10);
        foreign.close();

        auto* mapTimer = s.Control<QTimer>("MapTimer");
        QSignalSpy ticks(mapTimer, &QTimer::timeout);
        mapTimer->setInterval(20);
        {
            const DatabaseLock other(s.Dir.filePath("database/POI.mdb"), "BEGIN IMMEDIATE");
            QVERIFY(WaitUntil([&] { return ticks.size() >= 3; }));
            QVERIFY(!QFile::exists(pickup) && ReadFile(taking).startsWith("Night market,"));
        }
        QTRY_VERIFY(!QFile::exists(taking));
        mapTimer->setInterval(20000);
        QCOMPARE(s.Platform.Messages.size(), 2);
        QVERIFY(s.Platform.Messages[0].Text.contains("database is locked"));
        QVERIFY(!s.Platform.Messages[0].Waits);
        QVERIFY2(s.Platform.Messages[1].Text.contains(pickup + ".rejected") &&
                     !s.Platform.Messages[1].Waits,
                 qPrintable(s.Platform.Messages[1].Text));
        QCOMPARE(ReadFile(pickup + ".rejected"), "Far,95,1\r\n");
        QCOMPARE(s.Window->MapDrawing().MapPoints().size(), 6);
        QVERIFY(s.Watch->WaitForNewest());
        shown << QStringLiteral("%1 %2 House/House1.gif Night market")
                     .arg(fields[1].toDouble(), 0, 'g', 15)
                     .arg(fields[2].toDouble(), 0, 'g', 15);
        shown.sort();
        QCOMPARE(Shown(PageState(s.View())), shown);
    }

    // With the map frame hidden a drawing changes nothing; one without a position hides the
    // zoom pictures, and the next with one shows them again. The pictures step the level
    // within 4 to 18; a zoom inside the page goes their way. The label and the stored level
    // follow, and the next drawing keeps the operator's level.
    void zoom() {
        MapWindow s;
        QVERIFY(s.Start());
        const QString markers = s.Dir.filePath("carimage/markers.txt");
        s.Window->DrawCurrentPosition();
        QVERIFY(!QFile::exists(markers) && s.Control("lblCaption")->isHidden());
        s.Click("cmdQuery"); // the map frame shows; no fix until the first sentence
        s.Window->DrawCurrentPosition();
        QVERIFY(s.Control("imgZoomIn")->isHidden() && s.Control("imgZoomOut")->isHidden());
        QCOMPARE(s.Caption("lblCaption"), "  Last location ");
        QVERIFY(!QFile::exists(markers));

        double latitude = 25.03; // a step further at every drawing
        const auto drawnZoom = [&] {
            const bool shown = s.Send(Sentence(latitude += 1e-4, 121.56, 10, "120000"));
            return shown && s.MapShown() ? PageState(s.View())["zoom"].toInt() : -1;
        };
        const auto zoomed = [&](const char* picture, int clicks) {
            for (int i = 0; i < clicks; ++i) {
                s.Click(picture);
            }
            return s.Caption("lblZoom") + ' ' +
                   modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::Zoom);
        };
        QCOMPARE(drawnZoom(), 15);
        QVERIFY(!s.Control("imgZoomIn")->isHidden() && !s.Control("imgZoomOut")->isHidden());
        QCOMPARE(zoomed("imgZoomOut", 12), "4 4");
        QCOMPARE(drawnZoom(), 4);
        QCOMPARE(zoomed("imgZoomIn", 15), "18 18");
        QCOMPARE(drawnZoom(), 18);

        MouseInPage(s.View(), "wheel", "100", "100", ", deltaY: 300");
        QTRY_VERIFY(s.Caption("lblZoom") != "18");
        const QString level = s.Caption("lblZoom");
        QVERIFY(level.toInt() >= 4 && level.toInt() < 18);
        QCOMPARE(zoomed("", 0), level + ' ' + level);
        QCOMPARE(PageState(s.View())["zoom"].toInt(), level.toInt());
        QCOMPARE(drawnZoom(), level.toInt());
    }

    // A day at one fix a second: one canvas layer for the track positions (the selected one
    // among them, and a marker over them); a click beside a drawn position opens that
    // position's popup.
    void wholeDayTrack() {
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        clsTrackRecords records;
        constexpr int Day = 86400;
        for (int i = 0; i < Day; ++i) {
            const double angle = i * 2 * M_PI / Day;
            records.Append(MakeFix(QStringLiteral("2009/02/18 %1").arg(i),
                                   25 + 0.05 * std::sin(angle), "N", 121.5 + 0.05 * std::cos(angle),
                                   "E", float(i % 100), float(i % 360)));
        }
        QWebEngineView view;
        clsMapView map(&view, dir.path());
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        DrawnWatch watch(map);
        clsMapTemplate prepared;
        prepared.Load(dir.path());
        clsMapDrawing drawing(dir.path());
        drawing.WriteTrack(records, 0, prepared.MapTemplate(), 13);
        map.Navigate(drawing.PagePath());
        QVERIFY(watch.WaitForNewest(60000));
        const QJsonObject state = PageState(&view);
        QCOMPARE(state["track"].toInt(), Day);
        QCOMPARE(Shown(state),
                 QStringList{"25 121.55 C-Rv/car000.gif 2009/02/18 0Direction:NSpeed:0   kn"});
        QTRY_VERIFY(PageState(&view)["sprites"].toBool());
        QVERIFY(PageState(&view)["trackDrawn"].toInt() > 10);
        QTRY_COMPARE(PicturesShown(&view), 1); // the selected position's spelling of the folder

        // A click beside a drawn position opens that position's popup.
        const QVariantMap at = RunJs(&view, "stationMap.trackPixel(2000)").toMap();
        MouseInPage(&view, "click", QString::number(at["x"].toDouble() + 2),
                    QString::number(at["y"].toDouble() + 1));
        QTRY_VERIFY(!RunJs(&view, "document.querySelector('.leaflet-popup-content')?.textContent")
                         .isNull());
        const QString popup =
            RunJs(&view, "document.querySelector('.leaflet-popup-content').textContent").toString();
        QVERIFY2(popup.startsWith("2009/02/18 ") && popup.contains("Direction:"),
                 qPrintable(popup));
    }

    // A drawing that fails tells it once, not at every sentence; a whole-track drawing that
    // fails leaves neither its notice window nor a disabled check box behind.
    void failedDrawingsAreToldAndUndone() {
        MapWindow s;
        QVERIFY(s.Start({}, "1\n2\n3\n4\n"));
        s.Click("cmdQuery");
        QVERIFY(s.Send(Sentence(25.0301, 121.5601, 10, "120000")) &&
                s.Send(Sentence(25.0302, 121.5602, 100, "120001")));
        s.Click("cmdQuery");
        QCOMPARE(s.Platform.Messages.size(), 1);
        s.Click("Check1");
        auto* list = s.Control<QTableView>("DateView");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(1, 1)).center());
        QTRY_COMPARE(s.Platform.Messages.size(), 2);
        for (const RecordingPlatform::Message& message : s.Platform.Messages) {
            QVERIFY2(message.Text.contains("has 4 lines"), qPrintable(message.Text));
            QCOMPARE(message.MessageIcon, IPlatform::Icon::Critical);
        }
        QVERIFY(s.Window->findChildren<frmShow*>().isEmpty());
        QVERIFY(s.Control("Check1")->isEnabled());
        QVERIFY(!QFile::exists(s.Dir.filePath("carimage/markers.txt")));
    }
};

STATION_UI_TEST_MAIN(TestMapPage)
#include "tst_MapPage.moc"
