#include "shell/clsQtPlatform.h"

#include "shell/clsStationError.h"
#include "shell/modPrivate.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
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

// This computer's name as the lock files name it (not every platform's host name is the
// one the lock writes), learnt from a lock of its own.
QString lockHostName() {
    const QTemporaryDir folder;
    QLockFile probe(folder.filePath(QStringLiteral("probe.lock")));
    qint64 pid = 0;
    QString host;
    QString application;
    return probe.tryLock(0) && probe.getLockInfo(&pid, &host, &application)
               ? host
               : QSysInfo::machineHostName();
}

// A lock that no copy of this computer holds: one of another computer that shares the
// folder, which this one cannot tell running from crashed, or a lock file that says nobody
// (left half written). Only the operator can clear it, so the start stops and says how.
void refuseLockOfNobodyHere(const QString& programFolder, const QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    // A copy starting this moment has made the file and not yet written who it is.
    constexpr int LockWriteWait = 200; // ms
    if (!lock.getLockInfo(&pid, &host, &application)) {
        QThread::msleep(LockWriteWait);
        lock.getLockInfo(&pid, &host, &application);
    }
    if (!host.isEmpty() && host == lockHostName()) {
        return;
    }
    const QString unknown = QStringLiteral("?");
    throw clsStationError(
        modPrivate::ReadLanguage(programFolder, modKeys::Messages::FolderLockedElsewhere)
            .arg(QDir::toNativeSeparators(programFolder), host.isEmpty() ? unknown : host,
                 pid > 0 ? QString::number(pid) : unknown,
                 QDir::toNativeSeparators(lock.fileName())));
}

// How long a later copy waits for the running one to take its request, in milliseconds.
constexpr int FrontRequestWait = 3000;

// The local socket beside the lock file: its path with ".socket" for ".lock", or, where
// that path is too long for a socket, a name in the temporary folder that stands for it.
QString socketName(const QString& lockPath) {
    QString path = lockPath;
    path.replace(path.size() - 5, 5, QStringLiteral(".socket"));
    constexpr qsizetype LongestSocketPath = 100; // sockaddr_un holds 108 bytes
    if (QFile::encodeName(path).size() <= LongestSocketPath) {
        return path;
    }
    const QByteArray id = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("station-%1").arg(QString::fromLatin1(id.toHex().left(16)));
}

// Asks the copy that holds the lock to come to the front. A copy too old to listen, or
// one that is just ending, does not answer; the request is then dropped.
void askToFront(const QString& lockPath) {
    QLocalSocket socket;
    socket.connectToServer(socketName(lockPath));
    if (socket.waitForConnected(FrontRequestWait)) {
        socket.write("front\n");
        socket.waitForBytesWritten(FrontRequestWait);
        socket.disconnectFromServer();
    }
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

clsQtPlatform::clsQtPlatform() = default;
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
        const bool another = lock->error() == QLockFile::LockFailedError;
        if (another) {
            refuseLockOfNobodyHere(programFolder, *lock);
            askToFront(lock->fileName());
        }
        return another;
    }
    ListenBeside(lock->fileName());
    m_instanceLock = std::move(lock);
    return false;
}

// Only the holder of the lock listens, so a socket left by a copy that was killed is
// removed first. A socket that cannot be made only costs the later copies their request.
void clsQtPlatform::ListenBeside(const QString& lockPath) {
    const QString name = socketName(lockPath);
    QLocalServer::removeServer(name);
    m_frontServer = std::make_unique<QLocalServer>();
    m_frontServer->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer* server = m_frontServer.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* request = server->nextPendingConnection()) {
            QObject::connect(request, &QLocalSocket::disconnected, request,
                             &QObject::deleteLater);
            QObject::connect(request, &QLocalSocket::readyRead, request, [request] {
                if (request->readAll().contains("front")) {
                    BringWindowsToFront();
                }
            });
        }
    });
    server->listen(name);
}

void clsQtPlatform::BringWindowsToFront() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->parentWidget() == nullptr && window->isVisible()) {
            window->setWindowState((window->windowState() & ~Qt::WindowMinimized) |
                                   Qt::WindowActive);
            window->raise();
            window->activateWindow();
        }
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
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

bool clsQtPlatform::PrintDocument(QWidget* owner, const QString& html, const QString& title) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) {
        return true;
    }
    return PrintHtml(printer, html);
}

bool clsQtPlatform::PrintHtml(QPrinter& printer, const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}
