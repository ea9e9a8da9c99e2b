#pragma once

#include "history/clsTrackExport.h"
#include "history/clsTrackPlayer.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "map/clsPoiPickup.h"
#include "shell/clsWarnOnce.h"
#include "shell/modKeys.h"
#include "station/clsTrackControls.h"
#include "station/clsTrackState.h"
#include "tracking/clsDateViewModel.h"
#include "tracking/clsPortChoices.h"
#include "tracking/clsTrackRecorder.h"

#include <QWidget>

class clsChartView;
class clsDBLib;
class clsHistoryFetch;
class clsMapView;
class clsProfileText;
class clsSerialReceiver;

// The main window: the serial port and its connect button, the live list of positions,
// the history query and playback controls, and the map frame. It owns the recorded track
// through its recorder (which keeps the current fix), the serial reception and the
// feature objects, wires its controls to them and shows their results; its modes and what
// the controls show in them are clsTrackState's. Closing it ends the program.
class frmTrack : public QWidget, private clsTrackControls {
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
    // and scrolls it into view; on the live path (live) only while the list shows its end.
    void ShowAppendedRows(bool live = false);
    // Draws the recorder's current fix and the points of interest on the map and shows its
    // position beside the map; nothing while the map frame is hidden. An error is shown.
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
    clsChartView& ChartView() { return *m_chartView; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Fail(const QString& message);
    void PrepareMapAndPorts(const clsProfileText& settings);
    void cmdPorts_Click();

    void cmdQuery_Click();
    void CmdPOI_Click();
    void cmdGET_Click();
    void ShowFetched(qsizetype damagedLines);
    void cmdPlay_Click();
    clsTrackPlayer::Callbacks PlaybackSteps();
    void cmdExport_Click();
    void cmdDay_Click();
    void ShowChosenRecord(qsizetype record);
    bool CloseIfAsked();
    void ShowState();
    void HandlePortLost(const QString& message);

    void Timer3_Timer();
    void ShowRecord(qsizetype index);
    void MapTimer_Timer();
    void ShowZoom();
    void ShowDrawingError(const QString& message);
    void ShowError(const QString& message);

    void Layout();
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
    clsMapView* m_mapView;
    clsChartView* m_chartView;
    QString m_title;
    clsTrackState m_state;
    QLatin1String m_queryCaption = modKeys::Track::Connect.Code; // the code cmdQuery shows
    clsHistoryFetch* m_fetch = nullptr; // the fetch that runs, which a close stops
    clsWarnOnce m_historyWarning;       // the history log cannot be written
    clsWarnOnce m_drawingWarning;       // the map cannot be drawn, by message
    clsWarnOnce m_pickupWarning;        // marked points cannot be taken
};
