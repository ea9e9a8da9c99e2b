#pragma once

#include "history/clsExportChoice.h"

#include <QString>
#include <optional>

class QWidget;
class clsTrackExport;
class clsTrackRecords;

// The export as the operator meets it: the file dialog on the remembered name, the
// question when the chosen name and file type stand for different formats, the file
// written and shown, and its name remembered. Every message goes through IPlatform with
// the owner's title; a failure is shown and the station goes on.
class clsExportDialog {
public:
    clsExportDialog(QWidget* owner, const QString& programFolder, const QString& title);

    // Writes records with exporter to the file the operator chooses and opens it with the
    // desktop's application. Nothing is written, started or remembered when the operator
    // cancels, nor when the file cannot be written.
    void Run(const clsTrackExport& exporter, const clsTrackRecords& records) const;

private:
    std::optional<clsExportChoice::Target> ChooseTarget() const;
    bool MayReplace(const QString& path) const;

    QWidget* m_owner;
    QString m_programFolder;
    QString m_title;
};
