#pragma once

#include "shell/IPlatform.h"

#include <QLockFile>
#include <memory>

class QLocalServer;
class QPrinter;

// The platform as Qt offers it: message boxes, a lock file for the single running copy and
// a local socket beside it by which a later copy asks it to come to the front, the process
// end, the desktop's text editor, the file dialog and the print dialog.
class clsQtPlatform : public IPlatform {
public:
    clsQtPlatform();
    ~clsQtPlatform() override;

    Answer MessageBox(QWidget* owner, const QString& text, const QString& title,
                      Icon icon) override;
    int ChooseOne(QWidget* owner, const QString& text, const QString& title,
                  const QStringList& choices, int defaultChoice) override;
    void ShowNotice(QWidget* owner, const QString& text, const QString& title, Icon icon) override;
    bool AnotherInstanceRuns(const QString& programFolder) override;
    [[noreturn]] void EndProgram(int exitCode) override;
    bool OpenInTextEditor(const QString& path) override;
    QString ChooseFile(QWidget* owner, const QString& filter, int& filterIndex,
                       const QString& title, const QString& proposedName) override;
    bool PrintDocument(QWidget* owner, const QString& html, const QString& title) override;

    // Prints the document (HTML) on printer as it is set up; false when the printer failed.
    static bool PrintHtml(QPrinter& printer, const QString& html);
private:
    // The program's windows in front: the main windows shown again when minimised and
    // raised, a modal dialog above them.
    static void BringWindowsToFront();
    void ListenBeside(const QString& lockPath);

    std::unique_ptr<QLockFile> m_instanceLock;
    std::unique_ptr<QLocalServer> m_frontServer;
};
