// Where the program folder lies (build tree, installed, $STATION_HOME) and how an installed
// station fills and refreshes its per-user folder from the installed files.

#include "TestFiles.h"
#include "shell/clsProgramFolder.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Kept = QList<clsProgramFolder::KeptFile>;

// The installed files of one package version: a list and the files it names.
void Install(const QString& data, const QString& version, const QMap<QString, QByteArray>& files) {
    QDir(data).removeRecursively();
    QByteArray list = "# test\nversion " + version.toUtf8() + "\n";
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QVERIFY(WriteFile(QDir(data).filePath(it.key()), it.value()));
        list += "file " + it.key().toUtf8() + "\n";
    }
    list += "link carimage/C-Rv C-rv\n";
    QVERIFY(WriteFile(QDir(data).filePath(QLatin1String(clsProgramFolder::ListName)), list));
}

QString KeptText(const Kept& kept) {
    QStringList parts;
    for (const clsProgramFolder::KeptFile& file : kept) {
        parts.append(file.Path + QStringLiteral(">") + file.Kept);
    }
    return parts.join(QLatin1Char(','));
}

} // namespace

class tst_ProgramFolder : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString at(const QString& relative) const { return m_root.filePath(relative); }

    // An installed station: executable in usr/bin, data in usr/share, program folder home/data.
    clsProgramFolder installed() const {
        return clsProgramFolder({at("usr/bin"), at("home/data"), {}, at("home"), at("usr"),
                                 at("usr/share/gps-tracking-station")});
    }
    QString data() const { return at("usr/share/gps-tracking-station"); }
    QString user(const QString& relative) const { return at("home/data/" + relative); }

private slots:
    void init() {
        QDir(m_root.path()).removeRecursively();
        QVERIFY(QDir().mkpath(at("usr/bin")));
        QVERIFY(QDir().mkpath(at("build/station")));
        QVERIFY(WriteFile(at("build/station/Language.ini"), "[Track]\n"));
        QVERIFY(QDir().mkpath(at("usr/src/build/station")));
        QVERIFY(WriteFile(at("usr/src/build/station/Language.ini"), "[Track]\n"));
    }

    void location_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("stationHome");
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("isInstalled");
        // Paths relative to the test's root; "~" is its home folder.
        QTest::newRow("build tree") << "build/station" << "" << "" << "build/station" << false;
        QTest::newRow("build tree beneath the prefix")
            << "usr/src/build/station" << "" << "" << "usr/src/build/station" << false;
        QTest::newRow("build tree, own home")
            << "build/station" << "run" << "xdg" << "run" << false;
        QTest::newRow("installed") << "usr/bin" << "" << "" << "~/.local/share/gps-tracking-station"
                                   << true;
        QTest::newRow("installed, data home")
            << "usr/bin" << "" << "xdg" << "xdg/gps-tracking-station" << true;
        QTest::newRow("installed, relative data home is ignored")
            << "usr/bin" << "" << "relative/xdg" << "~/.local/share/gps-tracking-station" << true;
        QTest::newRow("installed, own home") << "usr/bin" << "demo" << "xdg" << "demo" << true;
        QTest::newRow("beside the prefix, not beneath it")
            << "usrlocal/bin" << "" << "" << "usrlocal/bin" << false;
    }
    void location() {
        QFETCH(QString, executable);
        QFETCH(QString, stationHome);
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, expected);
        QFETCH(bool, isInstalled);
        const auto absolute = [this](const QString& path) {
            return path.isEmpty() || path.startsWith(QLatin1String("relative"))
                       ? path
                       : at(QString(path).replace(QLatin1Char('~'), QLatin1String("home")));
        };
        const clsProgramFolder folder({absolute(executable), absolute(stationHome),
                                       absolute(xdgDataHome), at("home"), at("usr"), data()});
        QCOMPARE(folder.Path(), QDir::cleanPath(absolute(expected)));
        QCOMPARE(folder.Installed(), isInstalled);
    }

    void buildTreeIsLeftAlone() {
        Install(data(), "1", {{"Language.ini", "new"}});
        const clsProgramFolder folder({at("build/station"), {}, {}, at("home"), at("usr"), data()});
        QVERIFY(folder.Prepare().isEmpty());
        QCOMPARE(ReadFile(at("build/station/Language.ini")), QByteArray("[Track]\n"));
        QVERIFY(!QFileInfo::exists(at("build/station/.program-files")));
    }

    void firstStartFillsAndLaterStartsKeep() {
        Install(data(), "1", {{"Language.ini", "lang"}, {"carimage/C-rv/car000.gif", "gif"}});
        QVERIFY(installed().Prepare().isEmpty());
        QCOMPARE(ReadFile(user("Language.ini")), QByteArray("lang"));
        QCOMPARE(ReadFile(user("carimage/C-Rv/car000.gif")), QByteArray("gif"));
        QVERIFY(QFileInfo(user("carimage/C-Rv")).isSymLink());
        QVERIFY(ReadFile(user(".program-files")).startsWith("version 1\n"));

        // The user's own files, and a program file edited by hand, survive a second start.
        QVERIFY(WriteFile(user("vendrel.ini"), "[Settings]\nCommPort=1\n"));
        QVERIFY(WriteFile(user("export/History-2026-12.log"), "line\n"));
        QVERIFY(WriteFile(user("Language.ini"), "mine"));
        QVERIFY(installed().Prepare().isEmpty());
        QCOMPARE(ReadFile(user("Language.ini")), QByteArray("mine"));
        QCOMPARE(ReadFile(user("vendrel.ini")), QByteArray("[Settings]\nCommPort=1\n"));
        QCOMPARE(ReadFile(user("export/History-2026-12.log")), QByteArray("line\n"));
    }

    // One program file F across an upgrade from version 1 to version 2.
    void upgrade_data() {
        QTest::addColumn<QByteArray>("before");   // F in version 1; "" when absent
        QTest::addColumn<QByteArray>("byUser");   // what the user made of F; "-" deleted, "" untouched
        QTest::addColumn<QByteArray>("after");    // F in version 2; "" when absent
        QTest::addColumn<QByteArray>("expected"); // F in the user's folder; "" when absent
        QTest::addColumn<QByteArray>("keptAs");   // the user's copy beside it; "" when none
        QTest::newRow("untouched, new version") << QByteArray("a") << QByteArray() << QByteArray("b")
                                                << QByteArray("b") << QByteArray();
        QTest::newRow("changed, same in new version")
            << QByteArray("a") << QByteArray("u") << QByteArray("a") << QByteArray("u") << QByteArray();
        QTest::newRow("changed, new version too")
            << QByteArray("a") << QByteArray("u") << QByteArray("b") << QByteArray("b") << QByteArray("u");
        QTest::newRow("changed to the new version")
            << QByteArray("a") << QByteArray("b") << QByteArray("b") << QByteArray("b") << QByteArray();
        QTest::newRow("deleted, same in new version")
            << QByteArray("a") << QByteArray("-") << QByteArray("a") << QByteArray("a") << QByteArray();
        QTest::newRow("new in new version, user had one")
            << QByteArray() << QByteArray("u") << QByteArray("b") << QByteArray("b") << QByteArray("u");
        QTest::newRow("dropped, untouched")
            << QByteArray("a") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("dropped, changed")
            << QByteArray("a") << QByteArray("u") << QByteArray() << QByteArray("u") << QByteArray();
    }
    void upgrade() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, byUser);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, keptAs);
        const auto files = [](const QByteArray& f) {
            QMap<QString, QByteArray> map{{"Language.ini", "lang"}};
            if (!f.isEmpty()) {
                map.insert("carimage/F.txt", f);
            }
            return map;
        };
        Install(data(), "1", files(before));
        QVERIFY(installed().Prepare().isEmpty());
        QVERIFY(WriteFile(user("vendrel.ini"), "settings"));
        if (byUser == "-") {
            QVERIFY(QFile::remove(user("carimage/F.txt")));
        } else if (!byUser.isEmpty()) {
            QVERIFY(WriteFile(user("carimage/F.txt"), byUser));
        }

        Install(data(), "2", files(after));
        const Kept kept = installed().Prepare();
        QCOMPARE(ReadFile(user("carimage/F.txt")), expected);
        QCOMPARE(QFileInfo::exists(user("carimage/F.txt")), !expected.isEmpty());
        QCOMPARE(ReadFile(user("carimage/F.txt.yours")), keptAs);
        QCOMPARE(KeptText(kept), keptAs.isEmpty() ? QString() : "carimage/F.txt>carimage/F.txt.yours");
        QCOMPARE(ReadFile(user("vendrel.ini")), QByteArray("settings"));
        QVERIFY(ReadFile(user(".program-files")).startsWith("version 2\n"));
    }

    void earlierKeptCopyIsNotOverwritten() {
        Install(data(), "1", {{"Language.ini", "a"}});
        QVERIFY(installed().Prepare().isEmpty());
        QVERIFY(WriteFile(user("Language.ini"), "mine"));
        QVERIFY(WriteFile(user("Language.ini.yours"), "older"));
        Install(data(), "2", {{"Language.ini", "b"}});
        QCOMPARE(KeptText(installed().Prepare()), QString("Language.ini>Language.ini.yours-2"));
        QCOMPARE(ReadFile(user("Language.ini.yours")), QByteArray("older"));
        QCOMPARE(ReadFile(user("Language.ini.yours-2")), QByteArray("mine"));
    }

    void listCannotReachOutside() {
        Install(data(), "1", {{"Language.ini", "a"}});
        QVERIFY(WriteFile(at("usr/share/evil"), "evil"));
        QByteArray list = ReadFile(QDir(data()).filePath("program-files.txt"));
        list += "file ../evil\nfile /etc/evil\nlink ../../outside C-rv\n";
        QVERIFY(WriteFile(QDir(data()).filePath("program-files.txt"), list));
        QVERIFY(installed().Prepare().isEmpty());
        QVERIFY(!QFileInfo::exists(at("home/evil")));
        QVERIFY(!QFileInfo(at("outside")).isSymLink());
        QCOMPARE(ReadFile(user("Language.ini")), QByteArray("a"));
    }

    void failuresAreTold_data() {
        QTest::addColumn<QString>("obstacle"); // a folder where the fill must write a file
        QTest::addColumn<bool>("listMissing");
        QTest::addColumn<QString>("named");    // in the message
        QTest::newRow("no installed list") << "" << true << "program-files.txt";
        QTest::newRow("file cannot be written") << "home/data/Language.ini/x" << false << "Language.ini";
        QTest::newRow("folder cannot be made") << "home/data" << false << "data";
    }
    void failuresAreTold() {
        QFETCH(QString, obstacle);
        QFETCH(bool, listMissing);
        QFETCH(QString, named);
        Install(data(), "1", {{"Language.ini", "a"}, {"images/Logo.png", "png"}});
        if (listMissing) {
            QVERIFY(QFile::remove(QDir(data()).filePath("program-files.txt")));
        }
        if (obstacle == "home/data") {
            QVERIFY(WriteFile(at("home/data"), "a file where the folder goes"));
        } else if (!obstacle.isEmpty()) {
            QVERIFY(QDir().mkpath(at(obstacle)));
        }
        const QString message = ErrorOf([this] { installed().Prepare(); });
        QVERIFY2(message.contains(named), qPrintable(message));
        // Nothing is stamped, so the next start fills again once the obstacle is gone.
        QVERIFY(!QFileInfo::exists(user(".program-files")));
        if (!listMissing && obstacle != "home/data") {
            QVERIFY(QDir(at("home/data/Language.ini")).removeRecursively());
            QVERIFY(installed().Prepare().isEmpty());
            QCOMPARE(ReadFile(user("Language.ini")), QByteArray("a"));
            QCOMPARE(ReadFile(user("images/Logo.png")), QByteArray("png"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_ProgramFolder)
#include "tst_ProgramFolder.moc"
