#pragma once

#include "poi/clsDBLib.h"
#include "shell/RecordingPlatform.h"
#include "shell/TestFiles.h"
#include "station/frmTrack.h"

#include <QApplication>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

// Copies every file beneath from into the folder to.
inline bool CopyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}

// Copies the program's own files (language file, map template, pictures) from the source
// tree into dir, as a program folder for a test, with what the build lays beside them: the
// map page's libraries and the second spelling of the vehicle icon folder.
inline bool MakeProgramFolder(const QString& dir) {
    return CopyFolder(QStringLiteral(STATION_SOURCE_DIR "/data"), dir) &&
           CopyFolder(QStringLiteral(STATION_BUILD_DIR "/station/carimage/lib"),
                      dir + QStringLiteral("/carimage/lib")) &&
           QFile::link(QStringLiteral("C-rv"), dir + QStringLiteral("/carimage/C-Rv"));
}

// The main window over a fresh program folder, with the platform's messages recorded.
struct StationWindow {
    QTemporaryDir Dir;
    RecordingPlatform Platform;
    clsDBLib Db;
    clsTrackRecorder::Clock Clock = clsHistoryLog::SystemClock; // stamps the fixes
    std::unique_ptr<frmTrack> Window;

    // Writes settings (unless empty) as the settings file, then makes the window.
    bool Create(const QByteArray& settings = {}) {
        if (!MakeProgramFolder(Dir.path()) ||
            !(settings.isEmpty() || WriteFile(Dir.filePath("vendrel.ini"), settings))) {
            return false;
        }
        Window = std::make_unique<frmTrack>(Dir.path(), Db, nullptr, Clock);
        return true;
    }
    // Create, then load and show the window as start-up does.
    bool Start(const QByteArray& settings = {}) {
        return Create(settings) && Window->Load() &&
               (Window->show(), QTest::qWaitForWindowExposed(Window.get()));
    }
    template <class T = QWidget> T* Control(const QString& name) const {
        return Window->findChild<T*>(name);
    }
};

// A table of one bool column: the first row false, the second true.
inline void AddBoolRows(const char* column, const char* whenFalse, const char* whenTrue) {
    QTest::addColumn<bool>(column);
    QTest::newRow(whenFalse) << false;
    QTest::newRow(whenTrue) << true;
}

// What the map browser needs before the application object exists: the shared drawing
// context, and no sandbox when run as root (as on the build machines), where it cannot start.
inline void PrepareBrowser() {
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// Widget tests with the map browser, which QTEST_MAIN does not prepare.
#define STATION_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char* argv[]) {                                                             \
        PrepareBrowser();                                                                          \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
