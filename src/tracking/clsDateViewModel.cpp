#include "tracking/clsDateViewModel.h"

clsDateViewModel::clsDateViewModel(QObject* parent) : QAbstractTableModel(parent) {}

void clsDateViewModel::AddColumn(const Column& column) {
    const int at = static_cast<int>(m_columns.size());
    beginInsertColumns({}, at, at);
    m_columns.append(column);
    endInsertColumns();
}

int clsDateViewModel::AddRow(const QString& key, const QString& text,
                             const QList<SubItem>& subItems) {
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back({key, text, subItems});
    endInsertRows();
    return at;
}

void clsDateViewModel::Clear() {
    if (m_rows.empty()) {
        return;
    }
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString clsDateViewModel::RowKey(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[row].Key : QString();
}

QString clsDateViewModel::ItemText(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[row].Text : QString();
}

QString clsDateViewModel::SubItemText(int row, const QString& key) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    for (const SubItem& item : m_rows[row].SubItems) {
        if (item.first == key) {
            return item.second;
        }
    }
    return {};
}

int clsDateViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int clsDateViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant clsDateViewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    if (index.column() == 0) {
        return row.Text;
    }
    const int item = index.column() - 1;
    return item < row.SubItems.size() ? row.SubItems[item].second : QString();
}

QVariant clsDateViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_columns[section].Header;
    }
    if (role == Qt::UserRole) {
        return m_columns[section].Key;
    }
    return {};
}
