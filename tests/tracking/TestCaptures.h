#pragma once

// Real receiver captures: gpsd's test/daemon, which scripts/setup unpacks from Debian's
// gpsd source package into the build folder.

#include "shell/TestFiles.h"

#include <QByteArrayList>
#include <QString>

inline QString CapturePath(const QString& name) {
    return QStringLiteral(STATION_CAPTURES "/") + name;
}

// The capture's lines, cut at line feeds (line n is element n - 1); a line starting
// with "#" is a comment of the capture, not receiver output.
inline QByteArrayList CaptureLines(const QString& name) {
    return ReadFile(CapturePath(name)).split('\n');
}

// The $GPRMC sentences of a line as the framing hands them on: the pieces between
// carriage returns that start with "$GPRMC" and hold "*".
inline QByteArrayList PositionSentences(const QByteArray& line) {
    QByteArrayList sentences;
    if (line.startsWith('#')) {
        return sentences;
    }
    for (const QByteArray& piece : line.split('\r')) {
        if (piece.startsWith("$GPRMC") && piece.contains('*')) {
            sentences.append(piece);
        }
    }
    return sentences;
}
