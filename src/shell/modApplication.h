#pragma once

#include <QString>

class clsProfileText;

// Process-wide facts of the running program: where its files lie and its title. (That
// only one copy runs per program folder is the platform's, IPlatform::AnotherInstanceRuns.)
namespace modApplication {

// The folder that holds the program's files: $STATION_HOME when set, otherwise the
// folder of the executable. No trailing separator.
QString ProgramFolder();

// Text "0001" of section "Track" of the language file followed by " V" and
// major.minor.revision of the build.
QString ApplicationTitle(const clsProfileText& language);
// The same, read from the language file in the program folder.
QString ApplicationTitle(const QString& programFolder);

} // namespace modApplication
