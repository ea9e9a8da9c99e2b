#pragma once

#include "history/clsDaySummary.h"
#include "shell/modKeys.h"

#include <QDialog>
#include <QList>
#include <memory>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The day summary of the listed track: its trips and stops with the day's totals, the
// three stop settings (applied to the table and stored in the settings file), printing and
// a CSV file. Choosing a line asks the main window to show the line's first record.
class frmDay : public QDialog {
    Q_OBJECT

public:
    // Reads records and points of interest now; the dialog keeps its own summary.
    frmDay(const QString& programFolder, const clsTrackRecords& records,
           const QList<CoordinateRecord>& pois, QWidget* owner);
    ~frmDay() override;

    const clsDaySummary& Summary() const { return *m_summary; }

    QTableWidget* lstLines;
    QLabel* lblTotals;
    QDoubleSpinBox* txtStopRadius;
    QDoubleSpinBox* txtStopMinutes;
    QDoubleSpinBox* txtPoiRadius;
    QPushButton* cmdApply;
    QPushButton* cmdPrint;
    QPushButton* cmdCsv;
    QPushButton* cmdClose;

signals:
    // The operator chose a line whose first record is record (from 0).
    void RecordChosen(qsizetype record);

private:
    void BuildControls();
    void ShowSummary();
    void cmdApply_Click();
    void cmdPrint_Click();
    void cmdCsv_Click();
    clsDaySummary::Parameters ChosenParameters() const;
    // The day of the summary, "yyyy-mm-dd".
    QString DayName() const;
    QString Text(const LanguageCode& code) const;

    QString m_programFolder;
    const clsTrackRecords& m_records;
    QList<CoordinateRecord> m_pois;
    std::unique_ptr<clsDaySummary> m_summary;
};
