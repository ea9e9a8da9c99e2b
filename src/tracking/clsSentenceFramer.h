#pragma once

#include <QString>
#include <QStringView>
#include <functional>

// Cuts the characters arriving from the receiver into lines at carriage returns and
// hands over the complete lines that are "$GPRMC" sentences. Line feeds are dropped
// on arrival, so lines ended by a line feed alone run together until a carriage
// return comes. Text after the last carriage return waits in ReceiveBuffer for the
// next arrival, across closing and reopening the port.
class clsSentenceFramer {
public:
    // A device that never sends a carriage return would grow the buffer without end;
    // only the newest characters are kept (a sentence is at most 82 characters).
    static constexpr qsizetype MaxBufferLength = 64 * 1024; // characters

    using SentenceSink = std::function<void(QStringView sentence)>;

    // Adds input and calls onSentence for each complete "$GPRMC" line, in order. The
    // view is valid only during the call. onSentence may append again.
    void Append(QStringView input, const SentenceSink& onSentence);

    // A complete line is handed over when it starts with exactly "$GPRMC" and holds
    // a "*"; the checksum is not verified.
    static bool IsPositionSentence(QStringView line);

    const QString& ReceiveBuffer() const { return m_receiveBuffer; }

private:
    void AppendWithoutLineFeeds(QStringView input);
    void KeepNewest();

    QString m_receiveBuffer;
};
