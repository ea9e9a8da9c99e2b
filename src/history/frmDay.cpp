#include "history/frmDay.h"

#include "history/clsDayReport.h"
#include "shell/IPlatform.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

QDoubleSpinBox* SpinBox(QWidget* parent, const char* name, double least, double most,
                        int decimals) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(least, most);
    box->setDecimals(decimals);
    return box;
}

} // namespace

frmDay::frmDay(const QString& programFolder, const clsTrackRecords& records,
               const QList<CoordinateRecord>& pois, QWidget* owner)
    : QDialog(owner), m_programFolder(programFolder), m_records(records), m_pois(pois) {
    setObjectName(QStringLiteral("frmDay"));
    BuildControls();
    const clsDaySummary::Parameters stored = clsDaySummary::Parameters::Read(m_programFolder);
    txtStopRadius->setValue(stored.StopRadius);
    txtStopMinutes->setValue(stored.StopMinutes);
    txtPoiRadius->setValue(stored.PoiRadius);
    m_summary = std::make_unique<clsDaySummary>(m_records, stored, m_pois);
    ShowSummary();
    connect(cmdApply, &QPushButton::clicked, this, &frmDay::cmdApply_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmDay::cmdPrint_Click);
    connect(cmdCsv, &QPushButton::clicked, this, &frmDay::cmdCsv_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    // A line the operator selects, not the current cell the table takes with the focus.
    connect(lstLines, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetSelectionRange> chosen = lstLines->selectedRanges();
        const int row = chosen.isEmpty() ? -1 : chosen.first().topRow();
        if (row >= 0 && row < m_summary->Lines().size()) {
            emit RecordChosen(m_summary->Lines()[row].First);
        }
    });
}

frmDay::~frmDay() = default;

void frmDay::BuildControls() {
    setWindowTitle(Text(modKeys::Day::Title));
    resize(820, 380);
    // Over the owner's lower right corner, away from the map.
    if (parentWidget() != nullptr) {
        const QRect area = parentWidget()->frameGeometry();
        move(std::max(area.left(), area.right() - width()),
             std::max(area.top(), area.bottom() - height()));
    }
    lstLines = new QTableWidget(this);
    lstLines->setObjectName(QStringLiteral("lstLines"));
    lstLines->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstLines->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLines->verticalHeader()->setVisible(false);
    lstLines->horizontalHeader()->setStretchLastSection(true);
    lblTotals = new QLabel(this);
    lblTotals->setObjectName(QStringLiteral("lblTotals"));
    lblTotals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtStopRadius = SpinBox(this, "txtStopRadius", 1, 100000, 0);
    txtStopMinutes = SpinBox(this, "txtStopMinutes", 0.1, 1440, 1);
    txtPoiRadius = SpinBox(this, "txtPoiRadius", 0, 100000, 0);
    const auto button = [this](const char* name, const LanguageCode& caption) {
        auto* b = new QPushButton(Text(caption), this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdApply = button("cmdApply", modKeys::Day::ApplyButton);
    cmdPrint = button("cmdPrint", modKeys::Day::PrintButton);
    cmdCsv = button("cmdCsv", modKeys::Day::CsvButton);
    cmdClose = button("cmdClose", modKeys::Day::CloseButton);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lstLines, 0, 0, 1, 7);
    grid->addWidget(lblTotals, 1, 0, 1, 7);
    int column = 0;
    for (const auto& [caption, box] : {std::pair{modKeys::Day::StopRadiusLabel, txtStopRadius},
                                       std::pair{modKeys::Day::StopMinutesLabel, txtStopMinutes},
                                       std::pair{modKeys::Day::PoiRadiusLabel, txtPoiRadius}}) {
        grid->addWidget(new QLabel(Text(caption), this), 2, column++);
        grid->addWidget(box, 2, column++);
    }
    grid->addWidget(cmdApply, 2, column);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {cmdPrint, cmdCsv, cmdClose}) {
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 3, 0, 1, 7);
}

void frmDay::ShowSummary() {
    const clsDayReport report(*m_summary, modPrivate::LoadLanguage(m_programFolder));
    lstLines->clear();
    lstLines->setColumnCount(static_cast<int>(report.Headers().size()));
    lstLines->setHorizontalHeaderLabels(report.Headers());
    lstLines->setRowCount(static_cast<int>(report.Rows().size()));
    for (int row = 0; row < report.Rows().size(); ++row) {
        for (int column = 0; column < report.Rows()[row].size(); ++column) {
            lstLines->setItem(row, column, new QTableWidgetItem(report.Rows()[row][column]));
        }
    }
    lstLines->resizeColumnsToContents();
    lblTotals->setText(report.TotalsText());
}

clsDaySummary::Parameters frmDay::ChosenParameters() const {
    return {txtStopRadius->value(), txtStopMinutes->value(), txtPoiRadius->value()};
}

// The table follows the values at once; they are kept for the next summary, the chart's
// breaks and the KML export's stops.
void frmDay::cmdApply_Click() {
    const clsDaySummary::Parameters chosen = ChosenParameters();
    m_summary = std::make_unique<clsDaySummary>(m_records, chosen, m_pois);
    ShowSummary();
    if (!chosen.Write(m_programFolder)) {
        IPlatform::Current().MessageBox(
            this,
            Text(modKeys::Messages::DaySettingsNotWritten)
                .arg(QDir::toNativeSeparators(modPrivate::SettingsPath(m_programFolder))),
            QGuiApplication::applicationDisplayName(), IPlatform::Icon::Critical);
    }
}

void frmDay::cmdPrint_Click() {
    // The title names the PDF file the print dialog proposes: no "/" in it.
    const QString title = Text(modKeys::Day::Title) + QStringLiteral(" ") + DayName();
    const clsDayReport report(*m_summary, modPrivate::LoadLanguage(m_programFolder));
    IPlatform& platform = IPlatform::Current();
    if (!platform.PrintDocument(this, report.Html(title), title)) {
        platform.MessageBox(this, Text(modKeys::Day::NotPrinted),
                            QGuiApplication::applicationDisplayName(), IPlatform::Icon::Critical);
    }
}

// Proposed beside the last exported track, named after the day.
void frmDay::cmdCsv_Click() {
    IPlatform& platform = IPlatform::Current();
    const QString lastExport =
        modPrivate::ReadSetting(m_programFolder, modKeys::Setting::ExportFileName);
    const QString proposed = QFileInfo(lastExport.isEmpty() ? m_programFolder : lastExport)
                                 .dir()
                                 .filePath(QStringLiteral("day-%1.csv").arg(DayName()));
    int filterIndex = 1;
    const QString path = platform.ChooseFile(this, QStringLiteral("CSV (*.csv)|*.csv"), filterIndex,
                                             Text(modKeys::Day::CsvButton), proposed);
    if (path.isEmpty()) {
        return;
    }
    try {
        m_summary->WriteCsv(path, m_programFolder);
    } catch (const clsStationError& error) {
        platform.MessageBox(this, error.Message(), QGuiApplication::applicationDisplayName(),
                            IPlatform::Icon::Critical);
    }
}

QString frmDay::DayName() const {
    return m_summary->DayTotals().Start.left(10).replace(QLatin1Char('/'), QLatin1Char('-'));
}

QString frmDay::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}
