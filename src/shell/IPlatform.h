#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The few services of the operating system that the windows use. Windows reach them
// only through Current(), so a test can install a replacement that records messages
// instead of showing dialogs that wait for a click.
class IPlatform {
public:
    enum class Icon { Critical, Exclamation, Question, Information };
    enum class Answer { Ok, Yes, No };

    virtual ~IPlatform() = default;

    // Shows a message and waits for the operator. A question offers Yes and No and
    // returns the choice; the other icons offer OK.
    virtual Answer MessageBox(QWidget* owner, const QString& text, const QString& title,
                              Icon icon) = 0;
    // Asks the operator to pick one of choices (button texts; at least one), with the
    // question icon; choice number defaultChoice (from 0) is offered first, and a Cancel
    // button is offered besides. Returns the number of the choice, or -1 when cancelled.
    virtual int ChooseOne(QWidget* owner, const QString& text, const QString& title,
                          const QStringList& choices, int defaultChoice) = 0;
    // Shows a message and returns at once; the operator dismisses it later.
    virtual void ShowNotice(QWidget* owner, const QString& text, const QString& title,
                            Icon icon) = 0;
    // True when another copy of the program runs from the same program folder; when
    // none does, this copy keeps the folder to itself until it ends. Makes the folder
    // when it is missing.
    virtual bool AnotherInstanceRuns(const QString& programFolder) = 0;
    // Ends the process at once, without running any close handler.
    virtual void EndProgram(int exitCode) = 0;
    // Opens a written file for the operator to see: in Notepad on Windows, elsewhere with
    // the desktop's application for the file's kind. False when it could not start.
    virtual bool OpenInTextEditor(const QString& path) = 0;
    // Asks for the name of a file to write, in a save dialog where a new name can be
    // typed. filter: the entries as "description|pattern", joined by "|"; filterIndex: the
    // entry offered first (from 1; 0 for the first), set to the chosen entry;
    // proposedName: a path, whose folder the dialog opens in. Returns the chosen path, or
    // "" when the operator cancelled, leaving filterIndex as it was.
    virtual QString ChooseFile(QWidget* owner, const QString& filter, int& filterIndex,
                               const QString& title, const QString& proposedName) = 0;
    // Prints a page of HTML through the platform's print dialog, which also offers to print
    // to a PDF file; title names the document. False when the operator cancelled.
    virtual bool PrintPage(QWidget* owner, const QString& html, const QString& title) = 0;

    // The platform in use: the installed replacement, or the real one.
    static IPlatform& Current();
    // Installs a replacement; nullptr brings back the real platform.
    static void Install(IPlatform* platform);
};
