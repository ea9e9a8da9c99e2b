#pragma once

#include "shell/IPlatform.h"

#include <QList>
#include <QString>

// A platform for tests: messages are recorded instead of shown, questions are answered
// Yes, and ending the program is recorded instead of done.
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
    bool OpenInTextEditor(const QString&) override { return true; }

    QList<Message> Messages;
    QList<int> ExitCodes;
};
