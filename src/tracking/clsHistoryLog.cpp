#include "tracking/clsHistoryLog.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString FolderName = QStringLiteral("export");

[[noreturn]] void Fail(const QString& message) {
    throw clsStationError(message);
}

// "|" and line ends cannot stand inside a field without breaking the line format.
QByteArray FieldText(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('|', QByteArray()).replace('\r', QByteArray()).replace('\n', QByteArray());
    return bytes;
}

// A record torn by a power cut leaves the file without its line end; the next record
// must not be joined to it.
bool EndsInsideLine(QFile& file) {
    const qint64 size = file.size();
    if (size == 0 || !file.seek(size - 1)) {
        return false;
    }
    char last = 0;
    return file.getChar(&last) && last != '\n';
}

bool SyncToDisk(QFile& file) {
    if (!file.flush()) {
        return false;
    }
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

clsHistoryLog::clsHistoryLog(const QString& programFolder, Clock clock)
    : m_programFolder(programFolder), m_clock(std::move(clock)) {}

QDateTime clsHistoryLog::SystemClock() {
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local QDateTime cached;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now / 1000 - (now % 1000 < 0 ? 1 : 0);
    if (second != cachedSecond) {
        cached = QDateTime::fromMSecsSinceEpoch(second * 1000);
        cachedSecond = second;
    }
    return cached;
}

QString clsHistoryLog::PathForMonth(const QString& programFolder, const QDate& day) {
    const QString name = QStringLiteral("%1/History-%2-%3.log")
                             .arg(FolderName)
                             .arg(day.year(), 4, 10, QLatin1Char('0'))
                             .arg(day.month(), 2, 10, QLatin1Char('0'));
    return modPrivate::ProgramPath(programFolder, name);
}

QByteArray clsHistoryLog::RecordText(const PositionFix& fix) {
    QByteArray record;
    record.reserve(96);
    record += FieldText(fix.FixTime) + '|';
    record += FieldText(fix.NorthSouth) + '|';
    record += modPrivate::NumberText(fix.Longitude, 15).toLatin1() + '|';
    record += FieldText(fix.EastWest) + '|';
    record += modPrivate::NumberText(fix.Latitude, 15).toLatin1() + '|';
    record += FieldText(fix.Status) + '|';
    record += modPrivate::NumberText(fix.Speed, 7).toLatin1() + '|';
    record += modPrivate::NumberText(fix.Direction, 7).toLatin1();
    record += "\r\r\n";
    return record;
}

void clsHistoryLog::EnsureFolder() const {
    const QString folder = modPrivate::ProgramPath(m_programFolder, FolderName);
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        Fail(QStringLiteral("The history folder %1 cannot be created.")
                 .arg(QDir::toNativeSeparators(folder)));
    }
}

void clsHistoryLog::Append(const PositionFix& fix) const {
    QFile file(PathForMonth(m_programFolder, m_clock().date()));
    const QString where = QDir::toNativeSeparators(file.fileName());
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        Fail(QStringLiteral("The history log %1 cannot be opened: %2")
                 .arg(where, file.errorString()));
    }
    QByteArray bytes = RecordText(fix);
    if (EndsInsideLine(file)) {
        bytes.prepend("\r\n");
    }
    if (file.write(bytes) != bytes.size() || !SyncToDisk(file)) {
        Fail(QStringLiteral("The history log %1 cannot be written: %2")
                 .arg(where, file.errorString()));
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        Fail(QStringLiteral("The history log %1 cannot be closed: %2")
                 .arg(where, file.errorString()));
    }
}
