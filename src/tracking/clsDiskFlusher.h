#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Flushes written files to the disk on a thread of its own. A flush waits for the disk,
// which on slow storage takes far longer than the write that put the bytes in the
// system's cache; the window's thread only writes, and the bytes it wrote are already
// safe from the end of the process (a crash, kill -9), only not yet from a power cut.
class clsDiskFlusher {
public:
    clsDiskFlusher();
    // Flushes what is queued, then ends the thread.
    ~clsDiskFlusher();
    clsDiskFlusher(const clsDiskFlusher&) = delete;
    clsDiskFlusher& operator=(const clsDiskFlusher&) = delete;

    // Queues a flush of the file open as handle, which the caller may close at once (the
    // flush keeps a duplicate). path names the file in a problem.
    void QueueFile(int handle, const QString& path);
    // Queues a flush of the folder path, so that a file newly made in it is found after a
    // power cut. Does nothing where folders cannot be flushed.
    void QueueFolder(const QString& path);
    // Returns once everything queued before the call has been flushed.
    void WaitUntilFlushed();
    // Why a flush failed since the last call ("path: description"), then forgets it; empty
    // when none failed.
    QString TakeProblem();

private:
    struct Pending {
        int Handle;
        QString Path;
    };

    void Queue(int handle, const QString& path);
    void Run();
    void FlushAll(const std::vector<Pending>& batch);

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Pending> m_pending;
    qint64 m_queued = 0;  // flushes queued so far
    qint64 m_flushed = 0; // of those, the ones done
    bool m_ending = false;
    QString m_problem;
    std::thread m_thread; // from the first flush on
};
