#include "shell/clsQtPlatform.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QMessageBox::Icon boxIcon(IPlatform::Icon icon) {
    switch (icon) {
    case IPlatform::Icon::Critical:
        return QMessageBox::Critical;
    case IPlatform::Icon::Exclamation:
        return QMessageBox::Warning;
    case IPlatform::Icon::Question:
        return QMessageBox::Question;
    case IPlatform::Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsFor(IPlatform::Icon icon) {
    return icon == IPlatform::Icon::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
}

// A lock taken at once if it can be. It never goes stale by age: a copy that has run for
// days still holds it; a lock left by a copy that no longer runs is taken over.
std::unique_ptr<QLockFile> lockIn(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    lock->tryLock(0);
    return lock;
}

// One entry of a file dialog's filter: what the dialog shows, with its pattern in brackets
// as Qt reads it, and the extension a typed name without one is given.
struct FilterEntry {
    QString Shown;
    QString Suffix;
};

QList<FilterEntry> filterEntries(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<FilterEntry> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& pattern = parts[i + 1];
        entries.append({parts[i].endsWith(QLatin1Char(')'))
                            ? parts[i]
                            : QStringLiteral("%1 (%2)").arg(parts[i], pattern),
                        pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : QString()});
    }
    return entries;
}

} // namespace

clsQtPlatform::~clsQtPlatform() = default;

IPlatform::Answer clsQtPlatform::MessageBox(QWidget* owner, const QString& text,
                                            const QString& title, Icon icon) {
    QMessageBox box(boxIcon(icon), title, text, buttonsFor(icon), owner);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}

int clsQtPlatform::ChooseOne(QWidget* owner, const QString& text, const QString& title,
                             const QStringList& choices, int defaultChoice) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Cancel, owner);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices) {
        buttons.append(box.addButton(choice, QMessageBox::AcceptRole));
    }
    if (QAbstractButton* first = buttons.value(defaultChoice)) {
        box.setDefaultButton(qobject_cast<QPushButton*>(first));
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

void clsQtPlatform::ShowNotice(QWidget* owner, const QString& text, const QString& title,
                               Icon icon) {
    auto* box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

bool clsQtPlatform::AnotherInstanceRuns(const QString& programFolder) {
    if (m_instanceLock) {
        return false;
    }
    // A per-user program folder does not exist before the first start; the lock belongs in
    // it all the same, so that every later start finds the same lock.
    QDir().mkpath(programFolder);
    auto lock = lockIn(QDir(programFolder).filePath(QStringLiteral(".station.lock")));
    if (lock->error() != QLockFile::NoError && lock->error() != QLockFile::LockFailedError) {
        // A program folder we may not write to: keep the lock in the temporary folder,
        // under a name that stands for the program folder.
        const QByteArray id = QCryptographicHash::hash(QDir(programFolder).absolutePath().toUtf8(),
                                                       QCryptographicHash::Sha1);
        lock = lockIn(QDir(QDir::tempPath())
                          .filePath(QStringLiteral("station-%1.lock")
                                        .arg(QString::fromLatin1(id.toHex().left(16)))));
    }
    if (!lock->isLocked()) {
        return lock->error() == QLockFile::LockFailedError;
    }
    m_instanceLock = std::move(lock);
    return false;
}

void clsQtPlatform::EndProgram(int exitCode) {
    if (m_instanceLock) {
        m_instanceLock->unlock();
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

bool clsQtPlatform::OpenInTextEditor(const QString& path) {
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

QString clsQtPlatform::ChooseFile(QWidget* owner, const QString& filter, int& filterIndex,
                                  const QString& title, const QString& proposedName) {
    const QList<FilterEntry> entries = filterEntries(filter);
    QStringList shown;
    for (const FilterEntry& entry : entries) {
        shown.append(entry.Shown);
    }
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(shown);
    const auto offer = [&](qsizetype entry) {
        dialog.setDefaultSuffix(entries.value(entry).Suffix);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected,
                     [&](const QString& chosen) { offer(shown.indexOf(chosen)); });
    const qsizetype first = std::max(filterIndex, 1) - 1;
    if (first < shown.size()) {
        dialog.selectNameFilter(shown[first]);
        offer(first);
    }
    const QFileInfo proposed(proposedName);
    if (proposed.isAbsolute()) {
        dialog.setDirectory(proposed.absolutePath());
    }
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    filterIndex = static_cast<int>(shown.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

bool clsQtPlatform::PrintPage(QWidget* owner, const QString& html, const QString& title) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    QTextDocument page;
    page.setHtml(html);
    page.print(&printer);
    return true;
}
