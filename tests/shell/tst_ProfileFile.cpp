#include "shell/clsProfileFile.h"
#include "shell/modPrivate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// Big5 and Latin-1 bytes that are not UTF-8: a value another program saved.
const QByteArray Big5Path = "C:\\\xa5\xbb\xa6\x61\\track.txt";
const QByteArray Latin1Name = "Andr\xe9";

} // namespace

class tst_ProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    QString ini() const { return folder.filePath("vendrel.ini"); }

    QByteArray content() const {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Makes the file hold bytes; a null array removes it.
    void setContent(const QByteArray& bytes) const {
        QFile::remove(ini());
        if (bytes.isNull()) {
            return;
        }
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
        QTest::newRow("256 Chinese characters cut")
            << "[T]\n1=" + QByteArray("\xe5\x81\x9c").repeated(256) << "T"
            << "1" << QString::fromUtf8(QByteArray("\xe5\x81\x9c").repeated(255));
        QTest::newRow("text after the section's ]")
            << QByteArray("[Settings] ; ports\r\nCommPort=3\r\n") << "Settings"
            << "CommPort"
            << "3";
        QTest::newRow("blanks around the section name")
            << QByteArray("  [ Settings ]\nCommPort=3\n") << "settings"
            << "CommPort"
            << "3";
        QTest::newRow("line without ] is no section") << QByteArray("[A]\nk=1\n[B\nj=2\n") << "A"
                                                      << "j"
                                                      << "2";
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf[A]\nk=1\n") << "A"
                                         << "k"
                                         << "1";
        QTest::newRow("8-bit bytes elsewhere")
            << "[Export]\r\nFileName=" + Big5Path + "\r\n[A]\r\nk=" + Latin1Name + "x\r\nj=2\r\n"
            << "A"
            << "j"
            << "2";
        QTest::newRow("no file") << QByteArray() << "A"
                                 << "k"
                                 << "";
    }

    // A text read once answers every read as the file does.
    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        setContent(file);
        QCOMPARE(clsProfileFile::Read(ini(), section, key), expected);
        const clsProfileText once = clsProfileFile::Load(ini());
        QCOMPARE(once.Value(section, key), expected);
        QCOMPARE(once.Value(section.toUpper(), key.toLower()), expected);
    }

    void writes_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after"); // null: refused, the file as it was
        const QString s = "Settings", k = "Zoom", v = "16";
        const QByteArray full =
            "; station\r\n[Settings]\r\nCommPort=3\r\nZOOM=12\r\nSetting=1\r\n\r\n"
            "[Position]\r\nTrack=0,1,2,3,4,\r\n";
        QTest::newRow("replaces in place, keeps the rest byte for byte")
            << full << s << k << v << QByteArray(full).replace("ZOOM=12", "Zoom=16");
        QTest::newRow("new key at the end of its section")
            << QByteArray("[settings]\nx=1\n\n[B]\ny=2\n") << s << k << v
            << QByteArray("[settings]\nx=1\nZoom=16\n\n[B]\ny=2\n");
        QTest::newRow("new key in an empty section")
            << QByteArray("[Settings]\n[B]\n") << s << k << v
            << QByteArray("[Settings]\nZoom=16\n[B]\n");
        QTest::newRow("new section") << QByteArray("[B]\ny=2\n") << s << k << v
                                     << QByteArray("[B]\ny=2\n\n[Settings]\nZoom=16\n");
        QTest::newRow("new file") << QByteArray() << s << k << v
                                  << QByteArray("[Settings]\nZoom=16\n");
        QTest::newRow("empty file")
            << QByteArray("") << s << k << v << QByteArray("[Settings]\nZoom=16\n");
        QTest::newRow("Big5 value elsewhere kept")
            << "[Export]\r\nFileName=" + Big5Path + "\r\n[Settings]\r\nZoom=12\r\n"
            << s << k << v << "[Export]\r\nFileName=" + Big5Path + "\r\n[Settings]\r\nZoom=16\r\n";
        QTest::newRow("Latin-1 line in the same section kept")
            << "[Settings]\nOwner=" + Latin1Name + "\nZoom=12\n"
            << s << k << v << "[Settings]\nOwner=" + Latin1Name + "\nZoom=16\n";
        QTest::newRow("bare LF lines in a CR LF file kept")
            << QByteArray("[Settings]\r\nCommPort=3\nZoom=12\r\nSetting=1\n[B]\r\ny=2\r\n") << s
            << k << v
            << QByteArray("[Settings]\r\nCommPort=3\nZoom=16\r\nSetting=1\n[B]\r\ny=2\r\n");
        QTest::newRow("replaced line ends as most lines do")
            << QByteArray("[Settings]\nZoom=12\r\nA=1\nB=2\n") << s << k << v
            << QByteArray("[Settings]\nZoom=16\nA=1\nB=2\n");
        QTest::newRow("added line ends as most lines do")
            << QByteArray("[Settings]\r\nA=1\nB=2\r\n[C]\r\n") << s << k << v
            << QByteArray("[Settings]\r\nA=1\nB=2\r\nZoom=16\r\n[C]\r\n");
        QTest::newRow("no final line end, key replaced")
            << QByteArray("[Settings]\r\nZoom=12") << s << k << v
            << QByteArray("[Settings]\r\nZoom=16");
        QTest::newRow("no final line end, key added")
            << QByteArray("[Settings]\r\nA=1") << s << k << v
            << QByteArray("[Settings]\r\nA=1\r\nZoom=16");
        QTest::newRow("no final line end, section added")
            << QByteArray("[B]\r\ny=2") << s << k << v
            << QByteArray("[B]\r\ny=2\r\n\r\n[Settings]\r\nZoom=16");
        QTest::newRow("section line with text after its ]")
            << QByteArray("[Settings] ; ports\nZoom=12\n") << s << k << v
            << QByteArray("[Settings] ; ports\nZoom=16\n");
        QTest::newRow("byte-order mark kept")
            << QByteArray("\xef\xbb\xbf[Settings]\r\nZoom=12\r\n") << s << k << v
            << QByteArray("\xef\xbb\xbf[Settings]\r\nZoom=16\r\n");
        QTest::newRow("first of two keys") << QByteArray("[Settings]\nZoom=1\nzoom=2\n") << s << k
                                           << v << QByteArray("[Settings]\nZoom=16\nzoom=2\n");
        QTest::newRow("first of two sections")
            << QByteArray("[Settings]\nA=1\n[SETTINGS]\nZoom=2\n") << s << k << v
            << QByteArray("[Settings]\nA=1\nZoom=16\n[SETTINGS]\nZoom=2\n");
        QTest::newRow("value as UTF-8") << QByteArray("[Search]\nVehicleNumber=x\n") << "Search"
                                        << "VehicleNumber" << QString::fromUtf8("\xe8\xbb\x8a 7")
                                        << QByteArray("[Search]\nVehicleNumber=\xe8\xbb\x8a 7\n");
        QTest::newRow("empty value") << QByteArray("[Settings]\nZoom=12\n") << s << k << ""
                                     << QByteArray("[Settings]\nZoom=\n");
        QTest::newRow("line break in the value refused")
            << QByteArray("[Settings]\r\nZoom=12\r\n") << s << k << "16\r\n[Ports]\r\nCOM1=/x"
            << QByteArray();
        QTest::newRow("line break in the key refused")
            << QByteArray("[Settings]\nZoom=12\n") << s << "Zoom\nCOM1" << v << QByteArray();
        QTest::newRow("line break in the section refused")
            << QByteArray() << "Settings]\r[Ports" << k << v << QByteArray();
    }

    void writes() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        setContent(before);
        QCOMPARE(clsProfileFile::Write(ini(), section, key, value), !after.isNull());
        QCOMPARE(QFile::exists(ini()), !before.isNull() || !after.isNull());
        QCOMPARE(content(), after.isNull() ? before : after);
        if (!after.isNull()) {
            QCOMPARE(clsProfileFile::Read(ini(), section.toUpper(), key.toLower()), value);
        }
    }

    // A file that is there but cannot be read is never replaced by one holding only the
    // new key: the write fails and the file stays.
    void unreadable_file_is_kept_data() {
        QTest::addColumn<bool>("socket");
        QTest::newRow("no read permission") << false;
        QTest::newRow("a socket") << true;
    }

    void unreadable_file_is_kept() {
        QFETCH(bool, socket);
#ifdef Q_OS_UNIX
        setContent({});
        if (socket) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(ini());
            QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd);
        } else {
            if (::geteuid() == 0) {
                QSKIP("the superuser reads every file");
            }
            setContent("[Settings]\nZoom=12\n");
            QVERIFY(QFile::setPermissions(ini(), QFile::WriteOwner));
        }
        const QFile::Permissions before = QFile::permissions(ini());
        QVERIFY(!clsProfileFile::Write(ini(), "Settings", "Zoom", "16"));
        QVERIFY(QFile::exists(ini()));
        if (socket) {
            QVERIFY(QFileInfo(ini()).size() == 0 && !QFileInfo(ini()).isFile());
        } else {
            QCOMPARE(QFile::permissions(ini()), before);
            QVERIFY(QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(content(), QByteArray("[Settings]\nZoom=12\n"));
        }
        QFile::remove(ini());
#else
        Q_UNUSED(socket);
        QSKIP("needs POSIX sockets and permissions");
#endif
    }

    void write_keeps_permissions() {
        setContent("[Settings]\nZoom=12\n");
        QVERIFY(
            QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions before = QFile::permissions(ini());
        QVERIFY(clsProfileFile::Write(ini(), "Settings", "Zoom", "16"));
        QCOMPARE(QFile::permissions(ini()), before);
        QCOMPARE(content(), QByteArray("[Settings]\nZoom=16\n"));
    }

    void write_into_missing_folder_fails() {
        QVERIFY(!clsProfileFile::Write(folder.filePath("no/folder/vendrel.ini"), "A", "k", "v"));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
