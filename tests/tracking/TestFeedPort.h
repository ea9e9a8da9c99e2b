#pragma once

#include "tracking/ISerialPort.h"

#include <QByteArray>
#include <utility>

// A port that hands the receiver exactly the bytes the test feeds it, each feed as one
// arrival: for whole captures, where the timing of a pseudo-terminal adds nothing.
class TestFeedPort : public ISerialPort {
public:
    void Open(int, const QString&) override { m_open = true; }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    QString ReadAll() override { return QString::fromLatin1(std::exchange(m_pending, {})); }

    void Feed(const QByteArray& bytes) {
        m_pending += bytes;
        emit DataArrived();
    }

private:
    bool m_open = false;
    QByteArray m_pending;
};
