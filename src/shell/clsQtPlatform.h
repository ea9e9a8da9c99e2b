#pragma once

#include "shell/IPlatform.h"

#include <QLockFile>
#include <memory>

// The platform as Qt offers it: message boxes, a lock file for the single running copy,
// the process end, the desktop's text editor and the file dialog.
class clsQtPlatform : public IPlatform {
public:
    clsQtPlatform() = default;
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
    bool PrintPage(QWidget* owner, const QString& html, const QString& title) override;

private:
    std::unique_ptr<QLockFile> m_instanceLock;
};
