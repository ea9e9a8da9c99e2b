#pragma once

#include <QString>
#include <span>

class clsProfileText;

// The text of the about box: the station's version and program folder, the works of others
// that ship with it or that it links, and the licence texts that ship beside them.
class clsAboutText {
public:
    // One work of others: its name, who holds its rights, its licence and where it lives.
    struct Credit {
        const char* Name;
        const char* Holder;
        const char* Licence;
        const char* Link;
    };

    // Every work credited, in the order the box lists them.
    static std::span<const Credit> Credits();

    // The box's text (HTML) with the labels of language, the program folder's licence
    // files (a missing one is left out) and qtVersion, the Qt that runs. Changes nothing.
    static QString Html(const QString& programFolder, const clsProfileText& language,
                        const QString& qtVersion);
};
