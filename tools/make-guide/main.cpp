// Makes the operator's guide that the station's Help opens: the README's introduction and
// its operator sections, in the order the README has them, as one HTML page.
//
//   make-guide README.md guide.html "Section" ["Section" ...]
//
// A section is a "## " heading of the README with everything up to the next one; the
// introduction is what stands before the first. Exits 1, naming it, when a section is missing.

#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStringList>
#include <QTextDocument>
#include <QTextStream>
#include <cstdio>

namespace {

// The README cut at its "## " headings: the introduction first, then one part per section.
QStringList parts(const QString& readme) {
    QStringList result{QString()};
    bool fenced = false; // a heading inside a code block is none
    for (const QString& line : readme.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```"))) {
            fenced = !fenced;
        }
        if (!fenced && line.startsWith(QLatin1String("## "))) {
            result.append(QString());
        }
        result.last() += line + QLatin1Char('\n');
    }
    return result;
}

QString headingOf(const QString& part) {
    return part.section(QLatin1Char('\n'), 0, 0).mid(3).trimmed();
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: make-guide README.md guide.html SECTION...\n");
        return 2;
    }
    QFile readme(arguments[1]);
    if (!readme.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-guide: %s cannot be read\n", qPrintable(arguments[1]));
        return 1;
    }
    const QStringList all = parts(QString::fromUtf8(readme.readAll()));
    QString markdown = all.first();
    QStringList missing = arguments.mid(3);
    for (const QString& part : all.mid(1)) {
        if (missing.removeAll(headingOf(part)) > 0) {
            markdown += part;
        }
    }
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "make-guide: the README has no section %s\n",
                     qPrintable(missing.join(QLatin1String(", "))));
        return 1;
    }
    QTextDocument guide;
    guide.setMarkdown(markdown);
    const QString title = all.first().section(QLatin1Char('\n'), 0, 0);
    guide.setMetaInformation(QTextDocument::DocumentTitle,
                             title.mid(title.indexOf(QLatin1Char(' ')) + 1).trimmed());
    QSaveFile out(arguments[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(guide.toHtml().toUtf8()) < 0 ||
        !out.commit()) {
        std::fprintf(stderr, "make-guide: %s cannot be written\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
