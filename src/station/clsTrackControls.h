#pragma once

#include "history/clsHistoryQuery.h"
#include "shell/TwipsRect.h"
#include "tracking/clsTrackRecorder.h"

#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QSlider;
class QStatusBar;
class QTableView;
class QTimer;
class QWebEngineView;
class QWidget;
class clsDateViewModel;
class clsMapDrawing;
class clsWarnOnce;
class clsPortChoices;
class clsProfileText;
struct PositionFix;
class clsSerialReceiver;
class QDateTime;

// The main window's controls as designed: each with its object name, its parent and its
// designed properties, laid out in its frame, and the captions from the language text.
// The window builds them once and wires them; what they show afterwards is the window's.
class clsTrackControls {
public:
    // Width of the coordinate label beside the speed as designed, and as it is, in twips:
    // both coordinates need more room, so the label is wider and right-aligned, and its
    // text ends where the designed label ends.
    static constexpr double DesignedLabXYWidth = 2450;
    static constexpr double LabXYWidth = 4200;
    // Designed inner size of the window, in twips (840 x 630 pixels at 96 dots per inch);
    // the menu bar comes above it.
    static constexpr double DesignedWidth = 12600;
    static constexpr double DesignedHeight = 9450;

    // Makes every control beneath window, pictures from the program folder. The timers
    // are made stopped, except MapTimer; none has a handler yet; the window has its
    // designed size with the menu bar above. The menus' entries work
    // already: a language entry writes the setting and tells that it counts from the next
    // start, the guide (F1) and the about box open over the window.
    void BuildControls(QWidget* window, const QString& programFolder);
    // The captions of section "Track" of the language text, cmdQuery's "connect" among
    // them, those of the ports dialog's controls, the waiting label and the menus.
    void SetCaptions(const clsProfileText& language);
    // The window's least size, at which every control is whole (for the captions as they
    // are now), and, unless placed is true (a stored placement was applied), its first
    // size: the designed height and the width that shows every column of the list, both
    // within the screen's available area.
    void FitWindow(bool placed);
    // The port list with each port's device as its tooltip (from the settings as start-up
    // read them) and the line list, each with its stored choice selected; chkReconnect
    // checked when the setting says so, without a toggled signal.
    void FillPortLists(const clsPortChoices& ports, const clsProfileText& settings);
    // The tooltip of port portNumber (from 1) and of the list after the settings file
    // changed; the device is read from the file now.
    void ShowPortDevice(const QString& programFolder, int portNumber);
    // The query's hour and minute lists, showing the whole day.
    void FillTimeLists();
    // The history query as the query's controls show it now.
    clsHistoryQuery Query() const;
    // A left click released on a zoom picture: 1 for imgZoomIn, -1 for imgZoomOut; 0 for
    // any other event.
    int ZoomPictureStep(const QObject* watched, const QEvent* event) const;
    // Selects the row (from 0) of rows and scrolls it into view; a click on the list is what
    // shows a row on the map, not its selection. Nothing for a row outside the list.
    void SelectRow(const clsDateViewModel& rows, qsizetype row, bool scroll = true);
    // Lists the rows appended to rows since the last listing and selects the last. The list
    // scrolls to it, except on the live path (live) while the operator has scrolled the list
    // away from its end: then it scrolls again once its end is in view.
    void SelectAppendedRow(clsDateViewModel& rows, bool live);
    // The fetched total in the status bar after its label, and its rows in the list: the
    // "NO Date" row when the fetch found nothing.
    void ShowTotal(clsDateViewModel& rows, qsizetype total, const QString& label);
    // The selected row of the list (from 0), -1 when none is.
    int SelectedRow() const;
    // The record of the track that the selected row of rows shows. Throws clsStationError
    // (texts of the language file of programFolder) when no row is selected or the row
    // shows no record.
    qsizetype SelectedRecord(const clsDateViewModel& rows, const QString& programFolder) const;
    // The fix's caption over the map; with a position also its speed, its coordinates, the
    // zoom pictures and the map, in the texts of drawing. False, and the zoom pictures and
    // the speed hidden, when the fix has no position.
    bool ShowFixLabels(const PositionFix& fix, clsMapDrawing& drawing);
    // What the history log did with a fix, in the status bar: a history log that cannot be
    // written loses records silently unless the operator is told, so its problem stays
    // there (once per problem, by warning) until a record is written again.
    void ShowHistoryOutcome(clsWarnOnce& warning, const clsTrackRecorder::Result& result);
    // The receiver's state in its panel of the status bar, with the counts of what arrived
    // as its tooltip while the port is open or tried again; the texts of the language file
    // of programFolder, now the present local time.
    void ShowReceiver(const clsSerialReceiver& receiver, const QString& programFolder,
                      const QDateTime& now);
    // Gives the list model the station's columns, with the headings of language, and the
    // list's columns the widths they name.
    void SetColumns(clsDateViewModel& rows, const clsProfileText& language);
    // Sets the control's bounds, in twips of its parent, at the window's resolution.
    void PlaceTwips(QWidget* control, const TwipsRect& twips) const;
    // The status bar along the window's bottom edge, as high as it asks to be.
    void PlaceStatusBar();
    // Every control where clsTrackLayout puts it for the window's inner size now, with the
    // chart's pane when it shows.
    void PlaceControls();
    // Shows or hides the chart's pane and lays the window out again when that changed;
    // true when the pane has just come to show.
    bool ShowChartPane(bool shown);

    QGroupBox* fraMap = nullptr;
    QWebEngineView* WBMaps = nullptr;
    QLabel* lblCaption = nullptr;
    QLabel* lblSpeed = nullptr;
    QLabel* labXY = nullptr;
    QLabel* imgZoomIn = nullptr;
    QLabel* imgZoomOut = nullptr;
    QLabel* lblZoom = nullptr;
    QLabel* lblWaitingFix = nullptr; // over the map until the receiver's first fix

    QGroupBox* fraTrackQuery = nullptr;
    QLabel* labComPort = nullptr;
    QComboBox* cmdCommport = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cmdSetting = nullptr;
    QPushButton* cmdQuery = nullptr;
    QPushButton* cmdPorts = nullptr;
    QCheckBox* chkReconnect = nullptr;

    QPushButton* CmdPOI = nullptr;

    QGroupBox* frmRecords = nullptr;
    QLabel* lblFromTime = nullptr;
    QDateTimeEdit* dtpFromTime = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLabel* Label10 = nullptr;
    QComboBox* Combo4 = nullptr;
    QComboBox* Combo3 = nullptr;
    QLabel* lblFromSpeed = nullptr;
    QLineEdit* txtFromSpeed = nullptr;
    QLineEdit* txtToSpeed = nullptr;
    QPushButton* cmdGET = nullptr;

    QGroupBox* fraPlay = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtInterval = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* sldInterval = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdStopPlay = nullptr;
    QPushButton* cmdExport = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* cmdChart = nullptr; // pressed while the speed chart is chosen
    QPushButton* cmdDay = nullptr;   // opens the day summary

    QFrame* fraChart = nullptr; // the speed chart's pane under the map, hidden at first
    QWebEngineView* WBChart = nullptr;

    QTableView* DateView = nullptr;
    QStatusBar* stbStatusBar = nullptr;
    QLabel* stbPanel1 = nullptr;
    QLabel* stbPanel2 = nullptr;
    QLabel* stbPanel3 = nullptr; // the receiver's state

    QMenuBar* mnuBar = nullptr;
    QMenu* mnuLanguage = nullptr; // one checkable entry per language, the running one checked
    QMenu* mnuHelp = nullptr;
    QAction* mnuGuide = nullptr;
    QAction* mnuAbout = nullptr;

    QTimer* MapTimer = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* tmrReceiver = nullptr; // refreshes the receiver's state while the port is open
    QTimer* Timer4 = nullptr;      // designed without a handler, and never started

private:
    void BuildMapFrame(const QString& programFolder);
    void BuildPortFrame();
    void BuildRecordsFrame();
    void BuildPlayFrame();
    void BuildChartPane();
    void BuildList();
    void BuildStatusBar();
    void BuildTimers();
    void BuildMenus(const QString& programFolder);
    void ChooseLanguage(const QString& programFolder, const QString& setting);
    // The layout's height: the window's less the menu bar.
    int LayoutHeightPixels() const;

    QWidget* m_window = nullptr;
};
