#include "poi/frmSearch.h"

#include "shell/modPrivate.h"
#include "shell/modPrivateWidgets.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmSearch::frmSearch(const QString& programFolder, QWidget* owner)
    : QDialog(owner), m_programFolder(programFolder),
      Label1(new QLabel(this)), txtSearch(new QLineEdit(this)), cmdOK(new QPushButton(this)),
      cmdCancel(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmSearch"));
    const clsProfileText language = modPrivate::LoadLanguage(programFolder);
    const auto text = [&](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code);
    };
    setWindowTitle(text(modKeys::Poi::SearchCaption));
    Label1->setText(text(modKeys::Poi::SearchPrompt));
    cmdOK->setText(text(modKeys::Poi::SearchOk));
    cmdCancel->setText(text(modKeys::Poi::SearchCancel));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtSearch, 0, 1, 1, 2);
    grid->addWidget(cmdOK, 1, 1);
    grid->addWidget(cmdCancel, 1, 2);
    grid->setColumnStretch(0, 1);
    setMinimumWidth(340);

    txtSearch->setText(modPrivate::ReadSetting(m_programFolder, modKeys::Setting::SearchText));
    txtSearch->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmSearch::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearch && event->type() == QEvent::FocusIn) {
        modPrivate::SelectAllText(txtSearch);
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearch::cmdOK_Click() {
    m_searchText = txtSearch->text().trimmed();
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::SearchText, *m_searchText);
    accept();
}
