#include "notices/frmShow.h"
#include "notices/frmWaiting.h"
#include "shell/TestFiles.h"
#include "shell/modApplication.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Clicks the window's stop button; true when that cleared the flag the running job polls.
bool stopClearsFetchContinue(QWidget* window) {
    modApplication::FetchContinue = true;
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    return !modApplication::FetchContinue;
}

} // namespace

class tst_Notices : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QVERIFY(WriteFile(m_dir.filePath("Language.ini"),
                          "[Track]\r\n0026=Abc\r\n0028=Reading the log\r\n"));
    }

    void waitingStopButtonClearsTheFlag() {
        frmWaiting waiting(m_dir.path(), nullptr);
        QCOMPARE(waiting.findChild<QLabel*>(QStringLiteral("Label1"))->text(), "Reading the log");
        waiting.show();
        QVERIFY(QTest::qWaitForWindowExposed(&waiting));
        QVERIFY(stopClearsFetchContinue(&waiting));
        QVERIFY(waiting.isVisible());
    }

    void noticeTypesThreeLettersThenStartsOver() {
        frmShow notice(m_dir.path(), nullptr);
        auto* label = notice.findChild<QLabel*>(QStringLiteral("Label1"));
        auto* timer = notice.findChild<QTimer*>(QStringLiteral("Timer1"));
        // Connected after the window's own handler: sees the label after each tick.
        QStringList seen;
        connect(timer, &QTimer::timeout, this, [&] { seen << label->text(); });
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 17, 10000);
        QCOMPARE(seen.mid(0, 4), (QStringList{"A", "Ab", "Abc", "Abc"}));
        QCOMPARE(seen.mid(14, 3), (QStringList{"Abc", "", "A"}));
        QVERIFY(stopClearsFetchContinue(&notice));
    }
};

QTEST_MAIN(tst_Notices)
#include "tst_Notices.moc"
