#include "station/frmTrack.h"

#include "history/clsChartView.h"
#include "history/clsExportDialog.h"
#include "history/clsHistoryFetch.h"
#include "history/frmDay.h"
#include "map/clsMapView.h"
#include "notices/frmShow.h"
#include "notices/frmWaiting.h"
#include "poi/clsDBLib.h"
#include "poi/frmPOI.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/frmPorts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QWebEngineView>

namespace {

// How long a playback step waits at most for the map to show its drawing, in milliseconds.
constexpr int MapWaitLimit = 10000;

} // namespace

frmTrack::frmTrack(const QString& programFolder, clsDBLib& db, QWidget* parent,
                   clsTrackRecorder::Clock clock)
    : QWidget(parent), m_programFolder(programFolder), m_db(db),
      m_clock(clsHistoryLog::SharedClock(std::move(clock))), m_recorder(programFolder, m_clock),
      m_rows(m_recorder.TrackRecords()), m_mapDrawing(programFolder), m_pickup(programFolder),
      m_player(m_recorder.TrackRecords(), PlaybackSteps()), m_export(programFolder),
      m_receiver(new clsSerialReceiver(programFolder, this, m_clock)) {
    setObjectName(QStringLiteral("frmTrack"));
    BuildControls(this, m_programFolder);
    m_mapView = new clsMapView(WBMaps, m_programFolder, this);
    m_chartView = new clsChartView(WBChart, m_programFolder, this);
    imgZoomIn->installEventFilter(this);
    imgZoomOut->installEventFilter(this);
    DateView->setModel(&m_rows);
    ShowState();

    connect(m_receiver, &clsSerialReceiver::SentenceReceived, this, &frmTrack::ProcessSentence);
    connect(m_receiver, &clsSerialReceiver::PortLost, this, &frmTrack::HandlePortLost);
    connect(m_receiver, &clsSerialReceiver::Retrying, this, [this] {
        m_state.PortRetrying();
        ShowState();
    });
    connect(m_receiver, &clsSerialReceiver::Reconnected, this, [this] {
        m_state.Reconnected();
        ShowState();
    });
    connect(tmrReceiver, &QTimer::timeout, this,
            [this] { ShowReceiver(*m_receiver, m_programFolder, m_clock()); });
    connect(chkReconnect, &QCheckBox::toggled, m_receiver, &clsSerialReceiver::ChooseAutoReconnect);
    connect(cmdPorts, &QPushButton::clicked, this, &frmTrack::cmdPorts_Click);
    connect(cmdQuery, &QPushButton::clicked, this, &frmTrack::cmdQuery_Click);
    connect(CmdPOI, &QPushButton::clicked, this, &frmTrack::CmdPOI_Click);
    connect(cmdGET, &QPushButton::clicked, this, &frmTrack::cmdGET_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmTrack::cmdPlay_Click);
    connect(cmdStopPlay, &QPushButton::clicked, this, [this] { m_player.Stop(); });
    connect(cmdExport, &QPushButton::clicked, this, &frmTrack::cmdExport_Click);
    connect(cmdCommport, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowPortDevice(m_programFolder, index + 1); });
    // A click on a row, not every change of the selection: playback selects rows itself.
    connect(DateView, &QAbstractItemView::clicked, this, [this] {
        Timer3->stop();
        Timer3->start();
    });
    connect(cmdChart, &QPushButton::clicked, this, [this](bool chosen) {
        m_state.ChartChosen(chosen);
        ShowState();
    });
    connect(cmdDay, &QPushButton::clicked, this, &frmTrack::cmdDay_Click);
    connect(&m_chartView->Bridge(), &clsChartBridge::RecordChosen, this,
            &frmTrack::ShowChosenRecord);
    connect(m_chartView, &clsChartView::LoadFailed, this, &frmTrack::ShowError);
    connect(Check1, &QCheckBox::clicked, Timer3, qOverload<>(&QTimer::start));
    connect(Timer3, &QTimer::timeout, this, &frmTrack::Timer3_Timer);
    connect(MapTimer, &QTimer::timeout, this, &frmTrack::MapTimer_Timer);
    connect(m_mapView, &clsMapView::ZoomChosen, this, [this](int level) {
        if (m_mapDrawing.ChooseZoom(level)) {
            ShowZoom();
        }
    });
    connect(m_mapView, &clsMapView::SourceProblem, this, [this](const QString& message) {
        IPlatform::Current().ShowNotice(this, message, m_title, IPlatform::Icon::Exclamation);
    });
}

frmTrack::~frmTrack() = default;

bool frmTrack::Load() {
    return Load(modPrivate::LoadSettings(m_programFolder),
                modPrivate::LoadLanguage(m_programFolder));
}

bool frmTrack::Load(const clsProfileText& settings, const clsProfileText& language) {
    const bool placed =
        modFormPosition::LoadFormPosition(this, settings, modKeys::Setting::TrackPosition);

    m_title = modApplication::ApplicationTitle(language);
    QGuiApplication::setApplicationDisplayName(m_title);
    setWindowTitle(m_title);

    try {
        PrepareMapAndPorts(settings);
    } catch (const clsStationError& error) {
        return Fail(error.Message());
    }
    FillPortLists(m_ports, settings);
    m_receiver->SetAutoReconnect(chkReconnect->isChecked());
    lblZoom->setText(QString::number(m_mapDrawing.Zoom()));

    SetCaptions(language);
    SetColumns(m_rows, language);
    FitWindow(placed);
    m_rows.SetSpeedUnit(Text(modKeys::Private::SpeedUnit));

    m_recorder.SetCurrentFix(PositionFix{});
    m_recorder.TrackRecords().Clear();
    m_rows.Reset();
    try {
        m_db.OpenStationDatabase(m_programFolder);
        LoadMapPoints();
    } catch (const clsStationError& error) {
        return Fail(error.Message());
    }

    dtpFromTime->setDateTime(QDateTime::currentDateTime());
    FillTimeLists();
    return true;
}

bool frmTrack::Fail(const QString& message) {
    IPlatform& platform = IPlatform::Current();
    platform.MessageBox(this, message, m_title, IPlatform::Icon::Critical);
    platform.EndProgram(1);
    return false;
}

// The map template first: without it the station cannot draw and stops; the stored port
// and line setting never stop it.
void frmTrack::PrepareMapAndPorts(const clsProfileText& settings) {
    m_mapTemplate.Load(m_programFolder);
    m_ports.Load(settings);
}

// The dialog writes the settings file; the list's tooltips follow it.
void frmTrack::cmdPorts_Click() {
    frmPorts dialog(m_programFolder, cmdCommport->currentIndex(), this);
    connect(&dialog, &frmPorts::Assigned, this,
            [this](int portNumber) { ShowPortDevice(m_programFolder, portNumber); });
    dialog.exec();
}

// Opening the port starts the live record afresh; what closing leaves stays listed until
// the next opening or fetch. A port that does not open changes nothing but the map frame.
void frmTrack::cmdQuery_Click() {
    m_state.MapWanted();
    ShowState();
    try {
        m_receiver->Toggle(cmdCommport->currentIndex(), cmdSetting->currentIndex(),
                           cmdSetting->currentText());
    } catch (const clsStationError& error) {
        ShowError(error.Message());
        return;
    }
    if (m_receiver->IsOpen()) {
        m_recorder.ResetForOpening();
        m_rows.Reset();
        m_state.Connected();
    } else {
        m_state.Disconnected(m_recorder.RecordCount());
    }
    ShowState();
}

// The editor is modal; when it reports a change of the POI table the map's copy is
// reloaded, and the map shows it at its next drawing.
void frmTrack::CmdPOI_Click() {
    frmPOI editor(m_programFolder, m_db, this);
    editor.exec();
    if (editor.ResultFlag()) {
        try {
            LoadMapPoints();
        } catch (const clsStationError& error) {
            ShowError(error.Message());
        }
    }
}

// Reads the chosen day's track from the history log into the list. The list grows while
// the log is read, slice by slice, and the waiting window offers its stop button and shows
// how far the log has been read.
void frmTrack::cmdGET_Click() {
    const clsHistoryQuery query = Query();
    m_state.FetchStarted();
    ShowState();
    clsHistoryFetch fetch(m_programFolder, query);
    frmWaiting waiting(m_programFolder, this);
    connect(&waiting, &frmWaiting::StopClicked, this, [&fetch] { fetch.Stop(); });
    waiting.show();
    m_recorder.TrackRecords().Clear();
    m_rows.Reset();
    QString failure;
    m_fetch = &fetch;
    try {
        fetch.Run(m_recorder.TrackRecords(), [&](qint64 bytesRead, qint64 fileSize) {
            waiting.ShowProgress(bytesRead, fileSize);
            ShowAppendedRows();
            QCoreApplication::processEvents();
        });
    } catch (const clsStationError& error) {
        failure = error.Message(); // what was read before stays listed
    }
    m_fetch = nullptr;
    m_state.FetchEnded(m_recorder.RecordCount());
    if (CloseIfAsked()) {
        return;
    }
    ShowFetched(fetch.DamagedLines());
    waiting.close();
    SelectRow(m_rows, 0);
    DrawCurrentPosition();
    if (!failure.isEmpty()) {
        ShowError(failure);
    }
}

// The total, the damaged lines skipped, the "NO Date" row of a fetch that found nothing,
// and the controls; Timer3 puts the first row on the map.
void frmTrack::ShowFetched(qsizetype damagedLines) {
    const qsizetype total = m_recorder.RecordCount();
    ShowTotal(m_rows, total, Text(modKeys::Messages::Total));
    // Over a live warning too: the live path shows it again if it still holds.
    m_historyWarning.Clear();
    stbPanel1->setText(damagedLines > 0
                           ? Text(modKeys::Messages::HistoryLinesDamaged).arg(damagedLines)
                           : QString());
    ShowState();
    if (total > 0) {
        Timer3->start();
    } else {
        Timer3->stop();
    }
}

void frmTrack::cmdPlay_Click() {
    m_player.Play(SelectedRow(), modPrivate::Val(txtInterval->text()));
    // Pressed again while the stopped playback still pauses, Play returns at once and the
    // running playback takes the new start up.
    if (!m_player.Running()) {
        m_state.PlayEnded();
        ShowState();
        CloseIfAsked();
    }
}

// A playback step selects its row without a click, so Timer3 does not show it again. The
// step puts its record on the map, with the whole track when Check1 is checked, before its
// pause, and goes on after the pause only once the page shows that drawing: each step's
// picture stays for the whole pause, however long a large track takes to draw.
clsTrackPlayer::Callbacks frmTrack::PlaybackSteps() {
    return {[] { QCoreApplication::processEvents(); },
            [this](qsizetype row) { SelectRow(m_rows, row); },
            [this](qsizetype index) { ShowRecord(index); },
            [this] { m_mapView->WaitUntilShown(MapWaitLimit); },
            [this] { return static_cast<double>(sldInterval->value()); },
            [this](bool playing) {
                playing ? m_state.PlayStarted() : m_state.PlayStopped();
                ShowState();
            },
            [this](const QString& message) { ShowError(message); }};
}

// Writes the track to a file that the operator names, in the format its name and the
// chosen file type agree on, and shows it.
void frmTrack::cmdExport_Click() {
    clsExportDialog(this, m_programFolder, m_title).Run(m_export, m_recorder.TrackRecords());
}

// The summary is modal, so the track it reads stays as it is while it shows; its lines
// are shown as the chart's points are. The stop time it may have changed breaks the chart.
void frmTrack::cmdDay_Click() {
    frmDay day(m_programFolder, m_recorder.TrackRecords(), m_mapDrawing.MapPoints(), this);
    connect(&day, &frmDay::RecordChosen, this, &frmTrack::ShowChosenRecord);
    day.exec();
    if (m_state.Current().fraChart) {
        m_chartView->ShowTrack(m_recorder.TrackRecords());
    }
}

// A record chosen on the chart or in the summary is shown as a click on its row is.
void frmTrack::ShowChosenRecord(qsizetype record) {
    SelectRow(m_rows, record);
    Timer3->stop();
    Timer3->start();
}

// Closes the window when that was asked while the job ran; true when it did.
bool frmTrack::CloseIfAsked() {
    if (!m_state.CloseAsked()) {
        return false;
    }
    close();
    return true;
}

// The one place that shows the state of the window: which controls are enabled, the
// connect button's caption (read from the language file when it changes), the map frame,
// the waiting label, the receiver's panel (read while it follows the receiver, and once after)
// and the chart's pane (charting the track when it comes to show).
void frmTrack::ShowState() {
    const clsTrackState::View v = m_state.Current();
    const std::pair<QWidget*, bool> controls[] = {{cmdQuery, v.cmdQuery},
                                                  {cmdCommport, v.cmdCommport},
                                                  {cmdSetting, v.cmdSetting},
                                                  {cmdPorts, v.cmdPorts},
                                                  {chkReconnect, v.chkReconnect},
                                                  {cmdGET, v.cmdGET},
                                                  {CmdPOI, v.CmdPOI},
                                                  {Check1, v.Check1},
                                                  {cmdPlay, v.cmdPlay},
                                                  {cmdStopPlay, v.cmdStopPlay},
                                                  {cmdExport, v.cmdExport},
                                                  {cmdChart, v.cmdChart},
                                                  {cmdDay, v.cmdDay}};
    for (const auto& [control, enabled] : controls) {
        control->setEnabled(enabled);
    }
    if (v.cmdQueryCaption.Code != m_queryCaption) {
        m_queryCaption = v.cmdQueryCaption.Code;
        cmdQuery->setText(Text(v.cmdQueryCaption));
    }
    fraMap->setVisible(v.fraMap);
    cmdChart->setChecked(v.chartChosen);
    if (ShowChartPane(v.fraChart)) {
        m_chartView->ShowTrack(m_recorder.TrackRecords());
    }
    lblWaitingFix->setVisible(v.lblWaitingFix);
    lblWaitingFix->raise();
    if (v.receiverPanel || tmrReceiver->isActive()) {
        ShowReceiver(*m_receiver, m_programFolder, m_clock());
    }
    v.receiverPanel ? tmrReceiver->start() : tmrReceiver->stop();
}

// The device went away: the receiver has closed the port already. The message does not
// wait for a click, so nothing else of the window waits behind it.
void frmTrack::HandlePortLost(const QString& message) {
    IPlatform::Current().ShowNotice(this, message, m_title, IPlatform::Icon::Critical);
    m_state.Disconnected(m_recorder.RecordCount());
    ShowState();
}

void frmTrack::ProcessSentence(const QString& sentence, const QDateTime& arrived) {
    const clsTrackRecorder::Result result = m_recorder.ProcessSentence(sentence, arrived);
    if (m_state.Current().lblWaitingFix && m_receiver->State().FixSeen()) {
        m_state.FixSeen();
        ShowState();
    }
    ShowHistoryOutcome(m_historyWarning, result);
    if (!result.Recorded) {
        return;
    }
    ShowAppendedRows(true);
    DrawCurrentPosition();
}

void frmTrack::ShowAppendedRows(bool live) {
    SelectAppendedRow(m_rows, live);
}

void frmTrack::DrawCurrentPosition() {
    if (!m_state.Current().fraMap) {
        return;
    }
    const PositionFix& fix = m_recorder.CurrentFix();
    if (!ShowFixLabels(fix, m_mapDrawing)) {
        return;
    }
    try {
        m_mapDrawing.WriteCurrentPosition(fix, m_mapTemplate.MapTemplate(), m_mapDrawing.Zoom());
    } catch (const clsStationError& error) {
        ShowDrawingError(error.Message());
        return;
    }
    m_drawingWarning.Clear();
    m_mapView->Navigate(m_mapDrawing.PagePath(), m_mapDrawing.PageHint());
}

void frmTrack::DrawTrack() {
    if (!Check1->isChecked()) {
        return;
    }
    // The notice goes and the check box comes back also when the drawing fails.
    auto notice = std::make_unique<frmShow>(m_programFolder, this);
    notice->show();
    m_state.DrawingStarted();
    ShowState();
    const auto restore = qScopeGuard([&] {
        notice.reset();
        m_state.DrawingEnded();
        ShowState();
    });
    m_mapDrawing.WriteTrack(m_recorder.TrackRecords(), SelectedRecord(m_rows, m_programFolder),
                            m_mapTemplate.MapTemplate(), m_mapDrawing.Zoom());
    m_mapView->Navigate(m_mapDrawing.PagePath(), m_mapDrawing.PageHint());
}

void frmTrack::LoadMapPoints() {
    m_mapDrawing.LoadMapPoints(m_db);
}

// A drawing that fails at every sentence would stack one message box on the other: the
// same message is shown again only after a drawing succeeded.
void frmTrack::ShowDrawingError(const QString& message) {
    if (m_drawingWarning.Warn(message)) {
        ShowError(message);
    }
}

// Shows the record of the selected row, and the whole track when Check1 is checked.
void frmTrack::Timer3_Timer() {
    Timer3->stop();
    m_state.MapWanted();
    ShowState();
    if (m_rows.rowCount() == 0) {
        return;
    }
    try {
        ShowRecord(SelectedRecord(m_rows, m_programFolder));
    } catch (const clsStationError& error) {
        ShowError(error.Message());
    }
}

// Copies the record into CurrentFix and draws it, and the whole track when Check1 is
// checked. A failure of the whole-track drawing (clsStationError) goes to the caller.
void frmTrack::ShowRecord(qsizetype index) {
    m_recorder.SetCurrentFix(m_recorder.TrackRecords().At(index));
    m_chartView->Bridge().MarkRecord(index);
    DrawCurrentPosition();
    DrawTrack();
}

void frmTrack::ShowError(const QString& message) {
    IPlatform::Current().MessageBox(this, message, m_title, IPlatform::Icon::Critical);
}

// Takes the points marked on the map into the POI database and draws them. The whole
// track stays drawn when it was.
void frmTrack::MapTimer_Timer() {
    const clsPoiPickup::Result taken = m_pickup.Take(m_db);
    if (!taken.Found) {
        return;
    }
    QString problem = taken.Error;
    if (taken.Inserted > 0) {
        try {
            LoadMapPoints();
        } catch (const clsStationError& error) {
            problem = error.Message();
        }
    }
    // One notice until a take succeeds, whatever the next takes report.
    if (problem.isEmpty()) {
        m_pickupWarning.Clear();
    } else if (m_pickupWarning.Warn(modKeys::Messages::PickupFailed.Code)) {
        IPlatform::Current().ShowNotice(
            this,
            Text(modKeys::Messages::PickupFailed)
                .arg(QDir::toNativeSeparators(m_pickup.TakingPath()), problem),
            m_title, IPlatform::Icon::Exclamation);
    }
    DrawCurrentPosition();
    if (m_recorder.RecordCount() > 0) {
        try {
            DrawTrack();
        } catch (const clsStationError& error) {
            ShowDrawingError(error.Message());
        }
    }
}

// The new level shows at the next drawing: through Timer3 when the list holds rows,
// otherwise with the next sentence.
void frmTrack::ShowZoom() {
    const QString level = QString::number(m_mapDrawing.Zoom());
    lblZoom->setText(level);
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::Zoom, level);
    Timer3->start();
}

bool frmTrack::eventFilter(QObject* watched, QEvent* event) {
    const int step = ZoomPictureStep(watched, event);
    if (step != 0 && m_mapDrawing.StepZoom(step)) {
        ShowZoom();
    }
    return step != 0 || QWidget::eventFilter(watched, event);
}

void frmTrack::closeEvent(QCloseEvent* event) {
    if (!m_state.AskClose()) {
        // The fetch or playback that lets this event run ends first, and closes the
        // window once it has; the closing steps must not pull the database and the track
        // from under it.
        if (m_fetch != nullptr) {
            m_fetch->Stop();
        }
        m_player.Abort();
        m_mapView->StopWaiting();
        event->ignore();
        return;
    }
    // No sentence is taken after this point.
    disconnect(m_receiver, nullptr, this, nullptr);
    m_receiver->Close();
    modFormPosition::SaveFormPosition(this, m_programFolder, modKeys::Setting::TrackPosition);
    m_db.CloseConnection();
    event->accept();
    IPlatform::Current().EndProgram(0);
}

void frmTrack::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceStatusBar();
    Layout();
}

void frmTrack::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Layout();
}

void frmTrack::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Layout();
    }
}

void frmTrack::Layout() {
    if (!isVisible() || isMinimized()) {
        return;
    }
    PlaceControls();
    DrawCurrentPosition();
}

QString frmTrack::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}
