#pragma once

#include "tracking/clsTrackRecords.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <optional>

class clsProfileText;

// The rows of the main window's position list, over the track: row i shows the fix at
// index i, with the key "#i", the item text i + 1 in the first column, and sub-items keyed
// "Date", "CheckPoint", "Latitude", "LONGITUDE", "Direction" and "SPEED" in the columns of
// the same keys. The texts are made when a row is asked for, so a long track costs no
// more than its fixes. Rows follow the track only when told: fixes appended to it become
// rows at the next AnnounceAppended, in one batch however many they are.
class clsDateViewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        QString Key;
        QString Header;
        int Width = 0; // twips
    };

    // track lives longer than the model.
    explicit clsDateViewModel(const clsTrackRecords& track, QObject* parent = nullptr);

    void AddColumn(const Column& column);
    // The station's seven columns, headers from section "Track" of the language text:
    // "Index" 800 twips, "Date" 2700, "CheckPoint" 2700, "Latitude" 1800, "LONGITUDE"
    // 1800, "Direction" 1200, "SPEED" 1200; the status texts and the "NO Date" row too.
    void AddStationColumns(const clsProfileText& language);
    const QList<Column>& Columns() const { return m_columns; }
    // The text that follows the number in the "SPEED" column.
    void SetSpeedUnit(const QString& unit);

    // Adds the fixes appended to the track since the last announcement as rows, in one
    // batch. After the track was cleared or replaced it shows the track anew instead.
    void AnnounceAppended();
    // Shows the track anew: for a track cleared or replaced.
    void Reset();
    // The single row of a fetch that found nothing: key "#0", text "1" and one sub-item
    // "DialTime" reading "NO Date", shown in the "Date" column. The next AnnounceAppended or
    // Reset removes it.
    void ShowNoDate();

    QString RowKey(int row) const;
    QString ItemText(int row) const;
    // The index into the track of the record that a row shows: row k (from 1, its item
    // text) shows record k - 1, the "NO Date" row the empty spare. Nothing for a row that
    // is not listed.
    std::optional<qsizetype> RecordOfRow(int row) const;
    // The text of the row's sub-item with this key (case-sensitive), or "".
    QString SubItemText(int row, const QString& key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool IsRow(int row) const { return row >= 0 && row < m_rowCount; }
    void ResetTo(int rowCount, bool noDate);

    const clsTrackRecords& m_track;
    QList<Column> m_columns;
    QString m_speedUnit;
    // The status column's texts and the row of a fetch that found nothing, of the language
    // file the station's columns came from (English until then).
    QString m_realTime;
    QString m_lastLocation;
    QString m_noDateText;
    int m_rowCount = 0;
    bool m_noDate = false;
};
