#pragma once

#include "tracking/PositionFix.h"

#include <QList>
#include <QString>
#include <utility>

// The content of one row of the track list: the item and its keyed sub-items.
struct FixRow {
    QString Key;                                 // "#" followed by the record index
    QString Text;                                // record index + 1
    QList<std::pair<QString, QString>> SubItems; // (key, text) in column order

    // The row that shows the record at index of the track; speedUnit follows the speed.
    static FixRow FromFix(qsizetype index, const PositionFix& fix, const QString& speedUnit);
};
