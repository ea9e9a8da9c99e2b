#include "tracking/clsDiskFlusher.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

int Duplicate(int handle) {
#ifdef Q_OS_WIN
    return ::_dup(handle);
#else
    return ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
#endif
}

bool Flush(int handle) {
#ifdef Q_OS_WIN
    return ::_commit(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

QString Description(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

clsDiskFlusher::clsDiskFlusher() = default;

clsDiskFlusher::~clsDiskFlusher() {
    {
        const std::lock_guard guard(m_lock);
        m_ending = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void clsDiskFlusher::QueueFile(int handle, const QString& path) {
    const int duplicate = Duplicate(handle);
    if (duplicate < 0) {
        const std::lock_guard guard(m_lock);
        m_problem = QDir::toNativeSeparators(path) + QStringLiteral(": ") + Description(errno);
        return;
    }
    Queue(duplicate, path);
}

void clsDiskFlusher::QueueFolder(const QString& path) {
#ifndef Q_OS_WIN
    const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        const std::lock_guard guard(m_lock);
        m_problem = QDir::toNativeSeparators(path) + QStringLiteral(": ") + Description(errno);
        return;
    }
    Queue(handle, path);
#else
    Q_UNUSED(path);
#endif
}

void clsDiskFlusher::Queue(int handle, const QString& path) {
    {
        const std::lock_guard guard(m_lock);
        m_pending.push_back({handle, path});
        ++m_queued;
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { Run(); }); // a log never written needs none
        }
    }
    m_changed.notify_all();
}

void clsDiskFlusher::WaitUntilFlushed() {
    std::unique_lock guard(m_lock);
    const qint64 target = m_queued;
    m_changed.wait(guard, [&] { return m_flushed >= target; });
}

QString clsDiskFlusher::TakeProblem() {
    const std::lock_guard guard(m_lock);
    return std::exchange(m_problem, QString());
}

void clsDiskFlusher::Run() {
    std::unique_lock guard(m_lock);
    for (;;) {
        m_changed.wait(guard, [this] { return m_ending || !m_pending.empty(); });
        if (m_pending.empty()) {
            return; // ending, and nothing is left to flush
        }
        const std::vector<Pending> batch = std::exchange(m_pending, {});
        guard.unlock();
        FlushAll(batch);
        guard.lock();
        m_flushed += qint64(batch.size());
        m_changed.notify_all();
    }
}

// Every write of the batch was done before it was queued, so one flush of each file
// covers all of them: at ten records a second a slow disk is asked once, not ten times.
void clsDiskFlusher::FlushAll(const std::vector<Pending>& batch) {
    std::vector<std::pair<dev_t, ino_t>> done;
    for (const Pending& item : batch) {
        struct stat status {};
        const bool known = ::fstat(item.Handle, &status) == 0;
        const std::pair<dev_t, ino_t> file{status.st_dev, status.st_ino};
        if (!known || std::find(done.begin(), done.end(), file) == done.end()) {
            if (Flush(item.Handle)) {
                done.push_back(file);
            } else {
                const QString problem =
                    QDir::toNativeSeparators(item.Path) + QStringLiteral(": ") + Description(errno);
                const std::lock_guard guard(m_lock);
                m_problem = problem;
            }
        }
        ::close(item.Handle);
    }
}
