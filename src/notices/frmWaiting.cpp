#include "notices/frmWaiting.h"

#include "shell/modPrivate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int ProgressSteps = 1000;
}

frmWaiting::frmWaiting(const QString& programFolder, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      Label1(new QLabel(QStringLiteral("資料搜尋中，請稍等.."), this)),
      ProgressBar1(new QProgressBar(this)),
      Command1(new QPushButton(QStringLiteral("停止"), this)) {
    setObjectName(QStringLiteral("frmWaiting"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Label1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    // In thousandths: a log may be larger than the bar's whole-number range.
    ProgressBar1->setRange(0, ProgressSteps);
    ProgressBar1->setValue(0);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(Command1);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttonRow);
    setMinimumWidth(260);

    Label1->setText(modPrivate::ReadLanguage(programFolder, modKeys::Track::WaitingMessage));
    Command1->setText(modPrivate::ReadLanguage(programFolder, modKeys::Track::StopButton));
    connect(Command1, &QPushButton::clicked, this, &frmWaiting::StopClicked);
}

void frmWaiting::ShowProgress(qint64 bytesRead, qint64 fileSize) {
    ProgressBar1->setValue(fileSize > 0
                               ? static_cast<int>(std::clamp(bytesRead, qint64(0), fileSize) *
                                                  ProgressSteps / fileSize)
                               : 0);
}
