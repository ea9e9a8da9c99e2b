#include "shell/clsPlacementText.h"

#include <QTest>

// Saving a normal, maximised or minimised window is covered by closing the real window.
class tst_PlacementText : public QObject {
    Q_OBJECT

private slots:
    void maximisedKeepsTheNormalBounds() {
        const auto save = [](const QString& stored) {
            return clsPlacementText::ForSaving(clsPlacementText::State::Maximised,
                                               {1200, 900, 9600, 7200}, stored)
                .value_or(QStringLiteral("-"));
        };
        QCOMPARE(save(QStringLiteral("2,3,4,60,45,")), "2,3,4,60,45,");
        QCOMPARE(save(QString()), "2,1200,900,9600,7200,");
        QCOMPARE(clsPlacementText::BoundsText({1.0 / 3, 15, 12345.5, -30}),
                 ",0.3333333,15,12345.5,-30,");
    }

    void parsing_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // state, position, size; "-" when missing
        QTest::newRow("maximised") << "2,12,9,96,72," << QStringLiteral("2 12,9 96,72");
        QTest::newRow("no final comma") << "0, 12.5 ,9,96,72" << QStringLiteral("0 12.5,9 96,72");
        QTest::newRow("state only") << "2" << QStringLiteral("2 - -");
        QTest::newRow("width without height") << "0,-3,-15,96," << QStringLiteral("0 -3,-15 -");
        QTest::newRow("left without top") << "0,12,,96,72," << QStringLiteral("0 - 96,72");
        QTest::newRow("text and zero size") << "0,abc,9,0,72," << QStringLiteral("0 - -");
    }

    void parsing() {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const auto placement = clsPlacementText::Parse(value);
        QVERIFY(placement && !clsPlacementText::Parse(QString()));
        const auto pair = [](bool has, const std::optional<double>& a,
                             const std::optional<double>& b) {
            return has ? QStringLiteral("%1,%2").arg(*a).arg(*b) : QStringLiteral("-");
        };
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(placement->Maximised ? 2 : 0)
                     .arg(pair(placement->HasPosition(), placement->Left, placement->Top),
                          pair(placement->HasSize(), placement->Width, placement->Height)),
                 expected);
    }
};

QTEST_GUILESS_MAIN(tst_PlacementText)
#include "tst_PlacementText.moc"
