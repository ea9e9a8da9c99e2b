#include "shell/clsProgramFolder.h"

#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace {

// One entry of a file list: a program file, or a symbolic link to one.
struct Entry {
    QString Path;
    QString LinkTarget;  // "" for a file
};

// A file list ("program-files.txt") or a stamp (".program-files"), read.
struct FileList {
    QString Version;
    QList<Entry> Entries;
    QHash<QString, QByteArray> Hashes;  // stamp only: path -> SHA-256, hex
};

QString Clean(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(QDir(path).absolutePath());
}

// A path of a list must stay beneath the folder it is laid into.
bool Confined(const QString& relative) {
    const QString clean = QDir::cleanPath(relative);
    return !clean.isEmpty() && !QDir::isAbsolutePath(clean) && clean != QStringLiteral("..") &&
           !clean.startsWith(QStringLiteral("../"));
}

FileList ParseList(const QByteArray& bytes) {
    FileList list;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || space < 0) {
            continue;
        }
        const QString kind = line.left(space);
        const QString rest = line.mid(space + 1);
        if (kind == QStringLiteral("version")) {
            list.Version = rest;
        } else if (kind == QStringLiteral("file") && Confined(rest)) {
            list.Entries.append({rest, {}});
        } else if (kind == QStringLiteral("link")) {
            const QStringList parts = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.size() == 2 && Confined(parts[0])) {
                list.Entries.append({parts[0], parts[1]});
            }
        } else if (kind.size() == 64 && Confined(rest)) {
            list.Hashes.insert(rest, kind.toLatin1());
        }
    }
    return list;
}

// SHA-256 of the file in hex; empty when it cannot be read.
QByteArray HashOf(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return hash.result().toHex();
}

[[noreturn]] void FailWrite(const QString& folder, const QString& path, const QString& reason) {
    throw clsStationError(modPrivate::ReadLanguage(folder, modKeys::Messages::ProgramFileNotCopied)
                              .arg(QDir::toNativeSeparators(path), reason));
}

void WriteWhole(const QString& folder, const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        FailWrite(folder, path, QStringLiteral("the folder cannot be created"));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        FailWrite(folder, path, file.errorString());
    }
}

// The first free name beside path for the user's copy of it.
QString KeptName(const QString& path) {
    QString kept = path + QStringLiteral(".yours");
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n) {
        kept = path + QStringLiteral(".yours-%1").arg(n);
    }
    return kept;
}

// Lays the program's own files from source into folder after the stamp of the last fill.
class clsRefresh {
public:
    clsRefresh(const QString& source, const QString& folder, const FileList& stamp)
        : m_source(source), m_folder(folder), m_stamp(stamp) {}

    void Lay(const Entry& entry) {
        const QString target = QDir(m_folder).filePath(entry.Path);
        if (!entry.LinkTarget.isEmpty()) {
            Link(target, entry.LinkTarget);
        } else {
            File(entry.Path, target);
        }
    }

    // Removes a file of the old list that the new one lacks, unless the user changed it.
    void Retire(const QString& relative) {
        const QString target = QDir(m_folder).filePath(relative);
        if (!m_hashes.contains(relative) && HashOf(target) == m_stamp.Hashes.value(relative)) {
            QFile::remove(target);
        }
    }

    const QList<clsProgramFolder::KeptFile>& Kept() const { return m_kept; }

    // The stamp of this fill: version, then each program file's hash as copied in.
    QByteArray Stamp(const QString& version) const {
        QByteArray bytes = "version " + version.toUtf8() + '\n';
        for (auto it = m_hashes.cbegin(); it != m_hashes.cend(); ++it) {
            bytes += it.value() + ' ' + it.key().toUtf8() + '\n';
        }
        return bytes;
    }

private:
    void Link(const QString& target, const QString& linkTarget) {
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            return;
        }
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::link(linkTarget, target)) {
            FailWrite(m_folder, target, QStringLiteral("the link cannot be made"));
        }
    }

    void File(const QString& relative, const QString& target) {
        const QString source = QDir(m_source).filePath(relative);
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            throw clsStationError(
                modPrivate::ReadLanguage(m_folder, modKeys::Messages::ProgramFilesUnreadable)
                    .arg(QDir::toNativeSeparators(source), in.errorString()));
        }
        const QByteArray bytes = in.readAll();
        const QByteArray fresh = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        const QByteArray copied = m_stamp.Hashes.value(relative);
        const bool present = QFileInfo::exists(target);
        const QByteArray current = present ? HashOf(target) : QByteArray();
        m_hashes.insert(relative, fresh);
        if (present && current != copied && current != fresh) {
            if (copied == fresh) {
                return;  // only the user changed it: theirs stays
            }
            const QString kept = KeptName(target);
            if (!QFile::rename(target, kept)) {
                FailWrite(m_folder, kept, QStringLiteral("the file cannot be renamed"));
            }
            m_kept.append({relative, QDir(m_folder).relativeFilePath(kept)});
        }
        if (current != fresh) {
            WriteWhole(m_folder, target, bytes);
        }
    }

    QString m_source;
    QString m_folder;
    const FileList& m_stamp;
    QMap<QString, QByteArray> m_hashes;
    QList<clsProgramFolder::KeptFile> m_kept;
};

} // namespace

clsProgramFolder::clsProgramFolder(Surroundings surroundings)
    : m_surroundings(std::move(surroundings)) {}

clsProgramFolder clsProgramFolder::Current() {
    return clsProgramFolder({QCoreApplication::applicationDirPath(),
                             qEnvironmentVariable("STATION_HOME"),
                             qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath(),
                             QStringLiteral(STATION_INSTALL_PREFIX),
                             QStringLiteral(STATION_INSTALLED_DATA)});
}

bool clsProgramFolder::Installed() const {
    const QString executable = Clean(m_surroundings.ExecutableFolder);
    const QString prefix = Clean(m_surroundings.InstallPrefix);
    const bool beneath = !prefix.isEmpty() &&
                         (executable == prefix || executable.startsWith(prefix + QLatin1Char('/')) ||
                          prefix == QStringLiteral("/"));
    return beneath && !QFileInfo::exists(QDir(executable).filePath(QStringLiteral("Language.ini")));
}

QString clsProgramFolder::Path() const {
    if (!m_surroundings.StationHome.isEmpty()) {
        return Clean(m_surroundings.StationHome);
    }
    if (!Installed()) {
        return Clean(m_surroundings.ExecutableFolder);
    }
    // A relative $XDG_DATA_HOME is invalid and ignored.
    const QString xdg = m_surroundings.XdgDataHome;
    const QString data = QDir::isAbsolutePath(xdg)
                             ? xdg
                             : QDir(m_surroundings.Home).filePath(QStringLiteral(".local/share"));
    return Clean(QDir(data).filePath(QLatin1String(UserFolderName)));
}

QList<clsProgramFolder::KeptFile> clsProgramFolder::Prepare() const {
    if (!Installed()) {
        return {};
    }
    const QString folder = Path();
    const QString source = Clean(m_surroundings.InstalledData);
    QFile listFile(QDir(source).filePath(QLatin1String(ListName)));
    if (!listFile.open(QIODevice::ReadOnly)) {
        throw clsStationError(
            modPrivate::ReadLanguage(folder, modKeys::Messages::ProgramFilesUnreadable)
                .arg(QDir::toNativeSeparators(listFile.fileName()), listFile.errorString()));
    }
    const FileList list = ParseList(listFile.readAll());
    const QString stampPath = QDir(folder).filePath(QLatin1String(StampName));
    QFile stampFile(stampPath);
    const FileList stamp =
        stampFile.open(QIODevice::ReadOnly) ? ParseList(stampFile.readAll()) : FileList{};
    if (!stamp.Version.isEmpty() && stamp.Version == list.Version) {
        return {};
    }

    clsRefresh refresh(source, folder, stamp);
    for (const Entry& entry : list.Entries) {
        refresh.Lay(entry);
    }
    for (auto it = stamp.Hashes.cbegin(); it != stamp.Hashes.cend(); ++it) {
        refresh.Retire(it.key());
    }
    WriteWhole(folder, stampPath, refresh.Stamp(list.Version));
    return refresh.Kept();
}
