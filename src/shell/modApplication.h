#pragma once

#include <QString>

class clsProfileText;

// Process-wide facts of the running program: where its files lie, its title, and the
// flag by which a stop button tells a running job to end.
namespace modApplication {

// The folder that holds the program's files: $STATION_HOME when set, otherwise the
// folder of the executable. No trailing separator.
QString ProgramFolder();

// Text "0001" of section "Track" of the language file followed by " V" and
// major.minor.revision of the build.
QString ApplicationTitle(const clsProfileText& language);

// Cleared by the stop buttons of the waiting and notice windows; the job that showed
// them sets it before it starts and polls it while it runs.
extern bool FetchContinue;

} // namespace modApplication
