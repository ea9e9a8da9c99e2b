#pragma once

#include "history/clsTrackExport.h"
#include "history/clsTrackPlayer.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "map/clsPoiPickup.h"
#include "shell/modKeys.h"
#include "station/clsTrackLayout.h"
#include "tracking/clsDateViewModel.h"
#include "tracking/clsPortChoices.h"
#include "tracking/clsTrackRecorder.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTableView;
class QTimer;
class QWebEngineView;
class clsDBLib;
class clsMapView;
class clsProfileText;
class clsSerialReceiver;

// The main window: the serial port and its connect button, the live list of positions,
// the history query and playback controls, and the map frame. It owns the current fix,
// the recorded track and the serial reception; closing it ends the program.
class frmTrack : public QWidget {
    Q_OBJECT

public:
    // The window as designed, before Load. db is the process's POI database; clock gives
    // the local time that stamps every fix.
    frmTrack(const QString& programFolder, clsDBLib& db, QWidget* parent = nullptr,
             clsTrackRecorder::Clock clock = clsHistoryLog::SystemClock);
    ~frmTrack() override;

    // All set-up, before the window is first shown, from the settings and language files
    // as start-up read them (each once). A failure (map template or POI database) is
    // shown and ends the program; false when the platform let it return.
    bool Load(const clsProfileText& settings, const clsProfileText& language);
    // The same, reading the two files now.
    bool Load();

    // One RMC sentence of the live path, of the talker the link follows, stamped with the
    // local time at which it arrived.
    void ProcessSentence(const QString& sentence, const QDateTime& arrived);
    // Lists the fixes appended to the track since the last listing, selects the last row
    // and scrolls it into view.
    void ShowAppendedRows();
    // Draws CurrentFix and the points of interest on the map and shows its position
    // beside the map; nothing while the map frame is hidden. An error is shown.
    void DrawCurrentPosition();
    // When Check1 is checked, draws the whole track with the record of the selected row
    // marked and the points of interest. An error (clsStationError) goes to the caller.
    void DrawTrack();
    // Reads the points of interest that the drawings add from the POI database. An error
    // (clsStationError) goes to the caller.
    void LoadMapPoints();

    const clsTrackRecorder& Recorder() const { return m_recorder; }
    clsTrackRecorder& Recorder() { return m_recorder; }
    const clsDateViewModel& Rows() const { return m_rows; }
    const clsMapDrawing& MapDrawing() const { return m_mapDrawing; }
    clsMapView& MapView() { return *m_mapView; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMapFrame();
    void BuildPortFrame();
    void BuildRecordsFrame();
    void BuildPlayFrame();
    void BuildList();
    void BuildStatusBar();
    void BuildTimers();

    bool Fail(const QString& message);
    void PrepareMapAndPorts(const clsProfileText& settings);
    void FillPortLists(const clsProfileText& settings);
    void SetCaptions(const clsProfileText& language);
    void AddColumns(const clsProfileText& language);
    void FillTimeLists();
    void ShowPortDevice();
    void cmdPorts_Click();
    void chkReconnect_Click(bool checked);
    void ShowReceiverState();

    void cmdQuery_Click();
    void CmdPOI_Click();
    void cmdGET_Click();
    void ShowFetched();
    void cmdPlay_Click();
    clsTrackPlayer::Callbacks PlaybackSteps();
    void ShowPlaying(bool playing);
    void cmdExport_Click();
    bool ExportTrack(const QString& path, int format);
    void ShowJobRunning(bool running);
    bool CloseIfAsked();
    void ShowPortOpened();
    void ShowPortClosed();
    void HandlePortLost(const QString& message);
    void ShowHistoryOutcome(const clsTrackRecorder::Result& result);

    void Timer3_Timer();
    void ShowRecord(qsizetype index);
    void MapTimer_Timer();
    void StepZoom(int step);
    void SetZoom(int level);
    double ZoomLevel() const;
    qsizetype SelectedRecord() const;
    void ShowDrawingError(const QString& message);
    void ShowError(const QString& message);
    void SelectRow(qsizetype row);

    void Layout();
    void PlaceTwips(QWidget* control, const clsTrackLayout::Rect& twips);
    QString Text(const LanguageCode& code) const;

    QString m_programFolder;
    clsDBLib& m_db;
    clsTrackRecorder::Clock m_clock;
    clsTrackRecorder m_recorder;
    clsMapTemplate m_mapTemplate;
    clsPortChoices m_ports;
    clsMapDrawing m_mapDrawing;
    clsPoiPickup m_pickup;
    clsDateViewModel m_rows;
    clsTrackPlayer m_player;
    clsTrackExport m_export;
    clsSerialReceiver* m_receiver;
    QString m_title;
    bool m_historyWarningShown = false;
    QString m_drawingErrorShown; // the drawing error shown last, until a drawing succeeds
    bool m_pickupErrorShown = false;
    bool m_jobRunning = false; // a fetch or a playback, which lets events run
    bool m_closeAsked = false; // the window closes once the running job has ended

    QGroupBox* fraMap;
    QWebEngineView* WBMaps;
    clsMapView* m_mapView;
    QLabel* lblCaption;
    QLabel* lblSpeed;
    QLabel* labXY;
    QLabel* imgZoomIn;
    QLabel* imgZoomOut;
    QLabel* lblZoom;
    QLabel* lblWaitingFix;

    QGroupBox* fraTrackQuery;
    QLabel* labComPort;
    QComboBox* cmdCommport;
    QLabel* Label1;
    QComboBox* cmdSetting;
    QPushButton* cmdQuery;
    QPushButton* cmdPorts;
    QCheckBox* chkReconnect;

    QPushButton* CmdPOI;

    QGroupBox* frmRecords;
    QLabel* lblFromTime;
    QDateTimeEdit* dtpFromTime;
    QLabel* Label7;
    QComboBox* Combo1;
    QComboBox* Combo2;
    QLabel* Label10;
    QComboBox* Combo4;
    QComboBox* Combo3;
    QLabel* lblFromSpeed;
    QLineEdit* txtFromSpeed;
    QLineEdit* txtToSpeed;
    QPushButton* cmdGET;

    QGroupBox* fraPlay;
    QLabel* Label5;
    QLineEdit* txtInterval;
    QLabel* Label4;
    QSlider* sldInterval;
    QPushButton* cmdPlay;
    QPushButton* cmdStopPlay;
    QPushButton* cmdExport;
    QCheckBox* Check1;

    QTableView* DateView;
    QStatusBar* stbStatusBar;
    QLabel* stbPanel1;
    QLabel* stbPanel2;
    QLabel* stbPanel3; // the receiver's state

    QTimer* MapTimer;
    QTimer* Timer3;
    QTimer* tmrReceiver;
    QTimer* Timer4;
};
