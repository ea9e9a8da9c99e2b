// The main window's layout arithmetic: where each control goes for a window's inner size.

#include "station/clsTrackLayout.h"

#include <QtTest>

class tst_TrackLayout : public QObject {
    Q_OBJECT

private slots:
    // W and H, then where each control goes when given. The status bar is 300 twips high.
    void layout_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("chart"); // the speed chart open
        QTest::newRow("ordinary") << 12000.0 << 9000.0 << "12000 8580" << false;
        QTest::newRow("narrow and low") << 3000.0 << 2000.0 << "6000 4500" << false;
        // The least height, 4500 + 120 + status bar: map 3337.5 and list 1112.5 high; a
        // narrow window lays out as one 6000 wide.
        QTest::newRow("least size")
            << 5000.0 << 4920.0
            << "6000 4500 fraMap 50,50,1845,3337.5 WBMaps 50,300,1795,2687.5 fraTrackQuery "
               "1995,50,3855,2295 CmdPOI 3195,2445,1555,615 frmRecords 1995,3210,3855,1240 "
               "lblSpeed -155,3087.5 labXY -2655,3087.5 DateView 0,3497.5,1845,1112.5 imgZoomIn "
               "1405,260,390,390 imgZoomOut 1405,2947.5,390,390 fraChart 0,0,0,0"
            << false;
        // The chart takes 0.4 of the map's 3337.5 less a gap of 50, 1285 high, and ends
        // where the map frame ended; the map frame and its children shrink to 2002.5; the
        // list and the column do not move.
        QTest::newRow("least size, chart open")
            << 5000.0 << 4920.0
            << "6000 4500 fraMap 50,50,1845,2002.5 WBMaps 50,300,1795,1352.5 fraTrackQuery "
               "1995,50,3855,2295 CmdPOI 3195,2445,1555,615 frmRecords 1995,3210,3855,1240 "
               "lblSpeed -155,1752.5 labXY -2655,1752.5 DateView 0,3497.5,1845,1112.5 imgZoomIn "
               "1405,260,390,390 imgZoomOut 1405,1612.5,390,390 fraChart 50,2102.5,1845,1285"
            << true;
        QTest::newRow("clamped") << 60000.0 << qInf() << "32767 32767" << false;
    }

    void layout() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QString, expected);
        QFETCH(bool, chart);
        const clsTrackLayout::Placements p = clsTrackLayout::Arrange(width, height, 300, chart);
        const auto n = [](double v) { return QString::number(v, 'g', 10); };
        const auto at = [&](const auto& r) { return n(r.Left) + ',' + n(r.Top); };
        const auto rect = [&](const auto& r) {
            return at(r) + ',' + n(r.Width) + ',' + n(r.Height);
        };
        QStringList placed;
        placed << n(clsTrackLayout::LayoutWidth(width))
               << n(clsTrackLayout::LayoutHeight(height, 300)) << "fraMap" << rect(p.fraMap)
               << "WBMaps" << rect(p.WBMaps) << "fraTrackQuery" << rect(p.fraTrackQuery) << "CmdPOI"
               << rect(p.CmdPOI) << "frmRecords" << rect(p.frmRecords) << "lblSpeed"
               << at(p.lblSpeed) << "labXY" << at(p.labXY) << "DateView" << rect(p.DateView)
               << "imgZoomIn" << rect(p.imgZoomIn) << "imgZoomOut" << rect(p.imgZoomOut)
               << "fraChart" << rect(p.fraChart);
        const QStringList wanted = expected.split(' ');
        QCOMPARE(placed.mid(0, wanted.size()), wanted);
    }

    // The smallest size gives each control what it needs, and one twip less in the
    // binding direction gives one of them less; needs below the least size keep it.
    void smallestInnerMeetsTheNeeds_data() {
        QTest::addColumn<double>("mapFrame");
        QTest::addColumn<double>("records");
        QTest::addColumn<double>("list");
        QTest::addColumn<QString>("expected");
        QTest::newRow("least size") << 1000.0 << 500.0 << 300.0 << "6000 4920";
        QTest::newRow("map frame and records bind") << 6250.0 << 4000.5 << 1000.0 << "10405 7681";
        QTest::newRow("the list binds") << 6800.0 << 2000.0 << 1500.0 << "10955 6470";
        QTest::newRow("beyond the whole limit") << 40000.0 << 40000.0 << 0.0 << "32767 33187";
    }

    void smallestInnerMeetsTheNeeds() {
        QFETCH(double, mapFrame);
        QFETCH(double, records);
        QFETCH(double, list);
        QFETCH(QString, expected);
        const clsTrackLayout::InnerSize inner =
            clsTrackLayout::SmallestInner({mapFrame, records, list}, 300);
        QCOMPARE(QString("%1 %2").arg(inner.Width).arg(inner.Height), expected);
        const auto meets = [&](double width, double height) {
            const clsTrackLayout::Placements p = clsTrackLayout::Arrange(width, height, 300);
            return p.fraMap.Width >= mapFrame && p.frmRecords.Height >= records &&
                   p.DateView.Height >= list;
        };
        if (inner.Width < clsTrackLayout::WholeLimit) {
            QVERIFY(meets(inner.Width, inner.Height));
        }
        if (inner.Width > clsTrackLayout::MinWidth && inner.Width < clsTrackLayout::WholeLimit) {
            QVERIFY(!meets(inner.Width - 1, inner.Height));
        }
        if (inner.Height > 4920 && inner.Width < clsTrackLayout::WholeLimit) {
            QVERIFY(!meets(inner.Width, inner.Height - 1));
        }
    }
};

QTEST_GUILESS_MAIN(tst_TrackLayout)
#include "tst_TrackLayout.moc"
