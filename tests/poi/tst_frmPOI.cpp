#include "poi/PoiTestSupport.h"
#include "poi/frmPOI.h"
#include "poi/frmSearch.h"
#include "shell/StationTestSupport.h"
#include "shell/modApplication.h"
#include "shell/modPrivate.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

// The editor as the operator sees and works it.
struct Editor {
    QWidget* Window;

    QToolBar* Toolbar() const { return Window->findChild<QToolBar*>("tbrTool"); }
    QAction* Button(const QString& key) const {
        for (QAction* action : Toolbar()->actions()) {
            if (action->data() == key) {
                return action;
            }
        }
        return nullptr;
    }
    void Click(const QString& key) const {
        QTest::mouseClick(Toolbar()->widgetForAction(Button(key)), Qt::LeftButton);
    }
    QLineEdit* Box(const QString& name) const { return Window->findChild<QLineEdit*>(name); }
    void Type(const QString& name, const QString& text) const {
        Box(name)->clear();
        QTest::keyClicks(Box(name), text);
    }
    void TypeCoordinates(const QStringList& texts) const {
        for (int i = 0; i < 6; ++i) {
            Type(QStringLiteral("VehicleTxt%1").arg(i + 3), texts[i]);
        }
    }
    // Panels, enabled keyed buttons, the fields and the checked option, as one text.
    QString Seen() const {
        QStringList enabled, boxes{Box("txtExplanation")->text()};
        for (QAction* action : Toolbar()->actions()) {
            if (!action->data().toString().isEmpty() && action->isEnabled()) {
                enabled << action->data().toString();
            }
        }
        for (int i = 3; i <= 8; ++i) {
            boxes << Box(QStringLiteral("VehicleTxt%1").arg(i))->text();
        }
        QString option = "-";
        for (int kind = 1; kind <= 5; ++kind) {
            if (Window->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(kind))
                    ->isChecked()) {
                option = QString::number(kind);
            }
        }
        return Window->findChild<QLabel*>("Panel1")->text() + "|" +
               Window->findChild<QLabel*>("Panel2")->text() + " [" + enabled.join(' ') + "] " +
               boxes.join(' ') + " " + option;
    }
};

// Runs steps on the modal window of type W once it is up, while its opener waits in it.
template <class W> void WhenShown(std::function<void(W*)> steps) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, steps] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            steps(window);
        }
    });
    poll->start(10);
}

void SearchFor(const std::optional<QString>& text) {
    WhenShown<frmSearch>([text](frmSearch* dialog) {
        if (text) {
            dialog->findChild<QLineEdit*>("txtSearch")->setText(*text);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(text ? "cmdOK" : "cmdCancel"),
                          Qt::LeftButton);
    });
}

} // namespace

class tst_frmPOI : public QObject {
    Q_OBJECT

private slots:
    // A new operator's session from the main window: add, find, amend, delete.
    void addFindAmendDeleteFromTheMainWindow() {
        StationWindow s;
        QVERIFY(s.Start());
        // The points the map draws: reloaded only when the editor changed the table.
        const auto mapNames = [&s] {
            QStringList names;
            for (const CoordinateRecord& point : s.Window->MapDrawing().MapPoints()) {
                names << point.Explanation;
            }
            return names.join('|');
        };
        QStringList seen;
        const auto session = [&](std::function<void(const Editor&)> steps) {
            WhenShown<frmPOI>([&seen, steps](frmPOI* window) {
                const Editor editor{window};
                steps(editor);
                seen << editor.Seen();
                editor.Click("Exit");
            });
            QTest::mouseClick(s.Control("CmdPOI"), Qt::LeftButton);
        };
        session([&](const Editor& e) {
            seen << e.Seen();
            e.Click("NewRec");
            e.Type("txtExplanation", "Joe's Diner");
            e.TypeCoordinates({"120", "41", "05", "-24", "06", "23"});
            e.Click("WriteRec");
            e.Click("NewRec");
            e.Type("txtExplanation", "Harbour");
            e.TypeCoordinates({"0", "0", "", "0", "0", ""});
            e.Click("WriteRec");
            SearchFor("diner");
            e.Click("Search");
            seen << e.Seen();
            e.Click("AmendmentRec");
            e.Type("txtExplanation", "Joe's Grill");
            e.Click("WriteRec");
            SearchFor(std::nullopt);
            e.Click("Search");
        });
        QCOMPARE(mapNames(), "Joe's Grill|Harbour");
        session([&](const Editor& e) { e.Click("DelRec"); });
        QCOMPARE(mapNames(), "Harbour");
        Raw(s.Dir.filePath("database/POI.mdb"),
            "INSERT INTO POI (X, Y, Kind, Explanation) VALUES (1, 2, '1', 'Elsewhere')");
        session([](const Editor&) {});
        QCOMPARE(mapNames(), "Harbour");

        QCOMPARE(seen, (QStringList{
                           "Record: 0/0|No points of interest stored [NewRec Exit]        -",
                           "Record: 1/2| [NewRec AmendmentRec DelRec Search NextRec LastRec Exit] "
                           "Joe's Diner 120 41 05 -24 06 23 1",
                           "Record: 1/2| [NewRec AmendmentRec DelRec Search NextRec LastRec Exit] "
                           "Joe's Grill 120 41 05 -24 06 23 1",
                           "Record: 1/1| [NewRec AmendmentRec DelRec Search Exit] "
                           "Harbour 0 00 00 0 00 00 1",
                           "Record: 1/2| [NewRec AmendmentRec DelRec Search NextRec LastRec Exit] "
                           "Harbour 0 00 00 0 00 00 1"}));
        QCOMPARE(Raw(s.Dir.filePath("database/POI.mdb"),
                     "SELECT group_concat(X || ' ' || Y || ' ' || Explanation, ';') FROM POI"),
                 "0.0 0.0 Harbour;1.0 2.0 Elsewhere");
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::SearchText), "diner");
        QCOMPARE(s.Platform.Messages.size(), 1);
        QCOMPARE(s.Platform.Messages[0].Text + "|" + s.Platform.Messages[0].Title,
                 "Delete this point of interest?|Delete POI");
    }

    void pictures() {
        StationWindow s;
        QVERIFY(s.Create());
        QVERIFY(QFile::remove(s.Dir.filePath("carimage/House/House3.gif")));
        frmPOI window(s.Dir.path(), s.Db, nullptr);
        QStringList pictures;
        for (int kind = 1; kind <= 5; ++kind) {
            pictures << QString::number(
                !window.findChild<QLabel*>(QStringLiteral("Image%1").arg(kind))->pixmap().isNull());
        }
        QCOMPARE(pictures.join(' '), "1 1 0 1 1");
    }

    // An unreadable list closes only the editor; the station keeps running.
    void listErrorClosesOnlyTheEditor() {
        StationWindow s;
        QVERIFY(s.Start());
        bool opened = false;
        WhenShown<frmPOI>([&opened](frmPOI* window) {
            opened = true;
            window->reject();
        });
        {
            const DatabaseLock other(s.Dir.filePath("database/POI.mdb"), "BEGIN EXCLUSIVE");
            QVERIFY(other.Locked());
            QTest::mouseClick(s.Control("CmdPOI"), Qt::LeftButton);
        }
        QVERIFY(!opened);
        QCOMPARE(s.Platform.Messages.size(), 1);
        QCOMPARE(s.Platform.Messages[0].Text, "database is locked");
        QCOMPARE(s.Platform.Messages[0].MessageIcon, IPlatform::Icon::Critical);
        QVERIFY(s.Platform.ExitCodes.isEmpty() && s.Window->isVisible());
    }

    void searchDialog_data() {
        QTest::addColumn<QString>("typed"); // "" keeps the remembered text
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("result"); // ResultFlag|SearchText|setting
        QTest::newRow("remembered") << ""
                                    << "cmdOK"
                                    << "1|gate|gate";
        QTest::newRow("typed") << "  Joe's "
                               << "cmdOK"
                               << "1|Joe's|Joe's";
        QTest::newRow("cancelled") << "Joe's"
                                   << "cmdCancel"
                                   << "0||gate";
    }
    void searchDialog() {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, result);
        QTemporaryDir dir;
        QVERIFY(modPrivate::WriteSetting(dir.path(), modKeys::Setting::SearchText, "gate"));
        modApplication::ResultFlag = 1;
        modApplication::SearchText.clear();
        frmSearch dialog(dir.path(), nullptr);
        QCOMPARE(modApplication::ResultFlag, 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* box = dialog.findChild<QLineEdit*>("txtSearch");
        QTRY_VERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), "gate");
        if (!typed.isEmpty()) {
            QTest::keyClicks(box, typed);
        }
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(
            QStringList({QString::number(modApplication::ResultFlag), modApplication::SearchText,
                         modPrivate::ReadSetting(dir.path(), modKeys::Setting::SearchText)})
                .join('|'),
            result);
        QVERIFY(!dialog.isVisible());
    }
};

STATION_UI_TEST_MAIN(tst_frmPOI)
#include "tst_frmPOI.moc"
