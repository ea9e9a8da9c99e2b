#include "map/clsMapAndPorts.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

namespace {

// A program folder whose template file holds bytes (no file when bytes is null).
struct ProgramFolder {
    QTemporaryDir dir;
    explicit ProgramFolder(const QByteArray& bytes = "T1\r\n",
                           const QString& name = "carimage/Standards.txt") {
        if (!bytes.isNull()) {
            QDir(dir.path()).mkpath(QFileInfo(name).path());
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
        }
    }
    void Set(const QString& key, const QString& value) {
        QVERIFY(modPrivate::WriteSetting(dir.path(), "Settings", key, value));
    }
    clsMapAndPorts Prepare() const {
        clsMapAndPorts prepared;
        prepared.PrepareMapAndPorts(dir.path());
        return prepared;
    }
};

} // namespace

class TestClsMapAndPorts : public QObject {
    Q_OBJECT

private slots:
    void storedSelection_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored"); // null: key absent
        QTest::addColumn<int>("index");
        const QString port = "CommPort", setting = "Setting";
        QTest::newRow("port absent") << port << QString() << -1;
        QTest::newRow("port empty") << port << "" << -1;
        QTest::newRow("port 0") << port << "0" << -1;
        QTest::newRow("port 3") << port << "3" << 2;
        QTest::newRow("port 15") << port << "15" << 14;
        QTest::newRow("port 16 hand-edited") << port << "16" << -1;
        QTest::newRow("port -1 hand-edited") << port << "-1" << -1;
        QTest::newRow("port 2.5 halves to even") << port << "2.5" << 1;
        QTest::newRow("port 3.5 halves to even") << port << "3.5" << 3;
        QTest::newRow("port leading number") << port << " 4abc" << 3;
        QTest::newRow("port huge") << port << "1e300" << -1;
        QTest::newRow("setting absent") << setting << QString() << 0;
        QTest::newRow("setting 1") << setting << "1" << 1;
        QTest::newRow("setting 2 hand-edited") << setting << "2" << 0;
        QTest::newRow("setting -1 hand-edited") << setting << "-1" << 0;
        QTest::newRow("setting 0.5 halves to even") << setting << "0.5" << 0;
    }
    void storedSelection() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, index);
        ProgramFolder folder;
        if (!stored.isNull()) {
            folder.Set(key, stored);
        }
        const clsMapAndPorts prepared = folder.Prepare();
        QCOMPARE(key == "CommPort" ? prepared.CommPortIndex() : prepared.SettingIndex(), index);
    }

    void listsAndZoom() {
        ProgramFolder folder;
        folder.Set("Zoom", "18");
        const clsMapAndPorts prepared = folder.Prepare();
        QCOMPARE(prepared.CommPorts().size(), 15);
        QCOMPARE(prepared.CommPorts().first() + prepared.CommPorts().last(), "COM1COM15");
        QCOMPARE(prepared.LineSettings(), QStringList({"4800,n,8,1", "9600,n,8,1"}));
        QCOMPARE(prepared.Zoom(), 15);
    }

    void mapTemplate_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QByteArray ten;
        QStringList tenLines;
        for (int i = 1; i <= 10; ++i) {
            ten += "line " + QByteArray::number(i) + "\r\n";
            tenLines << QStringLiteral("line %1").arg(i);
        }
        QTest::newRow("ten lines") << ten << tenLines + QStringList{""};
        QTest::newRow("empty file") << QByteArray("") << QStringList{""};
        QTest::newRow("no last line end") << QByteArray("a\nb") << QStringList{"a", "b", ""};
        QTest::newRow("blank lines")
            << QByteArray("a\r\n\r\n b \r\n") << QStringList{"a", "", " b ", ""};
        QTest::newRow("utf-8") << QByteArray("<p>車站</p>\n")
                               << QStringList{QString::fromUtf8("<p>車站</p>"), ""};
    }
    void mapTemplate() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(ProgramFolder(bytes).Prepare().MapTemplate(), lines);
        QCOMPARE(ProgramFolder(bytes, "CarImage/STANDARDS.TXT").Prepare().MapTemplate(), lines);
    }

    void missingTemplateStopsWithMessage() {
        try {
            ProgramFolder(QByteArray{}).Prepare();
            QFAIL("a missing template was accepted");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QByteArray(e.what()).contains("map template"), e.what());
            QVERIFY2(QByteArray(e.what()).contains("Standards.txt"), e.what());
        }
    }

    // Every value the page writer puts between two pieces lands inside an attribute.
    void shippedTemplateHasSixPieces() {
        QFile shipped(STATION_SOURCE_DIR "/data/carimage/Standards.txt");
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QStringList t = ProgramFolder(shipped.readAll()).Prepare().MapTemplate();
        QVERIFY(t.size() >= 7);
        for (int i = 0; i < 5; ++i) {
            QVERIFY2(t[i].endsWith("=\"") && t[i + 1].startsWith('"'), qPrintable(t[i]));
        }
        QVERIFY(t[0].startsWith("<!DOCTYPE html>") && t[5].endsWith("</html>"));
    }
};

QTEST_GUILESS_MAIN(TestClsMapAndPorts)
#include "test_clsMapAndPorts.moc"
