#pragma once

#include <QString>
#include <QStringView>
#include <functional>

// Cuts the characters arriving from the receiver into lines at carriage returns and
// hands over every complete line that is not empty. Line feeds are dropped
// on arrival, so lines ended by a line feed alone run together until a carriage
// return comes. Text after the last carriage return waits in ReceiveBuffer for the
// next arrival, across closing and reopening the port.
class clsSentenceFramer {
public:
    // A device that never sends a carriage return would grow the buffer without end;
    // only the newest characters are kept (a sentence is at most 82 characters).
    static constexpr qsizetype MaxBufferLength = 64 * 1024; // characters

    using LineSink = std::function<void(QStringView line)>;

    // Adds input and calls onLine for each complete line that is not empty, in order. The
    // view is valid only during the call. onLine may append again.
    void Append(QStringView input, const LineSink& onLine);

    // Forgets the characters after the last carriage return: after a gap in the input
    // they cannot be continued by what comes next.
    void DropPartialLine() { m_receiveBuffer.clear(); }

    const QString& ReceiveBuffer() const { return m_receiveBuffer; }

private:
    void AppendWithoutLineFeeds(QStringView input);
    void KeepNewest();

    QString m_receiveBuffer;
};
