#include "notices/frmShow.h"

#include "shell/modPrivate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmShow::frmShow(const QString& programFolder, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_programFolder(programFolder), Image1(new QLabel(this)), Label1(new QLabel(this)),
      Command1(new QPushButton(QStringLiteral("停止"), this)), Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("frmShow"));
    Image1->setObjectName(QStringLiteral("Image1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Timer1->setObjectName(QStringLiteral("Timer1"));

    Image1->setPixmap(
        QPixmap(modPrivate::ProgramPath(programFolder, QStringLiteral("images/Wait.png"))));
    Label1->setMinimumWidth(160);
    auto* row = new QHBoxLayout;
    row->addWidget(Image1);
    row->addWidget(Label1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);

    Timer1->setInterval(TickMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &frmShow::Tick);
    Timer1->start();
}

void frmShow::Tick() {
    ++m_counter;
    const QList<uint> letters =
        modPrivate::ReadLanguage(m_programFolder, modKeys::Track::StopButton).toUcs4();
    if (m_counter <= letters.size()) {
        const char32_t letter = letters[m_counter - 1];
        Label1->setText(Label1->text() + QString::fromUcs4(&letter, 1));
    }
    if (m_counter >= TicksPerRound) {
        m_counter = 0;
        Label1->clear();
    }
}
