// Which RMC sentences of a link reach the decoder, line by line.

#include "tracking/TestSentences.h"
#include "tracking/clsTalkerLock.h"

#include <QtTest>

namespace {

// A line of the given kind ("GNRMC", "GPGGA", ...), numbered so that every line differs.
QString LineOf(const QString& kind, int number) {
    return Checksummed(kind + QStringLiteral(",%1,A,2502.1234,N,12134.5678,E,0.0,0.0,010126")
                                  .arg(number, 6, 10, QLatin1Char('0')));
}

} // namespace

class tst_TalkerLock : public QObject {
    Q_OBJECT

private slots:
    void talkerOfLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("talker");
        QTest::newRow("GP") << LineOf("GPRMC", 1) << "GP";
        QTest::newRow("GN") << LineOf("GNRMC", 1) << "GN";
        QTest::newRow("BD") << LineOf("BDRMC", 1) << "BD";
        QTest::newRow("other type") << LineOf("GNGGA", 1) << "";
        QTest::newRow("lower case") << QStringLiteral("$gnrmc,1*00") << "";
        QTest::newRow("no star") << QStringLiteral("$GNRMC,1,A") << "";
        QTest::newRow("proprietary") << QStringLiteral("$PQRMC,1*00") << "PQ";
        QTest::newRow("short") << QStringLiteral("$GNRM") << "";
        QTest::newRow("no dollar") << QStringLiteral("GNRMC,1*00") << "";
    }

    void talkerOfLine() {
        QFETCH(QString, line);
        QFETCH(QString, talker);
        QCOMPARE(clsTalkerLock::RmcTalker(line), talker);
    }

    // kinds: the lines of one link in order; taken: the numbers (positions in kinds) of
    // the lines handed on, in the order they leave; ignored: RMC lines never handed on.
    void followsOneTalker_data() {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QList<int>>("taken");
        QTest::addColumn<QString>("talker");
        QTest::addColumn<int>("ignored");
        const auto kinds = [](const char* text) {
            return QString::fromLatin1(text).split(QLatin1Char(' '));
        };
        QTest::newRow("GP only") << kinds("GPRMC GPGGA GPRMC") << QList<int>{0, 2} << "GP" << 0;
        QTest::newRow("GN run of three, then each")
            << kinds("GNRMC GNGSA GNRMC GNRMC GNRMC") << QList<int>{0, 2, 3, 4} << "GN" << 0;
        QTest::newRow("two GN are held") << kinds("GNRMC GNRMC") << QList<int>{} << "" << 0;
        QTest::newRow("another talker starts the run again")
            << kinds("GNRMC GNRMC GLRMC GNRMC GNRMC GNRMC")
            << QList<int>{3, 4, 5} << "GN" << 3;
        QTest::newRow("GP before the run drops it")
            << kinds("GNRMC GNRMC GPRMC GNRMC GNRMC GNRMC") << QList<int>{2} << "GP" << 5;
        QTest::newRow("GP after the lock takes over for good")
            << kinds("GARMC GARMC GARMC GPRMC GARMC GPRMC")
            << QList<int>{0, 1, 2, 3, 5} << "GP" << 1;
        QTest::newRow("locked talker ignores the others")
            << kinds("BDRMC BDRMC BDRMC GLRMC BDRMC") << QList<int>{0, 1, 2, 4} << "BD" << 1;
        QTest::newRow("unknown talker never locks")
            << kinds("PQRMC PQRMC PQRMC PQRMC") << QList<int>{} << "" << 4;
        QTest::newRow("every listed talker locks")
            << kinds("GBRMC GBRMC GBRMC GQRMC GIRMC") << QList<int>{0, 1, 2} << "GB" << 2;
    }

    void followsOneTalker() {
        QFETCH(QStringList, kinds);
        QFETCH(QList<int>, taken);
        QFETCH(QString, talker);
        QFETCH(int, ignored);
        clsTalkerLock lock;
        const QDateTime start(QDate(2026, 1, 1), QTime(12, 0));
        QList<clsTalkerLock::Arrival> handedOn;
        for (int i = 0; i < kinds.size(); ++i) {
            handedOn += lock.Offer(LineOf(kinds.at(i), i), start.addSecs(i));
        }
        QList<clsTalkerLock::Arrival> expected;
        for (const int i : taken) {
            expected.append({LineOf(kinds.at(i), i), start.addSecs(i)});
        }
        QCOMPARE(handedOn, expected);
        QCOMPARE(lock.Talker(), talker);
        QCOMPARE(lock.IgnoredCount(), ignored);
    }

    // A port opened afresh follows the talker it finds then.
    void resetForgetsTheLock() {
        clsTalkerLock lock;
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(lock.Offer(LineOf("GPRMC", 1), now).size(), 1);
        QVERIFY(lock.Offer(LineOf("GNRMC", 2), now).isEmpty());
        lock.Offer(LineOf("GNRMC", 3), now); // held before the reset
        lock.Reset();
        QCOMPARE(lock.Talker(), QString());
        QCOMPARE(lock.IgnoredCount(), 0);
        lock.Offer(LineOf("GNRMC", 4), now);
        lock.Offer(LineOf("GNRMC", 5), now);
        QCOMPARE(lock.Offer(LineOf("GNRMC", 6), now).size(), 3);
        QCOMPARE(lock.Talker(), QStringLiteral("GN"));
    }
};

QTEST_GUILESS_MAIN(tst_TalkerLock)
#include "tst_TalkerLock.moc"
