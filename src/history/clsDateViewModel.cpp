#include "clsDateViewModel.h"

clsDateViewModel::clsDateViewModel(QObject* parent) : QAbstractTableModel(parent) {}

void clsDateViewModel::AddColumn(const Column& column) {
    const int at = static_cast<int>(columns_.size());
    beginInsertColumns({}, at, at);
    columns_.append(column);
    endInsertColumns();
}

int clsDateViewModel::AddRow(const QString& key, const QString& text,
                             const QList<SubItem>& subItems) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back({key, text, subItems});
    endInsertRows();
    return at;
}

void clsDateViewModel::Clear() {
    if (rows_.empty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString clsDateViewModel::RowKey(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].Key : QString();
}

QString clsDateViewModel::ItemText(int row) const {
    return row >= 0 && row < rowCount() ? rows_[row].Text : QString();
}

QString clsDateViewModel::SubItemText(int row, const QString& key) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    for (const SubItem& item : rows_[row].SubItems) {
        if (item.first == key) {
            return item.second;
        }
    }
    return {};
}

int clsDateViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int clsDateViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant clsDateViewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& row = rows_[index.row()];
    if (index.column() == 0) {
        return row.Text;
    }
    const int item = index.column() - 1;
    return item < row.SubItems.size() ? row.SubItems[item].second : QString();
}

QVariant clsDateViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return columns_[section].Header;
    }
    if (role == Qt::UserRole) {
        return columns_[section].Key;
    }
    return {};
}
