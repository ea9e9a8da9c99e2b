#include "shell/clsQtPlatform.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>
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
