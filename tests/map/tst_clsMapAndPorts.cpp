#include "map/clsMapAndPorts.h"
#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

namespace {

// Prepares from a fresh program folder holding the map template (none when bytes is null)
// under the given name, and one stored setting (none when the key is empty).
clsMapAndPorts Prepare(const QByteArray& bytes, const QString& key = {}, const QString& value = {},
                       const QString& name = "carimage/Standards.txt") {
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    const bool made =
        (bytes.isNull() ||
         (QDir(dir.path()).mkpath(QFileInfo(name).path()) && file.open(QIODevice::WriteOnly) &&
          file.write(bytes) == bytes.size())) &&
        (key.isEmpty() || modPrivate::WriteSetting(dir.path(), "Settings", key, value));
    file.close();
    if (!made) {
        throw std::logic_error("cannot set up the program folder");
    }
    clsMapAndPorts prepared;
    prepared.PrepareMapAndPorts(dir.path(), modPrivate::LoadSettings(dir.path()));
    return prepared;
}

} // namespace

class TestClsMapAndPorts : public QObject {
    Q_OBJECT

private slots:
    void storedSelection_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");      // null: key absent
        QTest::addColumn<QList<int>>("selected"); // port index, setting index, zoom level
        const QString port = "CommPort", setting = "Setting";
        QTest::newRow("nothing stored") << port << QString() << QList<int>{-1, 0, 15};
        QTest::newRow("port 0") << port << "0" << QList<int>{-1, 0, 15};
        QTest::newRow("port 3") << port << "3" << QList<int>{2, 0, 15};
        QTest::newRow("port 15") << port << "15" << QList<int>{14, 0, 15};
        QTest::newRow("port 16 hand-edited") << port << "16" << QList<int>{-1, 0, 15};
        QTest::newRow("port -1 hand-edited") << port << "-1" << QList<int>{-1, 0, 15};
        QTest::newRow("setting 1") << setting << "1" << QList<int>{-1, 1, 15};
        QTest::newRow("setting 2 hand-edited") << setting << "2" << QList<int>{-1, 0, 15};
        QTest::newRow("zoom 18 ignored") << QStringLiteral("Zoom") << "18" << QList<int>{-1, 0, 15};
    }
    void storedSelection() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QList<int>, selected);
        const clsMapAndPorts p = Prepare("T", stored.isNull() ? QString() : key, stored);
        QCOMPARE(QList<int>({p.CommPortIndex(), p.SettingIndex(), p.Zoom()}), selected);
        QCOMPARE(p.CommPorts().mid(13), QStringList({"COM14", "COM15"}));
        QCOMPARE(p.LineSettings(), QStringList({"4800,n,8,1", "9600,n,8,1"}));
    }

    void mapTemplate_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines"); // always one empty element after the file's
        QTest::newRow("ten lines")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n<p>車站</p>\r\n")
            << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "<p>車站</p>", ""};
        QTest::newRow("empty file") << QByteArray("") << QStringList{""};
        QTest::newRow("no last line end") << QByteArray("a\nb") << QStringList{"a", "b", ""};
    }
    void mapTemplate() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(Prepare(bytes).MapTemplate(), lines);
        QCOMPARE(Prepare(bytes, {}, {}, "CarImage/STANDARDS.TXT").MapTemplate(), lines);
    }

    void missingTemplateStopsWithMessage() {
        try {
            Prepare(QByteArray());
            QFAIL("a missing template was accepted");
        } catch (const clsStationError& e) {
            const QRegularExpression naming("map template .*Standards\\.txt");
            QVERIFY2(QString(e.what()).contains(naming), e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestClsMapAndPorts)
#include "tst_clsMapAndPorts.moc"
