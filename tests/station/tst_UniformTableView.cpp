// The long list's view under a screen reader: the accessible cells of announced rows.
//
// Accessibility is live only with a desktop's accessibility bus and a window system, so the
// test runs itself again on a display and a session bus of its own, with the accessibility
// bus started on it as a desktop session does.

#include "station/clsUniformTableView.h"

#include <QAccessible>
#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>
#include <vector>

namespace {

const char* const ChildMark = "STATION_ACCESSIBLE_CHILD";

// Starts program with arguments and returns its first line of output (empty on failure).
QString FirstLine(QProcess& process, const QString& program, const QStringList& arguments) {
    process.start(program, arguments);
    if (!process.waitForStarted() ||
        !QTest::qWaitFor([&] { return process.canReadLine(); }, 60000)) {
        return {};
    }
    return QString::fromLocal8Bit(process.readLine().trimmed());
}

// Runs the test again under Xvfb and a session bus with the accessibility bus on it.
int RunOnAccessibleDesktop(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    for (const char* tool : {"Xvfb", "dbus-daemon", "dbus-send"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            std::fprintf(stderr, "%s is not installed: scripts/setup installs it\n", tool);
            return 1;
        }
    }
    QProcess server;
    QProcess bus;
    const auto stop = qScopeGuard([&] {
        for (QProcess* process : {&bus, &server}) {
            process->terminate();
            process->waitForFinished();
        }
    });
    const QString display = FirstLine(
        server, "Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    const QString address =
        FirstLine(bus, "dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (display.isEmpty() || address.isEmpty()) {
        std::fprintf(stderr, "Xvfb or dbus-daemon did not start\n");
        return 1;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", ':' + display);
    environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    environment.insert(ChildMark, "1");
    QProcess call;
    call.setProcessEnvironment(environment);
    call.start("dbus-send", {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                             "org.a11y.Bus.GetAddress"});
    if (!call.waitForFinished(60000) || call.exitCode() != 0) {
        std::fprintf(stderr, "no accessibility bus: scripts/setup installs at-spi2-core\n");
        return 1;
    }
    QProcess test;
    test.setProcessEnvironment(environment);
    test.setProcessChannelMode(QProcess::ForwardedChannels);
    test.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
    test.waitForFinished(-1);
    return test.exitStatus() == QProcess::NormalExit ? test.exitCode() : 1;
}

} // namespace

class tst_UniformTableView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The desktop's accessibility bridge comes up with the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 30000);
    }

    // Rows appended one at a time, each selected and so announced as the live list selects
    // its newest row: only the cells of the rows since the last release stay (the releasing
    // row's own cell is made after it), so that their number stays below the release count
    // however long the list grows, and the newest row can still be read.
    void announcedCellsAreBounded_data() {
        constexpr int release = clsUniformTableView::AccessibleReleaseRows;
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("liveAtMost");
        QTest::addColumn<bool>("firstLive");
        QTest::newRow("a short list keeps every cell") << 20 << 20 << true;
        QTest::newRow("one short of the release") << release - 1 << release - 1 << true;
        QTest::newRow("just past the release") << release + 5 << 6 << false;
        QTest::newRow("a long list") << 4 * release + 100 << 101 << false;
    }
    void announcedCellsAreBounded() {
        QFETCH(int, rows);
        QFETCH(int, liveAtMost);
        QFETCH(bool, firstLive);
        QStandardItemModel model(0, 3);
        clsUniformTableView view;
        view.setModel(&model);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QAccessibleTableInterface* table =
            QAccessible::queryAccessibleInterface(&view)->tableInterface();
        std::vector<QAccessible::Id> announced;
        for (int row = 0; row < rows; ++row) {
            model.appendRow({new QStandardItem(QString::number(row + 1)), new QStandardItem,
                             new QStandardItem});
            view.selectionModel()->setCurrentIndex(model.index(row, 0),
                                                   QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
            announced.push_back(QAccessible::uniqueId(table->cellAt(row, 0)));
        }
        int live = 0;
        for (const QAccessible::Id id : announced) {
            live += QAccessible::accessibleInterface(id) != nullptr ? 1 : 0;
        }
        QVERIFY2(live <= liveAtMost, qPrintable(QString::number(live)));
        QCOMPARE(QAccessible::accessibleInterface(announced.front()) != nullptr, firstLive);
        QAccessibleInterface* newest = table->cellAt(rows - 1, 0);
        QVERIFY(newest != nullptr);
        QCOMPARE(newest->text(QAccessible::Name), QString::number(rows));
        QVERIFY(newest->state().selected);
    }
};

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet(ChildMark)) {
        return RunOnAccessibleDesktop(argc, argv);
    }
    QApplication application(argc, argv);
    tst_UniformTableView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_UniformTableView.moc"
