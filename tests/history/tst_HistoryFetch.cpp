// Fetching a day's track from history logs written in the station's own record format.

#include "history/clsHistoryFetch.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "tracking/clsHistoryLog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDate Day(2009, 2, 18);

QByteArray Record(const char* time, float speed, const char* status = "A") {
    return clsHistoryLog::RecordText({time, "E", 121.5, "N", 25.5, speed, 90, status});
}

// Records of the days before the fetched one, more than one read of the log takes.
QByteArray OtherDays(int count) {
    QByteArray log;
    for (int i = 0; i < count; ++i) {
        log += Record(i % 2 ? "2009/02/16 12:00:00" : "2009/02/17 12:00:00", 1);
    }
    return log;
}

// A record as the writer would write it, without its line end.
QByteArray Text(const PositionFix& fix) {
    return clsHistoryLog::RecordText(fix).chopped(3);
}

struct Folder {
    QTemporaryDir Dir;

    QString Path(const QString& relative) const { return Dir.filePath(relative); }
    bool WriteLog(const QByteArray& bytes, const QString& name = "export/History-2009-02.log") {
        QFile file(Path(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }
    // Fetches the day with the time lists and speed texts given.
    QList<QByteArray> Fetch(const QStringList& window, const QStringList& speeds) const {
        clsTrackRecords records;
        clsHistoryFetch(Dir.path(),
                        {Day, window[0], window[1], window[2], window[3], speeds[0], speeds[1]})
            .Run(records, [](qint64, qint64) {});
        QList<QByteArray> texts;
        for (qsizetype i = 0; i < records.Count(); ++i) {
            texts.append(Text(records.At(i)));
        }
        return texts;
    }
};

const QStringList WholeDay = {"00", "00", "24", "00"};
const QStringList AnySpeed = {"0", "999"};

} // namespace

class tst_HistoryFetch : public QObject {
    Q_OBJECT

private slots:
    void keepsTheRecordsOfTheQuery_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QStringList>("window");
        QTest::addColumn<QStringList>("speeds");
        QTest::addColumn<QByteArrayList>("kept");

        QTest::newRow("whole day and no other")
            << Record("2009/02/17 23:59:59", 1) + Record("2009/02/18 00:00:00", 2) +
                   Record("2009/02/18 23:59:59", 3) + Record("2009/02/19 00:00:00", 4)
            << WholeDay << AnySpeed
            << QByteArrayList{"2009/02/18 00:00:00|N|121.5|E|25.5|A|2|90",
                              "2009/02/18 23:59:59|N|121.5|E|25.5|A|3|90"};
        QTest::newRow("both ends of the window")
            << Record("2009/02/18 10:19:59", 1) + Record("2009/02/18 10:20:00", 2) +
                   Record("2009/02/18 10:40:00", 3) + Record("2009/02/18 10:40:01", 4)
            << QStringList{"10", "20", "10", "40"} << AnySpeed
            << QByteArrayList{"2009/02/18 10:20:00|N|121.5|E|25.5|A|2|90",
                              "2009/02/18 10:40:00|N|121.5|E|25.5|A|3|90"};
        QTest::newRow("end before start")
            << Record("2009/02/18 11:30:00", 1) << QStringList{"12", "00", "11", "00"} << AnySpeed
            << QByteArrayList{};
        // 12.34 as a 32-bit float lies above 12.34 as a 64-bit one, 45.6 below 45.6.
        QTest::newRow("speed bounds equal to stored speeds")
            << Record("2009/02/18 10:00:00", 12.33f) + Record("2009/02/18 10:00:01", 12.34f) +
                   Record("2009/02/18 10:00:02", 45.6f) + Record("2009/02/18 10:00:03", 45.61f)
            << WholeDay << QStringList{"12.34", "45.6"}
            << QByteArrayList{"2009/02/18 10:00:01|N|121.5|E|25.5|A|12.34|90",
                              "2009/02/18 10:00:02|N|121.5|E|25.5|A|45.6|90"};
        QTest::newRow("one speed as both bounds")
            << Record("2009/02/18 10:00:00", 12.34f) << WholeDay << QStringList{"12.34", "12.34"}
            << QByteArrayList{"2009/02/18 10:00:00|N|121.5|E|25.5|A|12.34|90"};
        QTest::newRow("speed texts read by their leading number")
            << Record("2009/02/18 10:00:00", 11.9f) + Record("2009/02/18 10:00:01", 12) +
                   Record("2009/02/18 10:00:02", 20) + Record("2009/02/18 10:00:03", 20.1f)
            << WholeDay << QStringList{"12abc", " 20 knots"}
            << QByteArrayList{"2009/02/18 10:00:01|N|121.5|E|25.5|A|12|90",
                              "2009/02/18 10:00:02|N|121.5|E|25.5|A|20|90"};
        QTest::newRow("empty highest speed keeps standing still")
            << Record("2009/02/18 10:00:00", 0) + Record("2009/02/18 10:00:01", 0.1f) << WholeDay
            << QStringList{"", ""} << QByteArrayList{"2009/02/18 10:00:00|N|121.5|E|25.5|A|0|90"};
        QTest::newRow("empty lines skipped, warnings kept")
            << "\r\n\r\r\n" + Record("2009/02/18 10:00:00", 1, "V") + "\r\r\n"
            << WholeDay << AnySpeed << QByteArrayList{"2009/02/18 10:00:00|N|121.5|E|25.5|V|1|90"};
        QTest::newRow("short line and torn last line skipped")
            << "2009/02/18 10:00:00|N|1|E|2|A|3\r\r\n" + Record("2009/02/18 10:00:01", 1) +
                   "2009/02/18 10:00:02|N|121.5|E|25.5|A|1|90"
            << WholeDay << AnySpeed << QByteArrayList{"2009/02/18 10:00:01|N|121.5|E|25.5|A|1|90"};
        QTest::newRow("fields beyond the eighth, lines ended by a bare return")
            << QByteArray("2009/02/18 10:00:00|N|1|E|2|A|3|4|5|6\r"
                          "2009/02/18 10:00:01|S|1.5|W|2.5|A|3.5|4.5\r")
            << WholeDay << AnySpeed
            << QByteArrayList{"2009/02/18 10:00:00|N|1|E|2|A|3|4",
                              "2009/02/18 10:00:01|S|1.5|W|2.5|A|3.5|4.5"};
        // The first line is rejected by the window; the second cannot fill its numbers
        // and keeps the first line's; the third follows a kept record and starts empty.
        QTest::newRow("unconvertible numbers keep what the element held")
            << QByteArray("2009/02/18 09:59:59|N|1.5|E|2.5|A|7|45\r\r\n"
                          "2009/02/18 10:00:01|N|abc|E||A|7 kn|1,5\r\r\n"
                          "2009/02/18 10:00:02|N|?|E|5|A|1e0|2\r\r\n")
            << QStringList{"10", "00", "24", "00"} << AnySpeed
            << QByteArrayList{"2009/02/18 10:00:01|N|1.5|E|2.5|A|7|45",
                              "2009/02/18 10:00:02|N|0|E|5|A|1|2"};
        QTest::newRow("lines of other days fill the element too")
            << QByteArray("2009/02/17 10:00:00|N|1.5|E|2.5|A|7|45\r\r\n"
                          "2009/02/17 10:00:01|N|bad|E|3.5|A|8|46\r\r\n"
                          "2009/02/18 10:00:00|N|x|E|y|A|z|w\r\r\n")
            << WholeDay << AnySpeed << QByteArrayList{"2009/02/18 10:00:00|N|1.5|E|3.5|A|8|46"};
        QTest::newRow("a month of other days before a damaged line")
            << OtherDays(30'000) + "2009/02/17 23:59:58|N|2.25|E|1|A|1|1\r\r\n" +
                   "2009/02/17 23:59:59|N|?|E|9.5|A|1|1\r\r\n" +
                   "2009/02/18 00:00:00|N|x|E|y|A|1|1\r\r\n"
            << WholeDay << AnySpeed << QByteArrayList{"2009/02/18 00:00:00|N|2.25|E|9.5|A|1|1"};
        QTest::newRow("unreadable time keeps the time the element held")
            << QByteArray("2009/02/18 10:00:05|N|1|E|2|A|100|0\r\r\n"
                          "2009/02/30 10:00:00|N|1|E|2|A|5|0\r\r\n"
                          "yesterday|N|1|E|2|A|5|0\r\r\n")
            << WholeDay << QStringList{"0", "50"}
            << QByteArrayList{"2009/02/18 10:00:05|N|1|E|2|A|5|0"};
        QTest::newRow("times written otherwise")
            << QByteArray("2009-2-18 9:05|N|1|E|2|A|0|0\r\r\n"
                          " 2009/02/18  09:05:04 |N|1|E|2|A|0|0\r\r\n"
                          "2009/02/18|N|1|E|2|A|0|0\r\r\n")
            << WholeDay << AnySpeed
            << QByteArrayList{"2009/02/18 09:05:00|N|1|E|2|A|0|0",
                              "2009/02/18 09:05:04|N|1|E|2|A|0|0",
                              "2009/02/18 00:00:00|N|1|E|2|A|0|0"};
        // Longer than one read of the log: the first crosses into the next read, the
        // second is longer than any record and is skipped.
        QTest::newRow("lines longer than a read")
            << Record("2009/02/18 10:00:00", 1).chopped(3) + "|" + QByteArray(700'000, 'x') +
                   "\r\r\n" + Record("2009/02/18 10:00:01", 2).chopped(3) + "|" +
                   QByteArray(1'500'000, 'x') + "\r\r\n" + Record("2009/02/18 10:00:02", 3)
            << WholeDay << AnySpeed
            << QByteArrayList{"2009/02/18 10:00:00|N|121.5|E|25.5|A|1|90",
                              "2009/02/18 10:00:02|N|121.5|E|25.5|A|3|90"};
    }

    void keepsTheRecordsOfTheQuery() {
        QFETCH(QByteArray, log);
        QFETCH(QStringList, window);
        QFETCH(QStringList, speeds);
        QFETCH(QByteArrayList, kept);
        Folder folder;
        QVERIFY(folder.WriteLog(log));
        QCOMPARE(folder.Fetch(window, speeds), kept);
    }

    void findsTheLogWhateverTheCaseOfItsName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("as written") << "export/History-2009-02.log";
        QTest::newRow("as read") << "Export/History-2009-02.log";
        QTest::newRow("in capitals") << "EXPORT/HISTORY-2009-02.LOG";
    }

    void findsTheLogWhateverTheCaseOfItsName() {
        QFETCH(QString, name);
        Folder folder;
        QVERIFY(folder.WriteLog(Record("2009/02/18 10:00:00", 1), name));
        QCOMPARE(folder.Fetch(WholeDay, AnySpeed).size(), 1);
    }

    void aMonthWithoutLogGivesNoRecords() {
        Folder folder;
        QVERIFY(folder.WriteLog(Record("2009/03/18 10:00:00", 1), "export/History-2009-03.log"));
        clsTrackRecords records;
        records.Append({});
        int slices = 0;
        clsHistoryFetch(folder.Dir.path(), {Day, "00", "00", "24", "00", "0", "999"})
            .Run(records, [&](qint64, qint64) { ++slices; });
        QCOMPARE(records.Count(), 0);
        QCOMPARE(slices, 0);
    }

    void aLogThatCannotBeReadIsReported() {
        Folder folder;
        QVERIFY(QDir().mkpath(folder.Path("export/History-2009-02.log")));
        try {
            folder.Fetch(WholeDay, AnySpeed);
            QFAIL("no error");
        } catch (const clsStationError& error) {
            QVERIFY2(error.Message().contains("History-2009-02.log"), qPrintable(error.Message()));
        }
    }

    // The window lets events run after every slice; a stop pressed there ends the fetch
    // with what it has gathered.
    void aStopKeepsWhatWasGathered() {
        Folder folder;
        QByteArray log;
        for (int second = 0; second < 3000; ++second) {
            log += Record(qPrintable(QStringLiteral("2009/02/18 10:%1:%2")
                                         .arg(second / 60, 2, 10, QLatin1Char('0'))
                                         .arg(second % 60, 2, 10, QLatin1Char('0'))),
                          second % 2);
        }
        QVERIFY(folder.WriteLog(log));
        modApplication::FetchContinue = false;
        clsTrackRecords records;
        QList<qint64> progress;
        clsHistoryFetch(folder.Dir.path(), {Day, "00", "00", "24", "00", "1", "999"})
            .Run(
                records,
                [&](qint64 bytesRead, qint64 size) {
                    progress.append(bytesRead);
                    QCOMPARE(size, log.size());
                    modApplication::FetchContinue = progress.size() < 2;
                },
                0);
        QCOMPARE(progress.size(), 2);
        QVERIFY(progress[0] > 0 && progress[0] < progress[1] && progress[1] < log.size());
        QVERIFY(records.Count() > 0 && records.Count() < 1500);
        for (qsizetype i = 0; i < records.Count(); ++i) {
            QCOMPARE(records.At(i).FixTime, QStringLiteral("2009/02/18 10:%1:%2")
                                                .arg((2 * i + 1) / 60, 2, 10, QLatin1Char('0'))
                                                .arg((2 * i + 1) % 60, 2, 10, QLatin1Char('0')));
        }
    }

    void progressEndsAtTheSizeOfTheLog() {
        Folder folder;
        const QByteArray log = Record("2009/02/18 10:00:00", 1) + "2009/02/18 10:00:01|torn";
        QVERIFY(folder.WriteLog(log));
        QList<qint64> progress;
        clsTrackRecords records;
        clsHistoryFetch(folder.Dir.path(), {Day, "00", "00", "24", "00", "0", "999"})
            .Run(records, [&](qint64 bytesRead, qint64) { progress.append(bytesRead); });
        QCOMPARE(progress.last(), log.size());
    }
};

QTEST_GUILESS_MAIN(tst_HistoryFetch)
#include "tst_HistoryFetch.moc"
