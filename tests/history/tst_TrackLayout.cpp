#include "history/clsTrackLayout.h"

#include <QTest>

class tst_TrackLayout : public QObject {
    Q_OBJECT

private slots:
    void wholeSizes_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("H");
        // The status bar is 300 twips high throughout.
        QTest::newRow("ordinary") << 12000.0 << 9000.0 << 12000 << 8580;
        QTest::newRow("narrow and low") << 3000.0 << 2000.0 << 6000 << 4500;
        QTest::newRow("halves to even") << 7000.5 << 5920.5 << 7000 << 5500;
        QTest::newRow("odd halves up") << 7001.5 << 5921.5 << 7002 << 5502;
        QTest::newRow("clamped") << 60000.0 << qInf() << 32767 << 32767;
        QTest::newRow("not a number") << qQNaN() << qQNaN() << 6000 << 4500;
    }

    void wholeSizes() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, W);
        QFETCH(int, H);
        QCOMPARE(clsTrackLayout::LayoutWidth(width), W);
        QCOMPARE(clsTrackLayout::LayoutHeight(height, 300), H);
    }

    void table_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("expected"); // left,top,width,height of each control
        // The least height, 4500 + 120 + status bar: map 3337.5 and list 1112.5 high; a
        // narrow window lays out as one 6000 wide.
        QTest::newRow("least size")
            << 5000.0 << 4920.0
            << "fraMap 50,50,1845,3337.5 WBMaps 50,300,1795,2687.5 "
               "fraTrackQuery 1995,50,3855,2295 CmdPOI 3195,2445,1555,615 "
               "frmRecords 1995,3210,3855,1240 lblSpeed -155,3087.5 labXY -2655,3087.5 "
               "DateView 0,3497.5,1845,1112.5 imgZoomIn 1405,260,390,390 "
               "imgZoomOut 1405,2947.5,390,390";
        QTest::newRow("clamped") << 99999.0 << 99999.0
                                 << "fraMap 50,50,28612,24537.75 WBMaps 50,300,28562,23887.75 "
                                    "fraTrackQuery 28762,50,3855,2295 CmdPOI 29962,2445,1555,615 "
                                    "frmRecords 28762,3210,3855,29507 lblSpeed 26612,24287.75 "
                                    "labXY 24112,24287.75 DateView 0,24697.75,28612,8179.25 "
                                    "imgZoomIn 28172,260,390,390 imgZoomOut 28172,24147.75,390,390";
    }

    void table() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QString, expected);
        const clsTrackLayout::Placements p = clsTrackLayout::Arrange(width, height, 300);
        auto text = [](const char* name, std::initializer_list<double> numbers) {
            QStringList texts;
            for (double n : numbers) {
                texts << QString::number(n, 'g', 10);
            }
            return QLatin1String(name) + QLatin1Char(' ') + texts.join(QLatin1Char(','));
        };
        auto rect = [&](const char* name, const clsTrackLayout::Rect& r) {
            return text(name, {r.Left, r.Top, r.Width, r.Height});
        };
        const QStringList placed{rect("fraMap", p.fraMap),
                                 rect("WBMaps", p.WBMaps),
                                 rect("fraTrackQuery", p.fraTrackQuery),
                                 rect("CmdPOI", p.CmdPOI),
                                 rect("frmRecords", p.frmRecords),
                                 text("lblSpeed", {p.lblSpeed.Left, p.lblSpeed.Top}),
                                 text("labXY", {p.labXY.Left, p.labXY.Top}),
                                 rect("DateView", p.DateView),
                                 rect("imgZoomIn", p.imgZoomIn),
                                 rect("imgZoomOut", p.imgZoomOut)};
        QCOMPARE(placed.join(QLatin1Char(' ')), expected);
    }
};

QTEST_GUILESS_MAIN(tst_TrackLayout)
#include "tst_TrackLayout.moc"
