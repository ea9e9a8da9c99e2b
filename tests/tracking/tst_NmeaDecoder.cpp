// The RMC decoding function: which talker sent a sentence, which fields it set, and that a
// field it did not set leaves the fix as it was.

#include "tracking/TestSentences.h"
#include "tracking/modNmeaDecoder.h"

#include <QtTest>

namespace {

using namespace modNmeaDecoder;

const std::array<std::pair<Field, const char*>, 7> Names = {{{StatusSet, "status"},
                                                             {LatitudeSet, "lat"},
                                                             {NorthSouthSet, "ns"},
                                                             {LongitudeSet, "lon"},
                                                             {EastWestSet, "ew"},
                                                             {SpeedSet, "speed"},
                                                             {CourseSet, "course"}}};

// The fields that are set, each as "name=value", in the order of Names.
QString SetFields(const RmcFields& rmc) {
    const auto value = [&](Field field) -> QString {
        switch (field) {
        case StatusSet:
            return rmc.Status.toString();
        case LatitudeSet:
            return QString::number(rmc.Latitude, 'g', 15);
        case NorthSouthSet:
            return rmc.NorthSouth.toString();
        case LongitudeSet:
            return QString::number(rmc.Longitude, 'g', 15);
        case EastWestSet:
            return rmc.EastWest.toString();
        case SpeedSet:
            return QString::number(rmc.Speed, 'g', 7);
        case CourseSet:
            return QString::number(rmc.Course, 'g', 7);
        }
        return {};
    };
    QStringList set;
    for (const auto& [field, name] : Names) {
        if (rmc.Has(field)) {
            set << QStringLiteral("%1=%2").arg(QLatin1String(name), value(field));
        }
    }
    return set.join(' ');
}

const QString Everything = "status=A lat=25.03539 ns=N lon=121.57613 ew=E speed=10.5 course=123.4";

} // namespace

class tst_NmeaDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodesTheFieldsItFinds_data() {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("talker");
        QTest::addColumn<QString>("set");
        const QString fields = ",134512,A,2502.1234,N,12134.5678,E,10.5,123.4,180209,3.1,W,A";
        QTest::newRow("GPS") << Checksummed("GPRMC" + fields) << "GP" << Everything;
        QTest::newRow("any other talker") << Checksummed("GNRMC" + fields) << "GN" << Everything;
        QTest::newRow("without the dollar sign") << "GPRMC" + fields << "GP" << Everything;
        QTest::newRow("a name too short for a talker") << "$RMC" + fields << "" << Everything;
        // A receiver without a fix: empty coordinates are 0, empty speed and course no number.
        QTest::newRow("no fix") << Checksummed("GPRMC,1,V,,,,,,,1") << "GP"
                                << "status=V lat=0 ns= lon=0 ew=";
        QTest::newRow("too few fields")
            << Checksummed("GPRMC,1,V,4916.45") << "GP" << "status=V lat=49.26674";
        QTest::newRow("speed and course that are no numbers")
            << Checksummed("GPRMC,1,A,2502.1234,N,12134.5678,E,12abc,1e39")
            << "GP" << Everything.section(' ', 0, 4);
        // The last field carries the checksum, which is no part of a number.
        QTest::newRow("course as the last field")
            << Checksummed("GPRMC,1,A,2502.1234,N,12134.5678,E,10.5,123.4") << "GP"
            << Everything.section(' ', 0, 5);
    }

    void decodesTheFieldsItFinds() {
        QFETCH(QString, sentence);
        QFETCH(QString, talker);
        QFETCH(QString, set);
        const RmcFields rmc = DecodeRmc(sentence);
        QCOMPARE(rmc.Talker.toString(), talker);
        QCOMPARE(SetFields(rmc), set);
    }

    // Only what is set reaches the fix; the station's time stamp is not the decoder's.
    void appliesOnlyWhatIsSet() {
        const PositionFix before{"2009/02/18 13:45:10", "W", 77.5, "S", 38.5, 3.5f, 271.5f, "V"};
        PositionFix fix = before;
        DecodeRmc(u"$GPRMC,1,A,2502.1234,N").ApplyTo(fix);
        QCOMPARE(fix, (PositionFix{"2009/02/18 13:45:10", "W", 77.5, "N", 25.03539, 3.5f,
                                   271.5f, "A"}));
        DecodeRmc(u"$GPRMC,1,A,2502.1234,N,12134.5678,E,10.5").ApplyTo(fix);
        QCOMPARE(fix, (PositionFix{"2009/02/18 13:45:10", "E", 121.57613, "N", 25.03539, 10.5f,
                                   271.5f, "A"}));
        DecodeRmc(Checksummed("GPRMC,1,V,,,,,,,1")).ApplyTo(fix);
        QCOMPARE(fix, (PositionFix{"2009/02/18 13:45:10", "", 0, "", 0, 10.5f, 271.5f, "V"}));
    }
};

QTEST_GUILESS_MAIN(tst_NmeaDecoder)
#include "tst_NmeaDecoder.moc"
