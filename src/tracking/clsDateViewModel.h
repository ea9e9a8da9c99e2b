#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPair>
#include <QStringList>
#include <vector>

// The rows of the main window's position list: each row has a key, an item text shown
// in the first column, and keyed sub-items that fill the following columns in the
// order they were added. Rows are only appended or cleared, so a list of a hundred
// thousand positions stays quick.
class clsDateViewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        QString Key;
        QString Header;
        int Width = 0; // twips
    };
    using SubItem = QPair<QString, QString>; // key, text

    explicit clsDateViewModel(QObject* parent = nullptr);

    void AddColumn(const Column& column);
    const QList<Column>& Columns() const { return m_columns; }

    // Appends a row; returns its position (from 0).
    int AddRow(const QString& key, const QString& text, const QList<SubItem>& subItems);
    void Clear();

    QString RowKey(int row) const;
    QString ItemText(int row) const;
    // The text of the row's sub-item with this key (case-sensitive), or "".
    QString SubItemText(int row, const QString& key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString Key;
        QString Text;
        QList<SubItem> SubItems;
    };

    QList<Column> m_columns;
    std::vector<Row> m_rows;
};
