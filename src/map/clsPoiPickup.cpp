#include "map/clsPoiPickup.h"

#include "poi/clsDBLib.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <optional>

namespace {

const QLatin1String PickupName("poi.txt");
const QLatin1String TakingName("poi-taking.txt");
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

bool IsLineBreak(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0x0B) ||
           c == QChar(0x0C) || c == QChar(0x85) || c == QChar(0x2028) || c == QChar(0x2029);
}

} // namespace

clsPoiPickup::clsPoiPickup(const QString& programFolder) : m_programFolder(programFolder) {}

QString clsPoiPickup::PickupPath() const {
    return modPrivate::ProgramPath(m_programFolder, PickupName);
}

QString clsPoiPickup::TakingPath() const {
    return modPrivate::ProgramPath(m_programFolder, TakingName);
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
    try {
        for (const QByteArray& bytes : lines) {
            // A power cut can leave a block of zeros in the file, and the database takes no
            // name that holds one: the line would stop every later take.
            if (bytes.contains('\0')) {
                continue;
            }
            const QStringList fields =
                QString::fromUtf8(bytes).remove(QLatin1Char('\r')).split(QLatin1Char(','));
            if (fields.size() < 3) {
                continue; // an empty line, or a name without its coordinate
            }
            const std::optional<double> latitude = Degrees(fields[1], 90);
            const std::optional<double> longitude = Degrees(fields[2], 180);
            if (!latitude || !longitude) {
                continue;
            }
            bool absent = false;
            db.SearchCoordinate(fields[0], absent);
            if (absent) {
                db.InsertCoordinate(*longitude, *latitude, QStringLiteral("1"), fields[0]);
                ++result.Inserted;
            }
        }
    } catch (const clsStationError& error) {
        result.Error = error.Message();
        return false;
    }
    modPrivate::KillFile(path);
    return true;
}

QString clsPoiPickup::AppendPoint(const QString& name, double latitude, double longitude) const {
    QString kept;
    for (QChar c : name) {
        if (c != QLatin1Char(',') && !IsLineBreak(c)) {
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
