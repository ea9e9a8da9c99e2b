#include "station/frmTrack.h"

#include "history/clsHistoryFetch.h"
#include "map/clsMapView.h"
#include "map/modMapZoom.h"
#include "notices/frmShow.h"
#include "notices/frmWaiting.h"
#include "poi/clsDBLib.h"
#include "poi/frmPOI.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modApplication.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"
#include "station/clsTrackLayout.h"
#include "station/clsUniformTableView.h"
#include "tracking/clsSerialPort.h"
#include "tracking/clsSerialReceiver.h"
#include "tracking/frmPorts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QWebEngineView>
#include <initializer_list>

namespace {

// How long a playback step waits at most for the map to show its drawing, in milliseconds.
constexpr int MapWaitLimit = 10000;

// Designed inner size of the window, in twips (840 x 630 pixels at 96 dots per inch).
constexpr double DesignedWidth = 12600;
constexpr double DesignedHeight = 9450;
// Width of the coordinate label beside the speed as designed, and as it is, in twips.
constexpr double DesignedLabXYWidth = 2450;
constexpr double LabXYWidth = 4200;

template <class T, class Parent> T* named(Parent* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

// Lays out a frame's controls row by row: a control named in neighbouring cells of a row
// spans them, a null cell stays empty. The grid does not force the frame to a minimum size:
// the window's layout alone decides the frame's bounds, and what does not fit is cut.
QGridLayout* gridIn(QGroupBox* frame, std::initializer_list<std::initializer_list<QWidget*>> rows) {
    auto* grid = new QGridLayout(frame);
    grid->setSizeConstraint(QLayout::SetNoConstraint);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const auto& cells : rows) {
        const QList<QWidget*> line(cells);
        for (int column = 0; column < line.size();) {
            int span = 1;
            while (column + span < line.size() && line[column + span] == line[column]) {
                ++span;
            }
            if (line[column] != nullptr) {
                grid->addWidget(line[column], row, column, 1, span);
            }
            column += span;
        }
        ++row;
    }
    return grid;
}

void setAllEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
}

void setAllVisible(std::initializer_list<QWidget*> controls, bool visible) {
    for (QWidget* control : controls) {
        control->setVisible(visible);
    }
}

// The receiver and the recorder read one clock, also when it keeps state of its own.
clsTrackRecorder::Clock OneClock(clsTrackRecorder::Clock clock) {
    auto shared = std::make_shared<clsTrackRecorder::Clock>(std::move(clock));
    return [shared] { return (*shared)(); };
}

QStringList twoDigitNumbers(int first, int last, int step) {
    QStringList entries;
    for (int n = first; n <= last; n += step) {
        entries << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    }
    return entries;
}

} // namespace

frmTrack::frmTrack(const QString& programFolder, clsDBLib& db, QWidget* parent,
                   clsTrackRecorder::Clock clock)
    : QWidget(parent), m_programFolder(programFolder), m_db(db),
      m_clock(OneClock(std::move(clock))), m_recorder(programFolder, m_clock),
      m_rows(m_recorder.TrackRecords()),
      m_mapDrawing(programFolder), m_pickup(programFolder),
      m_player(m_recorder.TrackRecords(), PlaybackSteps()), m_export(programFolder),
      m_receiver(new clsSerialReceiver(programFolder, this, m_clock)) {
    setObjectName(QStringLiteral("frmTrack"));
    BuildMapFrame();
    BuildPortFrame();
    CmdPOI = named<QPushButton>(this, "CmdPOI");
    BuildRecordsFrame();
    BuildList();
    BuildStatusBar();
    BuildTimers();
    resize(modFormPosition::PixelsX(this, DesignedWidth),
           modFormPosition::PixelsY(this, DesignedHeight));

    connect(m_receiver, &clsSerialReceiver::SentenceReceived, this, &frmTrack::ProcessSentence);
    connect(m_receiver, &clsSerialReceiver::PortLost, this, &frmTrack::HandlePortLost);
    connect(m_receiver, &clsSerialReceiver::Retrying, this, &frmTrack::ShowReceiverState);
    connect(m_receiver, &clsSerialReceiver::Reconnected, this, &frmTrack::ShowReceiverState);
    connect(tmrReceiver, &QTimer::timeout, this, &frmTrack::ShowReceiverState);
    connect(chkReconnect, &QCheckBox::toggled, this, &frmTrack::chkReconnect_Click);
    connect(cmdQuery, &QPushButton::clicked, this, &frmTrack::cmdQuery_Click);
    connect(cmdPorts, &QPushButton::clicked, this, &frmTrack::cmdPorts_Click);
    connect(CmdPOI, &QPushButton::clicked, this, &frmTrack::CmdPOI_Click);
    connect(cmdGET, &QPushButton::clicked, this, &frmTrack::cmdGET_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmTrack::cmdPlay_Click);
    connect(cmdStopPlay, &QPushButton::clicked, this, [this] { m_player.Stop(); });
    connect(cmdExport, &QPushButton::clicked, this, &frmTrack::cmdExport_Click);
    connect(cmdCommport, &QComboBox::currentIndexChanged, this, &frmTrack::ShowPortDevice);
    // A click on a row, not every change of the selection: playback selects rows itself.
    connect(DateView, &QAbstractItemView::clicked, this, [this] {
        Timer3->stop();
        Timer3->start();
    });
    connect(Check1, &QCheckBox::clicked, Timer3, qOverload<>(&QTimer::start));
    connect(m_mapView, &clsMapView::ZoomChosen, this, [this](int level) {
        if (const auto chosen = modMapZoom::Chosen(lblZoom->text(), level)) {
            SetZoom(*chosen);
        }
    });
}

frmTrack::~frmTrack() = default;

void frmTrack::BuildMapFrame() {
    fraMap = named<QGroupBox>(this, "fraMap");
    fraMap->setVisible(false);
    WBMaps = named<QWebEngineView>(fraMap, "WBMaps");
    m_mapView = new clsMapView(WBMaps, m_programFolder, this);
    lblCaption = named<QLabel>(fraMap, "lblCaption");
    lblCaption->setVisible(false);
    lblSpeed = named<QLabel>(fraMap, "lblSpeed");
    lblSpeed->setVisible(false);
    labXY = named<QLabel>(fraMap, "labXY");
    labXY->setVisible(false);
    imgZoomIn = named<QLabel>(fraMap, "imgZoomIn");
    imgZoomOut = named<QLabel>(fraMap, "imgZoomOut");
    lblZoom = named<QLabel>(fraMap, "lblZoom");
    for (auto [image, file] :
         {std::pair{imgZoomIn, "images/ZoomIn.png"}, std::pair{imgZoomOut, "images/ZoomOut.png"}}) {
        image->setScaledContents(true);
        image->setCursor(Qt::PointingHandCursor);
        image->installEventFilter(this);
        image->setPixmap(QPixmap(modPrivate::ProgramPath(m_programFolder, QLatin1String(file))));
    }
    PlaceTwips(lblZoom, {100, 30, 600, 250});
    PlaceTwips(lblCaption, {800, 30, 6000, 250});
    PlaceTwips(lblSpeed, {0, 0, 1900, 250});
    // Both coordinates need more room than the designed 2450 twips: the label is wider and
    // right-aligned, so that its text ends where the designed label ends.
    PlaceTwips(labXY, {0, 0, LabXYWidth, 250});
    labXY->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblWaitingFix = named<QLabel>(fraMap, "lblWaitingFix");
    lblWaitingFix->setAlignment(Qt::AlignCenter);
    lblWaitingFix->setWordWrap(true);
    lblWaitingFix->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 220); border: 1px solid #888; "
        "border-radius: 6px; padding: 8px; font-weight: bold; }"));
    lblWaitingFix->setVisible(false);
}

void frmTrack::BuildPortFrame() {
    fraTrackQuery = named<QGroupBox>(this, "fraTrackQuery");
    labComPort = named<QLabel>(fraTrackQuery, "labComPort");
    cmdCommport = named<QComboBox>(fraTrackQuery, "cmdCommport");
    Label1 = named<QLabel>(fraTrackQuery, "Label1");
    cmdSetting = named<QComboBox>(fraTrackQuery, "cmdSetting");
    cmdQuery = named<QPushButton>(fraTrackQuery, "cmdQuery");
    cmdPorts = named<QPushButton>(fraTrackQuery, "cmdPorts");
    chkReconnect = named<QCheckBox>(fraTrackQuery, "chkReconnect");
    gridIn(fraTrackQuery, {{labComPort, cmdCommport},
                           {Label1, cmdSetting},
                           {cmdPorts, chkReconnect},
                           {cmdQuery, cmdQuery}})
        ->setColumnStretch(1, 1);
}

void frmTrack::BuildRecordsFrame() {
    frmRecords = named<QGroupBox>(this, "frmRecords");
    lblFromTime = named<QLabel>(frmRecords, "lblFromTime");
    dtpFromTime = named<QDateTimeEdit>(frmRecords, "dtpFromTime");
    dtpFromTime->setCalendarPopup(true);
    dtpFromTime->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    Label7 = named<QLabel>(frmRecords, "Label7");
    Combo1 = named<QComboBox>(frmRecords, "Combo1");
    Combo2 = named<QComboBox>(frmRecords, "Combo2");
    Label10 = named<QLabel>(frmRecords, "Label10");
    Combo4 = named<QComboBox>(frmRecords, "Combo4");
    Combo3 = named<QComboBox>(frmRecords, "Combo3");
    lblFromSpeed = named<QLabel>(frmRecords, "lblFromSpeed");
    txtFromSpeed = named<QLineEdit>(frmRecords, "txtFromSpeed");
    txtFromSpeed->setText(QStringLiteral("0"));
    txtToSpeed = named<QLineEdit>(frmRecords, "txtToSpeed");
    txtToSpeed->setText(QStringLiteral("999"));
    cmdGET = named<QPushButton>(frmRecords, "cmdGET");
    BuildPlayFrame();

    gridIn(frmRecords, {{lblFromTime, dtpFromTime, dtpFromTime},
                        {Label7, Combo1, Combo2},
                        {Label10, Combo4, Combo3},
                        {lblFromSpeed, txtFromSpeed, txtToSpeed},
                        {nullptr, cmdGET, cmdGET},
                        {fraPlay, fraPlay, fraPlay}})
        ->setRowStretch(6, 1);
}

void frmTrack::BuildPlayFrame() {
    fraPlay = named<QGroupBox>(frmRecords, "fraPlay");
    Label5 = named<QLabel>(fraPlay, "Label5");
    txtInterval = named<QLineEdit>(fraPlay, "txtInterval");
    txtInterval->setText(QStringLiteral("1"));
    Label4 = named<QLabel>(fraPlay, "Label4");
    sldInterval = named<QSlider>(fraPlay, "sldInterval");
    sldInterval->setOrientation(Qt::Horizontal);
    sldInterval->setRange(1, 10);
    sldInterval->setValue(1);
    sldInterval->setTickPosition(QSlider::TicksBelow);
    cmdPlay = named<QPushButton>(fraPlay, "cmdPlay");
    cmdStopPlay = named<QPushButton>(fraPlay, "cmdStopPlay");
    cmdExport = named<QPushButton>(fraPlay, "cmdExport");
    Check1 = named<QCheckBox>(fraPlay, "Check1");
    setAllEnabled({cmdPlay, cmdStopPlay, cmdExport, Check1}, false);

    auto* least = new QLabel(QStringLiteral("1"), fraPlay);
    least->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    gridIn(fraPlay, {{Label5, txtInterval, Label4},
                     {least, sldInterval, new QLabel(QStringLiteral("10"), fraPlay)},
                     {cmdPlay, cmdPlay, cmdStopPlay},
                     {cmdExport, cmdExport, Check1}});
}

void frmTrack::BuildList() {
    DateView = named<clsUniformTableView>(this, "DateView");
    DateView->setModel(&m_rows);
    DateView->setSelectionBehavior(QAbstractItemView::SelectRows);
    DateView->setSelectionMode(QAbstractItemView::SingleSelection);
    DateView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DateView->setShowGrid(false);
    DateView->setWordWrap(false);
    DateView->setAlternatingRowColors(true);
    DateView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void frmTrack::BuildStatusBar() {
    stbStatusBar = named<QStatusBar>(this, "stbStatusBar");
    stbPanel1 = named<QLabel>(stbStatusBar, "Panel1");
    stbPanel2 = named<QLabel>(stbStatusBar, "Panel2");
    stbPanel3 = named<QLabel>(stbStatusBar, "Panel3");
    stbStatusBar->addWidget(stbPanel1, 1);
    stbStatusBar->addWidget(stbPanel2, 1);
    stbStatusBar->addWidget(stbPanel3, 2);
}

void frmTrack::BuildTimers() {
    MapTimer = named<QTimer>(this, "MapTimer");
    MapTimer->setInterval(20000);
    MapTimer->start();
    tmrReceiver = named<QTimer>(this, "tmrReceiver"); // the receiver's state, while open
    tmrReceiver->setInterval(1000);
    Timer3 = named<QTimer>(this, "Timer3");
    Timer3->setInterval(50);
    Timer3->setSingleShot(true);
    connect(Timer3, &QTimer::timeout, this, &frmTrack::Timer3_Timer);
    connect(MapTimer, &QTimer::timeout, this, &frmTrack::MapTimer_Timer);
    Timer4 = named<QTimer>(this, "Timer4");
    Timer4->setInterval(1000);
}

bool frmTrack::Load() {
    return Load(modPrivate::LoadSettings(m_programFolder),
                modPrivate::LoadLanguage(m_programFolder));
}

bool frmTrack::Load(const clsProfileText& settings, const clsProfileText& language) {
    modFormPosition::LoadFormPosition(this, settings, modKeys::Setting::TrackPosition);

    m_title = modApplication::ApplicationTitle(language);
    QGuiApplication::setApplicationDisplayName(m_title);
    setWindowTitle(m_title);

    try {
        PrepareMapAndPorts(settings);
    } catch (const clsStationError& error) {
        return Fail(error.Message());
    }
    FillPortLists(settings);
    {
        const QSignalBlocker quiet(chkReconnect);
        chkReconnect->setChecked(
            modPrivate::ReadSetting(settings, modKeys::Setting::AutoReconnect) == QLatin1String("1"));
    }
    m_receiver->SetAutoReconnect(chkReconnect->isChecked());

    fraTrackQuery->setTitle(QString());
    SetCaptions(language);
    AddColumns(language);

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

void frmTrack::FillPortLists(const clsProfileText& settings) {
    // The tooltips come from the text read at start-up, not from the file again.
    const QSignalBlocker quiet(cmdCommport);
    cmdCommport->clear();
    cmdCommport->addItems(m_ports.CommPorts());
    for (int i = 0; i < cmdCommport->count(); ++i) {
        cmdCommport->setItemData(i, clsSerialPort::DeviceForPort(settings, i + 1), Qt::ToolTipRole);
    }
    cmdCommport->setCurrentIndex(m_ports.CommPortIndex());
    cmdCommport->setToolTip(cmdCommport->currentData(Qt::ToolTipRole).toString());
    lblZoom->setText(QString::number(modMapZoom::StartZoom));
    cmdSetting->clear();
    cmdSetting->addItems(m_ports.LineSettings());
    cmdSetting->setCurrentIndex(m_ports.SettingIndex());
}

// The dialog writes the settings file; the list's tooltips follow it.
void frmTrack::cmdPorts_Click() {
    frmPorts dialog(m_programFolder, cmdCommport->currentIndex(), this);
    connect(&dialog, &frmPorts::Assigned, this, [this](int portNumber) {
        cmdCommport->setItemData(portNumber - 1,
                                 clsSerialPort::DeviceForPort(m_programFolder, portNumber),
                                 Qt::ToolTipRole);
        ShowPortDevice();
    });
    dialog.exec();
}

void frmTrack::ShowPortDevice() {
    const int port = cmdCommport->currentIndex() + 1;
    cmdCommport->setToolTip(port > 0 ? clsSerialPort::DeviceForPort(m_programFolder, port)
                                     : QString());
}

void frmTrack::SetCaptions(const clsProfileText& language) {
    const auto text = [&](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code);
    };
    CmdPOI->setText(text(modKeys::Track::PoiButton));
    frmRecords->setTitle(text(modKeys::Track::RecordsFrame));
    cmdQuery->setText(text(modKeys::Track::Connect));
    labComPort->setText(text(modKeys::Track::PortLabel));
    cmdPorts->setText(text(modKeys::Ports::Title));
    chkReconnect->setText(text(modKeys::Ports::AutoReconnect));
    lblWaitingFix->setText(text(modKeys::Messages::WaitingForFix));
    Label1->setText(text(modKeys::Track::LineLabel));
    lblFromTime->setText(text(modKeys::Track::DateLabel));
    Label7->setText(text(modKeys::Track::FromLabel));
    Label10->setText(text(modKeys::Track::ToLabel));
    lblFromSpeed->setText(text(modKeys::Track::SpeedLabel));
    cmdGET->setText(text(modKeys::Track::GetButton));
    fraPlay->setTitle(text(modKeys::Track::PlayFrame));
    Label5->setText(text(modKeys::Track::StepLabel));
    Label4->setText(text(modKeys::Track::StepUnitLabel));
    cmdExport->setText(text(modKeys::Track::ExportButton));
    cmdPlay->setText(text(modKeys::Track::PlayButton));
    cmdStopPlay->setText(text(modKeys::Track::StopButton));
    Check1->setText(text(modKeys::Track::WholeTrackCheck));
}

void frmTrack::AddColumns(const clsProfileText& language) {
    const struct {
        const char* key;
        LanguageCode header;
        int width; // twips
    } columns[] = {{"Index", modKeys::Track::IndexHeader, 800},
                   {"Date", modKeys::Track::DateHeader, 2700},
                   {"CheckPoint", modKeys::Track::CheckPointHeader, 2700},
                   {"Latitude", modKeys::Track::LatitudeHeader, 1800},
                   {"LONGITUDE", modKeys::Track::LongitudeHeader, 1800},
                   {"Direction", modKeys::Track::DirectionHeader, 1200},
                   {"SPEED", modKeys::Track::SpeedHeader, 1200}};
    for (const auto& column : columns) {
        m_rows.AddColumn({QLatin1String(column.key),
                          modPrivate::ReadLanguage(language, column.header), column.width});
        DateView->setColumnWidth(m_rows.columnCount() - 1,
                                 modFormPosition::PixelsX(this, column.width));
    }
    m_rows.SetSpeedUnit(Text(modKeys::Private::SpeedUnit));
}

void frmTrack::FillTimeLists() {
    const QStringList hours = twoDigitNumbers(0, 23, 1);
    const QStringList minutes = twoDigitNumbers(0, 50, 10);
    Combo1->clear();
    Combo1->addItems(hours);
    Combo4->clear();
    Combo4->addItems(hours);
    Combo4->addItem(QStringLiteral("24"));
    Combo2->clear();
    Combo2->addItems(minutes);
    Combo3->clear();
    Combo3->addItems(minutes);
    Combo4->setCurrentIndex(24);
    Combo3->setCurrentIndex(0);
    Combo1->setCurrentIndex(0);
    Combo2->setCurrentIndex(0);
}

void frmTrack::cmdQuery_Click() {
    fraMap->setVisible(true);
    try {
        m_receiver->Toggle(cmdCommport->currentIndex(), cmdSetting->currentIndex(),
                           cmdSetting->currentText());
    } catch (const clsStationError& error) {
        IPlatform::Current().MessageBox(this, error.Message(), m_title, IPlatform::Icon::Critical);
        return;
    }
    if (m_receiver->IsOpen()) {
        ShowPortOpened();
    } else {
        ShowPortClosed();
    }
}

// The editor is modal; when it reports a change of the POI table the map's copy is
// reloaded, and the map shows it at its next drawing.
void frmTrack::CmdPOI_Click() {
    modApplication::ResultFlag = 0;
    frmPOI editor(m_programFolder, m_db, this);
    editor.exec();
    if (modApplication::ResultFlag == 1) {
        try {
            LoadMapPoints();
        } catch (const clsStationError& error) {
            IPlatform::Current().MessageBox(this, error.Message(), m_title,
                                            IPlatform::Icon::Critical);
        }
    }
}

// Reads the chosen day's track from the history log into the list. The list grows while
// the log is read, slice by slice, and the waiting window offers its stop button and shows
// how far the log has been read.
void frmTrack::cmdGET_Click() {
    const clsHistoryQuery query(dtpFromTime->date(), Combo1->currentText(), Combo2->currentText(),
                                Combo4->currentText(), Combo3->currentText(), txtFromSpeed->text(),
                                txtToSpeed->text());
    ShowJobRunning(true);
    setAllEnabled({cmdExport, cmdPlay, Check1}, false);
    frmWaiting waiting(m_programFolder, this);
    waiting.show();
    m_recorder.TrackRecords().Clear();
    m_rows.Reset();
    QString failure;
    try {
        clsHistoryFetch(m_programFolder, query)
            .Run(m_recorder.TrackRecords(), [&](qint64 bytesRead, qint64 fileSize) {
                waiting.ShowProgress(bytesRead, fileSize);
                ShowAppendedRows();
                QCoreApplication::processEvents();
            });
    } catch (const clsStationError& error) {
        failure = error.Message(); // what was read before stays listed
    }
    ShowJobRunning(false);
    if (CloseIfAsked()) {
        return;
    }
    ShowFetched();
    waiting.close();
    SelectRow(0);
    DrawCurrentPosition();
    if (!failure.isEmpty()) {
        ShowError(failure);
    }
}

// The total, the "NO Date" row of a fetch that found nothing, and the controls; Timer3 puts
// the first row on the map.
void frmTrack::ShowFetched() {
    const qsizetype total = m_recorder.RecordCount();
    stbPanel2->setText(QStringLiteral("Total:%1").arg(total));
    if (total == 0) {
        m_rows.ShowNoDate();
    } else {
        m_rows.AnnounceAppended();
    }
    const bool found = total > 0;
    setAllEnabled({cmdExport, cmdPlay, Check1}, found);
    cmdStopPlay->setEnabled(false);
    fraMap->setVisible(found);
    if (found) {
        Timer3->start();
    } else {
        Timer3->stop();
    }
}

void frmTrack::cmdPlay_Click() {
    const QModelIndexList selected = DateView->selectionModel()->selectedRows();
    ShowJobRunning(true);
    m_player.Play(selected.isEmpty() ? -1 : selected.first().row(),
                  modPrivate::Val(txtInterval->text()));
    // Pressed again while the stopped playback still pauses, Play returns at once and the
    // running playback takes the new start up.
    if (!m_player.Running()) {
        ShowJobRunning(false);
        CloseIfAsked();
    }
}

// A playback step selects its row without a click, so Timer3 does not show it again. The
// step puts its record on the map, with the whole track when Check1 is checked, before its
// pause, and goes on after the pause only once the page shows that drawing: each step's
// picture stays for the whole pause, however long a large track takes to draw.
clsTrackPlayer::Callbacks frmTrack::PlaybackSteps() {
    return {[] { QCoreApplication::processEvents(); },
            [this](qsizetype row) { SelectRow(row); },
            [this](qsizetype index) { ShowRecord(index); },
            [this] { m_mapView->WaitUntilShown(MapWaitLimit); },
            [this] { return static_cast<double>(sldInterval->value()); },
            [this](bool playing) { ShowPlaying(playing); },
            [this](const QString& message) { ShowError(message); }};
}

void frmTrack::ShowPlaying(bool playing) {
    setAllEnabled({cmdExport, cmdPlay}, !playing);
    cmdStopPlay->setEnabled(playing);
}

// Writes the track to a file that the operator names and opens it in the text editor.
// The name is remembered for the next export once the file is written.
void frmTrack::cmdExport_Click() {
    int filterIndex = 0;
    const QString path = IPlatform::Current().ChooseFile(
        this, clsTrackExport::Filter(), filterIndex, QStringLiteral("ExportFile"),
        modPrivate::ReadSetting(m_programFolder, modKeys::Setting::ExportFileName));
    if (path.isEmpty()) {
        return;
    }
    if (ExportTrack(path, filterIndex)) {
        modPrivate::WriteSetting(m_programFolder, modKeys::Setting::ExportFileName, path);
    }
}

// Writes the track in the format of the filter entry (clsTrackExport::Format) and opens the
// file in the text editor; false when the file could not be written. A failure is shown and
// the station goes on.
bool frmTrack::ExportTrack(const QString& path, int format) {
    {
        setCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([this] { unsetCursor(); });
        try {
            m_export.ExportTrack(path, format, m_recorder.TrackRecords());
        } catch (const clsStationError& error) {
            ShowError(error.Message());
            return false;
        }
    }
    if (!IPlatform::Current().OpenInTextEditor(path)) {
        ShowError(Text(modKeys::Messages::EditorNotStarted).arg(QDir::toNativeSeparators(path)));
    }
    return true;
}

// While a fetch or a playback runs, nothing may replace the track under it: connecting and
// another fetch wait until it has ended.
void frmTrack::ShowJobRunning(bool running) {
    m_jobRunning = running;
    setAllEnabled({cmdQuery, cmdGET}, !running);
}

// Closes the window when that was asked while the job ran; true when it did.
bool frmTrack::CloseIfAsked() {
    if (!m_closeAsked) {
        return false;
    }
    close();
    return true;
}

// A playback while fixes come in would have the live path append to the track and select
// rows under it: play waits until the port is closed again.
void frmTrack::ShowPortOpened() {
    cmdQuery->setText(Text(modKeys::Track::Disconnect));
    setAllEnabled({cmdCommport, cmdSetting, cmdPorts, cmdGET, CmdPOI, Check1, cmdPlay}, false);
    m_recorder.ResetForOpening();
    m_rows.Reset();
    tmrReceiver->start();
    ShowReceiverState();
}

void frmTrack::ShowPortClosed() {
    cmdQuery->setText(Text(modKeys::Track::Connect));
    setAllEnabled({cmdCommport, cmdSetting, cmdPorts, cmdGET, CmdPOI}, true);
    Check1->setEnabled(m_recorder.RecordCount() > 0);
    cmdPlay->setEnabled(cmdExport->isEnabled());
    tmrReceiver->stop();
    ShowReceiverState();
}

// The state panel and the label over the map follow the receiver while the port is open;
// the label is a control of the window, so no map file is written for it.
void frmTrack::ShowReceiverState() {
    const bool open = m_receiver->IsOpen();
    const clsReceiverState& state = m_receiver->State();
    const clsProfileText language = modPrivate::LoadLanguage(m_programFolder);
    if (!open) {
        stbPanel3->clear();
        stbPanel3->setToolTip(QString());
    } else if (m_receiver->IsRetrying()) {
        stbPanel3->setText(modPrivate::ReadLanguage(language, modKeys::Messages::Retrying)
                               .arg(m_receiver->SecondsToRetry()));
    } else {
        stbPanel3->setText(state.PanelText(language, m_clock()));
    }
    if (open) {
        stbPanel3->setToolTip(state.CountsText(language));
    }
    lblWaitingFix->setVisible(open && !state.FixSeen());
    lblWaitingFix->raise();
}

void frmTrack::chkReconnect_Click(bool checked) {
    m_receiver->SetAutoReconnect(checked);
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::AutoReconnect,
                             checked ? QStringLiteral("1") : QStringLiteral("0"));
}

// The device went away: the receiver has closed the port already. The message does not
// wait for a click, so nothing else of the window waits behind it.
void frmTrack::HandlePortLost(const QString& message) {
    IPlatform::Current().ShowNotice(this, message, m_title, IPlatform::Icon::Critical);
    ShowPortClosed();
}

void frmTrack::ProcessSentence(const QString& sentence, const QDateTime& arrived) {
    const clsTrackRecorder::Result result = m_recorder.ProcessSentence(sentence, arrived);
    if (!lblWaitingFix->isHidden() && m_receiver->State().FixSeen()) {
        ShowReceiverState();
    }
    ShowHistoryOutcome(result);
    if (!result.Recorded) {
        return;
    }
    ShowAppendedRows();
    DrawCurrentPosition();
}

// A history log that cannot be written loses records silently unless the operator is
// told; the warning stays in the status bar until a record is written again.
void frmTrack::ShowHistoryOutcome(const clsTrackRecorder::Result& result) {
    if (!result.HistoryProblem.isEmpty()) {
        stbPanel1->setText(result.HistoryProblem);
        m_historyWarningShown = true;
    } else if (result.Recorded && m_historyWarningShown) {
        stbPanel1->clear();
        m_historyWarningShown = false;
    }
}

void frmTrack::ShowAppendedRows() {
    m_rows.AnnounceAppended();
    SelectRow(m_rows.rowCount() - 1);
}

// Selects the row (from 0) and scrolls it into view; a click on the list is what shows a
// row on the map, not its selection.
void frmTrack::SelectRow(qsizetype row) {
    if (row < 0 || row >= m_rows.rowCount()) {
        return;
    }
    const QModelIndex index = m_rows.index(static_cast<int>(row), 0);
    DateView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    DateView->scrollTo(index);
}

void frmTrack::DrawCurrentPosition() {
    if (fraMap->isHidden()) {
        return;
    }
    const PositionFix& fix = m_recorder.CurrentFix();
    lblCaption->setText(clsMapDrawing::CaptionText(fix));
    lblCaption->setVisible(true);
    if (!clsMapDrawing::HasPosition(fix)) {
        setAllVisible({imgZoomIn, imgZoomOut, lblSpeed}, false);
        return;
    }
    lblSpeed->setText(m_mapDrawing.SpeedCaption(fix));
    labXY->setText(clsMapDrawing::PositionText(fix));
    // A drawing without a position hid the zoom pictures; one with a position brings them back.
    setAllVisible({lblSpeed, labXY, imgZoomIn, imgZoomOut}, true);
    WBMaps->setVisible(true);
    try {
        m_mapDrawing.WriteCurrentPosition(fix, m_mapTemplate.MapTemplate(), ZoomLevel());
    } catch (const clsStationError& error) {
        ShowDrawingError(error.Message());
        return;
    }
    m_drawingErrorShown.clear();
    m_mapView->Navigate(m_mapDrawing.PagePath());
}

void frmTrack::DrawTrack() {
    if (!Check1->isChecked()) {
        return;
    }
    // The notice and the check box come back as they were also when the drawing fails.
    auto notice = std::make_unique<frmShow>(m_programFolder, this);
    notice->show();
    const bool checkEnabled = Check1->isEnabled();
    Check1->setEnabled(false);
    const auto restore = qScopeGuard([&] {
        notice.reset();
        Check1->setEnabled(checkEnabled);
    });
    m_mapDrawing.WriteTrack(m_recorder.TrackRecords(), SelectedRecord(),
                            m_mapTemplate.MapTemplate(), ZoomLevel());
    m_mapView->Navigate(m_mapDrawing.PagePath());
}

void frmTrack::LoadMapPoints() {
    m_mapDrawing.LoadMapPoints(m_db);
}

// A drawing that fails at every sentence would stack one message box on the other: the
// same message is shown again only after a drawing succeeded.
void frmTrack::ShowDrawingError(const QString& message) {
    if (message == m_drawingErrorShown) {
        return;
    }
    m_drawingErrorShown = message;
    IPlatform::Current().MessageBox(this, message, m_title, IPlatform::Icon::Critical);
}

// Shows the record of the selected row, and the whole track when Check1 is checked.
void frmTrack::Timer3_Timer() {
    Timer3->stop();
    fraMap->setVisible(true);
    if (m_rows.rowCount() == 0) {
        return;
    }
    try {
        ShowRecord(SelectedRecord());
    } catch (const clsStationError& error) {
        ShowError(error.Message());
    }
}

// Copies the record into CurrentFix and draws it, and the whole track when Check1 is
// checked. A failure of the whole-track drawing (clsStationError) goes to the caller.
void frmTrack::ShowRecord(qsizetype index) {
    m_recorder.SetCurrentFix(m_recorder.TrackRecords().At(index));
    DrawCurrentPosition();
    DrawTrack();
}

void frmTrack::ShowError(const QString& message) {
    IPlatform::Current().MessageBox(this, message, m_title, IPlatform::Icon::Critical);
}

qsizetype frmTrack::SelectedRecord() const {
    const QModelIndexList selected = DateView->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        throw clsStationError(Text(modKeys::Messages::NoSelectedRow));
    }
    return m_mapDrawing.RecordOfItem(m_rows.ItemText(selected.first().row()),
                                     m_recorder.RecordCount());
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
    if (problem.isEmpty()) {
        m_pickupErrorShown = false;
    } else if (!m_pickupErrorShown) {
        m_pickupErrorShown = true;
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

void frmTrack::StepZoom(int step) {
    if (const auto level = modMapZoom::Stepped(lblZoom->text(), step)) {
        SetZoom(*level);
    }
}

// The new level shows at the next drawing: through Timer3 when the list holds rows,
// otherwise with the next sentence.
void frmTrack::SetZoom(int level) {
    lblZoom->setText(QString::number(level));
    modPrivate::WriteSetting(m_programFolder, modKeys::Setting::Zoom, lblZoom->text());
    Timer3->start();
}

double frmTrack::ZoomLevel() const {
    return modPrivate::Val(lblZoom->text());
}

bool frmTrack::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == imgZoomIn || watched == imgZoomOut) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        StepZoom(watched == imgZoomIn ? 1 : -1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmTrack::closeEvent(QCloseEvent* event) {
    if (m_jobRunning) {
        // The fetch or playback that lets this event run ends first, and closes the
        // window once it has; the closing steps must not pull the database and the track
        // from under it.
        m_closeAsked = true;
        modApplication::FetchContinue = false;
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
    const int barHeight = stbStatusBar->sizeHint().height();
    stbStatusBar->setGeometry(0, height() - barHeight, width(), barHeight);
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
    const clsTrackLayout::Placements p = clsTrackLayout::Arrange(
        modFormPosition::TwipsX(this, width()), modFormPosition::TwipsY(this, height()),
        modFormPosition::TwipsY(this, stbStatusBar->height()));
    PlaceTwips(fraMap, p.fraMap);
    PlaceTwips(WBMaps, p.WBMaps);
    const QRect map = WBMaps->geometry();
    const QSize waiting(qMin(map.width() - 20, 360), 60);
    lblWaitingFix->setGeometry(QRect(map.center() - QPoint(waiting.width() / 2, waiting.height() / 2),
                                     waiting));
    PlaceTwips(fraTrackQuery, p.fraTrackQuery);
    PlaceTwips(CmdPOI, p.CmdPOI);
    PlaceTwips(frmRecords, p.frmRecords);
    lblSpeed->move(modFormPosition::PixelsX(this, p.lblSpeed.Left),
                   modFormPosition::PixelsY(this, p.lblSpeed.Top));
    labXY->move(modFormPosition::PixelsX(this, p.labXY.Left + DesignedLabXYWidth - LabXYWidth),
                modFormPosition::PixelsY(this, p.labXY.Top));
    PlaceTwips(DateView, p.DateView);
    PlaceTwips(imgZoomIn, p.imgZoomIn);
    PlaceTwips(imgZoomOut, p.imgZoomOut);
    DrawCurrentPosition();
}

void frmTrack::PlaceTwips(QWidget* control, const clsTrackLayout::Rect& twips) {
    control->setGeometry(
        modFormPosition::PixelsX(this, twips.Left), modFormPosition::PixelsY(this, twips.Top),
        modFormPosition::PixelsX(this, twips.Width), modFormPosition::PixelsY(this, twips.Height));
}

QString frmTrack::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}
