#pragma once

#include "tracking/PositionFix.h"

#include <QList>

// The main window's track: the recorded fixes, indexed from 0, in the order they were
// recorded or fetched. Past the last fix stands one empty spare element, so that
// At(Count()) is valid and holds no position.
class clsTrackRecords {
public:
    // The number of fixes, which is also the index of the spare element.
    qsizetype Count() const { return m_fixes.size(); }
    // The fix at index 0 to Count() - 1, or the empty spare at Count().
    PositionFix At(qsizetype index) const;
    void Append(const PositionFix& fix);
    void Clear();
    void Reserve(qsizetype count);

private:
    QList<PositionFix> m_fixes;
};
