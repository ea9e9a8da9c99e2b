#include "station/clsTrackControls.h"

#include "history/clsHistoryQuery.h"
#include "map/clsMapDrawing.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/clsWarnOnce.h"
#include "shell/modFormPosition.h"
#include "shell/modPrivate.h"
#include "station/clsTrackLayout.h"
#include "station/frmAbout.h"
#include "station/frmHelp.h"
#include "station/clsUniformTableView.h"
#include "tracking/clsDateViewModel.h"
#include "tracking/clsPortChoices.h"
#include "tracking/clsSerialPort.h"
#include "tracking/clsSerialReceiver.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QWebEngineView>
#include <cmath>
#include <initializer_list>

namespace {

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

} // namespace

void clsTrackControls::BuildControls(QWidget* window, const QString& programFolder) {
    m_window = window;
    BuildMapFrame(programFolder);
    BuildPortFrame();
    CmdPOI = named<QPushButton>(m_window, "CmdPOI");
    BuildRecordsFrame();
    BuildChartPane();
    BuildList();
    BuildStatusBar();
    BuildTimers();
    BuildMenus(programFolder);
    m_window->resize(modFormPosition::PixelsX(m_window, DesignedWidth),
                     modFormPosition::PixelsY(m_window, DesignedHeight) +
                         mnuBar->sizeHint().height());
}

// The languages name themselves; the one that runs is checked, which is the chosen one
// unless its file is missing.
void clsTrackControls::BuildMenus(const QString& programFolder) {
    mnuBar = named<QMenuBar>(m_window, "mnuBar");
    mnuLanguage = mnuBar->addMenu(QString());
    mnuLanguage->setObjectName(QStringLiteral("mnuLanguage"));
    const modPrivate::LanguageChoice running = modPrivate::ChosenLanguage(programFolder);
    const QString runningSetting = running.MissingFile.isEmpty() ? running.Setting : QString();
    auto* languages = new QActionGroup(mnuLanguage);
    for (const modKeys::Design::LanguageEntry& entry : modKeys::Design::Languages) {
        QAction* action = mnuLanguage->addAction(QString::fromUtf8(entry.Name));
        action->setObjectName(QStringLiteral("mnuLanguage_%1").arg(entry.Setting));
        action->setCheckable(true);
        action->setChecked(entry.Setting == runningSetting);
        languages->addAction(action);
        QObject::connect(action, &QAction::triggered, m_window,
                         [this, programFolder, setting = QString(entry.Setting)] {
                             ChooseLanguage(programFolder, setting);
                         });
    }
    mnuHelp = mnuBar->addMenu(QString());
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuGuide = mnuHelp->addAction(QString());
    mnuGuide->setObjectName(QStringLiteral("mnuGuide"));
    mnuGuide->setShortcut(QKeySequence::HelpContents);
    mnuAbout = mnuHelp->addAction(QString());
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    QObject::connect(mnuGuide, &QAction::triggered, m_window, [this, programFolder] {
        frmHelp::ShowGuide(programFolder, m_window);
    });
    QObject::connect(mnuAbout, &QAction::triggered, m_window, [this, programFolder] {
        frmAbout about(programFolder, m_window);
        about.exec();
    });
}

// The texts on screen stay those of the running language: they all change at the next start.
void clsTrackControls::ChooseLanguage(const QString& programFolder, const QString& setting) {
    const QString before = modPrivate::ReadSetting(programFolder, modKeys::Setting::Language);
    if (setting == before.trimmed()) {
        return;
    }
    modPrivate::WriteSetting(programFolder, modKeys::Setting::Language, setting);
    IPlatform::Current().MessageBox(
        m_window, modPrivate::ReadLanguage(programFolder, modKeys::Messages::LanguageAtNextStart),
        m_window->windowTitle(), IPlatform::Icon::Information);
}

void clsTrackControls::BuildMapFrame(const QString& programFolder) {
    fraMap = named<QGroupBox>(m_window, "fraMap");
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
        image->setCursor(Qt::PointingHandCursor);
        image->setPixmap(QPixmap(modPrivate::ProgramPath(programFolder, QLatin1String(file))));
    }
    PlaceTwips(lblZoom, {100, 30, 600, 250});
    PlaceTwips(lblCaption, {800, 30, 6000, 250});
    PlaceTwips(lblSpeed, {0, 0, 1900, 250});
    PlaceTwips(labXY, {0, 0, LabXYWidth, 250});
    labXY->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A control of the window, not of the page: showing it writes no map file.
    lblWaitingFix = named<QLabel>(fraMap, "lblWaitingFix");
    lblWaitingFix->setAlignment(Qt::AlignCenter);
    lblWaitingFix->setWordWrap(true);
    lblWaitingFix->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(255, 255, 255, 220); border: 1px solid #888; "
                       "border-radius: 6px; padding: 8px; font-weight: bold; }"));
    lblWaitingFix->setVisible(false);
}

void clsTrackControls::BuildPortFrame() {
    fraTrackQuery = named<QGroupBox>(m_window, "fraTrackQuery");
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

void clsTrackControls::BuildRecordsFrame() {
    frmRecords = named<QGroupBox>(m_window, "frmRecords");
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
    txtFromSpeed->setText(modKeys::Design::LowestSpeed);
    txtToSpeed = named<QLineEdit>(frmRecords, "txtToSpeed");
    txtToSpeed->setText(modKeys::Design::HighestSpeed);
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

void clsTrackControls::BuildPlayFrame() {
    fraPlay = named<QGroupBox>(frmRecords, "fraPlay");
    Label5 = named<QLabel>(fraPlay, "Label5");
    txtInterval = named<QLineEdit>(fraPlay, "txtInterval");
    txtInterval->setText(modKeys::Design::PlayStep);
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
    cmdChart = named<QPushButton>(fraPlay, "cmdChart");
    cmdChart->setCheckable(true);
    cmdDay = named<QPushButton>(fraPlay, "cmdDay");

    auto* least = new QLabel(QStringLiteral("1"), fraPlay);
    least->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    gridIn(fraPlay, {{Label5, txtInterval, Label4},
                     {least, sldInterval, new QLabel(QStringLiteral("10"), fraPlay)},
                     {cmdPlay, cmdPlay, cmdStopPlay},
                     {cmdExport, cmdExport, Check1},
                     {cmdChart, cmdChart, cmdDay}});
}

void clsTrackControls::BuildChartPane() {
    fraChart = named<QFrame>(m_window, "fraChart");
    fraChart->setFrameShape(QFrame::StyledPanel);
    fraChart->setVisible(false);
    WBChart = named<QWebEngineView>(fraChart, "WBChart");
    auto* fill = new QGridLayout(fraChart);
    fill->setContentsMargins(1, 1, 1, 1);
    fill->addWidget(WBChart, 0, 0);
}

void clsTrackControls::BuildList() {
    DateView = named<clsUniformTableView>(m_window, "DateView");
    DateView->setSelectionBehavior(QAbstractItemView::SelectRows);
    DateView->setSelectionMode(QAbstractItemView::SingleSelection);
    DateView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DateView->setShowGrid(false);
    DateView->setWordWrap(false);
    DateView->setAlternatingRowColors(true);
    DateView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void clsTrackControls::BuildStatusBar() {
    stbStatusBar = named<QStatusBar>(m_window, "stbStatusBar");
    stbPanel1 = named<QLabel>(stbStatusBar, "Panel1");
    stbPanel2 = named<QLabel>(stbStatusBar, "Panel2");
    stbStatusBar->addWidget(stbPanel1, 1);
    stbPanel3 = named<QLabel>(stbStatusBar, "Panel3");
    stbStatusBar->addWidget(stbPanel2, 1);
    stbStatusBar->addWidget(stbPanel3, 2);
}

void clsTrackControls::BuildTimers() {
    MapTimer = named<QTimer>(m_window, "MapTimer");
    MapTimer->setInterval(20000);
    MapTimer->start();
    Timer3 = named<QTimer>(m_window, "Timer3");
    Timer3->setInterval(50);
    Timer3->setSingleShot(true);
    tmrReceiver = named<QTimer>(m_window, "tmrReceiver");
    tmrReceiver->setInterval(1000);
    Timer4 = named<QTimer>(m_window, "Timer4");
    Timer4->setInterval(1000);
}

void clsTrackControls::SetCaptions(const clsProfileText& language) {
    const auto text = [&](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code);
    };
    fraTrackQuery->setTitle(QString());
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
    mnuLanguage->setTitle(text(modKeys::Messages::LanguageMenu));
    mnuHelp->setTitle(text(modKeys::Messages::HelpMenu));
    mnuGuide->setText(text(modKeys::Messages::GuideEntry));
    mnuAbout->setText(text(modKeys::Messages::AboutEntry));
    cmdChart->setText(text(modKeys::Day::ChartButton));
    cmdDay->setText(text(modKeys::Day::DayButton));
}

void clsTrackControls::FitWindow(bool placed) {
    using namespace modFormPosition;
    // The sizes the controls need are those of the style and font they are shown in.
    m_window->ensurePolished();
    const auto pixelsUp = [this](double twips) {
        return static_cast<int>(std::ceil(twips / TwipsX(m_window, 1)));
    };
    // The labels beside the map as placed, the history frame's rows and the playback
    // frame, and the list's heading with three rows and its scroll bar.
    const int listHeight = DateView->horizontalHeader()->sizeHint().height() +
                           3 * DateView->verticalHeader()->defaultSectionSize() +
                           DateView->horizontalScrollBar()->sizeHint().height() +
                           2 * DateView->frameWidth();
    const clsTrackLayout::Needs needs{
        std::max(800.0 + 6000.0, 4500.0 + LabXYWidth - DesignedLabXYWidth),
        TwipsY(m_window, frmRecords->minimumSizeHint().height() + 1),
        TwipsY(m_window, listHeight)};
    const clsTrackLayout::InnerSize least = clsTrackLayout::SmallestInner(
        needs, TwipsY(m_window, stbStatusBar->sizeHint().height()));
    const int bar = mnuBar->sizeHint().height();
    const QSize smallest(pixelsUp(least.Width), pixelsUp(least.Height) + bar);
    m_window->setMinimumSize(smallest);
    if (placed) {
        return;
    }
    int columns = DateView->verticalScrollBar()->sizeHint().width() + 2 * DateView->frameWidth();
    for (int column = 0; column < DateView->model()->columnCount(); ++column) {
        columns += DateView->columnWidth(column);
    }
    const QSize first(pixelsUp(TwipsX(m_window, columns) + 4155),
                      PixelsY(m_window, DesignedHeight) + bar);
    const QScreen* screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableSize() : first;
    m_window->resize(first.expandedTo(smallest).boundedTo(available));
}

void clsTrackControls::FillPortLists(const clsPortChoices& ports, const clsProfileText& settings) {
    // The tooltips come from the text read at start-up, not from the file again.
    const QSignalBlocker quiet(cmdCommport);
    cmdCommport->clear();
    cmdCommport->addItems(ports.CommPorts());
    for (int i = 0; i < cmdCommport->count(); ++i) {
        cmdCommport->setItemData(i, clsSerialPort::DeviceForPort(settings, i + 1), Qt::ToolTipRole);
    }
    cmdCommport->setCurrentIndex(ports.CommPortIndex());
    cmdCommport->setToolTip(cmdCommport->currentData(Qt::ToolTipRole).toString());
    cmdSetting->clear();
    cmdSetting->addItems(ports.LineSettings());
    cmdSetting->setCurrentIndex(ports.SettingIndex());
    const QSignalBlocker quietBox(chkReconnect);
    chkReconnect->setChecked(modPrivate::ReadSetting(settings, modKeys::Setting::AutoReconnect) ==
                             QLatin1String("1"));
}

void clsTrackControls::ShowPortDevice(const QString& programFolder, int portNumber) {
    if (portNumber >= 1 && portNumber <= cmdCommport->count()) {
        cmdCommport->setItemData(portNumber - 1,
                                 clsSerialPort::DeviceForPort(programFolder, portNumber),
                                 Qt::ToolTipRole);
    }
    cmdCommport->setToolTip(cmdCommport->currentData(Qt::ToolTipRole).toString());
}

void clsTrackControls::FillTimeLists() {
    for (auto [list, entries] : {std::pair{Combo1, clsHistoryQuery::StartHours()},
                                 std::pair{Combo2, clsHistoryQuery::Minutes()},
                                 std::pair{Combo4, clsHistoryQuery::EndHours()},
                                 std::pair{Combo3, clsHistoryQuery::Minutes()}}) {
        list->clear();
        list->addItems(entries);
        list->setCurrentIndex(list == Combo4 ? list->count() - 1 : 0);
    }
}

clsHistoryQuery clsTrackControls::Query() const {
    return {dtpFromTime->date(),   Combo1->currentText(), Combo2->currentText(),
            Combo4->currentText(), Combo3->currentText(), txtFromSpeed->text(),
            txtToSpeed->text()};
}

int clsTrackControls::ZoomPictureStep(const QObject* watched, const QEvent* event) const {
    if ((watched != imgZoomIn && watched != imgZoomOut) ||
        event->type() != QEvent::MouseButtonRelease ||
        static_cast<const QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return 0;
    }
    return watched == imgZoomIn ? 1 : -1;
}

void clsTrackControls::SelectRow(const clsDateViewModel& rows, qsizetype row, bool scroll) {
    if (row < 0 || row >= rows.rowCount()) {
        return;
    }
    const QModelIndex index = rows.index(static_cast<int>(row), 0);
    // The view scrolls to a new current row by itself unless told not to.
    const bool autoScroll = DateView->hasAutoScroll();
    DateView->setAutoScroll(scroll && autoScroll);
    DateView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    DateView->setAutoScroll(autoScroll);
    if (scroll) {
        DateView->scrollTo(index);
    }
}

void clsTrackControls::SelectAppendedRow(clsDateViewModel& rows, bool live) {
    const QScrollBar* bar = DateView->verticalScrollBar();
    const bool scroll = !live || bar->value() >= bar->maximum();
    rows.AnnounceAppended();
    SelectRow(rows, rows.rowCount() - 1, scroll);
}

bool clsTrackControls::ShowFixLabels(const PositionFix& fix, clsMapDrawing& drawing) {
    lblCaption->setText(drawing.CaptionText(fix));
    lblCaption->setVisible(true);
    const bool position = clsMapDrawing::HasPosition(fix);
    if (position) {
        lblSpeed->setText(drawing.SpeedCaption(fix));
        labXY->setText(clsMapDrawing::PositionText(fix));
        labXY->setVisible(true);
        WBMaps->setVisible(true);
    }
    // A drawing without a position hid the zoom pictures; one with a position brings them back.
    for (QWidget* control : {static_cast<QWidget*>(lblSpeed), static_cast<QWidget*>(imgZoomIn),
                             static_cast<QWidget*>(imgZoomOut)}) {
        control->setVisible(position);
    }
    return position;
}

void clsTrackControls::ShowReceiver(const clsSerialReceiver& receiver, const QString& programFolder,
                                    const QDateTime& now) {
    const clsProfileText language = modPrivate::LoadLanguage(programFolder);
    stbPanel3->setText(receiver.PanelText(language, now));
    stbPanel3->setToolTip(receiver.IsOpen() ? receiver.State().CountsText(language) : QString());
}

qsizetype clsTrackControls::SelectedRecord(const clsDateViewModel& rows,
                                           const QString& programFolder) const {
    const int row = SelectedRow();
    if (row < 0) {
        throw clsStationError(modPrivate::ReadLanguage(programFolder, modKeys::Messages::NoSelectedRow));
    }
    const std::optional<qsizetype> record = rows.RecordOfRow(row);
    if (!record) {
        throw clsStationError(
            modPrivate::ReadLanguage(programFolder, modKeys::Messages::RowShowsNoRecord));
    }
    return *record;
}

int clsTrackControls::SelectedRow() const {
    const QModelIndexList selected = DateView->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void clsTrackControls::ShowTotal(clsDateViewModel& rows, qsizetype total, const QString& label) {
    stbPanel2->setText(label + QString::number(total));
    if (total == 0) {
        rows.ShowNoDate();
    } else {
        rows.AnnounceAppended();
    }
}

void clsTrackControls::ShowHistoryOutcome(clsWarnOnce& warning,
                                          const clsTrackRecorder::Result& result) {
    if (!result.HistoryProblem.isEmpty()) {
        if (warning.Warn(result.HistoryProblem)) {
            stbPanel1->setText(result.HistoryProblem);
        }
    } else if (result.Recorded && warning.Clear()) {
        stbPanel1->clear();
    }
}

void clsTrackControls::SetColumns(clsDateViewModel& rows, const clsProfileText& language) {
    rows.AddStationColumns(language);
    for (int column = 0; column < rows.columnCount(); ++column) {
        DateView->setColumnWidth(column,
                                 modFormPosition::PixelsX(m_window, rows.Columns()[column].Width));
    }
}

void clsTrackControls::PlaceStatusBar() {
    mnuBar->setGeometry(0, 0, m_window->width(), mnuBar->sizeHint().height());
    const int barHeight = stbStatusBar->sizeHint().height();
    stbStatusBar->setGeometry(0, m_window->height() - barHeight, m_window->width(), barHeight);
}

void clsTrackControls::PlaceControls() {
    using namespace modFormPosition;
    const bool chart = !fraChart->isHidden();
    const clsTrackLayout::Placements p = clsTrackLayout::Arrange(
        TwipsX(m_window, m_window->width()), TwipsY(m_window, LayoutHeightPixels()),
        TwipsY(m_window, stbStatusBar->height()), chart);
    if (chart) {
        PlaceTwips(fraChart, p.fraChart);
    }
    PlaceTwips(fraMap, p.fraMap);
    PlaceTwips(WBMaps, p.WBMaps);
    const QRect map = WBMaps->geometry();
    const QSize waiting(qMin(map.width() - 20, 360), 60);
    lblWaitingFix->setGeometry(
        QRect(map.center() - QPoint(waiting.width() / 2, waiting.height() / 2), waiting));
    PlaceTwips(fraTrackQuery, p.fraTrackQuery);
    PlaceTwips(CmdPOI, p.CmdPOI);
    PlaceTwips(frmRecords, p.frmRecords);
    // The labels end at the frame's bottom edge; rounding to pixels must not cut them.
    const int labelsTop = std::min(PixelsY(m_window, p.lblSpeed.Top),
                                   PixelsY(m_window, p.fraMap.Height) - lblSpeed->height());
    lblSpeed->move(PixelsX(m_window, p.lblSpeed.Left), labelsTop);
    labXY->move(PixelsX(m_window, p.labXY.Left + DesignedLabXYWidth - LabXYWidth), labelsTop);
    PlaceTwips(DateView, p.DateView);
    PlaceTwips(imgZoomIn, p.imgZoomIn);
    PlaceTwips(imgZoomOut, p.imgZoomOut);
    // The layout's window begins below the menu bar.
    const int bar = mnuBar->height();
    for (QWidget* control : {static_cast<QWidget*>(fraMap), static_cast<QWidget*>(fraChart),
                             static_cast<QWidget*>(fraTrackQuery), static_cast<QWidget*>(CmdPOI),
                             static_cast<QWidget*>(frmRecords), static_cast<QWidget*>(DateView)}) {
        control->move(control->x(), control->y() + bar);
    }
}

int clsTrackControls::LayoutHeightPixels() const {
    return m_window->height() - mnuBar->height();
}

bool clsTrackControls::ShowChartPane(bool shown) {
    if (fraChart->isHidden() != shown) {
        return false;
    }
    fraChart->setVisible(shown);
    PlaceControls();
    return shown;
}

void clsTrackControls::PlaceTwips(QWidget* control, const TwipsRect& twips) const {
    control->setGeometry(modFormPosition::PixelsX(m_window, twips.Left),
                         modFormPosition::PixelsY(m_window, twips.Top),
                         modFormPosition::PixelsX(m_window, twips.Width),
                         modFormPosition::PixelsY(m_window, twips.Height));
}
