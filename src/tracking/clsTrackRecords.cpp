#include "tracking/clsTrackRecords.h"

PositionFix clsTrackRecords::At(qsizetype index) const {
    return index >= 0 && index < m_fixes.size() ? m_fixes[index] : PositionFix{};
}

void clsTrackRecords::Append(const PositionFix& fix) {
    m_fixes.append(fix);
}

void clsTrackRecords::Clear() {
    m_fixes.clear();
}

void clsTrackRecords::Reserve(qsizetype count) {
    m_fixes.reserve(count);
}
