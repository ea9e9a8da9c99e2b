#include "clsProfileFile.h"
#include "modPrivate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_ProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    QString ini() const { return folder.filePath(QStringLiteral("vendrel.ini")); }

private slots:
    void init() {
        QFile::remove(ini());
        QFile::remove(folder.filePath(QStringLiteral("Language.ini")));
    }

    void reads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray settings =
            "[Settings]\r\nCommPort=3\r\nSetting = 1 \r\n[Other]\r\nZoom=9\r\n";
        QTest::newRow("exact") << settings << "Settings"
                               << "CommPort"
                               << "3";
        QTest::newRow("names in other case") << settings << "settings"
                                             << "COMMPORT"
                                             << "3";
        QTest::newRow("value and key trimmed") << settings << "Settings"
                                               << "setting"
                                               << "1";
        QTest::newRow("key of another section") << settings << "Settings"
                                                << "Zoom"
                                                << "";
        QTest::newRow("missing section") << settings << "Ports"
                                         << "COM1"
                                         << "";
        QTest::newRow("first match wins") << QByteArray("[A]\nk=1\nk=2\n[a]\nk=3\n") << "A"
                                          << "K"
                                          << "1";
        QTest::newRow("comment is no key") << QByteArray("[A]\n;k=1\nk=2\n") << "A"
                                           << "k"
                                           << "2";
        QTest::newRow("quotes stripped") << QByteArray("[A]\nk=\" x \"\n") << "A"
                                         << "k"
                                         << " x ";
        QTest::newRow("utf-8 text")
            << QByteArray("[Track]\n0026=\xe5\x81\x9c\xe6\xad\xa2\n") << "Track"
            << "0026" << QString::fromUtf8("\xe5\x81\x9c\xe6\xad\xa2");
        QTest::newRow("no file") << QByteArray() << "A"
                                 << "k"
                                 << "";
    }

    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (!file.isNull()) {
            writeAll(ini(), file);
        }
        QCOMPARE(clsProfileFile::Read(ini(), section, key), expected);
    }

    void cuts_long_values_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("255 whole") << 255 << 255;
        QTest::newRow("256 cut") << 256 << 255;
        QTest::newRow("1000 cut") << 1000 << 255;
    }

    void cuts_long_values() {
        QFETCH(int, length);
        QFETCH(int, expected);
        const QString text(length, QLatin1Char('x'));
        writeAll(folder.filePath(QStringLiteral("Language.ini")),
                 "[Track]\r\n0001=" + text.toUtf8() + "\r\n");
        QCOMPARE(
            modPrivate::ReadLanguage(folder.path(), QStringLiteral("Track"), QStringLiteral("0001"))
                .size(),
            expected);
    }

    void write_replaces_one_line_and_keeps_the_rest() {
        const QByteArray before = "; station settings\r\n[Settings]\r\nCommPort=3\r\nZOOM=12\r\n"
                                  "Setting=1\r\n\r\n[Position]\r\nTrack=0,1,2,3,4,\r\n";
        writeAll(ini(), before);
        QVERIFY(modPrivate::WriteSetting(folder.path(), QStringLiteral("settings"),
                                         QStringLiteral("Zoom"), QStringLiteral("16")));
        QByteArray expected = before;
        expected.replace("ZOOM=12", "Zoom=16");
        QCOMPARE(readAll(ini()), expected);
    }

    void write_creates_file_section_and_key() {
        QVERIFY(modPrivate::WriteSetting(folder.path(), QStringLiteral("Settings"),
                                         QStringLiteral("CommPort"), QStringLiteral("2")));
        QVERIFY(modPrivate::WriteSetting(folder.path(), QStringLiteral("Settings"),
                                         QStringLiteral("Setting"), QStringLiteral("0")));
        QVERIFY(modPrivate::WriteSetting(folder.path(), QStringLiteral("Search"),
                                         QStringLiteral("VehicleNumber"), QString()));
        QCOMPARE(readAll(ini()),
                 QByteArray("[Settings]\nCommPort=2\nSetting=0\n\n[Search]\nVehicleNumber=\n"));
        QCOMPARE(modPrivate::ReadSetting(folder.path(), QStringLiteral("SETTINGS"),
                                         QStringLiteral("setting")),
                 QStringLiteral("0"));
    }

    void new_key_goes_to_the_end_of_its_section() {
        writeAll(ini(), "[A]\nx=1\n\n[B]\ny=2\n");
        QVERIFY(clsProfileFile::Write(ini(), QStringLiteral("a"), QStringLiteral("z"),
                                      QStringLiteral("3")));
        QCOMPARE(readAll(ini()), QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\n"));
    }

    void failed_write_reports_false() {
        const QString missing = folder.filePath(QStringLiteral("no/such/folder/vendrel.ini"));
        QVERIFY(!clsProfileFile::Write(missing, QStringLiteral("A"), QStringLiteral("k"),
                                       QStringLiteral("v")));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
