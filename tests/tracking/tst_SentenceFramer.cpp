// The framer, the line settings and the port mapping on their own, where a real
// device cannot produce the case.

#include "TestPseudoTerminal.h"
#include "tracking/clsSentenceFramer.h"
#include "tracking/clsSerialPort.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_SentenceFramer : public QObject {
    Q_OBJECT

private slots:
    void endlessLineKeepsOnlyTheNewestCharacters();
    void handlerAppendingAgainLosesNothing();
    void parsesLineSettings_data();
    void parsesLineSettings();
    void mapsPortsToDevices();
};

void tst_SentenceFramer::endlessLineKeepsOnlyTheNewestCharacters() {
    clsSentenceFramer framer;
    QStringList sentences;
    const auto collect = [&](QStringView s) { sentences.append(s.toString()); };
    const QString noise(clsSentenceFramer::MaxBufferLength, QLatin1Char('x'));
    framer.Append(noise, collect);
    framer.Append(noise, collect);
    framer.Append(u"$GPRMC,1*00", collect);
    QCOMPARE(framer.ReceiveBuffer().size(), clsSentenceFramer::MaxBufferLength);
    QVERIFY(framer.ReceiveBuffer().endsWith(u"x$GPRMC,1*00"));
    framer.Append(u"\r\n$GPRMC,2*00\r\n", collect);
    // The noise ahead of the first sentence makes it a line that is not a sentence.
    QCOMPARE(sentences, QStringList{QStringLiteral("$GPRMC,2*00")});
    QCOMPARE(framer.ReceiveBuffer(), QString());
}

void tst_SentenceFramer::handlerAppendingAgainLosesNothing() {
    clsSentenceFramer framer;
    QStringList sentences;
    std::function<void(QStringView)> collect = [&](QStringView s) {
        sentences.append(s.toString());
        if (sentences.size() == 1) {
            framer.Append(u"*00\r\n$GPRMC,4", collect);
        }
    };
    framer.Append(u"$GPRMC,1*00\r\n$GPRMC,2*00\r\n$GPRMC,3", collect);
    sentences.sort();
    QCOMPARE(sentences, (QStringList{"$GPRMC,1*00", "$GPRMC,2*00", "$GPRMC,3*00"}));
    QCOMPARE(framer.ReceiveBuffer(), QStringLiteral("$GPRMC,4"));
}

void tst_SentenceFramer::parsesLineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed"); // baud, parity, data bits, stop bits as Qt numbers

    QTest::newRow("4800,n,8,1") << "4800,n,8,1"
                                << "4800 0 8 1";
    QTest::newRow("9600,E,7,2") << "9600,E,7,2"
                                << "9600 2 7 2";
    QTest::newRow("odd, 1.5") << "19200,o,5,1.5"
                              << "19200 3 5 3";
    QTest::newRow("mark") << "4800,m,8,1"
                          << "4800 5 8 1";
    QTest::newRow("space") << "4800,s,8,1"
                           << "4800 4 8 1";
    for (const char* bad :
         {"", "4800,n,8,1,1", "0,n,8,1", "-4800,n,8,1", "fast,n,8,1", "4800,nn,8,1", "4800,n,4,1",
          "4800,n,9,1", "4800,n,8,0", "4800,n,8,3", "4800.5,n,8,1"}) {
        QTest::newRow(bad) << bad << "";
    }
}

void tst_SentenceFramer::parsesLineSettings() {
    QFETCH(QString, text);
    const std::optional<clsSerialPort::LineSettings> line = clsSerialPort::ParseSettings(text);
    const QString parsed = line ? QStringLiteral("%1 %2 %3 %4")
                                      .arg(line->BaudRate)
                                      .arg(line->Parity)
                                      .arg(line->DataBits)
                                      .arg(line->StopBits)
                                : QString();
    QTEST(parsed, "parsed");
}

void tst_SentenceFramer::mapsPortsToDevices() {
    QTemporaryDir folder;
    QVERIFY(WritePortSettings(folder.path(), 2, QStringLiteral("/dev/ttyUSB0")));
    QCOMPARE(clsSerialPort::DeviceForPort(folder.path(), 2), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(clsSerialPort::DeviceForPort(folder.path(), 1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(clsSerialPort::DeviceForPort(folder.path(), 15), QStringLiteral("/dev/ttyS14"));
    QCOMPARE(clsSerialPort::DeviceForPort(folder.path(), 0), QString());
}

QTEST_GUILESS_MAIN(tst_SentenceFramer)
#include "tst_SentenceFramer.moc"
