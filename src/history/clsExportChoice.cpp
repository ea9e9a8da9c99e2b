#include "history/clsExportChoice.h"

#include "history/clsTrackExport.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

clsExportChoice::Offer clsExportChoice::Propose(const QString& remembered,
                                                const QString& documentsFolder) {
    const QFileInfo name(remembered);
    // A relative name would be found from the folder the program was started in.
    const QString folder = !remembered.isEmpty() && name.isAbsolute() && name.dir().exists()
                               ? name.absolutePath()
                               : QDir(documentsFolder).absolutePath();
    const int entry = clsTrackExport::FormatOfName(remembered);
    return {folder + QLatin1Char('/') + name.fileName(), entry != 0 ? entry : 1};
}

QString clsExportChoice::DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

clsExportChoice::clsExportChoice(const QString& chosenPath, int chosenEntry)
    : m_path(chosenPath), m_entry(chosenEntry),
      m_nameFormat(clsTrackExport::FormatOfName(chosenPath)) {}

bool clsExportChoice::Conflicts() const {
    return m_nameFormat != 0 && !clsTrackExport::Suffix(m_entry).isEmpty() &&
           m_nameFormat != m_entry;
}

clsExportChoice::Target clsExportChoice::Default() const {
    return m_nameFormat != 0 ? ByName() : ByEntry();
}

clsExportChoice::Target clsExportChoice::ByName() const {
    return {m_path, m_nameFormat};
}

clsExportChoice::Target clsExportChoice::ByEntry() const {
    const QString suffix = clsTrackExport::Suffix(m_entry);
    if (suffix.isEmpty()) {
        return {m_path, m_entry};
    }
    QString path = m_path;
    if (m_nameFormat != 0) {
        path.chop(clsTrackExport::Suffix(m_nameFormat).size());
    } else if (QFileInfo(path).suffix().isEmpty()) {
        path += path.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".");
    } else {
        return {path, m_entry};
    }
    return {path + suffix, m_entry};
}

QString clsExportChoice::Question(const QString& programFolder) const {
    const QString name = QFileInfo(m_path).fileName();
    return modPrivate::ReadLanguage(programFolder, modKeys::Messages::ExportFormatQuestion)
        .arg(name, QFileInfo(m_path).suffix(), clsTrackExport::FormatText(m_nameFormat),
             clsTrackExport::FormatText(m_entry), QFileInfo(ByEntry().Path).fileName());
}
