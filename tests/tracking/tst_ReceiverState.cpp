// The receiver's state as the panel tells it, from what has arrived since the port opened.

#include "shell/clsProfileText.h"
#include "tracking/TestSentences.h"
#include "tracking/clsReceiverState.h"

#include <QtTest>

namespace {

using Stage = clsReceiverState::Stage;

QString Rmc(const char* talker, const char* status) {
    return Checksummed(
        QStringLiteral("%1RMC,120000,%2,2502.1234,N,12134.5678,E,0.5,12.0,010126,,").arg(talker, status));
}

} // namespace

class tst_ReceiverState : public QObject {
    Q_OBJECT

private slots:
    // events: "data" (characters), "ok:" / "bad:" + a line with a checksum that agrees or
    // not, "taken:" + an RMC handed on (from the talker its header names).
    void stageAndCounts_data() {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QList<qint64>>("counts"); // lines, taken, bad, void, ignored
        const QString fixA = Rmc("GN", "A");
        const QString fixV = Rmc("GP", "V");
        QTest::newRow("nothing") << QStringList{} << int(Stage::NoData) << "No data yet"
                                 << QList<qint64>{0, 0, 0, 0, 0};
        QTest::newRow("noise at the wrong speed")
            << QStringList{"data", "bad:\x7f\x13*xx", "ok:\x01\x02garbage"}
            << int(Stage::NoSentence)
            << "Data, but no complete sentence: most often the wrong line setting"
            << QList<qint64>{2, 0, 1, 0, 0};
        QTest::newRow("a damaged RMC is no sentence")
            << QStringList{"data", "bad:" + fixA} << int(Stage::NoSentence)
            << "Data, but no complete sentence: most often the wrong line setting"
            << QList<qint64>{1, 0, 1, 0, 0};
        QTest::newRow("sentences without RMC")
            << QStringList{"data", "ok:" + Checksummed("GPGGA,1"), "ok:" + Checksummed("GPGSV,1")}
            << int(Stage::NoRmc) << "Sentences, but no position (RMC) sentence"
            << QList<qint64>{2, 0, 0, 0, 0};
        QTest::newRow("RMC held back")
            << QStringList{"data", "ok:" + fixA} << int(Stage::NoFix)
            << "No fix: the receiver reports a warning (V)" << QList<qint64>{1, 0, 0, 0, 0};
        QTest::newRow("void fix") << QStringList{"data", "ok:" + fixV, "taken:" + fixV}
                                  << int(Stage::NoFix)
                                  << "No fix: the receiver reports a warning (V)"
                                  << QList<qint64>{1, 1, 0, 1, 0};
        QTest::newRow("fix, 3 s ago") << QStringList{"data", "ok:" + fixA, "taken:" + fixA}
                                      << int(Stage::Fix) << "Fix 3 s ago (GN)"
                                      << QList<qint64>{1, 1, 0, 0, 0};
        QTest::newRow("fix lost again")
            << QStringList{"data", "ok:" + fixA, "taken:" + fixA, "ok:" + fixV, "taken:" + fixV}
            << int(Stage::NoFix) << "No fix: the receiver reports a warning (V)"
            << QList<qint64>{2, 2, 0, 1, 0};
    }

    void stageAndCounts() {
        QFETCH(QStringList, events);
        QFETCH(int, stage);
        QFETCH(QString, panel);
        QFETCH(QList<qint64>, counts);
        const QDateTime start(QDate(2026, 1, 1), QTime(12, 0));
        clsReceiverState state;
        state.CountData(); // what the port before left
        state.CountLine(u"$GPRMC,1,A*00", true);
        state.Reset();
        for (const QString& event : events) {
            const QString line = event.section(':', 1);
            if (event == "data") {
                state.CountData();
            } else if (event.startsWith("taken:")) {
                state.CountTaken(line, line.mid(1, 2), start);
            } else {
                state.CountLine(line, event.startsWith("ok:"));
            }
        }
        const clsProfileText english;
        QCOMPARE(int(state.CurrentStage()), stage);
        QCOMPARE(state.PanelText(english, start.addSecs(3)), panel);
        QCOMPARE(QList<qint64>({state.Lines(), state.Taken(), state.BadChecksums(),
                                state.VoidFixes(), state.Ignored()}),
                 counts);
    }

    // The tooltip's counts, and the words of the language file before the fallback.
    void countsInWords() {
        clsReceiverState state;
        state.CountData();
        state.CountLine(Rmc("GL", "A"), true);
        state.CountTaken(Rmc("GL", "A"), "GL", QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
        state.SetIgnored(7);
        QCOMPARE(state.CountsText(clsProfileText()),
                 "Since the port opened: 1 lines, 1 RMC taken, 0 bad checksums, 0 void fixes (V), "
                 "7 RMC of other talkers ignored");
        const clsProfileText chinese(QByteArray("[Messages]\n0094=%1 秒前定位（%2）\n"));
        QCOMPARE(state.PanelText(chinese, QDateTime(QDate(2026, 1, 1), QTime(12, 1))),
                 "60 秒前定位（GL）");
    }
};

QTEST_GUILESS_MAIN(tst_ReceiverState)
#include "tst_ReceiverState.moc"
