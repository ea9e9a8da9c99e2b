#pragma once

#include <QString>
#include <QStringList>

// Where the station keeps its files. A station run from its build tree (a Language.ini
// beside the executable) or from any folder outside the prefix it was built for keeps them
// beside its executable, as ever. An installed station (its executable beneath that prefix,
// no Language.ini beside it) cannot write there, so its program folder is one per user,
// filled from the installed data. $STATION_HOME names the program folder in both cases.
//
// The program's own files (language files, map page, icons, demo drive) are listed in the
// file list "program-files.txt" that the build writes beside them: one line
// "version V", then one line per entry, "file PATH" or "link PATH TARGET", PATH relative
// with "/". The per-user folder keeps a stamp ".program-files": the version it was filled
// from and the SHA-256 of every program file as it was copied in, so an upgrade can tell
// the files the user changed from the ones the program left.
class clsProgramFolder {
public:
    // What the decision rests on; every path absolute, "" for an unset variable.
    struct Surroundings {
        QString ExecutableFolder;
        QString StationHome;  // $STATION_HOME
        QString XdgDataHome;  // $XDG_DATA_HOME
        QString Home;         // the user's home folder
        QString InstallPrefix;  // the prefix the program was built for ("/usr")
        QString InstalledData;  // where the installed program's own files lie
    };

    // A program file that the user had changed and that the program's new version changes
    // too: the new one took its place, the user's copy was moved to Kept.
    struct KeptFile {
        QString Path;  // relative to the program folder
        QString Kept;  // relative to the program folder
    };

    static constexpr const char* ListName = "program-files.txt";
    static constexpr const char* StampName = ".program-files";
    // Folder names beneath $XDG_DATA_HOME (or ~/.local/share).
    static constexpr const char* UserFolderName = "gps-tracking-station";

    explicit clsProgramFolder(Surroundings surroundings);
    // The surroundings of the running process and of this build.
    static clsProgramFolder Current();

    // The program folder: absolute, cleaned, no trailing separator. Changes nothing.
    QString Path() const;
    // True when the program's own files come from the installed data.
    bool Installed() const;

    // For an installed station: makes the folder and, when its stamp is missing or names
    // another version than the installed list, copies the program's own files in. A file
    // the user changed stays as it is when the new version brings the same file; when the
    // new version changes it too, the user's copy is moved beside it ("NAME.yours",
    // "NAME.yours-2", ...) and reported. Program files that the new version no longer has
    // are removed unless the user changed them. Everything else in the folder (settings,
    // history logs, the database) is left alone. Each file is written whole under a
    // temporary name first; the stamp is written last, so an interrupted fill runs again
    // at the next start. For a station that is not installed: does nothing.
    // Throws clsStationError when the installed list cannot be read or a file cannot be
    // written; files already copied stay.
    QList<KeptFile> Prepare() const;

private:
    Surroundings m_surroundings;
};
