#include "shell/modApplication.h"

#include "shell/modPrivate.h"

#include <QCoreApplication>
#include <QDir>

namespace modApplication {

QString ProgramFolder() {
    const QString home = qEnvironmentVariable("STATION_HOME");
    const QString folder = home.isEmpty() ? QCoreApplication::applicationDirPath() : home;
    return QDir::cleanPath(QDir(folder).absolutePath());
}

QString ApplicationTitle(const clsProfileText& language) {
    return modPrivate::ReadLanguage(language, modKeys::Track::Title) +
           QStringLiteral(" V%1.%2.%3")
               .arg(STATION_VERSION_MAJOR)
               .arg(STATION_VERSION_MINOR)
               .arg(STATION_VERSION_REVISION);
}

QString ApplicationTitle(const QString& programFolder) {
    return ApplicationTitle(modPrivate::LoadLanguage(programFolder));
}

} // namespace modApplication
