#pragma once

#include "shell/clsProfileText.h"

#include <QString>

// A sectioned profile file on disk, read and written the way classic desktop programs do
// it (the rules are those of clsProfileText). Each call opens, reads or writes and closes
// the file, so a hand edit counts at the next call.
class clsProfileFile {
public:
    // The file's text, read once for many reads; a missing or unreadable file reads as
    // an empty text.
    static clsProfileText Load(const QString& path);

    // The value, or the empty text when the file, section or key is missing.
    static QString Read(const QString& path, const QString& section, const QString& key);

    // Stores the value, creating file, section and key on demand. Only the key's line
    // changes: every other line keeps its bytes, whatever their encoding and line end. The
    // file is replaced whole and keeps its permissions. False, with the file as it was,
    // when section, key or value holds a line break (it would add lines), when an existing
    // file cannot be read, or when the new file cannot be written.
    static bool Write(const QString& path, const QString& section, const QString& key,
                      const QString& value);
};
