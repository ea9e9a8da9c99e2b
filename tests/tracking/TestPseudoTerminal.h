#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

// A pseudo-terminal pair standing in for a receiver: the test writes to the master
// side what a receiver would send, and the station opens the slave as its port.
class TestPseudoTerminal {
public:
    TestPseudoTerminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
        }
    }
    ~TestPseudoTerminal() { CloseMaster(); }
    TestPseudoTerminal(const TestPseudoTerminal&) = delete;
    TestPseudoTerminal& operator=(const TestPseudoTerminal&) = delete;

    QString SlavePath() const { return m_slavePath; }

    bool Write(const QByteArray& bytes) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + sent, bytes.size() - sent);
            if (n <= 0) {
                return false;
            }
            sent += n;
        }
        return true;
    }

    // The receiver goes away, as when its cable is pulled.
    void CloseMaster() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    QString m_slavePath;
};

// Writes a settings file into folder whose section "Ports" maps port portNumber to
// device, followed by extra lines.
inline bool WritePortSettings(const QString& folder, int portNumber, const QString& device,
                              const QByteArray& extra = QByteArray()) {
    QFile file(QDir(folder).filePath(QStringLiteral("vendrel.ini")));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("[Ports]\r\nCOM" + QByteArray::number(portNumber) + '=' + device.toLocal8Bit() +
               "\r\n" + extra);
    return true;
}
