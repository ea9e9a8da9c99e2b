// Real receiver captures through the receiver and the recorder: which RMC sentences reach
// the decoder and what is recorded, for receivers of one talker, of several, and of GP
// alone, whose records must be those of a station that takes "$GPRMC" only.

#include "shell/TestFiles.h"
#include "tracking/TestFeedPort.h"
#include "tracking/TestSentences.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/clsTalkerLock.h"
#include "tracking/clsTrackRecorder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime Noon(QDate(2026, 1, 15), QTime(12, 0));

struct Played {
    QStringList HandedOn;  // the sentences the receiver handed on, in order
    QString Talker;        // the talker followed at the end
    QByteArray Log;        // the history log the recorder wrote
    qsizetype Records = 0; // fixes recorded
};

// Plays capture bytes through a receiver into a recorder, in pieces of 64 bytes.
Played Play(const QByteArray& bytes) {
    QTemporaryDir folder;
    auto port = std::make_unique<TestFeedPort>();
    TestFeedPort* feed = port.get();
    const auto clock = [] { return Noon; };
    clsSerialReceiver receiver(folder.path(), std::move(port), nullptr, clock);
    clsTrackRecorder recorder(folder.path(), clock);
    recorder.ResetForOpening();
    Played played;
    QObject::connect(&receiver, &clsSerialReceiver::SentenceReceived,
                     [&](const QString& sentence, const QDateTime& arrived) {
                         played.HandedOn.append(sentence);
                         recorder.ProcessSentence(sentence, arrived);
                     });
    receiver.Open(0, 0, QStringLiteral("4800,n,8,1"));
    for (qsizetype at = 0; at < bytes.size(); at += 64) {
        feed->Feed(bytes.mid(at, 64));
    }
    played.Talker = receiver.State().Talker();
    played.Records = recorder.RecordCount();
    played.Log = ReadFile(folder.filePath(QStringLiteral("export/History-2026-01.log")));
    return played;
}

// What a station that takes only "$GPRMC" records from the same bytes.
Played PlayGpOnly(const QByteArray& bytes) {
    QTemporaryDir folder;
    clsTrackRecorder recorder(folder.path(), [] { return Noon; });
    recorder.ResetForOpening();
    Played played;
    for (const QByteArray& line : bytes.split('\n')) {
        for (QByteArray piece : line.split('\r')) {
            if (piece.startsWith("$GPRMC") && piece.contains('*')) {
                played.HandedOn.append(QString::fromLatin1(piece));
                recorder.ProcessSentence(QString::fromLatin1(piece), Noon);
            }
        }
    }
    played.Records = recorder.RecordCount();
    played.Log = ReadFile(folder.filePath(QStringLiteral("export/History-2026-01.log")));
    return played;
}

// The capture as the receiver simulator sends it: without its comment lines, every line
// ended by CR LF.
QByteArray ReceiverBytes(const QString& path) {
    QByteArray bytes;
    for (QByteArray line : ReadFile(path).split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!line.isEmpty() && !line.startsWith('#')) {
            bytes += line + "\r\n";
        }
    }
    return bytes;
}

// The RMC pieces of the capture, in order, with their talkers.
QList<QPair<QString, QString>> RmcPieces(const QByteArray& bytes) {
    QList<QPair<QString, QString>> pieces;
    for (const QByteArray& line : bytes.split('\n')) {
        for (const QByteArray& piece : line.split('\r')) {
            const QString text = QString::fromLatin1(piece);
            if (const QString talker = clsTalkerLock::RmcTalker(text); !talker.isEmpty()) {
                pieces.append({talker, text});
            }
        }
    }
    return pieces;
}

// The demo drive as a receiver of talker GN sends it.
QByteArray AsTalker(const QByteArray& capture, const char* talker) {
    QByteArray out;
    for (QByteArray line : capture.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("$GP")) {
            const QByteArray body = talker + line.mid(3, line.indexOf('*') - 3);
            line = Checksummed(QString::fromLatin1(body)).toLatin1();
        }
        out += line + "\r\n";
    }
    return out;
}

} // namespace

class tst_ReceiverCaptures : public QObject {
    Q_OBJECT

private slots:
    void captures_data() {
        QTest::addColumn<QString>("path");
        const QDir folder(QStringLiteral(STATION_CAPTURES));
        const QStringList names = folder.entryList({"*.log"}, QDir::Files, QDir::Name);
        QVERIFY2(names.size() > 20, STATION_CAPTURES);
        for (const QString& name : names) {
            if (ReadFile(folder.filePath(name)).contains("RMC,")) {
                QTest::newRow(qPrintable(name)) << folder.filePath(name);
            }
        }
    }

    // A receiver of GP alone is recorded byte for byte as before; one of another talker
    // alone is followed whole; one that also sends "$GPRMC" is followed by GP from the
    // first "$GPRMC" on.
    void captures() {
        QFETCH(QString, path);
        const QByteArray bytes = ReceiverBytes(path);
        const QList<QPair<QString, QString>> pieces = RmcPieces(bytes);
        QSet<QString> talkers;
        for (const auto& piece : pieces) {
            talkers.insert(piece.first);
        }
        const Played played = Play(bytes);
        const Played gpOnly = PlayGpOnly(bytes);
        if (talkers == QSet<QString>{"GP"}) {
            QCOMPARE(played.HandedOn, gpOnly.HandedOn);
            QCOMPARE(played.Log, gpOnly.Log);
            return;
        }
        const auto firstGp = std::find_if(pieces.begin(), pieces.end(),
                                          [](const auto& piece) { return piece.first == "GP"; });
        // Before it, the sentences of one talker only.
        const QStringList fromGp =
            firstGp == pieces.end() ? QStringList()
                                    : played.HandedOn.mid(played.HandedOn.indexOf(firstGp->second));
        for (const QString& sentence : played.HandedOn.first(played.HandedOn.size() - fromGp.size())) {
            QCOMPARE(clsTalkerLock::RmcTalker(sentence), played.HandedOn.first().mid(1, 2));
        }
        if (firstGp != pieces.end()) {
            // From the first "$GPRMC" on GP alone, every one, and its records.
            QCOMPARE(fromGp, gpOnly.HandedOn);
            QCOMPARE(played.Talker, "GP");
            QVERIFY(played.Log.endsWith(gpOnly.Log.mid(gpOnly.Log.indexOf('\n') + 1)));
        } else if (talkers.size() == 1 && pieces.size() >= clsTalkerLock::RunToLock &&
                   QStringList({"GN", "GA", "GB", "BD", "GL", "GQ", "GI"})
                       .contains(pieces.first().first)) {
            // One other talker: every one of its RMC sentences, once, in order.
            QStringList all;
            for (const auto& piece : pieces) {
                all.append(piece.second);
            }
            QCOMPARE(played.HandedOn, all);
            QCOMPARE(played.Talker, pieces.first().first);
        }
    }

    // A drive of talker GN is recorded exactly as the same drive of talker GP.
    void gnDriveIsRecordedAsGp() {
        const QByteArray drive = ReadFile(STATION_SOURCE_DIR "/data/demo/demo-drive.nmea");
        const Played gp = Play(AsTalker(drive, "GP"));
        const Played gn = Play(AsTalker(drive, "GN"));
        QVERIFY(gp.Records > 100);
        QCOMPARE(gn.Records, gp.Records);
        QCOMPARE(gn.Log, gp.Log);
        QCOMPARE(gn.Talker, "GN");
        QCOMPARE(gp.Talker, "GP");
    }
};

QTEST_GUILESS_MAIN(tst_ReceiverCaptures)
#include "tst_ReceiverCaptures.moc"
