#include "shell/modApplication.h"

#include "shell/clsProgramFolder.h"
#include "shell/modPrivate.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

bool LoadQtTranslation(QTranslator& translator, const QString& programFolder) {
    const modPrivate::LanguageChoice choice = modPrivate::ChosenLanguage(programFolder);
    if (choice.FileName == QLatin1String("Language.ini")) {
        return false;
    }
    const QLocale locale(QString(choice.Setting).replace(QLatin1Char('-'), QLatin1Char('_')));
    if (!translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    QLocale::setDefault(locale);
    return true;
}

} // namespace modApplication
