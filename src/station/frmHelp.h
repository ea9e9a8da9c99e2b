#pragma once

#include <QWidget>

class QTextBrowser;

// The operator's guide (the README's operator sections, made into HTML by the build) in a
// window of its own beside the main window, which stays usable. Links within the guide
// follow in the window; links to the web open in the desktop's browser.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    // Shows the guide of the program folder over owner, or brings the guide already shown
    // to the front. A missing guide is told through IPlatform and no window opens.
    static void ShowGuide(const QString& programFolder, QWidget* owner);

private:
    frmHelp(const QString& guidePath, QWidget* owner);

    QTextBrowser* txtGuide;
};
