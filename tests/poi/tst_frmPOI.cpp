// The POI editor and search windows offscreen, opened from the main window.

#include "poi/PoiTestSupport.h"
#include "poi/frmPOI.h"
#include "poi/frmSearch.h"
#include "shell/modPrivate.h"
#include "station/StationTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

// The editor as the operator sees and works it.
struct Editor {
    QWidget* Window;

    QToolBar* Toolbar() const { return Window->findChild<QToolBar*>("tbrTool"); }
    void Click(const QString& key) const {
        for (QAction* action : Toolbar()->actions()) {
            if (action->data() == key) {
                QTest::mouseClick(Toolbar()->widgetForAction(action), Qt::LeftButton);
            }
        }
    }
    QLineEdit* Box(int i) const { // 2: the explanation, 3 to 8: the coordinate boxes
        return Window->findChild<QLineEdit*>(i == 2 ? "txtExplanation"
                                                    : QStringLiteral("VehicleTxt%1").arg(i));
    }
    // Types the explanation and the six coordinate boxes.
    void Type(const QStringList& texts) const {
        for (int i = 0; i < texts.size(); ++i) {
            Box(i + 2)->clear();
            QTest::keyClicks(Box(i + 2), texts[i]);
        }
    }
    // Panels, enabled keyed buttons, the fields, the checked option and the kinds that
    // have a picture, as one text.
    QString Seen() const {
        QStringList enabled, boxes, option, pictures;
        for (QAction* action : Toolbar()->actions()) {
            if (!action->data().toString().isEmpty() && action->isEnabled()) {
                enabled << action->data().toString();
            }
        }
        for (int i = 2; i <= 8; ++i) {
            boxes << Box(i)->text();
        }
        for (int kind = 1; kind <= 5; ++kind) {
            const QString n = QString::number(kind);
            option << (Window->findChild<QRadioButton*>("Option" + n)->isChecked() ? n : "");
            pictures << (Window->findChild<QLabel*>("Image" + n)->pixmap().isNull() ? "" : n);
        }
        return Window->findChild<QLabel*>("Panel1")->text() + "|" +
               Window->findChild<QLabel*>("Panel2")->text() + " [" + enabled.join(' ') + "] " +
               boxes.join(' ') + " " + option.join("") + " pictures " + pictures.join("");
    }
};

// Runs steps on the modal window of type W once it is up, while its opener waits in it.
template <class W> void WhenShown(std::function<void(W*)> steps) {
    // Owned by the application, so that a poll whose window never came is freed too.
    auto* poll = new QTimer(QApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [poll, steps] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            steps(window);
        }
    });
    poll->start(10);
}

// Types text over the remembered one that the search dialog offers selected and confirms
// it; without text, types another and cancels.
void SearchFor(const std::optional<QString>& text) {
    WhenShown<frmSearch>([text](frmSearch* dialog) {
        auto* box = dialog->findChild<QLineEdit*>("txtSearch");
        // The box selects the remembered text as it takes the focus; keys typed before
        // that would be added to it.
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClicks(box, text.value_or("harbour"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(text ? "cmdOK" : "cmdCancel"),
                          Qt::LeftButton);
    });
}

} // namespace

class tst_frmPOI : public QObject {
    Q_OBJECT

private slots:
    // A new operator's session from the main window: add, find, amend, delete. The search
    // dialog offers the remembered text selected, so that what is typed replaces it. The
    // main window reloads the points its map draws only when the editor changed the table.
    // Then a list that another program keeps from being read.
    void addFindAmendDeleteFromTheMainWindow() {
        StationWindow s;
        QVERIFY(s.Start());
        QVERIFY(QFile::remove(s.Dir.filePath("carimage/House/House3.gif")));
        const auto mapNames = [&s] {
            QStringList names;
            for (const CoordinateRecord& point : s.Window->MapDrawing().MapPoints()) {
                names << point.Explanation;
            }
            return names.join('|');
        };
        QStringList seen;
        const auto session = [&](std::function<void(const Editor&)> steps) {
            WhenShown<frmPOI>([steps](frmPOI* window) {
                const Editor editor{window};
                steps(editor);
                editor.Click("Exit");
            });
            QTest::mouseClick(s.Control("CmdPOI"), Qt::LeftButton);
        };
        session([&](const Editor& e) {
            seen << e.Seen();
            e.Click("NewRec");
            e.Type({"Joe's Diner", "120", "41", "05", "-24", "06", "23"});
            e.Click("WriteRec");
            e.Click("NewRec");
            e.Type({"Harbour", "0", "0", "", "0", "0", ""});
            e.Click("WriteRec");
            SearchFor("diner");
            e.Click("Search");
            seen << e.Seen();
            e.Click("AmendmentRec");
            e.Type({"Joe's Grill"});
            e.Click("WriteRec");
            SearchFor(std::nullopt);
            e.Click("Search");
            seen << e.Seen();
            SearchFor("grill");
            e.Click("Search");
        });
        QCOMPARE(mapNames(), "Joe's Grill|Harbour");
        session([&](const Editor& e) {
            e.Click("DelRec");
            seen << e.Seen();
        });
        QCOMPARE(mapNames(), "Harbour");
        Raw(s.Dir.filePath("database/POI.mdb"),
            "INSERT INTO POI (X, Y, Kind, Explanation) VALUES (1, 2, '1', 'Elsewhere')");
        session([](const Editor&) {});
        QCOMPARE(mapNames(), "Harbour");

        const QString two =
            "Record: 1/2| [NewRec AmendmentRec DelRec Search NextRec LastRec Exit] ";
        QCOMPARE(seen,
                 (QStringList{
                     "Record: 0/0|No points of interest stored [NewRec Exit]         pictures 1245",
                     two + "Joe's Diner 120 41 05 -24 06 23 1 pictures 1245",
                     two + "Joe's Grill 120 41 05 -24 06 23 1 pictures 1245",
                     "Record: 1/1| [NewRec AmendmentRec DelRec Search Exit] Harbour 0 00 00 0 "
                     "00 00 1 pictures 1245"}));
        QCOMPARE(Raw(s.Dir.filePath("database/POI.mdb"),
                     "SELECT group_concat(X || ' ' || Y || ' ' || Explanation, ';') FROM POI"),
                 "0.0 0.0 Harbour;1.0 2.0 Elsewhere");
        QCOMPARE(modPrivate::ReadSetting(s.Dir.path(), modKeys::Setting::SearchText), "grill");
        QCOMPARE(s.Platform.Messages.size(), 1);
        QCOMPARE(s.Platform.Messages[0].Text + "|" + s.Platform.Messages[0].Title,
                 "Delete this point of interest?|Delete POI");

        // A list that cannot be read closes only the editor; the station keeps running.
        bool opened = false;
        WhenShown<frmPOI>([&opened](frmPOI* window) {
            opened = true;
            window->reject();
        });
        {
            const DatabaseLock other(s.Dir.filePath("database/POI.mdb"), "BEGIN EXCLUSIVE");
            QVERIFY(other.Locked);
            QTest::mouseClick(s.Control("CmdPOI"), Qt::LeftButton);
        }
        QVERIFY(!opened);
        QCOMPARE(s.Platform.Messages.size(), 2);
        QCOMPARE(s.Platform.Messages[1].Text, "database is locked");
        QCOMPARE(s.Platform.Messages[1].MessageIcon, IPlatform::Icon::Critical);
        QVERIFY(s.Platform.ExitCodes.isEmpty() && s.Window->isVisible());
    }
};

STATION_UI_TEST_MAIN(tst_frmPOI)
#include "tst_frmPOI.moc"
