#include "history/clsDaySummary.h"

#include "history/clsLocalClock.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double EarthRadius = 6371008.8; // metres, the WGS 84 mean radius
constexpr double MetresPerNauticalMile = 1852;
constexpr double Radians = M_PI / 180;

// A record as the summary reads it: its instant and, when it has one, its position as a
// point of the unit sphere, so that "within a distance" is a chord compared, exact and
// without a trigonometric function per pair.
struct Point {
    qsizetype Record;
    qint64 Time;      // seconds since 1970 UTC
    bool Placed;      // a valid fix with a position
    double Latitude;  // degrees, signed
    double Longitude; // degrees, signed
    double X, Y, Z;
    double Knots;
};

double Signed(double magnitude, const QString& hemisphere) {
    return hemisphere == QLatin1String("S") || hemisphere == QLatin1String("W") ? -magnitude
                                                                                : magnitude;
}

Point PointAt(qsizetype record, qint64 time, bool placed, double latitude, double longitude,
              double knots) {
    const double lat = latitude * Radians;
    const double lon = longitude * Radians;
    return {record,
            time,
            placed,
            latitude,
            longitude,
            std::cos(lat) * std::cos(lon),
            std::cos(lat) * std::sin(lon),
            std::sin(lat),
            knots};
}

Point PointOf(qsizetype record, qint64 time, const PositionFix& fix) {
    return PointAt(record, time, fix.Status != QLatin1String("V") && fix.HasPosition(),
                   Signed(fix.Latitude, fix.NorthSouth), Signed(fix.Longitude, fix.EastWest),
                   fix.Speed);
}

// The square of the chord between two points of the unit sphere.
double Chord2(const Point& a, const Point& b) {
    const double x = a.X - b.X;
    const double y = a.Y - b.Y;
    const double z = a.Z - b.Z;
    return x * x + y * y + z * z;
}

double MetresOf(double chord2) {
    return 2 * EarthRadius * std::asin(std::min(1.0, std::sqrt(chord2) / 2));
}

// The squared chord of a great-circle distance.
double Chord2Of(double metres) {
    const double chord = 2 * std::sin(std::min(metres / EarthRadius, M_PI) / 2);
    return chord * chord;
}

double Knots(double metres, qint64 seconds) {
    return seconds > 0 ? metres / MetresPerNauticalMile * 3600 / double(seconds) : 0;
}

double SettingOr(const QString& programFolder, const SettingKey& key, double fallback) {
    bool ok = false;
    const double value = modPrivate::ReadSetting(programFolder, key).trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

QByteArray CsvNumber(double value, int decimals) {
    return QByteArray::number(value, 'f', decimals);
}

// The stretches [first, last] of points that form stops, in order.
QList<std::pair<qsizetype, qsizetype>> FindStops(const QList<Point>& points,
                                                 const clsDaySummary::Parameters& p) {
    const double limit = Chord2Of(p.StopRadius);
    const double least = p.StopMinutes * 60;
    QList<std::pair<qsizetype, qsizetype>> stops;
    qsizetype i = 0;
    while (i < points.size()) {
        if (!points[i].Placed) {
            ++i;
            continue;
        }
        qsizetype last = i;
        for (qsizetype j = i + 1; j < points.size(); ++j) {
            if (!points[j].Placed) {
                continue;
            }
            if (Chord2(points[i], points[j]) > limit || Chord2(points[last], points[j]) > limit) {
                break;
            }
            last = j;
        }
        if (last > i && double(points[last].Time - points[i].Time) >= least) {
            stops.append({i, last});
            i = last + 1;
        } else {
            ++i;
        }
    }
    return stops;
}

} // namespace

const QByteArray clsDaySummary::CsvHeader =
    "kind,start_local,end_local,duration_s,distance_km,max_speed_kn,avg_speed_kn,latitude,"
    "longitude,poi";

clsDaySummary::Parameters clsDaySummary::Parameters::Read(const QString& programFolder) {
    using namespace modKeys::Setting;
    Parameters read{SettingOr(programFolder, DayStopRadius, DefaultDayStopRadius),
                    SettingOr(programFolder, DayStopMinutes, DefaultDayStopMinutes),
                    SettingOr(programFolder, DayPoiRadius, DefaultDayPoiRadius)};
    const Parameters defaults{DefaultDayStopRadius, DefaultDayStopMinutes, DefaultDayPoiRadius};
    Parameters kept = defaults;
    // Each value on its own: one bad value does not take the others with it.
    if (Parameters{read.StopRadius, kept.StopMinutes, kept.PoiRadius}.Valid()) {
        kept.StopRadius = read.StopRadius;
    }
    if (Parameters{kept.StopRadius, read.StopMinutes, kept.PoiRadius}.Valid()) {
        kept.StopMinutes = read.StopMinutes;
    }
    if (Parameters{kept.StopRadius, kept.StopMinutes, read.PoiRadius}.Valid()) {
        kept.PoiRadius = read.PoiRadius;
    }
    return kept;
}

bool clsDaySummary::Parameters::Write(const QString& programFolder) const {
    using namespace modKeys::Setting;
    bool written = true;
    for (const auto& [key, value] :
         {std::pair{DayStopRadius, StopRadius}, std::pair{DayStopMinutes, StopMinutes},
          std::pair{DayPoiRadius, PoiRadius}}) {
        written = modPrivate::WriteSetting(programFolder, key, modPrivate::NumberText(value, 9)) &&
                  written;
    }
    return written;
}

bool clsDaySummary::Parameters::Valid() const {
    return StopRadius > 0 && StopRadius <= 100000 && StopMinutes > 0 && StopMinutes <= 1440 &&
           PoiRadius >= 0 && PoiRadius <= 100000;
}

clsDaySummary::clsDaySummary(const clsTrackRecords& records, const Parameters& parameters,
                             const QList<CoordinateRecord>& pois) {
    const Parameters p = parameters.Valid() ? parameters
                                            : Parameters{modKeys::Setting::DefaultDayStopRadius,
                                                         modKeys::Setting::DefaultDayStopMinutes,
                                                         modKeys::Setting::DefaultDayPoiRadius};
    clsLocalClock clock;
    QList<Point> points;
    points.reserve(records.Count());
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        if (const std::optional<qint64> time = clock.UtcSeconds(fix.FixTime)) {
            points.append(PointOf(i, *time, fix));
        }
    }
    if (points.isEmpty()) {
        return;
    }
    const auto timeOf = [&](qsizetype point) { return records.At(points[point].Record).FixTime; };
    m_totals.Start = timeOf(0);
    m_totals.End = timeOf(points.size() - 1);

    auto lineOf = [&](Kind what, qsizetype first, qsizetype last) {
        Line line;
        line.What = what;
        line.First = points[first].Record;
        line.Last = points[last].Record;
        line.Start = timeOf(first);
        line.End = timeOf(last);
        line.Seconds = std::max<qint64>(0, points[last].Time - points[first].Time);
        return line;
    };
    auto addTrip = [&](qsizetype first, qsizetype last) {
        Line trip = lineOf(Kind::Trip, first, last);
        double metres = 0;
        const Point* previous = nullptr;
        for (qsizetype k = first; k <= last; ++k) {
            if (points[k].Placed) {
                if (previous != nullptr) {
                    metres += MetresOf(Chord2(*previous, points[k]));
                }
                previous = &points[k];
                trip.MaxKnots = std::max(trip.MaxKnots, points[k].Knots);
            }
        }
        if (last == first || (trip.Seconds == 0 && metres == 0)) {
            return;
        }
        trip.Kilometres = metres / 1000;
        trip.AverageKnots = Knots(metres, trip.Seconds);
        m_lines.append(trip);
        m_totals.Kilometres += trip.Kilometres;
        m_totals.MovingSeconds += trip.Seconds;
        m_totals.MaxKnots = std::max(m_totals.MaxKnots, trip.MaxKnots);
        ++m_totals.Trips;
    };
    auto addStop = [&](qsizetype first, qsizetype last) {
        Line stop = lineOf(Kind::Stop, first, last);
        const Point& at = points[first];
        stop.Latitude = at.Latitude;
        stop.Longitude = at.Longitude;
        double nearest = Chord2Of(p.PoiRadius);
        for (const CoordinateRecord& poi : pois) {
            const double chord2 = Chord2(at, PointAt(-1, 0, true, poi.Y, poi.X, 0));
            if (chord2 <= nearest) {
                nearest = chord2;
                stop.Poi = poi.Explanation;
            }
        }
        m_lines.append(stop);
        m_totals.StoppedSeconds += stop.Seconds;
        ++m_totals.Stops;
    };

    qsizetype tripStart = 0;
    for (const auto& [first, last] : FindStops(points, p)) {
        addTrip(tripStart, first);
        addStop(first, last);
        tripStart = last;
    }
    addTrip(tripStart, points.size() - 1);
    m_totals.AverageKnots = Knots(m_totals.Kilometres * 1000, m_totals.MovingSeconds);
}

QByteArray clsDaySummary::CsvText() const {
    const QByteArray end = "\r\n";
    QByteArray text = CsvHeader + end;
    for (const Line& line : m_lines) {
        const bool trip = line.What == Kind::Trip;
        QByteArrayList fields = {trip ? "trip" : "stop", modPrivate::CsvField(line.Start),
                                 modPrivate::CsvField(line.End), QByteArray::number(line.Seconds)};
        if (trip) {
            fields << CsvNumber(line.Kilometres, 3) << CsvNumber(line.MaxKnots, 1)
                   << CsvNumber(line.AverageKnots, 1) << ""
                   << ""
                   << "";
        } else {
            fields << ""
                   << ""
                   << "" << CsvNumber(line.Latitude, 6) << CsvNumber(line.Longitude, 6)
                   << modPrivate::CsvField(line.Poi);
        }
        text += fields.join(',') + end;
    }
    const Totals& t = m_totals;
    text += QByteArrayList{"day",
                           modPrivate::CsvField(t.Start),
                           modPrivate::CsvField(t.End),
                           QByteArray::number(t.MovingSeconds + t.StoppedSeconds),
                           CsvNumber(t.Kilometres, 3),
                           CsvNumber(t.MaxKnots, 1),
                           CsvNumber(t.AverageKnots, 1),
                           "",
                           "",
                           ""}
                .join(',') +
            end;
    return text;
}

void clsDaySummary::WriteCsv(const QString& path, const QString& programFolder) const {
    QString error;
    if (!modPrivate::SaveWholeFile(path, CsvText(), error)) {
        throw clsStationError(
            modPrivate::ReadLanguage(programFolder, modKeys::Messages::DaySummaryNotWritten)
                .arg(QDir::toNativeSeparators(path), error));
    }
}
