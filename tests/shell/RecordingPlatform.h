#pragma once

#include "shell/IPlatform.h"

#include <QList>
#include <QStringList>

// A platform for tests: messages are recorded instead of shown, questions are answered as
// the test chose (Yes unless told), ending the program and opening files in the editor are
// recorded instead of done, every file dialog is answered with the path and filter entry
// the test chose, and a page to print is recorded.
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
        return icon != Icon::Question ? Answer::Ok : AnswerYes ? Answer::Yes : Answer::No;
    }
    // Recorded as a question; answered with Choice, or the default when it is below -1.
    int ChooseOne(QWidget*, const QString& text, const QString& title, const QStringList& choices,
                  int defaultChoice) override {
        Messages.append({text, title, Icon::Question, true});
        Choices.append(choices.join('|') + QStringLiteral("|default %1").arg(defaultChoice));
        return Choice < -1 ? defaultChoice : Choice;
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
        FileDialogs.append(
            QStringList{filter, title, proposedName, QString::number(filterIndex)}.join('|'));
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
    QStringList FileDialogs; // filter|title|proposed name|entry offered first
    QStringList Choices;     // the choices of every ChooseOne, "|default n"
    int Choice = -2;         // the answer of ChooseOne: -1 cancels, below -1 the default
    bool AnswerYes = true;   // the answer to a question with Yes and No
    QString ChosenPath;      // "": the operator cancels
    int ChosenFilter = 1;
    QStringList PrintedPages; // title|html
    bool PrintAccepted = true;
};
