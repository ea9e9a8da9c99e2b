// The speed chart and the day summary through the main window, offscreen, with the real
// map and chart pages: a day of driving and parking fetched from a log of the station's
// own writer.

#include "history/TestDays.h"
#include "history/clsChartView.h"
#include "history/frmDay.h"
#include "map/MapPageSupport.h"
#include "shell/modPrivate.h"
#include "tracking/clsHistoryLog.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>

namespace {

// The controls whose places the window's layout names.
const char* const Placed[] = {"fraMap",   "WBMaps", "fraTrackQuery", "CmdPOI",    "frmRecords",
                              "lblSpeed", "labXY",  "DateView",      "imgZoomIn", "imgZoomOut"};

struct DayWindow : MapWindow {
    clsTrackRecords Day = TestDays::DriveParkDrive();

    // The day logged as the station's writer logs it, fetched whole.
    bool StartAndFetch() {
        QByteArray log;
        for (qsizetype i = 0; i < Day.Count(); ++i) {
            log += clsHistoryLog::RecordText(Day.At(i));
        }
        if (!Start() || !WriteFile(Dir.filePath("export/History-2009-02.log"), log)) {
            return false;
        }
        Control<QDateTimeEdit>("dtpFromTime")->setDate(QDate(2009, 2, 18));
        Click("cmdGET");
        return Window->Rows().rowCount() == Day.Count() && MapShown();
    }
    QWebEngineView* Chart() const { return Control<QWebEngineView>("WBChart"); }
    clsChartBridge& Bridge() const { return Window->ChartView().Bridge(); }
    // The chart page's own account of what it shows.
    QJsonObject ChartState() const {
        return QJsonDocument::fromJson(
                   RunJs(Chart(), "window.stationChart && JSON.stringify(stationChart.state())")
                       .toString()
                       .toUtf8())
            .object();
    }
    // Opens the chart and waits until the page shows the newest chart.
    bool OpenChart() {
        int drawn = 0;
        QObject::connect(&Bridge(), &clsChartBridge::Drawn, Chart(),
                         [&](int request, double) { drawn = request; });
        Click("cmdChart");
        return WaitUntil([&] { return drawn > 0 && drawn == Bridge().chartRequest(); }, 30000);
    }
    bool Marked(int point) {
        return WaitUntil([&] {
            const QJsonObject state = ChartState();
            return state["marked"].toInt() == point && state["markShown"].toBool() &&
                   std::fabs(state["markLeft"].toDouble() - state["pointLeft"].toDouble()) < 0.5;
        });
    }
    int SelectedRow() const {
        const QModelIndexList rows =
            Control<QTableView>("DateView")->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    QStringList Geometries() const {
        QStringList places;
        for (const char* name : Placed) {
            const QRect r = Control(name)->geometry();
            places << QStringLiteral("%1 %2,%3,%4,%5")
                          .arg(name)
                          .arg(r.x())
                          .arg(r.y())
                          .arg(r.width())
                          .arg(r.height());
        }
        return places;
    }
    // The vehicle's marker on the map page, "latitude longitude" to 5 decimals.
    QString MapVehicle() const {
        for (const QJsonValue& m : PageState(View())["markers"].toArray()) {
            if (m["icon"].toString().contains("C-R", Qt::CaseInsensitive)) {
                return QString::asprintf("%.5f %.5f", m["lat"].toDouble(), m["lng"].toDouble());
            }
        }
        return {};
    }
};

// Runs act on the modal dialog that the click opens, while it shows.
void WhileModal(QWidget* button, const std::function<void(QWidget*)>& act) {
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            look.stop();
            act(dialog);
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    look.start(20);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class tst_frmTrackDay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    // Closed, the chart takes no room; open, it shares the map's place and the list and the
    // column stay; closed again, every control is back where it was. Its data is never a file.
    void chartPaneKeepsTheLayout() {
        DayWindow s;
        QVERIFY(s.StartAndFetch());
        const QStringList closed = s.Geometries();
        const QByteArray markers = ReadFile(s.Dir.filePath("carimage/markers.txt"));
        const QStringList files = QDir(s.Dir.filePath("carimage")).entryList(QDir::Files);
        QVERIFY(s.Control("fraChart")->isHidden());
        QVERIFY(s.Chart()->url().isEmpty()); // the chart page is not even loaded
        QVERIFY(s.OpenChart());
        const QRect map = s.Control("fraMap")->geometry();
        const QRect chart = s.Control("fraChart")->geometry();
        const QRect list = s.Control("DateView")->geometry();
        QVERIFY(s.Control("fraChart")->isVisible());
        QVERIFY(chart.top() > map.bottom() && chart.bottom() < list.top());
        QCOMPARE(chart.left(), map.left());
        QCOMPARE(chart.width(), map.width());
        QCOMPARE(s.Geometries().filter("DateView"), closed.filter("DateView"));
        QCOMPARE(s.Geometries().filter("frmRecords"), closed.filter("frmRecords"));
        QCOMPARE(ReadFile(s.Dir.filePath("carimage/markers.txt")), markers);
        QCOMPARE(QDir(s.Dir.filePath("carimage")).entryList(QDir::Files), files);
        s.Click("cmdChart");
        QVERIFY(s.Control("fraChart")->isHidden());
        QCOMPARE(s.Geometries(), closed);
    }

    // The chart of the fetched day: one point per record and a break for the 20 minutes
    // parked; a row clicked in the list and every playback step are marked on it.
    void chartFollowsTheListAndPlayback() {
        DayWindow s;
        QVERIFY(s.StartAndFetch());
        QVERIFY(s.OpenChart());
        const QJsonObject state = s.ChartState();
        QCOMPARE(state["title"].toString(), "2009/02/18");
        QCOMPARE(state["points"].toInt(), 95);
        QCOMPARE(state["breaks"].toInt(), 1);
        auto* list = s.Control<QTableView>("DateView");
        const QRect row = list->visualRect(s.Window->Rows().index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QVERIFY(s.MapShown());
        QVERIFY(s.Marked(2));
        // From the last row but three: records 91 to 93, after the break points 92 to 94.
        QSignalSpy marks(&s.Bridge(), &clsChartBridge::Marked);
        list->selectRow(90);
        s.Click("cmdPlay");
        QVERIFY(WaitUntil([&] { return s.Control("cmdGET")->isEnabled(); }, 30000));
        QVERIFY(s.Marked(94));
        QList<int> points;
        for (const QList<QVariant>& mark : marks) {
            points << mark[0].toInt();
        }
        QCOMPARE(points, (QList<int>{92, 93, 94}));
    }

    // A click on the chart's peak (24 knots, record 33) selects that row and shows it on
    // the map, as a click on the row does, and marks it.
    void clickOnTheChartShowsThatMoment() {
        DayWindow s;
        QVERIFY(s.StartAndFetch());
        QVERIFY(s.OpenChart());
        QVERIFY(RunJs(s.Chart(), R"(
            (function () {
                var at = stationChart.clientPoint(33);
                var over = document.querySelector('.u-over');
                ['mousedown', 'mouseup'].forEach(function (kind) {
                    over.dispatchEvent(new MouseEvent(kind, {clientX: at.x, clientY: at.y,
                                                             bubbles: true, button: 0}));
                });
                return true;
            })())")
                    .toBool());
        QVERIFY(WaitUntil([&] { return s.SelectedRow() == 33; }));
        QVERIFY(s.MapShown());
        const PositionFix peak = s.Day.At(33);
        QCOMPARE(peak.Speed, 24.0f);
        QCOMPARE(s.MapVehicle(), QString::asprintf("%.5f %.5f", peak.Latitude, peak.Longitude));
        QVERIFY(s.Marked(33));
    }

    // The summary lists the trips and the stop; a line chosen shows its first record; new
    // stop values are applied and kept; it prints through the platform and writes its CSV.
    void daySummary() {
        DayWindow s;
        QVERIFY(s.StartAndFetch());
        const QString csvPath = s.Dir.filePath("day.csv");
        s.Platform.ChosenPath = csvPath;
        QString printedHtml;
        s.Platform.Printer = [&](const QString& html) { return printedHtml = html, true; };
        QStringList rows;
        int rowsAfterApply = -1;
        int selectedWhileOpen = -1;
        int selectedAtOpening = -1;
        s.Control<QTableView>("DateView")->selectRow(5);
        WhileModal(s.Control("cmdDay"), [&](QWidget* dialog) {
            QTest::qWait(100); // the table takes the focus and its current cell
            selectedAtOpening = s.SelectedRow();
            auto* lines = dialog->findChild<QTableWidget*>("lstLines");
            for (int row = 0; row < lines->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < 4; ++column) {
                    cells << lines->item(row, column)->text();
                }
                rows << cells.join('|');
            }
            lines->selectRow(1);
            WaitUntil([&] { return s.SelectedRow() == 62 && s.MapShown(); });
            selectedWhileOpen = s.SelectedRow();
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdPrint"), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCsv"), Qt::LeftButton);
            dialog->findChild<QDoubleSpinBox*>("txtStopMinutes")->setValue(25);
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdApply"), Qt::LeftButton);
            rowsAfterApply = lines->rowCount();
        });
        QCOMPARE(rows, (QStringList{"Trip|2009/02/18 10:00:00|2009/02/18 10:10:00|0:10:00",
                                    "Stop|2009/02/18 10:10:00|2009/02/18 10:30:00|0:20:00",
                                    "Trip|2009/02/18 10:30:00|2009/02/18 10:35:00|0:05:00"}));
        QCOMPARE(selectedAtOpening, 5);
        QCOMPARE(selectedWhileOpen, 62);
        QCOMPARE(s.Platform.Printed, QStringList{"Day summary 2009-02-18"});
        QVERIFY(printedHtml.startsWith("<html>"));
        QVERIFY(printedHtml.contains("<td>0:20:00</td>"));
        QVERIFY(ReadFile(csvPath).startsWith(clsDaySummary::CsvHeader + "\r\ntrip,"));
        QCOMPARE(rowsAfterApply, 1);
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::DayStopMinutes), "25");
        QVERIFY(s.Platform.Messages.isEmpty());
    }
};

STATION_UI_TEST_MAIN(tst_frmTrackDay)
#include "tst_frmTrackDay.moc"
