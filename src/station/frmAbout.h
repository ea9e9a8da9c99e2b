#pragma once

#include <QDialog>

class QTextBrowser;

// The about box: the station's title, version and program folder, and the works of others
// that come with it with their licences (clsAboutText). Links open in the desktop's browser.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    frmAbout(const QString& programFolder, QWidget* owner);

private:
    QTextBrowser* txtAbout;
};
