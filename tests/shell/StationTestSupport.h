#pragma once

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

// A program folder for a test: the program's own files (language file, map template,
// pictures) copied from the source tree into dir.
inline bool MakeProgramFolder(const QString& dir) {
    const QString data = QStringLiteral(STATION_SOURCE_DIR "/data");
    QDirIterator it(data, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = dir + source.mid(data.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) ||
            (!QFile::exists(target) && !QFile::copy(source, target))) {
            return false;
        }
    }
    return true;
}

// Widget tests with the map browser need the shared drawing context set before the
// application object exists, which QTEST_MAIN does not do.
#define STATION_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char* argv[]) {                                                             \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
