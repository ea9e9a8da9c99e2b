#pragma once

// Helpers shared by the decoding and history log tests.

#include "tracking/clsTrackRecorder.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>

// "$" + body + "*" + the two upper-case hex digits of the XOR of body's characters.
inline QString WithChecksum(const QString& body) {
    unsigned sum = 0;
    for (const QChar c : body) {
        sum ^= c.unicode();
    }
    return '$' + body + '*' + QString::number(sum, 16).rightJustified(2, '0').toUpper();
}

// Every digit of a double: QCOMPARE of doubles is fuzzy, these comparisons must be exact.
inline QString Exact(double v) {
    return QString::number(v, 'g', 17);
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A recorder beneath a fresh program folder whose clock gives the listed local times
// ("yyyy-MM-dd HH:mm:ss.zzz") one per call, then stays at the last one.
struct Station {
    explicit Station(const QStringList& moments = {"2009-02-18 13:45:10.000"})
        : recorder(folder.path(), [moments, next = qsizetype(0)]() mutable {
              return QDateTime::fromString(moments.at(std::min(next++, moments.size() - 1)),
                                           "yyyy-MM-dd HH:mm:ss.zzz");
          }) {}
    QString Path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    clsTrackRecorder recorder;
};
