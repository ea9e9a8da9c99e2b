#include "station/frmAbout.h"

#include "shell/modApplication.h"
#include "shell/modPrivate.h"
#include "station/clsAboutText.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

frmAbout::frmAbout(const QString& programFolder, QWidget* owner)
    : QDialog(owner), txtAbout(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmAbout"));
    txtAbout->setObjectName(QStringLiteral("txtAbout"));
    const clsProfileText language = modPrivate::LoadLanguage(programFolder);
    setWindowTitle(modApplication::ApplicationTitle(language));
    txtAbout->setOpenExternalLinks(true);
    txtAbout->setHtml(clsAboutText::Html(programFolder, language, QString::fromLatin1(qVersion())));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtAbout);
    layout->addWidget(buttons);
    resize(680, 520);
}
