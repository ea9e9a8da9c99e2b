#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

// Shown, without blocking, while the whole track is drawn: types the stop text out one
// letter per tick and starts over every sixteen ticks. The job that showed the window
// closes it. Its stop button is there as designed, but stops nothing: the drawing lets no
// event run while the window shows, so neither a click nor a tick reaches it then.
class frmShow : public QWidget {
    Q_OBJECT

public:
    static constexpr int TickMilliseconds = 200;
    static constexpr int TicksPerRound = 16;

    frmShow(const QString& programFolder, QWidget* owner);

private:
    void Tick();

    QString m_programFolder;
    int m_counter = 0;
    QLabel* Image1;
    QLabel* Label1;
    QPushButton* Command1;
    QTimer* Timer1;
};
