#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

class clsProfileText;

// What the receiver has sent since its port opened, told so that an operator can tell no
// data from data at the wrong line setting, from sentences without a position, from a
// receiver without a fix: the stage reached and the counts behind it.
class clsReceiverState {
public:
    enum class Stage {
        NoData,     // nothing has arrived
        NoSentence, // characters, but no line that is a sentence with a checksum that agrees
        NoRmc,      // sentences, but no RMC of any talker
        NoFix,      // RMC sentences, but the last one taken reports no fix, or none was taken
        Fix,        // the last RMC taken reports a fix (status "A")
    };

    // The state of a port opened afresh: nothing seen, every count 0.
    void Reset();

    // characters (at least one) arrived.
    void CountData() { m_dataSeen = true; }
    // A complete line; checksumAgrees is false when it carries a checksum that is wrong.
    void CountLine(QStringView line, bool checksumAgrees);
    // An RMC sentence was handed on to the decoder at arrived, sent by talker ("GP", ...).
    void CountTaken(QStringView sentence, const QString& talker, const QDateTime& arrived);
    // The RMC sentences not handed on so far (another talker's, a run cut short).
    void SetIgnored(qint64 count) { m_ignored = count; }

    Stage CurrentStage() const;
    qint64 Lines() const { return m_lines; }
    qint64 Taken() const { return m_taken; }
    qint64 BadChecksums() const { return m_badChecksums; }
    qint64 VoidFixes() const { return m_voidFixes; }
    qint64 Ignored() const { return m_ignored; }
    // Whether an RMC with a fix was taken since the opening.
    bool FixSeen() const { return m_lastFix.isValid(); }
    // The talker of the last RMC taken, or empty.
    const QString& Talker() const { return m_talker; }

    // The stage in words for the status bar; "fix N s ago" counts whole seconds from the
    // last fix to now.
    QString PanelText(const clsProfileText& language, const QDateTime& now) const;
    // The counts in words, for the panel's tooltip.
    QString CountsText(const clsProfileText& language) const;

private:
    bool m_dataSeen = false;
    bool m_sentenceSeen = false;
    bool m_rmcSeen = false;
    bool m_lastTakenValid = false;
    QDateTime m_lastFix; // arrival of the last RMC taken with status "A"
    QString m_talker;
    qint64 m_lines = 0;
    qint64 m_taken = 0;
    qint64 m_badChecksums = 0;
    qint64 m_voidFixes = 0;
    qint64 m_ignored = 0;
};
