#include "clsPseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long a reader may leave the device full before the rest of a burst is dropped.
constexpr int ReadPatienceMs = 1000;

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

// A cooked terminal would turn the receiver's carriage returns into line feeds; the
// mode stays with the terminal after the slave is closed.
bool MakeRaw(const char* slave, QString& error) {
    const int fd = ::open(slave, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = SystemError("open slave");
        return false;
    }
    termios mode{};
    bool done = tcgetattr(fd, &mode) == 0;
    if (done) {
        cfmakeraw(&mode);
        done = tcsetattr(fd, TCSANOW, &mode) == 0;
    }
    if (!done) {
        error = SystemError("make slave raw");
    }
    ::close(fd);
    return done;
}

} // namespace

clsPseudoTerminal::~clsPseudoTerminal() {
    if (m_master >= 0) {
        ::close(m_master);
    }
}

bool clsPseudoTerminal::Create(QString& error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) {
        error = SystemError("posix_openpt");
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = SystemError("grantpt/unlockpt");
        return false;
    }
    const char* name = ptsname(m_master);
    if (name == nullptr) {
        error = SystemError("ptsname");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    // Opening and closing the slave once also makes the master report a hang-up for
    // as long as nobody has the slave open, which is how HasReader tells.
    return MakeRaw(name, error);
}

bool clsPseudoTerminal::HasReader() const {
    pollfd state{m_master, 0, 0};
    return ::poll(&state, 1, 0) >= 0 && (state.revents & POLLHUP) == 0;
}

bool clsPseudoTerminal::Send(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size() && HasReader()) {
        const ssize_t n = ::write(m_master, bytes.constData() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return true; // the reader went away while writing; a receiver would not notice
        }
        pollfd room{m_master, POLLOUT, 0};
        const int ready = ::poll(&room, 1, ReadPatienceMs);
        if (ready < 0 && errno == EINTR) {
            return false;
        }
        if (ready == 0) {
            return true;
        }
    }
    return true;
}
