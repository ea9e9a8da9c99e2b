#include "history/clsTrackExport.h"

#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTimeZone>

#include <array>
#include <cmath>
#include <optional>
#include <set>

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

// The local date and time of a record's "yyyy/mm/dd hh:mm:ss"; invalid when unreadable.
QDateTime LocalTime(const QString& fixTime) {
    const QStringView text(fixTime);
    auto part = [&](qsizetype from, qsizetype length) {
        bool ok = false;
        const int value = text.mid(from, length).toInt(&ok);
        return ok ? value : -1;
    };
    if (text.size() != 19) {
        return {};
    }
    // As a plain calendar value: the time zone is applied by UtcSeconds.
    return QDateTime(QDate(part(0, 4), part(5, 2), part(8, 2)),
                     QTime(part(11, 2), part(14, 2), part(17, 2)), Qt::UTC);
}

int OffsetAt(const QTimeZone& zone, qint64 utcSeconds) {
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC));
}

// The instant at which the zone's clocks showed local. Where a clock change shows a
// local time twice, the earlier instant; where it skips it, the local time is read with
// the offset from before the change.
qint64 UtcSeconds(const QTimeZone& zone, const QDateTime& local) {
    constexpr qint64 Day = 24 * 60 * 60;
    const qint64 wall = local.toSecsSinceEpoch();
    const int before = OffsetAt(zone, wall - Day);
    const std::set<int> offsets = {before, OffsetAt(zone, wall), OffsetAt(zone, wall + Day)};
    std::optional<qint64> earliest;
    for (const int offset : offsets) {
        const qint64 instant = wall - offset;
        if (OffsetAt(zone, instant) == offset && (!earliest || instant < *earliest)) {
            earliest = instant;
        }
    }
    return earliest.value_or(wall - before);
}

QByteArray GpxNumber(double magnitude, const QString& hemisphere) {
    return modPrivate::NumberText(IsNegative(hemisphere) ? -magnitude : magnitude, 15).toLatin1();
}

QByteArray GpxPoint(const PositionFix& fix, const QDateTime& local, const QTimeZone& zone) {
    QByteArray text = "   <trkpt lat=\"" + GpxNumber(fix.Latitude, fix.NorthSouth) + "\" lon=\"" +
                      GpxNumber(fix.Longitude, fix.EastWest) + "\">";
    if (local.isValid()) {
        text += "<time>" +
                QDateTime::fromSecsSinceEpoch(UtcSeconds(zone, local), Qt::UTC)
                    .toString(Qt::ISODate)
                    .toLatin1() +
                "</time>";
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
    const QTimeZone zone = QTimeZone::systemTimeZone();
    QString day;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const QDateTime local = LocalTime(fix.FixTime);
        if (i == 0) {
            text += " <trk>\n  <trkseg>\n";
        } else if (local.isValid() && !day.isEmpty() && fix.FixTime.left(10) != day) {
            text += "  </trkseg>\n  <trkseg>\n";
        }
        if (local.isValid()) {
            day = fix.FixTime.left(10);
        }
        text += GpxPoint(fix, local, zone);
    }
    if (records.Count() > 0) {
        text += "  </trkseg>\n </trk>\n";
    }
    return text + "</gpx>\n";
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
    QSaveFile file(path);
    // Unbuffered: Qt 6.4 commits a save file whose buffered bytes failed to reach the
    // disk when it is closed, which would put a cut file under the chosen name.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(text) != text.size() || !file.commit()) {
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ExportFailed)
                .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
}
