#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class clsProfileText;

// The splash shown over the main window at start: a picture with the application title,
// gone by itself after two seconds.
class frmLogo : public QDialog {
    Q_OBJECT

public:
    static constexpr int ShowMilliseconds = 2000;

    // language: the language file as start-up read it.
    frmLogo(const QString& programFolder, const clsProfileText& language, QWidget* owner);

private:
    QLabel* labLogo;
    QTimer* Timer1;
};
