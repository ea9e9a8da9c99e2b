#include "tracking/clsHistoryLog.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"
#include "tracking/clsDiskFlusher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

const QString FolderName = QStringLiteral("export");

// "|" and line ends cannot stand inside a field without breaking the line format.
QByteArray FieldText(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('|', QByteArray()).replace('\r', QByteArray()).replace('\n', QByteArray());
    return bytes;
}

// A record is never longer than this. A longer last line without a line end is text the
// station did not write, and it stays.
constexpr qint64 MaxTornTail = 64 * 1024; // bytes

// Where the next record goes: after the file's last line end (a carriage return, with the
// line feed that may follow it). A power cut can leave a record without its line end; that
// fragment is never a record, and the next record must neither join it nor turn it into a
// line of its own, so it is cut off. -1 when the file ends in a line too long to be a
// torn record.
qint64 EndOfWholeLines(QFile& file) {
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - MaxTornTail - 2);
    const qint64 lastTwo = std::max<qint64>(from, size - 2);
    const auto endsWholly = [](const QByteArray& bytes) {
        return bytes.isEmpty() || bytes.endsWith('\r') || bytes.endsWith("\r\n");
    };
    if (!file.seek(lastTwo) || endsWholly(file.read(size - lastTwo)) || !file.seek(from)) {
        return size;
    }
    const QByteArray tail = file.read(size - from);
    const qsizetype lastReturn = tail.lastIndexOf('\r');
    if (lastReturn < 0) {
        return from == 0 ? 0 : -1;
    }
    const qsizetype after = lastReturn + 1;
    return from + after + (after < tail.size() && tail[after] == '\n' ? 1 : 0);
}

// A full disk takes what fits and refuses the rest; the platform tells why only for a
// write that took nothing, so the rest is offered again until one does.
bool WriteWhole(QFile& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

clsHistoryLog::clsHistoryLog(const QString& programFolder, Clock clock)
    : m_programFolder(programFolder), m_clock(std::move(clock)),
      m_flusher(std::make_shared<clsDiskFlusher>()) {}

clsHistoryLog::Clock clsHistoryLog::SharedClock(Clock clock) {
    auto shared = std::make_shared<Clock>(std::move(clock));
    return [shared] { return (*shared)(); };
}

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
    if (QFileInfo(folder).isDir()) {
        return;
    }
    if (!QDir().mkpath(folder)) {
        Fail(modKeys::Messages::HistoryFolderNotMade, folder);
    }
    m_flusher->QueueFolder(QFileInfo(folder).absolutePath());
}

void clsHistoryLog::Append(const PositionFix& fix) const {
    // Unbuffered, so that nothing of a failed write is left to reach the file later.
    QFile file(PathForMonth(m_programFolder, m_clock().date()));
    const bool made = !file.exists();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        Fail(modKeys::Messages::HistoryLogNotOpened, file.fileName(), file.errorString());
    }
    qint64 before = EndOfWholeLines(file);
    QByteArray bytes = RecordText(fix);
    if (before < 0) {
        before = file.size();
        bytes.prepend("\r\n");
    }
    const bool written = (before == file.size() || file.resize(before)) && file.seek(before) &&
                         WriteWhole(file, bytes);
    if (!written) {
        // A full disk can take part of the record: cut it off again, so that the file
        // ends with whole records.
        const QString reason = file.errorString();
        file.resize(before);
        Fail(modKeys::Messages::HistoryLogNotWritten, file.fileName(), reason);
    }
    m_flusher->QueueFile(file.handle(), file.fileName());
    if (made) {
        // A new file's name lies in its folder: without the folder's flush a power cut
        // could lose the whole month's log.
        m_flusher->QueueFolder(QFileInfo(file.fileName()).absolutePath());
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        Fail(modKeys::Messages::HistoryLogNotWritten, file.fileName(), file.errorString());
    }
}

QString clsHistoryLog::TakeFlushProblem() const {
    const QString problem = m_flusher->TakeProblem();
    return problem.isEmpty()
               ? problem
               : modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::HistoryLogNotFlushed)
                     .arg(problem);
}

void clsHistoryLog::WaitUntilFlushed() const {
    m_flusher->WaitUntilFlushed();
}

void clsHistoryLog::Fail(const LanguageCode& message, const QString& path,
                         const QString& reason) const {
    const QString text = modPrivate::ReadLanguage(m_programFolder, message);
    const QString where = QDir::toNativeSeparators(path);
    throw clsStationError(reason.isNull() ? text.arg(where) : text.arg(where, reason));
}
