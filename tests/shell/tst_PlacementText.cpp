#include "clsPlacementText.h"

#include <QTest>

using State = clsPlacementText::State;

class tst_PlacementText : public QObject {
    Q_OBJECT

private slots:
    void saving_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected"); // "-": nothing is written
        QTest::newRow("normal") << int(State::Normal) << "2,1,2,3,4,"
                                << "0,1200,900,9600,7200,";
        QTest::newRow("maximised keeps normal bounds")
            << int(State::Maximised) << "0,300,450,6000,4500,"
            << "2,300,450,6000,4500,";
        QTest::newRow("maximised twice") << int(State::Maximised) << "2,300,450,6000,4500,"
                                         << "2,300,450,6000,4500,";
        QTest::newRow("maximised, nothing stored") << int(State::Maximised) << ""
                                                   << "2,1200,900,9600,7200,";
        QTest::newRow("minimised") << int(State::Minimised) << "0,1,2,3,4,"
                                   << "-";
    }

    void saving() {
        QFETCH(int, state);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        const auto value =
            clsPlacementText::ForSaving(State(state), {1200, 900, 9600, 7200}, stored);
        QCOMPARE(value.value_or(QStringLiteral("-")), expected);
        // Bounds are single-precision numbers with a point.
        QCOMPARE(clsPlacementText::BoundsText({1.0 / 3, 15, 12345.5, -30}),
                 QStringLiteral(",0.3333333,15,12345.5,-30,"));
    }

    void parsing_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // state, position, size; "-" when missing
        QTest::newRow("written") << "0,1200,900,9600,7200,"
                                 << "0 1200,900 9600,7200";
        QTest::newRow("maximised") << "2,1200,900,9600,7200,"
                                   << "2 1200,900 9600,7200";
        QTest::newRow("no final comma") << "0, 12.5 ,900,9600,7200"
                                        << "0 12.5,900 9600,7200";
        QTest::newRow("state only") << "2"
                                    << "2 - -";
        QTest::newRow("width without height") << "0,-300,-15,9600,"
                                              << "0 -300,-15 -";
        QTest::newRow("left without top") << "0,1200,,9600,7200,"
                                          << "0 - 9600,7200";
        QTest::newRow("text and zero size") << "0,abc,900,0,7200,"
                                            << "0 - -";
    }

    void parsing() {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const auto placement = clsPlacementText::Parse(value);
        QVERIFY(placement);
        const auto pair = [](bool has, const std::optional<double>& a,
                             const std::optional<double>& b) {
            return has ? QStringLiteral("%1,%2").arg(*a).arg(*b) : QStringLiteral("-");
        };
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(placement->Maximised ? 2 : 0)
                     .arg(pair(placement->HasPosition(), placement->Left, placement->Top),
                          pair(placement->HasSize(), placement->Width, placement->Height)),
                 expected);
        QVERIFY(!clsPlacementText::Parse(QString()));
    }
};

QTEST_GUILESS_MAIN(tst_PlacementText)
#include "tst_PlacementText.moc"
