// The shared text forms, the stored window placement, and the settings file's bytes.

#include "shell/TestFiles.h"
#include "shell/clsPlacementText.h"
#include "shell/clsProfileFile.h"
#include "shell/modPrivate.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace modPrivate;

namespace {

// A path in Big5, which is not UTF-8: a value that another program saved.
const QByteArray Big5 = "FileName=C:\\\xa5\xbb\xa6\x61.txt";

// A parsed placement as "state left top width height", "-" for a number it lacks.
QString Parsed(const QString& value) {
    const auto p = clsPlacementText::Parse(value);
    const auto n = [](const std::optional<double>& v) { return v ? QString::number(*v) : "-"; };
    return p ? QStringList{p->Maximised ? "2" : "0", n(p->Left), n(p->Top), n(p->Width),
                           n(p->Height)}
                   .join(' ')
             : "none";
}

// Every byte but the line ends, three times over: NUL, "[", "]", "=" and bytes that are no
// UTF-8 among them.
QByteArray Junk() {
    QByteArray junk;
    for (int i = 0; i < 3 * 256; ++i) {
        if (char(i) != '\n' && char(i) != '\r') {
            junk += char(i);
        }
    }
    return junk;
}

// A line of several megabytes, as a program gone wrong leaves it.
const QByteArray Huge = "Huge=" + QByteArray(5 * 1024 * 1024, 'h');

} // namespace

class tst_Formats : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    QString ini() const { return m_folder.filePath("vendrel.ini"); }

    // Makes the settings file hold bytes; a null array removes it.
    void setContent(const QByteArray& bytes) const {
        QFile::remove(ini());
        QVERIFY(bytes.isNull() || WriteFile(ini(), bytes));
    }

private slots:
    // Computed under the locale the test runs in: "." must stay.
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& actual, const QString& expected) {
            QTest::newRow(name) << actual << expected;
        };
        const auto knots = [](float v) { return FormatSpeed(v, "U"); };
        const auto val = [](const char* text) { return QString::number(Val(text)); };
        const auto rounded = [](double v) { return QString::number(RoundHalfEven(v)); };
        const auto maximised = [](const char* stored) {
            using P = clsPlacementText;
            return P::ForSaving(P::State::Maximised, {1200, 900, 9600, 7200}, stored).value_or("-");
        };
        const float infinity = std::numeric_limits<float>::infinity();
        row("59.995 seconds carry into the minutes", FormatDegrees("N", 25 + 1.0 / 60 + 59.995 / 3600),
            "N 25\u00B0 02' 00\" ");
        row("59' 59.995\" carry into the degrees",
            FormatDegrees("W", 10 + 59.0 / 60 + 59.995 / 3600), "W 11\u00B0 00' 00\" ");
        row("25.03333 carries", FormatDegrees("N", 25.03333), "N 25\u00B0 02' 00\" ");
        row("59.49 seconds stay", FormatDegrees("E", 121 + 1.0 / 60 + 59.49 / 3600),
            "E 121\u00B0 01' 59\" ");
        row("degrees beyond a whole-number count", FormatDegrees("E", 1e19),
            "E 10000000000000000000\u00B0 00' 00\" ");
        row("speed half away from zero", knots(12.25f), "12.3U");
        row("speed of twenty nines", knots(99999999999999999999.0f),
            "100,000,002,004,087,734,272  U");
        row("largest float", knots(3.4028235e38f),
            "340,282,346,638,528,859,811,704,183,484,516,925,440  U");
        row("below the whole-number count", knots(9.9999998e16f), "99,999,998,430,674,944  U");
        row("negative speed", knots(-12.5f), "-12.5U");
        row("negative speed rounding to zero", knots(-0.04f), "0  U");
        row("infinite speed", knots(infinity), "");
        row("speed not a number", knots(std::nanf("")), "");
        row("converted garbage", ConvertLogTime("garbage"), "");
        row("converted time with an exponent", ConvertLogTime("8e11/02/18 13:45:10"), "");
        row("large number", NumberText(1.5e16, 15), "15000000000000000");
        row("val empty", val(""), "0");
        row("val comma is no point", val("1,5"), "1");
        row("val bare e", val("1e"), "1");
        row("half to even", rounded(-1.5) + rounded(2.5), "-22");
        row("round nan", rounded(std::nan("")), "0");
        row("round huge clamps", QString::number(RoundHalfEven(-1e300) < -1e18), "1");
        row("maximised keeps the stored bounds", maximised("2,3,4,60,45,"), "2,3,4,60,45,");
        row("maximised, nothing stored", maximised(""), "2,1200,900,9600,7200,");
        row("bounds", clsPlacementText::BoundsText({1.0 / 3, 15, 12345.5, -30}),
            ",0.3333333,15,12345.5,-30,");
        row("placed width without height", Parsed("0,-3,-15,96,"), "0 -3 -15 - -");
        row("placed text and zero size", Parsed("0,abc,9,0,72,"), "0 - - - -");
    }

    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void reads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key"); // section/key
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& file, const QString& key,
                            const QString& expected) {
            QTest::newRow(name) << file << key << expected;
        };
        const QByteArray settings =
            "[Settings]\r\nCommPort=3\r\nSetting = 1 \r\n[Other]\r\nZoom=9\r\n";
        row("names in other case", settings, "settings/COMMPORT", "3");
        row("trimmed", settings, "Settings/setting", "1");
        row("other section", settings, "Settings/Zoom", "");
        row("first match wins", "[A]\nk=1\nk=2\n[a]\nk=3\n", "A/K", "1");
        row("comment", "[A]\n;k=1\nk=2\n", "A/k", "2");
        row("quotes", "[A]\nk=\" x \"\n", "A/k", " x ");
        row("utf-8", "[T]\n1=\xe5\x81\x9c\xe6\xad\xa2\n", "T/1", "\u505c\u6b62");
        row("cut to 255", "[A]\nk=" + QByteArray(256, 'x'), "A/k", QString(255, 'x'));
        row("line without ] is no section", "[A]\nk=1\n[B\nj=2\n", "A/j", "2");
        row("8-bit bytes elsewhere", "[E]\r\n" + Big5 + "\r\n[A]\r\nk=2\r\n", "A/k", "2");
        row("binary junk around the key", Junk() + "\n[A]\n" + Junk() + "\nk=2\n" + Junk(), "A/k",
            "2");
        row("a line of megabytes before the key", "[A]\n" + Huge + "\nk=2\n", "A/k", "2");
        row("a line of megabytes read", "[A]\n" + Huge + "\nk=2\n", "A/huge", QString(255, 'h'));
        row("megabytes without a line end", "[A]\nk=2\n" + Huge + Junk(), "A/k", "2");
        row("nothing but junk", Junk() + Huge, "A/k", "");
    }

    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        setContent(file);
        QCOMPARE(clsProfileFile::Read(ini(), key.section('/', 0, 0), key.section('/', 1)),
                 expected);
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
        // Other programs' lines: an 8-bit value, a bare LF line in a CR LF file, a comment
        // after a section's "]".
        const QByteArray full = "; station\r\n[E]\r\n" + Big5 +
                                "\r\n[Settings] ; ports\r\nCommPort=3\nZOOM=12\r\nSetting=1\r\n"
                                "\r\n[Position]\r\nTrack=0,1,2,3,4,\r\n";
        row("replaced, the rest byte for byte", full,
            QByteArray(full).replace("ZOOM=12", "Zoom=16"));
        row("key added", "[settings]\nx=1\n\n[B]\ny=2\n", "[settings]\nx=1\nZoom=16\n\n[B]\ny=2\n");
        row("section added", "[B]\ny=2\n", "[B]\ny=2\n\n[Settings]\nZoom=16\n");
        row("file added", QByteArray(), "[Settings]\nZoom=16\n");
        row("replaced line ends as most do", "[Settings]\nZoom=12\r\nA=1\nB=2\n",
            "[Settings]\nZoom=16\nA=1\nB=2\n");
        row("added line ends as most do", "[Settings]\r\nA=1\nB=2\r\n[C]\r\n",
            "[Settings]\r\nA=1\nB=2\r\nZoom=16\r\n[C]\r\n");
        row("no final line end, replaced", "[Settings]\r\nZoom=12", "[Settings]\r\nZoom=16");
        row("no final line end, key added", "[Settings]\r\nA=1", "[Settings]\r\nA=1\r\nZoom=16");
        row("no final line end, section added", "[B]\r\ny=2",
            "[B]\r\ny=2\r\n\r\n[Settings]\r\nZoom=16");
        row("byte-order mark", "\xef\xbb\xbf[Settings]\nZoom=12\n",
            "\xef\xbb\xbf[Settings]\nZoom=16\n");
        row("value as UTF-8", "[Settings]\nZoom=1\n", "[Settings]\nZoom=\xe8\xbb\x8a\n", "\u8eca");
        row("line break in the value", "[Settings]\nZoom=12\n", QByteArray(),
            "16\r\n[Ports]\r\nCOM1=/x");
        row("line break in the key", "[Settings]\nZoom=12\n", QByteArray(), "16", "Zoom\nCOM1");
        const QByteArray hostile = Junk() + "\n[Settings]\n" + Huge + "\r\nZoom=12\n" + Junk();
        row("junk and a line of megabytes kept byte for byte", hostile,
            QByteArray(hostile).replace("Zoom=12", "Zoom=16"));
        row("megabytes without a line end, section added", Huge + Junk(),
            Huge + Junk() + "\n\n[Settings]\nZoom=16");
    }

    // The file is replaced whole, and keeps its permissions.
    void writes() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        setContent(before);
        QVERIFY(
            before.isNull() ||
            QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions permissions = QFile::permissions(ini());
        QCOMPARE(clsProfileFile::Write(ini(), "Settings", key, value), !after.isNull());
        QCOMPARE(QFile::exists(ini()), !before.isNull() || !after.isNull());
        QCOMPARE(ReadFile(ini()), after.isNull() ? before : after);
        QVERIFY(before.isNull() || QFile::permissions(ini()) == permissions);
    }

    // A file that is there but cannot be read is never replaced by one holding only the
    // new key. A socket stands for it: even the superuser cannot read one.
    void unwritableIsRefused() {
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
        QVERIFY(!clsProfileFile::Write(m_folder.filePath("no/folder/vendrel.ini"), "A", "k", "v"));
    }
};

QTEST_GUILESS_MAIN(tst_Formats)
#include "tst_Formats.moc"
