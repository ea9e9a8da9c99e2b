// The program's start: one running copy per program folder (a second start brings the first
// to the front), that folder filled or refreshed when the station is installed, Qt's own
// texts in the chosen language, the main window with all of its set-up, the splash over it
// for two seconds, then the main window in front.

#include "map/clsTileSchemeHandler.h"
#include "poi/clsDBLib.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modPrivate.h"
#include "station/frmLogo.h"
#include "station/frmTrack.h"

#include <QApplication>
#include <QTranslator>
#include <memory>

namespace {

// Loads and shows the main window and makes the splash over it. Both read the settings and
// language files as they are now, each read once; the texts are let go before the splash
// runs its two seconds.
std::unique_ptr<frmLogo> ShowMainWindow(frmTrack& track, const QString& programFolder) {
    const clsProfileText settings = modPrivate::LoadSettings(programFolder);
    const clsProfileText language = modPrivate::LoadLanguage(programFolder);
    if (!track.Load(settings, language)) {
        return nullptr;
    }
    track.show();
    return std::make_unique<frmLogo>(programFolder, language, &track);
}

} // namespace

int main(int argc, char* argv[]) {
    // The map browser shares its drawing context with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    clsTileSchemeHandler::RegisterScheme();
    QApplication application(argc, argv);
    const QString programFolder = modApplication::ProgramFolder();

    IPlatform& platform = IPlatform::Current();
    QString keptFiles;
    try {
        if (platform.AnotherInstanceRuns(programFolder)) {
            return 0;
        }
        keptFiles = modApplication::PrepareProgramFolder();
    } catch (const clsStationError& error) {
        platform.MessageBox(nullptr, error.Message(), modApplication::ApplicationTitle(programFolder),
                            IPlatform::Icon::Critical);
        return 1;
    }

    QTranslator qtTexts;
    if (modApplication::LoadQtTranslation(qtTexts, programFolder)) {
        QCoreApplication::installTranslator(&qtTexts);
    }

    clsDBLib database;
    frmTrack track(programFolder, database);
    const std::unique_ptr<frmLogo> logo = ShowMainWindow(track, programFolder);
    if (!logo) {
        return 1;
    }
    const QString notices = modApplication::StartNotices(programFolder, keptFiles);
    if (!notices.isEmpty()) {
        platform.ShowNotice(&track, notices, track.windowTitle(), IPlatform::Icon::Exclamation);
    }
    logo->exec();

    track.raise();
    track.activateWindow();
    return application.exec();
}
