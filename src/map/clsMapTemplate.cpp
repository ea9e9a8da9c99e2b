#include "map/clsMapTemplate.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

[[noreturn]] void TemplateError(const QString& path, const QString& reason) {
    throw clsStationError(QStringLiteral("The map template %1 cannot be read: %2")
                              .arg(QDir::toNativeSeparators(path), reason));
}

QStringList ReadTemplate(const QString& programFolder) {
    const QString path =
        modPrivate::ProgramPath(programFolder, QStringLiteral("carimage/Standards.txt"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        TemplateError(path, file.errorString());
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QStringList lines;
    while (!in.atEnd()) {
        lines.append(in.readLine());
    }
    if (in.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        TemplateError(path, file.errorString());
    }
    lines.append(QString());
    return lines;
}

} // namespace

void clsMapTemplate::Load(const QString& programFolder) {
    m_mapTemplate = ReadTemplate(programFolder);
}
