#pragma once

#include <QString>

class clsProfileText;

// Process-wide facts of the running program: where its files lie, its title, and the
// values by which a window tells a running job, or the window that opened it, what
// the operator did.
namespace modApplication {

// The folder that holds the program's files: $STATION_HOME when set, otherwise the
// folder of the executable, or for an installed station the user's own folder (see
// clsProgramFolder). No trailing separator. Changes nothing on disk.
QString ProgramFolder();

// Fills or refreshes the program folder of an installed station (clsProgramFolder::Prepare)
// and returns the operator's notice of the changed files that were kept beside their new
// versions, one line each; "" when none was. Throws clsStationError as Prepare does.
QString PrepareProgramFolder();

// Text "0001" of section "Track" of the language file followed by " V" and
// major.minor.revision of the build.
QString ApplicationTitle(const clsProfileText& language);
// The same, read from the language file in the program folder.
QString ApplicationTitle(const QString& programFolder);

// Cleared by the stop buttons of the waiting and notice windows; the job that showed
// them sets it before it starts and polls it while it runs.
extern bool FetchContinue;

// How a modal window reports to the one that opened it: the POI editor sets 1 when it
// changed the POI table, the search dialog sets 1 when the operator confirmed. 0 otherwise.
extern int ResultFlag;
// The text last confirmed in the search dialog, trimmed.
extern QString SearchText;

} // namespace modApplication
