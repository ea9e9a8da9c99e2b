#include "clsNmeaLog.h"

#include <QFile>

bool clsNmeaLog::Load(const QString& path, QList<QByteArray>& bursts, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    bursts = Split(file.readAll());
    return true;
}

QList<QByteArray> clsNmeaLog::Split(const QByteArray& text) {
    QList<QByteArray> bursts;
    QByteArray burst;
    bool burstHasFix = false;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (StartsBurst(line)) {
            if (burstHasFix) {
                bursts.append(burst);
                burst.clear();
            }
            burstHasFix = true;
        }
        burst.append(line).append("\r\n");
    }
    if (!burst.isEmpty()) {
        bursts.append(burst);
    }
    return bursts;
}

bool clsNmeaLog::StartsBurst(const QByteArray& line) {
    return line.size() >= 6 && line.at(0) == '$' && line.mid(3, 3) == "RMC";
}
