#include "frmShow.h"
#include "frmWaiting.h"
#include "modApplication.h"
#include "shell/StationTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

class tst_Notices : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    bool writeStopText(const QByteArray& text) {
        QFile language(dir_.filePath(QStringLiteral("Language.ini")));
        return language.open(QIODevice::WriteOnly) &&
               language.write("[Track]\r\n0026=" + text + "\r\n0028=Reading the log\r\n") > 0;
    }

    static void clickStop(QWidget* window) {
        modApplication::FetchContinue = true;
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }

private slots:
    void waitingStopButtonClearsTheFlag() {
        QVERIFY(writeStopText("Halt"));
        frmWaiting waiting(dir_.path(), nullptr);
        QCOMPARE(waiting.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Reading the log"));
        waiting.show();
        QVERIFY(QTest::qWaitForWindowExposed(&waiting));
        clickStop(&waiting);
        QVERIFY(!modApplication::FetchContinue);
        QVERIFY(waiting.isVisible());
    }

    void noticeTypesThreeLettersThenStartsOver() {
        QVERIFY(writeStopText("Abc"));
        frmShow notice(dir_.path(), nullptr);
        auto* label = notice.findChild<QLabel*>(QStringLiteral("Label1"));
        auto* timer = notice.findChild<QTimer*>(QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 200);
        // Connected after the window's own handler: sees the label after each tick.
        QStringList seen;
        connect(timer, &QTimer::timeout, this, [&] { seen << label->text(); });
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 17, 10000);
        QCOMPARE(seen.mid(0, 4), (QStringList{"A", "Ab", "Abc", "Abc"}));
        QCOMPARE(seen.mid(14, 3), (QStringList{"Abc", "", "A"}));
        clickStop(&notice);
        QVERIFY(!modApplication::FetchContinue);
    }
};

STATION_UI_TEST_MAIN(tst_Notices)
#include "tst_Notices.moc"
