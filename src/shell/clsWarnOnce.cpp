#include "shell/clsWarnOnce.h"

bool clsWarnOnce::Warn(const QString& key) {
    if (m_outstanding == key) {
        return false;
    }
    m_outstanding = key;
    return true;
}

bool clsWarnOnce::Clear() {
    const bool was = m_outstanding.has_value();
    m_outstanding.reset();
    return was;
}
