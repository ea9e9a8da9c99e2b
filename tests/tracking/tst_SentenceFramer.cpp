// The framer and the port's text parsing on their own, for cases a real device cannot produce.

#include "tracking/clsSentenceFramer.h"
#include "tracking/clsSerialPort.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_SentenceFramer : public QObject {
    Q_OBJECT

private slots:
    void endlessLineKeepsOnlyTheNewestCharacters() {
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
        QCOMPARE(sentences, QStringList{QStringLiteral("$GPRMC,2*00")});
        QCOMPARE(framer.ReceiveBuffer(), QString());
    }

    // As when a message box in the handler lets the next arrival in.
    void handlerAppendingAgainLosesNothing() {
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

    void parsesLineSettings_data() {
        QTest::addColumn<QList<int>>("parsed"); // baud, parity, data bits, stop bits
        QTest::newRow("4800,n,8,1") << QList<int>{4800, QSerialPort::NoParity, 8, 1};
        QTest::newRow("9600,E,7,2") << QList<int>{9600, QSerialPort::EvenParity, 7, 2};
        QTest::newRow("19200,o,5,1.5")
            << QList<int>{19200, QSerialPort::OddParity, 5, QSerialPort::OneAndHalfStop};
        QTest::newRow("4800,m,6,1") << QList<int>{4800, QSerialPort::MarkParity, 6, 1};
        QTest::newRow("4800,s,8,1") << QList<int>{4800, QSerialPort::SpaceParity, 8, 1};
        for (const char* bad :
             {"4800,n,8", "4800,n,8,1,1", "0,n,8,1", "4800.5,n,8,1", "4800,nn,8,1", "4800,x,8,1",
              "4800,n,4,1", "4800,n,9,1", "4800,n,8,3"}) {
            QTest::newRow(bad) << QList<int>(); // malformed
        }
    }

    void parsesLineSettings() {
        QFETCH(QList<int>, parsed);
        const auto line =
            clsSerialPort::ParseSettings(QString::fromLatin1(QTest::currentDataTag()));
        const QList<int> got =
            line ? QList<int>{line->BaudRate, line->Parity, line->DataBits, line->StopBits}
                 : QList<int>();
        QCOMPARE(got, parsed);
    }

    void unmappedPortIsThePlatformsOwn() {
        QTemporaryDir folder;
        QCOMPARE(clsSerialPort::DeviceForPort(folder.path(), 15), QStringLiteral("/dev/ttyS14"));
    }
};

QTEST_GUILESS_MAIN(tst_SentenceFramer)
#include "tst_SentenceFramer.moc"
