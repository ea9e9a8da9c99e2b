#include "tracking/clsReceiverState.h"

#include "shell/modPrivate.h"
#include "tracking/clsTalkerLock.h"

namespace {

// Field 2 of an RMC sentence.
QStringView StatusField(QStringView sentence) {
    qsizetype start = 0;
    for (int field = 0; field < 2; ++field) {
        start = sentence.indexOf(u',', start);
        if (start < 0) {
            return {};
        }
        ++start;
    }
    const qsizetype end = sentence.indexOf(u',', start);
    return sentence.sliced(start, (end < 0 ? sentence.size() : end) - start);
}

} // namespace

void clsReceiverState::Reset() {
    *this = clsReceiverState();
}

void clsReceiverState::CountLine(QStringView line, bool checksumAgrees) {
    if (line.isEmpty()) {
        return;
    }
    ++m_lines;
    const bool sentence =
        (line.startsWith(u'$') || line.startsWith(u'!')) && line.contains(u'*') && checksumAgrees;
    m_badChecksums += line.contains(u'*') && !checksumAgrees ? 1 : 0;
    m_sentenceSeen = m_sentenceSeen || sentence;
    m_rmcSeen = m_rmcSeen || (sentence && !clsTalkerLock::RmcTalker(line).isEmpty());
}

void clsReceiverState::CountTaken(QStringView sentence, const QString& talker,
                                  const QDateTime& arrived) {
    ++m_taken;
    m_talker = talker;
    m_lastTakenValid = StatusField(sentence) == u"A";
    if (m_lastTakenValid) {
        m_lastFix = arrived;
    } else {
        ++m_voidFixes;
    }
}

clsReceiverState::Stage clsReceiverState::CurrentStage() const {
    if (m_lastTakenValid) {
        return Stage::Fix;
    }
    if (m_taken > 0 || m_rmcSeen) {
        return Stage::NoFix;
    }
    if (m_sentenceSeen) {
        return Stage::NoRmc;
    }
    return m_dataSeen ? Stage::NoSentence : Stage::NoData;
}

QString clsReceiverState::PanelText(const clsProfileText& language, const QDateTime& now) const {
    const auto text = [&language](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code);
    };
    switch (CurrentStage()) {
    case Stage::NoData:
        return text(modKeys::Messages::NoDataYet);
    case Stage::NoSentence:
        return text(modKeys::Messages::NoCompleteSentence);
    case Stage::NoRmc:
        return text(modKeys::Messages::NoPositionSentence);
    case Stage::NoFix:
        return text(modKeys::Messages::NoFix);
    case Stage::Fix:
        break;
    }
    const qint64 seconds = qMax<qint64>(0, m_lastFix.secsTo(now));
    return text(modKeys::Messages::FixAgo).arg(seconds).arg(m_talker);
}

QString clsReceiverState::CountsText(const clsProfileText& language) const {
    return modPrivate::ReadLanguage(language, modKeys::Messages::ReceiverCounts)
        .arg(m_lines)
        .arg(m_taken)
        .arg(m_badChecksums)
        .arg(m_voidFixes)
        .arg(m_ignored);
}
