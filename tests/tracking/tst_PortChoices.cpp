// The ports and line settings the operator chooses from, with the choices stored in the
// settings file. Registered GERMAN as well: a stored number is read with its "." whatever
// the locale.

#include "shell/clsProfileText.h"
#include "tracking/clsPortChoices.h"

#include <QtTest>

class tst_PortChoices : public QObject {
    Q_OBJECT

private slots:
    void storedChoices_data() {
        QTest::addColumn<QByteArray>("stored");   // lines of section "Settings"
        QTest::addColumn<QList<int>>("selected"); // port index, setting index
        QTest::newRow("nothing stored") << QByteArray() << QList<int>{-1, 0};
        QTest::newRow("last port, second setting")
            << QByteArray("CommPort=15\nSetting=1\nZoom=18\n") << QList<int>{14, 1};
        QTest::newRow("fastest line setting")
            << QByteArray("CommPort=3\nSetting=5\n") << QList<int>{2, 5};
        QTest::newRow("hand-edited beyond the lists")
            << QByteArray("CommPort=16\nSetting=6\n") << QList<int>{-1, 0};
        QTest::newRow("port 0") << QByteArray("CommPort=0\n") << QList<int>{-1, 0};
        QTest::newRow("far beyond any list")
            << QByteArray("CommPort=1e300\nSetting=-1e300\n") << QList<int>{-1, 0};
        QTest::newRow("rounded half to even")
            << QByteArray("CommPort=2.5\nSetting=0.5\n") << QList<int>{1, 0};
    }
    // A stored choice outside the lists selects none, not a crash.
    void storedChoices() {
        QFETCH(QByteArray, stored);
        QFETCH(QList<int>, selected);
        clsPortChoices p;
        p.Load(clsProfileText("[Settings]\n" + stored));
        QCOMPARE(QList<int>({p.CommPortIndex(), p.SettingIndex()}), selected);
        QCOMPARE(p.CommPorts().size(), 15);
        QCOMPARE(p.CommPorts().first(), "COM1");
        QCOMPARE(p.CommPorts().last(), "COM15");
        QCOMPARE(p.LineSettings(), QStringList({"4800,n,8,1", "9600,n,8,1", "19200,n,8,1",
                                                "38400,n,8,1", "57600,n,8,1", "115200,n,8,1"}));
    }
};

QTEST_GUILESS_MAIN(tst_PortChoices)
#include "tst_PortChoices.moc"
