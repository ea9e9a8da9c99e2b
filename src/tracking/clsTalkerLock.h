#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

// Which talker's RMC sentences a link follows. A "$GPRMC" is always taken and locks the
// link to GP until the port is opened afresh. Before any "$GPRMC" an RMC of another
// satellite system's talker (GN, GA, GB, BD, GL, GQ, GI) is held back; three of one such
// talker in a row lock the link to it and are handed on in order with the times they
// arrived. So a receiver that sends only "$GNRMC" is followed, and one that also sends
// "$GPRMC" ends up following GP alone.
class clsTalkerLock {
public:
    // An RMC sentence to decode, with the local time at which it arrived.
    struct Arrival {
        QString Sentence;
        QDateTime Arrived;

        bool operator==(const Arrival&) const = default;
    };

    // Sentences of a talker other than GP needed in a row to lock the link to it.
    static constexpr int RunToLock = 3;

    // The talker of an RMC sentence ("GP", "GN", ...): a line that starts with "$", two
    // upper-case letters and "RMC" and holds a "*"; the empty text for any other line.
    static QString RmcTalker(QStringView line);
    // Whether line is an RMC sentence of any talker, as RmcTalker tells, without the text.
    static bool IsRmc(QStringView line);

    // Offers one line that arrived at arrived (local time). Returns the sentences to
    // decode now, in order: none (not an RMC, held back or of another talker), the
    // sentence itself, or the held run that this sentence completes. Changes only the
    // lock's own state.
    QList<Arrival> Offer(QStringView line, const QDateTime& arrived);

    // The state of a port opened afresh: nothing locked, nothing held.
    void Reset();

    // The talker followed ("GP", "GN", ...), or the empty text before the link is locked.
    const QString& Talker() const { return m_talker; }
    // RMC sentences that were not handed on (another talker than the one locked, a run
    // cut short by another talker or by "$GPRMC"), since the last Reset.
    qint64 IgnoredCount() const { return m_ignored; }

private:
    static bool IsOtherSystem(QStringView talker);
    QList<Arrival> Hold(QStringView line, const QString& talker, const QDateTime& arrived);

    QString m_talker;
    QList<Arrival> m_held; // the current run of one talker, before the link is locked
    QString m_heldTalker;
    qint64 m_ignored = 0;
};
