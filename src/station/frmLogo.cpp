#include "station/frmLogo.h"

#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QTimer>

namespace {
constexpr int Width = 480;
constexpr int Height = 270;
} // namespace

frmLogo::frmLogo(const QString& programFolder, const clsProfileText& language, QWidget* owner)
    : QDialog(owner, Qt::SplashScreen | Qt::FramelessWindowHint), labLogo(new QLabel(this)),
      Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("frmLogo"));
    setModal(true);
    setFixedSize(Width, Height);

    QPalette background = palette();
    background.setBrush(
        QPalette::Window,
        QPixmap(modPrivate::ProgramPath(programFolder, QStringLiteral("images/Logo.png")))
            .scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    setPalette(background);
    setAutoFillBackground(true);

    const QString title = modApplication::ApplicationTitle(language);
    setWindowTitle(title);
    labLogo->setObjectName(QStringLiteral("labLogo"));
    labLogo->setText(title);
    labLogo->setAlignment(Qt::AlignCenter);
    labLogo->setWordWrap(true);
    labLogo->setStyleSheet(QStringLiteral("color: white; font-size: 20pt; font-weight: bold;"));
    labLogo->setGeometry(20, Height - 90, Width - 40, 60);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(ShowMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &QDialog::accept);
    Timer1->start();
}
