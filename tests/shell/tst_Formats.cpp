#include "modPrivate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace modPrivate;

class tst_Formats : public QObject {
    Q_OBJECT

private slots:
    void degrees_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("north") << "N" << 25.03539 << QString::fromUtf8("N 25\u00B0 02' 07\" ");
        QTest::newRow("east") << "E" << 121.57613 << QString::fromUtf8("E 121\u00B0 34' 34\" ");
        QTest::newRow("zero is no fix") << "S" << 0.0 << QString();
        QTest::newRow("negative is no fix") << "S" << -3.0 << QString();
        QTest::newRow("seconds not carried")
            << "W" << 10.0 + 59.0 / 60 + 59.6 / 3600 << QString::fromUtf8("W 10\u00B0 59' 60\" ");
        QTest::newRow("whole degree") << "N" << 7.0 << QString::fromUtf8("N 7\u00B0 00' 00\" ");
    }

    void degrees() {
        QFETCH(QString, letter);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatDegrees(letter, value), expected);
    }

    void speed_data() {
        QTest::addColumn<float>("knots");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0f << "0  U";
        QTest::newRow("one decimal") << 12.5f << "12.5U";
        QTest::newRow("whole") << 12.0f << "12  U";
        QTest::newRow("thousands") << 1234.0f << "1,234  U";
        QTest::newRow("millions") << 1234567.0f << "1,234,567  U";
        QTest::newRow("rounded up") << 0.96f << "1  U";
        QTest::newRow("exact half away from zero") << 12.25f << "12.3U";
    }

    void speed() {
        QFETCH(float, knots);
        QFETCH(QString, expected);
        QCOMPARE(FormatSpeed(knots, QStringLiteral("U")), expected);
    }

    void direction_data() {
        QTest::addColumn<float>("course");
        QTest::addColumn<QString>("code");
        QTest::newRow("0 north") << 0.0f << "0002";
        QTest::newRow("22.5 rounds to north") << 22.5f << "0002";
        QTest::newRow("45 north-east") << 45.0f << "0003";
        QTest::newRow("67.5 rounds to east") << 67.5f << "0004";
        QTest::newRow("180 south") << 180.0f << "0006";
        QTest::newRow("315 north-west") << 315.0f << "0009";
        QTest::newRow("337.5 north") << 337.5f << "0002";
        QTest::newRow("360 north") << 360.0f << "0002";
    }

    void direction() {
        QFETCH(float, course);
        QFETCH(QString, code);
        QCOMPARE(DirectionCode(course), code);
    }

    void direction_name_comes_from_the_language_file() {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("Language.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Private]\r\n0002=North\r\n0004=East\r\n");
        file.close();
        QCOMPARE(DirectionName(folder.path(), 67.5f), QStringLiteral("East"));
        QCOMPARE(DirectionName(folder.path(), 359.0f), QStringLiteral("North"));
        QCOMPARE(DirectionName(folder.path(), 90.0f + 45.0f), QString());
    }

    void log_time() {
        const QDateTime when(QDate(2009, 2, 8), QTime(3, 5, 9));
        QCOMPARE(FormatLogTime(when), QStringLiteral("2009/02/08 03:05:09"));
        QCOMPARE(ConvertLogTime(QStringLiteral("2009/02/18 13:45:10")),
                 QStringLiteral("18-FEB-09 13:45:10"));
        QCOMPARE(ConvertLogTime(QStringLiteral("2010/12/01 00:00:00")),
                 QStringLiteral("01-DEC-10 00:00:00"));
        QCOMPARE(ConvertLogTime(QString()), QString());
        QCOMPARE(ConvertLogTime(QStringLiteral("garbage")), QString());
    }

    void number_text_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("expected");
        QTest::newRow("coordinate") << 121.57613 << 15 << "121.57613";
        QTest::newRow("trailing zero dropped") << 25.0354 << 15 << "25.0354";
        QTest::newRow("zero") << 0.0 << 15 << "0";
        QTest::newRow("small, no exponent") << 0.00001 << 15 << "0.00001";
        QTest::newRow("large, no exponent") << 1.5e16 << 15 << "15000000000000000";
        QTest::newRow("float speed") << double(0.5f) << 7 << "0.5";
        QTest::newRow("float course") << double(271.3f) << 7 << "271.3";
        QTest::newRow("float 12.34") << double(12.34f) << 7 << "12.34";
        QTest::newRow("negative") << -120.684722 << 15 << "-120.684722";
    }

    void number_text() {
        QFETCH(double, value);
        QFETCH(int, digits);
        QFETCH(QString, expected);
        QCOMPARE(NumberText(value, digits), expected);
    }

    void leading_number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("plain") << "15" << 15.0;
        QTest::newRow("leading blanks") << "  3" << 3.0;
        QTest::newRow("trailing text") << "12abc" << 12.0;
        QTest::newRow("decimal point") << "4916.45" << 4916.45;
        QTest::newRow("comma is no point") << "1,5" << 1.0;
        QTest::newRow("sign") << "-1" << -1.0;
        QTest::newRow("exponent") << "1.5e2" << 150.0;
        QTest::newRow("bare e") << "1e" << 1.0;
        QTest::newRow("no number") << "abc" << 0.0;
    }

    void leading_number() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Val(text), expected);
    }

    void half_even() {
        QCOMPARE(RoundHalfEven(0.5), 0LL);
        QCOMPARE(RoundHalfEven(1.5), 2LL);
        QCOMPARE(RoundHalfEven(2.5), 2LL);
        QCOMPARE(RoundHalfEven(2.5000001), 3LL);
        QCOMPARE(RoundHalfEven(-1.5), -2LL);
        QVERIFY(RoundHalfEven(1e300) > 0);
        QVERIFY(RoundHalfEven(-1e300) < 0);
        QCOMPARE(RoundHalfEven(std::nan("")), 0LL);
    }

    void quote_sql() {
        QCOMPARE(QuoteSql(QStringLiteral("O'Neil")), QStringLiteral("O''Neil"));
        QCOMPARE(QuoteSql(QStringLiteral("''")), QStringLiteral("''''"));
        QCOMPARE(QuoteSql(QStringLiteral("a\"b;--")), QStringLiteral("a\"b;--"));
    }

    void kill_file() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("poi.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(KillFile(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!KillFile(path));
    }

    void program_path_ignores_case_of_existing_names() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("export")));
        QCOMPARE(ProgramPath(folder.path(), QStringLiteral("Export/History-2009-02.log")),
                 folder.path() + QStringLiteral("/export/History-2009-02.log"));
        QCOMPARE(ProgramPath(folder.path(), QStringLiteral("carimage/map.htm")),
                 folder.path() + QStringLiteral("/carimage/map.htm"));
    }
};

QTEST_GUILESS_MAIN(tst_Formats)
#include "tst_Formats.moc"
