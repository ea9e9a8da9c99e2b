#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair whose slave side stands in for the receiver's serial device.
// The pair lives as long as this object holds the master side, whoever opens and
// closes the slave meanwhile. Output goes out only while some program has the slave
// open: a receiver's sentences on an unconnected cable are lost, and a station that
// connects later must not be handed a backlog of old positions.
class clsPseudoTerminal {
public:
    clsPseudoTerminal() = default;
    ~clsPseudoTerminal();
    clsPseudoTerminal(const clsPseudoTerminal&) = delete;
    clsPseudoTerminal& operator=(const clsPseudoTerminal&) = delete;

    // Creates the pair and makes the slave raw; false with a message in error.
    bool Create(QString& error);
    // The device path of the slave, such as /dev/pts/3.
    QString SlavePath() const { return m_slavePath; }
    // Whether some program has the slave open.
    bool HasReader() const;

    // Sends bytes as the receiver's output, or drops them while nobody has the slave
    // open or the reader takes nothing for a second. Returns false only when a signal
    // interrupted the wait for room.
    bool Send(const QByteArray& bytes);

private:
    int m_master = -1;
    QString m_slavePath;
};
