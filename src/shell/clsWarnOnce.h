#pragma once

#include <QString>
#include <optional>

// A warning that is shown once and not again until what it warns of has worked again, so
// that a fault repeated at every sentence or every tick does not stack one message on the
// other. The warnings are told apart by a key: another key is shown at once.
class clsWarnOnce {
public:
    // True when the warning with this key is to be shown now: none is outstanding, or one
    // with another key. It is outstanding from now on.
    bool Warn(const QString& key);
    // What it warns of works again: true when a warning was outstanding. None is
    // outstanding afterwards.
    bool Clear();

private:
    std::optional<QString> m_outstanding;
};
