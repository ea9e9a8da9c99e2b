#pragma once

// Receiver sentences for the tests and the benchmarks.

#include <QString>

// A sentence as a receiver sends it: "$" + body + "*" + the two upper-case hex digits of the
// XOR of body's characters.
inline QString Checksummed(const QString& body) {
    unsigned sum = 0;
    for (const QChar c : body) {
        sum ^= c.unicode();
    }
    return '$' + body + '*' + QString::number(sum, 16).rightJustified(2, '0').toUpper();
}
