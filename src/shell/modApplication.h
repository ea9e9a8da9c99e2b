#pragma once

#include <QString>

class QTranslator;
class clsProfileText;

// Process-wide facts of the running program: where its files lie and its title. (That
// only one copy runs per program folder is the platform's, IPlatform::AnotherInstanceRuns.)
namespace modApplication {

// The folder that holds the program's files: $STATION_HOME when set, otherwise the
// folder of the executable, or for an installed station the user's own folder (see
// clsProgramFolder). No trailing separator. Changes nothing on disk.
QString ProgramFolder();

// Fills or refreshes the program folder of an installed station (clsProgramFolder::Prepare)
// and returns the operator's notice of the changed files that were kept beside their new
// versions, one line each; "" when none was. Throws clsStationError as Prepare does.
QString PrepareProgramFolder();

// The notices of the start, one line each, "" when there is none: keptFiles (from
// PrepareProgramFolder); a language file that the settings choose but that is missing; a
// missing language file of the program's (the windows then show no captions); a program
// folder that cannot be written (nothing the station stores is kept). Leaves nothing
// on disk (it tries a file of its own in the folder and removes it).
QString StartNotices(const QString& programFolder, const QString& keptFiles);

// Text "0001" of section "Track" of the language file followed by " V" and
// major.minor.revision of the build.
QString ApplicationTitle(const clsProfileText& language);
// The same, read from the language file in the program folder.
QString ApplicationTitle(const QString& programFolder);

// Loads Qt's own texts (its file, print and calendar dialogs) of the language chosen for the
// program folder (modPrivate::ChosenLanguage) into translator, from Qt's translations of
// the system, and makes that language the default locale. False, and nothing changed,
// for Language.ini (Qt's texts are English) or when Qt has no translation of it.
bool LoadQtTranslation(QTranslator& translator, const QString& programFolder);

} // namespace modApplication
