#pragma once

// Pieces of generated receiver sentences, shared by the benchmarks.

#include <QByteArray>
#include <cstdio>

// "$" + body + "*" + the checksum in two upper-case hex digits + CR LF.
inline QByteArray WithChecksum(const QByteArray& body) {
    unsigned sum = 0;
    for (const char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return '$' + body + tail;
}

// ddmm.mmmm (latitude) or dddmm.mmmm (longitude) from ten-thousandths of a minute.
inline QByteArray Angle(long long units, int degreeDigits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degreeDigits, units / 600000,
                  units % 600000 / 10000, units % 10000);
    return text;
}
