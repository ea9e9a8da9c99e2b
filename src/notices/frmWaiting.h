#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// Shown, without blocking, while a long job reads; its button asks the job to stop
// (StopClicked), and the window stays open. The job closes the window, never the window
// itself.
class frmWaiting : public QWidget {
    Q_OBJECT

public:
    frmWaiting(const QString& programFolder, QWidget* owner);

    // How far the job has read: bytes of a file's size.
    void ShowProgress(qint64 bytesRead, qint64 fileSize);

signals:
    // The stop button was clicked.
    void StopClicked();

private:
    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QPushButton* Command1;
};
