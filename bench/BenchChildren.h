#pragma once

// Benchmarks that measure each run in a fresh process: the parent starts itself again in a
// child mode and reads the child's one result line.

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <vector>

// Runs the children of mode one after another, in environment (the parent's when empty),
// and returns their result lines: "result" and numbers, one list per run; none when a
// run failed.
inline std::vector<QList<double>>
RunChildren(const QString& self, const QString& mode, int runs, const QStringList& arguments = {},
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    std::vector<QList<double>> results;
    for (int run = 1; run <= runs; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setProcessEnvironment(environment);
        child.start(self, QStringList{mode} + arguments);
        child.waitForFinished(-1);
        const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || words.first() != "result") {
            std::printf("run %d failed\n", run);
            return {};
        }
        QList<double> values;
        for (qsizetype i = 1; i < words.size(); ++i) {
            values.append(words[i].toDouble());
        }
        results.push_back(values);
    }
    return results;
}

// Figure k of every run.
inline std::vector<double> Figure(const std::vector<QList<double>>& results, int k) {
    std::vector<double> values;
    for (const QList<double>& run : results) {
        values.push_back(run[k]);
    }
    return values;
}
