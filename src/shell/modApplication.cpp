#include "shell/modApplication.h"

#include "shell/clsProgramFolder.h"
#include "shell/modPrivate.h"

namespace modApplication {

QString ProgramFolder() {
    return clsProgramFolder::Current().Path();
}

QString PrepareProgramFolder() {
    const clsProgramFolder folder = clsProgramFolder::Current();
    QStringList lines;
    for (const clsProgramFolder::KeptFile& kept : folder.Prepare()) {
        lines.append(modPrivate::ReadLanguage(folder.Path(), modKeys::Messages::ProgramFileKept)
                         .arg(kept.Path, kept.Kept));
    }
    return lines.join(QLatin1Char('\n'));
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
