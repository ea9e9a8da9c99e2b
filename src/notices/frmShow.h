#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

// Shown, without blocking, while the whole track is drawn: types the stop text out one
// letter per tick and starts over every sixteen ticks. Its button clears
// modApplication::FetchContinue; the job that showed the window closes it.
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
