#include "shell/modApplication.h"

#include "shell/clsProgramFolder.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTemporaryFile>
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

namespace {

QString Native(const QString& programFolder, const QString& relative) {
    return QDir::toNativeSeparators(modPrivate::ProgramPath(programFolder, relative));
}

// Whether a file can be made in the folder now (its permissions alone do not tell: a
// read-only mount, or an operator whom the permissions do not bind).
bool CanWriteIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".station-write-XXXXXX")));
    return probe.open();
}

} // namespace

QString StartNotices(const QString& programFolder, const QString& keptFiles) {
    QStringList notices;
    if (!keptFiles.isEmpty()) {
        notices << keptFiles;
    }
    const modPrivate::LanguageChoice language = modPrivate::ChosenLanguage(programFolder);
    if (!language.MissingFile.isEmpty()) {
        notices << modPrivate::ReadLanguage(programFolder, modKeys::Messages::LanguageFileMissing)
                       .arg(Native(programFolder, language.MissingFile), language.Setting);
    }
    if (!QFileInfo(modPrivate::ProgramPath(programFolder, language.FileName)).isFile()) {
        notices << modPrivate::ReadLanguage(programFolder, modKeys::Messages::NoLanguageFile)
                       .arg(Native(programFolder, language.FileName));
    }
    if (!CanWriteIn(programFolder)) {
        notices << modPrivate::ReadLanguage(programFolder, modKeys::Messages::FolderReadOnly)
                       .arg(QDir::toNativeSeparators(programFolder));
    }
    return notices.join(QLatin1Char('\n'));
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
