#pragma once

// The storage beneath a folder, as the library storage_faults (loaded with LD_PRELOAD)
// makes it: full, slow or failing its flushes, with every write and flush traced.

#include "shell/TestFiles.h"

#include <QByteArray>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>
#include <unistd.h>

struct StorageFaults {
    // One traced call: "write", "fsync" or "fdatasync", the thread, the file.
    struct Call {
        QByteArray Operation;
        long Thread = 0;
        QString Path;
    };

    QTemporaryDir Control;

    // Faults reach the files beneath folder (an existing one), from now on.
    explicit StorageFaults(const QString& folder) {
        qputenv("STORAGE_FAULTS_DIR", QFile::encodeName(QFileInfo(folder).canonicalFilePath()));
        qputenv("STORAGE_FAULTS_CONTROL", QFile::encodeName(Control.path()));
        qputenv("STORAGE_FAULTS_TRACE", QFile::encodeName(TracePath()));
    }
    ~StorageFaults() {
        for (const char* name : {"STORAGE_FAULTS_DIR", "STORAGE_FAULTS_CONTROL", "STORAGE_FAULTS_TRACE"}) {
            qunsetenv(name);
        }
    }

    // Whether the library is loaded beneath this process.
    static bool Loaded() { return qgetenv("LD_PRELOAD").contains("storage_faults"); }

    QString TracePath() const { return Control.filePath("trace"); }
    // Writes value into the control file (see storage_faults.c); a null value removes it.
    bool Set(const char* control, const QByteArray& value) {
        const QString path = Control.filePath(QString::fromLatin1(control));
        return value.isNull() ? QFile::remove(path) : WriteFile(path, value + '\n');
    }
    QList<Call> Trace() const {
        QList<Call> calls;
        for (const QByteArray& line : ReadFile(TracePath()).split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3) {
                calls.append({parts[0], parts[1].toLong(), QFile::decodeName(parts[2])});
            }
        }
        return calls;
    }
    // The window's thread is the process's first.
    static long WindowThread() { return long(::getpid()); }
};
