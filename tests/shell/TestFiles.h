#pragma once

// Whole files for the tests, a disk that fills up on demand, and the station's errors.

#include "shell/clsStationError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>

// The file's bytes; an empty array when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes as the whole file, making its folder first.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// The message of the clsStationError that act throws; "" when it throws none.
template <class Act> QString ErrorOf(Act act) {
    try {
        act();
    } catch (const clsStationError& error) {
        return error.Message();
    }
    return {};
}

// While it lives, a write beyond limit bytes fails as on a full disk (0: no limit).
struct FileSizeLimit {
    rlimit Saved{};
    void (*Handler)(int);

    explicit FileSizeLimit(rlim_t limit) : Handler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &Saved);
        const rlimit lowered{limit > 0 ? limit : Saved.rlim_cur, Saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, Handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};
