#include "frmTrack.h"

#include "FixRow.h"
#include "IPlatform.h"
#include "clsDBLib.h"
#include "clsSerialPort.h"
#include "clsSerialReceiver.h"
#include "clsTrackLayout.h"
#include "clsUniformTableView.h"
#include "modApplication.h"
#include "modFormPosition.h"
#include "modPrivate.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QWebEngineView>
#include <exception>
#include <initializer_list>

namespace {

// Designed inner size of the window, in twips (840 x 630 pixels at 96 dots per inch).
constexpr double DesignedWidth = 12600;
constexpr double DesignedHeight = 9450;

const QString Track = QStringLiteral("Track");

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

QStringList twoDigitNumbers(int first, int last, int step) {
    QStringList entries;
    for (int n = first; n <= last; n += step) {
        entries << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    }
    return entries;
}

} // namespace

frmTrack::frmTrack(const QString& programFolder, clsDBLib& db, QWidget* parent)
    : QWidget(parent), programFolder_(programFolder), db_(db), recorder_(programFolder),
      receiver_(new clsSerialReceiver(programFolder, this)) {
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

    connect(receiver_, &clsSerialReceiver::SentenceReceived, this, &frmTrack::ProcessSentence);
    connect(receiver_, &clsSerialReceiver::PortLost, this, &frmTrack::HandlePortLost);
    connect(cmdQuery, &QPushButton::clicked, this, &frmTrack::cmdQuery_Click);
    connect(cmdCommport, &QComboBox::currentIndexChanged, this, &frmTrack::ShowPortDevice);
}

frmTrack::~frmTrack() = default;

void frmTrack::BuildMapFrame() {
    fraMap = named<QGroupBox>(this, "fraMap");
    fraMap->setVisible(false);
    WBMaps = named<QWebEngineView>(fraMap, "WBMaps");
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
        image->setPixmap(QPixmap(modPrivate::ProgramPath(programFolder_, QLatin1String(file))));
    }
    PlaceTwips(lblZoom, 100, 30, 600, 250);
    PlaceTwips(lblCaption, 800, 30, 6000, 250);
    PlaceTwips(lblSpeed, 0, 0, 1900, 250);
    PlaceTwips(labXY, 0, 0, 2450, 250);
}

void frmTrack::BuildPortFrame() {
    fraTrackQuery = named<QGroupBox>(this, "fraTrackQuery");
    labComPort = named<QLabel>(fraTrackQuery, "labComPort");
    cmdCommport = named<QComboBox>(fraTrackQuery, "cmdCommport");
    Label1 = named<QLabel>(fraTrackQuery, "Label1");
    cmdSetting = named<QComboBox>(fraTrackQuery, "cmdSetting");
    cmdQuery = named<QPushButton>(fraTrackQuery, "cmdQuery");
    gridIn(fraTrackQuery, {{labComPort, cmdCommport}, {Label1, cmdSetting}, {cmdQuery, cmdQuery}})
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
    DateView->setModel(&rows_);
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
    stbStatusBar->addWidget(stbPanel1, 1);
    stbStatusBar->addWidget(stbPanel2, 1);
}

void frmTrack::BuildTimers() {
    MapTimer = named<QTimer>(this, "MapTimer");
    MapTimer->setInterval(20000);
    MapTimer->start();
    Timer3 = named<QTimer>(this, "Timer3");
    Timer3->setInterval(50);
    Timer3->setSingleShot(true);
    Timer4 = named<QTimer>(this, "Timer4");
    Timer4->setInterval(1000);
}

bool frmTrack::Load() {
    modFormPosition::LoadFormPosition(this, programFolder_, QStringLiteral("Position"), Track);

    title_ = modApplication::ApplicationTitle(programFolder_);
    QGuiApplication::setApplicationDisplayName(title_);
    setWindowTitle(title_);

    try {
        mapAndPorts_.PrepareMapAndPorts(programFolder_);
    } catch (const std::exception& error) {
        return Fail(QString::fromStdString(error.what()));
    }
    FillPortLists();

    fraTrackQuery->setTitle(QString());
    SetCaptions();
    AddColumns();

    recorder_.SetCurrentFix(PositionFix{});
    recorder_.SetTrackRecords({});

    try {
        db_.OpenConnection(
            modPrivate::ProgramPath(programFolder_, QStringLiteral("database/POI.mdb")));
    } catch (const std::exception& error) {
        return Fail(QString::fromStdString(error.what()));
    }
    // The map's points of interest are loaded here once the map page draws them.

    dtpFromTime->setDateTime(QDateTime::currentDateTime());
    FillTimeLists();
    return true;
}

bool frmTrack::Fail(const QString& message) {
    IPlatform& platform = IPlatform::Current();
    platform.MessageBox(this, message, title_, IPlatform::Icon::Critical);
    platform.EndProgram(1);
    return false;
}

void frmTrack::FillPortLists() {
    cmdCommport->clear();
    cmdCommport->addItems(mapAndPorts_.CommPorts());
    for (int i = 0; i < cmdCommport->count(); ++i) {
        cmdCommport->setItemData(i, clsSerialPort::DeviceForPort(programFolder_, i + 1),
                                 Qt::ToolTipRole);
    }
    cmdCommport->setCurrentIndex(mapAndPorts_.CommPortIndex());
    ShowPortDevice();
    lblZoom->setText(QString::number(mapAndPorts_.Zoom()));
    cmdSetting->clear();
    cmdSetting->addItems(mapAndPorts_.LineSettings());
    cmdSetting->setCurrentIndex(mapAndPorts_.SettingIndex());
}

void frmTrack::ShowPortDevice() {
    const int port = cmdCommport->currentIndex() + 1;
    cmdCommport->setToolTip(port > 0 ? clsSerialPort::DeviceForPort(programFolder_, port)
                                     : QString());
}

void frmTrack::SetCaptions() {
    CmdPOI->setText(Text(Track, QStringLiteral("0002")));
    frmRecords->setTitle(Text(Track, QStringLiteral("0005")));
    cmdQuery->setText(Text(Track, QStringLiteral("0003")));
    labComPort->setText(Text(Track, QStringLiteral("0007")));
    Label1->setText(Text(Track, QStringLiteral("0008")));
    lblFromTime->setText(Text(Track, QStringLiteral("0009")));
    Label7->setText(Text(Track, QStringLiteral("0010")));
    Label10->setText(Text(Track, QStringLiteral("0011")));
    lblFromSpeed->setText(Text(Track, QStringLiteral("0012")));
    cmdGET->setText(Text(Track, QStringLiteral("0013")));
    fraPlay->setTitle(Text(Track, QStringLiteral("0014")));
    Label5->setText(Text(Track, QStringLiteral("0015")));
    Label4->setText(Text(Track, QStringLiteral("0021")));
    cmdExport->setText(Text(Track, QStringLiteral("0024")));
    cmdPlay->setText(Text(Track, QStringLiteral("0025")));
    cmdStopPlay->setText(Text(Track, QStringLiteral("0026")));
    Check1->setText(Text(Track, QStringLiteral("0027")));
}

void frmTrack::AddColumns() {
    const struct {
        const char* key;
        const char* code;
        int width; // twips
    } columns[] = {{"Index", "0016", 800},       {"Date", "0018", 2700},
                   {"CheckPoint", "0006", 2700}, {"Latitude", "0019", 1800},
                   {"LONGITUDE", "0020", 1800},  {"Direction", "0022", 1200},
                   {"SPEED", "0023", 1200}};
    for (const auto& column : columns) {
        rows_.AddColumn(
            {QLatin1String(column.key), Text(Track, QLatin1String(column.code)), column.width});
        DateView->setColumnWidth(rows_.columnCount() - 1,
                                 modFormPosition::PixelsX(this, column.width));
    }
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
    if (receiver_->IsOpen()) {
        receiver_->Close();
        ShowPortClosed();
        return;
    }
    const QString error = receiver_->Open(cmdCommport->currentIndex(), cmdSetting->currentIndex(),
                                          cmdSetting->currentText());
    if (!error.isEmpty()) {
        IPlatform::Current().MessageBox(this, error, title_, IPlatform::Icon::Critical);
        return;
    }
    ShowPortOpened();
}

void frmTrack::ShowPortOpened() {
    cmdQuery->setText(Text(Track, QStringLiteral("0004")));
    setAllEnabled({cmdCommport, cmdSetting, cmdGET, CmdPOI, Check1}, false);
    rows_.Clear();
    recorder_.ResetForOpening();
    recorder_.SetSpeedUnit(Text(QStringLiteral("Private"), QStringLiteral("0001")));
}

void frmTrack::ShowPortClosed() {
    cmdQuery->setText(Text(Track, QStringLiteral("0003")));
    setAllEnabled({cmdCommport, cmdSetting, cmdGET, CmdPOI}, true);
    Check1->setEnabled(recorder_.RecordCount() > 0);
}

// The device went away: the receiver has closed the port already. The message does not
// wait for a click, so nothing else of the window waits behind it.
void frmTrack::HandlePortLost(const QString& description) {
    IPlatform::Current().ShowNotice(this, description, title_, IPlatform::Icon::Critical);
    ShowPortClosed();
}

void frmTrack::ProcessSentence(const QString& sentence) {
    const clsTrackRecorder::Result result = recorder_.ProcessSentence(sentence);
    ShowHistoryOutcome(result);
    if (!result.Recorded) {
        return;
    }
    AddFixRow(result.Row);
    DrawCurrentPosition();
}

// A history log that cannot be written loses records silently unless the operator is
// told; the warning stays in the status bar until a record is written again.
void frmTrack::ShowHistoryOutcome(const clsTrackRecorder::Result& result) {
    if (!result.History.Ok) {
        stbPanel1->setText(result.History.Message);
        historyWarningShown_ = true;
    } else if (result.Recorded && historyWarningShown_) {
        stbPanel1->clear();
        historyWarningShown_ = false;
    }
}

void frmTrack::AddFixRow(const FixRow& row) {
    const int at = rows_.AddRow(row.Key, row.Text, row.SubItems);
    const QModelIndex index = rows_.index(at, 0);
    DateView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    DateView->scrollTo(index);
}

void frmTrack::DrawCurrentPosition() {
    // The map page draws CurrentFix here.
}

void frmTrack::closeEvent(QCloseEvent* event) {
    // No sentence is taken after this point.
    disconnect(receiver_, nullptr, this, nullptr);
    receiver_->Close();
    modFormPosition::SaveFormPosition(this, programFolder_, QStringLiteral("Position"), Track);
    db_.CloseConnection();
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
    const QList<clsTrackLayout::Placement> placements = clsTrackLayout::Arrange(
        modFormPosition::TwipsX(this, width()), modFormPosition::TwipsY(this, height()),
        modFormPosition::TwipsY(this, stbStatusBar->height()));
    for (const clsTrackLayout::Placement& place : placements) {
        auto* control = findChild<QWidget*>(place.Control);
        if (place.KeepsSize) {
            control->move(modFormPosition::PixelsX(this, place.Left),
                          modFormPosition::PixelsY(this, place.Top));
        } else {
            PlaceTwips(control, place.Left, place.Top, place.Width, place.Height);
        }
    }
    DrawCurrentPosition();
}

void frmTrack::PlaceTwips(QWidget* control, double left, double top, double width, double height) {
    control->setGeometry(modFormPosition::PixelsX(this, left), modFormPosition::PixelsY(this, top),
                         modFormPosition::PixelsX(this, width),
                         modFormPosition::PixelsY(this, height));
}

QString frmTrack::Text(const QString& section, const QString& code) const {
    return modPrivate::ReadLanguage(programFolder_, section, code);
}
