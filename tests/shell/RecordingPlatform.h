#pragma once

#include "shell/IPlatform.h"

#include <QList>
#include <QStringList>

// A platform for tests: messages are recorded instead of shown, questions are answered
// Yes, ending the program and opening files in the editor are recorded instead of done,
// every file dialog is answered with the path and filter entry the test chose, and a page
// to print is recorded.
class RecordingPlatform : public IPlatform {
public:
    struct Message {
        QString Text;
        QString Title;
        Icon MessageIcon;
        bool Waits; // a message box that waited for the operator
    };

    RecordingPlatform() { IPlatform::Install(this); }
    ~RecordingPlatform() override { IPlatform::Install(nullptr); }

    Answer MessageBox(QWidget*, const QString& text, const QString& title, Icon icon) override {
        Messages.append({text, title, icon, true});
        return icon == Icon::Question ? Answer::Yes : Answer::Ok;
    }
    void ShowNotice(QWidget*, const QString& text, const QString& title, Icon icon) override {
        Messages.append({text, title, icon, false});
    }
    bool AnotherInstanceRuns(const QString&) override { return false; }
    void EndProgram(int exitCode) override { ExitCodes.append(exitCode); }
    bool OpenInTextEditor(const QString& path) override {
        EditedFiles.append(path);
        return EditorStarts;
    }
    QString ChooseFile(QWidget*, const QString& filter, int& filterIndex, const QString& title,
                       const QString& proposedName) override {
        FileDialogs.append(QStringList{filter, title, proposedName}.join('|'));
        if (!ChosenPath.isEmpty()) {
            filterIndex = ChosenFilter;
        }
        return ChosenPath;
    }

    bool PrintPage(QWidget*, const QString& html, const QString& title) override {
        PrintedPages.append(title + '|' + html);
        return PrintAccepted;
    }

    QList<Message> Messages;
    QList<int> ExitCodes;
    QStringList EditedFiles;
    bool EditorStarts = true;
    QStringList FileDialogs; // filter|title|proposed name
    QString ChosenPath;      // "": the operator cancels
    int ChosenFilter = 1;
    QStringList PrintedPages; // title|html
    bool PrintAccepted = true;
};
