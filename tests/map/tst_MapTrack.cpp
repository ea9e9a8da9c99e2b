// The track and the view in the real map page, offscreen: the line through a track's
// positions, sprites that never overlap, a click on the line, the page's use of a track it
// read before; through the main window fitting the track, following the vehicle and the
// vehicle's popup, each read from the page's own state.

#include "map/MapPageSupport.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "shell/modPrivate.h"
#include "tracking/clsHistoryLog.h"
#include "tracking/clsTrackRecords.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QTableView>
#include <cmath>

namespace {

constexpr double Step = 0.0004; // degrees between positions: 37 pixels at zoom 17, 9 at 15

// A track of 2 x legs positions: east along a street, then back west 0.0004 degrees
// north of it, each half a step beside the way out.
clsTrackRecords OutAndBack(int legs) {
    clsTrackRecords records;
    for (int i = 0; i < 2 * legs; ++i) {
        const bool back = i >= legs;
        const double along = back ? (2 * legs - 1 - i) + 0.5 : i;
        records.Append(MakeFix(QTime(10, 0).addSecs(i).toString("2009/02/18 HH:mm:ss"),
                               25 + (back ? Step : 0), "N", 121.5 + along * Step, "E", 10,
                               back ? 270 : 90));
    }
    return records;
}

// The page on its own, drawing tracks as the main window does.
struct TrackPage {
    QTemporaryDir Dir;
    QWebEngineView View;
    std::optional<clsMapView> Map;
    std::optional<DrawnWatch> Watch;
    clsMapTemplate Template;
    std::optional<clsMapDrawing> Drawing;

    bool Start() {
        if (!MakeProgramFolder(Dir.path())) {
            return false;
        }
        Map.emplace(&View, Dir.path());
        Watch.emplace(*Map);
        Template.Load(Dir.path());
        Drawing.emplace(Dir.path());
        View.resize(1000, 700);
        View.show();
        return QTest::qWaitForWindowExposed(&View);
    }
    bool Draw(const clsTrackRecords& records, qsizetype selected, int zoom) {
        Drawing->WriteTrack(records, selected, Template.MapTemplate(), zoom);
        Map->Navigate(Drawing->PagePath(), Drawing->PageHint());
        return Watch->WaitForNewest() &&
               WaitUntil([&] { return PageState(&View)["sprites"].toBool(); });
    }
    // The page's stationMap.line() or sprites(): [index, latitude, longitude, x, y] each.
    QList<QVariantList> Positions(const char* what) {
        QList<QVariantList> positions;
        for (const QVariant& p :
             RunJs(&View, QStringLiteral("stationMap.%1()").arg(what)).toList()) {
            positions << p.toList();
        }
        return positions;
    }
};

// Whether two of the sprites (20 pixels square, at whole pixels) overlap.
bool Overlapping(const QList<QVariantList>& sprites) {
    for (qsizetype a = 0; a < sprites.size(); ++a) {
        for (qsizetype b = a + 1; b < sprites.size(); ++b) {
            const double dx = std::round(sprites[a][3].toDouble() - 10) -
                              std::round(sprites[b][3].toDouble() - 10);
            const double dy = std::round(sprites[a][4].toDouble() - 10) -
                              std::round(sprites[b][4].toDouble() - 10);
            if (std::fabs(dx) < 20 && std::fabs(dy) < 20) {
                return true;
            }
        }
    }
    return false;
}

// Dispatches a mouse event of type with the left button at x, y pixels of the map.
void Mouse(QWebEngineView* view, const char* type, double x, double y) {
    RunJs(view,
          QStringLiteral("var c = stationMap.map.getContainer(), r = c.getBoundingClientRect();"
                         " c.dispatchEvent(new MouseEvent('%1', {bubbles: true, button: 0, "
                         "buttons: 1, clientX: r.left + %2, clientY: r.top + %3}))")
              .arg(QLatin1String(type))
              .arg(x)
              .arg(y));
}

void ClickAt(QWebEngineView* view, double x, double y) {
    for (const char* type : {"mousedown", "mouseup", "click"}) {
        Mouse(view, type, x, y);
    }
}

// Drags the map from x, y by dx, dy pixels, in steps that the page takes one by one.
bool Drag(QWebEngineView* view, double x, double y, double dx, double dy) {
    const QString before = RunJs(view, "stationMap.map.getCenter().toString()").toString();
    Mouse(view, "mousedown", x, y);
    for (int k = 1; k <= 5; ++k) {
        Mouse(view, "mousemove", x + dx * k / 5, y + dy * k / 5);
        WaitUntil([] { return false; }, 20);
    }
    const bool moved = WaitUntil(
        [&] { return RunJs(view, "stationMap.map.getCenter().toString()").toString() != before; });
    Mouse(view, "mouseup", x + dx, y + dy);
    return moved;
}

void Press(QWebEngineView* view, const char* control) {
    RunJs(view, QStringLiteral("document.querySelector('.station-%1').click()").arg(control));
}

// Presses the close button of the popup in view (one that closed fades out a while).
void ClosePopup(QWebEngineView* view) {
    RunJs(view, "[...document.querySelectorAll('.leaflet-popup')].find(p => p.style.opacity "
                "!== '0').querySelector('.leaflet-popup-close-button').click()");
}

// The map's centre once it has stopped moving.
QPointF SettledCentre(QWebEngineView* view) {
    QPointF before(-1000, -1000);
    for (int look = 0; look < 100; ++look) {
        WaitUntil([] { return false; }, 100);
        const QJsonArray c = PageState(view)["centre"].toArray();
        const QPointF now(c[0].toDouble(), c[1].toDouble());
        if (now == before) {
            return now;
        }
        before = now;
    }
    return before;
}

bool NearCentre(QWebEngineView* view, double latitude, double longitude) {
    return RunJs(view, QStringLiteral("var m = stationMap.map; m.latLngToContainerPoint([%1, %2])"
                                      ".distanceTo(m.getSize().divideBy(2)) < 1.5")
                           .arg(latitude, 0, 'g', 15)
                           .arg(longitude, 0, 'g', 15))
        .toBool();
}

// The main window over a history log of 18 February 2009 with a track across a town.
struct TrackWindow : MapWindow {
    static constexpr int Records = 300;

    bool Start() {
        QByteArray log;
        for (int i = 0; i < Records; ++i) {
            const double a = i * 2 * M_PI / Records;
            log += clsHistoryLog::RecordText(MakeFix(
                QTime(10, 0).addSecs(i).toString("2009/02/18 HH:mm:ss"), 25.03 + 0.02 * std::sin(a),
                "N", 121.55 + 0.03 * std::cos(a), "E", 20, float(i % 360)));
        }
        return MapWindow::Start() && WriteFile(Dir.filePath("export/History-2009-02.log"), log);
    }
    // Fetches the day and draws it whole.
    bool FetchWholeTrack() {
        Control<QDateTimeEdit>("dtpFromTime")->setDate(QDate(2009, 2, 18));
        Click("cmdGET");
        if (Window->Rows().rowCount() != Records || !MapShown()) {
            return false;
        }
        Click("Check1");
        return MapShown() && PageState(View())["track"].toInt() == Records;
    }
    void ClickRow(int row) {
        auto* list = Control<QTableView>("DateView");
        list->scrollTo(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
    }
};

} // namespace

class TestMapTrack : public QObject {
    Q_OBJECT

private slots:
    // Near in, the line runs through every position in the track's order, the selected one
    // among them, and every position of the way out has its sprite, none of the way back
    // beside it. Farther out fewer sprites, and at either zoom no two overlap.
    void lineThroughPositionsAndSpritesApart() {
        TrackPage p;
        QVERIFY(p.Start());
        const clsTrackRecords records = OutAndBack(20);
        QVERIFY(p.Draw(records, 10, 17));
        const QList<QVariantList> line = p.Positions("line");
        QCOMPARE(line.size(), records.Count());
        for (int i = 0; i < line.size(); ++i) {
            QCOMPARE(line[i][0].toInt(), i);
            QCOMPARE(line[i][1].toDouble(), records.At(i).Latitude);
            QCOMPARE(line[i][2].toDouble(), records.At(i).Longitude);
        }
        QList<QVariantList> sprites = p.Positions("sprites");
        QVERIFY(!Overlapping(sprites));
        QCOMPARE(sprites.size(), 40);

        RunJs(&p.View, "stationMap.map.setZoom(15, {animate: false})");
        QTRY_COMPARE(PageState(&p.View)["zoom"].toInt(), 15);
        sprites = p.Positions("sprites");
        QVERIFY(!Overlapping(sprites));
        QVERIFY2(sprites.size() >= 5 && sprites.size() <= 14,
                 qPrintable(QString::number(sprites.size())));
        for (int k = 1; k < sprites.size(); ++k) {
            QVERIFY(sprites[k][0].toInt() > sprites[k - 1][0].toInt());
        }
        QCOMPARE(p.Positions("line").size() > 10, true);
    }

    // A click on the line between two positions, farther than a click reaches around a
    // position or a sprite, opens the nearer position's popup; one beside the line none.
    void clickOnTheLine() {
        TrackPage p;
        QVERIFY(p.Start());
        QVERIFY(p.Draw(OutAndBack(20), 10, 17));
        const QList<QVariantList> line = p.Positions("line");
        const auto at = [&](int i, int axis) { return line[i][axis].toDouble(); };
        const double x = at(4, 3) + 0.6 * (at(5, 3) - at(4, 3)), y = at(4, 4);
        ClickAt(&p.View, x, y + 20); // beside: 20 pixels from the line
        QVERIFY(RunJs(&p.View, "document.querySelectorAll('.leaflet-popup').length").toInt() == 1);
        ClickAt(&p.View, x, y);
        QTRY_COMPARE(RunJs(&p.View, "[...document.querySelectorAll('.leaflet-popup-content')]"
                                    ".map(c => c.textContent).join('; ')")
                         .toString(),
                     "2009/02/18 10:00:10Direction:ESpeed:10   kn; "
                     "2009/02/18 10:00:05Direction:ESpeed:10   kn");
    }

    // A moved selection on the same track takes the track the page has, a changed track is
    // read anew; each shows what the file holds.
    void movedSelectionKeepsTheTrack() {
        TrackPage p;
        QVERIFY(p.Start());
        clsTrackRecords records = OutAndBack(20);
        QVERIFY(p.Draw(records, 3, 17));
        RunJs(&p.View, "window.drawnBefore = stationMap.track()._track");
        QVERIFY(p.Draw(records, 12, 17));
        const auto selected = [&] {
            const QStringList markers = Shown(PageState(&p.View));
            return markers.size() == 1 ? markers[0] : markers.join(';');
        };
        QCOMPARE(selected(), "25 121.5048 C-Rv/car090.gif 2009/02/18 10:00:12Direction:E"
                             "Speed:10   kn");
        QVERIFY(RunJs(&p.View, "stationMap.track()._track === window.drawnBefore").toBool());
        QVERIFY(ReadFile(p.Dir.filePath("carimage/markers.txt"))
                    .split('\n')
                    .value(12)
                    .contains("C-Rv\\car090.gif"));
        records.Append(MakeFix("2009/02/18 10:01:00", 25.001, "N", 121.5, "E", 1, 0));
        QVERIFY(p.Draw(records, 40, 17));
        QCOMPARE(PageState(&p.View)["track"].toInt(), 41);
        QCOMPARE(selected(), "25.001 121.5 C-Rv/car000.gif 2009/02/18 10:01:00Direction:N"
                             "Speed:1   kn");
    }

    // Drawings asked for faster than the page takes them are not queued up in the browser,
    // each to be drawn late: the page is sent the newest once it has taken the last, and
    // shows the newest in the end.
    void slowPageIsSentTheNewestDrawing() {
        TrackPage p;
        QVERIFY(p.Start());
        const clsTrackRecords records = OutAndBack(20);
        QVERIFY(p.Draw(records, 0, 17));
        RunJs(&p.View, "window.refreshes = 0; var refresh = stationRefresh;"
                       "window.stationRefresh = function (request, told) {"
                       "  ++refreshes; var until = performance.now() + 100;"
                       "  while (performance.now() < until) {}"
                       "  return refresh(request, told); }");
        constexpr int Drawings = 60;
        for (int i = 1; i <= Drawings; ++i) {
            p.Drawing->WriteTrack(records, i % records.Count(), p.Template.MapTemplate(), 17);
            p.Map->Navigate(p.Drawing->PagePath(), p.Drawing->PageHint());
            QCoreApplication::processEvents();
        }
        QVERIFY(p.Watch->WaitForNewest());
        const int refreshes = RunJs(&p.View, "refreshes").toInt();
        QVERIFY2(refreshes >= 1 && refreshes < Drawings / 2,
                 qPrintable(QString::number(refreshes)));
        QCOMPARE(Shown(PageState(&p.View)).value(0),
                 "25.0004 121.5078 C-Rv/car270.gif 2009/02/18 10:00:20Direction:WSpeed:10   kn");
    }

    // Fit track shows the whole track and stops following; its level reaches the label and
    // the setting; the next drawing keeps the view, and follow centres on the selection.
    void fitTrackStopsFollowing() {
        TrackWindow s;
        QVERIFY(s.Start());
        QVERIFY(s.FetchWholeTrack());
        QJsonObject state = PageState(s.View());
        QVERIFY(state["following"].toBool() && state["fitEnabled"].toBool());
        Press(s.View(), "fit");
        QTRY_COMPARE(s.Caption("lblZoom"), QString::number(PageState(s.View())["zoom"].toInt()));
        state = PageState(s.View());
        QVERIFY(!state["following"].toBool());
        QVERIFY(state["zoom"].toInt() < 15);
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::Zoom),
                 s.Caption("lblZoom"));
        const char* allInView = "var t = stationMap.track()._track, b = stationMap.map.getBounds(),"
                                " all = true; for (var i = 0; i < t.n; i++) all = all && "
                                "b.contains([t.lat[i], t.lng[i]]); all";
        QVERIFY(RunJs(s.View(), allInView).toBool());
        // One level nearer the track no longer fits.
        QVERIFY(!RunJs(s.View(), QStringLiteral("var m = stationMap.map, t = stationMap.track()."
                                                "_track, b = L.latLngBounds([]); for (var i = 0; "
                                                "i < t.n; i++) b.extend([t.lat[i], t.lng[i]]); "
                                                "m.getBoundsZoom(b, false, L.point(48, 48)) > %1")
                                     .arg(state["zoom"].toInt()))
                     .toBool());
        QVERIFY(s.MapShown());
        const QPointF fitted = SettledCentre(s.View());

        s.ClickRow(100);
        QVERIFY(s.MapShown());
        QVERIFY(ReadFile(s.Dir.filePath("carimage/markers.txt"))
                    .split('\n')
                    .value(100)
                    .contains("C-Rv"));
        QCOMPARE(SettledCentre(s.View()), fitted);
        QVERIFY(RunJs(s.View(), allInView).toBool());

        Press(s.View(), "follow");
        const PositionFix selected = s.Window->Recorder().TrackRecords().At(100);
        QTRY_VERIFY(NearCentre(s.View(), selected.Latitude, selected.Longitude));
        QVERIFY(PageState(s.View())["following"].toBool());
    }

    // A drag during live tracking stops following: the files are still written and the
    // vehicle moves, the view stays; follow centres on the vehicle, and the next fix too.
    void dragStopsFollowing() {
        MapWindow s;
        QVERIFY(s.Start());
        s.Click("cmdQuery");
        double latitude = 25.03;
        const auto send = [&] {
            return s.Send(Sentence(latitude += 0.0005, 121.56, 0, "120000")) &&
                   s.Watch->WaitForNewest();
        };
        QVERIFY(send() && send());
        QVERIFY(PageState(s.View())["following"].toBool() &&
                NearCentre(s.View(), latitude, 121.56));
        QVERIFY(!PageState(s.View())["fitEnabled"].toBool()); // no track to fit
        QVERIFY(Drag(s.View(), 150, 150, 80, 60));
        QTRY_VERIFY(!PageState(s.View())["following"].toBool());
        const QPointF dragged = SettledCentre(s.View());
        QVERIFY(!NearCentre(s.View(), latitude, 121.56));
        QVERIFY(send() && send());
        QVERIFY(ReadFile(s.Dir.filePath("carimage/markers.txt"))
                    .startsWith(QByteArray::number(latitude, 'g', 15) + "|121.56|"));
        const QVariantList vehicle = RunJs(s.View(), "stationMap.vehicle()").toList();
        QCOMPARE(vehicle.value(0).toDouble(), latitude);
        QCOMPARE(SettledCentre(s.View()), dragged);

        Press(s.View(), "follow");
        QTRY_VERIFY(NearCentre(s.View(), latitude, 121.56));
        QVERIFY(send());
        QTRY_VERIFY(NearCentre(s.View(), latitude, 121.56));
    }

    // Closed, the vehicle's popup stays closed through the drawings; a click on the vehicle
    // opens it, and it stays open.
    void closedPopupStaysClosed() {
        MapWindow s;
        QVERIFY(s.Start());
        s.Click("cmdQuery");
        double latitude = 25.03;
        const auto send = [&] {
            return s.Send(Sentence(latitude += 0.0002, 121.56, 90, "120000")) &&
                   s.Watch->WaitForNewest();
        };
        const auto popups = [&] { return PageState(s.View())["popupsOpen"].toInt(); };
        QVERIFY(send());
        QTRY_COMPARE(popups(), 1);
        ClosePopup(s.View());
        QTRY_COMPARE(popups(), 0);
        QVERIFY(send() && send() && send());
        QCOMPARE(popups(), 0);
        RunJs(s.View(), "document.querySelector('.leaflet-marker-icon').click()");
        QTRY_COMPARE(popups(), 1);
        QVERIFY(send() && send());
        QCOMPARE(popups(), 1);
    }

    // The same while a fetched track is shown: a drawing of the vehicle alone and one of the
    // whole track with another row selected bring other vehicle markers, not the popup.
    void closedPopupStaysClosedOverTrackDrawings() {
        TrackWindow s;
        QVERIFY(s.Start());
        QVERIFY(s.FetchWholeTrack());
        const auto popups = [&] { return PageState(s.View())["popupsOpen"].toInt(); };
        QTRY_COMPARE(popups(), 1);
        ClosePopup(s.View());
        QTRY_COMPARE(popups(), 0);
        s.Window->DrawCurrentPosition();
        QVERIFY(s.Watch->WaitForNewest());
        QCOMPARE(PageState(s.View())["track"].toInt(), 0);
        s.ClickRow(5);
        QVERIFY(s.MapShown());
        QCOMPARE(PageState(s.View())["track"].toInt(), TrackWindow::Records);
        QCOMPARE(popups(), 0);
        RunJs(s.View(), "document.querySelector('.leaflet-marker-icon').click()");
        QTRY_COMPARE(popups(), 1);
        s.Window->DrawCurrentPosition();
        QVERIFY(s.Watch->WaitForNewest());
        s.ClickRow(6);
        QVERIFY(s.MapShown());
        QCOMPARE(popups(), 1);
    }
};

STATION_UI_TEST_MAIN(TestMapTrack)
#include "tst_MapTrack.moc"
