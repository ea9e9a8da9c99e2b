#pragma once

// The main window with its real map page offscreen, and what the page tells of itself.

#include "map/MapTestSupport.h"
#include "map/clsMapView.h"
#include "station/StationTestSupport.h"
#include "tracking/TestPseudoTerminal.h"
#include "tracking/TestSentences.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cmath>
#include <optional>

// $GPRMC at 12.5 knots at a latitude and longitude in degrees (north-east) with a course.
inline QByteArray Sentence(double latitude, double longitude, double course, const char* time) {
    const auto field = [](double degrees, int width) {
        const double whole = std::floor(degrees);
        return QString::number(whole, 'f', 0).rightJustified(width, '0') +
               QString::number((degrees - whole) * 60, 'f', 4).rightJustified(7, '0');
    };
    return Checksummed(
               QStringLiteral("GPRMC,%1,A,%2,N,%3,E,12.5,%4,180209,,")
                   .arg(time, field(latitude, 2), field(longitude, 3), QString::number(course)))
               .toLatin1() +
           "\r\n";
}

// Runs the event loop until done() holds or timeout milliseconds have passed; true when it
// holds. Unlike QTest::qWaitFor it never sleeps between its looks: the browser engine does its
// work on this thread, and each sleep holds up every step of a page load.
template <class Done> bool WaitUntil(Done done, int timeout = 20000) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    look.start(1);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

// Runs script in the map page and gives its result (undefined and failures give null).
inline QVariant RunJs(QWebEngineView* view, const QString& script) {
    std::optional<QVariant> result;
    view->page()->runJavaScript(script, [&](const QVariant& value) { result = value; });
    WaitUntil([&] { return result.has_value(); }, 10000);
    return result.value_or(QVariant());
}

// The page's own account of what it shows: centre, zoom, markers, track positions.
inline QJsonObject PageState(QWebEngineView* view) {
    const QVariant state =
        RunJs(view, QStringLiteral("window.stationMap && JSON.stringify(stationMap.state())"));
    return QJsonDocument::fromJson(state.toString().toUtf8()).object();
}

// The page's markers as "latitude longitude icon text", sorted.
inline QStringList Shown(const QJsonObject& state) {
    QStringList markers;
    for (const QJsonValue& m : state["markers"].toArray()) {
        markers << QStringLiteral("%1 %2 %3 %4")
                       .arg(m["lat"].toDouble(), 0, 'g', 15)
                       .arg(m["lng"].toDouble(), 0, 'g', 15)
                       .arg(m["icon"].toString(), m["text"].toString());
    }
    markers.sort();
    return markers;
}

// Follows the drawings that the page reports shown.
struct DrawnWatch {
    clsMapView& View;
    int Highest = 0;

    explicit DrawnWatch(clsMapView& view) : View(view) {
        QObject::connect(&view, &clsMapView::Drawn, &view,
                         [this](int request) { Highest = std::max(Highest, request); });
    }
    // Whether the page shows the view's newest drawing.
    bool Current() const { return Highest >= View.LastRequest(); }
    bool WaitForNewest(int timeout = 20000) {
        return WaitUntil([this] { return Current(); }, timeout);
    }
};

// The main window whose port COM2 is a pseudo-terminal receiver unless Device is set, with
// its drawings followed; every fix is stamped 18 February 2009, 12:00.
struct MapWindow : StationWindow {
    TestPseudoTerminal Receiver;
    QByteArray Device = Receiver.SlavePath().toLocal8Bit(); // what COM2 opens
    std::optional<DrawnWatch> Watch;

    MapWindow() {
        Clock = [] { return QDateTime(QDate(2009, 2, 18), QTime(12, 0)); };
    }
    // Starts with settings after the port's and, unless null, mapTemplate as the map template.
    bool Start(const QByteArray& settings = {}, const QByteArray& mapTemplate = {}) {
        if (!Create("[Ports]\nCOM2=" + Device + "\n[Settings]\nCommPort=2\n" + settings) ||
            !(mapTemplate.isNull() ||
              WriteFile(Dir.filePath("carimage/Standards.txt"), mapTemplate))) {
            return false;
        }
        Watch.emplace(Window->MapView());
        return Window->Load() && (Window->show(), QTest::qWaitForWindowExposed(Window.get()));
    }
    QWebEngineView* View() const { return Control<QWebEngineView>("WBMaps"); }
    void Click(const char* control) { QTest::mouseClick(Control(control), Qt::LeftButton); }
    QString Caption(const char* label) const { return Control<QLabel>(label)->text(); }
    // Waits until Timer3 has shown the selected row and the page shows every drawing.
    bool MapShown() {
        return WaitUntil(
            [&] { return !Control<QTimer>("Timer3")->isActive() && Watch->Current(); });
    }
    // Writes the sentence to the receiver and waits for the row it adds.
    bool Send(const QByteArray& sentence) {
        const int before = Window->Rows().rowCount();
        return Receiver.Write(sentence) &&
               WaitUntil([&] { return Window->Rows().rowCount() > before; }, 5000);
    }
};
