#include "shell/clsProfileFile.h"

#include <QFile>
#include <QSaveFile>
#include <optional>

namespace {

// The file's bytes; an empty array for a missing file, nothing for a file that is there
// but cannot be read whole.
std::optional<QByteArray> readBytes(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return QByteArray();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return bytes;
}

bool holdsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

clsProfileText clsProfileFile::Load(const QString& path) {
    return clsProfileText(readBytes(path).value_or(QByteArray()));
}

QString clsProfileFile::Read(const QString& path, const QString& section, const QString& key) {
    return Load(path).Value(section, key);
}

bool clsProfileFile::Write(const QString& path, const QString& section, const QString& key,
                           const QString& value) {
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value)) {
        return false;
    }
    const std::optional<QByteArray> bytes = readBytes(path);
    if (!bytes) {
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    out.write(clsProfileText(*bytes).WithValue(section, key, value));
    return out.commit();
}
