#include "notices/frmShow.h"
#include "notices/frmWaiting.h"
#include "shell/TestFiles.h"
#include "shell/modApplication.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class tst_Notices : public QObject {
    Q_OBJECT

private slots:
    // The stop buttons of both windows clear the flag that a running fetch polls; the
    // waiting window stays until the fetch has ended.
    void stopButtonsClearTheFlag() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("Language.ini"), "[Track]\r\n0028=Reading the log\r\n"));
        frmWaiting waiting(dir.path(), nullptr);
        frmShow notice(dir.path(), nullptr);
        QCOMPARE(waiting.findChild<QLabel*>("Label1")->text(), "Reading the log");
        waiting.show();
        QVERIFY(QTest::qWaitForWindowExposed(&waiting));
        for (QWidget* window : {static_cast<QWidget*>(&waiting), static_cast<QWidget*>(&notice)}) {
            modApplication::FetchContinue = true;
            QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
            QVERIFY(!modApplication::FetchContinue);
        }
        QVERIFY(waiting.isVisible());
    }
};

QTEST_MAIN(tst_Notices)
#include "tst_Notices.moc"
