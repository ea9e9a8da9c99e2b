#pragma once

// What the fuzz targets share: a program folder of the station's own files, the input as
// a file, the input cut into values, and a check that stops the run when a promise of a
// reader or writer does not hold (libFuzzer keeps the input that did it).

#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Stops the run with a message: libFuzzer reports the input as a crash.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace FuzzSupport {

// A Qt application for the run (file and time zone calls want one), made once.
inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* application =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)application;
}

// A program folder for the whole run with the station's language files, removed at exit.
inline const QString& ProgramFolder() {
    static QTemporaryDir* dir = [] {
        EnsureApplication();
        auto* made = new QTemporaryDir();
        for (const char* name : {"Language.ini", "Language.zh-TW.ini"}) {
            QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/data/") + QLatin1String(name),
                        made->filePath(QLatin1String(name)));
        }
        std::atexit([] { delete dir; });
        return made;
    }();
    static const QString path = dir->path();
    return path;
}

// Writes bytes as the whole file at path; false when it cannot be written.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A text of at most maxLength characters: Latin-1 from the input, as a port reads it.
inline QString Latin1Text(FuzzedDataProvider& input, size_t maxLength) {
    return QString::fromLatin1(input.ConsumeRandomLengthString(maxLength));
}

// A text of at most maxLength characters taken as UTF-8 (damaged sequences included).
inline QString Utf8Text(FuzzedDataProvider& input, size_t maxLength) {
    return QString::fromUtf8(input.ConsumeRandomLengthString(maxLength));
}

// Any double, NaN and the infinities included, or one in a range a receiver sends.
inline double AnyDouble(FuzzedDataProvider& input) {
    return input.ConsumeBool() ? input.ConsumeFloatingPoint<double>()
                               : input.ConsumeFloatingPointInRange<double>(-200, 200);
}

inline float AnyFloat(FuzzedDataProvider& input) {
    return input.ConsumeBool() ? input.ConsumeFloatingPoint<float>()
                               : input.ConsumeFloatingPointInRange<float>(-1000, 1000);
}

// Whether two doubles are the same value (NaN equal to NaN, -0 not equal to 0).
inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace FuzzSupport
