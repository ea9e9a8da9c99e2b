#include "map/clsPoiPickup.h"

#include "poi/clsDBLib.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QLatin1String PickupName("poi.txt");
const QLatin1String TakingName("poi-taking.txt");
const QLatin1String RejectsSuffix(".rejected");
constexpr int CoordinateDigits = 15;

// A coordinate field: a decimal number with "." between its parts, within limit degrees.
std::optional<double> Degrees(const QString& field, double limit) {
    bool ok = false;
    const double v = field.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > limit) {
        return std::nullopt;
    }
    return v;
}

// A line of nothing but blanks and NUL bytes: an empty line, or zeros a power cut left.
bool HoldsNothing(const QByteArray& line) {
    return std::all_of(line.cbegin(), line.cend(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; });
}

struct MarkedPoint {
    QString Name;
    double Latitude = 0;  // degrees
    double Longitude = 0; // degrees
};

// The point a line holds, or nothing.
std::optional<MarkedPoint> PointOf(const QByteArray& line) {
    // A power cut can leave a block of zeros in the file, and the database takes no name
    // that holds one: the line would stop every later take.
    if (line.contains('\0')) {
        return std::nullopt;
    }
    const QStringList fields =
        QString::fromUtf8(line).remove(QLatin1Char('\r')).split(QLatin1Char(','));
    if (fields.size() < 3) {
        return std::nullopt; // a name without its coordinate
    }
    const std::optional<double> latitude = Degrees(fields[1], 90);
    const std::optional<double> longitude = Degrees(fields[2], 180);
    if (!latitude || !longitude) {
        return std::nullopt;
    }
    return MarkedPoint{fields[0], *latitude, *longitude};
}

} // namespace

clsPoiPickup::clsPoiPickup(const QString& programFolder) : m_programFolder(programFolder) {}

QString clsPoiPickup::PickupPath() const {
    return modPrivate::ProgramPath(m_programFolder, PickupName);
}

QString clsPoiPickup::TakingPath() const {
    return modPrivate::ProgramPath(m_programFolder, TakingName);
}

QString clsPoiPickup::RejectsPath() const {
    return PickupPath() + RejectsSuffix;
}

clsPoiPickup::Result clsPoiPickup::Take(clsDBLib& db) const {
    Result result;
    const QString taking = TakingPath();
    if (QFile::exists(taking)) {
        result.Found = true;
        if (!TakeFile(taking, db, result)) {
            return result;
        }
    }
    const QString pickup = PickupPath();
    if (QFile::exists(pickup)) {
        result.Found = true;
        if (!QFile::rename(pickup, taking)) {
            result.Error = QFile(pickup).errorString();
            return result;
        }
        TakeFile(taking, db, result);
    }
    if (result.Rejected > 0) {
        result.Rejection =
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::PickupLinesRejected)
                .arg(result.Rejected)
                .arg(QDir::toNativeSeparators(PickupPath()),
                     QDir::toNativeSeparators(RejectsPath()));
    }
    return result;
}

bool clsPoiPickup::TakeFile(const QString& path, clsDBLib& db, Result& result) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.Error = file.errorString();
        return false;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QByteArray rejected;
    int rejectedLines = 0;
    try {
        for (const QByteArray& bytes : lines) {
            if (HoldsNothing(bytes)) {
                continue;
            }
            const auto point = PointOf(bytes);
            if (!point) {
                rejected += (bytes.endsWith('\r') ? bytes.chopped(1) : bytes) + "\r\n";
                ++rejectedLines;
                continue;
            }
            bool absent = false;
            db.SearchCoordinate(point->Name, absent);
            if (absent) {
                db.InsertCoordinate(point->Longitude, point->Latitude, QStringLiteral("1"),
                                    point->Name);
                ++result.Inserted;
            }
        }
    } catch (const clsStationError& error) {
        result.Error = error.Message();
        return false;
    }
    // Kept after the points are stored: a take that cannot keep them is repeated, and the
    // points it stored are then found by name.
    if (!rejected.isEmpty()) {
        result.Error = KeepRejected(rejected);
        if (!result.Error.isEmpty()) {
            return false;
        }
        result.Rejected += rejectedLines;
    }
    modPrivate::KillFile(path);
    return true;
}

QString clsPoiPickup::KeepRejected(const QByteArray& lines) const {
    QFile file(RejectsPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(lines) != lines.size() ||
        !file.flush()) {
        return QDir::toNativeSeparators(RejectsPath()) + QStringLiteral(": ") + file.errorString();
    }
    return {};
}

QString clsPoiPickup::AppendPoint(const QString& name, double latitude, double longitude) const {
    QString kept;
    for (QChar c : name) {
        if (c != QLatin1Char(',') && !modPrivate::IsControlCharacter(c)) {
            kept += c;
        }
    }
    kept = kept.trimmed();
    if (kept.isEmpty()) {
        return modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::MarkNeedsName);
    }
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90 ||
        std::fabs(longitude) > 180) {
        return modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::MarkNoCoordinate);
    }
    const QByteArray line = kept.toUtf8() + ',' +
                            modPrivate::NumberText(latitude, CoordinateDigits).toLatin1() + ',' +
                            modPrivate::NumberText(longitude, CoordinateDigits).toLatin1() + "\r\n";
    QFile file(PickupPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() ||
        !file.flush()) {
        return modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::MarkUnwritable)
            .arg(file.errorString());
    }
    return {};
}
