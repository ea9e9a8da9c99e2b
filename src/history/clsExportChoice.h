#pragma once

#include <QString>

// Which file an export writes and in which format, from the name the operator chose and
// the file type (filter entry) chosen beside it, so that no format is ever written under
// another format's extension. Formats and entries are those of clsTrackExport.
class clsExportChoice {
public:
    struct Target {
        QString Path;
        int Format = 0; // clsTrackExport::Format

        bool operator==(const Target&) const = default;
    };

    // What the file dialog offers first: the proposed path (its folder, "/", the file
    // name, which may be empty) and the filter entry, counted from 1.
    struct Offer {
        QString Path;
        int Entry = 1;

        bool operator==(const Offer&) const = default;
    };

    // The remembered name in its folder when that is an existing folder, else its file
    // name in documentsFolder; on the entry of its extension, else on the first entry.
    static Offer Propose(const QString& remembered, const QString& documentsFolder);
    // The user's documents folder, or the home folder when there is none.
    static QString DocumentsFolder();

    // chosenPath and chosenEntry as the file dialog returned them.
    clsExportChoice(const QString& chosenPath, int chosenEntry);

    // True when the name ends in the extension of another format than the chosen entry's:
    // then the operator is asked which of ByName and ByEntry to write.
    bool Conflicts() const;
    // What is written without a question, and the default answer to one: the format of
    // the name's extension, or, for a name without a known extension, ByEntry.
    Target Default() const;
    // The name as chosen, in the format of its extension.
    Target ByName() const;
    // The chosen entry's format, under a name with its extension: a known extension of
    // another format is replaced, a name without any extension is given it; an unknown
    // extension stays. A chosen entry that names no format leaves the name as it is.
    Target ByEntry() const;
    // The question of a conflict, with ByName's and ByEntry's format as the choices.
    QString Question(const QString& programFolder) const;

private:
    QString m_path;
    int m_entry;
    int m_nameFormat; // 0: the name has no known extension
};
