// Fetching a day's track from history logs in the station's record format.

#include "history/clsHistoryFetch.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "tracking/clsHistoryLog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A record of February 2009 at "dd hh:mm:ss" with a speed and status.
QByteArray R(const char* when, const char* speed = "1", const char* status = "A") {
    return QByteArray("2009/02/") + when + "|N|121.5|E|25.5|" + status + "|" + speed + "|90";
}

// Lines as the writer ends them: CR, then CR LF.
QByteArray Log(const QByteArrayList& lines) {
    return lines.join("\r\r\n") + "\r\r\n";
}

struct Folder {
    QTemporaryDir Dir;

    bool Write(const QByteArray& bytes, const QString& name = "export/History-2009-02.log") {
        QFile file(Dir.filePath(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    }
    // The kept records of 18 February, as the writer would write them (without line end).
    QByteArrayList Fetch(
        const QStringList& window, const QStringList& speeds, int sliceMilliseconds = 8,
        const clsHistoryFetch::SliceDone& afterSlice = [](qint64, qint64) {}) {
        clsTrackRecords records;
        records.Append({}); // a fetch starts afresh
        clsHistoryFetch(Dir.path(), {QDate(2009, 2, 18), window[0], window[1], window[2], window[3],
                                     speeds[0], speeds[1]})
            .Run(records, afterSlice, sliceMilliseconds);
        QByteArrayList texts;
        for (qsizetype i = 0; i < records.Count(); ++i) {
            texts.append(clsHistoryLog::RecordText(records.At(i)).chopped(3));
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
            << Log({R("17 23:59:59"), R("18 00:00:00"), R("18 23:59:59"), R("19 00:00:00")})
            << WholeDay << AnySpeed << QByteArrayList{R("18 00:00:00"), R("18 23:59:59")};
        QTest::newRow("both ends of the window")
            << Log({R("18 10:19:59"), R("18 10:20:00"), R("18 10:40:00"), R("18 10:40:01")})
            << QStringList{"10", "20", "10", "40"} << AnySpeed
            << QByteArrayList{R("18 10:20:00"), R("18 10:40:00")};
        QTest::newRow("end before start")
            << Log({R("18 11:30:00")}) << QStringList{"12", "00", "11", "00"} << AnySpeed
            << QByteArrayList{};
        // As 32-bit floats 12.34 lies above 12.34 as a 64-bit one, and 45.6 below 45.6.
        QTest::newRow("speed bounds equal to stored speeds")
            << Log({R("18 10:00:00", "12.33"), R("18 10:00:01", "12.34"), R("18 10:00:02", "45.6"),
                    R("18 10:00:03", "45.61")})
            << WholeDay << QStringList{"12.34", "45.6"}
            << QByteArrayList{R("18 10:00:01", "12.34"), R("18 10:00:02", "45.6")};
        QTest::newRow("speed texts read by their leading number")
            << Log({R("18 10:00:00", "11.9"), R("18 10:00:01", "12"), R("18 10:00:02", "20"),
                    R("18 10:00:03", "20.1")})
            << WholeDay << QStringList{"12abc", " 20 knots"}
            << QByteArrayList{R("18 10:00:01", "12"), R("18 10:00:02", "20")};
        QTest::newRow("empty highest speed keeps standing still")
            << Log({R("18 10:00:00", "0"), R("18 10:00:01", "0.1")}) << WholeDay
            << QStringList{"", ""} << QByteArrayList{R("18 10:00:00", "0")};
        QTest::newRow("empty lines skipped, warnings kept")
            << "\r\n" + Log({"", R("18 10:00:00", "1", "V"), ""}) << WholeDay << AnySpeed
            << QByteArrayList{R("18 10:00:00", "1", "V")};
        QTest::newRow("short line and torn last line skipped")
            << Log({"2009/02/18 10:00:00|N|1|E|2|A|3", R("18 10:00:01")}) + R("18 10:00:02")
            << WholeDay << AnySpeed << QByteArrayList{R("18 10:00:01")};
        // The first line is outside the window; the second cannot fill its numbers and
        // keeps the first line's; the third follows a kept record and starts empty.
        QTest::newRow("unconvertible numbers keep what the element held")
            << Log({"2009/02/18 09:59:59|N|1.5|E|2.5|A|7|45",
                    "2009/02/18 10:00:01|N|abc|E||A|7 kn|1,5",
                    "2009/02/18 10:00:02|N|?|E|5|A|1e0|2"})
            << QStringList{"10", "00", "24", "00"} << AnySpeed
            << QByteArrayList{"2009/02/18 10:00:01|N|1.5|E|2.5|A|7|45",
                              "2009/02/18 10:00:02|N|0|E|5|A|1|2"};
        QTest::newRow("a month of other days before a damaged line")
            << Log(QByteArrayList(30'000, R("17 12:00:00")) +
                   QByteArrayList{"2009/02/17 23:59:58|N|2.25|E|1|A|1|1",
                                  "2009/02/17 23:59:59|N|?|E|9.5|A|1|1",
                                  "2009/02/18 00:00:00|N|x|E|y|A|1|1"})
            << WholeDay << AnySpeed << QByteArrayList{"2009/02/18 00:00:00|N|2.25|E|9.5|A|1|1"};
        QTest::newRow("unreadable time keeps the time the element held")
            << Log({R("18 10:00:05", "100"), R("30 10:00:00", "5"), "yesterday|N|1|E|2|A|5|0"})
            << WholeDay << QStringList{"0", "50"} << QByteArrayList{R("18 10:00:05", "5")};
        QTest::newRow("times written otherwise")
            << Log({"2009-2-18 9:05|N|1|E|2|A|0|0", " 2009/02/18  09:05:04 |N|1|E|2|A|0|0",
                    "2009/02/18|N|1|E|2|A|0|0"})
            << WholeDay << AnySpeed
            << QByteArrayList{"2009/02/18 09:05:00|N|1|E|2|A|0|0",
                              "2009/02/18 09:05:04|N|1|E|2|A|0|0",
                              "2009/02/18 00:00:00|N|1|E|2|A|0|0"};
        // The first crosses from one read of the log into the next; the second is longer
        // than any record and is skipped.
        QTest::newRow("lines longer than a read")
            << Log({R("18 10:00:00") + "|" + QByteArray(700'000, 'x'),
                    R("18 10:00:01") + "|" + QByteArray(1'500'000, 'x'), R("18 10:00:02")})
            << WholeDay << AnySpeed << QByteArrayList{R("18 10:00:00"), R("18 10:00:02")};
    }

    void keepsTheRecordsOfTheQuery() {
        QFETCH(QByteArray, log);
        QFETCH(QStringList, window);
        QFETCH(QStringList, speeds);
        QFETCH(QByteArrayList, kept);
        Folder folder;
        QVERIFY(folder.Write(log));
        QCOMPARE(folder.Fetch(window, speeds), kept);
    }

    void findsTheLogOfTheMonth_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::newRow("as written") << "export/History-2009-02.log" << 1;
        QTest::newRow("as read") << "Export/History-2009-02.log" << 1;
        QTest::newRow("in capitals") << "EXPORT/HISTORY-2009-02.LOG" << 1;
        QTest::newRow("another month only") << "export/History-2009-03.log" << 0;
    }

    void findsTheLogOfTheMonth() {
        QFETCH(QString, name);
        QFETCH(int, count);
        Folder folder;
        QVERIFY(folder.Write(Log({R("18 10:00:00")}), name));
        QCOMPARE(folder.Fetch(WholeDay, AnySpeed).size(), count);
    }

    void aLogThatCannotBeReadIsReported() {
        Folder folder;
        QVERIFY(QDir().mkpath(folder.Dir.filePath("export/History-2009-02.log")));
        QVERIFY_THROWS_EXCEPTION(clsStationError, folder.Fetch(WholeDay, AnySpeed));
    }

    // The window lets events run after every slice; a stop pressed there ends the fetch
    // with what it has gathered. Slices of 0 ms read as few lines as the fetch allows.
    void aStopKeepsWhatWasGathered() {
        QByteArrayList lines;
        for (int i = 0; i < 3000; ++i) {
            lines.append(
                R(qPrintable(QTime(10, 0).addSecs(i).toString("18 HH:mm:ss")), i % 2 ? "1" : "0"));
        }
        Folder folder;
        const QByteArray log = Log(lines);
        QVERIFY(folder.Write(log));
        modApplication::FetchContinue = false; // set again by the fetch
        QList<qint64> progress;
        const QByteArrayList kept =
            folder.Fetch(WholeDay, {"1", "999"}, 0, [&](qint64 bytesRead, qint64 size) {
                progress.append(size - bytesRead);
                modApplication::FetchContinue = progress.size() < 2;
            });
        QCOMPARE(progress.size(), 2);
        QVERIFY(progress[0] > progress[1] && progress[1] > 0);
        QVERIFY(!kept.isEmpty() && kept.size() < 1500);
        for (qsizetype i = 0; i < kept.size(); ++i) {
            QCOMPARE(kept[i], lines[2 * i + 1]);
        }
    }
};

QTEST_GUILESS_MAIN(tst_HistoryFetch)
#include "tst_HistoryFetch.moc"
