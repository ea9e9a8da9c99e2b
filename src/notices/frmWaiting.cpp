#include "notices/frmWaiting.h"

#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmWaiting::frmWaiting(const QString& programFolder, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      Label1(new QLabel(QStringLiteral("資料搜尋中，請稍等.."), this)),
      Command1(new QPushButton(QStringLiteral("停止"), this)) {
    setObjectName(QStringLiteral("frmWaiting"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Label1->setAlignment(Qt::AlignCenter);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(Command1);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttonRow);
    setMinimumWidth(260);

    Label1->setText(modPrivate::ReadLanguage(programFolder, modKeys::Track::WaitingMessage));
    Command1->setText(modPrivate::ReadLanguage(programFolder, modKeys::Track::StopButton));
    connect(Command1, &QPushButton::clicked, this, [] { modApplication::FetchContinue = false; });
}
