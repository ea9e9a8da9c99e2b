#include "shell/clsProfileFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

struct Lines {
    QStringList lines;
    QString ending = QStringLiteral("\n");
};

Lines load(const QString& path) {
    Lines result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    if (text.contains(QLatin1String("\r\n"))) {
        result.ending = QStringLiteral("\r\n");
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.lines = text.split(QLatin1Char('\n'));
    // A final line end leaves an empty piece that is not a line of the file.
    if (!result.lines.isEmpty() && result.lines.last().isEmpty()) {
        result.lines.removeLast();
    }
    return result;
}

// The section name of a "[name]" line, or a null text for other lines.
QString sectionOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) {
        return {};
    }
    return t.mid(1, t.size() - 2).trimmed();
}

// The key of a "key=value" line, or a null text for comments and other lines.
QString keyOf(const QString& line) {
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || line.trimmed().startsWith(QLatin1Char(';'))) {
        return {};
    }
    return line.left(eq).trimmed();
}

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int findSection(const QStringList& lines, const QString& section) {
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionOf(lines[i]);
        if (!name.isNull() && same(name, section)) {
            return i;
        }
    }
    return -1;
}

// Index of the key's line in the section opened at sectionLine, or -1; *end receives
// the index just after the section's last non-blank line.
int findKey(const QStringList& lines, int sectionLine, const QString& key, int* end) {
    *end = sectionLine + 1;
    for (int i = sectionLine + 1; i < lines.size() && sectionOf(lines[i]).isNull(); ++i) {
        if (!lines[i].trimmed().isEmpty()) {
            *end = i + 1;
        }
        const QString name = keyOf(lines[i]);
        if (!name.isNull() && same(name, key)) {
            return i;
        }
    }
    return -1;
}

QString unquoted(const QString& value) {
    if (value.size() >= 2 &&
        ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) ||
         (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\''))))) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

QString clsProfileFile::Read(const QString& path, const QString& section, const QString& key) {
    const QStringList lines = load(path).lines;
    const int s = findSection(lines, section);
    if (s < 0) {
        return {};
    }
    int end = 0;
    const int k = findKey(lines, s, key, &end);
    if (k < 0) {
        return {};
    }
    const QString& line = lines[k];
    const QString value = unquoted(line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
    return value.left(MaxValueLength);
}

bool clsProfileFile::Write(const QString& path, const QString& section, const QString& key,
                           const QString& value) {
    Lines file = load(path);
    QStringList& lines = file.lines;
    const QString entry = key + QLatin1Char('=') + value;
    const int s = findSection(lines, section);
    if (s < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines.append(QString());
        }
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
    } else {
        int end = 0;
        const int k = findKey(lines, s, key, &end);
        if (k >= 0) {
            lines[k] = entry;
        } else {
            lines.insert(end, entry);
        }
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    out.write((lines.join(file.ending) + file.ending).toUtf8());
    return out.commit();
}
