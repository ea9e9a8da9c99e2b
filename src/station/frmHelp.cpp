#include "station/frmHelp.h"

#include "shell/IPlatform.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

void frmHelp::ShowGuide(const QString& programFolder, QWidget* owner) {
    if (auto* shown = owner->findChild<frmHelp*>(QString(), Qt::FindDirectChildrenOnly)) {
        shown->showNormal();
        shown->raise();
        shown->activateWindow();
        return;
    }
    const QString path = modPrivate::ProgramPath(programFolder, modKeys::Design::GuideFile);
    if (!QFileInfo(path).isFile()) {
        IPlatform::Current().MessageBox(
            owner,
            modPrivate::ReadLanguage(programFolder, modKeys::Messages::GuideMissing)
                .arg(QDir::toNativeSeparators(path)),
            owner->windowTitle(), IPlatform::Icon::Exclamation);
        return;
    }
    auto* guide = new frmHelp(path, owner);
    guide->show();
}

frmHelp::frmHelp(const QString& guidePath, QWidget* owner)
    : QWidget(owner, Qt::Window), txtGuide(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    txtGuide->setOpenExternalLinks(true);
    txtGuide->setSource(QUrl::fromLocalFile(guidePath));
    setWindowTitle(txtGuide->documentTitle() + QStringLiteral(" - ") + owner->windowTitle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtGuide);
    resize(760, 620);
}
