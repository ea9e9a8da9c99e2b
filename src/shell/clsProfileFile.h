#pragma once

#include <QString>

// A sectioned profile file ("[section]" lines, "key=value" lines) read and written
// the way classic desktop programs do it: names match without regard to case, the
// first match wins, values come back trimmed and cut to 255 characters, and a write
// replaces one line in place, keeping every other line, comment and the order.
// Files are UTF-8. Each call opens, reads or writes and closes the file.
class clsProfileFile {
public:
    static constexpr int MaxValueLength = 255;

    // The value, or the empty text when the file, section or key is missing.
    static QString Read(const QString& path, const QString& section, const QString& key);

    // Stores the value, creating file, section and key on demand. The file is
    // replaced whole, so a failure leaves the old file as it was. True when stored.
    static bool Write(const QString& path, const QString& section, const QString& key,
                      const QString& value);
};
