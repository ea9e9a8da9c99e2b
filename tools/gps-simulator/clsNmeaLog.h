#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A receiver capture cut into the bursts a receiver sends once per fix: each burst
// begins at a recommended-minimum sentence ("$GPRMC", or the same sentence of another
// talker such as "$GNRMC") and runs up to the next one; lines before the first one
// join the first burst. Comment lines ("#" first) and empty lines are left out, and
// every line is ended by CR LF, whatever ended it in the file.
class clsNmeaLog {
public:
    // The bursts of the file at path; false with a message in error when unreadable.
    static bool Load(const QString& path, QList<QByteArray>& bursts, QString& error);

    // The bursts of a capture's text.
    static QList<QByteArray> Split(const QByteArray& text);

private:
    static bool StartsBurst(const QByteArray& line);
};
