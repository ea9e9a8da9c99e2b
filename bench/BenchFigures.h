#pragma once

// Figures shared by the benchmarks: medians and percentiles of their runs, and what a
// process uses of the processor and of memory.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

// The value that share (0 to 1) of the values lie below; the largest for share 1.
inline double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * values.size()))];
}

// The middle value; the mean of the two middle ones for an even count.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Processor seconds of this process, all its threads.
inline double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Kilobytes of the process's status line key ("VmRSS:", "VmHWM:"); -1 when unknown.
inline long StatusKilobytes(qint64 pid, const char* key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}
