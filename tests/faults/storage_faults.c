// Storage faults for the tests, loaded with LD_PRELOAD beneath the real program parts.
//
// Only files beneath $STORAGE_FAULTS_DIR are touched. Files in $STORAGE_FAULTS_CONTROL
// say what their storage does, read at every call so that a test can change it while the
// program runs:
//   free   the bytes that still fit: a write takes what fits and then fails with ENOSPC,
//          as a full disk does; the count goes down by what was written
//   delay  milliseconds that every write and flush of such a file takes
//   broken a flush fails with EIO
// With $STORAGE_FAULTS_TRACE set, every write and flush of such a file (a folder's flush
// too) appends "operation thread-id path" to that file.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

typedef ssize_t (*WriteFunction)(int, const void*, size_t);
typedef int (*FlushFunction)(int);

static pthread_mutex_t controlLock = PTHREAD_MUTEX_INITIALIZER;

static WriteFunction RealWrite(void) {
    static WriteFunction real;
    if (!real) {
        real = (WriteFunction)dlsym(RTLD_NEXT, "write");
    }
    return real;
}

static FlushFunction RealFlush(const char* name) {
    return (FlushFunction)dlsym(RTLD_NEXT, name);
}

// The path of fd when it lies beneath the folder under test.
static int WatchedPath(int fd, char* path, size_t size) {
    const char* folder = getenv("STORAGE_FAULTS_DIR");
    if (!folder || !*folder) {
        return 0;
    }
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, size - 1);
    if (length <= 0) {
        return 0;
    }
    path[length] = '\0';
    const size_t folderLength = strlen(folder);
    return strncmp(path, folder, folderLength) == 0 &&
           (path[folderLength] == '\0' || path[folderLength] == '/');
}

static int ControlPath(const char* name, char* path, size_t size) {
    const char* control = getenv("STORAGE_FAULTS_CONTROL");
    return control && snprintf(path, size, "%s/%s", control, name) < (int)size;
}

// The number a control file holds, or -1 when there is no such file.
static long ControlNumber(const char* name) {
    char path[PATH_MAX];
    if (!ControlPath(name, path, sizeof path)) {
        return -1;
    }
    FILE* file = fopen(path, "r");
    if (!file) {
        return -1;
    }
    long value = 0;
    if (fscanf(file, "%ld", &value) != 1) {
        value = 0;
    }
    fclose(file);
    return value;
}

static void SetControlNumber(const char* name, long value) {
    char path[PATH_MAX];
    char text[32];
    if (!ControlPath(name, path, sizeof path)) {
        return;
    }
    const int fd = open(path, O_WRONLY | O_TRUNC);
    if (fd >= 0) {
        const int length = snprintf(text, sizeof text, "%ld\n", value);
        RealWrite()(fd, text, (size_t)length);
        close(fd);
    }
}

static void Trace(const char* operation, const char* path) {
    const char* trace = getenv("STORAGE_FAULTS_TRACE");
    if (!trace || !*trace) {
        return;
    }
    char line[PATH_MAX + 64];
    const int length =
        snprintf(line, sizeof line, "%s %ld %s\n", operation, (long)syscall(SYS_gettid), path);
    const int fd = open(trace, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd >= 0) {
        RealWrite()(fd, line, (size_t)length);
        close(fd);
    }
}

static void Delay(void) {
    const long milliseconds = ControlNumber("delay");
    if (milliseconds > 0) {
        struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
        }
    }
}

ssize_t write(int fd, const void* buffer, size_t count) {
    char path[PATH_MAX];
    if (!WatchedPath(fd, path, sizeof path)) {
        return RealWrite()(fd, buffer, count);
    }
    Trace("write", path);
    Delay();
    pthread_mutex_lock(&controlLock);
    const long space = ControlNumber("free");
    size_t taken = count;
    if (space >= 0 && (size_t)space < count) {
        taken = (size_t)space;
    }
    if (count > 0 && taken == 0) {
        pthread_mutex_unlock(&controlLock);
        errno = ENOSPC;
        return -1;
    }
    const ssize_t written = RealWrite()(fd, buffer, taken);
    if (space >= 0 && written > 0) {
        SetControlNumber("free", space - written);
    }
    pthread_mutex_unlock(&controlLock);
    return written;
}

static int Flush(const char* name, int fd) {
    char path[PATH_MAX];
    if (!WatchedPath(fd, path, sizeof path)) {
        return RealFlush(name)(fd);
    }
    Trace(name, path);
    Delay();
    if (ControlNumber("broken") >= 0) {
        errno = EIO;
        return -1;
    }
    return RealFlush(name)(fd);
}

int fsync(int fd) {
    return Flush("fsync", fd);
}

int fdatasync(int fd) {
    return Flush("fdatasync", fd);
}
