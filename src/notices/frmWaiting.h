#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Shown, without blocking, while a long job reads; its button asks the job to stop by
// clearing modApplication::FetchContinue. The job closes the window, never the window itself.
class frmWaiting : public QWidget {
    Q_OBJECT

public:
    frmWaiting(const QString& programFolder, QWidget* owner);

private:
    QLabel* Label1;
    QPushButton* Command1;
};
