#pragma once

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// A TCP port that nothing listens on right now.
inline quint16 FreeTcpPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// The receiver simulator playing a capture into a pseudo-terminal, reached through link.
class TestSimulator {
public:
    bool Start(const QString& capture, const QString& link, double speed) {
        m_process.start(STATION_BUILD_DIR "/station/gps-simulator",
                        {capture, "--speed", QString::number(speed), "--link", link});
        return m_process.waitForReadyRead(5000);
    }
    // The receiver goes away: the simulator ends and its link with it.
    void Stop() {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    ~TestSimulator() { Stop(); }

private:
    QProcess m_process;
};

// The real gpsd, serving one device on a free port of the loopback address only, with
// its control socket in a folder of its own: never the system's daemon.
class TestGpsd {
public:
    // port 0: a free one.
    bool Start(const QString& device, quint16 port = 0) {
        m_port = port != 0 ? port : FreeTcpPort();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("gpsd", {"-N", "-n", "-S", QString::number(m_port), "-F",
                                 m_folder.filePath("gpsd.sock"), device});
        if (!m_process.waitForStarted(5000)) {
            return false;
        }
        // Ready when it accepts a connection.
        for (int attempt = 0; attempt < 100; ++attempt) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(100)) {
                return true;
            }
            QTest::qWait(50);
        }
        return false;
    }
    ~TestGpsd() {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    quint16 Port() const { return m_port; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
};
