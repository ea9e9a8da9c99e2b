#include "shell/clsProfileFile.h"
#include "shell/modPrivate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_ProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    QString ini() const { return folder.filePath("vendrel.ini"); }

    QByteArray content() const {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void setContent(const QByteArray& bytes) const {
        QFile file(ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
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
        QTest::newRow("trimmed") << settings << "Settings"
                                 << "setting"
                                 << "1";
        QTest::newRow("other section") << settings << "Settings"
                                       << "Zoom"
                                       << "";
        QTest::newRow("missing section") << settings << "Ports"
                                         << "COM1"
                                         << "";
        QTest::newRow("first match wins") << QByteArray("[A]\nk=1\nk=2\n[a]\nk=3\n") << "A"
                                          << "K"
                                          << "1";
        QTest::newRow("comment") << QByteArray("[A]\n;k=1\nk=2\n") << "A"
                                 << "k"
                                 << "2";
        QTest::newRow("quotes") << QByteArray("[A]\nk=\" x \"\n") << "A"
                                << "k"
                                << " x ";
        QTest::newRow("utf-8") << QByteArray("[T]\n1=\xe5\x81\x9c\xe6\xad\xa2\n") << "T"
                               << "1" << QString::fromUtf8("\xe5\x81\x9c\xe6\xad\xa2");
        QTest::newRow("255 whole") << "[A]\nk=" + QByteArray(255, 'x') << "A"
                                   << "k" << QString(255, 'x');
        QTest::newRow("256 cut") << "[A]\nk=" + QByteArray(256, 'x') << "A"
                                 << "k" << QString(255, 'x');
        QTest::newRow("no file") << QByteArray() << "A"
                                 << "k"
                                 << "";
    }

    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QFile::remove(ini());
        if (!file.isNull()) {
            setContent(file);
        }
        QCOMPARE(clsProfileFile::Read(ini(), section, key), expected);
    }

    void writes_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray full =
            "; station\r\n[Settings]\r\nCommPort=3\r\nZOOM=12\r\nSetting=1\r\n\r\n"
            "[Position]\r\nTrack=0,1,2,3,4,\r\n";
        QTest::newRow("replaces in place, keeps the rest byte for byte")
            << full << QByteArray(full).replace("ZOOM=12", "Zoom=16");
        QTest::newRow("new key at the end of its section")
            << QByteArray("[settings]\nx=1\n\n[B]\ny=2\n")
            << QByteArray("[settings]\nx=1\nZoom=16\n\n[B]\ny=2\n");
        QTest::newRow("new section")
            << QByteArray("[B]\ny=2\n") << QByteArray("[B]\ny=2\n\n[Settings]\nZoom=16\n");
        QTest::newRow("new file") << QByteArray() << QByteArray("[Settings]\nZoom=16\n");
    }

    void writes() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFile::remove(ini());
        if (!before.isNull()) {
            setContent(before);
        }
        QVERIFY(modPrivate::WriteSetting(folder.path(), "Settings", "Zoom", "16"));
        QCOMPARE(content(), after);
        QCOMPARE(modPrivate::ReadSetting(folder.path(), "SETTINGS", "zoom"), QStringLiteral("16"));
    }

    void failed_write_reports_false() {
        QVERIFY(!clsProfileFile::Write(folder.filePath("no/folder/vendrel.ini"), "A", "k", "v"));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
