#include "shell/modPrivate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>

using namespace modPrivate;

class tst_Formats : public QObject {
    Q_OBJECT

    static void row(const char* name, const QString& actual, const QString& expected) {
        QTest::newRow(name) << actual << expected;
    }

private slots:
    // Every text form, computed under the locale the test runs in ("." must stay).
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const QString U = QStringLiteral("U");
        row("degrees north", FormatDegrees("N", 25.03539), "N 25\u00B0 02' 07\" ");
        row("degrees east", FormatDegrees("E", 121.57613), "E 121\u00B0 34' 34\" ");
        row("degrees zero is no fix", FormatDegrees("S", 0.0), "");
        row("degrees seconds not carried", FormatDegrees("W", 10 + 59.0 / 60 + 59.6 / 3600),
            "W 10\u00B0 59' 60\" ");
        row("speed zero", FormatSpeed(0.0f, U), "0  U");
        row("speed one decimal", FormatSpeed(12.5f, U), "12.5U");
        row("speed whole", FormatSpeed(12.0f, U), "12  U");
        row("speed thousands", FormatSpeed(1234567.0f, U), "1,234,567  U");
        row("speed half away from zero", FormatSpeed(12.25f, U), "12.3U");
        row("course 22.5 north", DirectionCode(22.5f), "0002");
        row("course 45 north-east", DirectionCode(45.0f), "0003");
        row("course 67.5 east", DirectionCode(67.5f), "0004");
        row("course 315 north-west", DirectionCode(315.0f), "0009");
        row("course 337.5 north", DirectionCode(337.5f), "0002");
        row("course 360 north", DirectionCode(360.0f), "0002");
        row("log time", FormatLogTime(QDateTime(QDate(2009, 2, 8), QTime(3, 5, 9))),
            "2009/02/08 03:05:09");
        row("converted time", ConvertLogTime("2009/02/18 13:45:10"), "18-FEB-09 13:45:10");
        row("converted december", ConvertLogTime("2010/12/01 00:00:00"), "01-DEC-10 00:00:00");
        row("converted garbage", ConvertLogTime("garbage"), "");
        row("number coordinate", NumberText(121.57613, 15), "121.57613");
        row("number trailing zero", NumberText(25.0354, 15), "25.0354");
        row("number zero", NumberText(0.0, 15), "0");
        row("number small", NumberText(0.00001, 15), "0.00001");
        row("number large", NumberText(1.5e16, 15), "15000000000000000");
        row("number float course", NumberText(double(271.3f), 7), "271.3");
        row("number negative", NumberText(-120.684722, 15), "-120.684722");
        row("quote", QuoteSql("O'Neil"), "O''Neil");
        row("quote only apostrophes", QuoteSql("'a\"b;--'"), "''a\"b;--''");
    }

    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    // Any float is formatted without overflow, under the locale the test runs in; a value
    // that is no number has no text.
    void speeds_data() {
        QTest::addColumn<float>("knots");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, float knots, const char* expected) {
            QTest::newRow(name) << knots << QString::fromLatin1(expected);
        };
        row("twenty nines, as received", 99999999999999999999.0f, "100,000,002,004,087,734,272  U");
        row("largest float", 3.4028235e38f,
            "340,282,346,638,528,859,811,704,183,484,516,925,440  U");
        row("just below the whole-number count", 9.9999998e16f, "99,999,998,430,674,944  U");
        row("tiny", 1e-30f, "0  U");
        row("negative", -12.5f, "-12.5U");
        row("negative, rounding to zero", -0.04f, "0  U");
        row("huge negative", -99999999999999999999.0f, "-100,000,002,004,087,734,272  U");
        row("infinity", std::numeric_limits<float>::infinity(), "");
        row("not a number", std::numeric_limits<float>::quiet_NaN(), "");
    }

    void speeds() {
        QFETCH(float, knots);
        QFETCH(QString, expected);
        QCOMPARE(FormatSpeed(knots, "U"), expected);
    }

    void numbers_data() {
        QTest::addColumn<double>("actual");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << Val("") << 0.0;
        QTest::newRow("blanks and text") << Val("  12abc") << 12.0;
        QTest::newRow("decimal") << Val("4916.45") << 4916.45;
        QTest::newRow("comma is no point") << Val("1,5") << 1.0;
        QTest::newRow("sign") << Val("-1") << -1.0;
        QTest::newRow("exponent") << Val("1.5e2") << 150.0;
        QTest::newRow("bare e") << Val("1e") << 1.0;
        QTest::newRow("half to even down") << double(RoundHalfEven(2.5)) << 2.0;
        QTest::newRow("half to even up") << double(RoundHalfEven(-1.5)) << -2.0;
        QTest::newRow("above half") << double(RoundHalfEven(2.5000001)) << 3.0;
        QTest::newRow("nan") << double(RoundHalfEven(std::nan(""))) << 0.0;
        QTest::newRow("huge clamps") << double(RoundHalfEven(-1e300) < 0) << 1.0;
    }

    void numbers() {
        QFETCH(double, actual);
        QFETCH(double, expected);
        QCOMPARE(actual, expected);
    }

    void files() {
        QTemporaryDir folder;
        QFile language(folder.filePath("Language.ini"));
        QVERIFY(language.open(QIODevice::WriteOnly));
        language.write("[Private]\r\n0002=North\r\n0004=East\r\n");
        language.close();
        QCOMPARE(DirectionName(folder.path(), 67.5f), QStringLiteral("East"));
        QCOMPARE(DirectionName(folder.path(), 359.0f), QStringLiteral("North"));

        QVERIFY(KillFile(language.fileName()));
        QVERIFY(!KillFile(language.fileName()));

        QVERIFY(QDir(folder.path()).mkdir("export"));
        QCOMPARE(ProgramPath(folder.path(), "Export/History-2009-02.log"),
                 folder.path() + "/export/History-2009-02.log");
    }
};

QTEST_GUILESS_MAIN(tst_Formats)
#include "tst_Formats.moc"
