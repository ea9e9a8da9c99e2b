#pragma once

// Pieces of generated receiver sentences, shared by the benchmarks.

#include "tracking/TestSentences.h"

#include <QByteArray>
#include <cstdio>

// A sentence as the receiver sends it, ended by CR LF.
inline QByteArray WithChecksum(const QByteArray& body) {
    return Checksummed(QString::fromLatin1(body)).toLatin1() + "\r\n";
}

// ddmm.mmmm (latitude) or dddmm.mmmm (longitude) from ten-thousandths of a minute.
inline QByteArray Angle(long long units, int degreeDigits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degreeDigits, units / 600000,
                  units % 600000 / 10000, units % 10000);
    return text;
}
