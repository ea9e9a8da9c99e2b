// The program folder under faults: files of the program missing or cut short, a folder that
// cannot be written, and a lock left by a station of another computer. The station goes on
// with a notice where it can, and otherwise ends with a message that names the file.

#include "map/MapPageSupport.h"
#include "shell/clsQtPlatform.h"
#include "shell/modApplication.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <sched.h>
#include <sys/mount.h>

namespace {

// Whether this test runs in a mount namespace of its own, where it can make a folder
// read-only as a read-only mount is, whoever runs it, and leave the system's mounts alone.
bool g_ownMounts = false;

bool WriteProcFile(const char* path, const QByteArray& text) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool TakeOwnMounts() {
    if (unshare(CLONE_NEWNS) != 0) { // without privileges: as root of a user namespace
        const QByteArray uid = QByteArray::number(getuid());
        const QByteArray gid = QByteArray::number(getgid());
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            !WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map", "0 " + uid + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + gid + " 1")) {
            return false;
        }
    }
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The folder, read-only while the object lives, as a read-only file system is.
struct ReadOnlyMount {
    QByteArray Path;
    bool Made = false;
    explicit ReadOnlyMount(const QString& folder) : Path(QFile::encodeName(folder)) {
        Made = mount(Path, Path, nullptr, MS_BIND, nullptr) == 0 &&
               mount(nullptr, Path, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyMount() { umount2(Path, MNT_DETACH); }
};

// Every file beneath folder with a hash of its bytes, one line each, sorted.
QStringList Contents(const QString& folder) {
    QStringList lines;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        lines << path.mid(folder.size()) + ' ' +
                     QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha1).toHex();
    }
    lines.sort();
    return lines;
}

} // namespace

class tst_FolderFaults : public QObject {
    Q_OBJECT

private slots:
    // fault: what is done to the program folder before the start. Where the station goes
    // on, two moving sentences become two rows, and a message of the drawing is shown once.
    void faultsOfTheFolder_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("notice");  // part of the start's notices; "" none
        QTest::addColumn<QString>("message"); // part of the one message shown; "" none
        QTest::addColumn<bool>("ends");       // with that message, before the window shows
        QTest::newRow("language file missing")
            << "no language" << "Language.ini is missing: the windows show no captions" << ""
            << false;
        QTest::newRow("map template of four lines")
            << "four lines" << "" << "The map template has 4 lines" << false;
        QTest::newRow("carimage missing")
            << "no carimage" << "" << "carimage/Standards.txt cannot be read" << true;
        QTest::newRow("read-only folder")
            << "read-only" << "cannot be written: settings are not kept"
            << "carimage/markers.txt cannot be written" << false;
        QTest::newRow("read-only folder without a database")
            << "read-only, no database" << "cannot be written: settings are not kept"
            << "database/POI.mdb cannot be opened" << true;
    }

    void faultsOfTheFolder() {
        QFETCH(QString, fault);
        QFETCH(QString, notice);
        QFETCH(QString, message);
        QFETCH(bool, ends);
        MapWindow s;
        QVERIFY(s.Create("[Ports]\nCOM2=" + s.Device + "\n[Settings]\nCommPort=2\n"));
        const QString folder = s.Dir.path();
        if (fault == "no language") {
            QVERIFY(QFile::remove(folder + "/Language.ini"));
        } else if (fault == "four lines") {
            const QByteArrayList lines = ReadFile(folder + "/carimage/Standards.txt").split('\n');
            QVERIFY(WriteFile(folder + "/carimage/Standards.txt", lines.mid(0, 4).join('\n')));
        } else if (fault == "no carimage") {
            QVERIFY(QDir(folder + "/carimage").removeRecursively());
        } else if (fault == "read-only") {
            clsDBLib made; // the database an installed station's copy would hold
            made.OpenStationDatabase(folder);
        }
        std::optional<ReadOnlyMount> readOnly;
        if (fault.startsWith("read-only")) {
            if (!g_ownMounts) {
                QSKIP("the system allows this test no mount namespace of its own");
            }
            readOnly.emplace(folder);
            QVERIFY(readOnly->Made);
        }
        const QStringList before = Contents(folder);

        const QString notices = modApplication::StartNotices(folder, QString());
        QVERIFY2(notice.isEmpty() ? notices.isEmpty() : notices.contains(notice),
                 qPrintable(notices));
        s.Watch.emplace(s.Window->MapView());
        QCOMPARE(s.Window->Load(), !ends);
        QCOMPARE(s.Platform.ExitCodes, ends ? QList<int>{1} : QList<int>());
        if (!ends) {
            s.Window->show();
            QVERIFY(QTest::qWaitForWindowExposed(s.Window.get()));
            QCOMPARE(s.Control<QPushButton>("CmdPOI")->text().isEmpty(), fault == "no language");
            s.Click("cmdQuery");
            QVERIFY(s.Send(Sentence(25.1, 121.5, 90, "120000")));
            QVERIFY(s.Send(Sentence(25.2, 121.5, 90, "120001")));
        }
        QStringList shown;
        for (const RecordingPlatform::Message& m : s.Platform.Messages) {
            shown << m.Text;
        }
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(shown[0].contains(QDir::toNativeSeparators(message)), qPrintable(shown[0]));
        }
        if (readOnly) {
            QCOMPARE(Contents(folder), before);
            const QString panel = s.Control<QLabel>("Panel1")->text();
            QVERIFY2(ends || panel.contains("positions are not logged", Qt::CaseInsensitive),
                     qPrintable(panel));
        }
    }

    // A lock that names another computer, or nobody, cannot be told from one whose station
    // still runs; the start stops with the lock file's name and how to clear it, and the
    // lock stays. A lock of this computer's ended copy is taken over.
    void lockLeftElsewhere_data() {
        QTest::addColumn<QByteArray>("lock"); // the lock file's bytes
        QTest::addColumn<QString>("told");    // part of the message; "" none, the lock taken
        QTest::newRow("another computer")
            << QByteArray("4242\nstation\nfar-away-host\n\n\n")
            << "by a station on the computer far-away-host (process 4242)";
        QTest::newRow("nobody named") << QByteArray() << "on the computer ? (process ?)";
        QTest::newRow("an ended copy here")
            << "999999999\nstation\n" + QSysInfo::machineHostName().toUtf8() + "\n\n\n"
            << "";
    }

    void lockLeftElsewhere() {
        QFETCH(QByteArray, lock);
        QFETCH(QString, told);
        QTemporaryDir dir;
        QVERIFY(MakeProgramFolder(dir.path()));
        const QString lockPath = dir.filePath(".station.lock");
        QVERIFY(WriteFile(lockPath, lock));
        clsQtPlatform platform;
        bool another = true;
        const QString error = ErrorOf([&] { another = platform.AnotherInstanceRuns(dir.path()); });
        if (told.isEmpty()) {
            QCOMPARE(error, QString());
            QVERIFY(!another);
            QVERIFY(ReadFile(lockPath).startsWith(QByteArray::number(QCoreApplication::applicationPid())));
            return;
        }
        QVERIFY2(error.contains(told) && error.contains("delete the lock file " + lockPath),
                 qPrintable(error));
        QCOMPARE(ReadFile(lockPath), lock);
    }
};

int main(int argc, char* argv[]) {
    g_ownMounts = TakeOwnMounts();
    PrepareBrowser();
    QApplication application(argc, argv);
    tst_FolderFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FolderFaults.moc"
