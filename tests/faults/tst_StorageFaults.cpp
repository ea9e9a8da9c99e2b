#include "faults/StorageFaults.h"
#include "map/MapPageSupport.h"
#include "tracking/clsHistoryLog.h"

#include <QLabel>
#include <QTest>

namespace {

// A moving sentence, at latitude and speed step.
QByteArray Moving(int step) {
    return "$GPRMC,1,A,25" + QByteArray::number(10 + step) + ".0000,N,12134.5678,E," +
           QByteArray::number(step) + ",0,180209,,*\r\n";
}

// The main window on a real pseudo-terminal, its program folder on faulty storage.
struct FaultyWindow : MapWindow {
    std::optional<StorageFaults> Faults;

    // Starts the window with the faults beneath folder (relative to the program folder) and
    // connects.
    bool Connect(const QString& folder) {
        if (!Start() || !QDir().mkpath(Dir.filePath(folder))) {
            return false;
        }
        Faults.emplace(Dir.filePath(folder));
        Click("cmdQuery");
        return true;
    }
    QString LogPath() const { return clsHistoryLog::PathForMonth(Dir.path(), QDate(2009, 2, 1)); }
    QByteArray Log() const { return ReadFile(LogPath()); }
    QString Warning() const { return Control<QLabel>("Panel1")->text(); }
    // The speed field of every record of the log.
    QByteArrayList LogSpeeds() const {
        QByteArrayList speeds;
        for (const QByteArray& line : Log().split('\n')) {
            speeds << line.split('|').value(6);
        }
        return speeds.mid(0, speeds.size() - 1);
    }
};

} // namespace

class tst_StorageFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(StorageFaults::Loaded(), "run with LD_PRELOAD naming libstorage_faults.so");
        PrepareBrowser();
    }

    // The disk fills while the vehicle moves, after taking part of a record or none of it.
    // Every fix is still listed, the operator is told why the log misses it, the file keeps
    // only whole records, and logging goes on by itself once there is room again.
    void fullDiskWhileLogging_data() {
        QTest::addColumn<int>("room");
        // A record of these fixes is 46 bytes long: 44 is all but its line end.
        for (int room : {0, 1, 30, 44}) {
            QTest::addRow("%d bytes fit", room) << room;
        }
    }

    void fullDiskWhileLogging() {
        QFETCH(int, room);
        FaultyWindow s;
        QVERIFY(s.Connect("export"));
        QVERIFY(s.Send(Moving(1)));
        const QByteArray before = s.Log();
        QCOMPARE(s.Warning(), QString());

        QVERIFY(s.Faults->Set("free", QByteArray::number(room)));
        QVERIFY(s.Send(Moving(2)));
        QVERIFY2(s.Warning().contains("No space left on device") &&
                     s.Warning().contains(QDir::toNativeSeparators(s.LogPath())),
                 qPrintable(s.Warning()));
        QCOMPARE(s.Log(), before);
        QVERIFY(s.Send(Moving(3)));
        QCOMPARE(s.Log(), before);

        QVERIFY(s.Faults->Set("free", {}));
        QVERIFY(s.Send(Moving(4)));
        QCOMPARE(s.Warning(), QString());
        QCOMPARE(s.LogSpeeds(), QByteArrayList({"1", "4"}));
        QCOMPARE(s.Window->Rows().rowCount(), 4);
    }

    // Every write and flush of the program folder takes 50 ms. Each record is in the log
    // when its row is listed; the flushes to the disk, of the log and of the folders that a
    // new month's log is made in, wait on another thread than the window's. A log that
    // exists already is not announced to its folder again.
    void slowStorage_data() {
        QTest::addColumn<bool>("logExists");
        QTest::addColumn<QStringList>("foldersFlushed");
        QTest::newRow("the month's first record") << false << QStringList{"", "/export"};
        QTest::newRow("a log of the month exists") << true << QStringList{};
    }

    void slowStorage() {
        QFETCH(bool, logExists);
        QFETCH(QStringList, foldersFlushed);
        constexpr int Fixes = 10;
        FaultyWindow s;
        QVERIFY(!logExists || WriteFile(s.LogPath(), "2009/02/18 11:00:00|N|1|E|2|A|0|0\r\r\n"));
        QVERIFY(s.Connect(""));
        QVERIFY(s.Faults->Set("delay", "50"));
        const int logged = int(s.LogSpeeds().size());
        QList<int> recordsWhenListed;
        connect(&s.Window->Rows(), &QAbstractItemModel::rowsInserted, this,
                [&] { recordsWhenListed << int(s.LogSpeeds().size()) - logged; });
        QByteArray sentences;
        for (int step = 1; step <= Fixes; ++step) {
            sentences += Moving(step);
        }
        QVERIFY(s.Receiver.Write(sentences));
        QTRY_COMPARE_WITH_TIMEOUT(s.Window->Rows().rowCount(), Fixes, 20000);
        QList<int> expected;
        for (int row = 1; row <= Fixes; ++row) {
            expected << row;
        }
        QCOMPARE(recordsWhenListed, expected);

        const QString folder = QFileInfo(s.Dir.path()).canonicalFilePath();
        const QString log = QFileInfo(s.LogPath()).canonicalFilePath();
        // The place in the trace of the last write (or flush) of the log.
        const auto lastOnLog = [&](bool flush) {
            const QList<StorageFaults::Call> calls = s.Faults->Trace();
            qsizetype last = -1;
            for (qsizetype i = 0; i < calls.size(); ++i) {
                last = calls[i].Path == log && (calls[i].Operation != "write") == flush ? i : last;
            }
            return last;
        };
        QTRY_VERIFY_WITH_TIMEOUT(lastOnLog(true) > lastOnLog(false), 20000);
        QStringList folders;
        for (const StorageFaults::Call& call : s.Faults->Trace()) {
            const bool flush = call.Operation != "write";
            QVERIFY2(!flush || call.Thread != StorageFaults::WindowThread(), qPrintable(call.Path));
            QVERIFY2(call.Path != log || flush || call.Thread == StorageFaults::WindowThread(),
                     "the record is written by the window's thread");
            if (flush && QFileInfo(call.Path).isDir()) {
                folders << call.Path.mid(folder.size());
            }
        }
        QCOMPARE(folders, foldersFlushed);
    }

    // A flush that fails leaves the record in the file but not safe on the disk: the
    // operator is told at the next record.
    void failedFlushIsReported() {
        FaultyWindow s;
        QVERIFY(s.Connect("export"));
        QVERIFY(s.Faults->Set("broken", "1"));
        QVERIFY(s.Send(Moving(1)));
        QTRY_VERIFY_WITH_TIMEOUT(!s.Faults->Trace().isEmpty() &&
                                     s.Faults->Trace().last().Operation == "fsync",
                                 20000);
        QVERIFY(s.Send(Moving(2)));
        QVERIFY2(s.Warning().contains("could not be saved to the disk") &&
                     s.Warning().contains("Input/output error"),
                 qPrintable(s.Warning()));
        QCOMPARE(s.LogSpeeds(), QByteArrayList({"1", "2"}));
    }
};

QTEST_MAIN(tst_StorageFaults)
#include "tst_StorageFaults.moc"
