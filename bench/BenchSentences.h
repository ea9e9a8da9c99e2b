#pragma once

// Pieces of generated receiver sentences, shared by the benchmarks.

#include "tracking/TestSentences.h"

#include <QByteArray>
#include <QString>
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

// Fix i of a drive that moves every second; every 50th fix is a receiver warning.
inline QString MovingSentence(long long i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02lld%02lld%02lld.00", i / 3600 % 24, i / 60 % 60, i % 60);
    char motion[32];
    std::snprintf(motion, sizeof motion, "%lld.%lld,%lld.%lld", i % 600 / 10, i % 10, i % 3600 / 10,
                  i % 10);
    // The framer hands a sentence on without its CR LF.
    return Checksummed(QString::fromLatin1(
        "GPRMC," + QByteArray(time) + (i % 50 == 0 ? ",V," : ",A,") +
        Angle(25LL * 600000 + 21234 + i * 7, 2) + ",N," +
        Angle(121LL * 600000 + 345678 + i * 11, 3) + ",E," + motion + ",180209,,,A"));
}
