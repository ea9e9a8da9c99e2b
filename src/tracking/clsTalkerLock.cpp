#include "tracking/clsTalkerLock.h"

#include <array>
#include <utility>

namespace {

const QString GlobalPositioning = QStringLiteral("GP");

bool IsUpperLetter(QChar c) {
    return c.unicode() >= u'A' && c.unicode() <= u'Z';
}

} // namespace

QString clsTalkerLock::RmcTalker(QStringView line) {
    return IsRmc(line) ? line.sliced(1, 2).toString() : QString();
}

bool clsTalkerLock::IsRmc(QStringView line) {
    return line.size() >= 6 && line[0] == u'$' && IsUpperLetter(line[1]) &&
           IsUpperLetter(line[2]) && line.sliced(3, 3) == u"RMC" && line.contains(u'*');
}

bool clsTalkerLock::IsOtherSystem(QStringView talker) {
    static constexpr std::array<QStringView, 7> Talkers = {u"GN", u"GA", u"GB", u"BD",
                                                           u"GL", u"GQ", u"GI"};
    for (const QStringView known : Talkers) {
        if (talker == known) {
            return true;
        }
    }
    return false;
}

QList<clsTalkerLock::Arrival> clsTalkerLock::Offer(QStringView line, const QDateTime& arrived) {
    const QString talker = RmcTalker(line);
    if (talker.isEmpty()) {
        return {};
    }
    if (talker == GlobalPositioning) {
        m_ignored += m_held.size();
        m_held.clear();
        m_heldTalker.clear();
        m_talker = GlobalPositioning;
        return {Arrival{line.toString(), arrived}};
    }
    if (!IsOtherSystem(talker)) {
        ++m_ignored;
        return {};
    }
    if (m_talker.isEmpty()) {
        return Hold(line, talker, arrived);
    }
    if (talker == m_talker) {
        return {Arrival{line.toString(), arrived}};
    }
    ++m_ignored;
    return {};
}

QList<clsTalkerLock::Arrival> clsTalkerLock::Hold(QStringView line, const QString& talker,
                                                  const QDateTime& arrived) {
    if (talker != m_heldTalker) {
        m_ignored += m_held.size();
        m_held.clear();
        m_heldTalker = talker;
    }
    m_held.append(Arrival{line.toString(), arrived});
    if (m_held.size() < RunToLock) {
        return {};
    }
    m_talker = talker;
    m_heldTalker.clear();
    return std::exchange(m_held, {});
}

void clsTalkerLock::Reset() {
    m_talker.clear();
    m_held.clear();
    m_heldTalker.clear();
    m_ignored = 0;
}
