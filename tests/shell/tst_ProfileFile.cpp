#include "shell/clsProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// A path in Big5, which is not UTF-8: a value that another program saved.
const QByteArray Big5 = "FileName=C:\\\xa5\xbb\xa6\x61.txt";

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
        QFile file(ini());
        QVERIFY(bytes.isNull() || (file.open(QIODevice::WriteOnly) && file.write(bytes)));
    }

private slots:
    void reads_data() {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& file, const QString& section,
                            const QString& key, const QString& expected) {
            QTest::newRow(name) << file << section << key << expected;
        };
        const QByteArray settings =
            "[Settings]\r\nCommPort=3\r\nSetting = 1 \r\n[Other]\r\nZoom=9\r\n";
        row("exact", settings, "Settings", "CommPort", "3");
        row("names in other case", settings, "settings", "COMMPORT", "3");
        row("trimmed", settings, "Settings", "setting", "1");
        row("other section", settings, "Settings", "Zoom", "");
        row("missing section", settings, "Ports", "COM1", "");
        row("first match wins", "[A]\nk=1\nk=2\n[a]\nk=3\n", "A", "K", "1");
        row("comment", "[A]\n;k=1\nk=2\n", "A", "k", "2");
        row("quotes", "[A]\nk=\" x \"\n", "A", "k", " x ");
        row("utf-8", "[T]\n1=\xe5\x81\x9c\xe6\xad\xa2\n", "T", "1", "\u505c\u6b62");
        row("255 whole", "[A]\nk=" + QByteArray(255, 'x'), "A", "k", QString(255, 'x'));
        row("256 cut", "[A]\nk=" + QByteArray(256, 'x'), "A", "k", QString(255, 'x'));
        row("text after the section's ]", "[Settings] ; ports\r\nCommPort=3\r\n", "Settings",
            "CommPort", "3");
        row("line without ] is no section", "[A]\nk=1\n[B\nj=2\n", "A", "j", "2");
        row("8-bit bytes elsewhere", "[E]\r\n" + Big5 + "\r\n[A]\r\nk=2\r\n", "A", "k", "2");
        row("no file", QByteArray(), "A", "k", "");
    }

    // The text read once answers every read as the file does.
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

    // Key "Zoom" of section "Settings" written with a value.
    void writes_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after"); // null: refused, the file as it was
        const auto row = [](const char* name, const QByteArray& before, const QByteArray& after,
                            const QString& value = "16", const QString& key = "Zoom") {
            QTest::newRow(name) << before << key << value << after;
        };
        const QByteArray full = "; station\r\n[Settings]\r\nCommPort=3\r\nZOOM=12\r\nSetting=1\r\n"
                                "\r\n[Position]\r\nTrack=0,1,2,3,4,\r\n";
        row("replaces in place, keeps the rest byte for byte", full,
            QByteArray(full).replace("ZOOM=12", "Zoom=16"));
        row("new key at the end of its section", "[settings]\nx=1\n\n[B]\ny=2\n",
            "[settings]\nx=1\nZoom=16\n\n[B]\ny=2\n");
        row("new section", "[B]\ny=2\n", "[B]\ny=2\n\n[Settings]\nZoom=16\n");
        row("new file", QByteArray(), "[Settings]\nZoom=16\n");
        row("Big5 value elsewhere kept", "[E]\r\n" + Big5 + "\r\n[Settings]\r\nZoom=12\r\n",
            "[E]\r\n" + Big5 + "\r\n[Settings]\r\nZoom=16\r\n");
        row("bare LF lines in a CR LF file kept", "[Settings]\r\nA=3\nZoom=12\r\nB=1\n[C]\r\n",
            "[Settings]\r\nA=3\nZoom=16\r\nB=1\n[C]\r\n");
        row("written line ends as most lines do", "[Settings]\nZoom=12\r\nA=1\nB=2\n",
            "[Settings]\nZoom=16\nA=1\nB=2\n");
        row("added line ends as most lines do", "[Settings]\r\nA=1\nB=2\r\n[C]\r\n",
            "[Settings]\r\nA=1\nB=2\r\nZoom=16\r\n[C]\r\n");
        row("no final line end, key replaced", "[Settings]\r\nZoom=12", "[Settings]\r\nZoom=16");
        row("no final line end, key added", "[Settings]\r\nA=1", "[Settings]\r\nA=1\r\nZoom=16");
        row("no final line end, section added", "[B]\r\ny=2",
            "[B]\r\ny=2\r\n\r\n[Settings]\r\nZoom=16");
        row("section line with text after its ]", "[Settings] ; ports\nZoom=12\n",
            "[Settings] ; ports\nZoom=16\n");
        row("byte-order mark kept", "\xef\xbb\xbf[Settings]\r\nZoom=12\r\n",
            "\xef\xbb\xbf[Settings]\r\nZoom=16\r\n");
        row("value as UTF-8", "[Settings]\nZoom=1\n", "[Settings]\nZoom=\xe8\xbb\x8a\n", "\u8eca");
        row("line break in the value refused", "[Settings]\r\nZoom=12\r\n", QByteArray(),
            "16\r\n[Ports]\r\nCOM1=/x");
        row("line break in the key refused", "[Settings]\nZoom=12\n", QByteArray(), "16",
            "Zoom\nCOM1");
    }

    void writes() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        setContent(before);
        QCOMPARE(clsProfileFile::Write(ini(), "Settings", key, value), !after.isNull());
        QCOMPARE(QFile::exists(ini()), !before.isNull() || !after.isNull());
        QCOMPARE(content(), after.isNull() ? before : after);
    }

    // A file that is there but cannot be read is never replaced by one holding only the
    // new key. A socket stands for it: even the superuser cannot read one.
    void unreadable_file_is_kept() {
#ifdef Q_OS_UNIX
        setContent({});
        const QByteArray path = QFile::encodeName(ini());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(!clsProfileFile::Write(ini(), "Settings", "Zoom", "16"));
        QVERIFY(QFileInfo(ini()).exists() && !QFileInfo(ini()).isFile());
        QFile::remove(ini());
#else
        QSKIP("needs a POSIX socket");
#endif
    }

    void write_keeps_permissions() {
        setContent("[Settings]\nZoom=12\n");
        QVERIFY(
            QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions before = QFile::permissions(ini());
        QVERIFY(clsProfileFile::Write(ini(), "Settings", "Zoom", "16"));
        QCOMPARE(QFile::permissions(ini()), before);
    }

    void write_into_missing_folder_fails() {
        QVERIFY(!clsProfileFile::Write(folder.filePath("no/folder/vendrel.ini"), "A", "k", "v"));
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
