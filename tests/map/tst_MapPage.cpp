#include "map/MapPageSupport.h"
#include "map/MapTestSupport.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapView.h"
#include "notices/frmShow.h"
#include "shell/StationTestSupport.h"
#include "shell/modPrivate.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/clsTrackRecords.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

namespace {

// A marker as the page should show it, worked out from one line of the marker file.
QString Expected(const QByteArray& line) {
    const QList<QByteArray> f = line.split('|');
    QString icon = QString::fromUtf8(f[2]).replace('\\', '/');
    if (icon.startsWith("House/House") &&
        !QRegularExpression("^House/House[1-5]?\\.gif$").match(icon).hasMatch()) {
        icon = "House/House.gif";
    }
    QString text = QString::fromUtf8(line.mid(f[0].size() + f[1].size() + f[2].size() + 3));
    if (QRegularExpression("^(C-rv|C-Rv|POI)/").match(icon).hasMatch()) {
        text.remove("<br>");
    }
    return QStringLiteral("%1 %2 %3 %4")
        .arg(f[0].toDouble(), 0, 'g', 15)
        .arg(f[1].toDouble(), 0, 'g', 15)
        .arg(icon, text);
}

// The page's markers in the form of Expected, sorted.
QStringList Shown(const QJsonObject& state) {
    QStringList markers;
    for (const QJsonValue& m : state["markers"].toArray()) {
        const QJsonObject o = m.toObject();
        markers << QStringLiteral("%1 %2 %3 %4")
                       .arg(o["lat"].toDouble(), 0, 'g', 15)
                       .arg(o["lng"].toDouble(), 0, 'g', 15)
                       .arg(o["icon"].toString(), o["text"].toString());
    }
    markers.sort();
    return markers;
}

QStringList ExpectedFromFile(const QString& path) {
    QStringList markers;
    for (const QByteArray& line : FileBytes(path).split('\n')) {
        if (!line.trimmed().isEmpty() && !line.split('|').value(2).startsWith("POI\\")) {
            markers << Expected(line.chopped(1));
        }
    }
    markers.sort();
    return markers;
}

// The main window on a pseudo-terminal receiver, with points of interest stored first.
struct MapWindow : StationWindow {
    TestPseudoTerminal Receiver;
    std::optional<DrawnWatch> Watch;

    // mapTemplate, when given, replaces the program's map template.
    bool StartWithPoints(const QList<CoordinateRecord>& points,
                         const QByteArray& mapTemplate = {}) {
        if (!Create("[Ports]\nCOM2=" + Receiver.SlavePath().toLocal8Bit() +
                    "\n[Settings]\nCommPort=2\n") ||
            (!mapTemplate.isEmpty() &&
             !WriteBytes(Dir.filePath("carimage/Standards.txt"), mapTemplate))) {
            return false;
        }
        clsDBLib db;
        db.OpenConnection(Dir.filePath("database/POI.mdb"));
        for (const CoordinateRecord& p : points) {
            db.InsertCoordinate(p.X, p.Y, p.Kind, p.Explanation);
        }
        db.CloseConnection();
        Watch.emplace(Window->MapView());
        Window->show();
        return Window->Load() && QTest::qWaitForWindowExposed(Window.get());
    }
    QWebEngineView* View() const { return Control<QWebEngineView>("WBMaps"); }
    QString Markers() const { return Dir.filePath("carimage/markers.txt"); }
    void Connect() { QTest::mouseClick(Control("cmdQuery"), Qt::LeftButton); }
    bool Send(const QByteArray& sentence) {
        const int before = Window->Rows().rowCount();
        return Receiver.Write(sentence) &&
               WaitUntil([&] { return Window->Rows().rowCount() > before; }, 5000);
    }
    QString Caption(const char* name) const { return Control<QLabel>(name)->text(); }
    void ClickRow(int row) {
        auto* list = Control<QTableView>("DateView");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
    }
    // Sends fixes of three records at distinct places and closes the port again.
    bool RecordThree() {
        Connect();
        const bool sent = Send(Sentence(25.0301, 121.5601, 10, "120000")) &&
                          Send(Sentence(25.0302, 121.5602, 100, "120001")) &&
                          Send(Sentence(25.0303, 121.5603, 190, "120002"));
        Connect();
        return sent && Window->Recorder().RecordCount() == 3;
    }
};

} // namespace

class TestMapPage : public QObject {
    Q_OBJECT

private slots:
    // The page shows exactly the markers of the marker file, centred and zoomed as written;
    // a point's explanation is text, never markup; later drawings re-read in place.
    void pageShowsTheMarkerFile() {
        MapWindow s;
        QVERIFY(s.StartWithPoints(
            {{"", 121.5601, 25.0336, "1", "Gate"},
             {"", 121.5602, 25.0337, "2", "<img src=x onerror=\"window.ranMarkup=1\">"},
             {"", 121.5603, 25.0338, "", "Tea | cakes"},
             {"", 121.5604, 25.0339, "9", QStringLiteral("台北 101")}}));
        QSignalSpy loads(s.View(), &QWebEngineView::loadStarted);
        s.Connect();
        QVERIFY(s.Send(Sentence(25.0335, 121.56, 93, "120000")));
        QVERIFY(s.Watch->WaitForNewest());
        QVERIFY(s.Send(Sentence(25.0336, 121.561, 200, "120001")));
        QVERIFY(s.Watch->WaitForNewest());

        const QJsonObject state = PageState(s.View());
        QCOMPARE(Shown(state), ExpectedFromFile(s.Markers()));
        QCOMPARE(state["markers"].toArray().size(), 5);
        // Leaflet pans a short way by whole pixels: the written centre is within one of the middle.
        QVERIFY(RunJs(s.View(), "var m = stationMap.map; m.latLngToContainerPoint([25.0336, "
                                "121.561]).distanceTo(m.getSize().divideBy(2)) < 1")
                    .toBool());
        QCOMPARE(state["zoom"].toInt(), 15);
        QCOMPARE(loads.size(), 1);

        // Every icon picture is there to be shown (the selected-position spelling included).
        QTRY_COMPARE(RunJs(s.View(), "[...document.querySelectorAll('.leaflet-marker-icon')]"
                                     ".filter(i => i.complete && i.naturalWidth > 0).length")
                         .toInt(),
                     5);
        RunJs(s.View(), "stationMap.map.eachLayer(l => l.getPopup && l.getPopup() && "
                        "l.getPopup().getContent().textContent.startsWith('<img') && "
                        "l.openPopup())");
        QCOMPARE(RunJs(s.View(), "document.querySelector('.leaflet-popup-content img') === null && "
                                 "window.ranMarkup === undefined")
                     .toBool(),
                 true);
        for (const QJsonValue& m : state["markers"].toArray()) {
            QCOMPARE(m.toObject()["elements"].toInt(), 0);
        }
    }

    // A point marked in the page reaches the pick-up file; the map timer takes it into the
    // database once and the drawing after it shows it as a point of interest.
    void markedPointBecomesAPoint() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        s.Connect();
        QVERIFY(s.Send(Sentence(25.0335, 121.56, 93, "120000")));
        QVERIFY(s.Watch->WaitForNewest());

        // Where the right click lands, before the popup that asks for the name pans the map.
        const QVariant place = RunJs(
            s.View(), "var p = stationMap.map.containerPointToLatLng([40, 50]); [p.lat, p.lng]");
        RunJs(s.View(), "var c = stationMap.map.getContainer(), r = c.getBoundingClientRect();"
                        "c.dispatchEvent(new MouseEvent('contextmenu', {bubbles: true, button: 2,"
                        " clientX: r.left + 40, clientY: r.top + 50}))");
        QTRY_VERIFY(RunJs(s.View(), "!!document.querySelector('.station-mark input')").toBool());
        RunJs(s.View(), "document.querySelector('.station-mark input').value = 'Night, market';"
                        "document.querySelector('.station-mark button').click()");
        const QString pickup = s.Dir.filePath("poi.txt");
        QTRY_VERIFY(FileBytes(pickup).startsWith("Night market,"));
        const QList<QByteArray> fields = FileBytes(pickup).trimmed().split(',');
        QCOMPARE(fields.size(), 3);
        QVERIFY(qAbs(fields[1].toDouble() - place.toList()[0].toDouble()) < 1e-9);
        QVERIFY(qAbs(fields[2].toDouble() - place.toList()[1].toDouble()) < 1e-9);

        auto* mapTimer = s.Control<QTimer>("MapTimer");
        mapTimer->setInterval(20);
        QTRY_VERIFY(!QFile::exists(pickup));
        mapTimer->setInterval(20000);
        QCOMPARE(s.Window->MapDrawing().MapPoints().size(), 1);
        bool absent = true;
        s.Db.SearchCoordinate("Night market", absent);
        QVERIFY(!absent);
        QVERIFY(s.Watch->WaitForNewest());
        const QJsonArray markers = PageState(s.View())["markers"].toArray();
        QCOMPARE(markers.size(), 2); // the vehicle, and the point no longer provisional
        QCOMPARE(markers[1].toObject()["text"].toString(), "Night market");
        QCOMPARE(markers[1].toObject()["icon"].toString(), "House/House1.gif");
    }

    // Zooming inside the page goes the way of the zoom pictures: the label and the stored
    // level follow, and the next drawing keeps the operator's level.
    void zoomInThePageReachesTheStation() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        s.Connect();
        QVERIFY(s.Send(Sentence(25.0335, 121.56, 93, "120000")));
        QVERIFY(s.Watch->WaitForNewest());
        RunJs(s.View(), "var c = stationMap.map.getContainer(), r = c.getBoundingClientRect();"
                        "c.dispatchEvent(new WheelEvent('wheel', {bubbles: true, deltaY: 300,"
                        " clientX: r.left + 100, clientY: r.top + 100}))");
        QTRY_VERIFY(s.Caption("lblZoom") != "15");
        const int level = s.Caption("lblZoom").toInt();
        QCOMPARE(PageState(s.View())["zoom"].toInt(), level);
        QVERIFY(level >= 4 && level < 15);
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::Zoom),
                 QString::number(level));
        QVERIFY(s.Send(Sentence(25.0336, 121.561, 93, "120001")));
        QVERIFY(s.Watch->WaitForNewest());
        QVERIFY(FileBytes(s.Dir.filePath("carimage/map.htm")).contains(QByteArray::number(level)));
        QCOMPARE(PageState(s.View())["zoom"].toInt(), level);
    }

    // A day at one fix a second: one canvas layer for the track positions, the selected
    // one a marker; a click finds the nearest position; a moved selection re-reads in place.
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
        clsMapAndPorts prepared;
        prepared.PrepareMapAndPorts(dir.path(), modPrivate::LoadSettings(dir.path()));
        clsMapDrawing drawing(dir.path());

        drawing.WriteTrack(records, 100, prepared.MapTemplate(), 13);
        map.Navigate(drawing.PagePath());
        QVERIFY(watch.WaitForNewest(60000));
        QTRY_VERIFY(PageState(&view)["sprites"].toBool());
        QJsonObject state = PageState(&view);
        QCOMPARE(state["track"].toInt(), Day - 1);
        QVERIFY(state["trackDrawn"].toInt() > 100);
        QCOMPARE(Shown(state),
                 QStringList{Expected(
                     FileBytes(dir.filePath("carimage/markers.txt")).split('\n')[100].chopped(1))});

        // A click beside a drawn position opens that position's popup.
        const int index = 2000; // drawn: the selected position's neighbours are in view
        RunJs(&view, QStringLiteral("var p = stationMap.trackPixel(%1), c = stationMap.map"
                                    ".getContainer(), r = c.getBoundingClientRect();"
                                    "c.dispatchEvent(new MouseEvent('click', {bubbles: true, "
                                    "clientX: r.left + p.x + 2, clientY: r.top + p.y + 1}))")
                         .arg(index));
        QTRY_VERIFY(!RunJs(&view, "document.querySelector('.leaflet-popup-content')?.textContent")
                         .isNull());
        const QString popup =
            RunJs(&view, "document.querySelector('.leaflet-popup-content').textContent").toString();
        QVERIFY2(popup.startsWith("2009/02/18 ") && popup.contains("Direction:"),
                 qPrintable(popup));

        QSignalSpy loads(&view, &QWebEngineView::loadStarted);
        drawing.WriteTrack(records, 101, prepared.MapTemplate(), 13);
        map.Navigate(drawing.PagePath());
        QVERIFY(watch.WaitForNewest(60000));
        state = PageState(&view);
        QCOMPARE(state["track"].toInt(), Day - 1);
        QCOMPARE(Shown(state),
                 QStringList{Expected(
                     FileBytes(dir.filePath("carimage/markers.txt")).split('\n')[101].chopped(1))});
        QCOMPARE(loads.size(), 0);
    }

    // With the map frame hidden, a drawing changes nothing at all.
    void hiddenMapFrameChangesNothing() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        s.Window->DrawCurrentPosition();
        QVERIFY(!QFile::exists(s.Markers()));
        QVERIFY(s.Control("lblCaption")->isHidden());
    }

    void zoomPictures_data() {
        QTest::addColumn<QString>("clicks"); // i: zoom in, o: zoom out
        QTest::addColumn<QString>("level");
        QTest::newRow("three in from 15") << "iii"
                                          << "18";
        QTest::newRow("no further than 18") << "iiiii"
                                            << "18";
        QTest::newRow("no further than 4") << "oooooooooooooo"
                                           << "4";
        QTest::newRow("in and out") << "io"
                                    << "15";
    }
    void zoomPictures() {
        QFETCH(QString, clicks);
        QFETCH(QString, level);
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        s.Connect();
        for (QChar click : clicks) {
            QTest::mouseClick(s.Control(click == 'i' ? "imgZoomIn" : "imgZoomOut"), Qt::LeftButton);
        }
        QCOMPARE(s.Caption("lblZoom"), level);
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::Zoom), level);
        QVERIFY(s.Send(Sentence(25.0301, 121.5601, 10, "120000")));
        QVERIFY(s.Watch->WaitForNewest());
        QCOMPARE(PageState(s.View())["zoom"].toInt(), level.toInt());
    }

    // A drawing without a position hides the zoom pictures; the next one with a position
    // shows them again.
    void zoomPicturesComeBack() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        s.Connect(); // the current fix is empty until the first sentence
        s.Window->DrawCurrentPosition();
        QVERIFY(s.Control("imgZoomIn")->isHidden() && s.Control("imgZoomOut")->isHidden());
        QCOMPARE(s.Caption("lblCaption"), "  Last location ");
        QVERIFY(!QFile::exists(s.Markers()));
        QVERIFY(s.Send(Sentence(25.0301, 121.5601, 10, "120000")));
        QVERIFY(!s.Control("imgZoomIn")->isHidden() && !s.Control("imgZoomOut")->isHidden());
    }

    // A click on a row shows its record, and the whole track when Check1 is checked.
    void rowClickShowsTheRecord() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}));
        QVERIFY(s.RecordThree());
        auto* whole = s.Control<QCheckBox>("Check1");
        QTest::mouseClick(whole, Qt::LeftButton);
        QVERIFY(whole->isChecked());
        s.ClickRow(0);
        QTRY_VERIFY(s.Caption("lblCaption").contains(s.Window->Rows().SubItemText(0, "Date")));
        QVERIFY(s.Watch->WaitForNewest());
        const QList<QByteArray> lines = FileBytes(s.Markers()).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("25.0301|121.5601|C-Rv\\car000.gif|"));
        QVERIFY(lines[2].startsWith("25.0303|121.5603|POI\\car180.gif|"));
        const QJsonObject state = PageState(s.View());
        QCOMPARE(state["track"].toInt(), 2);
        QCOMPARE(Shown(state), QStringList{Expected(lines[0].chopped(1))});
        QVERIFY(s.Window->findChildren<frmShow*>().isEmpty());
        QVERIFY(whole->isEnabled());
    }

    // A drawing that fails tells it once, not at every sentence; a whole-track drawing that
    // fails leaves neither its notice window nor a disabled check box behind.
    void failedDrawingsAreToldAndUndone() {
        MapWindow s;
        QVERIFY(s.StartWithPoints({}, "1\n2\n3\n4\n"));
        QVERIFY(s.RecordThree());
        QCOMPARE(s.Platform.Messages.size(), 1);
        QTest::mouseClick(s.Control("Check1"), Qt::LeftButton);
        s.ClickRow(1);
        QTRY_COMPARE(s.Platform.Messages.size(), 2);
        for (const RecordingPlatform::Message& message : s.Platform.Messages) {
            QVERIFY2(message.Text.contains("has 4 lines"), qPrintable(message.Text));
            QCOMPARE(message.MessageIcon, IPlatform::Icon::Critical);
        }
        QVERIFY(s.Window->findChildren<frmShow*>().isEmpty());
        QVERIFY(s.Control("Check1")->isEnabled());
        QVERIFY(!QFile::exists(s.Markers()));
    }
};

STATION_UI_TEST_MAIN(TestMapPage)
#include "tst_MapPage.moc"
