#pragma once

#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

// A pseudo-terminal standing in for a receiver: the test writes to the master what a
// receiver would send, and the station opens the slave as its port.
class TestPseudoTerminal {
public:
    TestPseudoTerminal() : m_master(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
        }
    }
    ~TestPseudoTerminal() { CloseMaster(); }
    TestPseudoTerminal(const TestPseudoTerminal&) = delete;
    TestPseudoTerminal& operator=(const TestPseudoTerminal&) = delete;

    QString SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }

    // The tests write little at a time; a partial write fails rather than being retried.
    bool Write(const QByteArray& bytes) {
        return ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
    }

    // The receiver goes away, as when its cable is pulled.
    void CloseMaster() { ::close(std::exchange(m_master, -1)); }

private:
    int m_master;
    QString m_slavePath;
};
