// The program's start: one running copy per program folder, the main window with all of
// its set-up, the splash over it for two seconds, then the main window in front.

#include "poi/clsDBLib.h"
#include "shell/IPlatform.h"
#include "shell/frmLogo.h"
#include "shell/modApplication.h"
#include "tracking/frmTrack.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The map browser shares its drawing context with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QString programFolder = modApplication::ProgramFolder();

    IPlatform& platform = IPlatform::Current();
    if (platform.AnotherInstanceRuns(programFolder)) {
        return 0;
    }

    clsDBLib database;
    frmTrack track(programFolder, database);
    if (!track.Load()) {
        return 1;
    }
    track.show();

    frmLogo logo(programFolder, &track);
    logo.exec();

    track.raise();
    track.activateWindow();
    return application.exec();
}
