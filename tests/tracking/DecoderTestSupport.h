#pragma once

// Helpers shared by the decoding and history log tests.

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <functional>

namespace DecoderTestSupport {

// "$" + body + "*" + the two upper-case hex digits of the XOR of body's characters.
inline QString WithChecksum(const QString& body) {
    unsigned sum = 0;
    for (const QChar c : body) {
        sum ^= c.unicode();
    }
    return QLatin1Char('$') + body + QLatin1Char('*') +
           QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

// A clock that gives the listed local times ("yyyy-MM-dd HH:mm:ss.zzz") one per call and
// then stays at the last one. Its place in the list is its own: a copy counts apart.
inline std::function<QDateTime()> ListedClock(const QStringList& moments) {
    return [moments, next = qsizetype(0)]() mutable {
        const QString& at = moments.at(std::min(next++, moments.size() - 1));
        return QDateTime::fromString(at, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    };
}

// Every digit of a double: QCOMPARE of doubles is fuzzy, these comparisons must be exact.
inline QString Exact(double v) {
    return QString::number(v, 'g', 17);
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace DecoderTestSupport
