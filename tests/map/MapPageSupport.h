#pragma once

#include "map/clsMapView.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cmath>

// $GPRMC at a latitude and longitude in degrees (north-east) with a course.
inline QByteArray Sentence(double latitude, double longitude, double course, const char* time) {
    const auto field = [](double degrees, int width) {
        const double whole = std::floor(degrees);
        return QByteArray::number(whole, 'f', 0).rightJustified(width, '0') +
               QByteArray::number((degrees - whole) * 60, 'f', 4).rightJustified(7, '0');
    };
    const QByteArray body = "GPRMC," + QByteArray(time) + ",A," + field(latitude, 2) + ",N," +
                            field(longitude, 3) + ",E,12.5," + QByteArray::number(course) +
                            ",180209,,";
    char sum = 0;
    for (char c : body) {
        sum ^= c;
    }
    return '$' + body + '*' + QByteArray::number(uchar(sum), 16).rightJustified(2, '0').toUpper() +
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
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    WaitUntil([&] { return done; }, 10000);
    return result;
}

// The page's own account of what it shows: centre, zoom, markers, track positions.
inline QJsonObject PageState(QWebEngineView* view) {
    const QVariant state =
        RunJs(view, QStringLiteral("window.stationMap && JSON.stringify(stationMap.state())"));
    return QJsonDocument::fromJson(state.toString().toUtf8()).object();
}

// Waits until the page reports that it shows the view's newest drawing.
class DrawnWatch {
public:
    explicit DrawnWatch(clsMapView& view) : m_view(view) {
        QObject::connect(&view, &clsMapView::Drawn, &view,
                         [this](int request) { m_highest = std::max(m_highest, request); });
    }
    bool WaitForNewest(int timeout = 20000) {
        return WaitUntil([this] { return m_highest >= m_view.LastRequest(); }, timeout);
    }

private:
    clsMapView& m_view;
    int m_highest = 0;
};
