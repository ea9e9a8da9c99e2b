#include "history/clsTrackExport.h"

#include "history/clsDaySummary.h"
#include "history/clsLocalClock.h"

#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTimeZone>

#include <array>
#include <cmath>
#include <optional>

namespace {

const QByteArray LineEnd = "\r\n";

bool IsNegative(const QString& hemisphere) {
    return hemisphere == QLatin1String("S") || hemisphere == QLatin1String("W");
}

// Degrees with a fixed number of decimals and "." whatever the locale; south and west
// carry a minus sign, north and east the plus sign when plus is given.
QString Degrees(double magnitude, const QString& hemisphere, int decimals, bool plus) {
    const QString digits = QString::number(std::fabs(magnitude), 'f', decimals);
    const bool negative = magnitude != 0 && IsNegative(hemisphere) != (magnitude < 0);
    return (negative ? QStringLiteral("-") : plus ? QStringLiteral("+") : QString()) + digits;
}

QByteArray PaPaGOText(const clsTrackRecords& records, const QString& /*programFolder*/) {
    QByteArray text = "Datum,WGS84,WGS84,0,0,0,0,0" + LineEnd;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const QString when = QString(fix.FixTime).replace(QLatin1Char(' '), QLatin1Char(','));
        text += (QStringLiteral("TP,D, ") + Degrees(fix.Latitude, fix.NorthSouth, 9, false) +
                 QStringLiteral(", ") + Degrees(fix.Longitude, fix.EastWest, 9, false) +
                 QStringLiteral(", ") + when.right(17) + QStringLiteral(",0"))
                    .toLatin1() +
                LineEnd;
    }
    return text;
}

QByteArray MapSourceText(const clsTrackRecords& records, const QString& /*programFolder*/) {
    static const QByteArray Header =
        "H  LATITUDE    LONGITUDE    DATE      TIME     ALT    ;track" + LineEnd;
    QByteArray text;
    QString previousDay;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const QString date = modPrivate::ConvertLogTime(fix.FixTime);
        if (i == 0 || date.left(9) != previousDay) {
            text += (i == 0 ? QByteArray() : LineEnd) + Header;
        }
        previousDay = date.left(9);
        text += (QStringLiteral("T  ") +
                 Degrees(fix.Latitude, fix.NorthSouth, 7, true).leftJustified(11, u' ', true) +
                 QLatin1Char(' ') +
                 Degrees(fix.Longitude, fix.EastWest, 7, true).leftJustified(12, u' ', true) +
                 QLatin1Char(' ') + date.leftJustified(18, u' ', true) + QStringLiteral(" -9999"))
                    .toLatin1() +
                LineEnd;
    }
    return text;
}

// Signed decimal degrees, as many digits as the record holds.
QByteArray SignedNumber(double magnitude, const QString& hemisphere) {
    return modPrivate::NumberText(IsNegative(hemisphere) ? -magnitude : magnitude, 15).toLatin1();
}

QByteArray UtcText(qint64 utcSeconds) {
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC).toString(Qt::ISODate).toLatin1();
}

// The track's name: the day of its first and last record with a readable time, or both
// days; empty when no time is readable (a time that is not one may hold any character,
// which the file's XML could not carry).
QByteArray DayName(const clsTrackRecords& records) {
    QString first;
    QString last;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const QString time = records.At(i).FixTime;
        if (clsLocalClock::WallSeconds(time).has_value()) {
            last = time.left(10);
            first = first.isEmpty() ? last : first;
        }
    }
    return (first == last ? first : first + QStringLiteral(" - ") + last).toHtmlEscaped().toUtf8();
}

QByteArray GpxPoint(const PositionFix& fix, clsLocalClock& clock) {
    QByteArray text = "   <trkpt lat=\"" + SignedNumber(fix.Latitude, fix.NorthSouth) +
                      "\" lon=\"" + SignedNumber(fix.Longitude, fix.EastWest) + "\">";
    if (const std::optional<qint64> utc = clock.UtcSeconds(fix.FixTime)) {
        text += "<time>" + UtcText(*utc) + "</time>";
    }
    // Garmin's track point extension: speed in metres per second, course in degrees.
    constexpr double MetresPerSecondPerKnot = 1852.0 / 3600.0;
    return text + "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>" +
           modPrivate::NumberText(fix.Speed * MetresPerSecondPerKnot, 7).toLatin1() +
           "</gpxtpx:speed><gpxtpx:course>" + modPrivate::NumberText(fix.Direction, 7).toLatin1() +
           "</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n";
}

// One track segment per local day, so that a track of several days falls apart by day.
QByteArray GpxText(const clsTrackRecords& records, const QString& programFolder) {
    const QString creator = modApplication::ApplicationTitle(programFolder);
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx version=\"1.1\" creator=\"" +
                      creator.toHtmlEscaped().toUtf8() +
                      "\" xmlns=\"http://www.topografix.com/GPX/1/1\""
                      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                      " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\""
                      " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
                      " http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    clsLocalClock clock;
    QString day;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const bool readable = clsLocalClock::WallSeconds(fix.FixTime).has_value();
        if (i == 0) {
            text += " <trk>\n  <name>" + DayName(records) + "</name>\n  <trkseg>\n";
        } else if (readable && !day.isEmpty() && fix.FixTime.left(10) != day) {
            text += "  </trkseg>\n  <trkseg>\n";
        }
        if (readable) {
            day = fix.FixTime.left(10);
        }
        text += GpxPoint(fix, clock);
    }
    if (records.Count() > 0) {
        text += "  </trkseg>\n </trk>\n";
    }
    return text + "</gpx>\n";
}

QByteArray KmlCoordinates(double latitude, double longitude) {
    return modPrivate::NumberText(longitude, 15).toLatin1() + ',' +
           modPrivate::NumberText(latitude, 15).toLatin1();
}

// A stop as a point placemark: named by its place in the day, its arrival and departure
// as its time span.
QByteArray KmlStop(int number, const clsDaySummary::Line& stop, clsLocalClock& clock) {
    const qint64 minutes = (stop.Seconds + 30) / 60;
    QByteArray text = "  <Placemark>\n   <name>Stop " + QByteArray::number(number) +
                      "</name>\n   <description>" + stop.Start.toHtmlEscaped().toUtf8() + " - " +
                      stop.End.toHtmlEscaped().toUtf8() + " (" + QByteArray::number(minutes) +
                      " min)</description>\n";
    const std::optional<qint64> begin = clock.UtcSeconds(stop.Start);
    const std::optional<qint64> end = clock.UtcSeconds(stop.End);
    if (begin && end) {
        text += "   <TimeSpan><begin>" + UtcText(*begin) + "</begin><end>" + UtcText(*end) +
                "</end></TimeSpan>\n";
    }
    return text + "   <styleUrl>#stop</styleUrl>\n   <Point><coordinates>" +
           KmlCoordinates(stop.Latitude, stop.Longitude) +
           "</coordinates></Point>\n  </Placemark>\n";
}

// One placemark with the track as a line through every valid fix that has a position (a
// void fix's position may lie anywhere), and one per stop as the day summary finds them
// with the stored stop settings.
QByteArray KmlText(const clsTrackRecords& records, const QString& programFolder) {
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n <Document>\n";
    if (records.Count() == 0) {
        return text + " </Document>\n</kml>\n";
    }
    const QByteArray name = DayName(records);
    text += "  <name>" + name +
            "</name>\n"
            "  <Style id=\"track\"><LineStyle><color>ffff0000</color><width>3</width>"
            "</LineStyle></Style>\n"
            "  <Style id=\"stop\"><IconStyle><color>ff0000ff</color></IconStyle></Style>\n"
            "  <Placemark>\n   <name>" +
            name +
            "</name>\n   <styleUrl>#track</styleUrl>\n"
            "   <LineString>\n    <tessellate>1</tessellate>\n    <coordinates>\n";
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        if (fix.HasPosition() && fix.Status != QLatin1String("V")) {
            text += KmlCoordinates(IsNegative(fix.NorthSouth) ? -fix.Latitude : fix.Latitude,
                                   IsNegative(fix.EastWest) ? -fix.Longitude : fix.Longitude) +
                    '\n';
        }
    }
    text += "    </coordinates>\n   </LineString>\n  </Placemark>\n";
    const clsDaySummary summary(records, clsDaySummary::Parameters::Read(programFolder), {});
    clsLocalClock clock;
    int number = 0;
    for (const clsDaySummary::Line& line : summary.Lines()) {
        if (line.What == clsDaySummary::Kind::Stop) {
            text += KmlStop(++number, line, clock);
        }
    }
    return text + " </Document>\n</kml>\n";
}

// Local time with its offset from UTC, and UTC, in ISO 8601; both empty when unreadable.
std::pair<QByteArray, QByteArray> IsoTimes(const QString& fixTime, clsLocalClock& clock) {
    const std::optional<qint64> wall = clsLocalClock::WallSeconds(fixTime);
    if (!wall) {
        return {};
    }
    const qint64 utc = clock.UtcSecondsOfWall(*wall);
    const QDateTime local = QDateTime::fromSecsSinceEpoch(utc, Qt::OffsetFromUTC, int(*wall - utc));
    return {local.toString(Qt::ISODate).toLatin1(), UtcText(utc)};
}

QByteArray CsvText(const clsTrackRecords& records, const QString& /*programFolder*/) {
    QByteArray text = "time_local,time_utc,latitude,longitude,speed_kn,course,status" + LineEnd;
    clsLocalClock clock;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const auto [local, utc] = IsoTimes(fix.FixTime, clock);
        text += QByteArrayList{local,
                               utc,
                               SignedNumber(fix.Latitude, fix.NorthSouth),
                               SignedNumber(fix.Longitude, fix.EastWest),
                               modPrivate::NumberText(fix.Speed, 7).toLatin1(),
                               modPrivate::NumberText(fix.Direction, 7).toLatin1(),
                               modPrivate::CsvField(fix.Status)}
                    .join(',') +
                LineEnd;
    }
    return text;
}

// A file dialog's filter entry and the text of the file it stands for.
struct ExportFormat {
    clsTrackExport::Format Number; // the filter entry, counted from 1
    const char* Text;              // shown in the file dialog
    const char* Suffix;            // of the file's name, without the point
    QByteArray (*Write)(const clsTrackRecords& records, const QString& programFolder);
};

// In the order of the file dialog's filter.
constexpr std::array Formats = {
    ExportFormat{clsTrackExport::PaPaGO, "PaPaGO!", "txt", PaPaGOText},
    ExportFormat{clsTrackExport::MapSource, "MapSource 6.5", "trk", MapSourceText},
    ExportFormat{clsTrackExport::Gpx, "GPX 1.1", "gpx", GpxText},
    ExportFormat{clsTrackExport::Kml, "KML 2.2", "kml", KmlText},
    ExportFormat{clsTrackExport::Csv, "CSV", "csv", CsvText},
};

constexpr bool NumberedByPosition() {
    for (std::size_t i = 0; i < Formats.size(); ++i) {
        if (Formats[i].Number != static_cast<int>(i + 1)) {
            return false;
        }
    }
    return true;
}
static_assert(NumberedByPosition(), "a format's number is its place in the filter");

// The entry of a format number; nullptr for none.
const ExportFormat* Numbered(int format) {
    return format >= 1 && format <= static_cast<int>(Formats.size())
               ? &Formats[static_cast<std::size_t>(format - 1)]
               : nullptr;
}

} // namespace

QString clsTrackExport::Filter() {
    QStringList entries;
    for (const ExportFormat& format : Formats) {
        const QString pattern = QStringLiteral("*.") + QLatin1String(format.Suffix);
        entries << QLatin1String(format.Text) + QStringLiteral(" (") + pattern + QLatin1Char(')')
                << pattern;
    }
    return entries.join(QLatin1Char('|'));
}

int clsTrackExport::FormatCount() {
    return static_cast<int>(Formats.size());
}

QString clsTrackExport::FormatText(int format) {
    const ExportFormat* entry = Numbered(format);
    return entry != nullptr ? QLatin1String(entry->Text) : QString();
}

QString clsTrackExport::Suffix(int format) {
    const ExportFormat* entry = Numbered(format);
    return entry != nullptr ? QLatin1String(entry->Suffix) : QString();
}

int clsTrackExport::FormatOfName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    for (const ExportFormat& format : Formats) {
        if (name.endsWith(QLatin1Char('.') + QLatin1String(format.Suffix), Qt::CaseInsensitive)) {
            return format.Number;
        }
    }
    return 0;
}

clsTrackExport::clsTrackExport(const QString& programFolder) : m_programFolder(programFolder) {}

void clsTrackExport::ExportTrack(const QString& path, int format,
                                 const clsTrackRecords& records) const {
    const ExportFormat* entry = Numbered(format);
    const QByteArray text =
        entry != nullptr ? entry->Write(records, m_programFolder) : QByteArray();
    QString error;
    if (!modPrivate::SaveWholeFile(path, text, error)) {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ExportFailed)
                .arg(QDir::toNativeSeparators(path), error));
    }
}
